// Input: raw events become mouse and key messages; capture, focus, activation and key state.
#include "platform/win/user/Input.h"

#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/WindowObject.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <vector>

namespace win {

namespace user {

namespace {

struct RawInput {
    bool FMouse = true;
    MouseAction FAction = MouseAction::Move;
    TPoint FPoint;
    int FWheel = 0;
    int FVk = 0;
    bool FDown = false;
    uint32_t FChar = 0;
    DWORD FTime = 0;
    BYTE FAsyncSnapshot[256] = {}; // the key state when the event happened
};

std::mutex& InputLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::deque<RawInput>& InputQueue() {
    static auto* queue = new std::deque<RawInput>;
    return *queue;
}

// The last button press, for double clicks.
struct ClickMemory {
    HWND FHwnd = nullptr;
    UINT FMessage = 0;
    DWORD FTime = 0;
    TPoint FPoint;
    bool FWasDouble = false;
};
ClickMemory& LastClick() {
    static ClickMemory click;
    return click;
}

bool Down(const BYTE* keys, int vk) { return (keys[vk] & 0x80) != 0; }

WPARAM MouseKeys(const BYTE* keys) {
    WPARAM w = 0;
    if (Down(keys, VK_LBUTTON))
        w |= MK_LBUTTON;
    if (Down(keys, VK_RBUTTON))
        w |= MK_RBUTTON;
    if (Down(keys, VK_MBUTTON))
        w |= MK_MBUTTON;
    if (Down(keys, VK_SHIFT))
        w |= MK_SHIFT;
    if (Down(keys, VK_CONTROL))
        w |= MK_CONTROL;
    return w;
}

void SetKey(BYTE* keys, int vk, bool down) {
    if (down) {
        if (!(keys[vk] & 0x80))
            keys[vk] ^= 0x01; // toggle state flips on each press
        keys[vk] |= 0x80;
    } else {
        keys[vk] &= ~0x80;
    }
    // The generic modifier follows its left and right keys.
    auto generic = [&](int g, int l, int r) {
        if (vk == l || vk == r)
            keys[g] = (keys[l] & 0x80) || (keys[r] & 0x80) ? BYTE(keys[g] | 0x80) : BYTE(keys[g] & ~0x80);
    };
    generic(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    generic(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    generic(VK_MENU, VK_LMENU, VK_RMENU);
}

int ButtonVk(MouseAction a) {
    switch (a) {
    case MouseAction::LeftDown:
    case MouseAction::LeftUp: return VK_LBUTTON;
    case MouseAction::RightDown:
    case MouseAction::RightUp: return VK_RBUTTON;
    case MouseAction::MiddleDown:
    case MouseAction::MiddleUp: return VK_MBUTTON;
    default: return 0;
    }
}

bool IsButtonDown(MouseAction a) {
    return a == MouseAction::LeftDown || a == MouseAction::RightDown || a == MouseAction::MiddleDown;
}

UINT ClientMessage(MouseAction a) {
    switch (a) {
    case MouseAction::Move: return WM_MOUSEMOVE;
    case MouseAction::LeftDown: return WM_LBUTTONDOWN;
    case MouseAction::LeftUp: return WM_LBUTTONUP;
    case MouseAction::RightDown: return WM_RBUTTONDOWN;
    case MouseAction::RightUp: return WM_RBUTTONUP;
    case MouseAction::MiddleDown: return WM_MBUTTONDOWN;
    case MouseAction::MiddleUp: return WM_MBUTTONUP;
    case MouseAction::Wheel: return WM_MOUSEWHEEL;
    }
    return WM_MOUSEMOVE;
}

bool PointIn(const TRect& r, TPoint p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }

// The deepest visible window under a point (parent client coordinates), skipping excluded ones.
Window* DeepestAt(Window* parent, TPoint pt, const std::vector<HWND>& excluded) {
    for (Window* child : parent->FChildren) {
        if (!child->IsVisibleFlag() || !PointIn(child->FRect, pt) || !WindowRegionContains(child, pt))
            continue;
        if (std::find(excluded.begin(), excluded.end(), child->FHandle) != excluded.end())
            continue;
        TPoint inner{pt.X - child->FClient.Left, pt.Y - child->FClient.Top};
        if (PointIn({0, 0, child->FClient.Width(), child->FClient.Height()}, inner) && !(child->FStyle & WS_DISABLED)) {
            Window* deeper = DeepestAt(child, inner, excluded);
            if (deeper)
                return deeper;
        }
        return child;
    }
    return nullptr;
}

} // namespace

// Finds the window under a screen point and its hit-test code, asking WM_NCHITTEST and passing
// HTTRANSPARENT answers on to the windows beneath.
HWND HitTest(TPoint screen, LRESULT* hit) {
    std::vector<HWND> excluded;
    for (int guard = 0; guard < 64; ++guard) {
        Window* window = DeepestAt(Validate(GetDesktopWindow()), screen, excluded);
        if (!window) {
            *hit = HTNOWHERE;
            return nullptr;
        }
        HWND w = window->FHandle;
        if (window->FStyle & WS_DISABLED) {
            *hit = HTERROR;
            return w;
        }
        LRESULT h = HTCLIENT;
        if (window->FThreadId == GetCurrentThreadId())
            h = Send(w, WM_NCHITTEST, 0, MAKELPARAM(screen.X, screen.Y));
        if (!Validate(w)) {
            excluded.clear();
            continue;
        }
        if (h != HTTRANSPARENT) {
            *hit = h;
            return w;
        }
        excluded.push_back(w);
    }
    *hit = HTNOWHERE;
    return nullptr;
}

bool HasInput() {
    std::lock_guard<std::mutex> guard(InputLock());
    return !InputQueue().empty();
}

namespace {

void CheckMouseLeave(HWND target, LRESULT hit) {
    State& s = GetState();
    HWND tracked = s.FTracked;
    if (!tracked)
        return;
    bool nonClient = s.FTrackFlags & TME_NONCLIENT;
    bool stillIn = target == tracked && (nonClient ? hit != HTCLIENT : hit == HTCLIENT);
    if (stillIn)
        return;
    s.FTracked = nullptr;
    if (Validate(tracked))
        PostMessage(tracked, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
}

// Sets `foreign` and returns false when the event is for a window of another thread.
bool CookMouse(const RawInput& in, MSG* msg, LRESULT* hitOut, bool* foreign) {
    State& s = GetState();
    LRESULT hit = HTCLIENT;
    HWND target = s.FCapture;
    if (!target)
        target = HitTest(in.FPoint, &hit);
    else if (!Validate(target)) {
        s.FCapture = nullptr;
        target = HitTest(in.FPoint, &hit);
    }
    *hitOut = hit;
    if (!target)
        return false;
    DWORD owner = ThreadOf(target);
    bool mine = !owner || owner == GetCurrentThreadId();
    UINT message = ClientMessage(in.FAction);
    msg->hwnd = target;
    msg->time = in.FTime;
    msg->pt = in.FPoint;
    if (in.FAction == MouseAction::Wheel) {
        // The wheel goes to the focus window, with screen coordinates.
        HWND focus = GetFocus();
        if (!focus && !mine) {
            *foreign = true;
            return false;
        }
        if (!focus)
            focus = target;
        msg->hwnd = focus;
        msg->message = WM_MOUSEWHEEL;
        msg->wParam = MAKEWPARAM(int(MouseKeys(in.FAsyncSnapshot)), in.FWheel);
        msg->lParam = MAKELPARAM(in.FPoint.X, in.FPoint.Y);
        return true;
    }
    if (!mine) {
        *foreign = true;
        return false;
    }
    if (hit == HTCLIENT || s.FCapture) {
        TPoint p = in.FPoint;
        ScreenToClient(target, &p);
        msg->message = message;
        msg->wParam = MouseKeys(in.FAsyncSnapshot);
        msg->lParam = MAKELPARAM(p.X, p.Y);
    } else {
        msg->message = message - WM_NCMOUSE_OFFSET;
        msg->wParam = WPARAM(hit);
        msg->lParam = MAKELPARAM(in.FPoint.X, in.FPoint.Y);
    }
    // Double clicks for classes that ask for them.
    if (IsButtonDown(in.FAction) && hit != HTERROR) {
        ClickMemory& last = LastClick();
        Window* targetWindow = Validate(target);
        bool wantsDouble = targetWindow && targetWindow->FClass && (targetWindow->FClass->FStyle & CS_DBLCLKS);
        int dx = GetSystemMetrics(SM_CXDOUBLECLK) / 2, dy = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        bool isDouble = wantsDouble && !last.FWasDouble && last.FHwnd == target && last.FMessage == message &&
                        in.FTime - last.FTime <= s.FDoubleClickTime && std::abs(in.FPoint.X - last.FPoint.X) <= dx &&
                        std::abs(in.FPoint.Y - last.FPoint.Y) <= dy;
        if (isDouble)
            msg->message += 2; // ...DOWN -> ...DBLCLK
        last = {target, message, in.FTime, in.FPoint, isDouble};
    }
    return true;
}

// Button presses activate the window they land in, unless it says otherwise. Returns false when the
// click is eaten.
bool MouseActivate(HWND target, LRESULT hit, UINT message) {
    Window* topWindow = TopLevelOf(Validate(target));
    HWND top = H(topWindow);
    if (!top || top == CurrentThreadInput().FActive || (topWindow->FExStyle & WS_EX_NOACTIVATE) ||
        ThreadOf(top) != GetCurrentThreadId())
        return true;
    LRESULT r = Send(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top), MAKELPARAM(int(hit), int(message)));
    if (!Validate(target))
        return false;
    if (r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT)
        ActivateWindow(top, true);
    return r != MA_ACTIVATEANDEAT && r != MA_NOACTIVATEANDEAT;
}

bool CookKey(const RawInput& in, MSG* msg) {
    State& s = GetState();
    HWND target = GetFocus();
    bool noFocus = target == nullptr;
    if (!target)
        target = GetActiveWindow();
    if (!target)
        return false;
    bool alt = Down(in.FAsyncSnapshot, VK_MENU);
    bool ctrl = Down(in.FAsyncSnapshot, VK_CONTROL);
    bool sys = (alt && !ctrl) || in.FVk == VK_F10 || in.FVk == VK_MENU || noFocus;
    msg->hwnd = target;
    msg->message = in.FDown ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    msg->wParam = WPARAM(in.FVk);
    LPARAM data = 1 | (LPARAM(MapVirtualKey(UINT(in.FVk), MAPVK_VK_TO_VSC) & 0xFF) << 16);
    if (alt)
        data |= KF_ALTDOWN_BIT;
    if (!in.FDown || Down(s.FKeys, in.FVk))
        data |= KF_REPEAT_BIT; // previous key state: down
    if (!in.FDown)
        data |= KF_UP_BIT;
    msg->lParam = data;
    msg->time = in.FTime;
    msg->pt = s.FCursor;
    msg->lPrivate = in.FChar;
    return true;
}

} // namespace

bool PeekInput(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool remove, bool* swallowed) {
    *swallowed = false;
    RawInput in;
    {
        std::lock_guard<std::mutex> guard(InputLock());
        if (InputQueue().empty())
            return false;
        in = InputQueue().front();
    }
    State& s = GetState();
    MSG m;
    LRESULT hit = HTCLIENT;
    // Input belongs to one thread: keys and the wheel to the thread of the foreground window, other mouse
    // events to the thread of the window they reach. Another thread's input stays queued for that thread.
    if (!in.FMouse || in.FAction == MouseAction::Wheel) {
        DWORD owner = ThreadOf(GetForegroundWindow());
        if (owner && owner != GetCurrentThreadId())
            return false;
    }
    bool foreign = false;
    bool cooked = in.FMouse ? CookMouse(in, &m, &hit, &foreign) : CookKey(in, &m);
    if (foreign)
        return false;
    auto drop = [&] {
        std::lock_guard<std::mutex> guard(InputLock());
        if (!InputQueue().empty())
            InputQueue().pop_front();
    };
    auto applyKeyState = [&] {
        if (in.FMouse) {
            int vk = ButtonVk(in.FAction);
            if (vk)
                SetKey(s.FKeys, vk, IsButtonDown(in.FAction));
        } else {
            SetKey(s.FKeys, in.FVk, in.FDown);
        }
    };
    if (!cooked) {
        // Nobody to deliver it to: it still changes the key state.
        drop();
        applyKeyState();
        *swallowed = true;
        return true;
    }
    bool match = (filter == nullptr || m.hwnd == filter || IsDescendant(filter, m.hwnd)) &&
                 ((filterMin == 0 && filterMax == 0) || (m.message >= filterMin && m.message <= filterMax));
    if (!match)
        return false;
    if (!remove) {
        *msg = m;
        return true;
    }
    drop();
    applyKeyState();
    if (in.FMouse) {
        if (in.FAction != MouseAction::Wheel)
            CheckMouseLeave(m.hwnd, hit);
        if (HasHook(WH_MOUSE)) {
            MOUSEHOOKSTRUCT mh;
            mh.pt = in.FPoint;
            mh.hwnd = m.hwnd;
            mh.wHitTestCode = UINT(hit);
            if (RunHook(WH_MOUSE, HC_ACTION, m.message, reinterpret_cast<LPARAM>(&mh))) {
                *swallowed = true;
                return true;
            }
            if (mh.hwnd != m.hwnd && Validate(mh.hwnd))
                m.hwnd = mh.hwnd; // the hook may redirect the message
        }
        if (!Validate(m.hwnd)) {
            *swallowed = true;
            return true;
        }
        if (!s.FCapture && in.FAction != MouseAction::Wheel) {
            Send(m.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(m.hwnd), MAKELPARAM(int(hit), int(ClientMessage(in.FAction))));
            if (!Validate(m.hwnd)) {
                *swallowed = true;
                return true;
            }
        }
        if (hit == HTERROR) {
            *swallowed = true;
            return true;
        }
        if (IsButtonDown(in.FAction) && !MouseActivate(m.hwnd, hit, ClientMessage(in.FAction))) {
            *swallowed = true;
            return true;
        }
    } else if (HasHook(WH_KEYBOARD)) {
        if (RunHook(WH_KEYBOARD, HC_ACTION, m.wParam, m.lParam)) {
            *swallowed = true;
            return true;
        }
    }
    if (!Validate(m.hwnd)) {
        *swallowed = true;
        return true;
    }
    // The help key: asked for after the key itself is handled, once per press.
    if (!in.FMouse && m.message == WM_KEYDOWN && in.FVk == VK_F1 && !(m.lParam & KF_REPEAT_BIT))
        PostMessage(m.hwnd, WM_KEYF1, 0, 0);
    *msg = m;
    return true;
}

void LoseFocusOf(HWND hwnd) {
    State& s = GetState();
    ThreadInput& input = CurrentThreadInput();
    if (!Validate(hwnd))
        return;
    if (s.FCapture && (s.FCapture == hwnd || IsDescendant(hwnd, s.FCapture)))
        ReleaseCapture();
    if (input.FFocus && (input.FFocus == hwnd || IsDescendant(hwnd, input.FFocus))) {
        HWND next = nullptr;
        if (Window* w = Validate(hwnd); w && w->IsChild() && w->FParent && ReallyVisible(w->FParent) &&
                                        !w->FDestroying && !w->FParent->FDestroying)
            next = w->FParent->FHandle;
        SetFocus(next);
    }
    if (s.FTracked && (s.FTracked == hwnd || IsDescendant(hwnd, s.FTracked)))
        s.FTracked = nullptr;
    Window* w = Validate(hwnd);
    if (w && input.FActive == hwnd && w->FDestroying) {
        HWND next = w->FOwner && ReallyVisible(w->FOwner) ? w->FOwner->FHandle : nullptr;
        ActivateWindow(next, false);
    }
}

ThreadInput& CurrentThreadInput() {
    thread_local ThreadInput input;
    return input;
}

void ActivateWindow(HWND hwnd, bool byClick) {
    State& s = GetState();
    ThreadInput& input = CurrentThreadInput();
    DWORD self = GetCurrentThreadId();
    if (hwnd)
        hwnd = TopLevelOf(hwnd);
    if (hwnd && ThreadOf(hwnd) != self)
        hwnd = nullptr; // a thread activates only its own windows: another's leaves it with none
    HWND old = GetActiveWindow();
    if (old == hwnd)
        return;
    if (old) {
        Send(old, WM_NCACTIVATE, FALSE, 0);
        if (Validate(old))
            Send(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old)), reinterpret_cast<LPARAM>(hwnd));
    }
    // Each top-level window of the thread that gains or loses the activation hears WM_ACTIVATEAPP.
    auto tellApp = [self](BOOL active) {
        for (HWND w : TopLevelWindows())
            if (ThreadOf(w) == self)
                Send(w, WM_ACTIVATEAPP, active, 0);
    };
    if (!old && hwnd)
        tellApp(TRUE);
    if (old && !hwnd)
        tellApp(FALSE);
    input.FActive = hwnd;
    {
        std::lock_guard<std::recursive_mutex> guard(s.FLock);
        if (hwnd)
            s.FForeground = hwnd;
        else if (s.FForeground == old)
            s.FForeground = nullptr;
    }
    if (input.FFocus && old && (input.FFocus == old || IsDescendant(old, input.FFocus)) && Validate(input.FFocus)) {
        HWND focus = input.FFocus;
        input.FFocus = nullptr;
        Send(focus, WM_KILLFOCUS, 0, 0);
    }
    if (!hwnd || !Validate(hwnd))
        return;
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Send(hwnd, WM_NCACTIVATE, TRUE, 0);
    if (Validate(hwnd))
        Send(hwnd, WM_ACTIVATE, MAKEWPARAM(byClick ? WA_CLICKACTIVE : WA_ACTIVE, IsIconic(hwnd)),
             reinterpret_cast<LPARAM>(old));
}

} // namespace user

using namespace user;

void QueueMouseInput(MouseAction action, TPoint screen, int wheelDelta) {
    State& s = GetState();
    RawInput in;
    in.FMouse = true;
    in.FAction = action;
    in.FPoint = screen;
    in.FWheel = wheelDelta;
    in.FTime = GetTickCount();
    {
        std::lock_guard<std::mutex> guard(InputLock());
        int vk = ButtonVk(action);
        if (vk)
            SetKey(s.FAsyncKeys, vk, IsButtonDown(action));
        std::copy(std::begin(s.FAsyncKeys), std::end(s.FAsyncKeys), in.FAsyncSnapshot);
        s.FCursor = screen;
        // Consecutive moves collapse into the last one, as the system does.
        auto& q = InputQueue();
        if (action == MouseAction::Move && !q.empty() && q.back().FMouse && q.back().FAction == MouseAction::Move)
            q.back() = in;
        else
            q.push_back(in);
    }
    ScreenBackend().Wake();
}

void QueueKeyInput(int vk, bool down, uint32_t character) {
    State& s = GetState();
    RawInput in;
    in.FMouse = false;
    in.FVk = vk & 0xFF;
    in.FDown = down;
    in.FChar = character;
    in.FTime = GetTickCount();
    {
        std::lock_guard<std::mutex> guard(InputLock());
        SetKey(s.FAsyncKeys, in.FVk, down);
        std::copy(std::begin(s.FAsyncKeys), std::end(s.FAsyncKeys), in.FAsyncSnapshot);
        InputQueue().push_back(in);
    }
    ScreenBackend().Wake();
}

void ResetInputState() {
    State& s = GetState();
    std::lock_guard<std::mutex> guard(InputLock());
    InputQueue().clear();
    std::fill(std::begin(s.FKeys), std::end(s.FKeys), 0);
    std::fill(std::begin(s.FAsyncKeys), std::end(s.FAsyncKeys), 0);
    LastClick() = {};
}

// ---- Capture, focus, activation ----------------------------------------------------------------------

HWND SetCapture(HWND hwnd) {
    State& s = GetState();
    hwnd = H(Validate(hwnd));
    HWND old = s.FCapture && Validate(s.FCapture) ? s.FCapture : nullptr;
    if (old == hwnd)
        return old;
    s.FCapture = hwnd;
    if (old)
        Send(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    ScreenBackend().CaptureChanged(s.FCapture);
    return old;
}

BOOL ReleaseCapture() {
    State& s = GetState();
    HWND old = s.FCapture && Validate(s.FCapture) ? s.FCapture : nullptr;
    s.FCapture = nullptr;
    if (old) {
        Send(old, WM_CAPTURECHANGED, 0, 0);
        ScreenBackend().CaptureChanged(nullptr);
    }
    return TRUE;
}

HWND GetCapture() {
    State& s = GetState();
    return s.FCapture && Validate(s.FCapture) ? s.FCapture : nullptr;
}

HWND SetFocus(HWND hwnd) {
    State& s = GetState();
    ThreadInput& input = CurrentThreadInput();
    HWND old = GetFocus();
    if (hwnd) {
        Window* w = Validate(hwnd);
        if (!w || w == s.FDesktop || ThreadOf(hwnd) != GetCurrentThreadId() || !ReallyEnabled(w))
            return nullptr; // another thread's window takes the focus on its own thread
        if (old == hwnd)
            return old;
        Window* top = TopLevelOf(w);
        if (top->FHandle != input.FActive && !(top->FExStyle & WS_EX_NOACTIVATE)) {
            ActivateWindow(top->FHandle, false);
            old = GetFocus();
            if (old == hwnd || !Validate(hwnd))
                return old;
        }
    }
    input.FFocus = nullptr;
    if (old)
        Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && Validate(hwnd)) {
        input.FFocus = hwnd;
        Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old && Validate(old) ? old : nullptr), 0);
    }
    return old;
}

HWND GetFocus() {
    HWND focus = CurrentThreadInput().FFocus;
    return focus && Validate(focus) ? focus : nullptr;
}

HWND SetActiveWindow(HWND hwnd) {
    HWND old = GetActiveWindow();
    Window* w = Validate(hwnd);
    if (w && (w->IsChild() || ThreadOf(hwnd) != GetCurrentThreadId()))
        return nullptr;
    hwnd = H(w);
    ActivateWindow(hwnd, false);
    return old;
}

HWND GetActiveWindow() {
    HWND active = CurrentThreadInput().FActive;
    return active && Validate(active) ? active : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!Validate(hwnd) || ThreadOf(hwnd) != GetCurrentThreadId())
        return FALSE;
    HWND top = TopLevelOf(hwnd);
    SetActiveWindow(top);
    // Already this thread's active window, it still becomes the foreground.
    State& s = GetState();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    if (Validate(top) && CurrentThreadInput().FActive == top)
        s.FForeground = top;
    return TRUE;
}

HWND GetForegroundWindow() {
    State& s = GetState();
    HWND foreground;
    {
        std::lock_guard<std::recursive_mutex> guard(s.FLock);
        foreground = s.FForeground;
    }
    return foreground && Validate(foreground) ? foreground : nullptr;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
    State& s = GetState();
    if (!tme)
        return FALSE;
    if (tme->dwFlags & TME_QUERY) {
        tme->hwndTrack = s.FTracked;
        tme->dwFlags = s.FTracked ? (s.FTrackFlags | TME_LEAVE) : 0;
        return TRUE;
    }
    HWND hwnd = H(Validate(tme->hwndTrack));
    if (!hwnd)
        return FALSE;
    if (tme->dwFlags & TME_CANCEL) {
        if (s.FTracked == hwnd)
            s.FTracked = nullptr;
        return TRUE;
    }
    if (tme->dwFlags & TME_LEAVE) {
        // Leaving is reported at once when the mouse is not over the window any more.
        LRESULT hit = HTNOWHERE;
        HWND under = HitTest(s.FCursor, &hit);
        bool nonClient = tme->dwFlags & TME_NONCLIENT;
        if (under != hwnd || (nonClient ? hit == HTCLIENT : hit != HTCLIENT)) {
            PostMessage(hwnd, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0);
            return TRUE;
        }
        s.FTracked = hwnd;
        s.FTrackFlags = tme->dwFlags & TME_NONCLIENT;
    }
    return TRUE;
}

HWND WindowFromPoint(TPoint point) {
    LRESULT hit;
    return HitTest(point, &hit);
}

// ---- Key state ---------------------------------------------------------------------------------------

int16_t GetKeyState(int vk) {
    const BYTE b = GetState().FKeys[vk & 0xFF];
    return int16_t(((b & 0x80) ? 0x8000 : 0) | (b & 0x01));
}

int16_t GetAsyncKeyState(int vk) { return (GetState().FAsyncKeys[vk & 0xFF] & 0x80) ? int16_t(0x8000) : 0; }

BOOL GetKeyboardState(BYTE* state) {
    if (!state)
        return FALSE;
    std::copy(std::begin(GetState().FKeys), std::end(GetState().FKeys), state);
    return TRUE;
}

BOOL SetKeyboardState(const BYTE* state) {
    if (!state)
        return FALSE;
    std::copy(state, state + 256, GetState().FKeys);
    return TRUE;
}

BOOL GetCursorPos(TPoint* point) {
    if (!point)
        return FALSE;
    *point = GetState().FCursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    QueueMouseInput(MouseAction::Move, {x, y});
    return TRUE;
}

UINT GetDoubleClickTime() { return GetState().FDoubleClickTime; }

BOOL SetDoubleClickTime(UINT ms) {
    GetState().FDoubleClickTime = ms ? ms : 500;
    return TRUE;
}

BOOL MessageBeep(UINT type) {
    ScreenBackend().Beep(type);
    return TRUE;
}

BOOL PlaySound(const char* sound, HMODULE, DWORD flags) {
    if (sound)
        ScreenBackend().PlaySound((flags & SND_MEMORY) ? std::string() : std::string(sound), flags);
    return TRUE;
}

BOOL Beep(DWORD, DWORD) {
    ScreenBackend().Beep(0xFFFFFFFF);
    return TRUE;
}

} // namespace win
