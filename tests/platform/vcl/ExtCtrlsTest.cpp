#include "platform/vcl/ExtCtrls.h"

#include "VclControlsSupport.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/Picture.h"
#include "platform/win/user/ScrollBars.h"

using namespace vcl;
using vcltest::Place;
using vcltest::VclControlsTest;

namespace {

// The colour a person sees at a client point of a control.
TColor Seen(headless::HeadlessScreen& screen, TControl* c, int x, int y) {
    TPoint p = c->ClientToScreen({x, y});
    return TColor(screen.ScreenPixel(p.X, p.Y));
}

} // namespace

TEST_F(VclControlsTest, PanelBevelsShrinkTheRoomOfAlignedChildren) {
    TForm* form = MakeForm();
    auto* panel = Place<TPanel>(form, {0, 0, 200, 100});
    panel->SetBevelOuter(bvLowered);
    panel->SetBevelInner(bvRaised);
    panel->SetBevelWidth(2);
    panel->SetBorderWidth(3);
    auto* inside = Place<TPanel>(panel, {0, 0, 10, 10});
    inside->SetAlign(alClient);
    EXPECT_EQ(inside->GetBoundsRect(), (TRect{7, 7, 193, 93}));
    panel->SetBevelOuter(bvNone);
    EXPECT_EQ(inside->GetLeft(), 5);
}

TEST_F(VclControlsTest, ShapeAndPaintBoxPaintWhatTheyAreGiven) {
    TForm* form = MakeForm();
    auto* shape = Place<TShape>(form, {10, 10, 40, 40});
    shape->GetBrush()->SetColor(clRed);
    shape->SetTag(5); // a colour index kept in the shape
    auto* box = Place<TPaintBox>(form, {50, 10, 90, 40});
    int paints = 0;
    box->OnPaint = [&](TObject* sender) {
        ++paints;
        auto* pb = static_cast<TPaintBox*>(sender);
        pb->GetCanvas()->GetBrush()->SetColor(clBlue);
        pb->GetCanvas()->FillRect({0, 0, pb->GetWidth(), pb->GetHeight()});
    };
    form->Repaint();
    Pump();
    EXPECT_GT(paints, 0);
    EXPECT_EQ(Seen(FScreen, shape, 15, 15), clRed);
    EXPECT_EQ(Seen(FScreen, shape, 0, 0), clBlack); // the pen
    EXPECT_EQ(Seen(FScreen, box, 20, 20), clBlue);
    shape->GetBrush()->SetColor(clLime);
    Pump();
    EXPECT_EQ(Seen(FScreen, shape, 15, 15), clLime);
}

TEST_F(VclControlsTest, ImageCentresStretchesAndRedrawsWhenItsGraphicChanges) {
    TForm* form = MakeForm();
    auto* image = Place<TImage>(form, {10, 10, 110, 110});
    TBitmap* bmp = image->GetPicture()->GetBitmap();
    bmp->SetSize(20, 10);
    bmp->GetCanvas()->GetBrush()->SetColor(clRed);
    bmp->GetCanvas()->FillRect({0, 0, 20, 10});
    image->SetCenter(true);
    EXPECT_EQ(image->DestRect(), (TRect{40, 45, 60, 55}));
    Pump();
    EXPECT_EQ(Seen(FScreen, image, 50, 50), clRed);
    bmp->GetCanvas()->GetBrush()->SetColor(clBlue);
    bmp->GetCanvas()->FillRect({0, 0, 20, 10});
    Pump();
    EXPECT_EQ(Seen(FScreen, image, 50, 50), clBlue);
    image->SetStretch(true);
    image->SetProportional(true);
    EXPECT_EQ(image->DestRect(), (TRect{0, 25, 100, 75}));
    image->SetAutoSize(true);
    image->SetStretch(false);
    EXPECT_EQ(image->GetWidth(), 20);
}

TEST_F(VclControlsTest, ScrollBoxScrollsItsChildrenIntoView) {
    TForm* form = MakeForm();
    auto* box = Place<TScrollBox>(form, {0, 0, 200, 150});
    auto* far = Place<TPanel>(box, {10, 400, 60, 440});
    Pump();
    EXPECT_TRUE(box->GetVertScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(box->GetHorzScrollBar()->IsScrollBarVisible());
    box->ScrollInView(far);
    EXPECT_LE(far->GetTop() + far->GetHeight(), box->GetClientHeight());
    EXPECT_GT(box->GetVertScrollBar()->GetPosition(), 0);
    box->GetVertScrollBar()->SetPosition(0);
    EXPECT_EQ(far->GetTop(), 400);
    win::SendMessage(box->GetHandle(), win::WM_VSCROLL, win::SB_LINEDOWN, 0);
    EXPECT_EQ(far->GetTop(), 400 - box->GetVertScrollBar()->GetIncrement());
}

TEST_F(VclControlsTest, BitBtnDrawsItsGlyphAndKindGivesCaptionAndResult) {
    TForm* form = MakeForm();
    auto* button = Place<TBitBtn>(form, {10, 10, 110, 40});
    button->SetKind(bkCancel);
    EXPECT_EQ(button->GetCaption(), "Cancel");
    EXPECT_EQ(button->GetModalResult(), mrCancel);
    EXPECT_TRUE(button->GetCancel());
    TBitmap glyph;
    glyph.SetSize(16, 16);
    glyph.GetCanvas()->GetBrush()->SetColor(clOlive); // the corner colour: transparent
    glyph.GetCanvas()->FillRect({0, 0, 16, 16});
    glyph.GetCanvas()->GetBrush()->SetColor(clRed);
    glyph.GetCanvas()->FillRect({4, 4, 12, 12});
    button->SetGlyph(&glyph);
    button->SetKind(bkCustom);
    button->SetCaption("");
    button->SetMargin(4);
    Pump();
    // Margin 4 inside the button's frame (1 px default border, 2 px edge).
    bool red = false, olive = false;
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 30; ++y) {
            TColor c = Seen(FScreen, button, x, y);
            red |= c == clRed;
            olive |= c == clOlive;
        }
    EXPECT_TRUE(red);
    EXPECT_FALSE(olive);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    Click(button, 50, 15);
    EXPECT_EQ(clicks, 1);
}

TEST_F(VclControlsTest, PopupMenuRemembersWhereAndForWhatItWasShown) {
    TForm* form = MakeForm();
    TPopupMenu menu(nullptr);
    int shown = 0;
    menu.OnPopup = [&](TObject*) { ++shown; };
    menu.SetPopupComponent(form);
    menu.Popup(120, 130);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(menu.GetPopupPoint(), (TPoint{120, 130}));
    EXPECT_FALSE(menu.IsShortCut(win::VK_DELETE, 0));
    form->Free();
    EXPECT_EQ(menu.GetPopupComponent(), nullptr);
}
