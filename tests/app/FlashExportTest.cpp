// The Flash export through a recording writer: the rate, the images (whole screens as the GIF shows them) and
// their times, the save dialog put back however the export ends, and the HTML dialog with its copy button.
#include "AppTestUtil.h"
#include "ExportTestUtil.h"

#include "app/FlashExport.h"
#include "app/SwfHtmlForm.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/StdCtrls.h"

namespace resources {
void RegisterProgramForms();
}

using apptest::AppTest;
using gif::TGifDocument;
using gif::TGifFrame;

namespace {

struct TFlashRecord {
    int32_t Height = -1, Width = -1, Rate = -1;
    struct TImage {
        int32_t Width, Height, DelayMs;
        std::vector<uint32_t> Pixels; // 0x00RRGGBB, rows from the top
    };
    std::vector<TImage> Images;
    bool Streamed = false;
    std::string SavedTo;
};

class TRecordingShow final : public app::TFlashSlideShow {
public:
    TRecordingShow(TFlashRecord* record, bool failSave) : FRecord(record), FFailSave(failSave) {}
    void CreateMovie(int32_t height, int32_t width, int32_t rate) override {
        FRecord->Height = height;
        FRecord->Width = width;
        FRecord->Rate = rate;
    }
    void AddImage(vcl::TBitmap* bitmap, int32_t delayMs) override {
        TFlashRecord::TImage image{bitmap->GetWidth(), bitmap->GetHeight(), delayMs, {}};
        for (int y = 0; y < image.Height; ++y)
            for (int x = 0; x < image.Width; ++x) {
                const vcl::TColor c = bitmap->GetCanvas()->GetPixel(x, y);
                image.Pixels.push_back(uint32_t(c & 0xFF) << 16 | (c & 0xFF00) | (uint32_t(c) >> 16 & 0xFF));
            }
        FRecord->Images.push_back(std::move(image));
    }
    void MakeStream() override { FRecord->Streamed = true; }
    void SaveToFile(const std::string& fileName) override {
        if (FFailSave)
            throw vcl::EFCreateError("Cannot create file \"" + fileName + "\"");
        FRecord->SavedTo = fileName;
    }

private:
    TFlashRecord* FRecord;
    bool FFailSave;
};

using namespace exporttest;

// A document of 2 x 1 with one whole frame for each delay (-1: no control extension).
std::unique_ptr<TGifDocument> Delays(const std::vector<int>& delays) {
    auto doc = ExportDocument(2, 1);
    for (int delay : delays) {
        TGifFrame* frame = giftest::AddFrame(*doc, 2, 1, {1, 2});
        if (delay >= 0)
            Control(frame, delay);
    }
    return doc;
}

class FlashExport : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app::RegisterSwfHtmlFormClass();
        resources::RegisterProgramForms();
        app::SetFlashSlideShowFactory([this] { return std::make_unique<TRecordingShow>(&FRecord, FFailSave); });
        FDialog = std::make_unique<vcl::TSaveDialog>(nullptr);
        FDialog->SetFilter("GIF Images|*.gif");
        FDialog->SetDefaultExt("gif");
    }
    void TearDown() override {
        app::SetFlashSlideShowFactory(nullptr);
        FDialog.reset();
        AppTest::TearDown();
    }
    // The HTML dialog's text is kept, its copy button pressed (the message box read and answered), and
    // the dialog closed with its Close button.
    void ReadHtmlDialog() {
        FScreen.Script([this] {
            auto* form = FindHtmlForm();
            ASSERT_NE(form, nullptr);
            FHtmlCaption = form->GetCaption();
            FHtmlText = form->mmoFlash->GetText();
            ClickControl(FScreen, form->BitBtn1);
        });
        AnswerBox();
        FScreen.Script([this] {
            auto* form = FindHtmlForm();
            ASSERT_NE(form, nullptr);
            ClickControl(FScreen, form->Button1);
        });
    }
    static app::TSWFHTMLFrm* FindHtmlForm() { return FindForm<app::TSWFHTMLFrm>(); }
    // However the export ended: the filter, default extension and an empty name back, no HTML dialog left,
    // the cursor as it was.
    void ExpectDialogAsItWas() {
        EXPECT_EQ(FDialog->GetFilter(), "GIF Images|*.gif");
        EXPECT_EQ(FDialog->GetDefaultExt(), "gif");
        EXPECT_EQ(FDialog->GetFileName(), "");
        EXPECT_EQ(FindHtmlForm(), nullptr);
        EXPECT_EQ(vcl::Screen->GetCursor(), vcl::crDefault);
    }
    bool Export(TGifDocument* doc, const std::string& documentFile = "") {
        return app::ExportToFlash(FDialog.get(), doc, documentFile, [this](const std::string& text, int32_t panel) {
            FStatus.push_back(std::to_string(panel) + ":" + text);
        });
    }

    TFlashRecord FRecord;
    bool FFailSave = false;
    std::unique_ptr<vcl::TSaveDialog> FDialog;
    std::string FHtmlCaption, FHtmlText;
    std::vector<std::string> FStatus;
};

} // namespace

TEST_F(FlashExport, RateAndTimesFollowTheDelays) {
    struct Case {
        std::vector<int> Delays;
        int32_t Rate;
        std::vector<int32_t> Times;
    };
    for (const Case& c : {Case{{10, 20, 5}, 20, {100, 200, 50}},
                          Case{{-1, -1}, 1, {40, 40}},
                          Case{{0, 7}, 100, {40, 70}},
                          // Above a second the formula gives no frame a second; the movie takes 1.
                          Case{{150, 300}, 1, {1500, 3000}},
                          Case{{101}, 1, {1010}},
                          Case{{100}, 1, {1000}},
                          Case{{65535}, 1, {655350}}}) {
        SCOPED_TRACE(::testing::PrintToString(c.Delays));
        FRecord = {};
        auto doc = Delays(c.Delays);
        app::WriteFlashMovie(doc.get(), Path("m.swf"));
        EXPECT_EQ(FRecord.Height, 1);
        EXPECT_EQ(FRecord.Width, 2);
        EXPECT_EQ(FRecord.Rate, c.Rate);
        std::vector<int32_t> times;
        for (const auto& image : FRecord.Images) {
            times.push_back(image.DelayMs);
            EXPECT_EQ(image.Width, 2);
            EXPECT_EQ(image.Height, 1);
        }
        EXPECT_EQ(times, c.Times);
        EXPECT_TRUE(FRecord.Streamed);
        EXPECT_EQ(FRecord.SavedTo, Path("m.swf"));
    }
}

// A frame's last control extension gives its time; every extension of every frame counts for the rate,
// those of empty frames too, which add no image.
TEST_F(FlashExport, LastExtensionTimesAFrameEveryExtensionCountsForTheRate) {
    auto doc = ExportDocument(2, 1);
    TGifFrame* first = giftest::AddFrame(*doc, 2, 1, {1, 2});
    Control(first, 2);
    Control(first, 30);
    Control(giftest::AddFrame(*doc, 0, 0, {}), 25);
    Control(giftest::AddFrame(*doc, 2, 1, {3, 3}), 50);
    app::WriteFlashMovie(doc.get(), Path("m.swf"));
    EXPECT_EQ(FRecord.Rate, 50);
    ASSERT_EQ(FRecord.Images.size(), 2u);
    EXPECT_EQ(FRecord.Images[0].DelayMs, 300);
    EXPECT_EQ(FRecord.Images[1].DelayMs, 500);
}

// Each image is the whole logical screen after its frame: sub-rectangles over what the earlier frames left,
// transparent pixels showing what lies under them, disposals applied, the background where nothing drew.
TEST_F(FlashExport, ImagesAreTheScreensTheAnimationShows) {
    auto doc = ExportDocument(4, 3);
    Control(giftest::AddFrame(*doc, 2, 2, {1, 1, 1, 1}, 1, 0), 10, 1);             // green square, kept
    Control(giftest::AddFrame(*doc, 3, 1, {2, 0, 2}, 1, 1), 10, 2, 0);             // blue with a hole, cleared
    Control(giftest::AddFrame(*doc, 0, 0, {}), 10);                                 // empty: no image
    Control(giftest::AddFrame(*doc, 1, 1, {3}, 3, 2), 10, 3);                       // white, then restored
    Control(giftest::AddFrame(*doc, 1, 1, {2}, 0, 2), 10, 1);                       // blue corner
    app::WriteFlashMovie(doc.get(), Path("m.swf"));
    const std::vector<std::vector<uint32_t>> expected = {
        {Red, Green, Green, Red, Red, Green, Green, Red, Red, Red, Red, Red},
        {Red, Green, Green, Red, Red, Blue, Green, Blue, Red, Red, Red, Red},
        {Red, Green, Green, Red, Red, Red, Red, Red, Red, Red, Red, White},
        {Red, Green, Green, Red, Red, Red, Red, Red, Blue, Red, Red, Red},
    };
    ASSERT_EQ(FRecord.Images.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(FRecord.Images[i].Width, 4);
        EXPECT_EQ(FRecord.Images[i].Height, 3);
        EXPECT_EQ(FRecord.Images[i].Pixels, expected[i]) << "image " << i;
    }
}

TEST_F(FlashExport, HtmlIsTheTemplateFilledIn) {
    const std::string expected =
        "<!-- Made with Quorvane Loomwick, https://www.example.com/loomwick/ -->\r\n"
        "\r\n"
        "<OBJECT classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\"\r\n"
        "  codebase=\"https://download.example.com/flash2/cabs/swflash.cab#version=4,0,0,0\"\r\n"
        "  ID=Untitled WIDTH=320 HEIGHT=200>\r\n"
        "<PARAM NAME=movie VALUE=\"my &quot;best&quot; movie.swf\">\r\n"
        "<PARAM NAME=quality VALUE=high>\r\n"
        "<PARAM NAME=loop VALUE=true>\r\n"
        "<EMBED src=\"my &quot;best&quot; movie.swf\" loop=false quality=high\r\n"
        "  WIDTH=320 HEIGHT=200 TYPE=\"application/x-shockwave-flash\"\r\n"
        "  PLUGINSPAGE=\"https://www.example.org/shockwave/download/index.cgi?P1_Prod_Version=ShockwaveFlash\">\r\n"
        "</EMBED>\r\n"
        "</OBJECT>";
    EXPECT_EQ(app::FlashHtml(320, 200, "my \"best\" movie.swf", true), expected);
    EXPECT_NE(app::FlashHtml(1, 1, "a.swf", false).find("<PARAM NAME=loop VALUE=false>"), std::string::npos);
}

// The whole command: the dialog proposes the document's name with ".swf", the movie is written there, the
// HTML dialog shows the file name and the loop, its button copies the HTML, and the dialog gets its filter,
// default extension and an empty name back.
TEST_F(FlashExport, ExportWritesTheMovieAndShowsItsHtml) {
    struct Case {
        int32_t LoopCount;
        const char* Loop;
    };
    for (const Case& c : {Case{1, "false"}, Case{0, "true"}, Case{3, "true"}}) {
        SCOPED_TRACE(c.LoopCount);
        FRecord = {};
        FBoxes.clear();
        auto doc = Delays({10, 20, 5});
        app::SetLoopCount(doc.get(), c.LoopCount);
        FScreen.AnswerFiles({Path("out/My \"Film\".swf")});
        ReadHtmlDialog();
        ASSERT_TRUE(Export(doc.get(), Path("folder/anim.gif")));
        const win::FileDialogRequest& request = FScreen.FileDialogRequests().back();
        EXPECT_EQ(request.FileName, "anim.swf");
        EXPECT_EQ(request.DefaultExt, "swf");
        ASSERT_EQ(request.Filters.size(), 1u);
        EXPECT_EQ(request.Filters[0].Patterns, "*.swf");
        EXPECT_EQ(FRecord.SavedTo, Path("out/My \"Film\".swf"));
        EXPECT_EQ(FRecord.Rate, 20);
        EXPECT_EQ(FHtmlCaption, "HTML to insert for Flash Movies");
        EXPECT_EQ(FHtmlText, app::FlashHtml(2, 1, "My \"Film\".swf", std::string(c.Loop) == "true"));
        EXPECT_NE(FHtmlText.find(std::string("<PARAM NAME=loop VALUE=") + c.Loop + ">"), std::string::npos);
        EXPECT_EQ(vcl::Clipboard()->GetAsText(), FHtmlText);
        ASSERT_EQ(FBoxes.size(), 1u);
        EXPECT_EQ(FBoxes[0].Text, "Copied HTML to the clipboard.");
        ExpectDialogAsItWas();
    }
    EXPECT_EQ(FStatus.back(), "2:");
    EXPECT_NE(std::find(FStatus.begin(), FStatus.end(),
                        "2:Initializing GIF for Flash Movie conversion, one moment please..."),
              FStatus.end());
}

// Cancelled, or the writer fails: nothing shown, the dialog as it was; the writer's exception passes on.
TEST_F(FlashExport, CancelAndWriterFailureLeaveTheDialogAsItWas) {
    auto doc = Delays({10});
    FScreen.CancelFileDialog();
    EXPECT_FALSE(Export(doc.get()));
    EXPECT_EQ(FScreen.FileDialogRequests().back().FileName, ".swf");
    EXPECT_EQ(FRecord.Rate, -1);
    ExpectDialogAsItWas();
    EXPECT_EQ(FStatus, (std::vector<std::string>{"1: ", "2:"}));

    FFailSave = true;
    FScreen.AnswerFiles({Path("locked.swf")});
    EXPECT_THROW(Export(doc.get()), vcl::EFCreateError);
    EXPECT_EQ(FRecord.Rate, 10);
    ExpectDialogAsItWas();
    EXPECT_EQ(FStatus.back(), "2:");
}
