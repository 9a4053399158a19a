// Internal: the objects behind window handles and the window system's shared state. Only the window
// system's own files include this header.
#pragma once

#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/User.h"

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace win {

namespace user {

struct WindowClass {
    ATOM FAtom = 0;
    std::string FName;
    std::string FKey; // lower-cased name: class names compare without case
    UINT FStyle = 0;
    WNDPROC FProc = nullptr;
    HINSTANCE FInstance = nullptr;
    HICON FIcon = nullptr;
    HCURSOR FCursor = nullptr;
    HBRUSH FBackground = nullptr;
    HICON FIconSm = nullptr;
    bool FSystem = false;
};

} // namespace user

namespace user {
struct ScrollState {
    int FMin = 0;
    int FMax = 100;
    UINT FPage = 0;
    int FPos = 0;
    UINT FDisabled = 0; // ESB_ bits
    bool FShownByCaller = false;
    bool FTracking = false;
    int FTrackPos = 0;
};
} // namespace user

namespace user {

// The object behind a window handle. A handle is not its address: it names a slot of the window table and
// that slot's generation (see Validate), so that a destroyed window's handle never names another window.
struct Window {
    HWND FHandle = nullptr;
    WindowClass* FClass = nullptr;
    WNDPROC FProc = nullptr;
    // The styles are read by other threads (the z-order walks every thread's top-level windows under the
    // state lock) while the window's own thread changes them without it: each read and write is atomic.
    std::atomic<DWORD> FStyle = 0;
    std::atomic<DWORD> FExStyle = 0;
    DWORD FThreadId = 0;
    Window* FParent = nullptr; // the desktop for top-level windows
    Window* FOwner = nullptr;
    std::vector<Window*> FChildren; // z-order, topmost first
    TRect FRect;                 // window rectangle in the parent's client coordinates
    TRect FClient;               // client rectangle in the parent's client coordinates
    TRect FRestored;             // bounds before minimising or maximising
    std::string FText;
    LONG_PTR FId = 0;
    LONG_PTR FUserData = 0;
    HINSTANCE FInstance = nullptr;
    std::map<std::string, HANDLE> FProps;
    bool FDestroying = false;
    bool FRedraw = true; // WM_SETREDRAW
    ScrollState FVScroll;
    ScrollState FHScroll;
    // Painting: the part of the client area to repaint (client coordinates, null when none), and the
    // pending erase and frame repaint.
    HRGN FUpdate = nullptr;
    bool FEraseNeeded = false;
    bool FFrameNeeded = false;
    bool FInternalPaint = false;
    HRGN FRegion = nullptr;        // SetWindowRgn, window coordinates
    HBITMAP FBackBuffer = nullptr; // top-level windows: what the window shows, 32 bits, window-sized
    // Layered windows: a constant alpha, or per-pixel alpha from UpdateLayeredWindow.
    BYTE FAlpha = 255;
    bool FLayeredAlpha = false;
    bool FPerPixelAlpha = false;
    // WM_SETICON: the icons the desktop shows for the window (not owned: whoever set them keeps them).
    HICON FIconBig = nullptr;
    HICON FIconSmall = nullptr;

    bool IsChild() const { return (FStyle & WS_CHILD) != 0; }
    bool IsVisibleFlag() const { return (FStyle & WS_VISIBLE) != 0; }
};

// A window's handle, or null for none.
inline HWND H(const Window* w) { return w ? w->FHandle : nullptr; }

// The table behind window handles: a handle holds a slot's index and the generation the slot had when the
// window was made. Destroying a window frees its slot and moves the generation on, so the old handle names
// nothing ever after; a slot whose generation would wrap around is retired instead of reused.
class WindowTable {
public:
    HWND Add(Window* w);
    void Remove(HWND handle);
    Window* Find(HWND handle) const;
    // Every live window, in slot order.
    template <class F> void ForEach(F f) const {
        for (const Slot& slot : FSlots)
            if (slot.FWindow)
                f(slot.FWindow);
    }

private:
    struct Slot {
        Window* FWindow = nullptr;
        uint32_t FGeneration = 0;
    };
    std::vector<Slot> FSlots;
    std::deque<uint32_t> FFree; // oldest freed first, so a slot rests as long as possible before reuse
};

// The process-wide state of the window system. Windows belong to the GUI thread; other threads only
// post messages, which go through the queues' own locks.
//
// Lock order: FLock first. A message queue's lock, the pending-invalidation lock (Paint.cpp), the raw
// input lock (Input.cpp) and the screen backend's lock come after it and are leaves: code holding one of
// them takes no other lock of the window system and calls no window procedure. A thread may take FLock on
// its own at any time, but never while it holds a leaf lock.
struct State {
    std::recursive_mutex FLock; // guards the window registry for lookups from other threads
    std::vector<std::unique_ptr<WindowClass>> FClasses;
    ATOM FNextAtom = 0xC000;
    Window* FDesktop = nullptr;
    WindowTable FWindows; // every live window, by handle

    HWND FCapture = nullptr;
    HWND FForeground = nullptr; // the window the last activation went to, of any thread; under FLock
    HWND FTracked = nullptr; // window whose WM_MOUSELEAVE is pending
    DWORD FTrackFlags = 0;
    TPoint FCursor;
    BYTE FKeys[256] = {};      // as the retrieved messages left them
    BYTE FAsyncKeys[256] = {}; // as the input arrived
    UINT FDoubleClickTime = 500;
};

State& GetState();

// Each thread's own activation and focus: a thread activates and focuses only windows it made, so that
// activating never touches a window that its own thread may be freeing at that moment. Only the thread
// itself reads or changes its record.
struct ThreadInput {
    HWND FActive = nullptr;
    HWND FFocus = nullptr;
};
ThreadInput& CurrentThreadInput();
// The window behind a handle, or nullptr when the handle is not a live window (never was one, or its
// window was destroyed). Constant time, under the state lock.
Window* Validate(HWND hwnd);
// The top-level windows in z-order, copied under the state lock: windows of any thread are made and freed
// while another thread walks the list (broadcasts, activation, painting), so it is never walked in place.
std::vector<HWND> TopLevelWindows();
// The thread that owns a window, or 0 when the handle names none: safe from any thread.
DWORD ThreadOf(HWND hwnd);
bool IsDescendant(Window* ancestor, Window* hwnd);
// Client origin of a window in screen coordinates.
TPoint ClientOrigin(Window* hwnd);
TPoint WindowOrigin(Window* hwnd);
Window* TopLevelOf(Window* hwnd);
bool ReallyVisible(Window* hwnd);
bool ReallyEnabled(Window* hwnd);
// The same walks for code that keeps handles (input, focus, activation); a stale handle walks nowhere.
bool IsDescendant(HWND ancestor, HWND hwnd);
HWND TopLevelOf(HWND hwnd);
bool ReallyVisible(HWND hwnd);
bool ReallyEnabled(HWND hwnd);

// Messages sent by the window system itself go through the hooks like any sent message.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
LRESULT Send(Window* w, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Calls made when windows come and go, for the queue, the timers and the painting.
void OnWindowDestroyed(Window* hwnd);
void OnWindowGeometryChanged(Window* hwnd, const TRect& oldRect, bool shownOrHidden);

// Recomputes the client rectangle from the window rectangle through WM_NCCALCSIZE.
void RecalcClient(Window* hwnd);
// Tells the backend that a top-level window changed.
void ScreenBackendNotify(Window* hwnd);

// Whether a point (parent client coordinates) lies inside the window's region, if it has one.
bool WindowRegionContains(Window* hwnd, TPoint parentPoint);

// Painting: the next window of this thread that needs WM_PAINT (within the filter), or nullptr.
Window* FindWindowToPaint(DWORD threadId, HWND filter);

// Input cooking: turns the oldest raw input event into a message without removing it. Returns false when
// no input is queued. `remove` runs the hooks and updates the key state; a hook may swallow the event,
// which is then dropped and `swallowed` set.
bool PeekInput(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, bool remove, bool* swallowed);
bool HasInput();

// Hooks (per thread).
LRESULT RunHook(int idHook, int code, WPARAM wParam, LPARAM lParam);
bool HasHook(int idHook);

// Scroll bars.
struct ScrollHit {
    WORD FPart = SB_ENDSCROLL; // SB_LINEUP ... SB_THUMBTRACK
    TRect FBar;
    int FTrackStart = 0;
    int FTrackLength = 0;
    int FThumbStart = 0;
};
ScrollHit ScrollBarHit(HWND hwnd, int bar, TPoint screen);
void TrackScrollBar(HWND hwnd, int bar, TPoint screen);
// Repaints the non-client area (frame, caption, scroll bars).
void RedrawNonClient(Window* hwnd);
// Draws the default frame, caption and scroll bars.
void PaintFrame(Window* hwnd);
// Takes the caret off a window before it paints; the caret's blink puts it back.
void CaretOffForPaint(Window* hwnd);

// The system's move and size loop.
void MoveSizeLoop(HWND hwnd, LRESULT hit, TPoint start);

// Input state changes.
void LoseFocusOf(HWND hwnd);
void ActivateWindow(HWND hwnd, bool byClick);

} // namespace user

} // namespace win
