#include "platform/vcl/ExtCtrls.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/User.h"

#include <map>

namespace vcl {

namespace {

// Running timers by the window system's timer id.
std::map<uintptr_t, TTimer*>& ExtCtrlsTimers() {
    static std::map<uintptr_t, TTimer*> timers;
    return timers;
}

void ExtCtrlsTimerProc(win::HWND, win::UINT, uintptr_t id, win::DWORD) {
    auto it = ExtCtrlsTimers().find(id);
    if (it == ExtCtrlsTimers().end())
        return;
    try {
        it->second->Timer();
    } catch (const win::StallError&) {
        throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        if (!Application)
            throw;
        Application->HandleException(it->second, e);
    }
}

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    FEnabled = false;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (FTimerId) {
        win::KillTimer(nullptr, FTimerId);
        ExtCtrlsTimers().erase(FTimerId);
        FTimerId = 0;
    }
    if (FEnabled && FInterval != 0 && FOnTimer) {
        FTimerId = win::SetTimer(nullptr, 0, FInterval, ExtCtrlsTimerProc);
        if (!FTimerId)
            throw EOutOfResources("Not enough timers available");
        ExtCtrlsTimers()[FTimerId] = this;
    }
}

void TTimer::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t value) {
    if (value == FInterval)
        return;
    FInterval = value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value) {
    FOnTimer = std::move(value);
    UpdateTimer();
}

void TTimer::Timer() {
    if (FEnabled && FOnTimer) {
        // A copy: the handler may replace itself or free the timer.
        TNotifyEvent handler = FOnTimer;
        handler(this);
    }
}

} // namespace vcl
