// The toolbar window: construction, the window factory, docking and position bookkeeping, the end mark,
// double-click docking, fonts (rotated on vertical bars), the rebuild and painting, and the toolbar's part
// of the mouse. The layout is in bars/xbBarToolbarLayout.cpp, the frame in bars/xbBarToolbarFrame.cpp.
#include "bars/xbBarToolbar.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarDraw.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBarShadow.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>
#include <vector>

namespace bars {

// ---- TxbBarControl -------------------------------------------------------------------------------------------

namespace {
TxbBarControlFactory& Factory() {
    static TxbBarControlFactory factory;
    return factory;
}

// Windows whose handle was destroyed from outside (their form's or dock's window went) and whose bars were
// hidden meanwhile: a window cannot be freed inside its own teardown, so it waits here until the next bar
// window is made, or until its manager frees it.
std::vector<TxbBarControl*>& Orphans() {
    static std::vector<TxbBarControl*> orphans;
    return orphans;
}

void FreeOrphans() {
    std::vector<TxbBarControl*> orphans;
    orphans.swap(Orphans());
    for (TxbBarControl* window : orphans)
        delete window;
}

} // namespace

TxbBarControl* MakeToolbarWindow(TxbBar* bar) { return new TxbBarControl(bar); }

const TxbBarControlFactory& GetBarControlFactory() { return Factory(); }

void SetBarControlFactory(TxbBarControlFactory factory) { Factory() = std::move(factory); }

TxbBarControl::TxbBarControl(TxbBar* bar) : TCustomxbBarControl(bar ? bar->GetBarManager() : nullptr), FBar(bar) {
    FreeOrphans();
    // Shown by the bar once it is placed.
    if (bar)
        SetItemLinks(bar->GetItemLinks());
}

TxbBarControl::~TxbBarControl() {
    FDestroying = true;
    std::erase(Orphans(), this);
    DeactivateAll();
    StopMarkTimer();
    // Out of the dock's rows, and the collection forgets its window.
    if (FDockControl) {
        TxbDockControl* dock = FDockControl;
        FDockControl = nullptr;
        dock->UndockBar(this, false);
    }
    if (FBar && FBar->GetItemLinks())
        FBar->GetItemLinks()->BarControlGone(this);
    // The item controls go while the window and its links still exist.
    if (HandleAllocated())
        DestroyHandle();
    if (FRotatedFont)
        win::DeleteObject(win::ToGdiObj(FRotatedFont));
}

int32_t TxbBarControl::GetSeparatorSize() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter ? painter->GetToolbarSeparatorSize() : 6;
}

void TxbBarControl::FrameChanged() {
    if (HandleAllocated())
        win::SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
                          win::SWP_NOSIZE | win::SWP_NOMOVE | win::SWP_NOZORDER | win::SWP_NOACTIVATE |
                              win::SWP_FRAMECHANGED);
}

void TxbBarControl::SetDockingStyle(TxbBarDockingStyle value) {
    if (value == FDockingStyle)
        return;
    FTruncated = false;
    TCustomxbBarControl::SetDockingStyle(value);
    ApplyCanvasFont();
}

int32_t TxbBarControl::GetDockRowIndex() const {
    int32_t row = 0, col = 0;
    return FDockControl && FDockControl->FindWindow(this, row, col) ? row : 0;
}

int32_t TxbBarControl::GetDockColIndex() const {
    int32_t row = 0, col = 0;
    return FDockControl && FDockControl->FindWindow(this, row, col) ? col : 0;
}

void TxbBarControl::HideNotification() {
    StopMarkTimer();
    if (GetActive())
        DeactivateAll();
}

void TxbBarControl::SetMoving(bool value) {
    if (value == FMoving)
        return;
    BeginDockingChange();
    FMoving = value;
    if (TxbBars* bars = FBar ? FBar->GetBars() : nullptr)
        bars->SetMovingBarControl(value ? this : nullptr);
    EndDockingChange();
    // The place the drag ended in is the bar's.
    if (!value)
        StorePosition();
    if (HandleAllocated())
        win::SendMessage(GetHandle(), win::WM_SIZE, 0, win::MAKELPARAM(GetClientWidth(), GetClientHeight()));
    Rebuild();
    UpdateAlphaBlend();
}

void TxbBarControl::UpdateAlphaBlend() {
    if (!HandleAllocated() || !FBar)
        return;
    // Only a floating window can be see-through; a docked one stays opaque, dragged or not.
    const bool translucent = FDockingStyle == dsNone && !IsQuickControl();
    SetWindowAlphaBlend(GetHandle(), translucent ? FBar->GetAlphaBlendValue() : 255);
}

void TxbBarControl::UpdateFrame() {
    UpdateDoubleBuffered();
    FrameChanged();
    Rebuild();
}

void TxbBarControl::RefreshLook() {
    TxbBarManager* manager = GetBarManager();
    vcl::TControlStyle style = GetControlStyle();
    if (manager && (manager->IsNonStandardStyle() || manager->IsCustomizing()))
        style.Include(vcl::csOpaque);
    else
        style.Exclude(vcl::csOpaque);
    SetControlStyle(style);
    ClearBackgroundCache();
    CalcMetrics();
    if (FDockingStyle != dsNone || !HandleAllocated()) {
        UpdateFrame();
        return;
    }
    // A floating window takes the frame of the new look with a new window, where it was.
    BeginDockingChange();
    vcl::TryFinally([this] { RecreateWnd(); }, [this] { EndDockingChange(); });
    UpdateFrame();
    if (GetShadow() && IsBarControlAlive(this))
        GetShadow()->RebuildParts();
}

// ---- Keyboard mode ---------------------------------------------------------------------------------------------

void TxbBarControl::SetActive(bool value) {
    if (!value)
        FKeyboardOpened = false;
    if (!value && GetSelectedControl() && GetSelectedControl()->GetDroppedDown()) {
        GetSelectedControl()->CloseUp(true);
        if (!IsBarControlAlive(this))
            return;
    }
    TCustomxbBarControl::SetActive(value);
    if (!value && IsBarControlAlive(this))
        LeaveKeyboardMode();
}

void TxbBarControl::SelectItemControl(TxbBarItemControl* control) {
    TxbBarItemControl* old = GetSelectedControl();
    TCustomxbBarControl::SelectItemControl(control);
    if (!IsBarControlAlive(this))
        return;
    // Moving along a bar whose menu was open opens the next entry's menu.
    TxbBarItemControl* selected = GetSelectedControl();
    if (selected && selected != old && !selected->GetDroppedDown() && !IsCustomizing() && FKeyboardOpened &&
        selected->OpensSubMenu())
        selected->Enter(false);
}

void TxbBarControl::DeactivateAll() {
    LeaveKeyboardMode();
    if (IsBarControlAlive(this))
        TCustomxbBarControl::DeactivateAll();
}

void TxbBarControl::WMKeyDown(vcl::TMessage& message) {
    if (!GetActiveBarControl()) {
        TCustomxbBarControl::WndProc(message);
        return;
    }
    uint16_t key = uint16_t(message.WParam);
    if (PassKeyToSelected(key)) {
        message.WParam = key;
        return;
    }
    TCustomxbBarControl::WndProc(message);
    if (!IsBarControlAlive(this))
        return;
    key = uint16_t(message.WParam);
    TxbBarItemControl* selected = GetSelectedControl();
    switch (key) {
    case win::VK_ESCAPE:
        message.WParam = 0;
        DeactivateAll();
        break;
    case win::VK_RETURN:
        if (selected && selected->OpensSubMenu() && selected->GetEnabled())
            FKeyboardOpened = true;
        if (selected)
            selected->Activate(false);
        break;
    case win::VK_UP:
    case win::VK_DOWN:
        // Opens the selected sub item's menu.
        if (selected && selected->OpensSubMenu()) {
            if (selected->GetEnabled())
                FKeyboardOpened = true;
            selected->Activate(false);
        }
        break;
    default: break;
    }
}

// ---- Docking ---------------------------------------------------------------------------------------------------

void TxbBarControl::DockTo(TxbBarDockingStyle style, TxbDockControl* dock) {
    if (!FBar || GetComponentState().Contains(vcl::csDestroying))
        return;
    BeginDockingChange();
    try {
        if (HandleAllocated())
            DestroyHandle();
        if (FDockControl && FDockControl != dock) {
            TxbDockControl* old = FDockControl;
            FDockControl = nullptr;
            old->UndockBar(this, true);
        }
        SetDockingStyle(style);
        SetDockControl(dock);
        if (style == dsNone)
            SetParent(nullptr);
    } catch (...) {
        EndDockingChange();
        throw;
    }
    EndDockingChange();
    FrameChanged();
}

void TxbBarControl::ToggleDocking() {
    TxbBar* bar = FBar;
    TxbBarManager* manager = GetBarManager();
    if (!bar || !manager)
        return;
    if (FDockingStyle != dsNone) {
        if (!manager->CanDock(bar, dsNone, nullptr))
            return;
        // Hiding the bar frees this window: only locals from here on.
        bar->SetVisible(false);
        bar->SetDockingStyle(dsNone);
        bar->SetVisible(true);
        return;
    }
    TxbDockControl* dock = bar->GetDockedDockControl();
    const TxbBarDockingStyle style = dock ? dock->GetDockingStyle() : bar->GetDockedDockingStyle();
    if (style == dsNone || !manager->CanDock(bar, style, dock))
        return;
    const bool remembered = dock || bar->GetHasDockedPosition();
    TxbDockControl* site = dock ? dock : (bar->GetBars() ? bar->GetBars()->GetDockControl(style) : nullptr);
    bar->SetVisible(false);
    if (!remembered) {
        // Its own row below the others.
        bar->SetOneOnRow(true);
        bar->SetRow(site ? site->GetRowCount() : 0);
    }
    if (dock)
        bar->SetDockControl(dock);
    else
        bar->SetDockingStyle(style);
    bar->SetVisible(true);
}

void TxbBarControl::StorePosition() {
    TxbBarManager* manager = FBar ? FBar->GetBarManager() : nullptr;
    if (!FBar || !FBar->GetVisible() || FMoving || !manager || manager->IsDestroying())
        return;
    if (FDockingStyle == dsNone) {
        FBar->SetFloatLeft(GetLeft());
        FBar->SetFloatTop(GetTop());
        FBar->SetFloatClientWidth(GetClientWidth());
        FBar->SetFloatClientHeight(GetClientHeight());
        return;
    }
    if (manager->IsLoading() || manager->GetLayingOutDocks())
        return;
    FBar->SetDockedDockingStyle(FDockingStyle);
    FBar->SetDockedDockControl(FDockControl && !FDockControl->IsManagerDock() ? FDockControl : nullptr);
    FBar->SetHasDockedPosition(true);
    int32_t row = 0, col = 0;
    if (FDockControl && FDockControl->FindWindow(this, row, col)) {
        FBar->SetRow(row);
        FBar->SetOneOnRow(FDockControl->GetRow(row)->GetColCount() == 1);
    }
    FBar->SetDockedLeft(GetLeft());
    FBar->SetDockedTop(GetTop());
}

// ---- End mark --------------------------------------------------------------------------------------------------

bool TxbBarControl::PointOnMark(const win::TPoint& p) {
    if (!HasMark())
        return false;
    const win::TRect r = GetMarkRect();
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

void TxbBarControl::ToggleMark() {
    const TxbBarItemControlPainter* painter = GetPainter();
    if (painter && painter->SupportsQuickCustomizing() && HasMark())
        SetMarkState(GetMarkState() == 2 ? 1 : 2);
}

void TxbBarControl::SetMarkState(int32_t state) {
    if (IsCustomizing() || state == GetMarkState())
        return;
    TCustomxbBarControl::SetMarkState(state);
    StopMarkTimer();
    TxbBarManager* manager = GetBarManager();
    if (state == 1) {
        if (FDockingStyle == dsNone && HandleAllocated())
            FMarkTimer = win::SetTimer(GetHandle(), 1, 50, &TxbBarControl::CALLBACK_MarkTimer);
        if (manager)
            manager->UpdateHint(true, "More Buttons");
    } else if (state == 0 && !GetSelectedControl() && manager) {
        manager->UpdateHint(false);
    }
    if (!HandleAllocated())
        return;
    if (FDockingStyle == dsNone) {
        win::SendMessage(GetHandle(), win::WM_NCPAINT, 1, 0);
    } else {
        const win::TRect r = GetMarkRect();
        win::InvalidateRect(GetHandle(), &r, win::FALSE);
    }
}

void TxbBarControl::StopMarkTimer() {
    if (FMarkTimer && HandleAllocated())
        win::KillTimer(GetHandle(), FMarkTimer);
    FMarkTimer = 0;
}

void TxbBarControl::CALLBACK_MarkTimer(win::HWND hwnd, win::UINT, uintptr_t id, win::DWORD) {
    auto* window = dynamic_cast<TxbBarControl*>(vcl::TWinControl::FindControl(hwnd));
    if (!window) {
        win::KillTimer(hwnd, id);
        return;
    }
    win::TPoint cursor{0, 0};
    win::GetCursorPos(&cursor);
    const win::TRect mark = window->GetMarkScreenRect();
    const bool onMark =
        cursor.X >= mark.Left && cursor.X < mark.Right && cursor.Y >= mark.Top && cursor.Y < mark.Bottom;
    if (win::IsWindowVisible(hwnd) && onMark)
        return;
    win::KillTimer(hwnd, id);
    window->FMarkTimer = 0;
    if (window->GetMarkState() == 1)
        window->SetMarkState(0);
}

// ---- Fonts -----------------------------------------------------------------------------------------------------

win::HFONT TxbBarControl::GetFont() {
    if (FBar && FBar->GetUseOwnFont() && FBar->GetFontHandle())
        return FBar->GetFontHandle();
    return TCustomxbBarControl::GetFont();
}

void TxbBarControl::UpdateFont() { ApplyCanvasFont(); }

void TxbBarControl::ApplyCanvasFont() {
    if (FCreatingFont || !GetCanvas())
        return;
    FCreatingFont = true;
    win::LOGFONT lf{};
    const win::HFONT font = GetFont();
    if (font && win::GetObject(win::ToGdiObj(font), sizeof lf, &lf) > 0) {
        if (IsVertical() && FBar && FBar->GetRotateWhenVertical()) {
            lf.lfEscapement = -900;
            lf.lfOrientation = -900;
            lf.lfOutPrecision = 7; // true-type fonts only: raster fonts do not turn
        }
        GetCanvas()->GetFont()->SetHandle(win::CreateFontIndirect(&lf));
    }
    FCreatingFont = false;
}

// ---- Rebuild and painting --------------------------------------------------------------------------------------

void TxbBarControl::Rebuild() {
    TxbBarManager* manager = GetBarManager();
    if (IsDestroyingControls() || !HandleAllocated() || (manager && manager->GetDockUpdateLocked()))
        return;
    DestroyItemControls();
    CreateItemControls();
    if (FDockingStyle != dsNone) {
        if (FDockControl)
            FDockControl->UpdateLayout();
    } else if (FBar) {
        const win::TSize size = CalcSizeByWidth(dsNone, GetClientWidth());
        SetBounds(GetLeft(), GetTop(), size.cx + FBar->GetNonClientWidth(dsNone),
                  size.cy + FBar->GetNonClientHeight(dsNone));
    }
    ArrangeItemLinks();
    Invalidate();
}

void TxbBarControl::RepaintItemControl(TxbBarItemControl* control) {
    TCustomxbBarControl::RepaintItemControl(control);
    TxbBarManager* manager = GetBarManager();
    if (!control || !HandleAllocated() || (manager && manager->GetDockUpdateLocked()))
        return;
    win::TRect r;
    GetItemDrawRect(control, r);
    win::InvalidateRect(GetHandle(), &r, win::FALSE);
    if (!GetPaintingItem())
        win::UpdateWindow(GetHandle());
}

void TxbBarControl::DrawBackground(win::HDC dc, const win::TRect& rect, bool withOrigin, int32_t color,
                                   win::HBRUSH brush) {
    const vcl::TColor own = FBar ? FBar->GetColor() : vcl::clDefault;
    if (own != vcl::clDefault || !GetPainter()) {
        win::HBRUSH solid = win::CreateSolidBrush(win::COLORREF(vcl::ColorToRGB(own == vcl::clDefault ? vcl::clBtnFace : own)));
        win::FillRect(dc, &rect, solid);
        win::DeleteObject(win::ToGdiObj(solid));
        return;
    }
    TCustomxbBarControl::DrawBackground(dc, rect, withOrigin, color, brush);
}

void TxbBarControl::Paint() {
    TxbBarManager* manager = GetBarManager();
    vcl::TCustomForm* form = manager ? manager->GetOwnerForm() : nullptr;
    const TxbBarItemControlPainter* painter = GetPainter();
    if ((form && !form->GetVisible()) || IsDestroyingControls() || !painter)
        return;
    ArrangeItemLinks();
    win::HDC dc = GetCanvas()->GetHandle();
    win::HBRUSH brush = GetBackgroundBrush();
    const win::TRect client = GetClientRect();
    win::HRGN rest = win::CreateRectRgn(client.Left, client.Top, client.Right, client.Bottom);
    auto exclude = [&](const win::TRect& r) {
        win::HRGN part = win::CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
        win::CombineRgn(rest, rest, part, win::RGN_DIFF);
        win::DeleteObject(win::ToGdiObj(part));
    };
    TxbBarItemLinks* links = GetItemLinks();
    const TxbPaintType type = IsVertical() && FBar && FBar->GetRotateWhenVertical() ? ptVertical : ptToolbar;
    for (int32_t i = 0; links && i < links->GetShownItemCount(); ++i) {
        TxbBarItemLink* link = links->GetShownItem(i);
        TxbBarItemControl* control = link->GetControl();
        if (!control || link->ItemRect.Right <= link->ItemRect.Left)
            continue;
        win::TRect r;
        GetItemDrawRect(control, r);
        const int saved = win::SaveDC(dc);
        win::IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
        control->Draw(r, type);
        win::RestoreDC(dc, saved);
        exclude(r);
        const win::TRect separator = control->GetSeparatorRect();
        if (separator.Right > separator.Left && separator.Bottom > separator.Top) {
            // A separator above its link runs across the bar; one beside it runs along its row.
            painter->DrawToolbarSeparator(this, dc, separator.Bottom <= r.Top, brush, separator);
            exclude(separator);
        }
    }
    if (FDockingStyle != dsNone && HasMark()) {
        const win::TRect mark = GetMarkRect();
        painter->DrawMark(this, dc, brush, mark);
        exclude(mark);
    }
    win::SelectClipRgn(dc, rest);
    DrawBackground(dc, client, true, int32_t(vcl::clBtnFace), brush);
    win::SelectClipRgn(dc, nullptr);
    win::DeleteObject(win::ToGdiObj(rest));
}

// ---- Messages --------------------------------------------------------------------------------------------------

bool TxbBarControl::PressItemControl(const win::TPoint& p) {
    TxbBarManager* manager = GetBarManager();
    const bool designing = manager && manager->GetDesigning();
    TxbBarItemControl* control = GetItemControlAtPos(p);
    if (control && !designing && !(control->GetEnabled() && control->IsUsable()))
        control = nullptr;
    if (!control) {
        SetActive(false);
        return IsBarControlAlive(this);
    }
    if (IsCustomizing()) {
        if (!GetActive())
            EnterKeyboardMode(control);
        return IsBarControlAlive(this);
    }
    TxbBarItemControl* selected = GetSelectedControl();
    const bool editing = control == selected && control->GetHasWindow() && control->IsEditing();
    if (GetActive() && (control != selected || (control->GetHasWindow() && !editing))) {
        // Another control of the active bar: a menu open from the old one does not follow the press.
        FKeyboardOpened = false;
        SelectItemControl(control);
        if (!IsBarControlAlive(this))
            return false;
    }
    if (editing) {
        // Clicks beside the edit part of the item being edited still reach its edit window.
        if (!win::Contains(control->GetEditRect(), p))
            control->PassMouseMessage(win::WM_LBUTTONDOWN, win::MK_LBUTTON, p);
        return false;
    }
    // A second press on the entry whose menu is open leaves menu mode, closing the menu; only the Standard
    // family does so for a sub item, the others keep its menu open (the entry's own click handling decides).
    const bool keepsMenu = control->OpensSubMenu() && control->GetDroppedDown() && control->GetSubMenuWindow() &&
                           manager && manager->GetEffectiveStyle() != bmsStandard;
    if (!GetActive())
        EnterKeyboardMode(control);
    else if (!control->IsButtonControl() && FKeyboardOpened && !keepsMenu)
        LeaveKeyboardMode();
    if (!IsBarControlAlive(this))
        return false;
    if (GetActive() && !control->GetHasWindow())
        FKeyboardOpened = true;
    return true;
}

void TxbBarControl::WMLButtonDown(vcl::TMessage& message) {
    if (GetSkipNextButtonUp()) {
        TCustomxbBarControl::WndProc(message);
        return;
    }
    const win::TPoint p{win::GET_X_LPARAM(message.LParam), win::GET_Y_LPARAM(message.LParam)};
    TxbBarManager* manager = GetBarManager();
    const int32_t hit = FHitTestCode;
    // A click into a floating bar activates its form (a form whose floating bars hide while it is inactive
    // is left to its own activation).
    if (FDockingStyle == dsNone && manager && !manager->GetHideFloatingBarsWhenInactive())
        if (vcl::TCustomForm* form = manager->GetOwnerForm(); form && form->HandleAllocated())
            win::SetActiveWindow(form->GetHandle());
    if (!IsBarControlAlive(this) || !PressItemControl(p))
        return;
    TCustomxbBarControl::WndProc(message);
    if (!IsBarControlAlive(this) || IsCustomizing())
        return;
    if (hit == ToolbarHitMove) {
        win::TPoint cursor{0, 0};
        win::GetCursorPos(&cursor);
        win::TRect window{};
        win::GetWindowRect(GetHandle(), &window);
        FDragPressOffset = {cursor.X - window.Left, cursor.Y - window.Top};
        FDragPressSize = {window.Right - window.Left, window.Bottom - window.Top};
        FDragStartStyle = FDockingStyle;
        if (TxbBars* bars = FBar ? FBar->GetBars() : nullptr)
            bars->DragBar(this, cursor);
        return;
    }
    if (PointOnMark(p)) {
        ToggleMark();
        return;
    }
    if (!win::Contains(GetClientRect(), p) && hit != ToolbarHitNone && hit != ToolbarHitClient && manager)
        win::SendMessage(GetHandle(), win::WM_NCLBUTTONDOWN, win::WPARAM(hit), message.LParam);
}

void TxbBarControl::WMLButtonDblClk(vcl::TMessage& message) {
    const win::TPoint p{win::GET_X_LPARAM(message.LParam), win::GET_Y_LPARAM(message.LParam)};
    const int32_t hit = FHitTestCode;
    if (PointOnMark(p))
        ToggleMark();
    TxbBarManager* manager = GetBarManager();
    if (hit == ToolbarHitMove && manager && !manager->GetDesigning()) {
        // Docking changes free this window: nothing may follow.
        ToggleDocking();
        return;
    }
    TCustomxbBarControl::WndProc(message);
}

void TxbBarControl::WMMouseMove(vcl::TMessage& message) {
    const win::TPoint p{win::GET_X_LPARAM(message.LParam), win::GET_Y_LPARAM(message.LParam)};
    const TxbBarItemControlPainter* painter = GetPainter();
    bool offMark = false;
    if (!GetActiveBarControl() && painter && painter->SupportsQuickCustomizing() && HasMark() &&
        GetMarkState() != 2) {
        if (PointOnMark(p))
            SetMarkState(1);
        else
            offMark = GetMarkState() == 1;
    }
    if (FDockingStyle == dsNone && FBar && FBar->CanClose() && painter && painter->HotTracksMark()) {
        const win::TRect close = GetCloseButtonRect();
        const bool onClose = p.X >= close.Left && p.X < close.Right && p.Y >= close.Top && p.Y < close.Bottom;
        if (onClose != (FCloseButtonState == 1))
            SetCloseButtonState(onClose ? 1 : 0);
    }
    TCustomxbBarControl::WndProc(message);
    if (offMark && IsBarControlAlive(this))
        SetMarkState(0);
}

void TxbBarControl::WndProc(vcl::TMessage& message) {
    if (DropsMouseMessage(message.Msg))
        return;
    switch (message.Msg) {
    case win::WM_NCCALCSIZE: WMNCCalcSize(message); return;
    case win::WM_NCHITTEST: WMNCHitTest(message); return;
    case win::WM_NCPAINT: WMNCPaint(message); return;
    case win::WM_SIZING: WMSizing(message); return;
    case win::WM_GETMINMAXINFO: WMGetMinMaxInfo(message); return;
    case win::WM_WINDOWPOSCHANGING: WMWindowPosChanging(message); return;
    case win::WM_GETDLGCODE:
        message.Result = 7; // arrows, tab and every key
        return;
    case win::WM_NCLBUTTONDOWN:
        if (message.WParam == win::WPARAM(win::HTCLOSE)) {
            RunCloseButton();
            return;
        }
        break;
    case win::WM_LBUTTONDOWN: WMLButtonDown(message); return;
    case win::WM_LBUTTONDBLCLK: WMLButtonDblClk(message); return;
    case win::WM_MOUSEMOVE: WMMouseMove(message); return;
    case win::WM_KEYDOWN: WMKeyDown(message); return;
    case win::WM_MOUSEACTIVATE:
        TCustomxbBarControl::WndProc(message);
        // An inactive floating bar comes to the top without taking the activation.
        if (FDockingStyle == dsNone && !GetActive() && HandleAllocated())
            win::SetWindowPos(GetHandle(), win::HWND_TOP, 0, 0, 0, 0,
                              win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
        return;
    case win::WM_MOUSELEAVE:
        TCustomxbBarControl::WndProc(message);
        if (IsBarControlAlive(this)) {
            if (GetMarkState() == 1)
                SetMarkState(0);
            SetCloseButtonState(0);
        }
        return;
    case win::WM_WINDOWPOSCHANGED:
        TCustomxbBarControl::WndProc(message);
        if (IsBarControlAlive(this) && !IsDockingChanging() && FBar &&
            !GetComponentState().Contains(vcl::csDestroying)) {
            FBar->SetDockingStyleAndControl(FDockingStyle, FDockControl);
            if (IsBarControlAlive(this))
                StorePosition();
        }
        return;
    case win::WM_SIZE:
        if (GetComponentState().Contains(vcl::csDestroying))
            return;
        break;
    case vcl::CM_FONTCHANGED:
        TCustomxbBarControl::WndProc(message);
        ApplyCanvasFont();
        CalcMetrics();
        // Items are measured with the new font: the window lays them out again (a docking change rebuilds
        // the window itself).
        if (!IsDockingChanging()) {
            SelectItemControlByMouse(nullptr);
            if (IsBarControlAlive(this))
                Rebuild();
        }
        return;
    case vcl::CM_VISIBLECHANGED:
        TCustomxbBarControl::WndProc(message);
        // A floating window has no parent to make its handle for it.
        if (GetVisible() && !GetParent() && FDockingStyle == dsNone) {
            HandleNeeded();
            win::ShowWindow(GetHandle(), win::SW_SHOWNA);
        }
        return;
    case win::WM_DESTROY: WMDestroy(message); return;
    default: break;
    }
    TCustomxbBarControl::WndProc(message);
}

void TxbBarControl::DestroyWnd() {
    const bool was = FDestroyingWnd;
    FDestroyingWnd = true;
    vcl::ScopeExit restored([this, was]() noexcept { FDestroyingWnd = was; });
    TCustomxbBarControl::DestroyWnd();
}

void TxbBarControl::WMDestroy(vcl::TMessage& message) {
    StopMarkTimer();
    TCustomxbBarControl::WndProc(message);
    // Only a window the window system destroys (a floating bar whose form's window went) is of interest: the
    // window's own changes of handle (docking, a new look, a re-made dock, its destruction) and a drag keep
    // the bar as it is.
    TxbBar* bar = FBar;
    TxbBarManager* manager = GetBarManager();
    vcl::TCustomForm* form = manager ? manager->GetOwnerForm() : nullptr;
    if (!bar || FDestroyingWnd || FDestroying || FMoving || IsDockingChanging() || IsQuickControl() ||
        GetComponentState().Contains(vcl::csDestroying) || !manager || manager->IsDestroying() || !form ||
        form->GetComponentState().Contains(vcl::csDestroying))
        return;
    // The bar is shown again when the form has a window again. Hiding it would free this window in the middle
    // of its own teardown, so the window leaves its bar first and is freed later.
    manager->AddPendingBar(bar);
    if (FDockControl) {
        TxbDockControl* dock = FDockControl;
        FDockControl = nullptr;
        dock->UndockBar(this, false);
    }
    DetachFromManager();
    if (bar->GetItemLinks())
        bar->GetItemLinks()->BarControlGone(this);
    FBar = nullptr;
    SetVisible(false);
    Orphans().push_back(this);
    bar->SetVisible(false);
}

} // namespace bars
