// The combined image component: settings that reach both of its components, Assign, the editor's road (load
// by extension, reduce to 256 colours, hand out the bitmap) and the layout of the editor's hidden instance.
#include "imaging/core/ImageKit.h"

#include "imaging/core/IKBitmap.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Streams.h"
#include "tests/imaging/core/IKViewFixture.h"

#include <unistd.h>

#include <filesystem>
#include <set>

using namespace imaging;

namespace {

class ImageKitTest : public iktest::ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        RegisterImagingClasses();
        Kit = new TImageKit(Form);
        Kit->SetParent(Form);
        Kit->SetBounds(210, 0, 100, 80);
    }
    void TearDown() override {
        for (const auto& f : Files)
            std::filesystem::remove(f);
        ViewFixture::TearDown();
    }
    // A temporary file name with the extension given.
    std::string TempName(const std::string& ext) {
        Files.push_back((std::filesystem::temp_directory_path() /
                         ("lwkit" + std::to_string(getpid()) + "_" + std::to_string(Files.size()) + ext))
                            .string());
        return Files.back();
    }
    TImageKit* Kit = nullptr;
    std::vector<std::string> Files;
};

TEST_F(ImageKitTest, BothComponentsExistAttachedFromTheStart) {
    TImageKitIO* io = Kit->GetIO();
    TImageKitProc* proc = Kit->GetProc();
    ASSERT_NE(io, nullptr);
    ASSERT_NE(proc, nullptr);
    EXPECT_EQ(io->GetAttachedImageKit(), static_cast<TIKViewLink*>(Kit));
    EXPECT_EQ(proc->GetAttachedImageKit(), Kit);
    EXPECT_EQ(Kit->ListenerCount(), 2);
    EXPECT_TRUE(Kit->GetAutoUndo());
    Kit->SetAutoUndo(false);
    EXPECT_FALSE(proc->GetAutoUndo());
    Kit->SetStreamHeaders(true);
    EXPECT_TRUE(io->GetStreamHeaders());
    Kit->SetDialogsMeasureUnit(ikduCm);
    EXPECT_EQ(io->GetDialogsMeasureUnit(), ikduCm);
    Kit->SetProcPreviewsParams({prppDefaultLockPreview});
    EXPECT_EQ(proc->GetPreviewsParams(), TPRPreviewsParams{prppDefaultLockPreview});
    Kit->SetIOPreviewsParams({ioppApplyButton});
    EXPECT_EQ(io->GetPreviewsParams(), TIOPreviewsParams{ioppApplyButton});
    EXPECT_EQ(&Kit->IOParams(), &io->GetParams());
}

TEST_F(ImageKitTest, LanguageAndFontReachBothComponents) {
    Kit->SetMsgLanguage(msGerman);
    EXPECT_EQ(Kit->GetProc()->GetMsgLanguage(), msGerman);
    EXPECT_EQ(Kit->GetIO()->GetMsgLanguage(), msGerman);
    Kit->GetIO()->SetMsgLanguage(msItalian);
    EXPECT_EQ(Kit->GetMsgLanguage(), msGerman); // read from the processing component

    vcl::TFont font;
    font.SetName("Arial");
    font.SetHeight(-13);
    Kit->SetPreviewFont(&font);
    EXPECT_EQ(Kit->GetPreviewFont(), Kit->GetIO()->GetPreviewFont());
    EXPECT_EQ(Kit->GetIO()->GetPreviewFont()->GetName(), "Arial");
    EXPECT_EQ(Kit->GetProc()->GetPreviewFont()->GetName(), "Arial");
    EXPECT_EQ(Kit->GetProc()->GetPreviewFont()->GetHeight(), -13);
    EXPECT_NE(Kit->GetPreviewFont(), &font);
}

TEST_F(ImageKitTest, AssignFromTheIOComponentOrAnotherKit) {
    LoadGradient(8, 6); // the fixture's plain view
    Kit->GetIKBitmap()->Allocate(3, 3, ikbf24Bit);
    Kit->Update();
    TImageKitIO io(nullptr);
    io.GetParams().DpiX = 300;
    io.GetParams().DpiY = 200;
    Kit->Assign(&io);
    EXPECT_EQ(Kit->IOParams().DpiX, 300);
    EXPECT_EQ(Kit->GetIKBitmap()->Width(), 3); // the image stays

    auto* other = new TImageKit(Form);
    other->GetIKBitmap()->Allocate(5, 4, ikbf24Bit);
    other->GetIKBitmap()->ScanLine(2)[3] = 99;
    other->SetBackground(0x112233);
    other->SetDpi(150, 120);
    other->IOParams().DpiX = 72;
    other->Update();
    Kit->Assign(other);
    EXPECT_EQ(Kit->IOParams().DpiX, 72);
    EXPECT_EQ(Kit->GetIKBitmap()->Width(), 5);
    EXPECT_EQ(Kit->GetIKBitmap()->ScanLine(2)[3], 99);
    EXPECT_EQ(Kit->GetBackground(), 0x112233);
    EXPECT_EQ(Kit->GetDpiX(), 150);
    EXPECT_EQ(Kit->GetDpiY(), 120);
    // The view's legacy bitmap is still its own.
    EXPECT_EQ(Kit->GetIKBitmap()->GetTBitmap(), Kit->GetBitmap());
}

TEST_F(ImageKitTest, TheEditorsRoad) {
    // A 24-bit file of many colours, written through a plain I/O component.
    TImageKitIO writer(nullptr);
    TIKBitmap* b = writer.GetIKBitmap();
    b->Allocate(64, 48, ikbf24Bit);
    for (int32_t y = 0; y < 48; ++y) {
        uint8_t* row = b->ScanLine(y);
        for (int32_t x = 0; x < 64; ++x) {
            row[3 * x] = uint8_t(x * 4);
            row[3 * x + 1] = uint8_t(y * 5);
            row[3 * x + 2] = uint8_t((x * y) & 0xFF);
        }
    }
    const std::string file = TempName(".png");
    writer.SaveToFileByExtension(file);
    ASSERT_FALSE(writer.GetAborting());

    vcl::TBitmap* bitmap = Kit->GetBitmap();
    Kit->LoadFromFileByExtension(file);
    ASSERT_FALSE(Kit->GetIO()->GetAborting());
    EXPECT_EQ(Kit->GetBitmap(), bitmap);
    Kit->ConvertTo(256, false);
    EXPECT_EQ(Kit->GetBitmap(), bitmap);
    ASSERT_EQ(bitmap->GetPixelFormat(), vcl::pf24bit);
    EXPECT_EQ(bitmap->GetWidth(), 64);
    EXPECT_EQ(bitmap->GetHeight(), 48);
    std::set<uint32_t> colours;
    for (int32_t y = 0; y < 48; ++y) {
        const auto* row = static_cast<const uint8_t*>(bitmap->ScanLine(y));
        for (int32_t x = 0; x < 64; ++x)
            colours.insert(uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16);
    }
    EXPECT_LE(colours.size(), 256u);
    EXPECT_GT(colours.size(), 64u);
    EXPECT_EQ(Kit->GetProc()->UndoCount(), 1);
    // A file that cannot be opened raises out of the load.
    EXPECT_ANY_THROW(Kit->LoadFromFileByExtension(TempName(".png")));
}

std::string KitLayoutWritten(vcl::TComponent* root) {
    vcl::TMemoryStream binary;
    vcl::TWriter writer(&binary);
    writer.WriteRootComponent(root);
    const std::string bytes(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize()));
    return vcl::ObjectBinaryToText(bytes);
}

TEST_F(ImageKitTest, TheEditorsLayoutReadsAndWritesBackUnchanged) {
    // Nine windowed controls before it, so that its tab order can be 9.
    std::string panels;
    for (int i = 0; i < 9; ++i)
        panels += "  object Panel" + std::to_string(i) + ": TPanel\n    Left = " + std::to_string(i * 10) +
                  "\n    Top = 0\n    Width = 8\n    Height = 8\n    TabOrder = " + std::to_string(i) + "\n  end\n";
    const std::string kitText = R"(  object ImageKit1: TImageKit
    Left = 364
    Top = 148
    Width = 69
    Height = 57
    Visible = False
    ParentCtl3D = False
    TabOrder = 9
    PreviewFont.Charset = DEFAULT_CHARSET
    PreviewFont.Color = clWindowText
    PreviewFont.Height = -11
    PreviewFont.Name = 'MS Sans Serif'
    PreviewFont.Style = []
  end
)";
    const std::string text = "object KitForm: TForm\n  Width = 500\n  Height = 300\n" + panels + kitText + "end\n";
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
    auto* form = new vcl::TForm(nullptr);
    vcl::TReader reader(&stream);
    reader.ReadRootComponent(form);
    auto* kit = dynamic_cast<TImageKit*>(form->FindComponent("ImageKit1"));
    ASSERT_NE(kit, nullptr);
    EXPECT_EQ(kit->GetLeft(), 364);
    EXPECT_EQ(kit->GetWidth(), 69);
    EXPECT_FALSE(kit->GetVisible());
    EXPECT_EQ(kit->GetPreviewFont()->GetHeight(), -11);
    EXPECT_EQ(kit->GetPreviewFont()->GetName(), "MS Sans Serif");
    // The font read into the I/O component reaches the processing component.
    EXPECT_EQ(kit->GetProc()->GetPreviewFont()->GetName(), "MS Sans Serif");
    EXPECT_EQ(kit->GetProc()->GetPreviewFont()->GetHeight(), -11);
    EXPECT_EQ(kit->GetIO()->GetAttachedImageKit(), static_cast<TIKViewLink*>(kit));
    EXPECT_EQ(kit->GetTabOrder(), 9);
    // Written back, the component's part of the layout is what was read.
    const std::string written = KitLayoutWritten(form);
    const size_t at = written.find("  object ImageKit1");
    ASSERT_NE(at, std::string::npos) << written;
    EXPECT_EQ(written.substr(at, written.find("\n  end\n", at) + 7 - at), kitText);
    form->Free();
}

} // namespace
