// The optimisation wizard on the headless screen, run through the main window's Tools command: which
// palette boxes it offers, the sizes, saving and download estimate it shows, results computed afresh from
// the document on every visit of the last page, Cancel leaving the document as it was, and Finish giving
// the document the optimised copy with its rows made again.
#include "EditorTestUtil.h"
#include "ExportTestUtil.h"
#include "tests/gif/GifTestUtil.h"

#include "app/OptimizeWizard.h"
#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcPageControl.h"
#include "controls/FcRadioCheck.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"

#include <functional>
#include <string>
#include <vector>

using apptest::EditorTest;
using apptest::FrameSpec;
using apptest::GifSpec;
using app::TfrmGifOptimize;
using exporttest::FindForm;
using giftest::SaveBytes;

namespace {

// Three frames over the whole screen in colour 1 that differ in their top-left corner (colours 2, 3, 0),
// the middle one fully transparent when asked: trimming drops it, blanking leaves the others' corners.
GifSpec CornerFrames(bool transparentMiddle) {
    GifSpec spec;
    spec.Width = spec.Height = 24;
    spec.Loop = 0;
    for (int i = 0; i < 3; ++i) {
        FrameSpec f;
        f.Width = f.Height = 24;
        f.Color = 1;
        if (i == 1 && transparentMiddle) {
            f.Color = 3;
            f.Transparent = 3;
        }
        spec.Frames.push_back(f);
    }
    return spec;
}

void PaintCorners(gif::TGifDocument& doc) {
    const uint8_t corner[] = {2, 3, 0};
    for (int32_t i = 0; i < doc.FrameCount(); ++i) {
        gif::TGifFrame* frame = doc.Frame(i);
        if (frame->GetPixels()[1] == 3)
            continue; // the transparent frame stays empty
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                frame->GetPixels()[y * 24 + x] = corner[i];
    }
}

class OptimizeWizard : public EditorTest {
protected:
    void Click(vcl::TControl* control) { exporttest::ClickControl(FScreen, control); }
    // Opens the animation as anim.gif; build may change the document before it is written.
    void Open(const GifSpec& spec, const std::function<void(gif::TGifDocument&)>& build = nullptr) {
        gif::TGifDocument doc;
        apptest::BuildGif(doc, spec);
        if (build)
            build(doc);
        WriteFile("anim.gif", SaveBytes(doc));
        FScreen.AnswerFiles({Path("anim.gif")});
        Form->DispatchCommand(102);
        ASSERT_EQ(Rows(), int32_t(spec.Frames.size()));
    }
    // Runs the wizard (Tools, its last item); each step acts on the shown wizard when its loop waits, the
    // last one closes it.
    void Run(const std::vector<std::function<void(TfrmGifOptimize*)>>& steps) {
        for (const auto& step : steps)
            FScreen.Script([step] {
                auto* wizard = FindForm<TfrmGifOptimize>();
                ASSERT_NE(wizard, nullptr);
                step(wizard);
            });
        Form->DispatchCommand(404);
        EXPECT_EQ(FindForm<TfrmGifOptimize>(), nullptr);
    }
    std::function<void(TfrmGifOptimize*)> Next() {
        return [this](TfrmGifOptimize* w) { Click(w->btnNext); };
    }
};

TEST(OptimizeTexts, SizesSavingsAndDownloadTimes) {
    EXPECT_EQ(app::ByteSizeText(10000), "10,000 bytes");
    EXPECT_EQ(app::ByteSizeText(999), "999 bytes");
    EXPECT_EQ(app::ByteSizeText(1234567), "1,234,567 bytes");
    EXPECT_EQ(app::SavingText(10000, 8000), "2,000 bytes (20.0%)");
    EXPECT_EQ(app::SavingText(10000, 9999), "1 bytes ( 0.0%)");
    EXPECT_EQ(app::SavingText(10000, 10000), "None");
    EXPECT_EQ(app::SavingText(10000, 12000), "None");
    const char* times[] = {"2.77778 secs with a", "1.41343 secs with a", "0.62500 secs with a", "0.08000 secs with a"};
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(app::DownloadTimeText(10000, i), times[i]) << i;
}

TEST(OptimizeTexts, SeparatorsFollowTheFormatSettings) {
    const char decimal = vcl::DecimalSeparator, thousands = vcl::ThousandSeparator;
    vcl::DecimalSeparator = ',';
    vcl::ThousandSeparator = '.';
    const std::string size = app::ByteSizeText(10000), saving = app::SavingText(10000, 8000),
                      time = app::DownloadTimeText(10000, 0);
    vcl::DecimalSeparator = decimal;
    vcl::ThousandSeparator = thousands;
    EXPECT_EQ(size, "10.000 bytes");
    EXPECT_EQ(saving, "2.000 bytes (20,0%)");
    EXPECT_EQ(time, "2,77778 secs with a");
}

TEST_F(OptimizeWizard, PaletteBoxesFollowTheTables) {
    struct Case {
        const char* What;
        bool Global, Local;
    };
    for (const Case& c : {Case{"global table only", true, false}, Case{"local tables only", false, true},
                          Case{"both", true, true}}) {
        GifSpec spec = apptest::ThreeFrames();
        if (!c.Global)
            spec.Colors.clear();
        Open(spec, [&](gif::TGifDocument& doc) {
            if (c.Local)
                for (int32_t i = 0; i < doc.FrameCount(); ++i)
                    for (int32_t color : {0x000000, 0x0000FF, 0x00FF00, 0xFF0000})
                        doc.Frame(i)->GetLocalColorMap()->AppendColor(gif::TGifColor(color));
        });
        bool optAll = !c.Global, removeLocal = !c.Local, ticked = false;
        Run({[&](TfrmGifOptimize* w) {
            optAll = w->chkOptAll->GetEnabled();
            removeLocal = w->chkRemoveLocal->GetEnabled();
            ticked = w->chkOptAll->GetChecked() && !w->chkRemoveLocal->GetChecked() && w->chkPaletteSort->GetChecked();
            EXPECT_FALSE(w->btnBack->GetEnabled());
            Click(w->btnCancel);
        }});
        EXPECT_EQ(optAll, c.Global) << c.What;
        EXPECT_EQ(removeLocal, c.Local) << c.What;
        EXPECT_TRUE(ticked) << c.What;
    }
}

TEST_F(OptimizeWizard, ResultsShowTheOldSizeAndItsDownloadTime) {
    // A comment pads the file to exactly 10,000 bytes.
    Open(apptest::ThreeFrames(), [](gif::TGifDocument& doc) {
        auto* comment = new gif::TGifCommentExtension(doc.Frame(0));
        doc.Frame(0)->GetExtensionList()->AppendItem(comment);
        int64_t left = 10000 - app::GifEncodedSize(&doc); // the empty comment is counted
        while (left > 0) {
            // A line of n bytes costs n + 1; leave at least 2 for the last line.
            const int64_t cost = left > 256 ? std::min<int64_t>(256, left - 2) : left;
            comment->Lines().Add(std::string(size_t(cost - 1), 'x'));
            left -= cost;
        }
    });
    ASSERT_EQ(app::GifEncodedSize(Form->Document), 10000);
    std::vector<std::string> shown;
    Run({Next(), Next(), [&](TfrmGifOptimize* w) {
             EXPECT_EQ(w->GetPage(), 3);
             EXPECT_EQ(w->btnNext->GetCaption(), "Finish");
             EXPECT_TRUE(w->pnlOpt3->GetVisible());
             EXPECT_FALSE(w->pnlOpt2->GetVisible());
             shown.push_back(w->lblCurrSize->GetCaption());
             shown.push_back(w->cbBps->GetText());
             shown.push_back(w->lblDLTime->GetCaption());
             Click(w->btnCancel);
         }});
    EXPECT_EQ(shown, (std::vector<std::string>{"10,000 bytes", "56.6", "1.41343 secs with a"}));
}

TEST_F(OptimizeWizard, BackAndNextComputeAfreshAndEveryBoxUntickedSavesNothing) {
    Open(CornerFrames(true), PaintCorners);
    const std::string old = app::ByteSizeText(double(app::GifEncodedSize(Form->Document)));
    std::vector<std::string> optimised, total;
    // Each step sees what the clicks of the step before did, then clicks.
    auto results = [&](TfrmGifOptimize* w) {
        EXPECT_EQ(w->GetPage(), 3);
        optimised.push_back(w->lblOptimizedSize->GetCaption());
        total.push_back(w->lblTotal->GetCaption());
        Click(w->btnBack);
    };
    Run({Next(), Next(), results,
         [&](TfrmGifOptimize* w) {
             EXPECT_EQ(w->GetPage(), 2);
             EXPECT_EQ(w->btnNext->GetCaption(), "Next");
             Click(w->chkTrim);
             Click(w->chkDupPixels);
             Click(w->btnBack);
         },
         [&](TfrmGifOptimize* w) {
             EXPECT_EQ(w->GetPage(), 1);
             EXPECT_FALSE(w->btnBack->GetEnabled());
             EXPECT_TRUE(w->pnlOpt1->GetVisible());
             EXPECT_FALSE(w->pnlOpt2->GetVisible());
             Click(w->chkOptAll);
             Click(w->chkPaletteSort);
             Click(w->btnNext);
         },
         Next(),
         [&](TfrmGifOptimize* w) {
             EXPECT_FALSE(w->chkTrim->GetChecked() || w->chkDupPixels->GetChecked() ||
                          w->chkNonVisible->GetChecked() || w->chkOptAll->GetChecked() ||
                          w->chkPaletteSort->GetChecked() || w->chkRemoveLocal->GetChecked());
             results(w);
         },
         [&](TfrmGifOptimize* w) {
             Click(w->chkTrim);
             Click(w->chkDupPixels);
             Click(w->btnBack);
         },
         [&](TfrmGifOptimize* w) {
             Click(w->chkOptAll);
             Click(w->chkPaletteSort);
             Click(w->btnNext);
         },
         Next(), results, [&](TfrmGifOptimize* w) { Click(w->btnCancel); }});
    ASSERT_EQ(optimised.size(), 3u);
    // Everything ticked saves; nothing ticked re-encodes the same file; everything ticked again saves what
    // it saved the first time.
    EXPECT_NE(total[0], "None");
    EXPECT_EQ(optimised[1], old);
    EXPECT_EQ(total[1], "None");
    EXPECT_EQ(optimised[2], optimised[0]) << "computed from the document, not from the last results";
    EXPECT_EQ(total[2], total[0]);
}

TEST_F(OptimizeWizard, AFailingOptimisationStaysOnItsPage) {
    Open(CornerFrames(true), PaintCorners);
    const std::vector<uint8_t> before = SaveBytes(*Form->Document);
    // Frames larger than the limit cannot be copied: the results raise "Image is too large".
    struct Limit {
        int64_t Old = gif::GifMaxFramePixels;
        ~Limit() { gif::GifMaxFramePixels = Old; }
    } limit;
    bool afterFailure = false;
    Run({Next(),
         [&](TfrmGifOptimize* w) {
             gif::GifMaxFramePixels = 100;
             Click(w->btnNext);
         },
         [&](TfrmGifOptimize* w) {
             vcl::TMessageBoxView view;
             ASSERT_TRUE(vcl::FindMessageBox(&view));
             FBoxes.push_back(view);
             gif::GifMaxFramePixels = limit.Old;
             FScreen.InjectClick(vcl::MessageBoxButtonCenter("OK"));
         },
         [&](TfrmGifOptimize* w) {
             afterFailure = w->GetPage() == 2 && w->pnlOpt2->GetVisible() && !w->pnlOpt3->GetVisible() &&
                            w->btnNext->GetCaption() == "Next";
             // Next again computes the results; it does not finish with an empty copy.
             Click(w->btnNext);
         },
         [&](TfrmGifOptimize* w) {
             EXPECT_EQ(w->GetPage(), 3);
             EXPECT_NE(w->lblTotal->GetCaption(), "None");
             Click(w->btnCancel);
         }});
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "Image is too large.");
    EXPECT_TRUE(afterFailure);
    EXPECT_EQ(SaveBytes(*Form->Document), before);
}

TEST_F(OptimizeWizard, CancelLeavesTheDocumentAsItWas) {
    Open(CornerFrames(true), PaintCorners);
    const std::vector<uint8_t> before = SaveBytes(*Form->Document);
    Run({Next(), Next(), [&](TfrmGifOptimize* w) {
             EXPECT_NE(w->lblTotal->GetCaption(), "None");
             Click(w->btnCancel);
         }});
    EXPECT_EQ(SaveBytes(*Form->Document), before);
    EXPECT_FALSE(Form->Modified);
    EXPECT_EQ(Rows(), 3);
}

TEST_F(OptimizeWizard, FinishGivesTheDocumentTheCopyAndMakesTheRowsAgain) {
    struct Case {
        const char* What;
        bool TransparentMiddle;
        int32_t Frames;
        std::vector<std::string> Names; // the file part of each row afterwards
    };
    const Case cases[] = {
        {"a frame dropped: the document's name", true, 2, {"anim.gif", "anim.gif"}},
        {"as many frames: the rows' own names", false, 3, {"anim.gif", "b.png", "anim.gif"}},
    };
    for (const Case& c : cases) {
        Open(CornerFrames(c.TransparentMiddle), PaintCorners);
        Row(1)->SetCaption("Frame 2 - b.png");
        Row(2)->SetSelected(true);
        std::vector<uint8_t> copied;
        Run({Next(), Next(), [&](TfrmGifOptimize* w) {
                 copied = SaveBytes(*w->GetWorkingCopy());
                 Click(w->btnNext);
             }});
        EXPECT_EQ(SaveBytes(*Form->Document), copied) << c.What;
        EXPECT_EQ(Form->Document->FrameCount(), c.Frames) << c.What;
        ExpectRowsAreFrames();
        ASSERT_EQ(Rows(), c.Frames) << c.What;
        for (int32_t i = 0; i < Rows(); ++i)
            EXPECT_EQ(Row(i)->GetCaption(), "Frame " + std::to_string(i + 1) + " - " + c.Names[size_t(i)]) << c.What;
        EXPECT_EQ(Form->lvFiles->GetSelCount(), 1) << c.What;
        EXPECT_TRUE(Row(0)->GetSelected()) << c.What;
        EXPECT_EQ(Form->tsPreview->GetCaption(), "Preview - Frame 1") << c.What;
        EXPECT_TRUE(Form->Modified) << c.What;
        Form->Modified = false;
    }
}

} // namespace
