#include "platform/vcl/Application.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

using namespace vcl;

namespace {

class UtilityWindowFixture : public ::testing::Test {
protected:
    void TearDown() override {
        Application->OnException = nullptr;
        Drain();
    }
    static void Drain() {
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE))
            win::DispatchMessage(&m);
    }
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
};

constexpr win::UINT UtilityTestMessage = win::WM_USER + 7;

TEST_F(UtilityWindowFixture, PostedSentBroadcastAndTimerMessagesReachTheHandler) {
    std::vector<TMessage> seen;
    win::HWND hwnd = AllocateHWnd([&](TMessage& m) {
        seen.push_back(m);
        m.Result = m.Msg == UtilityTestMessage ? 42 : 0;
    });
    ASSERT_TRUE(win::IsWindow(hwnd));
    // A hidden top-level window: broadcasts to top-level windows find it.
    EXPECT_FALSE(win::IsWindowVisible(hwnd));
    EXPECT_EQ(win::GetParent(hwnd), nullptr);
    // Its creation went to DefWindowProc.
    EXPECT_TRUE(seen.empty());

    EXPECT_EQ(win::SendMessage(hwnd, UtilityTestMessage, 1, 2), 42);
    win::PostMessage(hwnd, UtilityTestMessage, 3, 4);
    Drain();
    win::BroadcastSystemMessage(win::WM_SETTINGCHANGE, win::SPI_SETNONCLIENTMETRICS, 0);
    win::BroadcastSystemMessage(win::WM_SYSCOLORCHANGE, 0, 0);
    win::SetTimer(hwnd, 9, 50, nullptr);
    FClock.Advance(60);
    Drain();
    win::KillTimer(hwnd, 9);

    std::vector<std::tuple<win::UINT, win::WPARAM, win::LPARAM>> got;
    for (const TMessage& m : seen)
        got.emplace_back(m.Msg, m.WParam, m.LParam);
    std::vector<std::tuple<win::UINT, win::WPARAM, win::LPARAM>> want{
        {UtilityTestMessage, 1, 2},
        {UtilityTestMessage, 3, 4},
        {win::WM_SETTINGCHANGE, win::SPI_SETNONCLIENTMETRICS, 0},
        {win::WM_SYSCOLORCHANGE, 0, 0},
        {win::WM_TIMER, 9, 0}};
    EXPECT_EQ(got, want);
    DeallocateHWnd(hwnd);
}

TEST_F(UtilityWindowFixture, NothingArrivesAfterDeallocateHWnd) {
    int calls = 0;
    win::HWND hwnd = AllocateHWnd([&](TMessage& m) { ++calls; });
    win::PostMessage(hwnd, UtilityTestMessage, 0, 0);
    win::SetTimer(hwnd, 1, 20, nullptr);
    DeallocateHWnd(hwnd);
    EXPECT_FALSE(win::IsWindow(hwnd));
    FClock.Advance(100);
    Drain();
    win::SendMessage(hwnd, UtilityTestMessage, 0, 0);
    win::BroadcastSystemMessage(win::WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(calls, 0);
    // Twice, null, or a window not made here: nothing happens.
    DeallocateHWnd(hwnd);
    DeallocateHWnd(nullptr);
    win::HWND other = AllocateHWnd(nullptr);
    win::HWND plain = Application->GetHandle();
    ASSERT_TRUE(win::IsWindow(plain));
    DeallocateHWnd(plain);
    EXPECT_TRUE(win::IsWindow(plain));
    // A handler left empty answers through DefWindowProc.
    EXPECT_EQ(win::SendMessage(other, UtilityTestMessage, 0, 0), 0);
    DeallocateHWnd(other);
}

TEST_F(UtilityWindowFixture, AHandlerMayDeallocateItsOwnWindowAndItsErrorsGoToTheApplication) {
    win::HWND hwnd = nullptr;
    int calls = 0;
    // The handler's captures outlive its own window's end (ASan watches the closure).
    std::vector<int> state{1, 2, 3};
    hwnd = AllocateHWnd([&, state](TMessage& m) {
        ++calls;
        if (m.Msg == UtilityTestMessage) {
            DeallocateHWnd(hwnd);
            calls += int(state.size());
        }
    });
    win::SendMessage(hwnd, UtilityTestMessage, 0, 0);
    EXPECT_EQ(calls, 4);
    EXPECT_FALSE(win::IsWindow(hwnd));

    std::vector<std::string> errors;
    Application->OnException = [&](TObject*, const std::exception& e) { errors.push_back(e.what()); };
    win::HWND failing = AllocateHWnd([](TMessage& m) {
        if (m.Msg == UtilityTestMessage)
            throw EConvertError("'x' is not a valid integer value");
    });
    EXPECT_EQ(win::SendMessage(failing, UtilityTestMessage, 0, 0), 0);
    EXPECT_EQ(errors, std::vector<std::string>{"'x' is not a valid integer value"});
    DeallocateHWnd(failing);
}

TEST_F(UtilityWindowFixture, WindowsOfSeveralThreadsComeAndGoAtOnce) {
    std::vector<std::thread> threads;
    std::atomic<int> answered{0};
    // The window system links a new top-level window into the desktop's list, and unlinks a freed one,
    // without its lock: the threads take turns there, and answer their messages side by side.
    std::mutex windowSystem;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i) {
                win::HWND hwnd;
                {
                    std::lock_guard<std::mutex> guard(windowSystem);
                    hwnd = AllocateHWnd([&](TMessage& m) {
                        if (m.Msg == UtilityTestMessage)
                            ++answered;
                    });
                }
                win::SendMessage(hwnd, UtilityTestMessage, 0, 0);
                std::lock_guard<std::mutex> guard(windowSystem);
                DeallocateHWnd(hwnd);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(answered, 200);
}

} // namespace
