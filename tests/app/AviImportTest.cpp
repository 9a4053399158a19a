// The AVI import, command 107, on AVI files written here: the new document's frames, delays, loop block,
// table and comment; the size limit; Cancel; the chosen file read as it is named; the offer to save first;
// no temporary file left; every failure the video-file service can cause shown with its step's message.
// And the routines under it: the frame delay and the BMP file made of a decoded frame.
#include "EditorTestUtil.h"
#include "ExportTestUtil.h"

#include "app/AviImport.h"
#include "app/ProgressForm.h"
#include "gif/GifExtensions.h"
#include "gif/GifFrame.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/gdi/Gdi.h"
#include "tests/platform/win/media/AviWriter.h"

#include <cstring>
#include <filesystem>

using apptest::EditorTest;
using avitest::AviSpec;

namespace {

// Web-safe colours (each channel a multiple of 0x33) survive the reduction to the web palette unchanged.
uint32_t WebColour(int x, int y, int f) {
    return uint32_t(((x / 4 + f) % 6) * 0x33) << 16 | uint32_t(((y / 4) % 6) * 0x33) << 8 | uint32_t((f % 6) * 0x33);
}

AviSpec WebVideo(int frames, int64_t fileSize = 0) {
    AviSpec spec;
    spec.Width = 12;
    spec.Height = 8;
    spec.FileSize = fileSize;
    for (int f = 0; f < frames; ++f)
        spec.Frames.push_back(avitest::MakeFrame(12, 8, 24, [f](int x, int y) { return WebColour(x, y, f); }));
    return spec;
}

template <typename T> std::vector<T*> Extensions(gif::TGifFrame* frame) {
    std::vector<T*> found;
    gif::TGifExtensionList* list = frame->GetExtensionList();
    for (int32_t i = 0; i < list->ItemCount(); ++i)
        if (auto* e = dynamic_cast<T*>(list->ExtensionAt(i)))
            found.push_back(e);
    return found;
}

class AviImport : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        if (const char* old = std::getenv("TMPDIR"))
            FOldTemp = old;
        std::filesystem::create_directories(FDir / "tmp");
        ::setenv("TMPDIR", (FDir / "tmp").c_str(), 1);
    }
    void TearDown() override {
        app::SetAviImportFrameHook(nullptr);
        if (FOldTemp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", FOldTemp.c_str(), 1);
        EditorTest::TearDown();
    }
    std::string WriteAvi(const std::string& name, const AviSpec& spec) {
        WriteFile(name, avitest::WriteAvi(spec));
        return Path(name);
    }
    // The files left in the temporary folder.
    std::vector<std::string> TempFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(FDir / "tmp"))
            names.push_back(entry.path().filename().string());
        return names;
    }
    std::string Title() const { return Form->GetCaption(); }

    std::string FOldTemp;
};

TEST_F(AviImport, VideoBecomesAnUntitledModifiedAnimation) {
    FScreen.AnswerFiles({WriteAvi("clip.avi", WebVideo(5))});
    Form->DispatchCommand(107);

    ASSERT_EQ(FScreen.FileDialogRequests().size(), 1u);
    EXPECT_EQ(Form->dlgOpenAVI->GetFilter(), "AVI Animations (*.avi)|*.avi");
    gif::TGifDocument* doc = Form->Document;
    ASSERT_EQ(doc->FrameCount(), 5);
    EXPECT_TRUE(Form->FileName.empty());
    EXPECT_TRUE(Form->Modified);
    EXPECT_EQ(Title(), std::string(app::EditorTitle) + " - [UNTITLED]");
    ExpectRowsAreFrames();
    // The rows name the video, not the temporary file the frames were opened from.
    for (int32_t i = 0; i < Rows(); ++i)
        EXPECT_EQ(Row(i)->GetCaption(), "Frame " + std::to_string(i + 1) + " - clip.avi");
    EXPECT_TRUE(Form->GetEnabled());
    EXPECT_EQ(exporttest::FindForm<app::TfrmProgress>(), nullptr);

    // One endless loop block and an empty comment, both on frame 0; a delay of 7 on every frame (15 frames a
    // second); one global table and no local ones.
    for (int32_t i = 0; i < doc->FrameCount(); ++i) {
        gif::TGifFrame* frame = doc->Frame(i);
        auto loops = Extensions<gif::TGifLoopExtension>(frame);
        auto comments = Extensions<gif::TGifCommentExtension>(frame);
        auto controls = Extensions<gif::TGifGraphicControlExtension>(frame);
        ASSERT_EQ(loops.size(), i == 0 ? 1u : 0u) << i;
        ASSERT_EQ(comments.size(), i == 0 ? 1u : 0u) << i;
        ASSERT_EQ(controls.size(), 1u) << i;
        EXPECT_EQ(controls[0]->GetDelayTime(), 7) << i;
        EXPECT_EQ(frame->GetLocalColorMap()->GetEntryCount(), 0) << i;
        if (i == 0) {
            EXPECT_EQ(loops[0]->GetLoopCount(), 0);
            EXPECT_EQ(comments[0]->Lines().Count(), 0);
        }
    }
    ASSERT_GT(doc->GlobalColorMap()->GetEntryCount(), 0);
    // The pixels: web-safe colours come through unchanged.
    for (int32_t f : {0, 4}) {
        gif::TGifFrame* frame = doc->Frame(f);
        ASSERT_EQ(frame->FrameRect().Width(), 12);
        ASSERT_EQ(frame->FrameRect().Height(), 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 12; ++x) {
                uint32_t rgb = WebColour(x, y, f);
                gif::TGifColor want = gif::TGifColor((rgb >> 16) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
                ASSERT_EQ(doc->GlobalColorMap()->EntryColor(frame->GetPixels()[y * 12 + x]), want)
                    << "frame " << f << " at " << x << "," << y;
            }
    }
    EXPECT_TRUE(TempFiles().empty()) << "the temporary GIF is deleted once opened";
}

TEST_F(AviImport, FilesOf500000BytesOrMoreAreRefused) {
    std::string large = WriteAvi("large.avi", WebVideo(5, 500000));
    std::string small = WriteAvi("small.avi", WebVideo(5, 499999));
    ASSERT_EQ(std::filesystem::file_size(large), 500000u);
    ASSERT_EQ(std::filesystem::file_size(small), 499999u);
    AnswerBox();
    EXPECT_FALSE(Form->ImportAviDocument(large));
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "AVI File Import is limited to files that are less than 500KB.");
    EXPECT_EQ(Form->Document->FrameCount(), 0);
    EXPECT_TRUE(Form->ImportAviDocument(small));
    EXPECT_EQ(Form->Document->FrameCount(), 5);
}

TEST_F(AviImport, CancelLeavesTheDocumentAsItWas) {
    FScreen.AnswerFiles({WriteGif("anim.gif", apptest::ThreeFrames())});
    Form->DispatchCommand(102);
    ASSERT_EQ(Rows(), 3);
    const std::string title = Title();
    // Cancel is pressed once two frames are made; the press is seen at the next frame's message run.
    app::SetAviImportFrameHook([this](int32_t index) {
        if (index != 1)
            return;
        auto* progress = exporttest::FindForm<app::TfrmProgress>();
        ASSERT_NE(progress, nullptr);
        EXPECT_FALSE(Form->GetEnabled()) << "the main window waits while the import runs";
        // No title bar, centred on the screen, the step being done.
        EXPECT_EQ(win::GetWindowLong(progress->GetHandle(), win::GWL_STYLE) & win::WS_DLGFRAME, 0);
        EXPECT_EQ(progress->GetLeft(), (1280 - progress->GetWidth()) / 2);
        EXPECT_EQ(progress->GetTop(), (1024 - progress->GetHeight()) / 2);
        EXPECT_EQ(progress->lblFileName->GetCaption(), "Creating GIF frame 1...");
        EXPECT_EQ(progress->prgBar->GetMax(), 4);
        EXPECT_EQ(progress->prgBar->GetPosition(), 2);
        exporttest::ClickControl(FScreen, progress->btnCancel);
    });
    AnswerBox();
    EXPECT_FALSE(Form->ImportAviDocument(WriteAvi("clip.avi", WebVideo(5))));
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "AVI import was cancelled by the user.");
    EXPECT_EQ(Form->Document->FrameCount(), 3);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Title(), title);
    EXPECT_FALSE(Form->Modified);
    EXPECT_TRUE(Form->GetEnabled());
    EXPECT_EQ(exporttest::FindForm<app::TfrmProgress>(), nullptr);
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(AviImport, TheChosenFileIsReadAsItIsNamed) {
    // An AVI file named .mpg, and beside it a .avi of that name that is no video at all.
    std::string chosen = WriteAvi("clip.mpg", WebVideo(5));
    WriteFile("clip.avi", {'n', 'o', 't', ' ', 'a', 'v', 'i'});
    EXPECT_TRUE(Form->ImportAviDocument(chosen));
    EXPECT_EQ(Form->Document->FrameCount(), 5);
}

TEST_F(AviImport, AModifiedDocumentIsOfferedForSavingFirst) {
    FScreen.AnswerFiles({WriteGif("anim.gif", apptest::ThreeFrames())});
    Form->DispatchCommand(102);
    Form->Modified = true;
    AnswerWith("Cancel");
    Form->DispatchCommand(107);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Text, "Would you like to save the changes to anim.gif ?");
    EXPECT_EQ(FScreen.FileDialogRequests().size(), 1u) << "no file was asked for after Cancel";
    EXPECT_EQ(Form->Document->FrameCount(), 3);

    AnswerWith("No");
    FScreen.AnswerFiles({WriteAvi("clip.avi", WebVideo(2))});
    Form->DispatchCommand(107);
    EXPECT_EQ(Form->Document->FrameCount(), 2);
}

TEST_F(AviImport, EachFailureTheVideoServiceCausesNamesItsStep) {
    using Make = AviSpec (*)();
    struct Case {
        const char* Message;
        Make Spec;
        bool NotRiff = false;
    };
    const Case cases[] = {
        {"Failed to open AVI file", [] { return WebVideo(2); }, true},
        {"Failed to open AVI stream", [] {
             AviSpec s = WebVideo(2);
             s.StreamType = "auds";
             return s;
         }},
        {"Failed to get AVI stream format size", [] {
             AviSpec s;
             s.Width = 4;
             s.Height = 2;
             s.BitCount = 8;
             s.Palette = {0xFF0000, 0x00FF00};
             s.ClrUsed = 5000;
             s.Frames = {std::vector<uint8_t>(8, 1)};
             return s;
         }},
        {"Failed to start AVI stream", [] {
             AviSpec s = WebVideo(0);
             s.Length = 2;
             return s;
         }},
        {"Failed to start AVI decompression", [] {
             AviSpec s = WebVideo(2);
             s.Compression = avitest::FourCC("QQZZ");
             return s;
         }},
        {"Failed to decompress AVI frame", [] {
             AviSpec s = WebVideo(3);
             s.Frames[2].resize(10);
             return s;
         }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = avitest::WriteAvi(c.Spec());
        if (c.NotRiff)
            bytes[0] = 'X';
        WriteFile("bad.avi", bytes);
        std::string message;
        try {
            Form->ImportAviDocument(Path("bad.avi"));
        } catch (const vcl::Exception& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, c.Message);
        EXPECT_EQ(Form->Document->FrameCount(), 0) << c.Message;
        EXPECT_TRUE(Form->GetEnabled()) << c.Message;
        EXPECT_EQ(exporttest::FindForm<app::TfrmProgress>(), nullptr) << c.Message;
        EXPECT_EQ(Form->StatusBar->GetPanels()->GetItem(2)->GetText(), "") << c.Message;
    }
    EXPECT_TRUE(TempFiles().empty());
}

TEST(AviFrameDelay, HundredthsOfTheFrameTimeWithinAWord) {
    struct Case {
        uint32_t Scale, Rate;
        uint16_t Delay;
    } cases[] = {
        {1, 15, 7},  {1, 25, 4},  {1001, 30000, 3}, {1, 1, 100},  {0, 15, 0},
        {250, 0, 2}, {1, 0, 0},   {1000, 1, 65535}, {0xFFFFFFFF, 1, 65535}, {0xFFFFFFFF, 0, 65535},
    };
    for (const Case& c : cases)
        EXPECT_EQ(app::AviFrameDelay(c.Scale, c.Rate), c.Delay) << c.Scale << "/" << c.Rate;
}

// A packed DIB: header, colours (0x00RRGGBB each, from 1) and rows of bytes of value 7.
std::vector<uint8_t> Dib(int32_t width, int32_t height, uint16_t bits, uint32_t clrUsed, uint32_t sizeImage,
                         size_t tableEntries) {
    win::BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biClrUsed = clrUsed;
    h.biSizeImage = sizeImage;
    std::vector<uint8_t> dib(40 + 4 * tableEntries);
    std::memcpy(dib.data(), &h, 40);
    for (size_t i = 0; i < tableEntries; ++i) {
        uint32_t c = uint32_t(i + 1);
        std::memcpy(dib.data() + 40 + 4 * i, &c, 4);
    }
    int64_t stride = (int64_t(width) * bits + 31) / 32 * 4;
    if (width > 0 && height > 0 && width <= 64 && height <= 64)
        dib.resize(dib.size() + size_t(stride * height), 7);
    return dib;
}

// A stream format of clrUsed colours of which the buffer holds entries (0x00FF0000 + i each).
std::vector<uint8_t> Format(uint32_t clrUsed, size_t entries) {
    std::vector<uint8_t> format = Dib(4, 4, 8, clrUsed, 0, 0);
    format.resize(40);
    for (size_t i = 0; i < entries; ++i) {
        uint32_t c = 0xFF0000 + uint32_t(i);
        format.insert(format.end(), reinterpret_cast<uint8_t*>(&c), reinterpret_cast<uint8_t*>(&c) + 4);
    }
    return format;
}

TEST(AviFrameToBmp, SizesComeFromWhatTheTablesAndRowsHold) {
    struct Case {
        const char* Name;
        std::vector<uint8_t> FrameDib;
        std::vector<uint8_t> StreamFormat;
        bool Ok;
        uint32_t Offset;  // the BMP's bits offset
        size_t Copied;    // format colours written over the frame's
    };
    const Case cases[] = {
        {"8 bits, 256 colours, the format's 16", Dib(5, 3, 8, 256, 24, 256), Format(16, 16), true, 14 + 40 + 1024, 16},
        {"the format claims 5000, holds 16", Dib(5, 3, 8, 256, 24, 256), Format(5000, 16), true, 14 + 40 + 1024, 16},
        {"the format claims 300, holds 300", Dib(5, 3, 8, 256, 24, 256), Format(300, 300), true, 14 + 40 + 1024, 256},
        {"the frame holds 16 colours", Dib(5, 3, 8, 16, 24, 16), Format(256, 256), true, 14 + 40 + 64, 16},
        {"a size of 0", Dib(5, 3, 8, 0, 0, 256), Format(4, 4), true, 14 + 40 + 1024, 4},
        {"24 bits", Dib(5, 3, 24, 0, 48, 0), Format(16, 16), true, 14 + 40, 0},
        {"more colours than 8 bits hold", Dib(5, 3, 8, 300, 24, 300), Format(16, 16), false, 0, 0},
        {"65535 x 65535", Dib(65535, 65535, 24, 0, 0, 0), Format(0, 0), false, 0, 0},
        {"a depth of 7", Dib(5, 3, 7, 0, 0, 128), Format(0, 0), false, 0, 0},
        {"rows missing", Dib(5, 3, 24, 0, 20, 0), Format(0, 0), false, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bmp;
        ASSERT_EQ(app::AviFrameToBmp(c.FrameDib.data(), c.StreamFormat, bmp), c.Ok) << c.Name;
        if (!c.Ok)
            continue;
        win::BITMAPFILEHEADER file;
        std::memcpy(&file, bmp.data(), sizeof file);
        const uint16_t type = file.bfType;
        const uint32_t offset = file.bfOffBits; // copied out of the packed record
        EXPECT_EQ(type, 0x4D42) << c.Name;
        EXPECT_EQ(offset, c.Offset) << c.Name;
        win::BITMAPINFOHEADER header;
        std::memcpy(&header, bmp.data() + 14, sizeof header);
        const uint32_t rows = header.biBitCount == 8 ? 8 * 3 : 16 * 3;
        EXPECT_EQ(header.biSizeImage, rows) << c.Name;
        EXPECT_EQ(bmp.size(), c.Offset + rows) << c.Name;
        EXPECT_EQ(bmp.back(), 7) << c.Name;
        // Colours: the format's first, then the frame's own.
        const size_t held = (c.Offset - 54) / 4;
        for (size_t i = 0; i < held; ++i) {
            uint32_t colour;
            std::memcpy(&colour, bmp.data() + 54 + 4 * i, 4);
            EXPECT_EQ(colour, i < c.Copied ? 0xFF0000 + uint32_t(i) : uint32_t(i + 1)) << c.Name << " colour " << i;
        }
    }
}

} // namespace
