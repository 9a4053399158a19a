// The frame export dialog driven through its controls on the headless screen: the names of the files, the
// format's dialog filter and extension, the JPEG quality by the track bar, black-and-white bitmaps, the GIF
// palettes, and failures collected into one message while the other files are written.
#include "AppTestUtil.h"
#include "ExportTestUtil.h"

#include "app/ExporterForm.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/JpegImage.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StdCtrls.h"

namespace resources {
void RegisterProgramForms();
}

using apptest::AppTest;
using app::TfrmExporter;

namespace {

class Exporter : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app::RegisterExporterFormClass();
        resources::RegisterProgramForms();
        FDialog = std::make_unique<vcl::TSaveDialog>(nullptr);
        FDialog->SetFilter("GIF Images|*.gif");
        FDialog->SetDefaultExt("gif");
        // Four frames of 16 x 8: red, green, blue and white.
        FDocument = exporttest::ExportDocument(16, 8);
        for (uint8_t colour = 0; colour < 4; ++colour)
            giftest::AddFrame(*FDocument, 16, 8, giftest::Bytes(16 * 8, colour));
    }
    void TearDown() override {
        FDialog.reset();
        FDocument.reset();
        AppTest::TearDown();
    }
    static TfrmExporter* Find() { return exporttest::FindForm<TfrmExporter>(); }
    void Click(vcl::TControl* control) { exporttest::ClickControl(FScreen, control); }
    // A step for the dialog's loop once the input injected before it is handled.
    void Then(std::function<void()> step) { FScreen.Script(std::move(step)); }
    // Runs the dialog with the rows selected; set (run in the dialog's loop) chooses the options and
    // presses a button.
    void Run(const std::vector<int32_t>& selected, std::function<void(TfrmExporter*)> set) {
        FScreen.Script([this, set] {
            TfrmExporter* form = Find();
            ASSERT_NE(form, nullptr);
            set(form);
        });
        std::vector<std::string> captions;
        for (int32_t i = 0; i < FDocument->FrameCount(); ++i)
            captions.push_back("Frame " + std::to_string(i + 1));
        app::ShowExporter(nullptr, FDocument.get(), FDialog.get(), captions, selected);
        EXPECT_EQ(Find(), nullptr);
    }
    // The first entry of the file's first quantisation table.
    static int FirstTableEntry(const std::vector<uint8_t>& d) {
        for (size_t i = 2; i + 5 < d.size() && d[i] == 0xFF;) {
            if (d[i + 1] == 0xDB)
                return d[i + 5];
            i += 2 + (size_t(d[i + 2]) << 8 | d[i + 3]);
        }
        return -1;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

    std::unique_ptr<vcl::TSaveDialog> FDialog;
    std::unique_ptr<gif::TGifDocument> FDocument;
};

} // namespace

TEST(ExportFileName, IndexGoesBeforeTheExtensionsDot) {
    struct Case {
        const char* Base;
        int32_t Index;
        const char* Name;
    };
    for (const Case& c : {Case{"dir/x.jpg", 1, "dir/xLW11.jpg"}, Case{"/tmp/out.gif", 10, "/tmp/outLW110.gif"},
                          Case{"a", 1, "aLW11"}, Case{"ab", 2, "abLW12"}, Case{"x.y", 1, "xLW11.y"},
                          Case{"a.jpeg", 0, "aLW10.jpeg"}, Case{"a.b.bmp", 3, "a.bLW13.bmp"},
                          Case{"dir.d/name", 3, "dir.d/nameLW13"}, Case{"dir/.hidden", 0, "dir/.hiddenLW10"},
                          Case{"", 0, "LW10"}})
        EXPECT_EQ(app::ExportFileName(c.Base, c.Index), c.Name) << c.Base;
}

// Frames 1 and 3 as JPEG files at the track bar's lowest position: "x.jpg" gives xLW11.jpg and xLW13.jpg,
// written at quality 1; the dialog offered the JPEG filter and extension, and has the main window's back.
TEST_F(Exporter, SelectedFramesBecomeJpegFilesAtTheChosenQuality) {
    FScreen.AnswerFiles({Path("x.jpg")});
    Run({1, 3}, [this](TfrmExporter* form) {
        EXPECT_TRUE(form->pnlGIF->GetVisible());
        EXPECT_EQ(form->cbGIFColors->GetItemIndex(), 0);
        EXPECT_EQ(form->lbExport->GetSelCount(), 2);
        Click(form->optJpeg);
        form->trackbar->SetPosition(4);
        Click(form->btnOk);
    });
    const win::FileDialogRequest& request = FScreen.FileDialogRequests().back();
    ASSERT_EQ(request.Filters.size(), 1u);
    EXPECT_EQ(request.Filters[0].Patterns, "*.jpg");
    EXPECT_EQ(request.DefaultExt, "jpg");
    EXPECT_EQ(request.FileName, "");
    EXPECT_TRUE(Exists("xLW11.jpg"));
    EXPECT_TRUE(Exists("xLW13.jpg"));
    EXPECT_FALSE(Exists("xLW10.jpg") || Exists("xLW12.jpg") || Exists("x.jpg"));
    // Quality 1 in a baseline file: every entry 255.
    EXPECT_EQ(FirstTableEntry(ReadFile(Path("xLW11.jpg"))), 255);
    vcl::TJPEGImage green;
    green.LoadFromFile(Path("xLW11.jpg"));
    EXPECT_EQ(green.GetWidth(), 16);
    EXPECT_EQ(green.GetHeight(), 8);
    EXPECT_EQ(FDialog->GetFilter(), "GIF Images|*.gif");
    EXPECT_EQ(FDialog->GetDefaultExt(), "gif");
    EXPECT_TRUE(FBoxes.empty());
}

// A name typed without an extension gets the format's ("a" gives aLW11.bmp); monochrome bitmaps have one bit.
TEST_F(Exporter, BitmapsTakeTheirExtensionAndMonochrome) {
    FScreen.AnswerFiles({Path("a")});
    Run({1}, [this](TfrmExporter* form) {
        Click(form->optBitmap);
        Then([this, form] {
            EXPECT_TRUE(form->pnlBitmap->GetVisible());
            EXPECT_FALSE(form->pnlGIF->GetVisible());
            EXPECT_FALSE(form->pnlJPEG->GetVisible());
            Click(form->chkBMono);
            Click(form->btnOk);
        });
    });
    EXPECT_EQ(FScreen.FileDialogRequests().back().DefaultExt, "bmp");
    ASSERT_TRUE(Exists("aLW11.bmp"));
    vcl::TBitmap written;
    written.LoadFromFile(Path("aLW11.bmp"));
    EXPECT_EQ(written.GetPixelFormat(), vcl::pf1bit);
    EXPECT_EQ(written.GetWidth(), 16);
}

// "x.y" keeps its extension; the palette options set the reduction of the GIF files (black and white here).
TEST_F(Exporter, GifFilesWithTheChosenPalette) {
    FScreen.AnswerFiles({Path("x.y")});
    Run({0, 2}, [this](TfrmExporter* form) {
        Click(form->optGIFMonochrome);
        Then([this, form] {
            EXPECT_EQ(form->GetPaletteTag(), 2);
            Click(form->btnOk);
        });
    });
    for (const char* name : {"xLW10.y", "xLW12.y"}) {
        ASSERT_TRUE(Exists(name)) << name;
        gif::TGifDocument read;
        read.LoadFromFile(Path(name));
        ASSERT_EQ(read.FrameCount(), 1);
        EXPECT_EQ(read.GetWidth(), 16);
        gif::TGifColorMap* map = read.Frame(0)->GetLocalColorMap()->GetEntryCount() > 0
                                     ? static_cast<gif::TGifColorMap*>(read.Frame(0)->GetLocalColorMap())
                                     : read.GlobalColorMap();
        for (int32_t i = 0; i < map->GetEntryCount(); ++i) {
            const gif::TGifColor c = map->EntryColor(i);
            EXPECT_TRUE(c == 0 || c == 0xFFFFFF) << name << " colour " << i << " " << std::hex << c;
        }
    }
}

// OK with nothing selected closes without asking for a file; cancelling the file dialog keeps the export
// dialog open, and its Cancel button closes it.
TEST_F(Exporter, NothingSelectedOrCancelledWritesNothing) {
    Run({}, [this](TfrmExporter* form) { Click(form->btnOk); });
    EXPECT_TRUE(FScreen.FileDialogRequests().empty());

    FScreen.CancelFileDialog();
    Run({0}, [this](TfrmExporter* form) {
        Click(form->btnOk);
        Then([this] {
            TfrmExporter* still = Find();
            ASSERT_NE(still, nullptr);
            EXPECT_TRUE(still->GetVisible());
            Click(still->btnCancel);
        });
    });
    EXPECT_EQ(FScreen.FileDialogRequests().size(), 1u);
    for (const auto& entry : std::filesystem::directory_iterator(FDir))
        EXPECT_EQ(entry.path().filename().string().find("LW1"), std::string::npos) << entry.path();
}

// A file that cannot be written (a folder stands where it would go) gives one message; the other files are
// written, and what stood there stays. A folder that does not exist fails every file, with one message.
TEST_F(Exporter, FailuresGiveOneMessageAndTheOtherFilesAreWritten) {
    std::filesystem::create_directory(Path("xLW12.gif"));
    FScreen.AnswerFiles({Path("x.gif")});
    Run({0, 1, 2, 3}, [this](TfrmExporter* form) {
        Click(form->btnOk);
        AnswerBox();
    });
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "An error occurred exporting one or more images.");
    EXPECT_TRUE(Exists("xLW10.gif") && Exists("xLW11.gif") && Exists("xLW13.gif"));
    EXPECT_TRUE(std::filesystem::is_directory(Path("xLW12.gif")));

    FBoxes.clear();
    FScreen.AnswerFiles({Path("missing/x.gif")});
    Run({0, 1}, [this](TfrmExporter* form) {
        Click(form->btnOk);
        AnswerBox();
    });
    EXPECT_EQ(FBoxes.size(), 1u);
    EXPECT_FALSE(Exists("missing"));
}

// A clicked item shows its frame in the preview, centred in the scroll box when it fits, else at the
// box's margin of 10 pixels.
TEST_F(Exporter, PreviewShowsTheClickedFrameCentredOrAtTheMargin) {
    giftest::AddFrame(*FDocument, 400, 300, giftest::Bytes(400 * 300, 2));
    Run({}, [this](TfrmExporter* form) {
        const vcl::TRect item = form->lbExport->ItemRect(2);
        FScreen.InjectClick(form->lbExport->ClientToScreen({(item.Left + item.Right) / 2, (item.Top + item.Bottom) / 2}));
        Then([this, form] {
            const int32_t width = form->sbPreview->GetClientWidth(), height = form->sbPreview->GetClientHeight();
            EXPECT_EQ(form->imgPreview->GetPicture()->GetWidth(), 16);
            EXPECT_EQ(form->imgPreview->GetBoundsRect(),
                      (vcl::TRect{(width - 16) / 2, (height - 8) / 2, (width - 16) / 2 + 16, (height - 8) / 2 + 8}));
            const vcl::TRect big = form->lbExport->ItemRect(4);
            FScreen.InjectClick(form->lbExport->ClientToScreen({(big.Left + big.Right) / 2, (big.Top + big.Bottom) / 2}));
            Then([this, form] {
                EXPECT_EQ(form->imgPreview->GetPicture()->GetWidth(), 400);
                EXPECT_EQ(form->imgPreview->GetBoundsRect(), (vcl::TRect{10, 10, 410, 310}));
                Click(form->btnCancel);
            });
        });
    });
    EXPECT_TRUE(FScreen.FileDialogRequests().empty());
}
