#include "bars/xbBarControl.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "platform/vcl/Graphics.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>

namespace bars {

namespace {
TCustomxbBarControl* GActiveBarControl = nullptr;
bool GActivatedWhileCustomizing = false;

// The long part of a hint: what follows its '|', else all of it.
std::string LongHint(const std::string& hint) {
    const size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}
} // namespace

TCustomxbBarControl* GetActiveBarControl() { return GActiveBarControl; }

// ---- TCustomxbBarControl -------------------------------------------------------------------------------------

TCustomxbBarControl::TCustomxbBarControl(TxbBarManager* owner) : vcl::TCustomControl(owner), FBarManager(owner) {
    RegisterBarControl(this);
    vcl::TControlStyle style = GetControlStyle();
    style.Exclude(vcl::csCaptureMouse);
    if (owner && (owner->IsNonStandardStyle() || owner->IsCustomizing()))
        style.Include(vcl::csOpaque);
    SetControlStyle(style);
    SetColor(vcl::clBtnFace);
    SetVisible(false);
    SetBounds(100, 100, 50, 30);
}

TCustomxbBarControl::~TCustomxbBarControl() {
    SetActive(false);
    if (FBarManager && FBarManager->GetCurrentItemControl() && OwnsItemControl(FBarManager->GetCurrentItemControl()))
        FBarManager->SetCurrentItemControl(nullptr);
    DestroyItemControls();
    UnregisterBarControl(this);
}

const TxbBarItemControlPainter* TCustomxbBarControl::GetPainter() const {
    return FBarManager ? FBarManager->GetPainter() : nullptr;
}

void TCustomxbBarControl::CreateItemControls() {
    if (!FItemLinks)
        return;
    for (int32_t i = 0; i < FItemLinks->GetVisibleItemCount(); ++i)
        FItemLinks->GetVisibleItem(i)->CreateControl();
}

void TCustomxbBarControl::DestroyItemControls() {
    if (!FItemLinks)
        return;
    const bool destroying = FDestroyingControls;
    FDestroyingControls = true;
    for (int32_t i = 0; i < FItemLinks->GetCount(); ++i)
        FItemLinks->GetItem(i)->DestroyControl();
    FDestroyingControls = destroying;
    FSelectedControl = nullptr;
    FPressedControl = nullptr;
}

void TCustomxbBarControl::CalcMetrics() {
    win::HDC dc = win::GetDC(nullptr);
    win::HGDIOBJ old = nullptr;
    if (win::HFONT font = GetFont())
        old = win::SelectObject(dc, win::ToGdiObj(font));
    win::SIZE zero{};
    win::GetTextExtentPoint32(dc, "0", 1, &zero);
    if (old)
        win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
    FTextRowHeight = zero.cy + 6;
    FSeparatorSize = std::max(FTextRowHeight / 5, 4);
}

bool TCustomxbBarControl::CanCustomize() { return FBarManager && FBarManager->GetDesigning(); }

bool TCustomxbBarControl::UsesFlatSelection() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter && painter->UsesFlatSelection();
}

win::HBRUSH TCustomxbBarControl::GetBackgroundBrush() {
    const TxbBarItemControlPainter* painter = GetPainter();
    FBackgroundBrush = painter ? painter->GetBackgroundBrush(this) : win::GetSysColorBrush(win::COLOR_BTNFACE);
    return FBackgroundBrush;
}

win::HBRUSH TCustomxbBarControl::GetSecondaryBrush() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter ? painter->GetSecondaryBrush(this) : win::GetSysColorBrush(win::COLOR_BTNSHADOW);
}

win::HBRUSH TCustomxbBarControl::GetFaceBrush() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter ? painter->GetFaceBrush(this) : win::GetSysColorBrush(win::COLOR_BTNFACE);
}

win::HBRUSH TCustomxbBarControl::GetSelectionBrush() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter ? painter->GetSelectionBrush(this) : win::GetSysColorBrush(win::COLOR_HIGHLIGHT);
}

win::HFONT TCustomxbBarControl::GetFont() { return FBarManager ? FBarManager->GetFontHandle() : nullptr; }

bool TCustomxbBarControl::IsCustomizing() { return FBarManager && FBarManager->IsCustomizing(); }

bool TCustomxbBarControl::IsParentOf(TCustomxbBarControl* window) {
    for (TCustomxbBarControl* w = window; w; w = w->FParentBarControl)
        if (w == this)
            return true;
    return false;
}

bool TCustomxbBarControl::IgnoresMouseMove(const win::TPoint& screenPoint) {
    return IsCustomizing() || (screenPoint.X == FLastCursorPoint.X && screenPoint.Y == FLastCursorPoint.Y);
}

void TCustomxbBarControl::RepaintItemControl(TxbBarItemControl* control) {
    // Windows that draw their items repaint them; the base only takes the painter's brush again.
    GetBackgroundBrush();
}

void TCustomxbBarControl::SelectionChanged(TxbBarItemControl* oldControl) {
    if (FDestroyingControls)
        return;
    const bool painting = FPaintingItem;
    FPaintingItem = true;
    if (oldControl && OwnsItemControl(oldControl) && !(oldControl->GetItem() && oldControl->GetItem()->IsDestroying()))
        RepaintItemControl(oldControl);
    if (IsBarControlAlive(this) && FSelectedControl)
        RepaintItemControl(FSelectedControl);
    if (IsBarControlAlive(this))
        FPaintingItem = painting;
}

void TCustomxbBarControl::SelectItemControl(TxbBarItemControl* control) {
    if (control == FSelectedControl)
        return;
    if (FSelectedControl && FSelectedControl->GetDroppedDown()) {
        FSelectedControl->CloseUp(true);
        if (!IsBarControlAlive(this))
            return;
    }
    if (control)
        control->SetSelectedByMouse(false);
    SetSelectedItemControl(control);
}

void TCustomxbBarControl::SelectItemControlByMouse(TxbBarItemControl* control) {
    if (!HandleAllocated() || control == FSelectedControl)
        return;
    if (FSelectedControl && FSelectedControl->GetHasWindow() && FSelectedControl->GetDroppedDown())
        return;
    if (FSelectedControl && FSelectedControl->GetDroppedDown()) {
        FSelectedControl->CloseUp(false);
        if (!IsBarControlAlive(this))
            return;
    }
    if (control)
        control->SetSelectedByMouse(true);
    SetSelectedItemControl(control);
    if (IsBarControlAlive(this) && FSelectedControl)
        FSelectedControl->DropDown(false);
}

void TCustomxbBarControl::SetSelectedItemControl(TxbBarItemControl* control) {
    if (control == FSelectedControl)
        return;
    TxbBarItemControl* old = FSelectedControl;
    FSelectedControl = control;
    if (FBarManager) {
        if (IsCustomizing()) {
            FBarManager->SetSelectedItemControl(control);
            if (!IsBarControlAlive(this))
                return;
        } else {
            FBarManager->SetCurrentItemControl(control);
        }
    }
    SelectionChanged(old);
    if (!IsBarControlAlive(this))
        return;
    win::GetCursorPos(&FLastCursorPoint);
    std::string hint;
    if (FSelectedControl &&
        (FSelectedControl->GetEnabled() || (FBarManager && FBarManager->GetShowHintForDisabledItems())))
        hint = LongHint(FSelectedControl->GetHint());
    SetHint(hint);
}

bool TCustomxbBarControl::PassKeyToSelected(uint16_t& key) {
    if (!FSelectedControl || !FSelectedControl->GetEnabled() || !FSelectedControl->HandlesKey(key))
        return false;
    FSelectedControl->KeyDown(key);
    return true;
}

win::TRect TCustomxbBarControl::GetItemRect(TxbBarItemControl* control) const {
    return control && control->GetLink() ? control->GetLink()->ItemRect : win::TRect{};
}

win::TRect TCustomxbBarControl::GetItemScreenRect(TxbBarItemControl* control) {
    win::TRect r = GetItemRect(control);
    if (HandleAllocated()) {
        win::TPoint origin{0, 0};
        win::ClientToScreen(GetHandle(), &origin);
        r.Left += origin.X;
        r.Right += origin.X;
        r.Top += origin.Y;
        r.Bottom += origin.Y;
    }
    return r;
}

TxbBarItemControl* TCustomxbBarControl::GetItemControlAtPos(const win::TPoint& p) const {
    if (!FItemLinks)
        return nullptr;
    for (int32_t i = 0; i < FItemLinks->GetShownItemCount(); ++i) {
        TxbBarItemLink* link = FItemLinks->GetShownItem(i);
        const win::TRect& r = link->ItemRect;
        if (link->GetControl() && p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom)
            return link->GetControl();
    }
    return nullptr;
}

bool TCustomxbBarControl::OwnsItemControl(TxbBarItemControl* control) const {
    if (!control || !FItemLinks)
        return false;
    for (int32_t i = 0; i < FItemLinks->GetCount(); ++i)
        if (FItemLinks->GetItem(i)->GetControl() == control)
            return true;
    return false;
}

void TCustomxbBarControl::SetActive(bool value) {
    if (value == FActive)
        return;
    if (value) {
        if (!GActiveBarControl)
            GActivatedWhileCustomizing = IsCustomizing();
        FPrevActive = GActiveBarControl;
        GActiveBarControl = this;
        FActive = true;
        if (!IsCustomizing() && FItemLinks)
            FItemLinks->UpdateItemActions();
        return;
    }
    if (IsCustomizing())
        FSelectedControl = nullptr;
    else
        SelectItemControl(nullptr);
    FActive = false;
    if (GActiveBarControl == this)
        GActiveBarControl = FPrevActive;
    FPrevActive = nullptr;
    if (GActiveBarControl && (!IsBarControlAlive(GActiveBarControl) || !GActiveBarControl->FActive))
        GActiveBarControl = nullptr;
}

void TCustomxbBarControl::DeactivateAll() {
    TCustomxbBarControl* parent = FParentBarControl;
    SetActive(false);
    if (IsBarControlAlive(this) && parent && IsBarControlAlive(parent))
        parent->DeactivateAll();
}

void TCustomxbBarControl::CreateWnd() {
    vcl::TCustomControl::CreateWnd();
    UpdateFont();
    CalcMetrics();
}

void TCustomxbBarControl::CreateWindowHandle(const vcl::TCreateParams& params) {
    vcl::TCustomControl::CreateWindowHandle(params);
    CreateItemControls();
}

void TCustomxbBarControl::DestroyWindowHandle() {
    if (FItemLinks)
        for (int32_t i = 0; i < FItemLinks->GetCount(); ++i)
            if (TxbBarItemControl* control = FItemLinks->GetItem(i)->GetControl())
                control->Refresh();
    DestroyItemControls();
    vcl::TCustomControl::DestroyWindowHandle();
}

void TCustomxbBarControl::WndProc(vcl::TMessage& message) {
    switch (message.Msg) {
    case win::WM_MOUSEACTIVATE:
        // A bar window never takes the activation from its form.
        message.Result = win::MA_NOACTIVATE;
        return;
    case win::WM_ERASEBKGND:
        message.Result = 1;
        return;
    case win::WM_KEYDOWN: {
        if (!GActiveBarControl)
            return;
        uint16_t key = uint16_t(message.WParam);
        HandleNavigationKey(key);
        message.WParam = key;
        return;
    }
    default: break;
    }
    // While a chain of bar windows is active, mouse input for windows outside it goes nowhere.
    const bool clientMouse = message.Msg >= win::WM_MOUSEMOVE && message.Msg <= win::WM_MOUSEWHEEL;
    const bool ncMouse = message.Msg >= win::WM_NCMOUSEMOVE && message.Msg <= win::WM_NCMBUTTONDBLCLK;
    if ((clientMouse || ncMouse) && GActiveBarControl && !IsInActiveChain())
        return;
    vcl::TCustomControl::WndProc(message);
}

bool TCustomxbBarControl::HandleNavigationKey(uint16_t& key) {
    // A vertical toolbar turns the arrows: Left and Up swap, Right and Down swap.
    if (auto* toolbar = dynamic_cast<TxbBarControl*>(this); toolbar && toolbar->IsVertical()) {
        switch (key) {
        case win::VK_LEFT: key = win::VK_UP; break;
        case win::VK_UP: key = win::VK_LEFT; break;
        case win::VK_RIGHT: key = win::VK_DOWN; break;
        case win::VK_DOWN: key = win::VK_RIGHT; break;
        default: break;
        }
    }
    if (!FItemLinks)
        return false;
    const bool shift = win::GetKeyState(win::VK_SHIFT) < 0;
    const bool previousKey = IsMenu() ? key == win::VK_UP : key == win::VK_LEFT;
    const bool nextKey = IsMenu() ? key == win::VK_DOWN : key == win::VK_RIGHT;
    TxbBarItemLink* current = FSelectedControl ? FSelectedControl->GetLink() : nullptr;
    TxbBarItemLink* target = nullptr;
    if (key == win::VK_HOME)
        target = FItemLinks->GetFirstSelectableLink();
    else if (key == win::VK_END)
        target = FItemLinks->GetLastSelectableLink();
    else if (previousKey || (key == win::VK_TAB && shift))
        target = current ? FItemLinks->GetPrevSelectableLink(current) : FItemLinks->GetFirstSelectableLink();
    else if (nextKey || key == win::VK_TAB)
        target = current ? FItemLinks->GetNextSelectableLink(current) : FItemLinks->GetFirstSelectableLink();
    else if (key == win::VK_MENU || (key == win::VK_F10 && FBarManager && FBarManager->GetUseF10ForMenu())) {
        key = 0;
        DeactivateAll();
        return true;
    } else
        return false;
    if (target && target->GetControl())
        SelectItemControl(target->GetControl());
    return true;
}

bool TCustomxbBarControl::IsInActiveChain() const {
    for (TCustomxbBarControl* w = GActiveBarControl; w; w = w->FParentBarControl)
        if (w == this)
            return true;
    return false;
}

} // namespace bars
