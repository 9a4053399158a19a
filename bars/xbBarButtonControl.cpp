// The button control: sizes, drawing, check-button toggling and the drop-down menu of a split button.
#include "bars/xbBarItemControl.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarUtils.h"
#include "bars/xbBars.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/ActnList.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <cstdlib>

namespace bars {

namespace {
bool Empty(const win::TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
} // namespace

TxbBarButtonControl::TxbBarButtonControl(TxbBarItemLink* link) : TxbBarItemControl(link) {}

// ---- What the item says -------------------------------------------------------------------------------------

TxbBarButton* TxbBarButtonControl::GetButton() const { return dynamic_cast<TxbBarButton*>(GetItem()); }

TxbBarButtonStyle TxbBarButtonControl::GetButtonStyle() const {
    TxbBarButton* button = GetButton();
    return button ? button->GetButtonStyle() : bsDefault;
}

bool TxbBarButtonControl::GetDown() const {
    TxbBarButton* button = GetButton();
    return button && button->GetDown();
}

bool TxbBarButtonControl::GetDropDownEnabled() const {
    TxbBarButton* button = GetButton();
    return button && button->GetDropDownEnabled();
}

bool TxbBarButtonControl::GetLowered() const {
    TxbBarButton* button = GetButton();
    return button && button->GetLowered();
}

TCustomxbBarControl* TxbBarButtonControl::GetSubMenuWindow() {
    TxbBarButton* button = GetButton();
    auto* menu = button ? dynamic_cast<TxbBarPopupMenu*>(button->GetDropDownMenu()) : nullptr;
    return menu ? menu->GetControl() : nullptr;
}

bool TxbBarButtonControl::InToolbar() const { return WindowAlive() && GetWindow()->IsToolbar(); }

bool TxbBarButtonControl::IsRotated() const {
    auto* toolbar = WindowAlive() ? dynamic_cast<TxbBarControl*>(GetWindow()) : nullptr;
    return toolbar && toolbar->IsVertical() && toolbar->GetBar() && toolbar->GetBar()->GetRotateWhenVertical();
}

TxbBarPaintStyle TxbBarButtonControl::GetPaintStyle() const {
    TxbBarPaintStyle style = GetLink() ? GetLink()->GetPaintStyle() : psStandard;
    if (style == psStandard && InToolbar())
        const_cast<TxbBarButtonControl*>(this)->AdjustPaintStyle(style);
    return style;
}

void TxbBarButtonControl::AdjustPaintStyle(TxbBarPaintStyle& style) {
    if (style == psStandard && !HasGlyph())
        style = psCaption;
}

bool TxbBarButtonControl::ShowsCaption() const {
    const TxbBarPaintStyle style = GetPaintStyle();
    return style == psCaption || style == psCaptionGlyph;
}

int32_t TxbBarButtonControl::CaptionWidth(const std::string& text) const {
    if (text.empty())
        return 0;
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = nullptr;
    if (win::HFONT font = WindowAlive() ? GetWindow()->GetFont() : nullptr)
        old = win::SelectObject(dc, win::ToGdiObj(font));
    win::SIZE size{};
    win::GetTextExtentPoint32(dc, text.c_str(), int(text.size()), &size);
    if (old)
        win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    return size.cx;
}

int32_t TxbBarButtonControl::FontPointSize() const {
    win::HFONT font = WindowAlive() ? GetWindow()->GetFont() : nullptr;
    win::LOGFONT lf{};
    if (!font || win::GetObject(win::ToGdiObj(font), sizeof lf, &lf) <= 0)
        return 8;
    win::HDC dc = win::GetDC(nullptr);
    const int32_t dpi = win::GetDeviceCaps(dc, win::LOGPIXELSY);
    win::ReleaseDC(nullptr, dc);
    return win::MulDiv(std::abs(lf.lfHeight), 72, dpi > 0 ? dpi : 96);
}

bool TxbBarButtonControl::IsOverArrow() {
    if (GetButtonStyle() != bsDropDown || !WindowAlive() || !GetWindow()->HandleAllocated())
        return false;
    win::TPoint cursor{};
    win::GetCursorPos(&cursor);
    win::ScreenToClient(GetWindow()->GetHandle(), &cursor);
    win::TRect r = GetWindow()->GetItemRect(this);
    r.Left = r.Right - GetArrowWidth();
    return cursor.X >= r.Left && cursor.X < r.Right && cursor.Y >= r.Top && cursor.Y < r.Bottom;
}

// ---- Sizes ------------------------------------------------------------------------------------------------------

int32_t TxbBarButtonControl::GetArrowWidth() {
    if (WindowAlive() && GetWindow()->IsMenu())
        return GetWindow()->GetArrowWidth();
    TxbBarManager* manager = GetBarManager();
    return manager ? manager->GetArrowWidth() : 0;
}

int32_t TxbBarButtonControl::CalcHeight() {
    TxbBarManager* manager = GetBarManager();
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!manager || !painter || !WindowAlive())
        return 0;
    const int32_t textRow = GetWindow()->GetTextRowHeight();
    int32_t height;
    if (InToolbar()) {
        const int32_t button = IsRotated() ? manager->GetButtonWidth() : manager->GetButtonHeight();
        height = ShowsCaption() ? std::max(textRow, button) : manager->GetButtonHeight();
    } else {
        height = textRow;
        painter->AdjustMenuGlyphWidth(height);
    }
    if (GetLowered())
        height += 2 * painter->GetLoweredFrameWidth();
    return height;
}

int32_t TxbBarButtonControl::CalcWidth() {
    TxbBarManager* manager = GetBarManager();
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!manager || !painter || !WindowAlive())
        return 0;
    const int32_t textRow = GetWindow()->GetTextRowHeight();
    int32_t width;
    if (!InToolbar()) {
        width = CaptionWidth(RemoveAccelChars(GetCaption())) + 2 * textRow + 6;
        if (const vcl::TShortCut shortCut = GetShortCut())
            width += CaptionWidth(vcl::ShortCutToText(shortCut)) + textRow - 6;
        painter->AdjustMenuButtonWidth(width);
    } else if (ShowsCaption()) {
        width = CaptionWidth(RemoveAccelChars(GetCaption()));
        if (GetPaintStyle() == psCaption)
            width += FontPointSize();
        else
            width += (IsRotated() ? manager->GetButtonHeight() : manager->GetButtonWidth()) + 4;
    } else {
        width = manager->GetButtonWidth();
    }
    if (GetLowered())
        width += 2 * painter->GetLoweredFrameWidth();
    return width;
}

int32_t TxbBarButtonControl::GetHeight() { return IsRotated() && ShowsCaption() ? CalcWidth() : CalcHeight(); }

int32_t TxbBarButtonControl::GetWidth() {
    int32_t width = IsRotated() && ShowsCaption() ? CalcHeight() : CalcWidth();
    if (GetButtonStyle() == bsDropDown && InToolbar())
        width += GetArrowWidth();
    return width;
}

// ---- Drawing ----------------------------------------------------------------------------------------------------

void TxbBarButtonControl::Draw(const win::TRect& rect, TxbPaintType paintType) {
    const TxbBarItemControlPainter* painter = GetPainter();
    if (Empty(rect) || !painter || !WindowAlive())
        return;
    win::TRect r = rect;
    if (GetLowered())
        DrawLoweredFrame(r);
    const bool highlighted = IsHighlighted();
    const TxbBarPaintStyle style = GetPaintStyle();
    TxbItemDrawStates states;
    if (GetEnabled())
        states.Include(idsEnabled);
    if (highlighted)
        states.Include(idsSelected);
    if (HasGlyph())
        states.Include(idsGlyph);
    if (paintType == ptVertical || (InToolbar() && static_cast<TxbBarControl*>(GetWindow())->IsVertical()))
        states.Include(idsVertical);

    if (paintType == ptMenu) {
        states.Include(idsInMenu);
        if (GetDown())
            states.Include(idsDown);
        if (style == psCaption || style == psCaptionInMenu)
            states.Include(idsCaptionOnly);
        DrawMenuItem(states, r);
        if (const vcl::TShortCut shortCut = GetShortCut(); shortCut && WindowAlive()) {
            win::TRect text = r;
            text.Right -= (r.Bottom - r.Top) + 5;
            DrawCaption(states, 2, text, vcl::ShortCutToText(shortCut));
        }
        return;
    }

    const bool dropDown = GetButtonStyle() == bsDropDown;
    win::TRect face = r;
    if (dropDown)
        face.Right -= GetArrowWidth();
    const bool overArrow = IsOverArrow();
    const bool pressed = (highlighted && GetWindow()->GetActive() && IsPressedNow() && !overArrow && !FDropDownShown) ||
                         (GetPressed() && GetButtonStyle() != bsChecked);
    const bool down = GetDown() || (FDropDownShown && painter->HasSplitDropDownHotTrack());
    if (pressed)
        states.Include(idsPressed);
    if (down)
        states.Include(idsDown);
    if (dropDown) {
        states.Include(idsOpensMenu);
        if (highlighted && overArrow)
            states.Include(idsDropDownSelected);
    }
    if (style == psCaption)
        states.Include(idsCaptionOnly);
    DrawGlyph(face, states, paintType);
    if (ShowsCaption() && WindowAlive()) {
        TxbBarManager* manager = GetBarManager();
        const bool rotated = paintType == ptVertical;
        int32_t past = style == psCaption ? FontPointSize() / 2
                                          : (rotated ? manager->GetButtonHeight() : manager->GetButtonWidth());
        win::TRect caption = face;
        if (rotated)
            caption.Top += past;
        else
            caption.Left += past;
        painter->OffsetPressedGlyph(this, pressed, caption);
        DrawCaption(states, 0, caption, GetCaption(), true, rotated);
    }
    if (dropDown && WindowAlive()) {
        win::TRect arrow = r;
        arrow.Left = face.Right;
        TxbItemDrawStates arrowStates;
        if (GetDropDownEnabled() && GetEnabled())
            arrowStates.Include(idsEnabled);
        if (FDropDownShown)
            arrowStates.Include(idsDown);
        if (highlighted)
            arrowStates.Include(idsSelected);
        if (highlighted && overArrow)
            arrowStates.Include(idsDropDownSelected);
        arrowStates.Include(idsOpensMenu);
        int32_t textColor = 0;
        win::HBRUSH brush = nullptr;
        GetColors(arrowStates, textColor, brush);
        painter->DrawDropDownButtonPart(this, GetDC(), arrowStates, arrow);
    }
}

// ---- Mouse and keys ---------------------------------------------------------------------------------------------

void TxbBarButtonControl::GlyphChanged() {
    if (GetLink() && GetLink()->GetPaintStyle() == psStandard)
        RebuildWindow();
    else
        Repaint();
}

bool TxbBarButtonControl::IsHighlighted() {
    TxbBarManager* manager = GetBarManager();
    return (IsSelected() && !(manager && manager->IsCustomizing())) || GetPressed();
}

bool TxbBarButtonControl::ClosesMenusOnClick() {
    if (InToolbar())
        return true;
    TxbBarButton* button = GetButton();
    return !button || button->GetCloseSubMenuOnClick();
}

void TxbBarButtonControl::Enter(bool byMouse) {
    if (GetButtonStyle() == bsDropDown && byMouse && IsOverArrow())
        ShowDropDownMenu(true);
    else if (InToolbar() || GetButtonStyle() == bsDropDown)
        Repaint();
}

void TxbBarButtonControl::Click(bool byKey) {
    if (FDropDownShown)
        return;
    lookandfeel::TlkObjectLinkScope self(this);
    if (TxbBarButton* button = GetButton(); button && button->GetButtonStyle() == bsChecked) {
        button->SetDown(!button->GetDown());
        if (!self.Alive())
            return;
    }
    CloseUp(true);
    if (self.Alive())
        TxbBarItemControl::Click(byKey);
}

void TxbBarButtonControl::CloseUp(bool byKey) {
    TxbBarItemControl::CloseUp(byKey);
    if (GetButtonStyle() != bsDropDown || !FDropDownShown)
        return;
    TCustomxbBarControl* menu = GetSubMenuWindow();
    // The flag goes first: the menu tells this control again as its window goes.
    DropDownMenuClosed();
    // A menu that no longer names this control as its opener is already closing (it called here from its own
    // teardown); one the chain merely deactivated (an entry was clicked) still has to go.
    if (auto* subMenu = dynamic_cast<TxbBarSubMenuControl*>(menu); subMenu && IsBarControlAlive(subMenu) &&
                                                                   subMenu->GetOwnerControl() == this)
        subMenu->FreeMenu();
}

void TxbBarButtonControl::KeyDown(uint16_t& key) {
    if (key == win::VK_UP || key == win::VK_RIGHT || key == win::VK_DOWN)
        ShowDropDownMenu(false);
}

bool TxbBarButtonControl::HandlesKey(uint16_t key) {
    if (GetButtonStyle() != bsDropDown)
        return false;
    return InToolbar() ? key == win::VK_UP || key == win::VK_DOWN : key == win::VK_RIGHT;
}

void TxbBarButtonControl::ShowDropDownMenu(bool byMouse) {
    TxbBarButton* button = GetButton();
    if (FDropDownShown || !GetEnabled() || !button || !button->GetDropDownEnabled() || !button->GetDropDownMenu() ||
        !WindowAlive())
        return;
    FDropDownShown = true;
    lookandfeel::TlkObjectLinkScope self(this);
    TCustomxbBarControl* window = GetWindow();
    if (!GetDroppedDown())
        DropDown(true);
    if (!self.Alive() || !IsBarControlAlive(window))
        return;
    Repaint();
    if (!self.Alive() || !IsBarControlAlive(window))
        return;
    const win::TRect r = window->GetItemScreenRect(this);
    win::TPoint at{r.Left, r.Bottom};
    auto* toolbar = dynamic_cast<TxbBarControl*>(window);
    if (window->IsMenu()) {
        const TxbBarItemControlPainter* painter = GetPainter();
        at = {r.Right, r.Top - (painter ? painter->GetMenuBorderIndent() : 0)};
    } else if (toolbar && toolbar->IsVertical()) {
        at = {r.Right, r.Top};
    }
    // The item's handlers may rebuild the window and free this control: nothing is touched unless both live.
    button->DropDown(this, at.X, at.Y, byMouse);
    if (!self.Alive() || !IsBarControlAlive(window))
        return;
    if (const TxbBarItemControlPainter* painter = GetPainter(); painter && painter->HotTracksDropDownPart())
        Repaint();
}

void TxbBarButtonControl::DropDownMenuClosed() {
    FDropDownShown = false;
    // Moving along the bar no longer opens menus.
    if (auto* toolbar = WindowAlive() ? dynamic_cast<TxbBarControl*>(GetWindow()) : nullptr)
        toolbar->SetKeyboardOpened(false);
}

} // namespace bars
