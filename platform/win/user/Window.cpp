// Windows: classes, creation and destruction, relations, geometry, text and properties.
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/WindowObject.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

namespace win {

namespace user {

State& GetState() {
    static State* state = new State; // lives until the process ends: windows may outlive static objects
    return *state;
}

namespace {

// A handle's bits: the slot's index + 1 in the low bits (so that no handle is null or one of the small
// constants such as HWND_BOTTOM), the slot's generation above them.
constexpr int WindowSlotBits = 24;
constexpr uint64_t WindowSlotMask = (uint64_t(1) << WindowSlotBits) - 1;
constexpr uint32_t WindowMaxGeneration = 0x7FFFFFFF; // keeps handles positive: never an HWND_TOPMOST (-1)

HWND MakeHandle(uint32_t index, uint32_t generation) {
    return reinterpret_cast<HWND>(uintptr_t((uint64_t(generation) << WindowSlotBits) | (uint64_t(index) + 1)));
}

} // namespace

HWND WindowTable::Add(Window* w) {
    uint32_t index;
    if (!FFree.empty()) {
        index = FFree.front();
        FFree.pop_front();
    } else {
        if (FSlots.size() >= WindowSlotMask - 1)
            return nullptr; // sixteen million windows at once
        index = uint32_t(FSlots.size());
        FSlots.emplace_back();
    }
    Slot& slot = FSlots[index];
    ++slot.FGeneration;
    slot.FWindow = w;
    return MakeHandle(index, slot.FGeneration);
}

void WindowTable::Remove(HWND handle) {
    uint64_t bits = uint64_t(reinterpret_cast<uintptr_t>(handle));
    uint32_t index = uint32_t((bits & WindowSlotMask) - 1);
    Slot& slot = FSlots[index];
    slot.FWindow = nullptr;
    if (slot.FGeneration < WindowMaxGeneration)
        FFree.push_back(index);
}

Window* WindowTable::Find(HWND handle) const {
    uint64_t bits = uint64_t(reinterpret_cast<uintptr_t>(handle));
    uint64_t index = (bits & WindowSlotMask) - 1; // a null index wraps around: out of range
    uint64_t generation = bits >> WindowSlotBits;
    if (index >= FSlots.size())
        return nullptr;
    const Slot& slot = FSlots[index];
    return slot.FWindow && slot.FGeneration == generation ? slot.FWindow : nullptr;
}

Window* Validate(HWND hwnd) {
    if (!hwnd)
        return nullptr;
    State& s = GetState();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    return s.FWindows.Find(hwnd);
}

std::vector<HWND> TopLevelWindows() {
    State& s = GetState();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    std::vector<HWND> tops;
    if (s.FDesktop) {
        tops.reserve(s.FDesktop->FChildren.size());
        for (Window* w : s.FDesktop->FChildren)
            tops.push_back(w->FHandle);
    }
    return tops;
}

DWORD ThreadOf(HWND hwnd) {
    State& s = GetState();
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    Window* w = Validate(hwnd);
    return w ? w->FThreadId : 0;
}

LRESULT Send(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) { return SendMessage(H(w), msg, wParam, lParam); }

bool IsDescendant(Window* ancestor, Window* hwnd) {
    for (Window* w = hwnd ? hwnd->FParent : nullptr; w; w = w->FParent)
        if (w == ancestor)
            return true;
    return false;
}

TPoint ClientOrigin(Window* hwnd) {
    TPoint p{hwnd->FClient.Left, hwnd->FClient.Top};
    for (Window* w = hwnd->FParent; w; w = w->FParent) {
        p.X += w->FClient.Left;
        p.Y += w->FClient.Top;
    }
    return p;
}

TPoint WindowOrigin(Window* hwnd) {
    TPoint p{hwnd->FRect.Left, hwnd->FRect.Top};
    for (Window* w = hwnd->FParent; w; w = w->FParent) {
        p.X += w->FClient.Left;
        p.Y += w->FClient.Top;
    }
    return p;
}

Window* TopLevelOf(Window* hwnd) {
    Window* desktop = GetState().FDesktop;
    while (hwnd && hwnd->FParent && hwnd->FParent != desktop)
        hwnd = hwnd->FParent;
    return hwnd;
}

bool ReallyVisible(Window* hwnd) {
    Window* desktop = GetState().FDesktop;
    for (Window* w = hwnd; w && w != desktop; w = w->FParent)
        if (!w->IsVisibleFlag())
            return false;
    return hwnd != nullptr;
}

bool ReallyEnabled(Window* hwnd) {
    Window* desktop = GetState().FDesktop;
    for (Window* w = hwnd; w && w != desktop; w = w->FParent) {
        if (w->FStyle & WS_DISABLED)
            return false;
        if (!w->IsChild())
            break;
    }
    return hwnd != nullptr;
}

bool IsDescendant(HWND ancestor, HWND hwnd) {
    Window* a = Validate(ancestor);
    return a && IsDescendant(a, Validate(hwnd));
}

HWND TopLevelOf(HWND hwnd) { return H(TopLevelOf(Validate(hwnd))); }
bool ReallyVisible(HWND hwnd) { return ReallyVisible(Validate(hwnd)); }
bool ReallyEnabled(HWND hwnd) { return ReallyEnabled(Validate(hwnd)); }

namespace {

// Handles of a list of windows, for walks during which windows may go.
std::vector<HWND> Handles(const std::vector<Window*>& windows) {
    std::vector<HWND> handles;
    handles.reserve(windows.size());
    for (Window* w : windows)
        handles.push_back(w->FHandle);
    return handles;
}

std::string LowerName(const char* name) {
    std::string s(name ? name : "");
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

WindowClass* FindClass(const char* name) {
    State& s = GetState();
    std::string key = LowerName(name);
    for (auto& c : s.FClasses)
        if (c->FKey == key)
            return c.get();
    return nullptr;
}

// The desktop window is the parent of every top-level window; its client area is the virtual screen.
Window* EnsureDesktop() {
    State& s = GetState();
    if (s.FDesktop)
        return s.FDesktop;
    auto* desktop = new Window;
    desktop->FStyle = WS_VISIBLE | WS_CLIPCHILDREN;
    desktop->FText = "Desktop";
    TRect screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    desktop->FRect = screen;
    desktop->FClient = screen;
    desktop->FProc = DefWindowProc;
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    desktop->FHandle = s.FWindows.Add(desktop);
    s.FDesktop = desktop;
    return desktop;
}

// Sibling lists change under the state lock: the desktop's list is shared by the windows of every thread.
void Unlink(Window* hwnd) {
    std::lock_guard<std::recursive_mutex> guard(GetState().FLock);
    if (!hwnd->FParent)
        return;
    auto& siblings = hwnd->FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
}

bool IsTopmost(Window* hwnd) { return !hwnd->IsChild() && (hwnd->FExStyle & WS_EX_TOPMOST); }

// Puts hwnd into its parent's z-order after `after` (HWND_TOP: first of its band, HWND_BOTTOM: last).
// Topmost top-level windows stay before the others.
void LinkAfter(Window* hwnd, HWND after) {
    std::lock_guard<std::recursive_mutex> guard(GetState().FLock);
    auto& siblings = hwnd->FParent->FChildren;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
    auto bandBegin = siblings.begin();
    auto bandEnd = siblings.end();
    if (!hwnd->IsChild()) {
        auto firstNormal = std::find_if(siblings.begin(), siblings.end(), [](Window* w) { return !IsTopmost(w); });
        if (IsTopmost(hwnd))
            bandEnd = firstNormal;
        else
            bandBegin = firstNormal;
    }
    auto pos = bandBegin;
    if (after == HWND_BOTTOM)
        pos = bandEnd;
    else if (after != HWND_TOP && after != HWND_TOPMOST && after != HWND_NOTOPMOST) {
        auto it = std::find_if(siblings.begin(), siblings.end(), [after](Window* w) { return w->FHandle == after; });
        if (it != siblings.end())
            pos = std::clamp(it + 1, bandBegin, bandEnd);
    }
    siblings.insert(pos, hwnd);
}

// Owned windows stay above their owner: after moving a window to the top, bring its owned windows along.
void RaiseOwned(Window* owner) {
    std::lock_guard<std::recursive_mutex> guard(GetState().FLock);
    auto siblings = owner->FParent->FChildren; // copy: LinkAfter changes the list
    for (Window* w : siblings)
        if (w->FOwner == owner && w != owner) {
            LinkAfter(w, HWND_TOP);
            RaiseOwned(w);
        }
}

// Asks the window for its client rectangle inside a proposed window rectangle (parent coordinates).
TRect CalcClient(Window* hwnd, const TRect& windowRect, WINDOWPOS* pos) {
    NCCALCSIZE_PARAMS params;
    params.rgrc[0] = windowRect;
    params.rgrc[1] = hwnd->FRect;
    params.rgrc[2] = hwnd->FClient;
    params.lppos = pos;
    Send(hwnd, WM_NCCALCSIZE, pos ? TRUE : FALSE, reinterpret_cast<LPARAM>(&params));
    TRect c = params.rgrc[0];
    c.Right = std::max(c.Left, c.Right);
    c.Bottom = std::max(c.Top, c.Bottom);
    return c;
}

} // namespace

void RecalcClient(Window* hwnd) { hwnd->FClient = CalcClient(hwnd, hwnd->FRect, nullptr); }

} // namespace user

using namespace user;

// ---- Classes -----------------------------------------------------------------------------------------

ATOM RegisterClassEx(const WNDCLASSEX& wc) {
    if (wc.lpszClassName.empty() || FindClass(wc.lpszClassName.c_str()))
        return 0;
    State& s = GetState();
    auto cls = std::make_unique<WindowClass>();
    cls->FAtom = s.FNextAtom++;
    cls->FName = wc.lpszClassName;
    cls->FKey = LowerName(wc.lpszClassName.c_str());
    cls->FStyle = wc.style;
    cls->FProc = wc.lpfnWndProc;
    cls->FInstance = wc.hInstance;
    cls->FIcon = wc.hIcon;
    cls->FCursor = wc.hCursor;
    cls->FBackground = wc.hbrBackground;
    cls->FIconSm = wc.hIconSm;
    ATOM atom = cls->FAtom;
    s.FClasses.push_back(std::move(cls));
    return atom;
}

ATOM RegisterClass(const WNDCLASS& wc) { return RegisterClassEx(wc); }

BOOL UnregisterClass(const char* className, HINSTANCE) {
    State& s = GetState();
    WindowClass* cls = FindClass(className);
    if (!cls || cls->FSystem)
        return FALSE;
    std::lock_guard<std::recursive_mutex> guard(s.FLock);
    bool inUse = false;
    s.FWindows.ForEach([&](Window* w) { inUse = inUse || w->FClass == cls; });
    if (inUse)
        return FALSE;
    s.FClasses.erase(std::remove_if(s.FClasses.begin(), s.FClasses.end(),
                                    [cls](const std::unique_ptr<WindowClass>& c) { return c.get() == cls; }),
                     s.FClasses.end());
    return TRUE;
}

BOOL GetClassInfoEx(HINSTANCE, const char* className, WNDCLASSEX* wc) {
    WindowClass* cls = FindClass(className);
    if (!cls)
        return FALSE;
    if (wc) {
        wc->style = cls->FStyle;
        wc->lpfnWndProc = cls->FProc;
        wc->hInstance = cls->FInstance;
        wc->hIcon = cls->FIcon;
        wc->hCursor = cls->FCursor;
        wc->hbrBackground = cls->FBackground;
        wc->lpszClassName = cls->FName;
        wc->hIconSm = cls->FIconSm;
    }
    return TRUE;
}

std::string GetClassNameString(HWND handle) {
    Window* hwnd = Validate(handle);
    return hwnd && hwnd->FClass ? hwnd->FClass->FName : std::string();
}

int GetClassName(HWND handle, char* buffer, int maxCount) {
    if (!buffer || maxCount <= 0)
        return 0;
    std::string name = GetClassNameString(handle);
    int n = std::min<int>(int(name.size()), maxCount - 1);
    std::memcpy(buffer, name.data(), size_t(n));
    buffer[n] = '\0';
    return n;
}

DWORD GetClassLong(HWND handle, int index) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !hwnd->FClass)
        return 0;
    return index == GCL_STYLE ? hwnd->FClass->FStyle : 0;
}

DWORD SetClassLong(HWND handle, int index, LONG value) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !hwnd->FClass || index != GCL_STYLE)
        return 0;
    DWORD old = hwnd->FClass->FStyle;
    hwnd->FClass->FStyle = DWORD(value);
    return old;
}

HINSTANCE GetModuleHandle(const char*) {
    static HINSTANCE__* module = reinterpret_cast<HINSTANCE__*>(0x400000);
    return module;
}

// ---- Creation and destruction ---------------------------------------------------------------------------

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parentHandle, HMENU menu, HINSTANCE instance, void* param) {
    State& s = GetState();
    Window* desktop = EnsureDesktop();
    WindowClass* cls = FindClass(className);
    if (!cls)
        return nullptr;
    Window* parent = Validate(parentHandle);
    if (parentHandle && !parent)
        return nullptr;
    if ((style & WS_CHILD) && !parent)
        return nullptr;

    auto* hwnd = new Window;
    hwnd->FClass = cls;
    hwnd->FProc = cls->FProc ? cls->FProc : DefWindowProc;
    hwnd->FStyle = style & ~WS_VISIBLE;
    hwnd->FExStyle = exStyle;
    hwnd->FThreadId = GetCurrentThreadId();
    hwnd->FInstance = instance;
    if (style & WS_CHILD) {
        hwnd->FParent = parent;
        hwnd->FId = reinterpret_cast<LONG_PTR>(menu);
    } else {
        hwnd->FParent = desktop;
        hwnd->FOwner = parent ? TopLevelOf(parent) : nullptr;
        // Top-level windows always have a caption's border when they have a caption.
        if ((style & (WS_POPUP | WS_CHILD)) == 0)
            hwnd->FStyle |= WS_CAPTION | WS_CLIPSIBLINGS;
    }
    const bool defaultPlace = x == CW_USEDEFAULT;
    if (defaultPlace) {
        x = 0;
        y = 0;
    }
    if (width == CW_USEDEFAULT) {
        width = 400;
        height = 300;
    }
    // An owned window that leaves its place to the system (a dialog) is centred on its owner, within the
    // work area of the owner's monitor.
    if (defaultPlace && !(style & WS_CHILD) && hwnd->FOwner) {
        const TRect owner = hwnd->FOwner->FRect;
        MONITORINFO mi;
        if (GetMonitorInfo(MonitorFromRect(&owner, MONITOR_DEFAULTTONEAREST), &mi)) {
            const TRect& work = mi.rcWork;
            x = std::max(int(work.Left),
                         std::min(owner.Left + (owner.Width() - width) / 2, work.Right - width));
            y = std::max(int(work.Top),
                         std::min(owner.Top + (owner.Height() - height) / 2, work.Bottom - height));
        }
    }
    hwnd->FRect = {x, y, x + std::max(0, width), y + std::max(0, height)};
    hwnd->FClient = hwnd->FRect;
    hwnd->FRestored = hwnd->FRect;
    HWND handle;
    {
        std::lock_guard<std::recursive_mutex> guard(s.FLock);
        handle = s.FWindows.Add(hwnd);
    }
    if (!handle) {
        delete hwnd;
        return nullptr;
    }
    hwnd->FHandle = handle;
    // New children go to the bottom of their siblings' z-order, new top-level windows to the top.
    LinkAfter(hwnd, hwnd->IsChild() ? HWND_BOTTOM : HWND_TOP);

    CREATESTRUCT cs;
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parentHandle;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = LONG(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;

    if (!hwnd->IsChild()) {
        MINMAXINFO mmi;
        mmi.ptMaxSize = {GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
        mmi.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        mmi.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
        Send(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    }
    if (!Validate(handle))
        return nullptr;
    if (!Send(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!Validate(handle))
        return nullptr;
    RecalcClient(hwnd);
    if (Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (!Validate(handle))
        return nullptr;
    Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(hwnd->FClient.Width(), hwnd->FClient.Height()));
    if (!Validate(handle))
        return nullptr;
    Send(hwnd, WM_MOVE, 0, MAKELPARAM(hwnd->FClient.Left, hwnd->FClient.Top));
    if (!Validate(handle))
        return nullptr;
    if (hwnd->IsChild() && !(exStyle & WS_EX_NOPARENTNOTIFY)) {
        std::vector<HWND> ancestors;
        for (Window* p = hwnd->FParent; p && p != desktop; p = p->FParent) {
            ancestors.push_back(p->FHandle);
            if (!p->IsChild() || (p->FExStyle & WS_EX_NOPARENTNOTIFY))
                break;
        }
        for (HWND p : ancestors)
            Send(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, int(hwnd->FId)), reinterpret_cast<LPARAM>(handle));
    }
    if (!Validate(handle))
        return nullptr;
    if (!hwnd->IsChild())
        ScreenBackendNotify(hwnd);
    if (style & WS_VISIBLE)
        ShowWindow(handle, (exStyle & WS_EX_NOACTIVATE) || hwnd->IsChild() ? SW_SHOWNA : SW_SHOW);
    return Validate(handle) ? handle : nullptr;
}

namespace {

std::mutex& DestroyListenerLock() {
    static std::mutex lock;
    return lock;
}

std::vector<void (*)(HWND)>& DestroyListeners() {
    static std::vector<void (*)(HWND)> listeners;
    return listeners;
}

void TellDestroyListeners(Window* hwnd) {
    std::vector<void (*)(HWND)> listeners;
    {
        std::lock_guard<std::mutex> guard(DestroyListenerLock());
        listeners = DestroyListeners();
    }
    for (auto* listener : listeners)
        listener(hwnd->FHandle);
}

void SendDestroy(HWND handle) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return;
    hwnd->FDestroying = true;
    Send(hwnd, WM_DESTROY);
    if (Window* w = Validate(handle))
        for (HWND child : Handles(w->FChildren))
            SendDestroy(child);
}

void FreeWindow(HWND handle) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return;
    for (HWND child : Handles(hwnd->FChildren))
        FreeWindow(child);
    if (!Validate(handle))
        return;
    Send(hwnd, WM_NCDESTROY);
    if (!Validate(handle))
        return;
    TellDestroyListeners(hwnd);
    if (!Validate(handle))
        return;
    OnWindowDestroyed(hwnd);
    State& s = GetState();
    Unlink(hwnd);
    {
        std::lock_guard<std::recursive_mutex> guard(s.FLock);
        s.FWindows.Remove(handle);
        s.FWindows.ForEach([hwnd](Window* w) {
            if (w->FOwner == hwnd)
                w->FOwner = nullptr;
        });
    }
    // The backend hears of a top-level window's end once the handle no longer names a window.
    if (!hwnd->IsChild())
        ScreenBackendNotify(hwnd);
    delete hwnd;
}

} // namespace

void AddWindowDestroyListener(void (*listener)(HWND hwnd)) {
    if (!listener)
        return;
    std::lock_guard<std::mutex> guard(DestroyListenerLock());
    auto& listeners = DestroyListeners();
    if (std::find(listeners.begin(), listeners.end(), listener) == listeners.end())
        listeners.push_back(listener);
}

BOOL DestroyWindow(HWND handle) {
    Window* hwnd = Validate(handle);
    State& s = GetState();
    if (!hwnd || hwnd == s.FDesktop || hwnd->FDestroying)
        return FALSE;
    if (hwnd->FThreadId != GetCurrentThreadId())
        return FALSE; // only the thread that made a window destroys it
    hwnd->FDestroying = true;
    // Windows it owns go first.
    std::vector<HWND> owned;
    {
        std::lock_guard<std::recursive_mutex> guard(s.FLock);
        s.FWindows.ForEach([&](Window* w) {
            if (w->FOwner == hwnd)
                owned.push_back(w->FHandle);
        });
    }
    for (HWND w : owned)
        DestroyWindow(w);
    if (!Validate(handle))
        return TRUE;
    if (hwnd->IsChild() && !(hwnd->FExStyle & WS_EX_NOPARENTNOTIFY) && hwnd->FParent)
        Send(hwnd->FParent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, int(hwnd->FId)), reinterpret_cast<LPARAM>(handle));
    if (Validate(handle) && hwnd->IsVisibleFlag())
        SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!Validate(handle))
        return TRUE;
    LoseFocusOf(handle);
    SendDestroy(handle);
    FreeWindow(handle);
    return TRUE;
}

BOOL IsWindow(HWND handle) {
    Window* hwnd = Validate(handle);
    return hwnd && hwnd != GetState().FDesktop ? TRUE : FALSE;
}

// ---- Procedures --------------------------------------------------------------------------------------

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LONG_PTR GetWindowLong(HWND handle, int index) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return 0;
    switch (index) {
    case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(hwnd->FProc);
    case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(hwnd->FInstance);
    case GWL_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(H(hwnd->IsChild() ? hwnd->FParent : hwnd->FOwner));
    case GWL_ID: return hwnd->FId;
    case GWL_STYLE: return LONG_PTR(int32_t(hwnd->FStyle));
    case GWL_EXSTYLE: return LONG_PTR(int32_t(hwnd->FExStyle));
    case GWL_USERDATA: return hwnd->FUserData;
    default: return 0;
    }
}

LONG_PTR SetWindowLong(HWND handle, int index, LONG_PTR value) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return 0;
    LONG_PTR old = GetWindowLong(handle, index);
    switch (index) {
    case GWL_WNDPROC: hwnd->FProc = reinterpret_cast<WNDPROC>(value); break;
    case GWL_HINSTANCE: hwnd->FInstance = reinterpret_cast<HINSTANCE>(value); break;
    case GWL_HWNDPARENT:
        if (!hwnd->IsChild())
            hwnd->FOwner = Validate(reinterpret_cast<HWND>(value));
        break;
    case GWL_ID: hwnd->FId = value; break;
    case GWL_USERDATA: hwnd->FUserData = value; break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
        struct {
            DWORD styleOld, styleNew;
        } change{DWORD(old), DWORD(value)};
        Send(hwnd, WM_STYLECHANGING, WPARAM(index), reinterpret_cast<LPARAM>(&change));
        if (!Validate(handle))
            return old;
        if (index == GWL_STYLE)
            // Visibility changes through ShowWindow, not through the style.
            hwnd->FStyle = (change.styleNew & ~WS_VISIBLE) | (hwnd->FStyle & WS_VISIBLE);
        else
            hwnd->FExStyle = change.styleNew;
        Send(hwnd, WM_STYLECHANGED, WPARAM(index), reinterpret_cast<LPARAM>(&change));
        if (!Validate(handle))
            return old;
        if (index == GWL_STYLE && (DWORD(old) ^ hwnd->FStyle) & WS_DISABLED && (hwnd->FStyle & WS_DISABLED))
            LoseFocusOf(handle);
        break;
    }
    default: return 0;
    }
    return old;
}

// ---- Relations ---------------------------------------------------------------------------------------

HWND GetDesktopWindow() { return EnsureDesktop()->FHandle; }

HWND GetParent(HWND handle) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return nullptr;
    if (hwnd->IsChild())
        return H(hwnd->FParent);
    return (hwnd->FStyle & WS_POPUP) ? H(hwnd->FOwner) : nullptr;
}

HWND SetParent(HWND childHandle, HWND newParentHandle) {
    Window* child = Validate(childHandle);
    State& s = GetState();
    if (!child || child == s.FDesktop)
        return nullptr;
    Window* newParent = newParentHandle ? Validate(newParentHandle) : EnsureDesktop();
    if (!newParent || newParent == child || IsDescendant(child, newParent))
        return nullptr;
    HWND newParentKept = newParent->FHandle;
    bool visible = child->IsVisibleFlag();
    if (visible)
        ShowWindow(childHandle, SW_HIDE);
    child = Validate(childHandle);
    newParent = Validate(newParentKept);
    if (!child || !newParent)
        return nullptr;
    Window* old = child->FParent;
    TPoint origin = WindowOrigin(child);
    Unlink(child);
    child->FParent = newParent;
    if (newParent == s.FDesktop) {
        // Made top-level: keep its place on the screen.
        child->FStyle &= ~WS_CHILD;
        child->FStyle |= WS_POPUP;
    } else {
        TPoint base = ClientOrigin(newParent);
        origin.X -= base.X;
        origin.Y -= base.Y;
        if (old == s.FDesktop) {
            child->FStyle &= ~WS_POPUP;
            child->FStyle |= WS_CHILD;
            child->FOwner = nullptr;
        }
    }
    int w = child->FRect.Width(), h = child->FRect.Height();
    child->FRect = {origin.X, origin.Y, origin.X + w, origin.Y + h};
    LinkAfter(child, HWND_TOP);
    HWND oldHandle = old == s.FDesktop ? nullptr : H(old);
    RecalcClient(child);
    if (visible && Validate(childHandle))
        ShowWindow(childHandle, SW_SHOWNA);
    return oldHandle;
}

HWND GetAncestor(HWND handle, UINT flags) {
    Window* hwnd = Validate(handle);
    State& s = GetState();
    if (!hwnd || hwnd == s.FDesktop)
        return nullptr;
    switch (flags) {
    case GA_PARENT: return H(hwnd->FParent);
    case GA_ROOT: return H(TopLevelOf(hwnd));
    case GA_ROOTOWNER: {
        Window* w = TopLevelOf(hwnd);
        while (w->FOwner)
            w = w->FOwner;
        return H(w);
    }
    default: return nullptr;
    }
}

HWND GetWindow(HWND handle, UINT cmd) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return nullptr;
    if (cmd == GW_CHILD)
        return hwnd->FChildren.empty() ? nullptr : H(hwnd->FChildren.front());
    if (cmd == GW_OWNER)
        return H(hwnd->FOwner);
    if (!hwnd->FParent)
        return nullptr;
    const auto& siblings = hwnd->FParent->FChildren;
    auto it = std::find(siblings.begin(), siblings.end(), hwnd);
    switch (cmd) {
    case GW_HWNDFIRST: return H(siblings.front());
    case GW_HWNDLAST: return H(siblings.back());
    case GW_HWNDNEXT: return it + 1 != siblings.end() ? H(*(it + 1)) : nullptr;
    case GW_HWNDPREV: return it != siblings.begin() ? H(*(it - 1)) : nullptr;
    default: return nullptr;
    }
}

HWND GetTopWindow(HWND hwnd) { return GetWindow(hwnd ? hwnd : EnsureDesktop()->FHandle, GW_CHILD); }

BOOL IsChild(HWND parentHandle, HWND handle) {
    Window* parent = Validate(parentHandle);
    Window* hwnd = Validate(handle);
    if (!parent || !hwnd)
        return FALSE;
    for (Window* w = hwnd; w && w->IsChild(); w = w->FParent)
        if (w->FParent == parent)
            return TRUE;
    return FALSE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
    for (HWND w : Handles(EnsureDesktop()->FChildren))
        if (Validate(w) && !proc(w, lParam))
            return FALSE;
    return TRUE;
}

namespace {
bool EnumChildren(Window* parent, WNDENUMPROC proc, LPARAM lParam) {
    for (HWND handle : Handles(parent->FChildren)) {
        if (!Validate(handle))
            continue;
        if (!proc(handle, lParam))
            return false;
        if (Window* w = Validate(handle); w && !EnumChildren(w, proc, lParam))
            return false;
    }
    return true;
}
} // namespace

BOOL EnumChildWindows(HWND parentHandle, WNDENUMPROC proc, LPARAM lParam) {
    Window* parent = parentHandle ? Validate(parentHandle) : EnsureDesktop();
    if (!parent)
        return FALSE;
    return EnumChildren(parent, proc, lParam) ? TRUE : FALSE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam) {
    for (HWND handle : Handles(EnsureDesktop()->FChildren))
        if (Window* w = Validate(handle); w && w->FThreadId == threadId && !proc(handle, lParam))
            return FALSE;
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND handle, DWORD* processId) {
    Window* hwnd = Validate(handle);
    if (processId)
        *processId = hwnd ? GetCurrentProcessId() : 0;
    return hwnd ? hwnd->FThreadId : 0;
}

// ---- Geometry ----------------------------------------------------------------------------------------

BOOL GetWindowRect(HWND handle, TRect* rect) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !rect)
        return FALSE;
    TPoint o = WindowOrigin(hwnd);
    *rect = {o.X, o.Y, o.X + hwnd->FRect.Width(), o.Y + hwnd->FRect.Height()};
    return TRUE;
}

BOOL GetClientRect(HWND handle, TRect* rect) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !rect)
        return FALSE;
    *rect = {0, 0, hwnd->FClient.Width(), hwnd->FClient.Height()};
    return TRUE;
}

BOOL ClientToScreen(HWND handle, TPoint* point) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !point)
        return FALSE;
    TPoint o = ClientOrigin(hwnd);
    point->X += o.X;
    point->Y += o.Y;
    return TRUE;
}

BOOL ScreenToClient(HWND handle, TPoint* point) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !point)
        return FALSE;
    TPoint o = ClientOrigin(hwnd);
    point->X -= o.X;
    point->Y -= o.Y;
    return TRUE;
}

int MapWindowPoints(HWND fromHandle, HWND toHandle, TPoint* points, UINT count) {
    Window* from = Validate(fromHandle);
    Window* to = Validate(toHandle);
    TPoint a = from ? ClientOrigin(from) : TPoint{};
    TPoint b = to ? ClientOrigin(to) : TPoint{};
    int dx = a.X - b.X, dy = a.Y - b.Y;
    for (UINT i = 0; i < count; ++i) {
        points[i].X += dx;
        points[i].Y += dy;
    }
    return MAKELPARAM(dx, dy);
}

BOOL SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* hwnd = Validate(handle);
    State& s = GetState();
    if (!hwnd || hwnd == s.FDesktop)
        return FALSE;
    WINDOWPOS pos;
    pos.hwnd = handle;
    pos.hwndInsertAfter = insertAfter;
    pos.x = x;
    pos.y = y;
    pos.cx = cx;
    pos.cy = cy;
    pos.flags = flags;
    if (flags & SWP_NOMOVE) {
        pos.x = hwnd->FRect.Left;
        pos.y = hwnd->FRect.Top;
    }
    if (flags & SWP_NOSIZE) {
        pos.cx = hwnd->FRect.Width();
        pos.cy = hwnd->FRect.Height();
    }
    bool show = (flags & SWP_SHOWWINDOW) && !hwnd->IsVisibleFlag();
    bool hide = (flags & SWP_HIDEWINDOW) && hwnd->IsVisibleFlag();
    if (!(flags & SWP_NOSENDCHANGING))
        Send(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (!Validate(handle))
        return FALSE;
    pos.cx = std::max(0, pos.cx);
    pos.cy = std::max(0, pos.cy);
    TRect oldRect = hwnd->FRect;
    TRect newRect{pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};
    bool moved = newRect.Left != oldRect.Left || newRect.Top != oldRect.Top;
    bool sized = newRect.Width() != oldRect.Width() || newRect.Height() != oldRect.Height();
    TRect oldScreen;
    GetWindowRect(handle, &oldScreen);

    hwnd->FRect = newRect;
    if (sized || moved || (pos.flags & SWP_FRAMECHANGED))
        hwnd->FClient = CalcClient(hwnd, newRect, &pos);
    if (!(pos.flags & SWP_NOZORDER)) {
        if (pos.hwndInsertAfter == HWND_TOPMOST)
            hwnd->FExStyle |= WS_EX_TOPMOST;
        else if (pos.hwndInsertAfter == HWND_NOTOPMOST)
            hwnd->FExStyle &= ~WS_EX_TOPMOST;
        HWND after = pos.hwndInsertAfter;
        if (after != HWND_TOP && after != HWND_BOTTOM && after != HWND_TOPMOST && after != HWND_NOTOPMOST) {
            Window* afterWindow = Validate(after);
            if (!afterWindow || afterWindow->FParent != hwnd->FParent)
                after = HWND_TOP;
        }
        LinkAfter(hwnd, after);
        if (!hwnd->IsChild() && after != HWND_BOTTOM)
            RaiseOwned(hwnd);
    } else if (show && !hwnd->IsChild() && !(pos.flags & SWP_NOACTIVATE)) {
        LinkAfter(hwnd, HWND_TOP);
    }
    if (show)
        hwnd->FStyle |= WS_VISIBLE;
    if (hide)
        hwnd->FStyle &= ~WS_VISIBLE;

    if (hide) {
        LoseFocusOf(handle);
        if (!Validate(handle))
            return TRUE;
    }
    OnWindowGeometryChanged(hwnd, oldScreen, show || hide);
    Send(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (!Validate(handle))
        return TRUE;
    if (show && !hwnd->IsChild() && !(pos.flags & SWP_NOACTIVATE) && !(hwnd->FExStyle & WS_EX_NOACTIVATE))
        ActivateWindow(handle, false);
    if (!hwnd->IsChild())
        ScreenBackendNotify(hwnd);
    return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(handle, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND handle, int cmdShow) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return FALSE;
    BOOL wasVisible = hwnd->IsVisibleFlag() ? TRUE : FALSE;
    UINT flags = SWP_NOSIZE | SWP_NOMOVE;
    bool activate = !hwnd->IsChild();
    switch (cmdShow) {
    case SW_HIDE:
        if (!wasVisible)
            return FALSE;
        Send(hwnd, WM_SHOWWINDOW, FALSE, 0);
        SetWindowPos(handle, nullptr, 0, 0, 0, 0, flags | SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
        if (Validate(handle) && !hwnd->IsChild() && CurrentThreadInput().FActive == handle) {
            // Give the activation to the owner or the next visible top-level window of this thread (a
            // thread activates only its own windows).
            HWND next = hwnd->FOwner && ReallyVisible(hwnd->FOwner) ? hwnd->FOwner->FHandle : nullptr;
            if (next && ThreadOf(next) != GetCurrentThreadId())
                next = nullptr;
            if (!next)
                for (HWND top : TopLevelWindows()) {
                    Window* w = top != handle && ThreadOf(top) == GetCurrentThreadId() ? Validate(top) : nullptr;
                    if (w && w->IsVisibleFlag() && !(w->FExStyle & WS_EX_NOACTIVATE) &&
                        !(w->FExStyle & WS_EX_TOPMOST && w->FExStyle & WS_EX_TOOLWINDOW)) {
                        next = top;
                        break;
                    }
                }
            ActivateWindow(next, false);
        }
        return wasVisible;
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
    case SW_SHOWMINNOACTIVE:
        activate = false;
        [[fallthrough]];
    default:
        break;
    }
    if (cmdShow == SW_MAXIMIZE || cmdShow == SW_MINIMIZE || cmdShow == SW_RESTORE ||
        cmdShow == SW_SHOWMINIMIZED || cmdShow == SW_SHOWMINNOACTIVE) {
        bool wasZoomed = hwnd->FStyle & WS_MAXIMIZE, wasIconic = hwnd->FStyle & WS_MINIMIZE;
        if (!wasZoomed && !wasIconic)
            hwnd->FRestored = hwnd->FRect;
        TRect target = hwnd->FRestored;
        WPARAM sizeKind = SIZE_RESTORED;
        hwnd->FStyle &= ~(WS_MAXIMIZE | WS_MINIMIZE);
        if (cmdShow == SW_MAXIMIZE) {
            MONITORINFO mi;
            TPoint centre{(hwnd->FRect.Left + hwnd->FRect.Right) / 2, (hwnd->FRect.Top + hwnd->FRect.Bottom) / 2};
            GetMonitorInfo(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &mi);
            target = mi.rcWork;
            hwnd->FStyle |= WS_MAXIMIZE;
            sizeKind = SIZE_MAXIMIZED;
        } else if (cmdShow != SW_RESTORE) {
            hwnd->FStyle |= WS_MINIMIZE;
            sizeKind = SIZE_MINIMIZED;
            activate = false;
        }
        if (!wasVisible)
            Send(hwnd, WM_SHOWWINDOW, TRUE, 0);
        SetWindowPos(handle, HWND_TOP, target.Left, target.Top, target.Width(), target.Height(),
                     SWP_SHOWWINDOW | SWP_FRAMECHANGED | (activate ? 0 : SWP_NOACTIVATE));
        if (Validate(handle))
            Send(hwnd, WM_SIZE, sizeKind, MAKELPARAM(hwnd->FClient.Width(), hwnd->FClient.Height()));
        return wasVisible;
    }
    if (wasVisible) {
        if (activate && !(hwnd->FExStyle & WS_EX_NOACTIVATE))
            SetActiveWindow(handle);
        return TRUE;
    }
    Send(hwnd, WM_SHOWWINDOW, TRUE, 0);
    if (!Validate(handle))
        return FALSE;
    SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0,
                 flags | SWP_SHOWWINDOW | (activate ? 0 : SWP_NOACTIVATE) | (hwnd->IsChild() ? SWP_NOZORDER : 0));
    return FALSE;
}

BOOL IsWindowVisible(HWND handle) {
    Window* hwnd = Validate(handle);
    return hwnd && ReallyVisible(hwnd) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND handle) {
    Window* hwnd = Validate(handle);
    return hwnd && !(hwnd->FStyle & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    Window* hwnd = Validate(handle);
    if (!hwnd)
        return FALSE;
    BOOL wasDisabled = (hwnd->FStyle & WS_DISABLED) ? TRUE : FALSE;
    if (bool(enable) == !wasDisabled)
        return wasDisabled;
    if (enable)
        hwnd->FStyle &= ~WS_DISABLED;
    else {
        hwnd->FStyle |= WS_DISABLED;
        LoseFocusOf(handle);
        if (GetState().FCapture && (GetState().FCapture == handle || IsDescendant(handle, GetState().FCapture)))
            ReleaseCapture();
    }
    Send(hwnd, WM_ENABLE, enable, 0);
    return wasDisabled;
}

BOOL IsIconic(HWND handle) {
    Window* hwnd = Validate(handle);
    return hwnd && (hwnd->FStyle & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND handle) {
    Window* hwnd = Validate(handle);
    return hwnd && (hwnd->FStyle & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL BringWindowToTop(HWND handle) { return SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL GetWindowPlacement(HWND handle, WINDOWPLACEMENT* placement) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !placement)
        return FALSE;
    placement->flags = 0;
    placement->showCmd = IsZoomed(handle)   ? SW_SHOWMAXIMIZED
                         : IsIconic(handle) ? SW_SHOWMINIMIZED
                         : ReallyVisible(hwnd) ? SW_SHOWNORMAL
                                               : SW_HIDE;
    placement->rcNormalPosition = (hwnd->FStyle & (WS_MAXIMIZE | WS_MINIMIZE)) ? hwnd->FRestored : hwnd->FRect;
    return TRUE;
}

BOOL SetWindowPlacement(HWND handle, const WINDOWPLACEMENT* placement) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !placement)
        return FALSE;
    const TRect& r = placement->rcNormalPosition;
    if (hwnd->FStyle & (WS_MAXIMIZE | WS_MINIMIZE))
        hwnd->FRestored = r;
    else
        SetWindowPos(handle, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    if (placement->showCmd != SW_HIDE)
        ShowWindow(handle, int(placement->showCmd));
    return TRUE;
}

// ---- Text and properties -----------------------------------------------------------------------------

BOOL SetWindowText(HWND handle, const char* text) {
    return Validate(handle) && Send(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowText(HWND handle, char* buffer, int maxCount) {
    if (!buffer || maxCount <= 0 || !Validate(handle))
        return 0;
    return int(Send(handle, WM_GETTEXT, WPARAM(maxCount), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND handle) { return Validate(handle) ? int(Send(handle, WM_GETTEXTLENGTH)) : 0; }

std::string GetWindowTextString(HWND handle) {
    int n = GetWindowTextLength(handle);
    std::string text(size_t(n) + 1, '\0');
    n = GetWindowText(handle, text.data(), n + 1);
    text.resize(size_t(std::max(0, n)));
    return text;
}

BOOL SetProp(HWND handle, const char* name, HANDLE data) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !name)
        return FALSE;
    hwnd->FProps[LowerName(name)] = data;
    return TRUE;
}

HANDLE GetProp(HWND handle, const char* name) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !name)
        return nullptr;
    auto it = hwnd->FProps.find(LowerName(name));
    return it == hwnd->FProps.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND handle, const char* name) {
    Window* hwnd = Validate(handle);
    if (!hwnd || !name)
        return nullptr;
    auto it = hwnd->FProps.find(LowerName(name));
    if (it == hwnd->FProps.end())
        return nullptr;
    HANDLE data = it->second;
    hwnd->FProps.erase(it);
    return data;
}

// ---- Hit testing -------------------------------------------------------------------------------------

HWND ChildWindowFromPointEx(HWND parentHandle, TPoint point, UINT flags) {
    Window* parent = Validate(parentHandle);
    if (!parent)
        return nullptr;
    TRect client{0, 0, parent->FClient.Width(), parent->FClient.Height()};
    if (parent != GetState().FDesktop &&
        (point.X < client.Left || point.Y < client.Top || point.X >= client.Right || point.Y >= client.Bottom))
        return nullptr;
    for (Window* child : parent->FChildren) {
        if ((flags & CWP_SKIPINVISIBLE) && !child->IsVisibleFlag())
            continue;
        if ((flags & CWP_SKIPDISABLED) && (child->FStyle & WS_DISABLED))
            continue;
        if ((flags & CWP_SKIPTRANSPARENT) && (child->FExStyle & WS_EX_TRANSPARENT))
            continue;
        const TRect& r = child->FRect;
        if (point.X >= r.Left && point.X < r.Right && point.Y >= r.Top && point.Y < r.Bottom)
            return child->FHandle;
    }
    return parentHandle;
}

HWND ChildWindowFromPoint(HWND parent, TPoint point) { return ChildWindowFromPointEx(parent, point, CWP_ALL); }

} // namespace win
