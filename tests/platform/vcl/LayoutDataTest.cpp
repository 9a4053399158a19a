// Pictures, glyphs and action lists stored in layouts: the "Data" of graphics and pictures written and read
// back, damaged data refused with EReadError, actions joining their list, and graphics telling listeners
// that they are going away.
#include "VclControlsSupport.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormResources.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclGraphicsClasses.h"

#include <cstdio>
#include <vector>

using namespace vcl;
using vcltest::VclControlsTest;

namespace vcltest {
void RegisterTestForms();
}

namespace {

class TLayoutDataActionsForm : public TForm {
public:
    explicit TLayoutDataActionsForm(TComponent* owner, bool read = true) : TForm(owner) {
        if (read)
            InitInheritedComponent(typeid(TLayoutDataActionsForm));
    }
    TActionList* alMain = nullptr;
    TAction* actOpen = nullptr;
    TAction* actSave = nullptr;
    TButton* btnOpen = nullptr;
    int Opened = 0;
    int Saved = 0;
    void actOpenExecute(TObject*) { ++Opened; }
    void actSaveExecute(TObject*) { ++Saved; }
};

// A bare form for pictures and glyphs built in code.
class TLayoutDataPictureForm : public TForm {
public:
    explicit TLayoutDataPictureForm(TComponent* owner) : TForm(owner) {}
};

void LdRegister() {
    RegisterVclGraphicsClasses();
    vcltest::RegisterTestForms();
    RegisterClass<TLayoutDataActionsForm>("TLayoutDataActionsForm");
    RegisterClass<TLayoutDataPictureForm>("TLayoutDataPictureForm");
    DefineClassProperties<TLayoutDataActionsForm, TForm>();
    DefineClassProperties<TLayoutDataPictureForm, TForm>();
    DefineFormClass<TLayoutDataActionsForm>()
        .Field("alMain", &TLayoutDataActionsForm::alMain)
        .Field("actOpen", &TLayoutDataActionsForm::actOpen)
        .Field("actSave", &TLayoutDataActionsForm::actSave)
        .Field("btnOpen", &TLayoutDataActionsForm::btnOpen)
        .Method("actOpenExecute", &TLayoutDataActionsForm::actOpenExecute)
        .Method("actSaveExecute", &TLayoutDataActionsForm::actSaveExecute);
}

std::string LdWriteText(TComponent* root) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(root);
    return ObjectBinaryToText(
        std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize())));
}

void LdReadText(TComponent* root, const std::string& text) {
    const std::string binary = ObjectTextToBinary(text);
    TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
    TReader reader(&stream);
    reader.ReadRootComponent(root);
}

std::string LdHex(const std::vector<uint8_t>& bytes) {
    std::string s;
    char buf[3];
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % 32 == 0)
            s += "\n      "; // the writer's lines of 32 bytes
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

void LdPut(std::vector<uint8_t>& v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i)
        v.push_back(uint8_t(x >> (8 * i)));
}

// A 24-bit BMP file of 2 x 1 pixels: blue on the left, red on the right.
std::vector<uint8_t> LdTinyBmp() {
    std::vector<uint8_t> v = {'B', 'M'};
    LdPut(v, 62, 4);
    LdPut(v, 0, 4);
    LdPut(v, 54, 4);
    LdPut(v, 40, 4);
    LdPut(v, 2, 4);
    LdPut(v, 1, 4);
    LdPut(v, 1, 2);
    LdPut(v, 24, 2);
    LdPut(v, 0, 4); // no compression
    LdPut(v, 8, 4); // the size of the pixels
    for (int i = 0; i < 4; ++i)
        LdPut(v, 0, 4);
    for (uint8_t b : {0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00}) // BGR BGR, padded to 8
        v.push_back(b);
    return v;
}

// An ICO stream with one 1 x 1 32-bit image.
std::vector<uint8_t> LdTinyIco() {
    std::vector<uint8_t> v;
    LdPut(v, 0, 2);
    LdPut(v, 1, 2);
    LdPut(v, 1, 2);
    v.insert(v.end(), {1, 1, 0, 0});
    LdPut(v, 1, 2);
    LdPut(v, 32, 2);
    LdPut(v, 48, 4); // header + pixel + mask row
    LdPut(v, 22, 4);
    LdPut(v, 40, 4);
    LdPut(v, 1, 4);
    LdPut(v, 2, 4); // colour and mask rows
    LdPut(v, 1, 2);
    LdPut(v, 32, 2);
    for (int i = 0; i < 6; ++i)
        LdPut(v, 0, 4);
    LdPut(v, 0xFF00FF00, 4); // opaque green
    LdPut(v, 0, 4);          // mask row
    return v;
}

// The "Data" of a picture holding a graphic of that class name.
std::vector<uint8_t> LdPictureData(const std::string& className, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> v = {uint8_t(className.size())};
    v.insert(v.end(), className.begin(), className.end());
    v.insert(v.end(), data.begin(), data.end());
    return v;
}

std::vector<uint8_t> LdBitmapData(const std::vector<uint8_t>& bmp) {
    std::vector<uint8_t> v;
    LdPut(v, uint32_t(bmp.size()), 4);
    v.insert(v.end(), bmp.begin(), bmp.end());
    return v;
}

std::string LdImageLayout(const std::string& property, const std::vector<uint8_t>& data,
                          const std::string& className = "TImage") {
    return "object F: TLayoutDataPictureForm\n  object img: " + className + "\n    " + property +
           " = {\n      " + LdHex(data) + "}\n  end\nend\n";
}

uint32_t LdPixel(TBitmap* b, int x) {
    const auto* row = static_cast<const uint8_t*>(b->ScanLine(0));
    const int bpp = b->GetDibFormat().BitCount / 8;
    return uint32_t(row[x * bpp]) | uint32_t(row[x * bpp + 1]) << 8 | uint32_t(row[x * bpp + 2]) << 16;
}

// ---- Pictures and glyphs ------------------------------------------------------------------------------

TEST_F(VclControlsTest, APictureReadsItsClassNameThenTheBitmapSizeAndFile) {
    LdRegister();
    auto* form = new TLayoutDataPictureForm(nullptr);
    LdReadText(form, LdImageLayout("Picture.Data", LdPictureData("TBitmap", LdBitmapData(LdTinyBmp()))));
    auto* img = dynamic_cast<TImage*>(form->FindComponent("img"));
    ASSERT_NE(img, nullptr);
    auto* bitmap = dynamic_cast<TBitmap*>(img->GetPicture()->GetGraphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), 2);
    EXPECT_EQ(bitmap->GetHeight(), 1);
    EXPECT_EQ(LdPixel(bitmap, 0), 0x0000FFu); // blue, as BGR bytes read back
    EXPECT_EQ(LdPixel(bitmap, 1), 0xFF0000u);

    // Written back: the same class name, size and BMP bytes.
    const std::string text = LdWriteText(form);
    EXPECT_NE(text.find("Picture.Data = {"), std::string::npos) << text;
    EXPECT_EQ(text, LdImageLayout("Picture.Data", LdPictureData("TBitmap", LdBitmapData(LdTinyBmp()))));
    form->Free();
}

TEST_F(VclControlsTest, PicturesAndGlyphsMadeInCodeReadBackFromTheWrittenLayout) {
    LdRegister();
    auto* form = new TLayoutDataPictureForm(nullptr);
    form->SetName("F");
    auto* img = new TImage(form);
    img->SetName("img");
    img->SetParent(form);
    auto* icoImg = new TImage(form);
    icoImg->SetName("ico");
    icoImg->SetParent(form);
    auto* empty = new TImage(form);
    empty->SetName("empty");
    empty->SetParent(form);
    auto* btn = new TBitBtn(form);
    btn->SetName("btn");
    btn->SetParent(form);

    TBitmap* bmp = img->GetPicture()->GetBitmap();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(3, 2);
    bmp->GetCanvas()->SetPixel(2, 1, clRed);
    TBitmap glyph;
    glyph.SetPixelFormat(pf24bit);
    glyph.SetSize(4, 4);
    glyph.GetCanvas()->SetPixel(0, 0, clLime);
    btn->SetGlyph(&glyph);
    const std::vector<uint8_t> ico = LdTinyIco();
    TReadOnlyMemoryStream icoStream(ico.data(), int64_t(ico.size()));
    TIcon icon;
    icon.LoadFromStream(&icoStream);
    icoImg->GetPicture()->SetGraphic(&icon);

    const std::string text = LdWriteText(form);
    EXPECT_NE(text.find("Glyph.Data = {"), std::string::npos) << text;
    EXPECT_NE(text.find("object empty: TImage\n  end"), std::string::npos)
        << "an empty picture stores nothing";

    auto* copy = new TLayoutDataPictureForm(nullptr);
    LdReadText(copy, text);
    auto* img2 = dynamic_cast<TImage*>(copy->FindComponent("img"));
    auto* ico2 = dynamic_cast<TImage*>(copy->FindComponent("ico"));
    auto* empty2 = dynamic_cast<TImage*>(copy->FindComponent("empty"));
    auto* btn2 = dynamic_cast<TBitBtn*>(copy->FindComponent("btn"));
    ASSERT_TRUE(img2 && ico2 && empty2 && btn2);
    EXPECT_TRUE(img2->GetPicture()->GetGraphic()->Equals(bmp));
    EXPECT_EQ(img2->GetPicture()->GetBitmap()->GetCanvas()->GetPixel(2, 1), clRed);
    auto* icon2 = dynamic_cast<TIcon*>(ico2->GetPicture()->GetGraphic());
    ASSERT_NE(icon2, nullptr);
    EXPECT_EQ(icon2->GetWidth(), 1);
    EXPECT_EQ(empty2->GetPicture()->GetGraphic(), nullptr);
    EXPECT_TRUE(btn2->GetGlyph()->Equals(&glyph));
    EXPECT_EQ(LdWriteText(copy), text);
    copy->Free();
    form->Free();
}

TEST_F(VclControlsTest, DamagedPictureDataRaisesReadError) {
    LdRegister();
    const std::vector<uint8_t> bmp = LdTinyBmp();
    std::vector<uint8_t> badBmp = bmp;
    badBmp[28] = 7; // 7 bits per pixel
    std::vector<uint8_t> tooLong = LdBitmapData(bmp);
    tooLong[0] += 1; // says one byte more than there is
    std::vector<uint8_t> hugeSize = {0xFF, 0xFF, 0xFF, 0xFF};
    const struct {
        const char* Name;
        std::string Property;
        std::vector<uint8_t> Data;
        std::string Class = "TImage";
    } cases[] = {
        {"unknown class", "Picture.Data", LdPictureData("TNoSuchGraphic", LdBitmapData(bmp))},
        {"a class that is no graphic", "Picture.Data", LdPictureData("TButton", LdBitmapData(bmp))},
        {"name longer than the data", "Picture.Data", {40, 'T', 'B'}},
        {"bitmap without its size", "Picture.Data", LdPictureData("TBitmap", {1, 0})},
        {"size beyond the data", "Picture.Data", LdPictureData("TBitmap", tooLong)},
        {"size of 4 GB", "Picture.Data", LdPictureData("TBitmap", hugeSize)},
        {"damaged BMP", "Picture.Data", LdPictureData("TBitmap", LdBitmapData(badBmp))},
        {"truncated BMP", "Picture.Data",
         LdPictureData("TBitmap", LdBitmapData(std::vector<uint8_t>(bmp.begin(), bmp.begin() + 30)))},
        {"damaged icon", "Picture.Data", LdPictureData("TIcon", {0, 0, 1, 0, 9, 0})},
        {"glyph with damaged BMP", "Glyph.Data", LdBitmapData(badBmp), "TBitBtn"},
        {"glyph size beyond the data", "Glyph.Data", tooLong, "TBitBtn"},
    };
    for (const auto& c : cases) {
        auto* form = new TLayoutDataPictureForm(nullptr);
        EXPECT_THROW(LdReadText(form, LdImageLayout(c.Property, c.Data, c.Class)), EReadError) << c.Name;
        form->Free();
    }
}

// ---- Destroy listeners ---------------------------------------------------------------------------------

TEST(LayoutData, GraphicsTellTheirDestroyListenersOnce) {
    for (bool viaFree : {true, false}) {
        auto* bitmap = new TBitmap();
        bitmap->SetSize(3, 2);
        std::vector<std::string> calls;
        uint32_t second = 0, third = 0;
        bitmap->AddDestroyListener([&](TGraphic* g) {
            EXPECT_EQ(g, bitmap);
            if (viaFree)
                calls.push_back("first " + std::to_string(g->GetWidth())); // still whole
            else
                calls.push_back("first");
            g->RemoveDestroyListener(third); // one removed by another while they are told
        });
        second = bitmap->AddDestroyListener([&](TGraphic* g) {
            calls.push_back("second");
            g->RemoveDestroyListener(second); // and one removing itself
            throw std::runtime_error("listeners cannot stop the others");
        });
        third = bitmap->AddDestroyListener([&](TGraphic*) { calls.push_back("third"); });
        const uint32_t fourth = bitmap->AddDestroyListener([&](TGraphic*) { calls.push_back("fourth"); });
        bitmap->AddDestroyListener([&](TGraphic*) { calls.push_back("fifth"); });
        bitmap->RemoveDestroyListener(fourth);
        bitmap->RemoveDestroyListener(12345); // unknown tokens are ignored
        EXPECT_NE(second, third);
        if (viaFree)
            bitmap->Free();
        else
            delete bitmap;
        EXPECT_EQ(calls, (std::vector<std::string>{viaFree ? "first 3" : "first", "second", "fifth"}));
    }
}

TEST(LayoutData, APictureFreesAReplacedGraphicWhole) {
    TPicture picture;
    TBitmap* bitmap = picture.GetBitmap();
    bitmap->SetSize(7, 1);
    int width = -1;
    bitmap->AddDestroyListener([&](TGraphic* g) { width = g->GetWidth(); });
    picture.GetIcon(); // replaces the bitmap
    EXPECT_EQ(width, 7);
}

// ---- Actions --------------------------------------------------------------------------------------------

TEST_F(VclControlsTest, ActionsInALayoutJoinTheirListAndDriveTheirControls) {
    LdRegister();
    auto* form = new TLayoutDataActionsForm(nullptr);
    ASSERT_TRUE(form->alMain && form->actOpen && form->actSave && form->btnOpen);
    EXPECT_EQ(form->alMain->GetActionCount(), 2);
    EXPECT_EQ(form->alMain->GetAction(0), form->actOpen);
    EXPECT_EQ(form->alMain->GetAction(1), form->actSave);
    EXPECT_EQ(form->actSave->GetIndex(), 1);
    EXPECT_EQ(form->actOpen->GetActionList(), form->alMain);
    EXPECT_EQ(form->actOpen->GetOwner(), form);
    EXPECT_EQ(form->actOpen->GetCategory(), "File");
    EXPECT_EQ(form->actOpen->GetParentComponent(), form->alMain);
    EXPECT_EQ(form->btnOpen->GetCaption(), "&Open");
    EXPECT_EQ(LdWriteText(form), std::string(FindFormResource("TLayoutDataActionsForm")));

    form->Show();
    Pump();
    Click(form->btnOpen, 10, 10);
    EXPECT_EQ(form->Opened, 1);
    EXPECT_TRUE(form->IsShortCut('S', TShiftState{ssCtrl}));
    EXPECT_EQ(form->Saved, 1);

    // Reordering is kept; an action freed leaves its list, and a list freed leaves its actions alone.
    form->actSave->SetIndex(0);
    EXPECT_LT(LdWriteText(form).find("actSave"), LdWriteText(form).find("actOpen"));
    form->actSave->Free();
    form->actSave = nullptr;
    EXPECT_EQ(form->alMain->GetActionCount(), 1);
    form->alMain->Free();
    form->alMain = nullptr;
    EXPECT_EQ(form->actOpen->GetActionList(), nullptr);
    EXPECT_FALSE(form->actOpen->HasParent());
    form->Free();
}

TEST(LayoutData, AnActionMadeWithItsListAsOwnerJoinsIt) {
    TActionList list(nullptr);
    auto* a = new TAction(&list);
    auto* b = new TAction(&list);
    EXPECT_EQ(list.GetActionCount(), 2);
    EXPECT_EQ(list.GetAction(2), nullptr);
    EXPECT_EQ(list.GetAction(-1), nullptr);
    b->SetIndex(-5);
    EXPECT_EQ(list.GetAction(0), b);
    a->SetIndex(99);
    EXPECT_EQ(list.GetAction(1), a);
}

} // namespace
