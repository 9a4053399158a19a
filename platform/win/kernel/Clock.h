// The one clock of the layer. Tick counts, the multimedia time, the performance counter, Sleep and every
// time-out of the kernel's waits read the clock installed here, so tests can replace the system clock with
// a ManualClock and move time by hand.
//
// Manual clock rules, chosen so that tests are deterministic:
// - Time moves only through Advance and Set. Each move tells every clock listener (AddClockListener), and the
//   kernel's waits with a time-out re-check their deadline then: a WaitForSingleObject(event, 500) on another
//   thread returns WAIT_TIMEOUT as soon as the test has advanced the clock by 500 ms.
// - So every wait with a time-out (WaitForSingleObject, the class library's CheckSynchronize(ms) and
//   TEvent.WaitFor) stands still with the clock: the thread that drives the clock polls with time-out 0.
// - Sleep(ms) blocks until another thread has advanced the clock by ms, unless auto-advance is on: then
//   Sleep advances the clock by ms itself and returns, for code that runs on the test's own thread.
//   Sleep(0) only yields.
// - GetTickCount moves in steps of SystemTickMs, as the platform's tick count does; timeGetTime and the
//   performance counter keep milliseconds and microseconds.
// Install and remove clocks while no other thread reads the time.
#pragma once

#include "platform/win/WinTypes.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace win {

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since an arbitrary start; never wraps.
    virtual uint64_t Now() = 0;
    virtual uint64_t NowMicroseconds() = 0;
    // Blocks the caller, who holds lock, until cv is notified or the clock reaches deadlineMs. May return
    // early; callers re-check their condition. A manual clock never reaches a deadline by itself: the
    // waiter is woken by the notification its clock listener sends when the clock moves.
    virtual void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                           uint64_t deadlineMs) = 0;
    // Blocks the calling thread for ms milliseconds of this clock (ms > 0).
    virtual void SleepFor(uint32_t ms) = 0;
};

// steady_clock: monotonic, milliseconds since the machine started.
class SystemClock final : public IClock {
public:
    uint64_t Now() override;
    uint64_t NowMicroseconds() override;
    void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                   uint64_t deadlineMs) override;
    void SleepFor(uint32_t ms) override;
};

class ManualClock final : public IClock {
public:
    explicit ManualClock(uint64_t startMs = 0) : FNowUs(startMs * 1000) {}

    uint64_t Now() override;
    uint64_t NowMicroseconds() override;
    void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                   uint64_t deadlineMs) override;
    void SleepFor(uint32_t ms) override;

    // Moves the clock forward (or to ms), wakes sleepers and tells the clock listeners.
    void Advance(uint64_t ms);
    void AdvanceMicroseconds(uint64_t us);
    void Set(uint64_t ms);

    bool GetAutoAdvance() const;
    void SetAutoAdvance(bool value);
    // Threads now blocked in SleepFor, so a test can wait until a worker has reached its sleep.
    int GetSleeperCount() const;

private:
    void Moved();
    mutable std::mutex FMutex;
    std::condition_variable FSleepers;
    uint64_t FNowUs;
    bool FAutoAdvance = false;
    int FSleeperCount = 0;
};

// The installed clock (the system clock unless a test installed another).
IClock& GetClock();
// Installs clock (nullptr: the system clock) and returns the one it replaces; tells the listeners.
IClock* SetClock(IClock* clock);

// Installs a clock for the lifetime of the object, restoring the previous one afterwards.
class ScopedClock {
public:
    explicit ScopedClock(IClock& clock) : FPrevious(SetClock(&clock)) {}
    ~ScopedClock() { SetClock(FPrevious); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    IClock* FPrevious;
};

// Listeners hear about every jump of time: a manual clock's Advance or Set, and a change of the installed
// clock. They run on the thread that moved the clock, outside the clock's locks, with the new time in ms.
// The system clock moves continuously and sends nothing.
using TClockListener = std::function<void(uint64_t nowMs)>;
uint32_t AddClockListener(TClockListener listener);
// After RemoveClockListener returns, the listener is not running on another thread and will not run
// again (a listener may remove itself while it runs).
void RemoveClockListener(uint32_t id);
void NotifyClockListeners(uint64_t nowMs);

// The tick count moves in steps of this many milliseconds, as the platform's system tick does: code that
// waits "one tick" waits about 16 ms, not 1.
constexpr uint32_t SystemTickMs = 16;

DWORD GetTickCount();
uint64_t GetTickCount64();
DWORD timeGetTime();
// A microsecond counter (frequency 1,000,000) on the same clock.
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
// Sleep(0) gives up the rest of the time slice; Sleep(INFINITE) never returns.
void Sleep(DWORD ms);

} // namespace win
