// The default answers of a window to the messages it does not handle itself.
#include "platform/win/user/Backend.h"
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/WindowObject.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <cstring>

namespace win {

namespace user {

// The non-client frame of a window's style: the insets of the client area inside the window.
TRect FrameInsets(DWORD style, DWORD exStyle);

namespace {

bool In(const TRect& r, TPoint p) {
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

LRESULT DefaultHitTest(HWND hwnd, TPoint screen) {
    Window* self = Validate(hwnd);
    if (!self)
        return HTNOWHERE;
    TRect w;
    GetWindowRect(hwnd, &w);
    if (!In(w, screen))
        return HTNOWHERE;
    TPoint origin = ClientOrigin(self);
    TRect client{origin.X, origin.Y, origin.X + self->FClient.Width(), origin.Y + self->FClient.Height()};
    if (In(client, screen))
        return HTCLIENT;
    DWORD style = self->FStyle;
    // Inside the frame the styles give but outside the client area: room a window's own WM_NCCALCSIZE took
    // (a button beside an edit's text), which the window answers for itself.
    if (!DesktopDrawsFrame(hwnd)) {
        TRect styled = FrameInsets(style, self->FExStyle);
        TRect inner{w.Left + styled.Left, w.Top + styled.Top, w.Right - styled.Right, w.Bottom - styled.Bottom};
        if (In(inner, screen))
            return HTNOWHERE;
    }
    if (style & WS_THICKFRAME) {
        int f = GetSystemMetrics(SM_CXFRAME);
        int corner = GetSystemMetrics(SM_CYCAPTION) + f;
        bool left = screen.X < w.Left + f, right = screen.X >= w.Right - f;
        bool top = screen.Y < w.Top + f, bottom = screen.Y >= w.Bottom - f;
        bool nearLeft = screen.X < w.Left + corner, nearRight = screen.X >= w.Right - corner;
        bool nearTop = screen.Y < w.Top + corner, nearBottom = screen.Y >= w.Bottom - corner;
        if ((top && nearLeft) || (left && nearTop))
            return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop))
            return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom))
            return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom))
            return HTBOTTOMRIGHT;
        if (top)
            return HTTOP;
        if (bottom)
            return HTBOTTOM;
        if (left)
            return HTLEFT;
        if (right)
            return HTRIGHT;
    }
    TRect inset = FrameInsets(style & ~(WS_VSCROLL | WS_HSCROLL), self->FExStyle);
    if ((style & WS_CAPTION) == WS_CAPTION) {
        int edge = inset.Left;
        int captionTop = w.Top + edge - (self->FExStyle & WS_EX_CLIENTEDGE ? GetSystemMetrics(SM_CXEDGE) : 0);
        TRect caption{w.Left + edge, captionTop, w.Right - edge, w.Top + inset.Top};
        if (In(caption, screen)) {
            int button = GetSystemMetrics(self->FExStyle & WS_EX_TOOLWINDOW ? SM_CXSMSIZE : SM_CXSIZE);
            if ((style & WS_SYSMENU) && screen.X >= caption.Right - button - 2)
                return HTCLOSE;
            return HTCAPTION;
        }
    }
    if (style & WS_VSCROLL) {
        TRect bar{client.Right, client.Top, client.Right + GetSystemMetrics(SM_CXVSCROLL), client.Bottom};
        if (In(bar, screen))
            return HTVSCROLL;
    }
    if (style & WS_HSCROLL) {
        TRect bar{client.Left, client.Bottom, client.Right, client.Bottom + GetSystemMetrics(SM_CYHSCROLL)};
        if (In(bar, screen))
            return HTHSCROLL;
        if ((style & WS_VSCROLL) && screen.X >= client.Right && screen.Y >= client.Bottom)
            return HTSIZE;
    }
    return HTBORDER;
}

} // namespace

TRect FrameInsets(DWORD style, DWORD exStyle) {
    int edge = 0;
    if (style & WS_THICKFRAME)
        edge = GetSystemMetrics(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
        edge = GetSystemMetrics(SM_CXDLGFRAME);
    else if (style & WS_BORDER)
        edge = GetSystemMetrics(SM_CXBORDER);
    if (exStyle & WS_EX_CLIENTEDGE)
        edge += GetSystemMetrics(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE)
        edge += GetSystemMetrics(SM_CXBORDER);
    TRect inset{edge, edge, edge, edge};
    if ((style & WS_CAPTION) == WS_CAPTION)
        inset.Top +=
            (exStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    if (style & WS_VSCROLL)
        inset.Right += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL)
        inset.Bottom += GetSystemMetrics(SM_CYHSCROLL);
    return inset;
}

} // namespace user

namespace ctl {

// The default window procedure asks for the context menu itself; the control classes, which handle these
// inputs without passing them on, ask through WithContextMenu.
bool ContextMenuInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LPARAM at = 0;
    if (msg == WM_RBUTTONUP) {
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hwnd, &p);
        at = MAKELPARAM(p.X, p.Y);
    } else if ((msg == WM_KEYUP && wParam == WPARAM(VK_APPS)) ||
               ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && wParam == WPARAM(VK_F10) &&
                KeyDown(VK_SHIFT))) {
        at = MAKELPARAM(-1, -1);
    } else {
        return false;
    }
    SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), at);
    return true;
}

} // namespace ctl

using namespace user;

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self = Validate(hwnd);
    if (!self)
        return 0;
    if ((msg == WM_RBUTTONUP || msg == WM_KEYUP || msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) &&
        ctl::ContextMenuInput(hwnd, msg, wParam, lParam))
        return 0;
    switch (msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
        if (cs && cs->lpszName)
            self->FText = cs->lpszName;
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        auto* params = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam);
        if (!params)
            return 0;
        // A window whose frame the desktop draws keeps only its scroll bars inside its rectangle.
        TRect inset = DesktopDrawsFrame(hwnd) ? FrameInsets(self->FStyle & (WS_VSCROLL | WS_HSCROLL), 0)
                                              : FrameInsets(self->FStyle, self->FExStyle);
        TRect& r = params->rgrc[0];
        r = {r.Left + inset.Left, r.Top + inset.Top, std::max(r.Left + inset.Left, r.Right - inset.Right),
             std::max(r.Top + inset.Top, r.Bottom - inset.Bottom)};
        return 0;
    }
    case WM_NCHITTEST:
        return DefaultHitTest(hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_SETTEXT: {
        self->FText = lParam ? reinterpret_cast<const char*>(lParam) : "";
        // The caption shows the new text: the frame is drawn again, and a top-level window's desktop window
        // takes it as its title.
        if ((self->FStyle & WS_CAPTION) == WS_CAPTION && self->IsVisibleFlag())
            RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        if (IsWindow(hwnd) && !self->IsChild())
            ScreenBackendNotify(self);
        return TRUE;
    }
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        size_t n = std::min(self->FText.size(), size_t(wParam) - 1);
        std::memcpy(buffer, self->FText.data(), n);
        buffer[n] = '\0';
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
        return LRESULT(self->FText.size());
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (pos && !(pos->flags & SWP_NOSIZE))
            SendMessage(hwnd, WM_SIZE,
                        (self->FStyle & WS_MAXIMIZE)   ? SIZE_MAXIMIZED
                        : (self->FStyle & WS_MINIMIZE) ? SIZE_MINIMIZED
                                                       : SIZE_RESTORED,
                        MAKELPARAM(self->FClient.Width(), self->FClient.Height()));
        if (pos && !(pos->flags & SWP_NOMOVE) && Validate(hwnd))
            SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(Validate(hwnd)->FClient.Left, Validate(hwnd)->FClient.Top));
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            ShowWindow(hwnd, SW_MAXIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            return 0;
        default:
            return 0;
        }
    case WM_NCLBUTTONDOWN:
        if (wParam == WPARAM(HTCLOSE))
            SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
        else if (wParam == WPARAM(HTCAPTION) || (wParam >= WPARAM(HTLEFT) && wParam <= WPARAM(HTBOTTOMRIGHT)))
            MoveSizeLoop(hwnd, LRESULT(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        else if (wParam == WPARAM(HTVSCROLL) || wParam == WPARAM(HTHSCROLL))
            TrackScrollBar(hwnd, wParam == WPARAM(HTVSCROLL) ? SB_VERT : SB_HORZ,
                           {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_NCLBUTTONDBLCLK:
        if (wParam == WPARAM(HTCAPTION) && (self->FStyle & WS_MAXIMIZEBOX) && (self->FStyle & WS_THICKFRAME))
            SendMessage(hwnd, WM_SYSCOMMAND, IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE, lParam);
        return 0;
    case WM_MOUSEACTIVATE:
        if (self->IsChild() && self->FParent) {
            LRESULT r = SendMessage(self->FParent->FHandle, WM_MOUSEACTIVATE, wParam, lParam);
            if (r)
                return r;
        }
        return (self->FExStyle & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
    case WM_SETCURSOR:
        if (self->IsChild() && self->FParent && SendMessage(self->FParent->FHandle, WM_SETCURSOR, wParam, lParam))
            return TRUE;
        switch (int16_t(LOWORD(lParam))) {
        case HTERROR: {
            UINT mouse = HIWORD(lParam);
            if (mouse == WM_LBUTTONDOWN || mouse == WM_RBUTTONDOWN || mouse == WM_MBUTTONDOWN)
                MessageBeep(0);
            return FALSE;
        }
        case HTCLIENT:
            if (self->FClass && self->FClass->FCursor) {
                SetCursor(self->FClass->FCursor);
                return TRUE;
            }
            return FALSE;
        case HTLEFT:
        case HTRIGHT:
            SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
            return TRUE;
        case HTTOP:
        case HTBOTTOM:
            SetCursor(LoadCursor(nullptr, IDC_SIZENS));
            return TRUE;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT:
            SetCursor(LoadCursor(nullptr, IDC_SIZENWSE));
            return TRUE;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
            SetCursor(LoadCursor(nullptr, IDC_SIZENESW));
            return TRUE;
        default:
            SetCursor(LoadCursor(nullptr, IDC_ARROW));
            return TRUE;
        }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam))
            SetFocus(hwnd);
        return 0;
    case WM_NCACTIVATE:
        return TRUE;
    case WM_CANCELMODE:
        if (GetCapture() == hwnd)
            ReleaseCapture();
        return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
        // Children hand these to their parents.
        if (self->IsChild() && self->FParent)
            return SendMessage(self->FParent->FHandle, msg,
                               msg == WM_CONTEXTMENU ? reinterpret_cast<WPARAM>(hwnd) : wParam, lParam);
        return 0;
    case WM_KEYF1: {
        // The window the help key went to (the focus window) asks for help on itself.
        HELPINFO info;
        info.iContextType = HELPINFO_WINDOW;
        info.iCtrlId = self->IsChild() ? int(self->FId) : 0;
        info.hItemHandle = reinterpret_cast<HANDLE>(hwnd);
        GetCursorPos(&info.MousePos);
        SendMessage(hwnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        return 0;
    }
    case WM_HELP:
        // Help goes up to the first window that answers it: a child's parent, a top-level window's owner.
        if (self->IsChild())
            return self->FParent ? SendMessage(self->FParent->FHandle, WM_HELP, wParam, lParam) : 0;
        if (self->FOwner)
            return SendMessage(self->FOwner->FHandle, WM_HELP, wParam, lParam);
        return 0;
    case WM_SETREDRAW:
        self->FRedraw = wParam != 0;
        return 0;
    case WM_SETICON: {
        // The previous icon of that size comes back; a top-level window's new one goes to the screen.
        HICON& slot = wParam == ICON_SMALL ? self->FIconSmall : self->FIconBig;
        HICON previous = slot;
        slot = reinterpret_cast<HICON>(lParam);
        if (previous != slot && !self->IsChild())
            ScreenBackend().IconChanged(hwnd);
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON:
        // ICON_SMALL2 is the small icon, or else the big one.
        if (wParam == ICON_SMALL2)
            return reinterpret_cast<LRESULT>(self->FIconSmall ? self->FIconSmall : self->FIconBig);
        return reinterpret_cast<LRESULT>(wParam == ICON_SMALL ? self->FIconSmall : self->FIconBig);
    case WM_GETMINMAXINFO:
    case WM_GETDLGCODE:
    case WM_GETFONT:
        return 0;
    case WM_ERASEBKGND: {
        HBRUSH brush = self->FClass ? self->FClass->FBackground : nullptr;
        if (!brush || !wParam)
            return 0;
        // A small number is a system colour index plus one.
        uintptr_t value = reinterpret_cast<uintptr_t>(brush);
        if (value <= 64)
            brush = GetSysColorBrush(int(value) - 1);
        TRect r;
        GetClipBox(reinterpret_cast<HDC>(wParam), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCPAINT:
        PaintFrame(self);
        return 0;
    case WM_PRINT: {
        // Erase and paint the client into the given DC (wParam), as the flags ask; the frame is not printed.
        if (lParam & PRF_ERASEBKGND)
            SendMessage(hwnd, WM_ERASEBKGND, wParam, 0);
        if (lParam & PRF_CLIENT)
            SendMessage(hwnd, WM_PRINTCLIENT, wParam, lParam);
        return 0;
    }
    case WM_SYSKEYDOWN:
        if (wParam == WPARAM(VK_F4) && (lParam & KF_ALTDOWN_BIT) && !self->IsChild())
            PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    default:
        return 0;
    }
}

} // namespace win
