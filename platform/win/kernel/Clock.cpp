#include "platform/win/kernel/Clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace win {

namespace {

using ClockSteady = std::chrono::steady_clock;

SystemClock& ClockSystemInstance() {
    static SystemClock* clock = new SystemClock; // usable until the very end of the program
    return *clock;
}

std::atomic<IClock*> ClockInstalled{nullptr};

struct ClockListenerEntry {
    uint32_t Id = 0;
    TClockListener Listener;
    int Running = 0;
    bool Removed = false;
};

struct ClockListenerRegistry {
    std::mutex Mutex;
    std::condition_variable Finished;
    std::vector<std::shared_ptr<ClockListenerEntry>> Entries;
    uint32_t NextId = 1;
};

// Never destroyed, like the kernel's state: a clock may still move while the program exits.
ClockListenerRegistry& ClockListeners() {
    static ClockListenerRegistry* registry = new ClockListenerRegistry;
    return *registry;
}

// The listeners the current thread is running now (a listener may move the clock again).
thread_local std::vector<ClockListenerEntry*> ClockRunningHere;

} // namespace

uint64_t SystemClock::Now() {
    return uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(ClockSteady::now().time_since_epoch()).count());
}

uint64_t SystemClock::NowMicroseconds() {
    return uint64_t(
        std::chrono::duration_cast<std::chrono::microseconds>(ClockSteady::now().time_since_epoch()).count());
}

void SystemClock::WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                            uint64_t deadlineMs) {
    cv.wait_until(lock, ClockSteady::time_point(std::chrono::milliseconds(deadlineMs)));
}

void SystemClock::SleepFor(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t ManualClock::Now() {
    std::lock_guard lock(FMutex);
    return FNowUs / 1000;
}

uint64_t ManualClock::NowMicroseconds() {
    std::lock_guard lock(FMutex);
    return FNowUs;
}

void ManualClock::WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                            uint64_t deadlineMs) {
    // Only a move of this clock (through the waiter's clock listener) or the waited-for object wakes us.
    cv.wait(lock);
}

void ManualClock::SleepFor(uint32_t ms) {
    std::unique_lock lock(FMutex);
    if (FAutoAdvance) {
        lock.unlock();
        Advance(ms);
        return;
    }
    const uint64_t deadline = FNowUs + uint64_t(ms) * 1000;
    ++FSleeperCount;
    FSleepers.wait(lock, [&] { return FNowUs >= deadline; });
    --FSleeperCount;
}

void ManualClock::Advance(uint64_t ms) {
    AdvanceMicroseconds(ms * 1000);
}

void ManualClock::AdvanceMicroseconds(uint64_t us) {
    {
        std::lock_guard lock(FMutex);
        FNowUs += us;
    }
    Moved();
}

void ManualClock::Set(uint64_t ms) {
    {
        std::lock_guard lock(FMutex);
        FNowUs = ms * 1000;
    }
    Moved();
}

void ManualClock::Moved() {
    uint64_t now;
    {
        std::lock_guard lock(FMutex);
        now = FNowUs / 1000;
        FSleepers.notify_all();
    }
    NotifyClockListeners(now);
}

bool ManualClock::GetAutoAdvance() const {
    std::lock_guard lock(FMutex);
    return FAutoAdvance;
}

void ManualClock::SetAutoAdvance(bool value) {
    std::lock_guard lock(FMutex);
    FAutoAdvance = value;
}

int ManualClock::GetSleeperCount() const {
    std::lock_guard lock(FMutex);
    return FSleeperCount;
}

IClock& GetClock() {
    IClock* clock = ClockInstalled.load(std::memory_order_acquire);
    return clock ? *clock : ClockSystemInstance();
}

IClock* SetClock(IClock* clock) {
    IClock* previous = ClockInstalled.exchange(clock, std::memory_order_acq_rel);
    NotifyClockListeners(GetClock().Now());
    return previous;
}

uint32_t AddClockListener(TClockListener listener) {
    auto& registry = ClockListeners();
    auto entry = std::make_shared<ClockListenerEntry>();
    entry->Listener = std::move(listener);
    std::lock_guard lock(registry.Mutex);
    entry->Id = registry.NextId++;
    registry.Entries.push_back(entry);
    return entry->Id;
}

void RemoveClockListener(uint32_t id) {
    auto& registry = ClockListeners();
    std::unique_lock lock(registry.Mutex);
    auto it = std::find_if(registry.Entries.begin(), registry.Entries.end(),
                           [&](const auto& e) { return e->Id == id; });
    if (it == registry.Entries.end())
        return;
    std::shared_ptr<ClockListenerEntry> entry = *it;
    registry.Entries.erase(it);
    entry->Removed = true;
    const int mine = int(std::count(ClockRunningHere.begin(), ClockRunningHere.end(), entry.get()));
    registry.Finished.wait(lock, [&] { return entry->Running <= mine; });
}

void NotifyClockListeners(uint64_t nowMs) {
    auto& registry = ClockListeners();
    std::vector<std::shared_ptr<ClockListenerEntry>> entries;
    {
        std::lock_guard lock(registry.Mutex);
        entries = registry.Entries;
    }
    for (const auto& entry : entries) {
        {
            std::lock_guard lock(registry.Mutex);
            if (entry->Removed)
                continue;
            ++entry->Running;
        }
        ClockRunningHere.push_back(entry.get());
        struct Done {
            ClockListenerRegistry& Registry;
            ClockListenerEntry* Entry;
            ~Done() {
                ClockRunningHere.pop_back();
                std::lock_guard lock(Registry.Mutex);
                --Entry->Running;
                Registry.Finished.notify_all();
            }
        } done{registry, entry.get()};
        entry->Listener(nowMs);
    }
}

DWORD GetTickCount() {
    return DWORD(GetTickCount64());
}

uint64_t GetTickCount64() {
    const uint64_t now = GetClock().Now();
    return now - now % SystemTickMs;
}

DWORD timeGetTime() {
    return DWORD(GetClock().Now());
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (!count)
        return FALSE;
    count->QuadPart = int64_t(GetClock().NowMicroseconds());
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (!frequency)
        return FALSE;
    frequency->QuadPart = 1000000;
    return TRUE;
}

void Sleep(DWORD ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    if (ms == INFINITE) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(24));
    }
    GetClock().SleepFor(ms);
}

} // namespace win
