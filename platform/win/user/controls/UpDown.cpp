// The up-down control: two arrow buttons that step a position within a range, optionally showing it in
// a buddy window. The parent hears UDN_DELTAPOS (and may refuse the step), then WM_VSCROLL (WM_HSCROLL when
// horizontal) with SB_THUMBPOSITION.
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace win::ctl {

namespace {

constexpr const char* UpDownProp = "LoomwickUpDown";
// On a buddy: its own procedure, and the up-down control whose arrow keys it passes on.
constexpr const char* UpDownBuddyProcProp = "LoomwickUpDownBuddyProc";
constexpr const char* UpDownBuddyOwnerProp = "LoomwickUpDownBuddyOwner";
constexpr uintptr_t UpDownTimer = 1;
// Auto-repeat: the first step waits longer than the ones after it.
constexpr UINT UpDownFirstDelay = 400;
constexpr UINT UpDownRepeat = 100;

struct UpDownState {
    int Low = 100; // the system's default range runs backwards (100 at the bottom, 0 at the top)
    int High = 0;
    int Pos = 0;
    HWND Buddy = nullptr;
    int Pressed = 0; // +1 the up (right) button, -1 the down (left) one, 0 none
};

UpDownState* UpDownOf(HWND hwnd) {
    return State<UpDownState>(hwnd, UpDownProp);
}
bool UpDownHorz(HWND hwnd) {
    return (Style(hwnd) & UDS_HORZ) != 0;
}

// The up (or right) button's rectangle, and the down (or left) one.
TRect UpDownButton(HWND hwnd, int which) {
    TRect r;
    GetClientRect(hwnd, &r);
    if (UpDownHorz(hwnd)) {
        int mid = r.Left + r.Width() / 2;
        return which > 0 ? TRect{mid, r.Top, r.Right, r.Bottom} : TRect{r.Left, r.Top, mid, r.Bottom};
    }
    int mid = r.Top + r.Height() / 2;
    return which > 0 ? TRect{r.Left, r.Top, r.Right, mid} : TRect{r.Left, mid, r.Right, r.Bottom};
}

void UpDownShowInBuddy(HWND hwnd) {
    UpDownState* s = UpDownOf(hwnd);
    if (s->Buddy && (Style(hwnd) & UDS_SETBUDDYINT)) {
        std::string text = std::to_string(s->Pos);
        if (!(Style(hwnd) & UDS_NOTHOUSANDS) && std::abs(s->Pos) >= 1000) {
            std::string digits = std::to_string(std::abs(s->Pos));
            std::string grouped;
            for (size_t i = 0; i < digits.size(); ++i) {
                if (i && (digits.size() - i) % 3 == 0)
                    grouped += ',';
                grouped += digits[i];
            }
            text = (s->Pos < 0 ? "-" : "") + grouped;
        }
        SetWindowText(s->Buddy, text.c_str());
    }
}

// Reads the position back from the buddy's text (the user may have typed there).
void UpDownReadBuddy(HWND hwnd) {
    UpDownState* s = UpDownOf(hwnd);
    if (!s->Buddy || !(Style(hwnd) & UDS_SETBUDDYINT))
        return;
    std::string text;
    for (char c : GetWindowTextString(s->Buddy))
        if (c != ',')
            text += c;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (end && end != text.c_str() && *end == 0) {
        int lo = std::min(s->Low, s->High), hi = std::max(s->Low, s->High);
        s->Pos = int(std::clamp<long>(v, lo, hi));
    }
}

void UpDownStep(HWND hwnd, int direction) {
    UpDownState* s = UpDownOf(hwnd);
    UpDownReadBuddy(hwnd);
    // "Up" moves towards High, whichever way the range runs.
    int delta = s->High >= s->Low ? direction : -direction;
    NMUPDOWN nm;
    nm.iPos = s->Pos;
    nm.iDelta = delta;
    if (Notify(hwnd, UDN_DELTAPOS, &nm.hdr))
        return; // the parent refused
    int lo = std::min(s->Low, s->High), hi = std::max(s->Low, s->High);
    int64_t next = int64_t(s->Pos) + nm.iDelta;
    if (next > hi)
        next = (Style(hwnd) & UDS_WRAP) ? lo : hi;
    if (next < lo)
        next = (Style(hwnd) & UDS_WRAP) ? hi : lo;
    if (int(next) == s->Pos)
        return;
    s->Pos = int(next);
    UpDownShowInBuddy(hwnd);
    if (HWND parent = GetParent(hwnd))
        SendMessage(parent, UpDownHorz(hwnd) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, s->Pos),
                    reinterpret_cast<LPARAM>(hwnd));
}

// The buddy's Up and Down keys step the up-down control (UDS_ARROWKEYS).
LRESULT CALLBACK_UpDownBuddy(HWND buddy, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<WNDPROC>(GetProp(buddy, UpDownBuddyProcProp));
    auto owner = reinterpret_cast<HWND>(GetProp(buddy, UpDownBuddyOwnerProp));
    if (!proc)
        return DefWindowProc(buddy, msg, wParam, lParam);
    if (msg == WM_KEYDOWN && owner && IsWindow(owner) && (Style(owner) & UDS_ARROWKEYS)) {
        bool horz = (Style(owner) & UDS_HORZ) != 0;
        int up = horz ? VK_RIGHT : VK_UP, down = horz ? VK_LEFT : VK_DOWN;
        if (wParam == WPARAM(up) || wParam == WPARAM(down)) {
            UpDownStep(owner, wParam == WPARAM(up) ? 1 : -1);
            return 0;
        }
    }
    if (msg == WM_NCDESTROY) {
        RemoveProp(buddy, UpDownBuddyProcProp);
        RemoveProp(buddy, UpDownBuddyOwnerProp);
        // The up-down control forgets the window at once and hears of it later, when whoever made the
        // buddy may have made it again.
        if (owner && IsWindow(owner) && UpDownOf(owner)->Buddy == buddy) {
            UpDownOf(owner)->Buddy = nullptr;
            PostMessage(owner, UDM_BUDDYDESTROYED, reinterpret_cast<WPARAM>(buddy), 0);
        }
        if (GetWindowLong(buddy, GWL_WNDPROC) == reinterpret_cast<LONG_PTR>(&CALLBACK_UpDownBuddy))
            SetWindowLong(buddy, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    }
    return CallWindowProc(proc, buddy, msg, wParam, lParam);
}

void UpDownHookBuddy(HWND hwnd, HWND buddy) {
    if (!buddy || !IsWindow(buddy))
        return;
    if (!GetProp(buddy, UpDownBuddyProcProp)) {
        LONG_PTR previous =
            SetWindowLong(buddy, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CALLBACK_UpDownBuddy));
        SetProp(buddy, UpDownBuddyProcProp, reinterpret_cast<HANDLE>(previous));
    }
    SetProp(buddy, UpDownBuddyOwnerProp, reinterpret_cast<HANDLE>(hwnd));
}

void UpDownUnhookBuddy(HWND hwnd, HWND buddy) {
    if (buddy && IsWindow(buddy) && GetProp(buddy, UpDownBuddyOwnerProp) == reinterpret_cast<HANDLE>(hwnd))
        RemoveProp(buddy, UpDownBuddyOwnerProp);
}

// Puts the control beside its buddy, which gives up the room.
void UpDownAlign(HWND hwnd) {
    UpDownState* s = UpDownOf(hwnd);
    DWORD style = Style(hwnd);
    if (!s->Buddy || !(style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)) || GetParent(s->Buddy) != GetParent(hwnd))
        return;
    TRect br, mine;
    GetWindowRect(s->Buddy, &br);
    GetWindowRect(hwnd, &mine);
    HWND parent = GetParent(hwnd);
    TPoint tl{br.Left, br.Top};
    if (parent)
        ScreenToClient(parent, &tl);
    int w = mine.Width() > 0 ? mine.Width() : 16;
    int bw = std::max(0, br.Width() - w);
    if (style & UDS_ALIGNRIGHT) {
        SetWindowPos(s->Buddy, nullptr, tl.X, tl.Y, bw, br.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(hwnd, nullptr, tl.X + bw, tl.Y, w, br.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(hwnd, nullptr, tl.X, tl.Y, w, br.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(s->Buddy, nullptr, tl.X + w, tl.Y, bw, br.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void UpDownPaint(HWND hwnd, HDC dc) {
    UpDownState* s = UpDownOf(hwnd);
    bool enabled = IsWindowEnabled(hwnd);
    for (int which : {1, -1}) {
        TRect b = UpDownButton(hwnd, which);
        UINT kind = UpDownHorz(hwnd) ? (which > 0 ? DFCS_SCROLLRIGHT : DFCS_SCROLLLEFT)
                                     : (which > 0 ? DFCS_SCROLLUP : DFCS_SCROLLDOWN);
        DrawFrameControl(dc, &b, DFC_SCROLL,
                         kind | (s->Pressed == which ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE));
    }
}

LRESULT UpDownProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        if (Style(hwnd) & UDS_AUTOBUDDY) {
            HWND prev = GetWindow(hwnd, GW_HWNDPREV);
            if (prev)
                SendMessage(hwnd, UDM_SETBUDDY, reinterpret_cast<WPARAM>(prev), 0);
        }
        break;
    case WM_PAINT: {
        PaintDC dc(hwnd, wParam);
        UpDownPaint(hwnd, dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        TRect up = UpDownButton(hwnd, 1);
        int which = (p.X >= up.Left && p.X < up.Right && p.Y >= up.Top && p.Y < up.Bottom) ? 1 : -1;
        UpDownState* s = UpDownOf(hwnd);
        s->Pressed = which;
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        UpDownStep(hwnd, which);
        SetTimer(hwnd, UpDownTimer, UpDownFirstDelay, nullptr);
        return 0;
    }
    case WM_TIMER:
        if (wParam == UpDownTimer) {
            UpDownState* s = UpDownOf(hwnd);
            if (s->Pressed) {
                SetTimer(hwnd, UpDownTimer, UpDownRepeat, nullptr);
                UpDownStep(hwnd, s->Pressed);
            } else {
                KillTimer(hwnd, UpDownTimer);
            }
            return 0;
        }
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        UpDownState* s = UpDownOf(hwnd);
        if (s->Pressed) {
            s->Pressed = 0;
            KillTimer(hwnd, UpDownTimer);
            if (GetCapture() == hwnd)
                ReleaseCapture();
            InvalidateRect(hwnd, nullptr, FALSE);
            if (HWND parent = GetParent(hwnd))
                SendMessage(parent, UpDownHorz(hwnd) ? WM_HSCROLL : WM_VSCROLL,
                            MAKEWPARAM(SB_ENDSCROLL, s->Pos), reinterpret_cast<LPARAM>(hwnd));
        }
        return 0;
    }
    case WM_KEYDOWN:
        if (Style(hwnd) & UDS_ARROWKEYS) {
            if (wParam == WPARAM(VK_UP) || wParam == WPARAM(VK_RIGHT)) {
                UpDownStep(hwnd, 1);
                return 0;
            }
            if (wParam == WPARAM(VK_DOWN) || wParam == WPARAM(VK_LEFT)) {
                UpDownStep(hwnd, -1);
                return 0;
            }
        }
        break;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case UDM_SETRANGE:
    case UDM_SETRANGE32: {
        UpDownState* s = UpDownOf(hwnd);
        if (msg == UDM_SETRANGE) {
            s->High = int16_t(LOWORD(WPARAM(lParam)));
            s->Low = int16_t(HIWORD(WPARAM(lParam)));
        } else {
            s->Low = int(wParam);
            s->High = int(lParam);
        }
        int lo = std::min(s->Low, s->High), hi = std::max(s->Low, s->High);
        s->Pos = std::clamp(s->Pos, lo, hi);
        return 0;
    }
    case UDM_GETRANGE: {
        UpDownState* s = UpDownOf(hwnd);
        return MAKELRESULT(s->High, s->Low);
    }
    case UDM_GETRANGE32: {
        UpDownState* s = UpDownOf(hwnd);
        if (wParam)
            *reinterpret_cast<int*>(wParam) = s->Low;
        if (lParam)
            *reinterpret_cast<int*>(lParam) = s->High;
        return 0;
    }
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        UpDownState* s = UpDownOf(hwnd);
        int old = s->Pos;
        int lo = std::min(s->Low, s->High), hi = std::max(s->Low, s->High);
        s->Pos = std::clamp(msg == UDM_SETPOS ? int(int16_t(LOWORD(WPARAM(lParam)))) : int(lParam), lo, hi);
        UpDownShowInBuddy(hwnd);
        return old;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32:
        UpDownReadBuddy(hwnd);
        return msg == UDM_GETPOS ? MAKELRESULT(UpDownOf(hwnd)->Pos, 0) : UpDownOf(hwnd)->Pos;
    case UDM_SETBUDDY: {
        UpDownState* s = UpDownOf(hwnd);
        HWND old = s->Buddy;
        UpDownUnhookBuddy(hwnd, old);
        s->Buddy = reinterpret_cast<HWND>(wParam);
        UpDownHookBuddy(hwnd, s->Buddy);
        UpDownAlign(hwnd);
        UpDownShowInBuddy(hwnd);
        return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY:
        return reinterpret_cast<LRESULT>(UpDownOf(hwnd)->Buddy);
    case WM_NCDESTROY:
        UpDownUnhookBuddy(hwnd, UpDownOf(hwnd)->Buddy);
        KillTimer(hwnd, UpDownTimer);
        FreeState<UpDownState>(hwnd, UpDownProp);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterUpDownClass() {
    RegisterControlClass(UPDOWN_CLASS, WithContextMenu<UpDownProc>, CS_HREDRAW | CS_VREDRAW);
}

} // namespace win::ctl
