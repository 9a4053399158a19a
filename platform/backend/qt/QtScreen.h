// The desktop screen: each visible top-level window of the window system is a window on the X display
// (through Qt's xcb platform), showing the window's back buffer; desktop input becomes the window system's.
// The desktop's clipboard backs the window system's, files dropped from other programs reach the drop
// target registered for the window under the pointer, and the file and colour dialogs are Qt's.
#pragma once

#include "platform/win/user/Backend.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace qtbackend {

class QtScreen final : public win::IScreenBackend {
public:
    // Opens the display and installs itself as the window system's screen; the destructor puts the
    // previous one back. Throws std::runtime_error when there is no display to open.
    QtScreen(int argc, char** argv);
    ~QtScreen() override;
    QtScreen(const QtScreen&) = delete;
    QtScreen& operator=(const QtScreen&) = delete;

    // IScreenBackend
    std::vector<win::MonitorDesc> Monitors() override;
    int ScreenDepth() override { return 32; }
    // True while a compositing manager runs on the X display.
    bool Composited() override;
    // Whether the desktop frames the windows: a window manager runs and LOOMWICK_OWN_FRAMES is not 1 (with 0,
    // it frames them in any case).
    bool DesktopFrames() override;
    void WaitForEvents(win::DWORD timeoutMs, const std::string& waiter) override;
    void Wake() override;
    void TopLevelChanged(win::HWND hwnd) override;
    void IconChanged(win::HWND hwnd) override;
    void Present(win::HWND hwnd, const win::TRect& dirty) override;
    void CursorChanged(win::HCURSOR cursor) override;
    void CaptureChanged(win::HWND hwnd) override;
    void Beep(win::UINT type) override;
    bool FileDialog(const win::FileDialogRequest& request, win::FileDialogResult* result) override;
    bool ColorDialog(const win::ColorDialogRequest& request, win::ColorDialogResult* result) override;

    struct Impl;

private:
    std::unique_ptr<Impl> FImpl;
    win::IScreenBackend* FPrevious = nullptr;
};

// The window system's command (SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE) that brings a window that is iconic or
// zoomed, or neither, into the state the desktop gave it (a Qt::WindowStates value); 0 when it is in it.
win::UINT QtStateCommand(unsigned desktopState, bool iconic, bool zoomed);

// The pixels of an icon as the desktop takes them: width x height non-premultiplied 0xAARRGGBB values, top
// row first. A 32-bit colour image with alpha keeps its alpha; otherwise the mask makes pixels transparent.
// Empty (and both sizes 0) when the handle is no icon.
std::vector<uint32_t> QtIconPixels(win::HICON icon, int* width, int* height);

// Where a window the desktop frames goes when the program puts its client area at `client`: its frame (whose
// widths `frame` gives as left, top, right and bottom) is moved into the work area `work`, the top-left
// corner first when the frame is larger. The size stays.
win::TRect QtFitToWorkArea(const win::TRect& client, const win::TRect& frame, const win::TRect& work);

// The virtual-key code of a Qt key (a Qt::Key value with its Qt::KeyboardModifiers), or 0 for keys the
// window system has no code for.
int QtKeyToVirtualKey(int qtKey, unsigned modifiers);

} // namespace qtbackend
