#include "platform/win/kernel/Sync.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/kernel/Errors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>

using namespace win;

namespace {

// Runs a wait on another thread so that the test thread can move the manual clock.
std::future<DWORD> SyncWaitAsync(HANDLE handle, DWORD timeout) {
    return std::async(std::launch::async, [=] { return WaitForSingleObject(handle, timeout); });
}

// True once `waiters` threads are blocked in a kernel wait (bounded real-time polling).
bool SyncBlocked(DWORD waiters) {
    for (int i = 0; i < 5000 && GetBlockedWaitCount() < waiters; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return GetBlockedWaitCount() == waiters;
}

bool SyncStillWaiting(std::future<DWORD>& wait) {
    return SyncBlocked(1) && wait.wait_for(std::chrono::milliseconds(20)) == std::future_status::timeout;
}

} // namespace

TEST(Events, ResetModes) {
    struct Case {
        BOOL ManualReset;
        BOOL Initial;
        DWORD First, Second; // two waits with a zero time-out
    } cases[] = {
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT}, // auto-reset: one waiter, then reset
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0}, // manual reset: stays signalled
    };
    for (const auto& c : cases) {
        HANDLE event = CreateEvent(nullptr, c.ManualReset, c.Initial);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.First) << c.ManualReset << c.Initial;
        EXPECT_EQ(WaitForSingleObject(event, 0), c.Second) << c.ManualReset << c.Initial;
        EXPECT_TRUE(SetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ResetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
        EXPECT_TRUE(CloseHandle(event));
    }
}

TEST(Events, AutoResetReleasesOneWaiterPerSignal) {
    HANDLE event = CreateEvent(nullptr, FALSE, FALSE);
    std::atomic<int> released{0};
    std::thread a([&] { WaitForSingleObject(event, INFINITE), ++released; });
    std::thread b([&] { WaitForSingleObject(event, INFINITE), ++released; });
    SetEvent(event);
    for (int i = 0; i < 2000 && released < 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(released, 1);
    SetEvent(event);
    a.join();
    b.join();
    EXPECT_EQ(released, 2);
    CloseHandle(event);
}

TEST(Events, TimeOutsFollowTheManualClock) {
    ManualClock clock;
    ScopedClock installed(clock);
    HANDLE event = CreateEvent(nullptr, FALSE, FALSE);
    auto wait = SyncWaitAsync(event, 500);
    ASSERT_TRUE(SyncStillWaiting(wait));
    clock.Advance(499);
    ASSERT_TRUE(SyncStillWaiting(wait));
    clock.Advance(1);
    EXPECT_EQ(wait.get(), WAIT_TIMEOUT);

    // A signal before the deadline ends the wait at once, whatever the clock says.
    auto signalled = SyncWaitAsync(event, 500);
    ASSERT_TRUE(SyncStillWaiting(signalled));
    SetEvent(event);
    EXPECT_EQ(signalled.get(), WAIT_OBJECT_0);
    EXPECT_EQ(timeGetTime(), 500u);

    // INFINITE is not ended by any amount of time.
    auto endless = SyncWaitAsync(event, INFINITE);
    clock.Advance(1000000);
    ASSERT_TRUE(SyncStillWaiting(endless));
    SetEvent(event);
    EXPECT_EQ(endless.get(), WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST(Events, SystemClockTimeOut) {
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event, 30), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    CloseHandle(event);
}

TEST(Events, WaitForMultipleObjects) {
    HANDLE events[3] = {CreateEvent(nullptr, FALSE, FALSE), CreateEvent(nullptr, TRUE, FALSE),
                        CreateEvent(nullptr, FALSE, FALSE)};
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_TIMEOUT);
    SetEvent(events[2]);
    SetEvent(events[1]);
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1); // the lowest index wins
    // Wait-all consumes nothing until every object is signalled.
    EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(events[2], 0), WAIT_OBJECT_0);
    SetEvent(events[0]);
    SetEvent(events[2]);
    EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(events[0], 0), WAIT_TIMEOUT); // auto-reset ones were consumed
    EXPECT_EQ(WaitForSingleObject(events[1], 0), WAIT_OBJECT_0);
    for (HANDLE h : events)
        CloseHandle(h);
}

TEST(Events, BadHandlesAndArguments) {
    HANDLE event = CreateEvent(nullptr, TRUE, TRUE);
    ASSERT_TRUE(CloseHandle(event));
    struct Case {
        HANDLE Handle;
    } cases[] = {{nullptr}, {INVALID_HANDLE_VALUE}, {event}}; // event is closed now
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(c.Handle, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(SetEvent(c.Handle));
        EXPECT_FALSE(ResetEvent(c.Handle));
        EXPECT_FALSE(CloseHandle(c.Handle));
    }
    HANDLE none[1] = {nullptr};
    EXPECT_EQ(WaitForMultipleObjects(0, none, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Events, ClosingAHandleWhileAnotherThreadWaits) {
    ManualClock clock;
    ScopedClock installed(clock);
    HANDLE event = CreateEvent(nullptr, FALSE, FALSE);
    auto wait = SyncWaitAsync(event, 100);
    ASSERT_TRUE(SyncStillWaiting(wait));
    EXPECT_TRUE(CloseHandle(event)); // the object lives on until the wait ends
    clock.Advance(100);
    EXPECT_EQ(wait.get(), WAIT_TIMEOUT);
}

TEST(CriticalSection, IsRecursiveAndExcludesOtherThreads) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    auto tryElsewhere = [&] {
        return std::async(std::launch::async,
                          [&] {
                              BOOL got = TryEnterCriticalSection(&section);
                              if (got)
                                  LeaveCriticalSection(&section);
                              return got;
                          })
            .get();
    };
    EXPECT_FALSE(tryElsewhere());
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    EXPECT_FALSE(tryElsewhere()); // still held once
    LeaveCriticalSection(&section);
    EXPECT_TRUE(tryElsewhere());
    DeleteCriticalSection(&section);
}

TEST(CriticalSection, ALeaveByAThreadThatDoesNotOwnItIsIgnored) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    std::thread([&] { LeaveCriticalSection(&section); }).join();
    LeaveCriticalSection(&section); // the owner's own Leave still works
    LeaveCriticalSection(&section); // one too many: ignored
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    LeaveCriticalSection(&section);
    DeleteCriticalSection(&section);
}

TEST(CriticalSection, GuardsACounter) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                EnterCriticalSection(&section);
                ++counter;
                LeaveCriticalSection(&section);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 40000);
    DeleteCriticalSection(&section);
}

TEST(ThreadIds, SmallStableAndDistinct) {
    const DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), mine);
    EXPECT_LT(mine, 100000u);
    std::set<DWORD> ids{mine};
    for (int i = 0; i < 3; ++i)
        std::thread([&] { ids.insert(GetCurrentThreadId()); }).join();
    EXPECT_EQ(ids.size(), 4u);
    const DWORD reserved = AllocateThreadId();
    DWORD seen = 0;
    std::thread([&] {
        BindCurrentThreadId(reserved);
        seen = GetCurrentThreadId();
    }).join();
    EXPECT_EQ(seen, reserved);
    EXPECT_NE(GetCurrentProcessId(), 0u);
}

TEST(Interlocked, CountsAcrossThreads) {
    LONG count = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                InterlockedIncrement(&count);
                InterlockedDecrement(&count);
                InterlockedIncrement(&count);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(count, 40000);
    EXPECT_EQ(InterlockedExchange(&count, 5), 40000);
    EXPECT_EQ(InterlockedCompareExchange(&count, 9, 4), 5); // no match: unchanged
    EXPECT_EQ(count, 5);
    EXPECT_EQ(InterlockedCompareExchange(&count, 9, 5), 5);
    EXPECT_EQ(count, 9);
    EXPECT_EQ(InterlockedIncrement(&count), 10);
    EXPECT_EQ(InterlockedDecrement(&count), 9);
}
