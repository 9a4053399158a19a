// The non-client part of a toolbar window: the border and grip of a docked bar, the top strip and size grip
// of a status bar, the sizing frame, caption and close button of a floating bar; their hit tests, the close
// button's press loop, and the floating window's sizing and snapping back onto a screen.
#include "bars/xbBarToolbar.h"

#include "bars/xbBarCommon.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarPainter.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/UserTypes.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>

namespace bars {

namespace {

// The edge a WM_SIZING reports.
constexpr win::WPARAM SizingLeft = 1, SizingRight = 2, SizingTop = 3, SizingBottom = 6;

bool Meets(const win::TRect& a, const win::TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

} // namespace

void TxbBarControl::CreateParams(vcl::TCreateParams& params) {
    TCustomxbBarControl::CreateParams(params);
    const win::DWORD keep = params.Style & (win::WS_VISIBLE | win::WS_DISABLED);
    if (FDockingStyle != dsNone) {
        params.Style = win::WS_CHILD | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN | keep;
    } else {
        params.Style = win::WS_POPUP | win::WS_CLIPSIBLINGS | win::WS_CLIPCHILDREN | win::WS_BORDER |
                       win::WS_SYSMENU | win::WS_THICKFRAME | keep;
        TxbBarManager* manager = GetBarManager();
        vcl::TCustomForm* form = manager ? manager->GetOwnerForm() : nullptr;
        params.WndParent = form && form->HandleAllocated() ? form->GetHandle() : nullptr;
    }
    params.ExStyle = 0;
    params.WindowClassStyle = win::CS_VREDRAW | win::CS_HREDRAW | win::CS_DBLCLKS;
}

// ---- Geometry -------------------------------------------------------------------------------------------------

win::TRect TxbBarControl::GetNCExcludeRect() {
    if (FDockingStyle == dsNone || !FBar || FBar->GetBorderStyle() != bbsSingle)
        return {};
    return IsVertical() ? win::TRect{-100, -100, 100, 0} : win::TRect{-100, -100, 0, 100};
}

win::TRect TxbBarControl::GetCaptionRect() {
    TxbBarManager* manager = GetBarManager();
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!manager || !painter)
        return {};
    const int32_t fw = manager->GetFloatFrameWidth(), fh = manager->GetFloatFrameHeight();
    return {fw, fh, GetWidth() - fw, fh + painter->GetSmallCaptionHeight()};
}

// The client area's origin in window coordinates.
static win::TPoint ClientOriginInWindow(vcl::TWinControl* control) {
    if (!control->HandleAllocated())
        return {0, 0};
    win::TRect window{};
    win::GetWindowRect(control->GetHandle(), &window);
    win::TPoint origin{0, 0};
    win::ClientToScreen(control->GetHandle(), &origin);
    return {origin.X - window.Left, origin.Y - window.Top};
}

win::TPoint TxbBarControl::GetBackgroundOrigin() { return ClientOriginInWindow(this); }

win::TRect TxbBarControl::GetCloseButtonRect() {
    const win::TRect caption = GetCaptionRect();
    const int32_t size = caption.Bottom - caption.Top;
    const win::TPoint origin = ClientOriginInWindow(this);
    win::TRect r{caption.Right - size, caption.Top, caption.Right, caption.Bottom};
    return {r.Left - origin.X, r.Top - origin.Y, r.Right - origin.X, r.Bottom - origin.Y};
}

win::TRect TxbBarControl::GetMarkRect() {
    if (const TxbBarItemControlPainter* painter = GetPainter()) {
        const win::TRect r = painter->GetMarkRect(this);
        if (r.Right > r.Left && r.Bottom > r.Top)
            return r;
    }
    const win::TRect client = GetClientRect();
    if (FDockingStyle == dsNone) {
        // The first pixels of the caption.
        const win::TRect caption = GetCaptionRect();
        const win::TPoint origin = ClientOriginInWindow(this);
        return {caption.Left - origin.X, caption.Top - origin.Y, caption.Left + 13 - origin.X,
                caption.Bottom - origin.Y};
    }
    if (IsVertical())
        return {0, client.Bottom - ToolbarMarkSize, client.Right, client.Bottom};
    return {client.Right - ToolbarMarkSize, 0, client.Right, client.Bottom};
}

win::TRect TxbBarControl::GetMarkScreenRect() {
    win::TRect r = GetMarkRect();
    if (HandleAllocated()) {
        win::TPoint origin{0, 0};
        win::ClientToScreen(GetHandle(), &origin);
        r = {r.Left + origin.X, r.Top + origin.Y, r.Right + origin.X, r.Bottom + origin.Y};
    }
    return r;
}

// ---- WM_NCCALCSIZE ----------------------------------------------------------------------------------------------

void TxbBarControl::WMNCCalcSize(vcl::TMessage& message) {
    TxbBarManager* manager = GetBarManager();
    const TxbBarItemControlPainter* painter = GetPainter();
    FSizeGrip = FBar && FBar->IsSizeGripVisible();
    auto* params = reinterpret_cast<win::NCCALCSIZE_PARAMS*>(message.LParam);
    if (!params || !manager || !painter || !FBar) {
        DefaultHandler(message);
        return;
    }
    win::TRect& r = params->rgrc[0];
    if (FDockingStyle != dsNone) {
        DefaultHandler(message);
        if (FBar->GetBorderStyle() == bbsSingle) {
            const win::TRect border = painter->GetDockedBorderRect();
            r.Left += border.Left;
            r.Top += border.Top;
            r.Right -= border.Right;
            r.Bottom -= border.Bottom;
            if (IsVertical())
                r.Top += manager->GetBarGripSize(FBar);
            else
                r.Left += manager->GetBarGripSize(FBar);
        } else if (FBar->IsStatusBar()) {
            r.Top += painter->GetStatusBarTopBorder();
            if (FSizeGrip)
                r.Right -= painter->GetSizeGripSize(manager).cx;
        }
    } else {
        if (painter->UsesSystemCaptionMetrics()) {
            DefaultHandler(message);
        } else {
            r.Left += manager->GetFloatFrameWidth();
            r.Right -= manager->GetFloatFrameWidth();
            r.Top += manager->GetFloatFrameHeight();
            r.Bottom -= manager->GetFloatFrameHeight();
        }
        if (FHasCaption) {
            r.Top += painter->GetFloatingCaptionHeight() + painter->GetFloatingTopBorder();
            r.Left += painter->GetFloatingSideBorder();
            r.Right -= painter->GetFloatingSideBorder();
            r.Bottom -= painter->GetFloatingBottomBorder();
        }
    }
    // A frame wider than the window leaves an empty client area, never a reversed one.
    r.Right = std::max(r.Right, r.Left);
    r.Bottom = std::max(r.Bottom, r.Top);
    message.Result = 0;
}

// ---- WM_NCHITTEST -----------------------------------------------------------------------------------------------

void TxbBarControl::WMNCHitTest(vcl::TMessage& message) {
    DefaultHandler(message);
    const win::LRESULT answer = message.Result;
    FHitTestCode = ToolbarHitNone;
    win::TPoint p{win::GET_X_LPARAM(message.LParam), win::GET_Y_LPARAM(message.LParam)};
    if (HandleAllocated())
        win::ScreenToClient(GetHandle(), &p);
    const win::TRect client = GetClientRect();
    TxbBarItemControl* control = GetItemControlAtPos(p);
    const bool usable = control && (IsCustomizing() || control->IsUsable());
    if (FDockingStyle != dsNone) {
        if (answer == win::HTCLIENT && usable)
            return;
        if (answer == win::HTNOWHERE || answer == win::HTCLIENT) {
            if (win::Contains(client, p) && (usable || (HasMark() && win::Contains(GetMarkRect(), p)))) {
                FHitTestCode = ToolbarHitClient;
                return;
            }
            if (FSizeGrip && p.X >= client.Right && p.Y >= client.Top) {
                message.Result = win::HTBOTTOMRIGHT;
                return;
            }
            message.Result = win::HTCLIENT;
            FHitTestCode = ToolbarHitMove;
        }
        return;
    }
    TxbBarManager* manager = GetBarManager();
    const int32_t frameHeight = manager ? manager->GetFloatFrameHeight() : 0;
    win::TRect window{};
    if (HandleAllocated())
        win::GetWindowRect(GetHandle(), &window);
    const int32_t screenY = win::GET_Y_LPARAM(message.LParam);
    switch (answer) {
    case win::HTNOWHERE: {
        message.Result = win::HTCLIENT;
        if (!IsCustomizing() && HasMark() && win::Contains(GetMarkRect(), p)) {
            FHitTestCode = ToolbarHitClient;
        } else if (!FBar || !FBar->CanClose() || !win::Contains(GetCloseButtonRect(), p)) {
            FHitTestCode = ToolbarHitMove;
        } else if (GetPainter() && GetPainter()->UsesSystemCloseHitTest()) {
            message.Result = win::HTCLOSE;
            FHitTestCode = ToolbarHitClient;
        } else {
            FHitTestCode = int32_t(win::HTCLOSE);
        }
        return;
    }
    case win::HTCLIENT:
        if (usable)
            return;
        FHitTestCode = ToolbarHitMove;
        return;
    case win::HTTOPLEFT:
    case win::HTTOPRIGHT:
        // Corners size along one edge only.
        message.Result = screenY < window.Top + frameHeight ? win::HTTOP
                         : answer == win::HTTOPLEFT        ? win::HTLEFT
                                                           : win::HTRIGHT;
        break;
    case win::HTBOTTOMLEFT:
    case win::HTBOTTOMRIGHT:
        message.Result = screenY >= window.Bottom - frameHeight ? win::HTBOTTOM
                         : answer == win::HTBOTTOMLEFT          ? win::HTLEFT
                                                                : win::HTRIGHT;
        break;
    default: break;
    }
    FHitTestCode = int32_t(message.Result);
}

// ---- Close button -----------------------------------------------------------------------------------------------

void TxbBarControl::SetCloseButtonState(int32_t state) {
    if (state == FCloseButtonState)
        return;
    FCloseButtonState = state;
    DrawCloseButton();
}

void TxbBarControl::RunCloseButton() {
    DeactivateAll();
    if (!IsBarControlAlive(this))
        return;
    TxbBarManager* manager = GetBarManager();
    vcl::TCustomForm* form = manager ? manager->GetOwnerForm() : nullptr;
    if (form && form->HandleAllocated() && manager && !manager->GetHideFloatingBarsWhenInactive())
        win::SetActiveWindow(form->GetHandle());
    if (!IsBarControlAlive(this) || !HandleAllocated())
        return;
    const win::HWND handle = GetHandle();
    SetCloseButtonState(2);
    win::SetCapture(handle);
    bool closing = false;
    while (win::GetCapture() == handle) {
        win::MSG msg{};
        const win::BOOL got = win::GetMessage(&msg, nullptr, 0, 0);
        if (got == -1)
            break;
        if (!got) {
            // The quit request belongs to the loop that runs the application.
            win::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (msg.message == win::WM_MOUSEMOVE && msg.hwnd == handle) {
            win::TPoint p{win::GET_X_LPARAM(msg.lParam), win::GET_Y_LPARAM(msg.lParam)};
            SetCloseButtonState(win::Contains(GetCloseButtonRect(), p) ? 2 : 1);
        } else if (msg.message == win::WM_LBUTTONUP) {
            closing = FCloseButtonState == 2;
            break;
        } else {
            win::TranslateMessage(&msg);
            win::DispatchMessage(&msg);
            if (!IsBarControlAlive(this))
                return;
        }
    }
    if (win::GetCapture() == handle)
        win::ReleaseCapture();
    SetCloseButtonState(0);
    if (!closing)
        return;
    // Hiding the bar frees this window: only locals from here on.
    TxbBar* bar = FBar;
    bar->SetVisible(false);
    if (manager)
        manager->DoBarClose(bar);
}

void TxbBarControl::DrawCloseButton() {
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!HandleAllocated() || FDockingStyle != dsNone || !painter || !FHasCaption)
        return;
    const win::TPoint origin = ClientOriginInWindow(this);
    win::TRect r = GetCloseButtonRect();
    r = {r.Left + origin.X, r.Top + origin.Y, r.Right + origin.X, r.Bottom + origin.Y};
    win::HDC dc = win::GetWindowDC(GetHandle());
    painter->DrawCaptionCloseButton(this, dc, r);
    win::ReleaseDC(GetHandle(), dc);
}

// ---- WM_NCPAINT -------------------------------------------------------------------------------------------------

void TxbBarControl::WMNCPaint(vcl::TMessage& message) {
    DefaultHandler(message);
    const TxbBarItemControlPainter* painter = GetPainter();
    if (!HandleAllocated() || !painter || !FBar)
        return;
    win::TRect screen{};
    win::GetWindowRect(GetHandle(), &screen);
    const win::TRect window{0, 0, screen.Right - screen.Left, screen.Bottom - screen.Top};
    const win::TPoint origin = ClientOriginInWindow(this);
    const win::TRect client = GetClientRect();
    const win::TRect inner{origin.X, origin.Y, origin.X + client.Right, origin.Y + client.Bottom};
    win::HBRUSH brush = GetBackgroundBrush();
    win::HDC dc = win::GetWindowDC(GetHandle());
    const bool floating = FDockingStyle == dsNone;
    if (floating || FBar->GetBorderStyle() == bbsSingle) {
        win::TRect area;
        if (floating) {
            TxbBarManager* manager = GetBarManager();
            painter->DrawFloatingFrame(this, dc, brush, manager ? manager->GetFloatFrameWidth() : 0, window);
            const int32_t side = painter->GetFloatingSideBorder();
            area = {inner.Left - side, inner.Top - painter->GetFloatingTopBorder(), inner.Right + side,
                    inner.Bottom + painter->GetFloatingBottomBorder()};
        } else {
            const win::TRect frame = painter->GetDockedFrameWidths(this);
            area = {window.Left + frame.Left, window.Top + frame.Top, window.Right - frame.Right,
                    window.Bottom - frame.Bottom};
        }
        // The strip between the frame and the client area gets the bar's background.
        win::HRGN region = win::CreateRectRgn(area.Left, area.Top, area.Right, area.Bottom);
        win::HRGN hole = win::CreateRectRgn(inner.Left, inner.Top, inner.Right, inner.Bottom);
        win::CombineRgn(region, region, hole, win::RGN_DIFF);
        win::SelectClipRgn(dc, region);
        DrawBackground(dc, window, false, int32_t(vcl::clBtnFace), brush);
        win::SelectClipRgn(dc, nullptr);
        win::DeleteObject(win::ToGdiObj(hole));
        win::DeleteObject(win::ToGdiObj(region));
        if (!floating) {
            // The frame and the grip, around (not over) the client area.
            const int saved = win::SaveDC(dc);
            win::ExcludeClipRect(dc, inner.Left, inner.Top, inner.Right, inner.Bottom);
            painter->DrawDockedFrame(this, dc, window);
            win::RestoreDC(dc, saved);
        } else if (FHasCaption) {
            painter->DrawFloatingCaption(this, dc, brush, GetCaptionRect());
        }
    } else if (FBar->IsStatusBar()) {
        const int32_t top = painter->GetStatusBarTopBorder();
        painter->DrawStatusBarBorder(this, dc, brush, {window.Left, window.Top, window.Right, window.Top + top});
        if (FSizeGrip)
            painter->DrawSizeGrip(this, dc, brush, {inner.Right, inner.Top, window.Right, window.Bottom});
    }
    win::ReleaseDC(GetHandle(), dc);
    message.Result = 0;
}

// ---- Sizing and position ----------------------------------------------------------------------------------------

void TxbBarControl::WMSizing(vcl::TMessage& message) {
    auto* r = reinterpret_cast<win::TRect*>(message.LParam);
    if (!r || FDockingStyle != dsNone || !FBar)
        return;
    const int32_t ncWidth = FBar->GetNonClientWidth(dsNone);
    const int32_t ncHeight = FBar->GetNonClientHeight(dsNone);
    switch (message.WParam) {
    case SizingLeft:
    case SizingRight: {
        const win::TSize size = CalcSizeByWidth(dsNone, r->Right - r->Left - ncWidth);
        if (message.WParam == SizingLeft)
            r->Left = r->Right - size.cx - ncWidth;
        else
            r->Right = r->Left + size.cx + ncWidth;
        r->Bottom = r->Top + size.cy + ncHeight;
        break;
    }
    case SizingTop:
    case SizingBottom: {
        const win::TSize size = CalcSizeByHeight(dsNone, r->Bottom - r->Top - ncHeight);
        r->Right = r->Left + size.cx + ncWidth;
        if (message.WParam == SizingTop)
            r->Top = r->Bottom - size.cy - ncHeight;
        else
            r->Bottom = r->Top + size.cy + ncHeight;
        break;
    }
    default:
        // Corners keep the window as it is.
        if (HandleAllocated())
            win::GetWindowRect(GetHandle(), r);
        break;
    }
    if (r->Top < ToolbarTopLimit) {
        const int32_t shift = ToolbarTopLimit - r->Top;
        r->Top += shift;
        r->Bottom += shift;
    }
    message.Result = 1;
}

void TxbBarControl::WMGetMinMaxInfo(vcl::TMessage& message) {
    DefaultHandler(message);
    auto* info = reinterpret_cast<win::MINMAXINFO*>(message.LParam);
    if (!info)
        return;
    info->ptMinTrackSize = {10, 10};
    info->ptMaxSize = {30000, 30000};
    info->ptMaxPosition = {30000, 30000};
    info->ptMaxTrackSize = {30000, 30000};
    message.Result = 0;
}

void TxbBarControl::WMWindowPosChanging(vcl::TMessage& message) {
    DefaultHandler(message);
    auto* pos = reinterpret_cast<win::WINDOWPOS*>(message.LParam);
    if (!pos || FDockingStyle != dsNone || !HandleAllocated())
        return;
    if ((pos->flags & win::SWP_NOMOVE) && (pos->flags & win::SWP_NOSIZE))
        return;
    win::TRect current{};
    win::GetWindowRect(GetHandle(), &current);
    const int32_t x = pos->flags & win::SWP_NOMOVE ? current.Left : pos->x;
    const int32_t y = pos->flags & win::SWP_NOMOVE ? current.Top : pos->y;
    const int32_t width = pos->flags & win::SWP_NOSIZE ? current.Right - current.Left : pos->cx;
    const int32_t height = pos->flags & win::SWP_NOSIZE ? current.Bottom - current.Top : pos->cy;
    const win::TRect wanted{x, y, x + width, y + height};
    if (!vcl::Screen)
        return;
    for (int32_t i = 0; i < vcl::Screen->GetMonitorCount(); ++i) {
        const vcl::TMonitor monitor = vcl::Screen->GetMonitor(i);
        win::MONITORINFO info;
        win::HMONITOR at = win::MonitorFromPoint({monitor.BoundsRect.Left, monitor.BoundsRect.Top},
                                                 win::MONITOR_DEFAULTTONEAREST);
        const win::TRect work = at && win::GetMonitorInfo(at, &info) ? info.rcWork : monitor.WorkareaRect;
        if (Meets(wanted, work))
            return;
    }
    win::TPoint cursor{0, 0};
    win::GetCursorPos(&cursor);
    win::MONITORINFO info;
    if (!win::GetMonitorInfo(win::MonitorFromPoint(cursor, win::MONITOR_DEFAULTTONEAREST), &info))
        return;
    const win::TRect& work = info.rcWork;
    // Each axis comes back on its own: a bar off a corner returns to that corner.
    int32_t newX = x, newY = y;
    if (wanted.Right <= work.Left)
        newX = work.Left;
    else if (wanted.Left >= work.Right)
        newX = work.Right - width;
    if (wanted.Bottom <= work.Top)
        newY = work.Top;
    else if (wanted.Top >= work.Bottom)
        newY = work.Bottom - height;
    pos->x = newX;
    pos->y = newY;
    pos->flags &= ~win::SWP_NOMOVE;
}

} // namespace bars
