// Windows used from several threads: workers that invalidate, send to and set timers for a window while its
// own thread pumps messages; exceptions raised while answering another thread; hooks that unhook themselves.
#include "UserTestSupport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace usertest;

namespace {

// A hang in the window system ends the test program with a message instead of leaving it waiting forever.
class Watchdog {
public:
    Watchdog(const char* what, std::chrono::seconds limit)
        : FThread([this, what, limit] {
              std::unique_lock<std::mutex> lock(FLock);
              if (!FCv.wait_for(lock, limit, [this] { return FDone; })) {
                  std::fprintf(stderr, "%s did not finish within %lld s: the window system hangs\n", what,
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> guard(FLock);
            FDone = true;
        }
        FCv.notify_all();
        FThread.join();
    }

private:
    std::mutex FLock;
    std::condition_variable FCv;
    bool FDone = false;
    std::thread FThread; // last: starts once the members it waits on exist
};

} // namespace

TEST_F(UserTest, WorkerInvalidatingWhileTheWindowsThreadPumpsFinishes) {
    Watchdog watchdog("Invalidating from a worker while the window's thread pumps", std::chrono::seconds(120));
    HWND top = Make("top", WS_POPUP | WS_VISIBLE, {0, 0, 60, 60});
    HWND child = Make("child", WS_CHILD | WS_VISIBLE, {10, 10, 40, 40}, top);
    // Several workers, so that one of them holds the window system's locks whenever the pump looks for
    // pending invalidations.
    constexpr int Workers = 3;
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer reports an inverted lock order by itself, without waiting for the threads to meet.
    constexpr int Rounds = 2000;
#else
    constexpr int Rounds = 40000;
#endif
    std::atomic<int> running{Workers};
    std::vector<std::thread> workers;
    for (int n = 0; n < Workers; ++n)
        workers.emplace_back([&] {
            for (int i = 0; i < Rounds; ++i) {
                TRect r{i % 50, i % 50, i % 50 + 8, i % 50 + 8};
                InvalidateRect(top, &r, TRUE);
                RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
            }
            --running;
        });
    MSG m;
    while (running.load() > 0)
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
    for (auto& worker : workers)
        worker.join();
    Pump();
    // Every invalidation reached the window's thread and was painted.
    TRect r;
    EXPECT_FALSE(GetUpdateRect(top, &r, FALSE));
    EXPECT_FALSE(GetUpdateRect(child, &r, FALSE));
    EXPECT_FALSE(LogLines({WM_PAINT}).empty());
}

namespace {

// Windows of a second thread answer WM_USER with wParam + 1; WM_USER + 1 asks them to send WM_USER + 2 back
// to the window named in lParam and answer with what came back.
LRESULT ThreadsWorkerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER)
        return LRESULT(wParam + 1);
    if (msg == WM_USER + 1)
        return SendMessage(reinterpret_cast<HWND>(lParam), WM_USER + 2, wParam, 0);
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

constexpr const char* ThreadsWorkerClass = "LoomwickTestThreadsWorker";

// A thread with one window of its own, pumping until it is asked to stop.
class WindowThread {
public:
    WindowThread() {
        static bool registered = [] {
            WNDCLASSEX wc;
            wc.lpfnWndProc = ThreadsWorkerProc;
            wc.lpszClassName = ThreadsWorkerClass;
            return RegisterClassEx(wc) != 0;
        }();
        EXPECT_TRUE(registered);
        FThread = std::thread([this] {
            HWND w = CreateWindowEx(0, ThreadsWorkerClass, "worker", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                    nullptr);
            FWindow.store(w);
            MSG m;
            while (!FStop.load())
                while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessage(&m);
            DestroyWindow(w);
        });
        while (!FWindow.load())
            std::this_thread::yield();
    }
    ~WindowThread() {
        FStop = true;
        FThread.join();
    }
    HWND Window() const { return FWindow.load(); }

private:
    std::atomic<HWND> FWindow{nullptr};
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// Pumps this thread's messages until done() holds.
template <class F> void PumpUntil(F done) {
    MSG m;
    while (!done())
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
}

struct SentExceptionHandlerScope {
    explicit SentExceptionHandlerScope(SentMessageExceptionHandler handler) {
        SetSentMessageExceptionHandler(std::move(handler));
    }
    ~SentExceptionHandlerScope() { SetSentMessageExceptionHandler(nullptr); }
};

} // namespace

TEST_F(UserTest, ExceptionAnsweringAnotherThreadsSendReachesTheHandlerAndTheSenderGetsItsAnswer) {
    Watchdog watchdog("A send answered by a throwing window procedure", std::chrono::seconds(60));
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    Handlers()[w] = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT*) -> bool {
        if (msg == WM_USER + 7)
            throw std::runtime_error("the procedure failed");
        return false;
    };
    std::vector<std::string> seen;
    SentExceptionHandlerScope scope([&seen](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            seen.push_back(e.what());
        }
    });
    std::atomic<bool> answered{false};
    LRESULT result = -1;
    std::thread sender([&] {
        result = SendMessage(w, WM_USER + 7, 0, 0);
        answered = true;
    });
    PumpUntil([&] { return answered.load(); });
    sender.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(seen, std::vector<std::string>{"the procedure failed"});
}

TEST_F(UserTest, WithoutAHandlerTheExceptionLeavesTheAnsweringThreadsLoop) {
    Watchdog watchdog("A send answered by a throwing window procedure", std::chrono::seconds(60));
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    Handlers()[w] = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT*) -> bool {
        if (msg == WM_USER + 7)
            throw std::runtime_error("the procedure failed");
        return false;
    };
    std::atomic<bool> answered{false};
    LRESULT result = -1;
    std::thread sender([&] {
        result = SendMessage(w, WM_USER + 7, 0, 0);
        answered = true;
    });
    std::string caught;
    MSG m;
    while (caught.empty()) {
        try {
            PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
    }
    sender.join();
    EXPECT_TRUE(answered.load());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(caught, "the procedure failed");
}

TEST_F(UserTest, ThreadsSendingToEachOtherAnswerWhileTheyWait) {
    Watchdog watchdog("Two threads sending to each other", std::chrono::seconds(60));
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    Handlers()[w] = [](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) -> bool {
        if (msg != WM_USER + 2)
            return false;
        *result = LRESULT(wParam * 10);
        return true;
    };
    WindowThread other;
    // This thread waits for the other's answer, which needs this thread to answer first.
    for (WPARAM i = 1; i <= 200; ++i)
        ASSERT_EQ(SendMessage(other.Window(), WM_USER + 1, i, reinterpret_cast<LPARAM>(w)), LRESULT(i * 10));
    EXPECT_EQ(SendMessage(other.Window(), WM_USER, 41, 0), 42);
}

TEST_F(UserTest, ASendToAWindowDestroyedBeforeItsThreadAnswersReturnsZero) {
    Watchdog watchdog("A send to a window destroyed before it answered", std::chrono::seconds(60));
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    std::atomic<bool> answered{false};
    LRESULT result = -1;
    std::thread sender([&] {
        result = SendMessage(w, WM_USER, 5, 0);
        answered = true;
    });
    // Destroy the window without ever pumping: the waiting sender must still be let go.
    while (!answered.load()) {
        std::this_thread::yield();
        if (IsWindow(w))
            DestroyWindow(w);
    }
    sender.join();
    EXPECT_EQ(result, 0);
}

TEST_F(UserTest, TimersSetFromAnotherThreadFireOnTheWindowsThread) {
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    std::thread([w] { EXPECT_EQ(SetTimer(w, 9, 100, nullptr), 9u); }).join();
    FClock.Advance(150);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, w, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(m.wParam, 9u);
    std::thread([w] { EXPECT_TRUE(KillTimer(w, 9)); }).join();
    FClock.Advance(150);
    EXPECT_FALSE(PeekMessage(&m, w, WM_TIMER, WM_TIMER, PM_REMOVE));
}

namespace {
HHOOK ThreadsFirstHook = nullptr;
std::vector<std::string> ThreadsHookCalls;

LRESULT ThreadsInnerHook(int code, WPARAM wParam, LPARAM lParam) {
    ThreadsHookCalls.push_back("inner");
    return 0;
}

// Unhooks itself while it runs, then passes the call on: the chain behind it must still be reached.
LRESULT ThreadsSelfUnhookingHook(int code, WPARAM wParam, LPARAM lParam) {
    ThreadsHookCalls.push_back("outer");
    EXPECT_TRUE(UnhookWindowsHookEx(ThreadsFirstHook));
    EXPECT_FALSE(UnhookWindowsHookEx(ThreadsFirstHook)); // already unhooked
    return CallNextHookEx(ThreadsFirstHook, code, wParam, lParam);
}
} // namespace

TEST_F(UserTest, AHookUnhookingItselfWhileItRunsStillPassesTheCallOnAndIsGoneAfterwards) {
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    ThreadsHookCalls.clear();
    HHOOK inner = SetWindowsHookEx(WH_CALLWNDPROC, ThreadsInnerHook, nullptr, GetCurrentThreadId());
    ThreadsFirstHook = SetWindowsHookEx(WH_CALLWNDPROC, ThreadsSelfUnhookingHook, nullptr, GetCurrentThreadId());
    SendMessage(w, WM_USER, 0, 0);
    EXPECT_EQ(ThreadsHookCalls, (std::vector<std::string>{"outer", "inner"}));
    ThreadsHookCalls.clear();
    SendMessage(w, WM_USER, 0, 0);
    EXPECT_EQ(ThreadsHookCalls, std::vector<std::string>{"inner"});
    EXPECT_TRUE(UnhookWindowsHookEx(inner));
}

// Top-level windows are made and freed on several threads while another thread walks the list of them: the
// desktop's list is shared, so neither side may see it half changed (AddressSanitizer catches a torn list).
// The windows stay hidden; a test below shows them.
TEST_F(UserTest, TopLevelWindowsComeAndGoOnSeveralThreadsWhileAnotherWalksThem) {
    Watchdog watchdog("Making and freeing top-level windows on several threads", std::chrono::seconds(120));
    WindowThread registerClass; // registers the worker class once
    constexpr int Threads = 3;
    constexpr int Rounds = 400;
    std::atomic<int> running{Threads};
    std::vector<std::thread> threads;
    for (int n = 0; n < Threads; ++n)
        threads.emplace_back([&] {
            for (int i = 0; i < Rounds; ++i) {
                HWND w = CreateWindowEx(0, ThreadsWorkerClass, "churn", WS_POPUP, i % 40, i % 40, 10, 10,
                                        nullptr, nullptr, nullptr, nullptr);
                MSG m;
                while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessage(&m);
                DestroyWindow(w);
            }
            --running;
        });
    MSG m;
    while (running.load() > 0) {
        RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE);
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_TRUE(IsWindow(registerClass.Window()));
}

// Windows are shown (and so activated), focused and freed on several threads at once. Each thread has its
// own active and focus window: one thread's activation never moves another's, and no thread deactivates a
// window that its own thread is freeing at that moment (AddressSanitizer saw such a freed window read).
TEST_F(UserTest, WindowsShownAndFreedOnSeveralThreadsKeepEachThreadsActivationItsOwn) {
    Watchdog watchdog("Showing and freeing windows on several threads", std::chrono::seconds(120));
    WindowThread registerClass; // registers the worker class once
    constexpr int Threads = 4;
    constexpr int Rounds = 300;
    std::atomic<int> running{Threads};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int n = 0; n < Threads; ++n)
        threads.emplace_back([&] {
            for (int i = 0; i < Rounds; ++i) {
                HWND w = CreateWindowEx(0, ThreadsWorkerClass, "shown", WS_POPUP | WS_VISIBLE, i % 40, i % 40, 10,
                                        10, nullptr, nullptr, nullptr, nullptr);
                MSG m;
                while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
                    DispatchMessage(&m);
                if (GetActiveWindow() != w || GetFocus() != w)
                    ++wrong;
                DestroyWindow(w);
                if (GetActiveWindow() || GetFocus())
                    ++wrong;
            }
            --running;
        });
    MSG m;
    while (running.load() > 0)
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&m);
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

// A window of another thread neither takes this thread's activation nor its focus: showing it leaves this
// thread's window active and focused without a WM_ACTIVATE, and this thread cannot focus or activate it.
// The foreground is the window activated last, whichever thread it belongs to.
TEST_F(UserTest, AnotherThreadsWindowLeavesThisThreadsActivationAndFocusAlone) {
    Watchdog watchdog("Activation on two threads", std::chrono::seconds(60));
    HWND mine = Make("mine", WS_POPUP | WS_VISIBLE, {0, 0, 40, 40});
    Pump();
    ASSERT_EQ(GetActiveWindow(), mine);
    ASSERT_EQ(GetFocus(), mine);
    Log().clear();

    WindowThread registerClass; // registers the worker class once
    std::atomic<HWND> theirs{nullptr};
    std::atomic<bool> checked{false}, stop{false};
    HWND theirActive = nullptr, theirFocus = nullptr;
    std::thread other([&] {
        HWND w = CreateWindowEx(0, ThreadsWorkerClass, "theirs", WS_POPUP | WS_VISIBLE, 50, 0, 40, 40, nullptr,
                                nullptr, nullptr, nullptr);
        theirActive = GetActiveWindow();
        theirFocus = GetFocus();
        theirs.store(w);
        MSG m;
        while (!stop.load())
            while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
                DispatchMessage(&m);
        DestroyWindow(w);
    });
    PumpUntil([&] { return theirs.load() != nullptr; });
    HWND w = theirs.load();
    EXPECT_EQ(theirActive, w);
    EXPECT_EQ(theirFocus, w);
    EXPECT_EQ(GetActiveWindow(), mine);
    EXPECT_EQ(GetFocus(), mine);
    EXPECT_EQ(GetForegroundWindow(), w);
    EXPECT_EQ(SetFocus(w), nullptr);
    EXPECT_EQ(SetActiveWindow(w), nullptr);
    EXPECT_FALSE(SetForegroundWindow(w));
    EXPECT_EQ(GetActiveWindow(), mine);
    EXPECT_EQ(GetFocus(), mine);
    Pump();
    EXPECT_EQ(LogLines({WM_ACTIVATE, WM_NCACTIVATE, WM_KILLFOCUS, WM_ACTIVATEAPP}), std::vector<std::string>{});
    stop = true;
    other.join();
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    EXPECT_TRUE(SetForegroundWindow(mine));
    EXPECT_EQ(GetForegroundWindow(), mine);
}
