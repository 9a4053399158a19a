// The new-animation wizard behind New: its pages and buttons, scripted on the headless screen, and the
// animation the main window builds from its answers (frames, rows, delays, loop count, transparency).
#include "EditorTestUtil.h"
#include "ExportTestUtil.h"

#include "app/ListBoxHrz.h"
#include "app/NewGifWizard.h"
#include "app/Settings.h"
#include "bars/xbBar.h"
#include "controls/FcButton.h"
#include "controls/FcControlButton.h"
#include "controls/FcPanel.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcSpinEdit.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/SysUtils.h"

#include <filesystem>
#include <functional>

using namespace app;
using apptest::EditorTest;

namespace {

TfrmNewGifWizard* FindWizard() { return exporttest::FindForm<TfrmNewGifWizard>(); }

class NewWizard : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        // New frames take local tables without the palette question.
        apptest::Store(SettingPaletteDefaults, "1");
    }
    void TearDown() override {
        EXPECT_EQ(FScreen.ScriptLeft(), 0u);
        EXPECT_EQ(FindWizard(), nullptr);
        ExpectRowsAreFrames();
        EditorTest::TearDown();
    }
    // New, with the wizard answered by steps and then as many message boxes answered with OK.
    void RunNew(std::function<void(TfrmNewGifWizard*)> steps, int boxes = 0) {
        FScreen.Script([steps] {
            TfrmNewGifWizard* wizard = FindWizard();
            ASSERT_NE(wizard, nullptr);
            steps(wizard);
        });
        for (int i = 0; i < boxes; ++i)
            AnswerBox();
        Form->DispatchCommand(101);
    }
    // The pages walked through: the loop (play times 0 for endless), the delay, the files, Finish.
    void Build(const std::vector<std::string>& files, int play, double seconds) {
        RunNew([this, files, play, seconds](TfrmNewGifWizard* w) {
            if (play > 0) {
                w->optLoopPlay->SetChecked(true);
                w->spinLoop->SetValue(play);
            }
            w->spinDelay->SetValue(seconds);
            w->btnNext->Click();
            FScreen.AnswerFiles(files);
            w->btnImageAdd->Click();
            w->btnNext->Click();
            w->btnNext->Click();
        });
    }
    std::vector<int> Delays() const {
        std::vector<int> delays;
        for (int32_t i = 0; i < Form->Document->FrameCount(); ++i) {
            gif::TGifGraphicControlExtension* gce = Form->Document->Frame(i)->GetControlExtension();
            delays.push_back(gce ? gce->GetDelayTime() : -1);
        }
        return delays;
    }
    // Every frame shows through its transparent colour and restores the background after it.
    void ExpectTransparentFrames() {
        for (int32_t i = 0; i < Form->Document->FrameCount(); ++i) {
            gif::TGifGraphicControlExtension* gce = Form->Document->Frame(i)->GetControlExtension();
            ASSERT_NE(gce, nullptr) << i;
            EXPECT_TRUE(gce->GetTransparentFlag()) << i;
            EXPECT_EQ(gce->GetDisposalMethod(), gif::dpRestoreBackground) << i;
        }
        EXPECT_TRUE(Form->chkAnimationTrans->GetChecked());
    }
};

TEST_F(NewWizard, ThreeStillImagesPlayedThreeTimesGiveThreeFramesOfTheDelay) {
    const std::vector<std::string> files = {WriteBmp("a.bmp", 8, 6, 0x0000FF),
                                            WriteBmp("b.bmp", 8, 6, 0x00FF00),
                                            WriteBmp("c.bmp", 8, 6, 0xFF0000)};
    Build(files, 3, 0.25);
    ASSERT_EQ(Form->Document->FrameCount(), 3);
    EXPECT_EQ(Delays(), (std::vector<int>{25, 25, 25}));
    EXPECT_EQ(GetLoopCount(Form->Document), 3);
    EXPECT_TRUE(Form->optLoopSpecified->GetChecked());
    EXPECT_EQ(Form->spinPlayTimes->GetValue(), 3);
    EXPECT_EQ(Captions(),
              (std::vector<std::string>{"Frame 1 - a.bmp", "Frame 2 - b.bmp", "Frame 3 - c.bmp"}));
    EXPECT_TRUE(Row(0)->GetSelected());
    EXPECT_EQ(Form->lvFiles->GetSelCount(), 1);
    EXPECT_TRUE(Form->HasDocument);
    EXPECT_TRUE(Form->Modified);
    EXPECT_TRUE(Form->miSave->GetEnabled());
    EXPECT_EQ(Form->FileName, "");
    ExpectTransparentFrames();
    // The picture of each file, in the list's order.
    const int32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000};
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(Form->Document->Frame(i)->FrameBitmap()->GetCanvas()->GetPixel(3, 3), colours[i]) << i;
}

// The delay box's seconds become hundredths by rounding (0.29 s is 29, not 28) and stop at the largest delay
// a frame holds; the loop choice goes to the main window's controls and the document.
TEST_F(NewWizard, TheDelayAndLoopChoicesReachEveryFrame) {
    struct Case {
        double Seconds;
        int Delay;
        int Play; // 0: endless
    };
    const Case cases[] = {{0.29, 29, 0}, {1.15, 115, 2}, {655.35, 65535, 0}, {700, 65535, 65535}, {0, 0, 0}};
    const std::string file = WriteBmp("one.bmp", 5, 5, 0x336699);
    for (const Case& c : cases) {
        Build({file}, c.Play, c.Seconds);
        ASSERT_EQ(Form->Document->FrameCount(), 1) << c.Seconds;
        EXPECT_EQ(Delays(), std::vector<int>{c.Delay}) << c.Seconds;
        EXPECT_EQ(GetLoopCount(Form->Document), c.Play) << c.Seconds;
        EXPECT_EQ(Form->optLoopForever->GetChecked(), c.Play == 0) << c.Seconds;
        Form->Modified = false;
    }
}

// "Play it" with 0 asks for no count at all: a GIF's count 0 plays endlessly, so the main window shows
// "Loop Forever" as it does for any endless animation it opens; 1 plays once, without a loop block.
TEST_F(NewWizard, PlayingItZeroTimesLoopsForeverAndOnceNeedsNoLoopBlock) {
    const std::string file = WriteBmp("one.bmp", 5, 5, 0x336699);
    for (const int times : {0, 1}) {
        RunNew([this, file, times](TfrmNewGifWizard* w) {
            w->optLoopPlay->SetChecked(true);
            w->spinLoop->SetValue(times);
            w->btnNext->Click();
            FScreen.AnswerFiles({file});
            w->btnImageAdd->Click();
            w->btnNext->Click();
            w->btnNext->Click();
        });
        ASSERT_EQ(Form->Document->FrameCount(), 1) << times;
        EXPECT_EQ(GetLoopCount(Form->Document), times) << times;
        EXPECT_EQ(HasLoopExtension(Form->Document), times == 0) << times;
        EXPECT_EQ(Form->optLoopForever->GetChecked(), times == 0) << times;
        EXPECT_EQ(Form->optLoopSpecified->GetChecked(), times == 1) << times;
        EXPECT_EQ(Form->spinPlayTimes->GetEnabled(), times == 1) << times;
        EXPECT_EQ(Form->spinPlayTimes->GetValue(), 1) << times;
        Form->Modified = false;
    }
}

// An animated GIF gives all its frames, and the wizard's delay, wherever it stands in the list: first it
// becomes the document, after still images it follows them (their frames stay).
TEST_F(NewWizard, AnAnimatedGifAddsAllItsFramesWithTheWizardsDelay) {
    const std::string anim = WriteGif("anim.gif", apptest::ThreeFrames(40, 5));
    const std::string a = WriteBmp("a.bmp", 8, 8, 0x0000FF), b = WriteBmp("b.bmp", 8, 8, 0x00FF00);
    struct Case {
        std::vector<std::string> Files;
        std::vector<std::string> Names;
    };
    const Case cases[] = {
        {{a, anim, b}, {"a.bmp", "anim.gif", "anim.gif", "anim.gif", "b.bmp"}},
        {{anim, a}, {"anim.gif", "anim.gif", "anim.gif", "a.bmp"}},
    };
    for (const Case& c : cases) {
        Build(c.Files, 0, 0.5);
        ASSERT_EQ(Rows(), int32_t(c.Names.size()));
        for (int32_t i = 0; i < Rows(); ++i)
            EXPECT_EQ(Captions()[size_t(i)], "Frame " + std::to_string(i + 1) + " - " + c.Names[size_t(i)]);
        EXPECT_EQ(Delays(), std::vector<int>(c.Names.size(), 50));
        EXPECT_EQ(GetLoopCount(Form->Document), 0);
        ExpectTransparentFrames();
        ExpectRowsAreFrames();
        Form->Modified = false;
    }
    // The still image before the animation kept its picture as frame 1.
    Build({a, anim}, 0, 1);
    EXPECT_EQ(Form->Document->Frame(0)->FrameBitmap()->GetCanvas()->GetPixel(2, 2), 0x0000FF);
    EXPECT_EQ(Rows(), 4);
}

TEST_F(NewWizard, NextBackUpDownAndRemoveFollowThePageAndTheList) {
    const std::vector<std::string> files = {WriteBmp("a.bmp", 4, 4, 1), WriteBmp("b.bmp", 4, 4, 2),
                                            WriteBmp("c.bmp", 4, 4, 3)};
    const std::string folder = Form->ImageFolder;
    RunNew([&](TfrmNewGifWizard* w) {
        auto states = [w] {
            return std::vector<bool>{w->btnBack->GetEnabled(), w->btnNext->GetEnabled(),
                                     w->btnImageRemove->GetEnabled(), w->btnMoveUp->GetEnabled(),
                                     w->btnMoveDown->GetEnabled()};
        };
        using S = std::vector<bool>;
        // Page 3, the size and the caption.
        EXPECT_EQ(w->GetCaption(), "Animation Wizard");
        EXPECT_EQ(w->GetWidth(), 369);
        EXPECT_EQ(w->GetHeight(), 310);
        // The layout's client size is the one shown: a desktop check clicks the buttons at the layout's places.
        EXPECT_EQ(w->GetClientWidth(), 363);
        EXPECT_EQ(w->GetClientHeight(), 285);
        EXPECT_EQ(w->GetPage(), 3);
        EXPECT_TRUE(w->pnlLoop->GetVisible());
        EXPECT_FALSE(w->pnlImages->GetVisible());
        EXPECT_EQ(w->pnlImages->GetLeft(), 0);
        EXPECT_EQ(w->pnlImages->GetTop(), 0);
        EXPECT_EQ(states(), (S{false, true, false, false, false}));
        EXPECT_FALSE(w->spinLoop->GetEnabled());
        w->optLoopPlay->SetChecked(true);
        EXPECT_TRUE(w->spinLoop->GetEnabled());
        w->optLoopInfinite->SetChecked(true);
        EXPECT_FALSE(w->spinLoop->GetEnabled());
        EXPECT_EQ(dynamic_cast<TListBoxHrz*>(w->lbImages), w->lbImages);
        // Page 4 with nothing listed: no way on.
        w->btnNext->Click();
        EXPECT_EQ(w->GetPage(), 4);
        EXPECT_TRUE(w->pnlImages->GetVisible());
        EXPECT_FALSE(w->pnlLoop->GetVisible());
        EXPECT_EQ(states(), (S{true, false, false, false, false}));
        // A cancelled dialog adds nothing.
        FScreen.CancelFileDialog();
        w->btnImageAdd->Click();
        EXPECT_EQ(states(), (S{true, false, false, false, false}));
        FScreen.AnswerFiles(files);
        w->btnImageAdd->Click();
        EXPECT_EQ(w->lbImages->GetItems()->GetCount(), 3);
        EXPECT_EQ(w->lbImages->GetItemIndex(), 0);
        EXPECT_EQ(states(), (S{true, true, true, false, true}));
        // The dialog starts where the main window's dialogs first start.
        EXPECT_EQ(w->dlgOpen2->GetInitialDir(), folder);
        EXPECT_TRUE(w->dlgOpen2->GetOptions().Contains(vcl::ofAllowMultiSelect));
        // A click on an item selects it.
        auto clickItem = [&](int32_t index) {
            const vcl::TRect r = w->lbImages->ItemRect(index);
            FScreen.InjectClick(w->lbImages->ClientToScreen({r.Left + 4, r.Top + 2}));
            vcl::Application->ProcessMessages();
            EXPECT_EQ(w->lbImages->GetItemIndex(), index);
        };
        clickItem(1);
        EXPECT_EQ(states(), (S{true, true, true, true, true}));
        clickItem(2);
        EXPECT_EQ(states(), (S{true, true, true, true, false}));
        w->btnMoveUp->Click();
        EXPECT_EQ(w->lbImages->GetItems()->Get(1), files[2]);
        EXPECT_EQ(w->lbImages->GetItems()->Get(2), files[1]);
        EXPECT_EQ(w->lbImages->GetItemIndex(), 1);
        EXPECT_EQ(states(), (S{true, true, true, true, true}));
        clickItem(0);
        w->btnMoveDown->Click();
        EXPECT_EQ(w->lbImages->GetItems()->Get(0), files[2]);
        EXPECT_EQ(w->lbImages->GetItems()->Get(1), files[0]);
        EXPECT_EQ(w->lbImages->GetItemIndex(), 1);
        // Remove selects the item before; the first removed selects the new first.
        w->btnImageRemove->Click();
        EXPECT_EQ(w->lbImages->GetItems()->GetCount(), 2);
        EXPECT_EQ(w->lbImages->GetItemIndex(), 0);
        EXPECT_EQ(states(), (S{true, true, true, false, true}));
        w->btnImageRemove->Click();
        EXPECT_EQ(w->lbImages->GetItems()->Get(0), files[1]);
        EXPECT_EQ(w->lbImages->GetItemIndex(), 0);
        EXPECT_EQ(states(), (S{true, true, true, false, false}));
        w->btnImageRemove->Click();
        EXPECT_EQ(w->lbImages->GetItems()->GetCount(), 0);
        EXPECT_EQ(states(), (S{true, false, false, false, false}));
        // Page 5 says Finish; Back returns to Next.
        FScreen.AnswerFiles({files[0]});
        w->btnImageAdd->Click();
        w->btnNext->Click();
        EXPECT_EQ(w->GetPage(), 5);
        EXPECT_TRUE(w->pnlFinish->GetVisible());
        EXPECT_EQ(w->btnNext->GetCaption(), "Finish");
        EXPECT_EQ(states()[0], true);
        w->btnBack->Click();
        EXPECT_EQ(w->GetPage(), 4);
        EXPECT_EQ(w->btnNext->GetCaption(), "Next");
        w->btnBack->Click();
        EXPECT_EQ(w->GetPage(), 3);
        EXPECT_FALSE(w->btnBack->GetEnabled());
        w->btnCancel->Click();
    });
    EXPECT_EQ(Rows(), 0);
}

// Cancel leaves an empty untitled document that is no document: nothing to save, export or tag.
TEST_F(NewWizard, CancelOnTheFirstPageLeavesNoDocument) {
    ASSERT_TRUE(Form->OpenGifFile(WriteGif("three.gif", apptest::ThreeFrames())));
    ASSERT_TRUE(Form->HasDocument);
    RunNew([](TfrmNewGifWizard* w) { w->btnCancel->Click(); });
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Form->Document->FrameCount(), 0);
    EXPECT_FALSE(Form->HasDocument);
    EXPECT_FALSE(Form->Modified);
    EXPECT_EQ(Form->FileName, "");
    for (bars::TxbBarButton* item : {Form->miSave, Form->miSaveAs, Form->miSaveAsFlash, Form->miHTMLCode})
        EXPECT_FALSE(item->GetEnabled()) << item->GetName();
}

// A picture that does not read is skipped after its message; the others make the animation.
TEST_F(NewWizard, FilesThatDoNotReadAreSkippedAfterTheirMessage) {
    const std::string a = WriteBmp("a.bmp", 6, 6, 0x0000FF), c = WriteBmp("c.bmp", 6, 6, 0xFF0000);
    WriteFile("broken.bmp", {'B', 'M', 1, 2, 3});
    WriteFile("broken.gif", {'G', 'I', 'F', '8', '9', 'a', 0, 0});
    RunNew(
        [&](TfrmNewGifWizard* w) {
            w->btnNext->Click();
            FScreen.AnswerFiles({a, Path("broken.bmp"), Path("broken.gif"), c});
            w->btnImageAdd->Click();
            w->btnNext->Click();
            w->btnNext->Click();
        },
        2);
    ASSERT_EQ(FBoxes.size(), 2u);
    EXPECT_NE(FBoxes[0].Text.find("broken.bmp"), std::string::npos) << FBoxes[0].Text;
    EXPECT_NE(FBoxes[1].Text.find("broken.gif"), std::string::npos) << FBoxes[1].Text;
    EXPECT_EQ(Captions(), (std::vector<std::string>{"Frame 1 - a.bmp", "Frame 2 - c.bmp"}));
    EXPECT_TRUE(Form->HasDocument);
    ExpectTransparentFrames();
}

// The images dialog first starts in the "Images" folder beside the program, the folder the main window's
// dialogs start in, by that name (file names are case-sensitive here).
TEST_F(NewWizard, TheImagesDialogStartsInTheProgramsImagesFolder) {
    EXPECT_EQ(StartImageFolder(), Form->ImageFolder);
    const std::filesystem::path images = std::filesystem::path(ProgramFolder()) / "Images";
    const bool made = std::filesystem::create_directory(images);
    EXPECT_EQ(StartImageFolder(), ProgramFolder() + "Images/");
    RunNew([this](TfrmNewGifWizard* w) {
        w->btnNext->Click();
        FScreen.CancelFileDialog();
        w->btnImageAdd->Click();
        EXPECT_EQ(w->dlgOpen2->GetInitialDir(), ProgramFolder() + "Images/");
        w->btnCancel->Click();
    });
    if (made)
        std::filesystem::remove(images);
}

} // namespace
