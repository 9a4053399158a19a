#include "platform/win/kernel/Clock.h"
#include "platform/win/kernel/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace win;

namespace {

// Waits (in real time, bounded) until cond holds; the manual clock does not move meanwhile.
template <typename F> bool ClockEventually(F cond) {
    for (int i = 0; i < 5000; ++i) {
        if (cond())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return cond();
}

} // namespace

TEST(Clock, SystemClockIsTheDefaultAndMoves) {
    const uint64_t before = GetClock().Now();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(GetClock().Now(), before + 20);
    LARGE_INTEGER frequency, a, b;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000);
    QueryPerformanceCounter(&a);
    QueryPerformanceCounter(&b);
    EXPECT_LE(a.QuadPart, b.QuadPart);
}

TEST(Clock, ManualClockDrivesEveryTimeReading) {
    ManualClock clock(1000);
    ScopedClock installed(clock);
    EXPECT_EQ(timeGetTime(), 1000u);
    EXPECT_EQ(GetTickCount(), 992u); // whole system ticks of 16 ms
    clock.Advance(25);
    EXPECT_EQ(timeGetTime(), 1025u);
    EXPECT_EQ(GetTickCount(), 1024u);
    clock.AdvanceMicroseconds(1500);
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    EXPECT_EQ(count.QuadPart, 1026500);
    EXPECT_EQ(timeGetTime(), 1026u);
}

TEST(Clock, ScopedClockRestoresThePreviousClock) {
    IClock* system = &GetClock();
    {
        ManualClock clock;
        ScopedClock installed(clock);
        EXPECT_EQ(&GetClock(), &clock);
    }
    EXPECT_EQ(&GetClock(), system);
}

TEST(Clock, TickCountsWrapAt32Bits) {
    ManualClock clock;
    ScopedClock installed(clock);
    clock.Set(0xFFFFFFF0ull);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
    clock.Advance(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(timeGetTime(), 0x10u);
    EXPECT_EQ(GetTickCount64(), 0x100000010ull);
    // Unsigned differences stay right across the wrap, as callers compute them.
    EXPECT_EQ(DWORD(timeGetTime() - 0xFFFFFFF0u), 0x20u);
}

TEST(Clock, SleepWaitsForTheClockToBeAdvanced) {
    ManualClock clock;
    ScopedClock installed(clock);
    std::atomic<bool> woke{false};
    std::thread sleeper([&] {
        Sleep(100);
        woke = true;
    });
    ASSERT_TRUE(ClockEventually([&] { return clock.GetSleeperCount() == 1; }));
    clock.Advance(99);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(woke);
    clock.Advance(1);
    sleeper.join();
    EXPECT_TRUE(woke);
}

TEST(Clock, SleepWithAutoAdvanceMovesTheClockItself) {
    ManualClock clock(50);
    ScopedClock installed(clock);
    clock.SetAutoAdvance(true);
    Sleep(100);
    EXPECT_EQ(timeGetTime(), 150u);
    Sleep(0); // only yields
    EXPECT_EQ(timeGetTime(), 150u);
}

TEST(Clock, ListenersHearEveryMoveUntilRemoved) {
    ManualClock clock;
    ScopedClock installed(clock);
    std::vector<uint64_t> heard;
    uint32_t id = AddClockListener([&](uint64_t now) { heard.push_back(now); });
    clock.Advance(10);
    clock.Set(500);
    RemoveClockListener(id);
    clock.Advance(10);
    EXPECT_EQ(heard, (std::vector<uint64_t>{10, 500}));
}

TEST(Clock, ListenerMayRemoveItself) {
    ManualClock clock;
    ScopedClock installed(clock);
    int calls = 0;
    uint32_t id = 0;
    id = AddClockListener([&](uint64_t) {
        ++calls;
        RemoveClockListener(id);
    });
    clock.Advance(1);
    clock.Advance(1);
    EXPECT_EQ(calls, 1);
}
