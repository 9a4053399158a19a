#include "platform/vcl/Thread.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SyncObjs.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/kernel/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace vcl;

namespace {

// A thread whose body is a lambda.
class ThreadLambda : public TThread {
public:
    explicit ThreadLambda(std::function<void(ThreadLambda&)> body, bool createSuspended = true)
        : TThread(createSuspended), FBody(std::move(body)) {}
    ~ThreadLambda() override {
        // Stop here, while FBody still exists.
        if (Destroyed)
            *Destroyed = true;
    }
    using TThread::SetReturnValue;
    using TThread::Synchronize;
    std::atomic<bool>* Destroyed = nullptr;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(ThreadLambda&)> FBody;
};

// Serves synchronised calls until cond holds (bounded in real time). It pauses in real time, not on the
// installed clock, so that it also works while a manual clock stands still.
template <typename F> bool ThreadPumpUntil(F cond) {
    for (int i = 0; i < 5000 && !cond(); ++i)
        if (!CheckSynchronize(0))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return cond();
}

} // namespace

TEST(TThread, SynchronizeFromAWorkerRunsOnTheMainThread) {
    const win::DWORD mainId = win::GetCurrentThreadId();
    ASSERT_EQ(MainThreadID.load(), mainId);
    std::atomic<win::DWORD> ranOn{0};
    std::atomic<bool> done{false};
    ThreadLambda thread([&](ThreadLambda& self) {
        self.Synchronize([&] { ranOn = win::GetCurrentThreadId(); });
        done = true;
    });
    thread.Start();
    // The worker waits in Synchronize until the main thread serves it.
    bool ran = false;
    for (int i = 0; i < 5000 && !ran; ++i)
        ran = CheckSynchronize(10);
    EXPECT_TRUE(ran);
    EXPECT_EQ(ranOn, mainId);
    thread.WaitFor();
    EXPECT_TRUE(done);
    EXPECT_FALSE(CheckSynchronize(0)); // nothing left
}

TEST(TThread, CheckSynchronizeWaitsOnTheInstalledClock) {
    win::ManualClock clock;
    win::ScopedClock installed(clock);
    auto wait = std::async(std::launch::async, [] {
        MainThreadID = win::GetCurrentThreadId();
        return CheckSynchronize(200);
    });
    for (int i = 0; i < 5000 && win::GetBlockedWaitCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    clock.Advance(200);
    EXPECT_FALSE(wait.get());
    MainThreadID = win::GetCurrentThreadId();
}

TEST(TThread, WaitForOnTheMainThreadServesTheWorkersCalls) {
    std::vector<win::DWORD> seen;
    ThreadLambda thread([&](ThreadLambda& self) {
        for (int i = 0; i < 3; ++i)
            self.Synchronize([&] { seen.push_back(win::GetCurrentThreadId()); });
        self.SetReturnValue(42);
    });
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 42);
    EXPECT_EQ(seen, std::vector<win::DWORD>(3, MainThreadID.load()));
    EXPECT_EQ(thread.GetReturnValue(), 42);
    EXPECT_TRUE(thread.GetFinished());
    EXPECT_EQ(win::WaitForSingleObject(thread.GetHandle(), 0), win::WAIT_OBJECT_0);
}

TEST(TThread, OnTerminateRunsOnTheMainThreadBeforeWaitForReturns) {
    std::atomic<win::DWORD> terminatedOn{0};
    TObject* sender = nullptr;
    ThreadLambda thread([](ThreadLambda&) {});
    thread.SetOnTerminate([&](TObject* s) {
        terminatedOn = win::GetCurrentThreadId();
        sender = s;
    });
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(terminatedOn, MainThreadID.load());
    EXPECT_EQ(sender, &thread);
}

TEST(TThread, FreeOnTerminateDeletesTheThreadAfterOnTerminate) {
    std::atomic<bool> destroyed{false};
    std::vector<std::string> order;
    auto* thread = new ThreadLambda([&](ThreadLambda&) { order.push_back("execute"); });
    thread->Destroyed = &destroyed;
    thread->SetFreeOnTerminate(true);
    thread->SetOnTerminate([&](TObject*) { order.push_back(destroyed ? "late" : "terminate"); });
    EXPECT_THROW(thread->WaitFor(), EThread); // not started
    thread->Start();
    EXPECT_TRUE(ThreadPumpUntil([&] { return destroyed.load(); }));
    EXPECT_EQ(order, (std::vector<std::string>{"execute", "terminate"}));
}

TEST(TThread, AnExceptionInExecuteIsKept) {
    ThreadLambda thread([](ThreadLambda&) { throw EConvertError("'x' is not a valid integer value"); });
    thread.Start();
    thread.WaitFor();
    ASSERT_TRUE(thread.GetFatalException());
    try {
        std::rethrow_exception(thread.GetFatalException());
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
    }
}

TEST(TThread, AnExceptionInASynchronisedCallIsRaisedInTheWorker) {
    std::string caught;
    ThreadLambda thread([&](ThreadLambda& self) {
        try {
            self.Synchronize([] { throw EInvalidOperation("Canvas does not allow drawing"); });
        } catch (const EInvalidOperation& e) {
            caught = e.Message();
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(caught, "Canvas does not allow drawing");
    EXPECT_FALSE(thread.GetFatalException());
}

TEST(TThread, SynchronizeOnTheMainThreadRunsAtOnce) {
    bool ran = false;
    TThread::Synchronize(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_THROW(TThread::Synchronize(nullptr, [] { throw EAbort(); }), EAbort);
}

TEST(TThread, SuspendedUntilResumedAndKnowsItsId) {
    std::atomic<bool> ran{false};
    std::atomic<win::DWORD> idInside{0};
    ThreadLambda thread([&](ThreadLambda&) {
        ran = true;
        idInside = win::GetCurrentThreadId();
    });
    EXPECT_TRUE(thread.GetSuspended());
    EXPECT_NE(thread.GetThreadID(), 0u);
    EXPECT_NE(thread.GetThreadID(), MainThreadID.load());
    EXPECT_EQ(thread.GetPriority(), tpNormal);
    EXPECT_EQ(int(tpNormal), 3);
    thread.SetPriority(tpLower);
    EXPECT_EQ(thread.GetPriority(), tpLower);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(ran);
    thread.SetSuspended(false);
    EXPECT_FALSE(thread.GetSuspended());
    thread.WaitFor();
    EXPECT_TRUE(ran);
    EXPECT_EQ(idInside, thread.GetThreadID());
    EXPECT_THROW(thread.SetSuspended(true), EThread);
}

TEST(TThread, NewThreadStartsAThreadCreatedNotSuspended) {
    std::atomic<bool> ran{false};
    std::unique_ptr<ThreadLambda> thread(NewThread<ThreadLambda>([&](ThreadLambda&) { ran = true; }, false));
    thread->WaitFor();
    EXPECT_TRUE(ran);
}

TEST(TThread, DestroyingARunningThreadTerminatesAndWaits) {
    std::atomic<bool> stopped{false};
    std::atomic<bool> started{false};
    auto thread = std::make_unique<ThreadLambda>([&](ThreadLambda& self) {
        started = true;
        while (!self.GetTerminated())
            self.Synchronize([] {}); // keeps needing the main thread while it runs
        stopped = true;
    });
    thread->Start();
    ThreadPumpUntil([&] { return started.load(); });
    thread.reset();
    EXPECT_TRUE(stopped);
}

TEST(TThread, AThreadNeverStartedNeverRuns) {
    std::atomic<bool> ran{false};
    {
        ThreadLambda thread([&](ThreadLambda&) { ran = true; });
    }
    EXPECT_FALSE(ran);
}

TEST(TThread, WaitForOnItselfIsRefused) {
    bool refused = false;
    ThreadLambda thread([&](ThreadLambda& self) {
        try {
            self.WaitFor();
        } catch (const EThread&) {
            refused = true;
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(refused);
}

TEST(TThread, CheckSynchronizeBelongsToTheMainThreadWhichATestMayRedeclare) {
    std::string error;
    std::thread([&] {
        try {
            CheckSynchronize();
        } catch (const EThread& e) {
            error = e.Message();
        }
    }).join();
    EXPECT_NE(error.find("not the main thread"), std::string::npos);

    // Another thread declared main serves the calls; the test thread is then a worker.
    std::atomic<bool> served{false};
    std::thread other([&] {
        MainThreadID = win::GetCurrentThreadId();
        ThreadPumpUntil([&] { return served.load(); });
    });
    while (MainThreadID.load() == win::GetCurrentThreadId())
        std::this_thread::yield();
    win::DWORD ranOn = 0;
    TThread::Synchronize(nullptr, [&] { ranOn = win::GetCurrentThreadId(); });
    served = true;
    other.join();
    EXPECT_NE(ranOn, win::GetCurrentThreadId());
    MainThreadID = win::GetCurrentThreadId();
}

TEST(TThread, SynchronizeWakesTheMainThread) {
    std::atomic<int> wakes{0};
    SetWakeMainThread([&] { ++wakes; });
    ThreadLambda thread([](ThreadLambda& self) { self.Synchronize([] {}); });
    thread.Start();
    thread.WaitFor();
    SetWakeMainThread(nullptr);
    EXPECT_EQ(wakes, 1);
}

TEST(SyncObjs, CriticalSectionIsRecursive) {
    TCriticalSection section;
    section.Enter();
    section.Acquire();
    EXPECT_TRUE(section.TryEnter());
    EXPECT_FALSE(std::async(std::launch::async, [&] {
                     bool got = section.TryEnter();
                     if (got)
                         section.Leave();
                     return got;
                 }).get());
    section.Leave();
    section.Release();
    section.Leave();
    EXPECT_TRUE(std::async(std::launch::async, [&] {
                    bool got = section.TryEnter();
                    if (got)
                        section.Leave();
                    return got;
                }).get());
}

TEST(SyncObjs, EventWaitsOnTheInstalledClock) {
    win::ManualClock clock;
    win::ScopedClock installed(clock);
    TEvent manual(true, false);
    EXPECT_EQ(manual.WaitFor(0), wrTimeout);
    manual.SetEvent();
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);
    manual.ResetEvent();

    TEvent autoReset(false, false);
    auto wait = std::async(std::launch::async, [&] { return autoReset.WaitFor(1000); });
    for (int i = 0; i < 5000 && win::GetBlockedWaitCount() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    clock.Advance(1000);
    EXPECT_EQ(wait.get(), wrTimeout);
    autoReset.SetEvent();
    EXPECT_EQ(autoReset.WaitFor(0), wrSignaled);
    EXPECT_EQ(autoReset.WaitFor(0), wrTimeout);
}

// The playback pattern: a self-freeing worker times its frames with an event on the manual clock and paints
// through Synchronize; the main thread stops it and pumps until its OnTerminate has unregistered it.
TEST(TThread, StoppingASelfFreeingTimedWorkerFromTheMainThread) {
    win::ManualClock clock;
    win::ScopedClock installed(clock);
    win::HANDLE wake = win::CreateEvent(nullptr, win::FALSE, win::FALSE);
    std::atomic<int> painted{0};
    std::atomic<bool> registered{true};
    std::atomic<bool> destroyed{false};
    auto* worker = new ThreadLambda([&](ThreadLambda& self) {
        while (!self.GetTerminated()) {
            win::WaitForSingleObject(wake, 600); // one frame's delay
            if (self.GetTerminated())
                break;
            self.Synchronize([&] { ++painted; });
        }
    });
    worker->SetFreeOnTerminate(true);
    worker->Destroyed = &destroyed;
    worker->SetOnTerminate([&](TObject*) { registered = false; });
    worker->Start();

    // Each 600 ms of the clock gives one more frame.
    for (int frame = 1; frame <= 3; ++frame) {
        ASSERT_TRUE(ThreadPumpUntil([] { return win::GetBlockedWaitCount() == 1; }));
        clock.Advance(600);
        ASSERT_TRUE(ThreadPumpUntil([&] { return painted.load() == frame; }));
    }

    // Stop: terminate, wake, and serve calls until the worker has gone.
    worker->Terminate();
    win::SetEvent(wake);
    while (registered) {
        if (!CheckSynchronize())
            win::Sleep(0);
    }
    EXPECT_TRUE(ThreadPumpUntil([&] { return destroyed.load(); }));
    EXPECT_EQ(painted, 3);
    win::CloseHandle(wake);
}

TEST(TThread, CheckSynchronizeReturnsWhileAWorkerKeepsSynchronising) {
    std::atomic<int> calls{0};
    ThreadLambda thread([&](ThreadLambda& self) {
        while (!self.GetTerminated())
            self.Synchronize([&] { ++calls; });
    });
    thread.Start();
    // Each CheckSynchronize serves one round and comes back, so this loop gets to test its condition.
    EXPECT_TRUE(ThreadPumpUntil([&] { return calls.load() >= 50; }));
    thread.Terminate();
    thread.WaitFor();
}

TEST(TThread, WaitForFromAnotherWorker) {
    ThreadLambda inner([](ThreadLambda& self) { self.SetReturnValue(7); });
    std::atomic<int32_t> got{0};
    ThreadLambda outer([&](ThreadLambda& self) {
        inner.Start();
        got = inner.WaitFor(); // not the main thread: a plain wait
    });
    outer.Start();
    outer.WaitFor();
    EXPECT_EQ(got, 7);
}
