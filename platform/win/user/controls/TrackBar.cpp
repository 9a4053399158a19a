// The track bar: a thumb slid along a channel over a range, by mouse and keys, with tick marks. Changes
// reach the parent as WM_HSCROLL (WM_VSCROLL when vertical) with the track bar in lParam.
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>

namespace win::ctl {

namespace {

constexpr const char* TrackProp = "LoomwickTrack";

struct TrackState {
    int Min = 0;
    int Max = 100;
    int Pos = 0;
    int Line = 1;
    int Page = 20;
    int Freq = 1;
    int ThumbLength = 20;
    bool Dragging = false;
    int DragOffset = 0;
};

TrackState* TrackOf(HWND hwnd) {
    return State<TrackState>(hwnd, TrackProp);
}
bool TrackVertical(HWND hwnd) {
    return (Style(hwnd) & TBS_VERT) != 0;
}

// The channel's margin at each end: half a thumb.
constexpr int TrackThumbBreadth = 10;

TRect TrackChannel(HWND hwnd) {
    TRect r;
    GetClientRect(hwnd, &r);
    int margin = TrackThumbBreadth / 2 + 2;
    if (TrackVertical(hwnd)) {
        int x = r.Left + (r.Width() - 4) / 2;
        return {x, r.Top + margin, x + 4, r.Bottom - margin};
    }
    int y = r.Top + (r.Height() - 4) / 2;
    return {r.Left + margin, y, r.Right - margin, y + 4};
}

int TrackPixelOf(HWND hwnd, int pos) {
    TrackState* s = TrackOf(hwnd);
    TRect ch = TrackChannel(hwnd);
    int len = TrackVertical(hwnd) ? ch.Height() : ch.Width();
    int span = s->Max - s->Min;
    int off = span > 0 ? int(int64_t(len) * (pos - s->Min) / span) : 0;
    return (TrackVertical(hwnd) ? ch.Top : ch.Left) + off;
}

int TrackPosOf(HWND hwnd, int pixel) {
    TrackState* s = TrackOf(hwnd);
    TRect ch = TrackChannel(hwnd);
    int start = TrackVertical(hwnd) ? ch.Top : ch.Left;
    int len = std::max(1, TrackVertical(hwnd) ? ch.Height() : ch.Width());
    int64_t span = int64_t(s->Max) - s->Min;
    int64_t pos = s->Min + (int64_t(pixel - start) * span + len / 2) / len;
    return int(std::clamp<int64_t>(pos, s->Min, s->Max));
}

TRect TrackThumb(HWND hwnd) {
    TrackState* s = TrackOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    int at = TrackPixelOf(hwnd, s->Pos);
    int half = TrackThumbBreadth / 2;
    int len = std::min(s->ThumbLength, int(TrackVertical(hwnd) ? r.Width() : r.Height()));
    if (TrackVertical(hwnd)) {
        int x = r.Left + (r.Width() - len) / 2;
        return {x, at - half, x + len, at - half + TrackThumbBreadth};
    }
    int y = r.Top + (r.Height() - len) / 2;
    return {at - half, y, at - half + TrackThumbBreadth, y + len};
}

void TrackNotify(HWND hwnd, WORD code) {
    HWND parent = GetParent(hwnd);
    if (!parent)
        return;
    WPARAM w =
        (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? MAKEWPARAM(code, TrackOf(hwnd)->Pos) : code;
    SendMessage(parent, TrackVertical(hwnd) ? WM_VSCROLL : WM_HSCROLL, w, reinterpret_cast<LPARAM>(hwnd));
}

bool TrackSetPos(HWND hwnd, int pos) {
    TrackState* s = TrackOf(hwnd);
    pos = std::clamp(pos, s->Min, std::max(s->Min, s->Max));
    if (pos == s->Pos)
        return false;
    s->Pos = pos;
    InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

void TrackPaint(HWND hwnd, HDC dc) {
    TrackState* s = TrackOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, ParentColorBrush(hwnd, WM_CTLCOLORSTATIC, dc, COLOR_BTNFACE));
    TRect ch = TrackChannel(hwnd);
    TRect well = ch;
    DrawEdge(dc, &well, EDGE_SUNKEN, BF_RECT);
    // Ticks every Freq positions below (or right of) the channel.
    if ((Style(hwnd) & TBS_AUTOTICKS) && !(Style(hwnd) & TBS_NOTICKS) && s->Freq > 0 && s->Max > s->Min) {
        HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        for (int64_t v = s->Min; v <= s->Max; v += s->Freq) {
            int at = TrackPixelOf(hwnd, int(v));
            if (TrackVertical(hwnd)) {
                MoveToEx(dc, r.Right - 4, at, nullptr);
                LineTo(dc, r.Right - 1, at);
            } else {
                MoveToEx(dc, at, r.Bottom - 4, nullptr);
                LineTo(dc, at, r.Bottom - 1);
            }
        }
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
    if (!(Style(hwnd) & TBS_NOTHUMB)) {
        TRect thumb = TrackThumb(hwnd);
        DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    }
    if (GetFocus() == hwnd) {
        TRect fr = r;
        DrawFocusRect(dc, &fr);
    }
}

LRESULT TrackKey(HWND hwnd, WPARAM key) {
    TrackState* s = TrackOf(hwnd);
    int pos = s->Pos;
    WORD code;
    switch (int(key)) {
    case VK_LEFT:
    case VK_UP:
        pos -= s->Line;
        code = TB_LINEUP;
        break;
    case VK_RIGHT:
    case VK_DOWN:
        pos += s->Line;
        code = TB_LINEDOWN;
        break;
    case VK_PRIOR:
        pos -= s->Page;
        code = TB_PAGEUP;
        break;
    case VK_NEXT:
        pos += s->Page;
        code = TB_PAGEDOWN;
        break;
    case VK_HOME:
        pos = s->Min;
        code = TB_TOP;
        break;
    case VK_END:
        pos = s->Max;
        code = TB_BOTTOM;
        break;
    default:
        return 1;
    }
    if (TrackSetPos(hwnd, pos))
        TrackNotify(hwnd, code);
    return 0;
}

LRESULT TrackProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintDC dc(hwnd, wParam);
        TrackPaint(hwnd, dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        TrackState* s = TrackOf(hwnd);
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        TRect thumb = TrackThumb(hwnd);
        int along = TrackVertical(hwnd) ? p.Y : p.X;
        if (p.X >= thumb.Left && p.X < thumb.Right && p.Y >= thumb.Top && p.Y < thumb.Bottom) {
            s->Dragging = true;
            s->DragOffset = along - TrackPixelOf(hwnd, s->Pos);
            SetCapture(hwnd);
        } else {
            // A click beside the thumb moves it a page towards the click.
            bool before = along < TrackPixelOf(hwnd, s->Pos);
            if (TrackSetPos(hwnd, s->Pos + (before ? -s->Page : s->Page)))
                TrackNotify(hwnd, before ? TB_PAGEUP : TB_PAGEDOWN);
            TrackNotify(hwnd, TB_ENDTRACK);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        TrackState* s = TrackOf(hwnd);
        if (s->Dragging) {
            int along = TrackVertical(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
            if (TrackSetPos(hwnd, TrackPosOf(hwnd, along - s->DragOffset)))
                TrackNotify(hwnd, TB_THUMBTRACK);
        }
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        TrackState* s = TrackOf(hwnd);
        if (s->Dragging) {
            s->Dragging = false;
            if (GetCapture() == hwnd)
                ReleaseCapture();
            TrackNotify(hwnd, TB_THUMBPOSITION);
            TrackNotify(hwnd, TB_ENDTRACK);
        }
        return 0;
    }
    case WM_KEYDOWN:
        if (TrackKey(hwnd, wParam) == 0)
            return 0;
        break;
    case WM_KEYUP:
        if (wParam >= WPARAM(VK_PRIOR) && wParam <= WPARAM(VK_DOWN))
            TrackNotify(hwnd, TB_ENDTRACK);
        break;
    case TBM_GETPOS:
        return TrackOf(hwnd)->Pos;
    case TBM_GETRANGEMIN:
        return TrackOf(hwnd)->Min;
    case TBM_GETRANGEMAX:
        return TrackOf(hwnd)->Max;
    case TBM_SETPOS:
        TrackSetPos(hwnd, int(lParam));
        return 0;
    case TBM_SETRANGE:
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX: {
        TrackState* s = TrackOf(hwnd);
        if (msg == TBM_SETRANGE) {
            s->Min = int16_t(LOWORD(WPARAM(lParam)));
            s->Max = int16_t(HIWORD(WPARAM(lParam)));
        } else if (msg == TBM_SETRANGEMIN) {
            s->Min = int(lParam);
        } else {
            s->Max = int(lParam);
        }
        TrackSetPos(hwnd, s->Pos);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    case TBM_SETTICFREQ:
        TrackOf(hwnd)->Freq = int(wParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case TBM_SETPAGESIZE: {
        TrackState* s = TrackOf(hwnd);
        int old = s->Page;
        s->Page = int(lParam);
        return old;
    }
    case TBM_GETPAGESIZE:
        return TrackOf(hwnd)->Page;
    case TBM_SETLINESIZE: {
        TrackState* s = TrackOf(hwnd);
        int old = s->Line;
        s->Line = int(lParam);
        return old;
    }
    case TBM_GETLINESIZE:
        return TrackOf(hwnd)->Line;
    case TBM_SETTHUMBLENGTH:
        TrackOf(hwnd)->ThumbLength = std::max(1, int(wParam));
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case TBM_GETTHUMBLENGTH:
        return TrackOf(hwnd)->ThumbLength;
    case TBM_GETTHUMBRECT:
        if (lParam)
            *reinterpret_cast<TRect*>(lParam) = TrackThumb(hwnd);
        return 0;
    case TBM_GETCHANNELRECT:
        if (lParam)
            *reinterpret_cast<TRect*>(lParam) = TrackChannel(hwnd);
        return 0;
    case WM_NCDESTROY:
        FreeState<TrackState>(hwnd, TrackProp);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterTrackBarClass() {
    RegisterControlClass(TRACKBAR_CLASS, WithContextMenu<TrackProc>, CS_HREDRAW | CS_VREDRAW);
}

} // namespace win::ctl
