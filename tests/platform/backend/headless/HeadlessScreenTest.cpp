#include "platform/backend/headless/HeadlessScreen.h"

#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

using namespace win;
using headless::HeadlessScreen;

namespace {

// A popup menu in the way bars do it: opened on a click, it tracks the mouse over its rows in a modal
// loop, closes on a click outside through a mouse hook, or on Escape.
struct Menu {
    HWND Owner = nullptr;
    HWND Popup = nullptr;
    int HotRow = -1;
    std::vector<int> HotTrail;
    std::string ClosedBy;
};
Menu* ActiveMenu = nullptr;
HHOOK MenuHook = nullptr;

constexpr int RowHeight = 20;

LRESULT CALLBACK_Menu(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEMOVE && ActiveMenu) {
        int row = GET_Y_LPARAM(lParam) / RowHeight;
        if (row != ActiveMenu->HotRow) {
            ActiveMenu->HotRow = row;
            ActiveMenu->HotTrail.push_back(row);
        }
        return 0;
    }
    if (msg == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

LRESULT MenuMouseHook(int code, WPARAM msg, LPARAM data) {
    auto* mh = reinterpret_cast<MOUSEHOOKSTRUCT*>(data);
    if (ActiveMenu && (msg == WM_LBUTTONDOWN || msg == WM_NCLBUTTONDOWN) && mh->hwnd != ActiveMenu->Popup) {
        ActiveMenu->ClosedBy = "click outside";
        PostMessage(ActiveMenu->Popup, WM_CLOSE, 0, 0);
        return 1; // the click that closes a menu does nothing else
    }
    return CallNextHookEx(MenuHook, code, msg, data);
}

void RunMenu(Menu& menu, TPoint at) {
    menu.Popup = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "LoomwickTestMenu", "", WS_POPUP, at.X, at.Y, 100,
                                5 * RowHeight, menu.Owner, nullptr, nullptr, nullptr);
    ShowWindow(menu.Popup, SW_SHOWNA);
    ActiveMenu = &menu;
    MenuHook = SetWindowsHookEx(WH_MOUSE, MenuMouseHook, nullptr, GetCurrentThreadId());
    WaitScope scope("The menu loop");
    MSG m;
    while (IsWindow(menu.Popup) && GetMessage(&m, nullptr, 0, 0)) {
        if (m.message == WM_KEYDOWN && m.wParam == WPARAM(VK_ESCAPE)) {
            menu.ClosedBy = "escape";
            break;
        }
        if (m.message == WM_CLOSE && m.hwnd == menu.Popup)
            break;
        DispatchMessage(&m);
    }
    UnhookWindowsHookEx(MenuHook);
    ActiveMenu = nullptr;
    DestroyWindow(menu.Popup);
}

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEX wc;
            wc.lpfnWndProc = CALLBACK_Menu;
            wc.lpszClassName = "LoomwickTestMenu";
            wc.style = CS_SAVEBITS;
            RegisterClassEx(wc);
            wc.lpfnWndProc = DefWindowProc;
            wc.lpszClassName = "LoomwickTestPlain";
            wc.style = 0;
            RegisterClassEx(wc);
            registered = true;
        }
        ResetInputState();
        FScreen.SetStallGraceMs(0);
    }
    void TearDown() override {
        if (IsWindow(FOwner))
            DestroyWindow(FOwner);
        ResetInputState();
    }
    HWND MakeOwner() {
        FOwner = CreateWindowEx(0, "LoomwickTestPlain", "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                nullptr, nullptr, nullptr);
        return FOwner;
    }
    ManualClock FClock{5000};
    ScopedClock FClockScope{FClock};
    HeadlessScreen FScreen;
    HWND FOwner = nullptr;
};

} // namespace

TEST_F(HeadlessTest, ScriptedInputDrivesAModalLoopToItsEnd) {
    Menu menu;
    menu.Owner = MakeOwner();
    FScreen.ScriptMouse(MouseAction::Move, {110, 105});
    FScreen.ScriptMouse(MouseAction::Move, {110, 145});
    FScreen.ScriptMouse(MouseAction::Move, {110, 150});
    FScreen.ScriptClick({300, 250}); // outside the menu, on the owner
    RunMenu(menu, {100, 100});
    EXPECT_EQ(menu.ClosedBy, "click outside");
    EXPECT_EQ(menu.HotTrail, (std::vector<int>{0, 2}));
    EXPECT_EQ(GetActiveWindow(), FOwner); // the menu never took the activation
    EXPECT_FALSE(IsWindow(menu.Popup));

    Menu second;
    second.Owner = FOwner;
    FScreen.ScriptKeyPress(VK_ESCAPE);
    RunMenu(second, {10, 10});
    EXPECT_EQ(second.ClosedBy, "escape");
}

TEST_F(HeadlessTest, ALoopWaitingWithNothingScriptedFailsNamingIt) {
    Menu menu;
    menu.Owner = MakeOwner();
    try {
        RunMenu(menu, {0, 0});
        FAIL() << "the menu loop returned without input";
    } catch (const StallError& e) {
        EXPECT_NE(std::string(e.what()).find("The menu loop"), std::string::npos);
    }
    UnhookWindowsHookEx(MenuHook);
    ActiveMenu = nullptr;
    DestroyWindow(menu.Popup);
}

TEST_F(HeadlessTest, ScriptedClockStepsFireTimersInsideALoop) {
    HWND w = MakeOwner();
    FClock.SetAutoAdvance(false);
    SetTimer(w, 7, 300, nullptr);
    FScreen.ScriptAdvance(FClock, 100);
    FScreen.ScriptAdvance(FClock, 250);
    MSG m;
    ASSERT_TRUE(GetMessage(&m, nullptr, WM_TIMER, WM_TIMER));
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(FScreen.ScriptLeft(), 0u);
}

TEST_F(HeadlessTest, TypedTextPressesShiftWhereNeeded) {
    HWND w = MakeOwner();
    SetFocus(w);
    FScreen.InjectText("Hi!");
    std::string typed;
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        if (m.message == WM_CHAR)
            typed += char(m.wParam);
        DispatchMessage(&m);
    }
    EXPECT_EQ(typed, "Hi!");
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

TEST_F(HeadlessTest, MonitorsAndWorkAreasComeFromTheScreen) {
    FScreen.SetMonitors({{{0, 0, 800, 600}, {0, 0, 800, 570}, true}, {{800, 0, 1824, 768}, {800, 0, 1824, 768}, false}});
    MONITORINFO mi;
    ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint({900, 10}, MONITOR_DEFAULTTONEAREST), &mi));
    EXPECT_EQ(mi.rcWork, (TRect{800, 0, 1824, 768}));
    ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint({-50, 10}, MONITOR_DEFAULTTONEAREST), &mi));
    EXPECT_EQ(mi.rcMonitor, (TRect{0, 0, 800, 600}));
    EXPECT_EQ(MonitorFromPoint({-50, 10}, MONITOR_DEFAULTTONULL), nullptr);
    TRect work;
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(work, (TRect{0, 0, 800, 570}));
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1824);
}

// The screen's depth is what the GDI reports and what windows hear of, as with a real display: a change
// reaches every top-level window once as WM_DISPLAYCHANGE (bits a pixel, primary monitor's size); a depth the
// GDI cannot draw at is ignored; the screen that was installed before gives its depth back at the end.
TEST_F(HeadlessTest, TheScreenDepthReachesTheGdiAndTheWindows) {
    static std::vector<std::pair<WPARAM, LPARAM>> heard;
    heard.clear();
    WNDCLASSEX wc;
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_DISPLAYCHANGE)
            heard.emplace_back(wParam, lParam);
        return DefWindowProc(hwnd, msg, wParam, lParam);
    };
    wc.lpszClassName = "LoomwickTestDepth";
    RegisterClassEx(wc);
    HWND hidden = CreateWindowEx(0, "LoomwickTestDepth", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    FScreen.SetMonitors({{{0, 0, 800, 600}, {0, 0, 800, 570}, true}});
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(screen, NUMCOLORS), -1);

    FScreen.SetDepth(8);
    EXPECT_EQ(FScreen.ScreenDepth(), 8);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
    EXPECT_NE(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], (std::pair<WPARAM, LPARAM>{8, MAKELPARAM(800, 600)}));
    FScreen.SetDepth(8);
    FScreen.SetDepth(12);
    EXPECT_EQ(FScreen.ScreenDepth(), 8);
    EXPECT_EQ(heard.size(), 1u);
    {
        HeadlessScreen inner;
        EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
        inner.SetDepth(16);
        EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 16);
        FScreen.SetDepth(24); // not the installed screen: its depth waits until it is again
        EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 16);
    }
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 24);
    FScreen.SetDepth(32);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_EQ(heard.back().first, 32u);
    ReleaseDC(nullptr, screen);
    DestroyWindow(hidden);
}
