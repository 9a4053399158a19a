#include "controls/FcButton.h"
#include "controls/FcCommon.h"

#include "ControlsTestSupport.h"

#include "platform/vcl/ActnList.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/theme/RecordingThemeEngine.h"

#include <gtest/gtest.h>

using namespace controls;
using win::COLORREF;
using win::TRect;

namespace {

// The glyph button with its geometry and press state reachable.
class TProbeBitBtn : public TFcBitBtn {
public:
    using TFcBitBtn::TFcBitBtn;
    TRect CaptionRect() {
        TRect r;
        GetCaptionRect(r);
        return r;
    }
    TRect GlyphRect() {
        TRect r;
        GetGlyphRect(r);
        return r;
    }
    void SetPressedLook(bool value) { FPressedLook = value; }
};

constexpr COLORREF Red = 0x0000FF, Blue = 0xFF0000, Green = 0x00FF00, Magenta = 0xFF00FF;

// A strip of cells of one colour each, with the bottom-left pixel in the transparent colour.
void FillStrip(vcl::TBitmap* b, int cellWidth, int height, std::initializer_list<COLORREF> cells,
               COLORREF transparent) {
    b->SetSize(cellWidth * int(cells.size()), height);
    int i = 0;
    for (COLORREF c : cells) {
        b->GetCanvas()->GetBrush()->SetColor(TColor(c));
        b->GetCanvas()->FillRect({i * cellWidth, 0, (i + 1) * cellWidth, height});
        ++i;
    }
    b->GetCanvas()->SetPixel(0, height - 1, TColor(transparent));
}

class BitBtnTest : public fctest::FormTest {
protected:
    BitBtnTest() : FormTest(100, 100, 320, 200) {}
    TProbeBitBtn* AddBitBtn(int x, int y, int w = 75, int h = 25) {
        auto* b = new TProbeBitBtn(FForm);
        b->SetParent(FForm);
        b->SetBounds(x, y, w, h);
        return b;
    }
    void Pump() { vcl::Application->ProcessMessages(); }
    COLORREF Pixel(vcl::TWinControl* c, int x, int y) {
        c->Repaint();
        return FScreen.WindowPixel(c->GetHandle(), x, y);
    }
};

TEST_F(BitBtnTest, TheGlyphsShapeSetsTheNumberOfCells) {
    TProbeBitBtn* b = AddBitBtn(10, 10);
    vcl::TBitmap strip;
    struct Case {
        int width;
        int numGlyphsBefore;
        int expected;
    };
    // 100 x 16 on a fresh button stays 1; 96 x 16 (a multiple, six cells) falls back to 1; widths that are no
    // multiple of the height leave the count.
    for (Case c : {Case{48, 1, 3}, Case{100, 1, 1}, Case{96, 2, 1}, Case{100, 3, 3}, Case{20, 2, 2}, Case{20, 4, 4},
                   Case{64, 1, 4}}) {
        b->SetNumGlyphs(c.numGlyphsBefore);
        strip.SetSize(c.width, 16);
        b->SetGlyph(&strip);
        EXPECT_EQ(b->GetNumGlyphs(), c.expected) << c.width;
        EXPECT_TRUE(b->GetGlyphModified());
    }
    b->SetNumGlyphs(5);
    b->SetNumGlyphs(0);
    EXPECT_EQ(b->GetNumGlyphs(), 4);
}

TEST_F(BitBtnTest, AKindGivesTheStockButtonUntilARolePropertyChanges) {
    TProbeBitBtn* b = AddBitBtn(10, 10);
    b->SetKind(vcl::bkOK);
    EXPECT_EQ(b->GetCaption(), "OK");
    EXPECT_TRUE(b->GetDefault());
    EXPECT_FALSE(b->GetCancel());
    EXPECT_EQ(b->GetModalResult(), vcl::mrOk);
    EXPECT_EQ(b->GetNumGlyphs(), 2);
    EXPECT_EQ(b->GetGlyph()->GetWidth(), 32);
    EXPECT_EQ(b->GetGlyph()->GetHeight(), 16);
    EXPECT_FALSE(b->GetGlyphModified());
    EXPECT_EQ(b->GetKind(), vcl::bkOK);
    b->SetModalResult(vcl::mrCancel);
    EXPECT_EQ(b->GetKind(), vcl::bkCustom);

    // Every kind has its caption, role, result and a 32 x 16 strip.
    struct Kind {
        vcl::TBitBtnKind kind;
        const char* caption;
        vcl::TModalResult result;
        bool isDefault, isCancel;
    };
    for (Kind k : {Kind{vcl::bkCancel, "Cancel", 2, false, true}, Kind{vcl::bkHelp, "&Help", 0, false, false},
                   Kind{vcl::bkYes, "&Yes", 6, true, false}, Kind{vcl::bkNo, "&No", 7, false, true},
                   Kind{vcl::bkClose, "&Close", 0, false, false}, Kind{vcl::bkAbort, "Abort", 3, false, false},
                   Kind{vcl::bkRetry, "&Retry", 4, false, false}, Kind{vcl::bkIgnore, "&Ignore", 5, false, false},
                   Kind{vcl::bkAll, "&All", 8, false, false}}) {
        auto* x = AddBitBtn(100, 10);
        x->SetKind(k.kind);
        EXPECT_EQ(x->GetCaption(), k.caption);
        EXPECT_EQ(x->GetModalResult(), k.result);
        EXPECT_EQ(x->GetDefault(), k.isDefault);
        EXPECT_EQ(x->GetCancel(), k.isCancel);
        EXPECT_EQ(x->GetKind(), k.kind);
        EXPECT_EQ(x->GetGlyph()->GetWidth(), 32);
        EXPECT_EQ(x->GetGlyph()->GetHeight(), 16);
        ASSERT_EQ(StockGlyph(k.kind), StockGlyph(k.kind)); // one cached bitmap per kind
        x->Free();
    }
    // A glyph of one's own also ends the kind.
    TProbeBitBtn* c = AddBitBtn(200, 10);
    c->SetKind(vcl::bkClose);
    vcl::TBitmap own;
    own.SetSize(16, 16);
    c->SetGlyph(&own);
    EXPECT_EQ(c->GetKind(), vcl::bkCustom);
}

TEST_F(BitBtnTest, MarginBelowMinusOneIsRefusedAndMeasuresScaleWithTheForm) {
    TProbeBitBtn* b = AddBitBtn(10, 10);
    b->SetMargin(-5);
    EXPECT_EQ(b->GetMargin(), 2);
    b->SetMargin(-1);
    EXPECT_EQ(b->GetMargin(), -1);
    b->SetMargin(6);
    b->SetSpacing(5);
    FForm->ScaleBy(3, 2);
    EXPECT_EQ(b->GetMargin(), 9);
    EXPECT_EQ(b->GetSpacing(), 8); // 7.5 rounds up, as MulDiv does
    EXPECT_EQ(b->GetWidth(), 113);
    FForm->ScaleBy(1, 3);
    EXPECT_EQ(b->GetMargin(), 3);
    EXPECT_EQ(b->GetSpacing(), 3);
}

// The caption and glyph rectangles of the four layouts, with a margin and with the glyph next to the
// caption, pressed and not, written out from the formulas.
TEST_F(BitBtnTest, CaptionAndGlyphRectanglesOfTheLayouts) {
    TProbeBitBtn* b = AddBitBtn(10, 10, 90, 60);
    b->SetCaption("Glyph");
    vcl::TBitmap strip;
    FillStrip(&strip, 16, 12, {Red, Blue}, Green); // a 16 x 12 cell
    b->SetGlyph(&strip);
    b->SetNumGlyphs(2); // 32 is no multiple of 12
    b->SetSpacing(4);
    FForm->Show();
    Pump();
    // The push button's caption rectangle: the client shrunk by 5 (classic look, not down).
    const TRect base{5, 5, 85, 55};
    // The caption's height as the glyph button measures it.
    TRect m = base;
    b->GetCanvas()->SetFont(b->GetFont());
    win::DrawText(b->GetCanvas()->GetHandle(), "Glyph", -1, &m,
                  win::DT_CALCRECT | win::DT_EXPANDTABS | win::DT_WORDBREAK | win::DT_VCENTER | win::DT_CENTER);
    const int t = m.Bottom - m.Top;
    ASSERT_GT(t, 0);
    const int gw = 16, gh = 12, sp = 4;
    const int bMid = (60 - (gh + t + sp)) / 2;

    struct Case {
        vcl::TButtonLayout layout;
        int margin;
        TRect caption;
        TRect glyph; // not pressed
    };
    const int m2 = 2;
    const Case cases[] = {
        {vcl::blGlyphLeft, m2, {5 + m2 + gw + sp, 5, 85, 55}, {5 + m2, 5 + (50 - gh + 1) / 2, 5 + m2 + gw, 5 + (50 - gh + 1) / 2 + gh}},
        {vcl::blGlyphRight, m2, {5, 5, 85 - (m2 + gw + sp), 55}, {85 - m2 - gw, 5 + (50 - gh + 1) / 2, 85 - m2, 5 + (50 - gh + 1) / 2 + gh}},
        {vcl::blGlyphTop, m2, {5, 5 + m2 + gh + sp, 85, 55}, {5 + (80 - gw + 1) / 2, 5 + m2, 5 + (80 - gw + 1) / 2 + gw, 5 + m2 + gh}},
        {vcl::blGlyphBottom, m2, {5, 5, 85, 55 - (m2 + gh + sp)}, {5 + (80 - gw + 1) / 2, 55 - m2 - gh, 5 + (80 - gw + 1) / 2 + gw, 55 - m2}},
        {vcl::blGlyphLeft, -1, {5 - 1 + gw + sp, 5, 85, 55}, {5, 5 + (50 - gh + 1) / 2, 5 + gw, 5 + (50 - gh + 1) / 2 + gh}},
        {vcl::blGlyphRight, -1, {5, 5, 85 - (-1 + gw + sp), 55}, {85 - gw, 5 + (50 - gh + 1) / 2, 85, 5 + (50 - gh + 1) / 2 + gh}},
        {vcl::blGlyphTop, -1, {5, 5 + bMid + gh, 85, 5 + bMid + gh + t}, {5 + (80 - gw + 1) / 2, bMid, 5 + (80 - gw + 1) / 2 + gw, bMid + gh}},
        {vcl::blGlyphBottom, -1, {5, 5 + bMid, 85, 5 + bMid + t}, {5 + (80 - gw + 1) / 2, 5 + t + bMid, 5 + (80 - gw + 1) / 2 + gw, 5 + t + bMid + gh}},
    };
    for (const Case& c : cases) {
        b->SetLayout(c.layout);
        b->SetMargin(c.margin);
        b->SetPressedLook(false);
        EXPECT_EQ(b->CaptionRect(), c.caption) << int(c.layout) << " margin " << c.margin;
        EXPECT_EQ(b->GlyphRect(), c.glyph) << int(c.layout) << " margin " << c.margin;
        // Pressed (classic): the push button's rectangle moves 1 down-right and the glyph's start 1 up-left of
        // it, so the glyph is placed as before; then it moves 1 down-right.
        b->SetPressedLook(true);
        const TRect expected{c.glyph.Left + 1, c.glyph.Top + 1, c.glyph.Right + 1, c.glyph.Bottom + 1};
        EXPECT_EQ(b->GlyphRect(), expected) << "pressed " << int(c.layout) << " margin " << c.margin;
    }
    b->SetPressedLook(false);
}

TEST_F(BitBtnTest, ThemedPressedGlyphMovesLeftThenTwoRight) {
    auto engine = std::make_shared<win::RecordingThemeEngine>();
    engine->AddClass("button");
    win::SetThemeEngine(engine);
    TProbeBitBtn* b = AddBitBtn(10, 10, 90, 60);
    vcl::TBitmap strip;
    FillStrip(&strip, 16, 12, {Red}, Green);
    b->SetGlyph(&strip);
    FForm->Show();
    Pump();
    const TRect normal = b->GlyphRect();
    EXPECT_EQ(normal, (TRect{7, 24, 23, 36}));
    b->SetPressedLook(true);
    // One left before placing (the centred top stays), two right after.
    EXPECT_EQ(b->GlyphRect(), (TRect{8, 24, 24, 36}));
    b->SetPressedLook(false);
}

TEST_F(BitBtnTest, DisabledCellsAndTheTransparentPixel) {
    TProbeBitBtn* b = AddBitBtn(10, 10);
    vcl::TBitmap strip;
    FillStrip(&strip, 16, 16, {Red, Blue}, Green);
    // The first column of the normal cell in the colour of the pixel (0, 15): transparent (the bottom row
    // lies under the focus border).
    strip.GetCanvas()->GetBrush()->SetColor(TColor(Green));
    strip.GetCanvas()->FillRect({0, 0, 1, 16});
    b->SetGlyph(&strip);
    EXPECT_EQ(b->GetNumGlyphs(), 2);
    FForm->Show();
    Pump();
    const TRect g = b->GlyphRect();
    ASSERT_EQ(g, (TRect{7, 5, 23, 21})); // (5, 5, 70, 20) with margin 2, centred: (15 - 16 + 1) div 2 = 0
    const COLORREF face = COLORREF(vcl::ColorToRGB(vcl::clBtnFace));
    EXPECT_EQ(Pixel(b, g.Left + 5, g.Top + 5), Red);
    EXPECT_EQ(Pixel(b, g.Left, g.Top + 5), face); // the glyph's (0, 15) colour is transparent
    b->SetEnabled(false);
    EXPECT_EQ(Pixel(b, g.Left + 5, g.Top + 5), Blue);
    EXPECT_EQ(Pixel(b, g.Left, g.Top + 5), Blue); // the second cell has no pixel of that colour
    b->SetNumGlyphs(1);
    // One cell: the whole strip is one 32 x 16 glyph, drawn from its first cell's pixels even when disabled.
    EXPECT_EQ(Pixel(b, 9 + 5, 5 + 5), Red);
    // Three or four cells: still the second one when disabled.
    FillStrip(&strip, 16, 16, {Red, Blue, Magenta, Magenta}, Green);
    b->SetGlyph(&strip);
    EXPECT_EQ(b->GetNumGlyphs(), 4);
    EXPECT_EQ(Pixel(b, 7 + 5, 5 + 5), Blue);
}

TEST_F(BitBtnTest, ImageListGlyphsAndAKindsBitmapWinning) {
    TProbeBitBtn* b = AddBitBtn(10, 10);
    auto* images = new vcl::TCustomImageList(FForm, 16, 16);
    vcl::TBitmap strip;
    FillStrip(&strip, 16, 16, {Magenta, Blue}, Magenta);
    strip.GetCanvas()->SetPixel(0, 15, TColor(Blue)); // image 0 magenta, image 1 blue
    images->Add(&strip, nullptr);
    b->SetImages(images);
    b->SetImageIndex(0);
    FForm->Show();
    Pump();
    const TRect g = b->GlyphRect();
    EXPECT_EQ(Pixel(b, g.Left + 5, g.Top + 5), Magenta);
    b->SetDisabledIndex(1);
    b->SetEnabled(false);
    EXPECT_EQ(Pixel(b, g.Left + 5, g.Top + 5), Blue);
    b->SetEnabled(true);

    // With a kind the stock bitmap is drawn, not the list's image.
    b->SetKind(vcl::bkOK);
    b->Repaint();
    int magenta = 0, stockGreen = 0;
    for (int y = g.Top; y < g.Bottom; ++y)
        for (int x = g.Left; x < g.Right; ++x) {
            const COLORREF p = FScreen.WindowPixel(b->GetHandle(), x, y);
            magenta += p == Magenta;
            stockGreen += p == 0x008000;
        }
    EXPECT_EQ(magenta, 0);
    EXPECT_GT(stockGreen, 10);

    // A freed list is forgotten.
    images->Free();
    EXPECT_EQ(b->GetImages(), nullptr);
    b->Repaint();
}

TEST_F(BitBtnTest, AnActionsImageIndexReachesTheButton) {
    auto* action = new vcl::TAction(FForm);
    action->SetImageIndex(3);
    TProbeBitBtn* b = AddBitBtn(10, 10);
    b->SetAction(action);
    EXPECT_EQ(b->GetImageIndex(), 3);
    action->SetImageIndex(5);
    EXPECT_EQ(b->GetImageIndex(), 5);
}

// A root that writes the components it owns, as a form does.
class TBitBtnRoot : public vcl::TComponent {
public:
    explicit TBitBtnRoot(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent*) override {
        for (int32_t i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
};

using fctest::ReadRoot;
using fctest::WriteRoot;

TEST_F(BitBtnTest, LayoutsStoreTheKindOrTheRoleProperties) {
    vcl::RegisterClass<TBitBtnRoot>("TBitBtnRoot");
    vcl::LinkPropertyTable(typeid(TBitBtnRoot), typeid(vcl::TComponent));
    TBitBtnRoot root(nullptr);
    auto* b = new TFcBitBtn(&root);
    b->SetName("btnOK");
    b->SetKind(vcl::bkOK);
    std::string text = WriteRoot(&root);
    EXPECT_NE(text.find("Kind = bkOK"), std::string::npos) << text;
    EXPECT_EQ(text.find("Caption"), std::string::npos) << text;
    EXPECT_EQ(text.find("Default"), std::string::npos) << text;
    EXPECT_EQ(text.find("ModalResult"), std::string::npos) << text;
    EXPECT_EQ(text.find("Glyph"), std::string::npos) << text;
    EXPECT_EQ(text.find("NumGlyphs"), std::string::npos) << text;

    // Read back: the kind brings its caption, role and glyph again.
    TBitBtnRoot again(nullptr);
    ReadRoot(&again, text);
    auto* read = dynamic_cast<TFcBitBtn*>(again.FindComponent("btnOK"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetCaption(), "OK");
    EXPECT_EQ(read->GetKind(), vcl::bkOK);
    EXPECT_EQ(read->GetNumGlyphs(), 2);
    EXPECT_EQ(WriteRoot(&again), text);

    // A changed modal result makes it custom: the role properties and the glyph are stored.
    b->SetModalResult(vcl::mrAbort);
    text = WriteRoot(&root);
    EXPECT_EQ(text.find("Kind"), std::string::npos) << text;
    EXPECT_NE(text.find("Caption = 'OK'"), std::string::npos) << text;
    EXPECT_NE(text.find("Default = True"), std::string::npos) << text;
    EXPECT_NE(text.find("ModalResult = 3"), std::string::npos) << text;
    EXPECT_NE(text.find("NumGlyphs = 2"), std::string::npos) << text;
    EXPECT_NE(text.find("Glyph.Data"), std::string::npos) << text;
    TBitBtnRoot custom(nullptr);
    ReadRoot(&custom, text);
    EXPECT_EQ(WriteRoot(&custom), text);

    // A kind with a caption of its own keeps it when read.
    TBitBtnRoot own(nullptr);
    ReadRoot(&own, "object Root: TBitBtnRoot\n"
                   "  object btnYes: TFcBitBtn\n"
                   "    Caption = 'Sure'\n"
                   "    Kind = bkYes\n"
                   "  end\n"
                   "end\n");
    auto* yes = dynamic_cast<TFcBitBtn*>(own.FindComponent("btnYes"));
    ASSERT_NE(yes, nullptr);
    EXPECT_EQ(yes->GetCaption(), "Sure");
    EXPECT_EQ(yes->GetKind(), vcl::bkYes);
}

} // namespace
