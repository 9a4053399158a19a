// The progress bar: a position within a range, drawn as blocks (or a smooth bar) in a sunken well.
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>

namespace win::ctl {

namespace {

constexpr const char* ProgressProp = "LoomwickProgress";

struct ProgressState {
    int Low = 0;
    int High = 100;
    int Pos = 0;
    int Step = 10;
};

ProgressState* ProgressOf(HWND hwnd) {
    return State<ProgressState>(hwnd, ProgressProp);
}

// Sets the position (clamped to the range) and returns the old one.
LRESULT ProgressSetPos(HWND hwnd, int64_t pos) {
    ProgressState* s = ProgressOf(hwnd);
    int old = s->Pos;
    int clamped = int(std::clamp<int64_t>(pos, s->Low, std::max(s->Low, s->High)));
    if (clamped != s->Pos) {
        s->Pos = clamped;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    return old;
}

void ProgressPaint(HWND hwnd, HDC dc) {
    ProgressState* s = ProgressOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    FillSys(dc, r, COLOR_BTNFACE);
    int64_t span = int64_t(s->High) - s->Low;
    if (span <= 0)
        return;
    bool vertical = (Style(hwnd) & PBS_VERTICAL) != 0;
    int length = vertical ? r.Height() : r.Width();
    int filled = int(int64_t(length) * (s->Pos - s->Low) / span);
    if (Style(hwnd) & PBS_SMOOTH) {
        TRect bar = vertical ? TRect{r.Left, r.Bottom - filled, r.Right, r.Bottom}
                             : TRect{r.Left, r.Top, r.Left + filled, r.Bottom};
        FillSys(dc, bar, COLOR_HIGHLIGHT);
        return;
    }
    // Blocks two thirds as long as the bar is thick, with a gap of two pixels.
    int thick = vertical ? r.Width() : r.Height();
    int block = std::max(2, thick * 2 / 3);
    for (int at = 0; at < filled; at += block + 2) {
        int end = std::min(at + block, length);
        TRect b = vertical ? TRect{r.Left, r.Bottom - end, r.Right, r.Bottom - at}
                           : TRect{r.Left + at, r.Top, r.Left + end, r.Bottom};
        FillSys(dc, b, COLOR_HIGHLIGHT);
    }
}

LRESULT ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintDC dc(hwnd, wParam);
        ProgressPaint(hwnd, dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
        ProgressState* s = ProgressOf(hwnd);
        LRESULT old = MAKELRESULT(s->Low, s->High);
        if (msg == PBM_SETRANGE) {
            s->Low = int(LOWORD(WPARAM(lParam)));
            s->High = int(HIWORD(WPARAM(lParam)));
        } else {
            s->Low = int(wParam);
            s->High = int(lParam);
        }
        ProgressSetPos(hwnd, s->Pos);
        InvalidateRect(hwnd, nullptr, FALSE);
        return old;
    }
    case PBM_GETRANGE: {
        ProgressState* s = ProgressOf(hwnd);
        if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
            range->iLow = s->Low;
            range->iHigh = s->High;
        }
        return wParam ? s->Low : s->High;
    }
    case PBM_SETPOS:
        return ProgressSetPos(hwnd, int(wParam));
    case PBM_DELTAPOS:
        return ProgressSetPos(hwnd, int64_t(ProgressOf(hwnd)->Pos) + int(wParam));
    case PBM_GETPOS:
        return ProgressOf(hwnd)->Pos;
    case PBM_SETSTEP: {
        ProgressState* s = ProgressOf(hwnd);
        int old = s->Step;
        s->Step = int(wParam);
        return old;
    }
    case PBM_STEPIT: {
        // Stepping past the end starts again from the beginning.
        ProgressState* s = ProgressOf(hwnd);
        int old = s->Pos;
        int64_t next = int64_t(s->Pos) + s->Step;
        if (next > s->High)
            next = s->Low + (next - s->High);
        if (next < s->Low)
            next = s->High - (s->Low - next);
        ProgressSetPos(hwnd, next);
        return old;
    }
    case WM_NCDESTROY:
        FreeState<ProgressState>(hwnd, ProgressProp);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterProgressBarClass() {
    RegisterControlClass(PROGRESS_CLASS, WithContextMenu<ProgressProc>, CS_HREDRAW | CS_VREDRAW);
}

} // namespace win::ctl
