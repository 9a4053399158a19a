#include "bars/xbBarUtils.h"

#include "bars/xbBarCommon.h"
#include "lookandfeel/lkControls.h"
#include "platform/vcl/Controls.h"
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <cstring>

namespace bars {

namespace {

int32_t GScreenBitsPerPixel = 0;
win::HBRUSH GDitherBrush = nullptr;
// Emulated mouse-leave tracking: the tracked window and the timer that watches it.
win::HWND GTrackedWindow = nullptr;
uintptr_t GTrackTimer = 0;

const char* const MenuSoundNames[] = {"MenuPopup", "MenuCommand"};

void TrackTimerProc(win::HWND, win::UINT, uintptr_t, win::DWORD) {
    if (!GTrackedWindow)
        return;
    win::TPoint p{};
    win::GetCursorPos(&p);
    if (DeepestWindowFromPoint(p) != GTrackedWindow)
        CancelMouseLeaveTracking(GTrackedWindow);
}

// Dispatches the queued messages of one range; WM_QUIT is looked for too: it ends the drain and stays queued.
void DispatchQueued(win::UINT first, win::UINT last) {
    win::MSG msg;
    while (win::PeekMessage(&msg, nullptr, first, last, win::PM_REMOVE) ||
           win::PeekMessage(&msg, nullptr, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE)) {
        if (msg.message == win::WM_QUIT) {
            win::PostQuitMessage(int(msg.wParam));
            return;
        }
        win::DispatchMessage(&msg);
    }
}

} // namespace

vcl::TControl* GetControlOfWindow(win::HWND window) {
    for (win::HWND w = window; w; w = win::GetParent(w))
        if (vcl::TWinControl* control = vcl::TWinControl::FindControl(w))
            return control;
    return nullptr;
}

bool IsWindowDescendantOf(win::HWND window, win::HWND ancestor) {
    if (!window || !ancestor)
        return false;
    for (win::HWND w = win::GetParent(window); w; w = win::GetParent(w))
        if (w == ancestor)
            return true;
    return false;
}

win::HWND DeepestWindowFromPoint(win::TPoint screenPoint) {
    win::HWND window = win::WindowFromPoint(screenPoint);
    // Each step goes one level down the tree, so the walk ends within the tree's depth.
    while (window) {
        win::TPoint p = screenPoint;
        win::ScreenToClient(window, &p);
        win::HWND child = win::ChildWindowFromPointEx(window, p, win::CWP_SKIPINVISIBLE);
        if (!child || child == window)
            break;
        window = child;
    }
    return window;
}

win::TRect GetWorkAreaAtPoint(win::TPoint point) {
    win::TRect rect{};
    lookandfeel::GetMonitorWorkArea(point, rect);
    return rect;
}

void CheckMinEditWidth(int32_t& width) {
    if (width < MinEditWidth)
        width = MinEditWidth;
}

std::string RemoveAccelChars(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    for (; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            // The ampersand goes; a doubled one keeps the second, which is not looked at again.
            ++i;
            result += text[i];
            continue;
        }
        result += text[i];
    }
    if (i < text.size())
        result += text[i];
    return result;
}

bool IsMouseLeaveTracked(win::HWND window) {
    if (!window)
        return false;
    if (TrackMouseEventProc) {
        win::TRACKMOUSEEVENT tme;
        tme.dwFlags = win::TME_QUERY;
        tme.hwndTrack = window;
        if (!TrackMouseEventProc(&tme))
            return false;
        return (tme.dwFlags & win::TME_LEAVE) != 0 && tme.hwndTrack == window;
    }
    return GTrackedWindow == window;
}

void StartMouseLeaveTracking(win::HWND window) {
    if (!window || IsMouseLeaveTracked(window))
        return;
    if (TrackMouseEventProc) {
        win::TRACKMOUSEEVENT tme;
        tme.dwFlags = win::TME_LEAVE;
        tme.hwndTrack = window;
        TrackMouseEventProc(&tme);
        return;
    }
    if (GTrackedWindow)
        CancelMouseLeaveTracking(GTrackedWindow);
    GTrackedWindow = window;
    GTrackTimer = win::SetTimer(nullptr, 0, MouseLeaveTimerInterval, &TrackTimerProc);
}

void CancelMouseLeaveTracking(win::HWND window) {
    if (!IsMouseLeaveTracked(window))
        return;
    if (TrackMouseEventProc) {
        win::TRACKMOUSEEVENT tme;
        tme.dwFlags = win::TME_CANCEL | win::TME_LEAVE;
        tme.hwndTrack = window;
        TrackMouseEventProc(&tme);
    } else {
        if (GTrackTimer)
            win::KillTimer(nullptr, GTrackTimer);
        GTrackTimer = 0;
        GTrackedWindow = nullptr;
    }
    win::SendMessage(window, win::WM_MOUSELEAVE, 0, 0);
}

bool IsPrimaryButtonDown() {
    const int vk = win::GetSystemMetrics(win::SM_SWAPBUTTON) ? win::VK_RBUTTON : win::VK_LBUTTON;
    return (win::GetAsyncKeyState(vk) & 0x8000) != 0;
}

bool IsSecondaryButtonDown() {
    const int vk = win::GetSystemMetrics(win::SM_SWAPBUTTON) ? win::VK_LBUTTON : win::VK_RBUTTON;
    return (win::GetAsyncKeyState(vk) & 0x8000) != 0;
}

void DispatchMouseMessages() { DispatchQueued(win::WM_MOUSEFIRST, win::WM_MOUSELAST); }

void DispatchPaintMessages() { DispatchQueued(win::WM_PAINT, win::WM_PAINT); }

void PlayMenuSound(int32_t index) {
    if (index < 0 || index > 1)
        return;
    win::PlaySoundA(MenuSoundNames[index], nullptr, MenuSoundFlags);
}

int32_t ScaledBarFontHeight(int32_t iconTitleHeight) {
    return iconTitleHeight >= -10 ? -11 : iconTitleHeight;
}

void CreateBarFontHandle(vcl::TFont* font, win::HFONT& handle, bool scaled) {
    if (handle) {
        win::DeleteObject(handle);
        handle = nullptr;
    }
    if (!font)
        return;
    win::LOGFONTA lf{};
    win::GetObject(font->GetHandle(), sizeof(lf), &lf);
    if (scaled) {
        win::LOGFONTA iconTitle{};
        if (win::SystemParametersInfo(win::SPI_GETICONTITLELOGFONT, sizeof(iconTitle), &iconTitle, 0))
            lf.lfHeight = ScaledBarFontHeight(iconTitle.lfHeight);
    }
    handle = win::CreateFontIndirectA(&lf);
}

vcl::TColor GetRealColor(vcl::TColor color) {
    win::HDC dc = win::GetDC(nullptr);
    vcl::TColor result = vcl::TColor(win::GetNearestColor(dc, win::COLORREF(vcl::ColorToRGB(color))));
    win::ReleaseDC(nullptr, dc);
    return result;
}

void RefreshDeviceConsts() {
    win::HDC dc = win::GetDC(nullptr);
    GScreenBitsPerPixel = win::GetDeviceCaps(dc, win::BITSPIXEL);
    win::ReleaseDC(nullptr, dc);
}

int32_t ScreenBitsPerPixel() { return GScreenBitsPerPixel; }

vcl::TColor DitherPatternColor(int32_t x, int32_t y) {
    return vcl::TColor(win::GetSysColor(((x & 1) == (y & 1)) ? win::COLOR_BTNFACE : win::COLOR_BTNHIGHLIGHT));
}

void RefreshDitherBrush() {
    win::HDC screen = win::GetDC(nullptr);
    win::HBITMAP bitmap = win::CreateCompatibleBitmap(screen, 8, 8);
    win::HDC dc = win::CreateCompatibleDC(screen);
    win::ReleaseDC(nullptr, screen);
    win::HGDIOBJ old = win::SelectObject(dc, bitmap);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            win::SetPixel(dc, x, y, win::COLORREF(DitherPatternColor(x, y)));
    win::SelectObject(dc, old);
    win::DeleteDC(dc);
    DeleteDitherBrush();
    GDitherBrush = win::CreatePatternBrush(bitmap);
    // The brush keeps its own copy of the pattern.
    win::DeleteObject(bitmap);
}

win::HBRUSH DitherBrush() { return GDitherBrush; }

void DeleteDitherBrush() {
    if (GDitherBrush)
        win::DeleteObject(GDitherBrush);
    GDitherBrush = nullptr;
}

} // namespace bars
