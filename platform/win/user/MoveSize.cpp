// The system's move and size loop, started by a press on a caption or a sizing border, and DragDetect.
#include "platform/win/user/Backend.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/WindowObject.h"

#include <algorithm>
#include <cstdlib>

namespace win {

constexpr WPARAM WMSZ_LEFT = 1;
constexpr WPARAM WMSZ_RIGHT = 2;
constexpr WPARAM WMSZ_TOP = 3;
constexpr WPARAM WMSZ_TOPLEFT = 4;
constexpr WPARAM WMSZ_TOPRIGHT = 5;
constexpr WPARAM WMSZ_BOTTOM = 6;
constexpr WPARAM WMSZ_BOTTOMLEFT = 7;
constexpr WPARAM WMSZ_BOTTOMRIGHT = 8;

namespace user {

namespace {

WPARAM SizingEdge(LRESULT hit) {
    switch (hit) {
    case HTLEFT: return WMSZ_LEFT;
    case HTRIGHT: return WMSZ_RIGHT;
    case HTTOP: return WMSZ_TOP;
    case HTTOPLEFT: return WMSZ_TOPLEFT;
    case HTTOPRIGHT: return WMSZ_TOPRIGHT;
    case HTBOTTOM: return WMSZ_BOTTOM;
    case HTBOTTOMLEFT: return WMSZ_BOTTOMLEFT;
    case HTBOTTOMRIGHT: return WMSZ_BOTTOMRIGHT;
    default: return 0;
    }
}

} // namespace

// Moves (hit HTCAPTION) or sizes (a border hit) the window with the mouse until the button is released;
// Escape puts it back.
void MoveSizeLoop(HWND hwnd, LRESULT hit, TPoint start) {
    WPARAM edge = SizingEdge(hit);
    if (hit != HTCAPTION && !edge)
        return;
    TRect original;
    GetWindowRect(hwnd, &original);
    // Children move in their parent's client coordinates.
    TPoint parentOrigin{0, 0};
    Window* self = Validate(hwnd);
    if (!self)
        return;
    if (self->IsChild())
        parentOrigin = ClientOrigin(self->FParent);
    MINMAXINFO mmi;
    mmi.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
    SetCapture(hwnd);
    WaitScope scope("The window's move and size loop");
    bool cancelled = false;
    MSG m;
    while (Validate(hwnd) && GetCapture() == hwnd && GetMessage(&m, nullptr, 0, 0)) {
        if (m.message == WM_LBUTTONUP)
            break;
        if (m.message == WM_KEYDOWN && m.wParam == WPARAM(VK_ESCAPE)) {
            cancelled = true;
            break;
        }
        if (m.message != WM_MOUSEMOVE) {
            if (m.message < WM_MOUSEFIRST || m.message > WM_MOUSELAST)
                DispatchMessage(&m);
            continue;
        }
        int dx = m.pt.X - start.X, dy = m.pt.Y - start.Y;
        TRect r = original;
        if (hit == HTCAPTION) {
            r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
            SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
        } else {
            if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT)
                r.Left = std::clamp(r.Left + dx, r.Right - mmi.ptMaxTrackSize.X, r.Right - mmi.ptMinTrackSize.X);
            if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT)
                r.Right = std::clamp(r.Right + dx, r.Left + mmi.ptMinTrackSize.X, r.Left + mmi.ptMaxTrackSize.X);
            if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT)
                r.Top = std::clamp(r.Top + dy, r.Bottom - mmi.ptMaxTrackSize.Y, r.Bottom - mmi.ptMinTrackSize.Y);
            if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT)
                r.Bottom = std::clamp(r.Bottom + dy, r.Top + mmi.ptMinTrackSize.Y, r.Top + mmi.ptMaxTrackSize.Y);
            SendMessage(hwnd, WM_SIZING, edge, reinterpret_cast<LPARAM>(&r));
        }
        if (!Validate(hwnd))
            return;
        SetWindowPos(hwnd, nullptr, r.Left - parentOrigin.X, r.Top - parentOrigin.Y, r.Width(), r.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (GetCapture() == hwnd)
        ReleaseCapture();
    if (!Validate(hwnd))
        return;
    if (cancelled)
        SetWindowPos(hwnd, nullptr, original.Left - parentOrigin.X, original.Top - parentOrigin.Y, original.Width(),
                     original.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
}

} // namespace user

BOOL DragDetect(HWND hwnd, TPoint point) {
    if (!IsWindow(hwnd))
        return FALSE;
    TPoint start = point;
    ClientToScreen(hwnd, &start);
    int dx = GetSystemMetrics(SM_CXDRAG) / 2, dy = GetSystemMetrics(SM_CYDRAG) / 2;
    SetCapture(hwnd);
    WaitScope scope("DragDetect");
    BOOL dragged = FALSE;
    MSG m;
    while (IsWindow(hwnd) && GetCapture() == hwnd && GetMessage(&m, nullptr, 0, 0)) {
        if (m.message == WM_LBUTTONUP || (m.message == WM_KEYDOWN && m.wParam == WPARAM(VK_ESCAPE)))
            break;
        if (m.message == WM_MOUSEMOVE) {
            if (std::abs(m.pt.X - start.X) > dx || std::abs(m.pt.Y - start.Y) > dy) {
                dragged = TRUE;
                break;
            }
            continue;
        }
        if (m.message < WM_MOUSEFIRST || m.message > WM_MOUSELAST)
            DispatchMessage(&m);
    }
    if (GetCapture() == hwnd)
        ReleaseCapture();
    return dragged;
}

} // namespace win
