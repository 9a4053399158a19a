#include "platform/win/user/UserModule.h"

#include "platform/win/kernel/Errors.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <mutex>

namespace win {

namespace {

HMONITOR UserModuleMonitorFromPoint(TPoint point, DWORD flags) { return MonitorFromPoint(point, flags); }

// The 8-bit entry point takes the 40-byte record only: a caller that passes another size gets FALSE
// rather than a record written past its end.
BOOL UserModuleGetMonitorInfoA(HMONITOR monitor, MONITORINFO* info) {
    if (!info || info->cbSize != sizeof(MONITORINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return GetMonitorInfo(monitor, info);
}
static_assert(sizeof(MONITORINFO) == 40, "the record has the platform's size");

// Layered windows only look translucent on a composited screen: elsewhere callers take the calls as
// missing and draw opaque windows of their own.
bool UserModuleLayeredServed() { return LayeredWindowsTranslucent() != FALSE; }

// The table is filled as soon as the window system is part of a program.
const bool UserModuleRegistered = (RegisterUserModule(), true);

} // namespace

void RegisterUserModule() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterModuleExports("USER32", {
                                            {"MonitorFromPoint", ExportOf(&UserModuleMonitorFromPoint)},
                                            {"GetMonitorInfoA", ExportOf(&UserModuleGetMonitorInfoA)},
                                            {"TrackMouseEvent", ExportOf(&TrackMouseEvent)},
                                            {"AnimateWindow", ExportOf(&AnimateWindow)},
                                            {"UpdateLayeredWindow", ExportOf(&UpdateLayeredWindow),
                                             &UserModuleLayeredServed},
                                            {"SetLayeredWindowAttributes",
                                             ExportOf(&SetLayeredWindowAttributes), &UserModuleLayeredServed},
                                        });
        // The common controls are window classes of this layer: their library is there to be found, and its
        // version resource (6.0) is what callers read to know which controls they get.
        RegisterModuleExports("comctl32.dll", {});
    });
}

} // namespace win
