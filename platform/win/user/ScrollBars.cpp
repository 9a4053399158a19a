// Window scroll bars: their state, and the scrolling a click on them starts.
#include "platform/win/user/ScrollBars.h"

#include "platform/win/user/Backend.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/WindowObject.h"

#include <algorithm>

namespace win {

namespace user {

namespace {

ScrollState& StateOf(Window* hwnd, int bar) { return bar == SB_VERT ? hwnd->FVScroll : hwnd->FHScroll; }

DWORD StyleBit(int bar) { return bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL; }

int MaxPos(const ScrollState& s) { return std::max(s.FMin, s.FMax - std::max(int(s.FPage) - 1, 0)); }

bool NeedsBar(const ScrollState& s) {
    return s.FMax > s.FMin && (s.FPage == 0 || s.FMax - s.FMin + 1 > int(s.FPage));
}

void SetBarShown(Window* hwnd, int bar, bool show) {
    DWORD bit = StyleBit(bar);
    bool shown = hwnd->FStyle & bit;
    if (shown == show)
        return;
    if (show)
        hwnd->FStyle |= bit;
    else
        hwnd->FStyle &= ~bit;
    SetWindowPos(hwnd->FHandle, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

} // namespace

} // namespace user

using namespace user;

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
    Window* self = Validate(hwnd);
    if (!self || !info || (bar != SB_VERT && bar != SB_HORZ))
        return 0;
    ScrollState& s = StateOf(self, bar);
    if (info->fMask & SIF_RANGE) {
        s.FMin = info->nMin;
        s.FMax = std::max(info->nMin, info->nMax);
    }
    if (info->fMask & SIF_PAGE)
        s.FPage = std::min<UINT>(info->nPage, UINT(s.FMax - s.FMin + 1));
    if (info->fMask & SIF_POS)
        s.FPos = info->nPos;
    s.FPos = std::clamp(s.FPos, s.FMin, MaxPos(s));
    if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
        bool needed = NeedsBar(s);
        int pos = s.FPos; // showing or hiding a bar sends messages: the window may go meanwhile
        if (info->fMask & SIF_DISABLENOSCROLL) {
            s.FDisabled = needed ? 0 : ESB_DISABLE_BOTH;
            SetBarShown(self, bar, true);
        } else if (s.FShownByCaller || needed != bool(self->FStyle & StyleBit(bar))) {
            SetBarShown(self, bar, needed);
        }
        if (redraw)
            RedrawNonClient(Validate(hwnd));
        return pos;
    }
    if (redraw)
        RedrawNonClient(self);
    return s.FPos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
    Window* self = Validate(hwnd);
    if (!self || !info || (bar != SB_VERT && bar != SB_HORZ))
        return FALSE;
    const ScrollState& s = StateOf(self, bar);
    if (info->fMask & SIF_RANGE) {
        info->nMin = s.FMin;
        info->nMax = s.FMax;
    }
    if (info->fMask & SIF_PAGE)
        info->nPage = s.FPage;
    if (info->fMask & SIF_POS)
        info->nPos = s.FPos;
    if (info->fMask & SIF_TRACKPOS)
        info->nTrackPos = s.FTracking ? s.FTrackPos : s.FPos;
    return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
    Window* self = Validate(hwnd);
    if (!self || (bar != SB_VERT && bar != SB_HORZ))
        return 0;
    int old = StateOf(self, bar).FPos;
    SCROLLINFO info;
    info.fMask = SIF_POS;
    info.nPos = pos;
    SetScrollInfo(hwnd, bar, &info, redraw);
    return old;
}

int GetScrollPos(HWND hwnd, int bar) {
    Window* self = Validate(hwnd);
    return self && (bar == SB_VERT || bar == SB_HORZ) ? StateOf(self, bar).FPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    info.nMin = minPos;
    info.nMax = maxPos;
    return Validate(hwnd) && (SetScrollInfo(hwnd, bar, &info, redraw), true) ? TRUE : FALSE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    if (!GetScrollInfo(hwnd, bar, &info))
        return FALSE;
    if (minPos)
        *minPos = info.nMin;
    if (maxPos)
        *maxPos = info.nMax;
    return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
    Window* self = Validate(hwnd);
    if (!self)
        return FALSE;
    if (bar == SB_VERT || bar == SB_BOTH) {
        self->FVScroll.FShownByCaller = true;
        SetBarShown(self, SB_VERT, show);
    }
    self = Validate(hwnd);
    if (self && (bar == SB_HORZ || bar == SB_BOTH)) {
        self->FHScroll.FShownByCaller = true;
        SetBarShown(self, SB_HORZ, show);
    }
    return TRUE;
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
    Window* self = Validate(hwnd);
    if (!self)
        return FALSE;
    if (bar == UINT(SB_VERT) || bar == UINT(SB_BOTH))
        self->FVScroll.FDisabled = arrows;
    if (bar == UINT(SB_HORZ) || bar == UINT(SB_BOTH))
        self->FHScroll.FDisabled = arrows;
    RedrawNonClient(Validate(hwnd));
    return TRUE;
}

namespace user {

// Where a point lies on a window's bar: which part, and the bar's geometry in screen coordinates.
ScrollHit ScrollBarHit(HWND hwnd, int bar, TPoint screen) {
    ScrollHit hit;
    Window* self = Validate(hwnd);
    if (!self)
        return hit;
    TPoint origin = ClientOrigin(self);
    TRect client{origin.X, origin.Y, origin.X + self->FClient.Width(), origin.Y + self->FClient.Height()};
    bool vert = bar == SB_VERT;
    int thickness = GetSystemMetrics(vert ? SM_CXVSCROLL : SM_CYHSCROLL);
    int arrow = GetSystemMetrics(vert ? SM_CYVSCROLL : SM_CXHSCROLL);
    hit.FBar = vert ? TRect{client.Right, client.Top, client.Right + thickness, client.Bottom}
                    : TRect{client.Left, client.Bottom, client.Right, client.Bottom + thickness};
    int length = vert ? hit.FBar.Height() : hit.FBar.Width();
    int start = vert ? hit.FBar.Top : hit.FBar.Left;
    int coord = vert ? screen.Y : screen.X;
    arrow = std::min(arrow, length / 2);
    const ScrollState& s = StateOf(self, bar);
    int track = length - 2 * arrow;
    int range = s.FMax - s.FMin + 1;
    int thumb = s.FPage ? std::max(8, int(int64_t(track) * s.FPage / std::max(range, 1))) : GetSystemMetrics(SM_CYVTHUMB);
    thumb = std::min(thumb, track);
    int span = std::max(MaxPos(s) - s.FMin, 0);
    int thumbStart = start + arrow + (span ? int(int64_t(track - thumb) * (s.FPos - s.FMin) / span) : 0);
    hit.FTrackStart = start + arrow;
    hit.FTrackLength = track - thumb;
    hit.FThumbStart = thumbStart;
    if (coord < start + arrow)
        hit.FPart = SB_LINEUP;
    else if (coord >= start + length - arrow)
        hit.FPart = SB_LINEDOWN;
    else if (coord < thumbStart)
        hit.FPart = SB_PAGEUP;
    else if (coord >= thumbStart + thumb)
        hit.FPart = SB_PAGEDOWN;
    else
        hit.FPart = SB_THUMBTRACK;
    return hit;
}

// A press on a scroll bar: the bar sends its scroll codes until the button is released.
void TrackScrollBar(HWND hwnd, int bar, TPoint screen) {
    Window* self = Validate(hwnd);
    if (!self)
        return;
    // The state is read only while the window lives: the loop checks the handle each round.
    ScrollState& s = StateOf(self, bar);
    if (s.FDisabled == ESB_DISABLE_BOTH)
        return;
    UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
    ScrollHit hit = ScrollBarHit(hwnd, bar, screen);
    bool vert = bar == SB_VERT;
    int grab = (vert ? screen.Y : screen.X) - hit.FThumbStart;
    if (hit.FPart != SB_THUMBTRACK)
        SendMessage(hwnd, msg, hit.FPart, 0);
    else {
        s.FTracking = true;
        s.FTrackPos = s.FPos;
    }
    SetCapture(hwnd);
    WaitScope scope("The scroll bar's tracking loop");
    MSG m;
    while (Validate(hwnd) && GetCapture() == hwnd && GetMessage(&m, nullptr, 0, 0)) {
        if (m.message == WM_LBUTTONUP)
            break;
        if (m.message == WM_MOUSEMOVE && s.FTracking && hit.FTrackLength > 0) {
            int coord = vert ? m.pt.Y : m.pt.X;
            int offset = std::clamp(coord - grab - hit.FTrackStart, 0, hit.FTrackLength);
            int pos = s.FMin + int(int64_t(offset) * (MaxPos(s) - s.FMin) / hit.FTrackLength);
            if (pos != s.FTrackPos) {
                s.FTrackPos = pos;
                SendMessage(hwnd, msg, MAKEWPARAM(SB_THUMBTRACK, pos), 0);
            }
            continue;
        }
        if (m.message == WM_KEYDOWN && m.wParam == WPARAM(VK_ESCAPE))
            break;
        if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST)
            continue;
        DispatchMessage(&m);
    }
    if (GetCapture() == hwnd)
        ReleaseCapture();
    if (!Validate(hwnd))
        return;
    if (s.FTracking) {
        s.FTracking = false;
        SendMessage(hwnd, msg, MAKEWPARAM(SB_THUMBPOSITION, s.FTrackPos), 0);
    }
    if (Validate(hwnd))
        SendMessage(hwnd, msg, SB_ENDSCROLL, 0);
}

} // namespace user

} // namespace win
