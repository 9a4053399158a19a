// What the window system asks of the screen it shows its windows on. A backend (headless for tests, Qt
// for desktops) implements this and installs itself with SetScreenBackend.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/user/CommonDialogs.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace win {

struct MonitorDesc {
    TRect Bounds;
    TRect Work;
    bool Primary = false;
};

// Raised when a message loop waits for input that can never come (a headless screen with nothing left
// to replay): a test fails at once instead of hanging.
class StallError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IScreenBackend {
public:
    virtual ~IScreenBackend() = default;

    virtual std::vector<MonitorDesc> Monitors() = 0;
    virtual int ScreenDepth() { return 32; }

    // Called on the GUI thread when its queue is empty. Returns when input was queued, Wake was called or
    // timeoutMs (INFINITE: no limit) passed on the system clock. `waiter` names the loop that waits.
    // Throws StallError when nothing can ever arrive.
    virtual void WaitForEvents(DWORD timeoutMs, const std::string& waiter) = 0;
    // Thread-safe: ends a WaitForEvents in progress (a message was posted from another thread).
    virtual void Wake() = 0;

    // A top-level window was created, shown, hidden, moved, resized or re-ordered, or destroyed: then
    // IsWindow(hwnd) is already false and the handle must not be used for anything but forgetting it.
    virtual void TopLevelChanged(HWND hwnd) {}
    // A top-level window's icon changed (WM_SETICON): WM_GETICON gives the new one.
    virtual void IconChanged(HWND hwnd) {}
    // The back buffer of a top-level window changed inside dirty (window coordinates).
    virtual void Present(HWND hwnd, const TRect& dirty) {}
    virtual void CursorChanged(HCURSOR cursor) {}
    virtual void CaptureChanged(HWND hwnd) {}
    // The sound calls, recorded by test backends. A sound is its alias or file name (empty for one played
    // from memory) with the flags PlaySound was given.
    virtual void Beep(UINT type) {}
    virtual void PlaySound(const std::string& sound, DWORD flags) {}

    // Whether layered windows show translucent: a desktop needs a compositing manager for that.
    virtual bool Composited() { return true; }
    // Whether the desktop draws the frame and caption of the top-level windows that have a caption (a window
    // manager's decorations): then such a window has no frame of its own (DesktopDrawsFrame).
    virtual bool DesktopFrames() { return false; }

    // The common dialogs, modal; false when cancelled. A screen without dialogs cancels them.
    virtual bool FileDialog(const FileDialogRequest& request, FileDialogResult* result) { return false; }
    virtual bool ColorDialog(const ColorDialogRequest& request, ColorDialogResult* result) { return false; }
};

// Whether a top-level window of this style is one whose frame a desktop with frames draws: it has a caption
// and is not a tool window (floating toolbars and palettes draw their own small caption). Popups without a
// caption (menus, drop-down lists, hints, drag images) draw themselves.
bool DesktopFramedStyle(DWORD style, DWORD exStyle);
// Whether the installed screen draws the window's frame: a top-level window of a framed style on a screen
// with desktop frames. Its window rectangle is its client area, as the desktop's frame lies outside it.
bool DesktopDrawsFrame(HWND hwnd);

// nullptr puts the built-in screenless one back. The GDI's screen depth (GetDeviceCaps BITSPIXEL) becomes the
// installed screen's.
void SetScreenBackend(IScreenBackend* backend);
// The installed screen's depth changed: the GDI's screen depth follows and, when it changed, every top-level
// window gets WM_DISPLAYCHANGE (bits a pixel, the primary monitor's width and height), as on a real display.
// A depth the GDI does not draw at (other than 1, 4, 8, 16, 24, 32) is not taken.
void ScreenDepthChanged();
IScreenBackend& ScreenBackend();
// The backend installed with SetScreenBackend, or nullptr for the built-in screenless one.
IScreenBackend* InstalledScreenBackend();

// Modal loops name themselves so that a stalled wait says where it waited.
class WaitScope {
public:
    explicit WaitScope(std::string name);
    ~WaitScope();
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;
    static std::string Current();
};

} // namespace win
