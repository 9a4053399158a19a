#include "UserTestSupport.h"

#include "platform/win/user/Backend.h"

#include <thread>

using namespace usertest;

TEST_F(UserTest, PostedMessagesComeInOrderWithFilters) {
    HWND a = Make("a", WS_POPUP, {0, 0, 10, 10});
    HWND b = Make("b", WS_POPUP, {0, 0, 10, 10});
    PostMessage(a, WM_USER + 1, 1, 0);
    PostMessage(b, WM_USER + 2, 2, 0);
    PostMessage(a, WM_USER + 3, 3, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 3, WM_USER + 3, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 3);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    // Messages to a window that is gone are dropped with it.
    PostMessage(a, WM_USER, 0, 0);
    DestroyWindow(a);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0));
}

TEST_F(UserTest, NestedModalLoopsEndInOrderAndQuitIsPassedOn) {
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    std::vector<std::string> trace;
    // Each WM_USER+n starts a loop of depth n that runs until WM_USER+10+n arrives.
    Handlers()[w] = [&](HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LRESULT*) {
        if (msg > WM_USER && msg <= WM_USER + 2) {
            int depth = int(msg - WM_USER);
            trace.push_back("enter " + std::to_string(depth));
            if (depth == 1)
                PostMessage(hwnd, WM_USER + 2, 0, 0);
            else {
                PostMessage(hwnd, WM_USER + 12, 0, 0);
                PostMessage(hwnd, WM_USER + 11, 0, 0);
            }
            MSG m;
            while (GetMessage(&m, nullptr, 0, 0)) {
                DispatchMessage(&m);
                if (m.message == WM_USER + 10 + UINT(depth))
                    break;
            }
            if (m.message == WM_QUIT) {
                trace.push_back("quit in " + std::to_string(depth));
                PostQuitMessage(int(m.wParam)); // pass it on to the loop outside
            }
            trace.push_back("leave " + std::to_string(depth));
            return true;
        }
        if (msg == WM_USER + 11 || msg == WM_USER + 12)
            trace.push_back("end " + std::to_string(msg - WM_USER - 10));
        return false;
    };
    PostMessage(w, WM_USER + 1, 0, 0);
    MSG m;
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    DispatchMessage(&m);
    EXPECT_EQ(trace, (std::vector<std::string>{"enter 1", "enter 2", "end 2", "leave 2", "end 1", "leave 1"}));

    // A quit arriving in the inner loop ends both.
    trace.clear();
    Handlers()[w] = [&](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT*) {
        if (msg == WM_USER + 1) {
            MSG inner;
            PostQuitMessage(7);
            while (GetMessage(&inner, nullptr, 0, 0))
                DispatchMessage(&inner);
            trace.push_back("inner quit " + std::to_string(inner.wParam));
            PostQuitMessage(int(inner.wParam));
            return true;
        }
        return false;
    };
    PostMessage(w, WM_USER + 1, 0, 0);
    while (GetMessage(&m, nullptr, 0, 0))
        DispatchMessage(&m);
    EXPECT_EQ(trace, (std::vector<std::string>{"inner quit 7"}));
    EXPECT_EQ(m.wParam, 7u);
}

TEST_F(UserTest, TimersFireOnTheManualClockAndStopWhenKilled) {
    FClock.SetAutoAdvance(false);
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    SetTimer(w, 1, 100, nullptr);
    static int threadTicks;
    threadTicks = 0;
    uintptr_t threadTimer = SetTimer(nullptr, 0, 250, [](HWND, UINT, uintptr_t, DWORD) { ++threadTicks; });
    ASSERT_NE(threadTimer, 0u);
    Pump();
    EXPECT_TRUE(LogLines({WM_TIMER}).empty());
    FClock.Advance(100);
    Pump();
    EXPECT_EQ(LogLines({WM_TIMER}).size(), 1u);
    // A late loop sees one WM_TIMER, not one for every period it missed.
    FClock.Advance(350);
    Pump();
    EXPECT_EQ(LogLines({WM_TIMER}).size(), 2u);
    EXPECT_EQ(threadTicks, 1);
    KillTimer(w, 1);
    KillTimer(nullptr, threadTimer);
    FClock.Advance(1000);
    Pump();
    EXPECT_EQ(LogLines({WM_TIMER}).size(), 2u);
    EXPECT_EQ(threadTicks, 1);
    // A window's timers die with it.
    SetTimer(w, 2, 10, nullptr);
    DestroyWindow(w);
    FClock.Advance(20);
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(UserTest, GetMessageWithNothingToWaitForFailsInsteadOfHanging) {
    WaitScope scope("The test's loop");
    MSG m;
    try {
        GetMessage(&m, nullptr, 0, 0);
        FAIL() << "GetMessage returned without input";
    } catch (const StallError& e) {
        EXPECT_NE(std::string(e.what()).find("The test's loop"), std::string::npos);
    }
}

TEST_F(UserTest, PostsFromAnotherThreadWakeTheLoop) {
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    std::thread worker([w] { PostMessage(w, WM_USER + 5, 42, 0); });
    MSG m;
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, WM_USER + 5);
    EXPECT_EQ(m.wParam, 42u);
    worker.join();
}

TEST_F(UserTest, CallWindowProcHookSeesSentMessages) {
    HWND w = Make("w", WS_POPUP, {0, 0, 10, 10});
    static std::vector<UINT> seen;
    seen.clear();
    static HHOOK hook;
    hook = SetWindowsHookEx(WH_CALLWNDPROC, [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
        if (cwp->message >= WM_USER)
            seen.push_back(cwp->message);
        return CallNextHookEx(hook, code, wParam, lParam);
    }, nullptr, GetCurrentThreadId());
    SendMessage(w, WM_USER + 1, 0, 0);
    PostMessage(w, WM_USER + 2, 0, 0);
    Pump(); // dispatched, not sent: the hook does not see it
    UnhookWindowsHookEx(hook);
    SendMessage(w, WM_USER + 3, 0, 0);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1}));
}

TEST_F(UserTest, RegisteredMessagesAreStablePerName) {
    UINT a = RegisterWindowMessage("Loomwick.Test");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessage("loomwick.test"), a);
    EXPECT_NE(RegisterWindowMessage("Loomwick.Other"), a);
}
