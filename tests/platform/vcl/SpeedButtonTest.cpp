#include "VclControlsSupport.h"
#include "platform/vcl/Buttons.h"
#include "platform/win/gdi/Gdi.h"

#include <vector>

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

TSpeedButton* SbMake(TWinControl* parent, int left, int group) {
    auto* b = new TSpeedButton(parent);
    b->SetParent(parent);
    b->SetBounds(left, 20, 23, 22);
    b->SetGroupIndex(group);
    return b;
}

std::vector<bool> SbDown(const std::vector<TSpeedButton*>& buttons) {
    std::vector<bool> down;
    for (TSpeedButton* b : buttons)
        down.push_back(b->GetDown());
    return down;
}

} // namespace

TEST_F(VclControlsTest, SpeedButtonGroupKeepsOneDown) {
    TForm* form = MakeForm();
    TSpeedButton* first = SbMake(form, 20, 1);
    TSpeedButton* second = SbMake(form, 50, 1);
    TSpeedButton* other = SbMake(form, 80, 2); // another group on the same parent
    TSpeedButton* plain = SbMake(form, 110, 0);
    const std::vector<TSpeedButton*> all{first, second, other, plain};
    int clicks = 0;
    for (TSpeedButton* b : all)
        b->OnClick = [&clicks](TObject*) { ++clicks; };
    Pump();
    other->SetDown(true);

    Click(first, 5, 5);
    EXPECT_EQ(SbDown(all), (std::vector<bool>{true, false, true, false}));
    // The second down releases the first; the other group keeps its button.
    Click(second, 5, 5);
    EXPECT_EQ(SbDown(all), (std::vector<bool>{false, true, true, false}));
    // Without AllowAllUp the last one down stays down, by click and by code.
    Click(second, 5, 5);
    second->SetDown(false);
    EXPECT_EQ(SbDown(all), (std::vector<bool>{false, true, true, false}));
    // AllowAllUp set on one button is the group's: now the down one comes up.
    first->SetAllowAllUp(true);
    EXPECT_TRUE(second->GetAllowAllUp());
    EXPECT_FALSE(other->GetAllowAllUp());
    Click(second, 5, 5);
    EXPECT_EQ(SbDown(all), (std::vector<bool>{false, false, true, false}));
    // A button outside any group never latches; every click is reported.
    plain->SetDown(true);
    Click(plain, 5, 5);
    EXPECT_FALSE(plain->GetDown());
    EXPECT_EQ(clicks, 5);
    // A press released outside the button is no click and changes nothing.
    FScreen.InjectMouse(win::MouseAction::Move, first->ClientToScreen({5, 5}));
    FScreen.InjectMouse(win::MouseAction::LeftDown, first->ClientToScreen({5, 5}));
    FScreen.InjectMouse(win::MouseAction::Move, first->ClientToScreen({60, 50}));
    FScreen.InjectMouse(win::MouseAction::LeftUp, first->ClientToScreen({60, 50}));
    Pump();
    EXPECT_FALSE(first->GetDown());
    EXPECT_FALSE(first->IsPressed());
    EXPECT_EQ(clicks, 5);
    // Leaving the group puts a button up.
    other->SetGroupIndex(0);
    EXPECT_FALSE(other->GetDown());
}

// A flat button shows the face colour all round until the pointer is over it; then it draws the thin
// raised edge (BDR_RAISEDINNER: COLOR_BTNHIGHLIGHT at the left and top, COLOR_BTNSHADOW at the right and
// bottom), and the plain face again once the pointer has left.
TEST_F(VclControlsTest, SpeedButtonFlatDrawsNoEdgeUntilHovered) {
    TForm* form = MakeForm();
    TSpeedButton* b = SbMake(form, 40, 0);
    b->SetFlat(true);
    Pump();
    const TRect r = b->GetBoundsRect();
    const win::COLORREF face = win::GetSysColor(win::COLOR_BTNFACE),
                        highlight = win::GetSysColor(win::COLOR_BTNHIGHLIGHT),
                        shadow = win::GetSysColor(win::COLOR_BTNSHADOW);
    const auto pixels = [&] {
        win::HDC dc = win::GetDC(form->GetHandle());
        std::vector<win::COLORREF> p{
            win::GetPixel(dc, r.Left, r.Top + 5), win::GetPixel(dc, r.Left + 5, r.Top),
            win::GetPixel(dc, r.Right - 1, r.Top + 5), win::GetPixel(dc, r.Left + 5, r.Bottom - 1)};
        win::ReleaseDC(form->GetHandle(), dc);
        return p;
    };
    EXPECT_EQ(pixels(), (std::vector<win::COLORREF>{face, face, face, face}));
    FScreen.InjectMouse(win::MouseAction::Move, b->ClientToScreen({10, 10}));
    Pump();
    EXPECT_TRUE(b->MouseInControl());
    EXPECT_EQ(pixels(), (std::vector<win::COLORREF>{highlight, highlight, shadow, shadow}));
    FScreen.InjectMouse(win::MouseAction::Move, form->ClientToScreen({300, 200}));
    Pump();
    EXPECT_EQ(pixels(), (std::vector<win::COLORREF>{face, face, face, face}));
    // A button that is not flat has its edge without the pointer.
    b->SetFlat(false);
    Pump();
    EXPECT_NE(pixels(), (std::vector<win::COLORREF>{face, face, face, face}));
}
