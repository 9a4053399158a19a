// TTimer: OnTimer every Interval milliseconds while Enabled, run by the message loop.
#pragma once

#include "platform/vcl/Component.h"

namespace vcl {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    uint32_t GetInterval() const { return FInterval; }
    void SetInterval(uint32_t value);
    // Setting the handler starts the timer when it is enabled; clearing it stops it.
    void SetOnTimer(TNotifyEvent value);
    const TNotifyEvent& GetOnTimer() const { return FOnTimer; }

    // For the window system's timer callback.
    void Timer();

private:
    void UpdateTimer();
    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    uintptr_t FTimerId = 0;
};

} // namespace vcl
