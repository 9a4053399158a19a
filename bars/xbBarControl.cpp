#include "bars/xbBarControl.h"
#include "bars/xbBarHints.h"
#include "bars/xbBarShadow.h"

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
#include "bars/xbBarUtils.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/UserTypes.h"
#include "platform/win/user/WindowStyles.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <algorithm>
#include <utility>

namespace bars {

namespace {
TCustomxbBarControl* GActiveBarControl = nullptr;
bool GActivatedWhileCustomizing = false;

// The long part of a hint: what follows its '|', else all of it.
std::string LongHint(const std::string& hint) {
    const size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

win::TPoint PointOf(win::LPARAM lParam) { return {win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)}; }

// The bar window under the cursor, null when another window is there.
TCustomxbBarControl* BarControlUnderCursor(win::TPoint& cursor) {
    win::GetCursorPos(&cursor);
    return dynamic_cast<TCustomxbBarControl*>(vcl::TWinControl::FindControl(win::WindowFromPoint(cursor)));
}
} // namespace

void ShowCustomizingPopup(TxbBarManager*, TxbBarItemLink*, TxbBarItemLinks*, const win::TPoint&) {
    // The customizing windows bring the popup.
}

namespace {
TxbShowToolbarsPopupProc& ToolbarsPopupProc() {
    static TxbShowToolbarsPopupProc proc;
    return proc;
}
} // namespace

void ShowToolbarsPopup(vcl::TControl* control, TxbBarManager* manager, const win::TPoint& screenPoint) {
    // A copy: the routine may install another while it runs.
    if (TxbShowToolbarsPopupProc proc = ToolbarsPopupProc())
        proc(control, manager, screenPoint);
}

TxbShowToolbarsPopupProc SetShowToolbarsPopupProc(TxbShowToolbarsPopupProc proc) {
    return std::exchange(ToolbarsPopupProc(), std::move(proc));
}

TCustomxbBarControl* GetActiveBarControl() { return GActiveBarControl; }

// ---- The close timer of an open quick-customization menu ------------------------------------------------------

namespace {
TCustomxbBarControl* GQuickMenu = nullptr;
uintptr_t GQuickMenuTimer = 0;
constexpr win::UINT QuickMenuCloseDelay = 400;

void StopQuickMenuTimer() {
    if (GQuickMenuTimer)
        win::KillTimer(nullptr, GQuickMenuTimer);
    GQuickMenuTimer = 0;
    GQuickMenu = nullptr;
}

// The menu closes unless the selection went back to the entry that opened it.
void QuickMenuTimerProc(win::HWND, win::UINT, uintptr_t, win::DWORD) {
    TCustomxbBarControl* menu = GQuickMenu;
    StopQuickMenuTimer();
    if (!menu || !IsBarControlAlive(menu))
        return;
    TCustomxbBarControl* parent = menu->GetParentBarControl();
    if (!parent || !IsBarControlAlive(parent))
        return;
    TxbBarItemControl* selected = parent->GetSelectedControl();
    if (selected && selected->GetSubMenuWindow() == menu)
        return;
    TxbBarItemLinks* links = parent->GetItemLinks();
    for (int32_t i = 0; links && i < links->GetCount(); ++i)
        if (TxbBarItemControl* opener = links->GetItem(i)->GetControl(); opener && opener->GetSubMenuWindow() == menu) {
            opener->CloseUp(true);
            return;
        }
}

// An open quick-customization menu of a window other than changed starts its close timer.
void StartQuickMenuTimers(TCustomxbBarControl* changed) {
    for (TCustomxbBarControl* w = GActiveBarControl; w && IsBarControlAlive(w); w = w->GetParentBarControl())
        if (w != changed && w->IsQuickCustomizingMenu() && w->GetParentBarControl() == changed) {
            StopQuickMenuTimer();
            GQuickMenu = w;
            GQuickMenuTimer = win::SetTimer(nullptr, 0, QuickMenuCloseDelay, QuickMenuTimerProc);
            return;
        }
}
} // namespace

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
    FShadow = std::make_unique<TxbBarShadow>(this);
    FBackgroundCache = std::make_unique<vcl::TBitmap>();
}

TCustomxbBarControl::~TCustomxbBarControl() {
    if (IsToolbar())
        DeactivateAll();
    else
        SetActive(false);
    if (FBarManager && FBarManager->GetKeyboardModeBar() == this)
        FBarManager->SetKeyboardModeBar(nullptr);
    if (FBarManager && FBarManager->GetCurrentItemControl() && OwnsItemControl(FBarManager->GetCurrentItemControl()))
        FBarManager->SetCurrentItemControl(nullptr);
    DestroyItemControls();
    if (GQuickMenu == this)
        StopQuickMenuTimer();
    FShadow.reset();
    UnregisterBarControl(this);
}

bool TCustomxbBarControl::IsQuickCustomizingMenu() {
    vcl::TPersistent* owner = FItemLinks ? FItemLinks->GetOwner() : nullptr;
    return owner && owner->ClassName() == "TxbBarQuickSubItem";
}

void TCustomxbBarControl::DetachFromManager() {
    SetActive(false);
    if (!IsBarControlAlive(this))
        return;
    DestroyItemControls();
    if (FBarManager && FBarManager->GetKeyboardModeBar() == this)
        FBarManager->SetKeyboardModeBar(nullptr);
    FItemLinks = nullptr;
    FBarManager = nullptr;
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
    FTextRowHeight = zero.cy + 6;
    FSeparatorSize = std::max(FTextRowHeight / 5, 4);
    if (const TxbBarItemControlPainter* painter = GetPainter()) {
        FMenuRowHeight = painter->CalcMenuRowHeight(this, dc, zero.cy);
        FComboButtonWidth = painter->GetComboButtonWidth(this, dc, zero.cx);
    }
    if (old)
        win::SelectObject(dc, old);
    win::ReleaseDC(nullptr, dc);
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
    if (control) {
        control->SetOpenedByMouse(false);
        control->SetSelectedByMouse(false);
    }
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
    if (!IsBarControlAlive(this) || !FSelectedControl)
        return;
    if (FSelectedControl->OpensSubMenu())
        FSelectedControl->SetOpenedByMouse(true);
    FSelectedControl->DropDown(false);
}

void TCustomxbBarControl::SetSelectedItemControl(TxbBarItemControl* control) {
    if (control == FSelectedControl)
        return;
    TxbBarItemControl* old = FSelectedControl;
    StartQuickMenuTimers(this);
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
    if (!FSelectedControl)
        win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
    // The hint follows the selection: a new control asks for its own, none hides it and opens the short
    // window in which the next control's hint shows at once. A toolbar whose hot end mark took over from
    // its buttons keeps the mark's hint.
    if (FBarManager && !(IsToolbar() && !FSelectedControl && FMarkState == 1)) {
        FBarManager->UpdateHint(true);
        if (!IsBarControlAlive(this))
            return;
    }
    std::string hint;
    if (FSelectedControl &&
        (FSelectedControl->GetEnabled() || (FBarManager && FBarManager->GetShowHintForDisabledItems())))
        hint = LongHint(FSelectedControl->GetHint());
    SetHint(hint);
    // A popup menu's chain shows its selection's hint in the application (a status line follows it).
    if (TCustomxbBarControl* root = GetRootBarControl(); root && root->ShowsApplicationHint())
        vcl::Application->SetHint(hint);
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
    // An opening menu or keyboard mode takes the hint away, and so does the end of either.
    HideBarHintWindow();
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
    if (IsBarControlAlive(this))
        LeaveKeyboardMode();
}

void TCustomxbBarControl::DeactivateAll() {
    TCustomxbBarControl* parent = FParentBarControl;
    LeaveKeyboardMode();
    if (!IsBarControlAlive(this))
        return;
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
    UpdateAlphaBlend();
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
        HandleKeyDown(key);
        if (IsBarControlAlive(this))
            message.WParam = key;
        return;
    }
    case win::WM_CTLCOLOREDIT:
    case win::WM_CTLCOLORSTATIC: {
        win::HDC dc = reinterpret_cast<win::HDC>(message.WParam);
        win::SetTextColor(dc, win::GetSysColor(win::COLOR_WINDOWTEXT));
        win::SetBkColor(dc, win::GetSysColor(win::COLOR_WINDOW));
        message.Result = reinterpret_cast<win::LRESULT>(win::GetSysColorBrush(win::COLOR_WINDOW));
        return;
    }
    case win::WM_KILLFOCUS:
        vcl::TCustomControl::WndProc(message);
        if (message.WParam == 0 && IsBarControlAlive(this))
            DeactivateAll();
        return;
    case win::WM_NCACTIVATE:
        // The owner form keeps its active caption; the window itself always looks active.
        if (message.WParam && !IsCustomizing() && HandleAllocated())
            if (win::HWND parent = win::GetParent(GetHandle()))
                win::SendMessage(parent, win::WM_NCACTIVATE, 1, 0);
        message.WParam = 1;
        break;
    case win::WM_SETFOCUS: WMSetFocus(message); return;
    case win::WM_COMMAND:
        if (win::HIWORD(win::DWORD(message.WParam)) == win::EN_CHANGE && message.LParam) {
            message.Result = win::SendMessage(reinterpret_cast<win::HWND>(message.LParam), win::WM_COMMAND,
                                              message.WParam, message.LParam);
            return;
        }
        break;
    case win::WM_USER + 1: Rebuild(); return;
    case win::WM_DESTROY:
        if (FShadow)
            FShadow->SetShown(false);
        if (!GetComponentState().Contains(vcl::csDestroying)) {
            TrackMouseLeave(false);
            SetMarkState(0);
            if (FItemLinks)
                for (int32_t i = 0; i < FItemLinks->GetCount(); ++i)
                    if (TxbBarItemControl* control = FItemLinks->GetItem(i)->GetControl())
                        control->Refresh();
        }
        break;
    case win::WM_NCHITTEST:
        vcl::TCustomControl::WndProc(message);
        if (IsNonClientHit(int32_t(message.Result)))
            TrackMouseLeave(false);
        return;
    case win::WM_CAPTURECHANGED:
        vcl::TCustomControl::WndProc(message);
        if (FDragPending) {
            FDragPending = false;
            if (FBarManager)
                FBarManager->SetDragCandidates(nullptr, nullptr);
        }
        FPressedControl = nullptr;
        return;
    case win::WM_WINDOWPOSCHANGED: {
        vcl::TCustomControl::WndProc(message);
        const auto* pos = reinterpret_cast<const win::WINDOWPOS*>(message.LParam);
        const bool placed =
            pos && (pos->flags & (win::SWP_NOSIZE | win::SWP_NOMOVE)) != (win::SWP_NOSIZE | win::SWP_NOMOVE);
        UpdateShadow(placed);
        if (placed)
            ClearBackgroundCache();
        return;
    }
    default: break;
    }
    if (DropsMouseMessage(message.Msg))
        return;
    switch (message.Msg) {
    case win::WM_LBUTTONDOWN: WMLButtonDown(message); return;
    case win::WM_LBUTTONUP: WMLButtonUp(message); return;
    case win::WM_LBUTTONDBLCLK: WMLButtonDblClk(message); return;
    case win::WM_MOUSEMOVE: WMMouseMove(message); return;
    case win::WM_MOUSELEAVE: WMMouseLeave(message); return;
    case win::WM_RBUTTONDOWN: WMRButtonDown(message); return;
    default: break;
    }
    vcl::TCustomControl::WndProc(message);
}

void TCustomxbBarControl::HandleKeyDown(uint16_t& key) {
    if (HandleNavigationKey(key) || !IsBarControlAlive(this) || key == 0)
        return;
    if (HandleMnemonicKey(key) || !IsBarControlAlive(this) || !IsToolbar())
        return;
    if (PassKeyToSelected(key) || !IsBarControlAlive(this))
        return;
    TxbBarItemControl* selected = FSelectedControl;
    switch (key) {
    case win::VK_RETURN:
    case win::VK_UP:
    case win::VK_DOWN:
        // Enter activates the selection; Up and Down open a selected sub item's menu.
        if (selected && (key == win::VK_RETURN || (selected->OpensSubMenu() && selected->GetEnabled()))) {
            key = 0;
            selected->Activate(false);
        }
        break;
    case win::VK_ESCAPE:
        key = 0;
        DeactivateAll();
        break;
    default: break;
    }
}

bool TCustomxbBarControl::HandleNavigationKey(uint16_t& key) {
    // A vertical toolbar turns the arrows: Left and Up swap, Right and Down swap.
    if (IsToolbar() && (FDockingStyle == dsLeft || FDockingStyle == dsRight)) {
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
    const bool control = win::GetKeyState(win::VK_CONTROL) < 0;
    if (key == win::VK_TAB && control) {
        SwitchToolbar(!shift);
        return true;
    }
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
    TxbBarItemControl* selected = target ? target->GetControl() : nullptr;
    if (!selected)
        return true;
    SelectItemControl(selected);
    // Tab enters an edit item at once.
    if (key == win::VK_TAB && IsBarControlAlive(this) && FSelectedControl == selected && selected->GetHasWindow())
        selected->Activate(false);
    return true;
}

bool TCustomxbBarControl::HandleMnemonicKey(uint16_t key) {
    const win::UINT ch = win::MapVirtualKey(key, 2);
    if (!((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) || !FItemLinks)
        return false;
    vcl::TShiftState shift;
    if (win::GetKeyState(win::VK_SHIFT) < 0)
        shift.Include(vcl::ssShift);
    if (win::GetKeyState(win::VK_CONTROL) < 0)
        shift.Include(vcl::ssCtrl);
    TxbBarItemLink* current = FSelectedControl ? FSelectedControl->GetLink() : nullptr;
    TxbBarItemLink* found = FItemLinks->FindAccelLink(key, shift, current);
    if (!found || !found->GetItem() || !found->GetItem()->GetEnabled())
        return true;
    // Are there others carrying the letter, and is one of them hidden as rarely used?
    bool several = false;
    bool hidden = found->GetShownIndex() < 0;
    for (TxbBarItemLink* next = FItemLinks->FindAccelLink(key, shift, found); next && next != found;
         next = FItemLinks->FindAccelLink(key, shift, next)) {
        several = true;
        if (next->GetShownIndex() < 0) {
            hidden = true;
            break;
        }
    }
    if (IsMenu() && FBarManager && FBarManager->IsNonStandardStyle() && hidden) {
        TxbBarItemControl* control = found->GetControl();
        if (several || (control && !control->ClosesMenusOnClick())) {
            SetMarkState(2);
            if (!IsBarControlAlive(this))
                return true;
        }
    }
    if (TxbBarItemControl* control = found->GetControl())
        SelectItemControl(control);
    // The only one carrying the letter runs at once.
    if (!several && IsBarControlAlive(this) && HandleAllocated())
        win::SendMessage(GetHandle(), win::WM_KEYDOWN, win::VK_RETURN, 0);
    return true;
}

void TCustomxbBarControl::SwitchToolbar(bool forward) {
    auto* root = dynamic_cast<TxbBarControl*>(GetRootBarControl());
    TxbBar* bar = root ? root->GetBar() : nullptr;
    TxbBars* bars = bar ? bar->GetBars() : nullptr;
    if (!bars)
        return;
    const int32_t count = bars->GetCount();
    const int32_t start = bar->GetIndex();
    for (int32_t step = 1; step < count; ++step) {
        TxbBar* other = bars->GetItem(((start + (forward ? step : -step)) % count + count) % count);
        TxbBarControl* window = other->GetControl();
        if (!window || !window->HandleAllocated() || !window->GetItemLinks())
            continue;
        TxbBarItemLink* link = window->GetItemLinks()->GetFirstSelectableLink();
        if (!link || !link->GetControl())
            continue;
        if (TCustomxbBarControl* head = GActiveBarControl)
            head->DeactivateAll();
        if (IsBarControlAlive(window))
            window->EnterKeyboardMode(link->GetControl());
        return;
    }
}

void TCustomxbBarControl::EnterKeyboardMode(TxbBarItemControl* control) {
    win::TPoint cursor{};
    if (TCustomxbBarControl* under = BarControlUnderCursor(cursor); under && under != this)
        under->TrackMouseLeave(false);
    vcl::TCustomForm* form = FBarManager ? FBarManager->GetOwnerForm() : nullptr;
    if (form)
        form->SendCancelMode(nullptr);
    FSavedFocus = win::GetFocus();
    if (!IsCustomizing() && form && form->HandleAllocated())
        win::SetWindowPos(form->GetHandle(), win::HWND_TOP, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
    if (!control && FItemLinks)
        if (TxbBarItemLink* link = FItemLinks->GetFirstSelectableLink())
            control = link->GetControl();
    SelectItemControl(control);
    if (!IsBarControlAlive(this))
        return;
    SetActive(true);
    if (FBarManager)
        FBarManager->SetKeyboardModeBar(this);
}

void TCustomxbBarControl::LeaveKeyboardMode() {
    if (!FBarManager || FBarManager->GetKeyboardModeBar() != this)
        return;
    FBarManager->SetKeyboardModeBar(nullptr);
    TxbBarManager* manager = FBarManager;
    SelectItemControl(nullptr);
    if (!IsBarControlAlive(this))
        return;
    SetActive(false);
    if (!IsBarControlAlive(this))
        return;
    // Hover tracking resumes where the cursor is.
    win::TPoint cursor{};
    if (TCustomxbBarControl* under = BarControlUnderCursor(cursor); under && under->HandleAllocated()) {
        under->ResetLastCursorPoint();
        win::TPoint p = cursor;
        win::ScreenToClient(under->GetHandle(), &p);
        win::PostMessage(under->GetHandle(), win::WM_MOUSEMOVE, 0, win::MAKELPARAM(p.X, p.Y));
    }
    const win::HWND saved = FSavedFocus;
    FSavedFocus = nullptr;
    // A form on its way out takes no focus back.
    vcl::TComponent* owner = manager->GetOwner();
    if (owner && owner->GetComponentState().Contains(vcl::csDestroying))
        return;
    vcl::TCustomForm* form = manager->GetOwnerForm();
    if (saved && vcl::Application->GetActive() && form && form->GetActive() && win::IsWindowVisible(saved))
        win::SetFocus(saved);
}

void TCustomxbBarControl::WMSetFocus(vcl::TMessage& message) {
    // Only an edit item's window takes the focus through a bar window; anything else hands it on.
    if (FSelectedControl && FSelectedControl->GetHasWindow()) {
        vcl::TCustomControl::WndProc(message);
        return;
    }
    vcl::TCustomForm* form = FBarManager ? FBarManager->GetOwnerForm() : nullptr;
    if (form && form->GetVisible() && form->HandleAllocated())
        win::SetFocus(form->GetHandle());
    else if (HandleAllocated())
        if (win::HWND next = win::GetWindow(GetHandle(), win::GW_HWNDNEXT))
            win::SetFocus(next);
}

// ---- Mouse ---------------------------------------------------------------------------------------------------

void TCustomxbBarControl::WMLButtonDown(vcl::TMessage& message) {
    vcl::TCustomControl::WndProc(message);
    if (!IsBarControlAlive(this) || FSkipNextButtonUp || !FItemLinks || FItemLinks->GetShownItemCount() == 0)
        return;
    const win::TPoint p = PointOf(message.LParam);
    TxbBarItemControl* control = GetItemControlAtPos(p);
    if (IsCustomizing()) {
        if (control && !control->BelongsToManager())
            return;
        if (control || !win::Contains(GetClientRect(), p)) {
            if (FSelectedControl && FSelectedControl == control) {
                if (control->GetDroppedDown())
                    control->CloseUp(true);
                else
                    control->DropDown(true);
                if (!IsBarControlAlive(this))
                    return;
            }
            if (FBarManager)
                FBarManager->SetSelectedItemControl(control);
            Invalidate();
        }
        SelectItemControlByMouse(control);
        if (control && IsBarControlAlive(this) && OwnsItemControl(control) && HandleAllocated()) {
            FPressPoint = p;
            if (FBarManager)
                FBarManager->SetDragCandidates(control->GetItem(), control->GetLink());
            FDragPending = true;
            win::SetCapture(GetHandle());
        }
        return;
    }
    if (!control || !control->GetEnabled() || !control->IsUsable())
        return;
    SelectItemControl(control);
    if (!IsBarControlAlive(this) || FSelectedControl != control)
        return;
    lookandfeel::TlkObjectLinkScope alive(control);
    control->SetPressedByMouse(true);
    if (control->OpensSubMenu())
        control->SetOpenedByMouse(true);
    control->Enter(true);
    if (!IsBarControlAlive(this))
        return;
    if (alive.Alive() && OwnsItemControl(control))
        control->SetPressedByMouse(false);
    if (IsToolbar() && FSelectedControl && FSelectedControl->IsClickEnabled() && HandleAllocated()) {
        FPressedControl = FSelectedControl;
        FPressedControlHot = true;
        win::SetCapture(GetHandle());
        FPressedControl->Repaint();
        if (!IsBarControlAlive(this))
            return;
    }
    // A press on a window item beside its edit part still reaches its edit window.
    if (FSelectedControl == control && control->GetHasWindow() && !win::Contains(control->GetEditRect(), p))
        control->PassMouseMessage(win::WM_LBUTTONDOWN, message.WParam, p);
}

void TCustomxbBarControl::WMLButtonUp(vcl::TMessage& message) {
    vcl::TCustomControl::WndProc(message);
    if (!IsBarControlAlive(this))
        return;
    if (FSkipNextButtonUp) {
        FSkipNextButtonUp = false;
        return;
    }
    if (FDragPending) {
        FDragPending = false;
        win::ReleaseCapture();
        return;
    }
    const bool hadPressed = FPressedControl != nullptr;
    if (hadPressed && HandleAllocated() && win::GetCapture() == GetHandle())
        win::ReleaseCapture();
    if (!IsBarControlAlive(this))
        return;
    const win::TPoint p = PointOf(message.LParam);
    if (win::Contains(GetClientRect(), p) && FActive && !IsCustomizing()) {
        TxbBarItemControl* control = GetItemControlAtPos(p);
        if (control && control->IsUsable()) {
            if (control->GetEnabled() && control == FSelectedControl) {
                lookandfeel::TlkObjectLinkScope alive(control);
                if (control->GetHasWindow())
                    control->PassMouseMessage(win::WM_LBUTTONUP, message.WParam, p);
                if (alive.Alive() && IsBarControlAlive(this))
                    control->Click(true);
            } else if (IsToolbar() && !control->GetEnabled() && control != FSelectedControl &&
                       !(FSelectedControl && FSelectedControl->IsShowingDropDown())) {
                DeactivateAll();
            }
        }
    }
    if (hadPressed && IsBarControlAlive(this))
        DeactivateAll();
}

void TCustomxbBarControl::WMLButtonDblClk(vcl::TMessage& message) {
    vcl::TCustomControl::WndProc(message);
    if (!IsBarControlAlive(this))
        return;
    const win::TPoint p = PointOf(message.LParam);
    TxbBarItemControl* control = GetItemControlAtPos(p);
    if (!control || control != FSelectedControl)
        return;
    if (control->GetHasWindow() && !win::Contains(control->GetEditRect(), p)) {
        lookandfeel::TlkObjectLinkScope alive(control);
        control->PassMouseMessage(win::WM_LBUTTONDBLCLK, message.WParam, p);
        if (!alive.Alive() || !IsBarControlAlive(this))
            return;
    }
    if (control->WantsDblClick())
        DblClickItemControl(control);
    else if (HandleAllocated())
        win::SendMessage(GetHandle(), win::WM_LBUTTONDOWN, message.WParam, message.LParam);
}

void TCustomxbBarControl::DblClickItemControl(TxbBarItemControl* control) {
    if (!control)
        return;
    if (FBarManager && FBarManager->GetDesigning()) {
        vcl::TCustomForm* form = FBarManager->GetOwnerForm();
        if (form && form->GetDesigner() && control->GetItem())
            form->GetDesigner()->EditItem(control->GetItem());
    } else if (!control->OpensSubMenu()) {
        control->DblClick();
    } else if (TCustomxbBarControl* menu = control->GetSubMenuWindow(); menu && menu->HasMark()) {
        menu->SetMarkState(2);
    }
}

void TCustomxbBarControl::WMMouseMove(vcl::TMessage& message) {
    vcl::TCustomControl::WndProc(message);
    if (!IsBarControlAlive(this) || FDestroyingControls)
        return;
    const win::TPoint p = PointOf(message.LParam);
    if (FPressedControl) {
        const bool hot = win::Contains(GetItemRect(FPressedControl), p);
        if (hot != FPressedControlHot) {
            FPressedControlHot = hot;
            FPressedControl->Repaint();
            if (!IsBarControlAlive(this))
                return;
        }
    }
    if (FDragPending) {
        const int32_t cx = win::GetSystemMetrics(win::SM_CXDRAG), cy = win::GetSystemMetrics(win::SM_CYDRAG);
        const win::TRect box{FPressPoint.X - cx / 2, FPressPoint.Y - cy / 2, FPressPoint.X + cx / 2 + 1,
                             FPressPoint.Y + cy / 2 + 1};
        if (!win::Contains(box, p)) {
            FDragPending = false;
            TxbBarManager* manager = FBarManager;
            TxbBarItem* item = manager ? manager->GetDragItem() : nullptr;
            TxbBarItemLink* link = manager ? manager->GetDragItemLink() : nullptr;
            win::ReleaseCapture();
            if (link && link->GetControl())
                link->GetControl()->CloseUp(true);
            if (manager)
                manager->RunCustomizingDrag(item, link);
            return;
        }
    }
    if (!win::Contains(GetClientRect(), p) || !HandleAllocated())
        return;
    win::TPoint screen = p;
    win::ClientToScreen(GetHandle(), &screen);
    if (IgnoresMouseMove(screen))
        return;
    FLastCursorPoint = screen;
    TxbBarItemControl* editing = GetEditingItemControl();
    if (!GActiveBarControl || GActiveBarControl == this) {
        // The I-beam over the edit part of an enabled window item (unless another one is being edited).
        TxbBarItemControl* under = GetItemControlAtPos(p);
        const bool overEdit = under && under->GetHasWindow() && under->GetEnabled() &&
                              (!editing || editing == under) && win::Contains(under->GetEditRect(), p);
        win::SetCursor(win::LoadCursor(nullptr, overEdit ? win::IDC_IBEAM : win::IDC_ARROW));
    }
    if (editing)
        return;
    if (!FTrackingMouseLeave) {
        TrackMouseLeave(true);
        if (FSelectedControl && FSelectedControl->IsButtonControl())
            FSelectedControl->Repaint();
        if (!IsBarControlAlive(this))
            return;
    }
    TxbBarItemControl* control = GetItemControlAtPos(p);
    if (control && !control->IsHotTrackable())
        control = nullptr;
    if ((IsToolbar() && FActive && !control) || FPressedControl)
        return;
    // Moving off the controls keeps an open sub item selected while its menu is open.
    if (!control && FSelectedControl && FSelectedControl->OpensSubMenu() && FSelectedControl->GetDroppedDown())
        return;
    SelectItemControlByMouse(control);
}

void TCustomxbBarControl::WMMouseLeave(vcl::TMessage& message) {
    vcl::TCustomControl::WndProc(message);
    if (!IsBarControlAlive(this))
        return;
    FTrackingMouseLeave = false;
    if (FMarkState == 1) {
        SetMarkState(0);
        if (!IsBarControlAlive(this))
            return;
    }
    if (FChildMenu || IsCustomizing())
        return;
    if (FSelectedControl && FSelectedControl->IsShowingDropDown())
        return;
    SelectItemControlByMouse(nullptr);
}

void TCustomxbBarControl::WMRButtonDown(vcl::TMessage& message) {
    vcl::TCustomControl::WndProc(message);
    if (!IsBarControlAlive(this) || !IsCustomizing())
        return;
    if (FSelectedControl && FSelectedControl->GetDroppedDown()) {
        FSelectedControl->CloseUp(true);
        if (!IsBarControlAlive(this))
            return;
    }
    TxbBarItemControl* control = GetItemControlAtPos(PointOf(message.LParam));
    if (control) {
        if (control == FSelectedControl) {
            if (FBarManager)
                FBarManager->SetSelectedItemControl(control);
        } else {
            SelectItemControl(control);
        }
        if (!IsBarControlAlive(this))
            return;
    } else if (!(FBarManager && FBarManager->GetDesigning())) {
        return;
    }
    win::TPoint cursor{};
    win::GetCursorPos(&cursor);
    ShowCustomizingPopup(FBarManager, control ? control->GetLink() : nullptr, FItemLinks, cursor);
}

void TCustomxbBarControl::TrackMouseLeave(bool start) {
    if (!HandleAllocated() || FTrackingMouseLeave == start)
        return;
    win::TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = win::TME_LEAVE | (start ? 0 : win::TME_CANCEL);
    tme.hwndTrack = GetHandle();
    win::TrackMouseEvent(&tme);
    FTrackingMouseLeave = start;
}

bool TCustomxbBarControl::IsNonClientHit(int32_t hitTest) { return hitTest != win::HTCLIENT; }

// ---- Backgrounds ---------------------------------------------------------------------------------------------

void TCustomxbBarControl::DrawBackground(win::HDC dc, const win::TRect& rect, bool withOrigin, int32_t color,
                                         win::HBRUSH brush) {
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!painter) {
        win::FillRect(dc, &rect, brush);
        return;
    }
    win::TRect offset = rect;
    if (withOrigin) {
        const win::TPoint origin = GetBackgroundOrigin();
        offset = {rect.Left + origin.X, rect.Top + origin.Y, rect.Right + origin.X, rect.Bottom + origin.Y};
    }
    if (FDockingStyle != dsNone)
        painter->DrawDockedBarBackground(this, dc, color, brush, rect, offset);
    else
        painter->DrawFloatingBarBackground(this, dc, color, brush, rect, offset);
}

void TCustomxbBarControl::DrawNCBackground(win::HDC dc, win::HRGN region, int32_t color, win::HBRUSH brush) {
    if (!HandleAllocated())
        return;
    win::TRect window{};
    win::GetWindowRect(GetHandle(), &window);
    const win::TRect r{0, 0, window.Right - window.Left, window.Bottom - window.Top};
    win::HRGN saved = win::CreateRectRgn(0, 0, 0, 0);
    const bool hadClip = win::GetClipRgn(dc, saved) == 1;
    if (region)
        win::ExtSelectClipRgn(dc, region, win::RGN_AND);
    DrawBackground(dc, r, false, color, brush);
    win::SelectClipRgn(dc, hadClip ? saved : nullptr);
    win::DeleteObject(win::ToGdiObj(saved));
}

bool TCustomxbBarControl::HasBackgroundBitmap() {
    vcl::TBitmap* bitmap = FDockControl ? FDockControl->GetBackgroundBitmap() : nullptr;
    return bitmap && !bitmap->GetEmpty();
}

bool TCustomxbBarControl::HasOwnBackground() { return HasBackgroundBitmap(); }

void TCustomxbBarControl::ClearBackgroundCache() {
    if (FBackgroundCache)
        FBackgroundCache->SetSize(0, 0);
}

void TCustomxbBarControl::UpdateDoubleBuffered() { SetDoubleBuffered(HasOwnBackground()); }

void TCustomxbBarControl::UpdateShadow(bool placed) {
    if (!FShadow || !HandleAllocated())
        return;
    // A window without a shadow makes no strips; a hidden one takes its strips away whatever moved.
    const bool visible = IsShadowVisible() && win::IsWindowVisible(GetHandle());
    if (visible && (placed || !FShadow->GetShown())) {
        win::TRect bounds{};
        win::GetWindowRect(GetHandle(), &bounds);
        FShadow->SetBounds(TouchesOwnerRect() ? FOwnerRect : win::TRect{}, bounds);
    }
    FShadow->SetShown(visible);
}

bool TCustomxbBarControl::IsShadowVisible() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter && painter->HasShadow(this) && GetVisible();
}

void TCustomxbBarControl::SetDockControl(TxbDockControl* value) {
    FDockControl = value;
    UpdateDoubleBuffered();
}

void TCustomxbBarControl::SetDockingStyle(TxbBarDockingStyle value) {
    FDockingStyle = value;
    ClearBackgroundCache();
    if (HandleAllocated())
        win::SendMessage(GetHandle(), vcl::CM_FONTCHANGED, 0, 0);
    UpdateAlphaBlend();
}

// ---- Geometry, owner rectangle and drop target -------------------------------------------------------------------

void TCustomxbBarControl::GetItemDrawRect(TxbBarItemControl* control, win::TRect& rect) { rect = GetItemRect(control); }

void TCustomxbBarControl::GetItemRectEx(TxbBarItemControl* control, bool withSeparator, win::TRect& rect) {
    rect = GetItemRect(control);
}

win::HRGN TCustomxbBarControl::CreateItemRegion(TxbBarItemControl* control) {
    win::TRect r{};
    GetItemRectEx(control, true, r);
    win::HRGN region = win::CreateRectRgnIndirect(&r);
    // The separator drawn before the control belongs to it.
    if (control) {
        const win::TRect& sep = control->GetSeparatorRect();
        if (sep.Right > sep.Left && sep.Bottom > sep.Top) {
            win::HRGN extra = win::CreateRectRgnIndirect(&sep);
            win::CombineRgn(region, region, extra, win::RGN_OR);
            win::DeleteObject(win::ToGdiObj(extra));
        }
    }
    return region;
}

bool TCustomxbBarControl::IsMouseOver() {
    if (!HandleAllocated())
        return false;
    win::TPoint cursor{};
    win::GetCursorPos(&cursor);
    return win::WindowFromPoint(cursor) == GetHandle();
}

vcl::TWinControl* TCustomxbBarControl::GetOwnerControl() {
    const bool empty = FOwnerRect.Right <= FOwnerRect.Left || FOwnerRect.Bottom <= FOwnerRect.Top;
    return empty ? nullptr : FOwnerControl;
}

bool TCustomxbBarControl::TouchesOwnerRect() {
    const win::TRect& o = FOwnerRect;
    if (o.Right <= o.Left || o.Bottom <= o.Top)
        return false;
    const win::TRect w = GetBoundsRect();
    const bool overlapX = std::min(w.Right, o.Right) > std::max(w.Left, o.Left);
    const bool overlapY = std::min(w.Bottom, o.Bottom) > std::max(w.Top, o.Top);
    return ((w.Top == o.Bottom || w.Bottom == o.Top) && overlapX) ||
           ((w.Left == o.Right || w.Right == o.Left) && overlapY);
}

win::TRect TCustomxbBarControl::GetOwnerJointRect(bool screen) {
    if (!TouchesOwnerRect())
        return {};
    const win::TRect w = GetBoundsRect();
    const win::TRect& o = FOwnerRect;
    win::TRect r{};
    if (w.Top == o.Bottom || w.Bottom == o.Top) {
        // A horizontal edge: the overlap less a pixel at each end.
        const int32_t left = std::max(w.Left, o.Left) + 1, right = std::min(w.Right, o.Right) - 1;
        const int32_t y = w.Top == o.Bottom ? 0 : w.Bottom - w.Top - 1;
        r = {left - w.Left, y, right - w.Left, y + 1};
        if (screen) {
            const int32_t sy = w.Top == o.Bottom ? w.Top - 1 : w.Bottom;
            r = {left, sy, right, sy + 1};
        }
    } else {
        const int32_t top = std::max(w.Top, o.Top) + 1, bottom = std::min(w.Bottom, o.Bottom) - 1;
        const int32_t x = w.Left == o.Right ? 0 : w.Right - w.Left - 1;
        r = {x, top - w.Top, x + 1, bottom - w.Top};
        if (screen) {
            const int32_t sx = w.Left == o.Right ? w.Left - 1 : w.Right;
            r = {sx, top, sx + 1, bottom};
        }
    }
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return {};
    return r;
}

TxbBarItemControl* TCustomxbBarControl::GetDropTarget(const win::TPoint& p, bool& inSeparator, bool& vertical,
                                                      bool& before) {
    inSeparator = false;
    before = false;
    const bool verticalBar = IsMenu() || (IsToolbar() && (FDockingStyle == dsLeft || FDockingStyle == dsRight));
    vertical = verticalBar;
    if (!FItemLinks)
        return nullptr;
    for (int32_t i = 0; i < FItemLinks->GetShownItemCount(); ++i) {
        TxbBarItemControl* control = FItemLinks->GetShownItem(i)->GetControl();
        if (!control || !control->BelongsToManager())
            continue;
        win::HRGN region = CreateItemRegion(control);
        const bool inside = win::PtInRegion(region, p.X, p.Y);
        win::DeleteObject(win::ToGdiObj(region));
        if (!inside)
            continue;
        win::TRect r{};
        GetItemDrawRect(control, r);
        if (!win::Contains(r, p)) {
            inSeparator = true;
            if (p.Y < r.Top)
                vertical = true;
            r = control->GetSeparatorRect();
        }
        before = vertical ? p.Y - r.Top < r.Bottom - p.Y : p.X - r.Left < r.Right - p.X;
        return control;
    }
    return nullptr;
}

void TCustomxbBarControl::DrawCustomizingFrame(TxbBarItemControl* control) {
    if (!control || !IsCustomizing() || control != FSelectedControl || !HandleAllocated())
        return;
    TxbBarManager* manager = FBarManager;
    const bool current = manager && (manager->GetSelectedItemControl() == control ||
                                     (manager->GetDragItemLink() && manager->GetDragItemLink() == control->GetLink()));
    if (!current)
        return;
    win::TRect r{};
    GetItemDrawRect(control, r);
    win::HDC dc = win::GetDC(GetHandle());
    if (IsMenu() && control->OpensSubMenu()) {
        // Two nested inverted rectangles, a pixel short on the right and bottom.
        for (int i = 0; i < 2; ++i) {
            const win::TRect ring{r.Left + i, r.Top + i, r.Right - 1 - i, r.Bottom - 1 - i};
            const win::TRect inner{ring.Left + 1, ring.Top + 1, ring.Right - 1, ring.Bottom - 1};
            win::HRGN outer = win::CreateRectRgnIndirect(&ring), hole = win::CreateRectRgnIndirect(&inner);
            win::CombineRgn(outer, outer, hole, win::RGN_DIFF);
            win::InvertRgn(dc, outer);
            win::DeleteObject(win::ToGdiObj(outer));
            win::DeleteObject(win::ToGdiObj(hole));
        }
    } else {
        win::HBRUSH brush = win::GetSysColorBrush(win::COLOR_WINDOWTEXT);
        win::FrameRect(dc, &r, brush);
        const win::TRect inner{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
        win::FrameRect(dc, &inner, brush);
    }
    win::ReleaseDC(GetHandle(), dc);
}

TCustomxbBarControl* TCustomxbBarControl::GetRootBarControl() {
    TCustomxbBarControl* w = this;
    while (w->FParentBarControl && IsBarControlAlive(w->FParentBarControl))
        w = w->FParentBarControl;
    return w;
}

bool TCustomxbBarControl::DropsMouseMessage(win::UINT msg) const {
    const bool clientMouse = msg >= win::WM_MOUSEMOVE && msg <= win::WM_MOUSEWHEEL;
    const bool ncMouse = msg >= win::WM_NCMOUSEMOVE && msg <= win::WM_NCMBUTTONDBLCLK;
    return (clientMouse || ncMouse) && GActiveBarControl && !IsInActiveChain();
}

bool TCustomxbBarControl::IsInActiveChain() const {
    for (TCustomxbBarControl* w = GActiveBarControl; w; w = w->FParentBarControl)
        if (w == this)
            return true;
    return false;
}

} // namespace bars
