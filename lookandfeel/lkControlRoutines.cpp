#include "lookandfeel/lkControls.h"

#include "platform/win/kernel/Modules.h"
#include "platform/win/user/User.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"

namespace lookandfeel {

namespace {

win::HMODULE ControlsUser32 = nullptr;

} // namespace

void GetMonitorWorkArea(const win::TPoint& point, win::TRect& rect) {
    using TMonitorFromPoint = win::HMONITOR (*)(win::TPoint, win::DWORD);
    using TGetMonitorInfo = win::BOOL (*)(win::HMONITOR, win::MONITORINFO*);
    // Looked up on each call: the entry points may come and go with the system (and with the tests' switches).
    auto fromPoint = ControlsUser32 ? reinterpret_cast<TMonitorFromPoint>(
                                          win::GetProcAddress(ControlsUser32, "MonitorFromPoint"))
                                    : nullptr;
    auto info = ControlsUser32 ? reinterpret_cast<TGetMonitorInfo>(win::GetProcAddress(ControlsUser32, "GetMonitorInfoA"))
                               : nullptr;
    if (fromPoint && info) {
        win::MONITORINFO mi;
        mi.cbSize = 40;
        if (info(fromPoint(point, win::MONITOR_DEFAULTTONEAREST), &mi)) {
            rect = mi.rcWork;
            return;
        }
    }
    win::SystemParametersInfo(win::SPI_GETWORKAREA, 0, &rect, 0);
}

bool IsCtrlPressed() { return (win::GetAsyncKeyState(win::VK_CONTROL) & 0x8000) != 0; }

void InitControlsModule() { ControlsUser32 = win::LoadLibrary("USER32"); }

void DoneControlsModule() {
    if (ControlsUser32)
        win::FreeLibrary(ControlsUser32);
    ControlsUser32 = nullptr;
}

} // namespace lookandfeel
