#include "UserTestSupport.h"

#include "platform/win/user/Metrics.h"

#include <algorithm>

using namespace usertest;

namespace {

void Click(TPoint p, MouseAction down = MouseAction::LeftDown, MouseAction up = MouseAction::LeftUp) {
    QueueMouseInput(MouseAction::Move, p);
    QueueMouseInput(down, p);
    QueueMouseInput(up, p);
}

void Key(int vk, bool down = true) { QueueKeyInput(vk, down); }

} // namespace

TEST_F(UserTest, ClicksBecomeClientAndNonClientMessages) {
    HWND top = Make("top", WS_POPUP | WS_THICKFRAME | WS_VISIBLE, {100, 100, 300, 300});
    Make("child", WS_CHILD | WS_VISIBLE, {10, 10, 60, 60}, top);
    Click({130, 130});
    Click({101, 200});
    Pump();
    std::vector<LogEntry> clicks;
    for (const auto& e : Log())
        if (e.Message == WM_LBUTTONDOWN || e.Message == WM_NCLBUTTONDOWN)
            clicks.push_back(e);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0].Window, "child");
    EXPECT_EQ(clicks[0].Message, WM_LBUTTONDOWN);
    // Client coordinates: screen 130 - (100 + 4 frame + 10) = 16.
    EXPECT_EQ(GET_X_LPARAM(clicks[0].LParam), 16);
    EXPECT_EQ(GET_Y_LPARAM(clicks[0].LParam), 16);
    EXPECT_EQ(clicks[0].WParam & MK_LBUTTON, MK_LBUTTON);
    EXPECT_EQ(clicks[1].Window, "top");
    EXPECT_EQ(clicks[1].Message, WM_NCLBUTTONDOWN);
    EXPECT_EQ(LRESULT(clicks[1].WParam), HTLEFT);
    EXPECT_EQ(GET_X_LPARAM(clicks[1].LParam), 101); // non-client messages carry screen coordinates
}

TEST_F(UserTest, HitsPassThroughTransparentWindowsAndStopAtDisabledOnes) {
    HWND top = Make("top", WS_POPUP | WS_VISIBLE, {0, 0, 200, 200});
    HWND below = Make("below", WS_CHILD | WS_VISIBLE, {0, 0, 100, 100}, top);
    HWND glass = Make("glass", WS_CHILD | WS_VISIBLE, {0, 0, 100, 100}, top);
    BringWindowToTop(glass);
    Handlers()[glass] = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT* r) {
        if (msg == WM_NCHITTEST) {
            *r = HTTRANSPARENT;
            return true;
        }
        return false;
    };
    EXPECT_EQ(WindowFromPoint({50, 50}), below);
    EnableWindow(below, FALSE);
    Log().clear();
    Click({50, 50});
    Pump();
    // The disabled window takes the hit and eats the click; nothing reaches anybody.
    EXPECT_TRUE(LogLines({WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
    EXPECT_EQ(WindowFromPoint({150, 150}), top);
    EXPECT_EQ(WindowFromPoint({500, 500}), nullptr);
}

TEST_F(UserTest, DoubleClicksOnlyForClassesThatAskForThem) {
    HWND plain = Make("plain", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND dbl = Make("dbl", WS_POPUP | WS_VISIBLE, {200, 0, 300, 100}, nullptr, 0, LogClassDbl);
    for (TPoint p : {TPoint{50, 50}, TPoint{250, 50}}) {
        Click(p);
        Click(p);
        Click(p); // a third click starts over
    }
    Pump();
    (void)plain;
    (void)dbl;
    EXPECT_EQ(LogLines({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
              (std::vector<std::string>{"plain:WM_LBUTTONDOWN", "plain:WM_LBUTTONDOWN", "plain:WM_LBUTTONDOWN",
                                        "dbl:WM_LBUTTONDOWN", "dbl:WM_LBUTTONDBLCLK", "dbl:WM_LBUTTONDOWN"}));
    // Too slow is two single clicks.
    FClock.Advance(GetDoubleClickTime() + SystemTickMs);
    Log().clear();
    Click({250, 50});
    Pump();
    FClock.Advance(GetDoubleClickTime() + SystemTickMs);
    QueueMouseInput(MouseAction::LeftDown, {250, 50});
    QueueMouseInput(MouseAction::LeftUp, {250, 50});
    Pump();
    EXPECT_EQ(LogLines({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
              (std::vector<std::string>{"dbl:WM_LBUTTONDOWN", "dbl:WM_LBUTTONDOWN"}));
}

TEST_F(UserTest, CaptureGetsTheMouseEverywhereUntilReleased) {
    HWND a = Make("a", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND b = Make("b", WS_POPUP | WS_VISIBLE, {200, 0, 300, 100});
    SetCapture(a);
    QueueMouseInput(MouseAction::Move, {250, 50});
    Pump();
    auto moves = LogLines({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], "a:WM_MOUSEMOVE");
    auto move = std::find_if(Log().begin(), Log().end(), [](const LogEntry& e) { return e.Message == WM_MOUSEMOVE; });
    EXPECT_EQ(GET_X_LPARAM(move->LParam), 250); // client of a, outside it
    Log().clear();
    SetCapture(b);
    EXPECT_EQ(LogLines({WM_CAPTURECHANGED}), (std::vector<std::string>{"a:WM_CAPTURECHANGED"}));
    auto changed = std::find_if(Log().begin(), Log().end(), [](const LogEntry& e) { return e.Message == WM_CAPTURECHANGED; });
    EXPECT_EQ(changed->LParam, reinterpret_cast<LPARAM>(b));
    Log().clear();
    SendMessage(b, WM_CANCELMODE, 0, 0); // the default answer gives the capture up
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(LogLines({WM_CAPTURECHANGED}), (std::vector<std::string>{"b:WM_CAPTURECHANGED"}));
    SetCapture(a);
    DestroyWindow(a);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(UserTest, MouseLeaveIsReportedOnceWhenTracked) {
    HWND a = Make("a", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    Make("b", WS_POPUP | WS_VISIBLE, {200, 0, 300, 100});
    QueueMouseInput(MouseAction::Move, {50, 50});
    Pump();
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = a;
    EXPECT_TRUE(TrackMouseEvent(&tme));
    QueueMouseInput(MouseAction::Move, {60, 60});
    Pump();
    EXPECT_TRUE(LogLines({WM_MOUSELEAVE}).empty());
    QueueMouseInput(MouseAction::Move, {250, 50});
    Pump();
    QueueMouseInput(MouseAction::Move, {260, 50});
    Pump();
    EXPECT_EQ(LogLines({WM_MOUSELEAVE}), (std::vector<std::string>{"a:WM_MOUSELEAVE"}));
}

TEST_F(UserTest, KeysGoToTheFocusAndTranslateIntoCharacters) {
    HWND top = Make("top", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND edit = Make("edit", WS_CHILD | WS_VISIBLE, {0, 0, 50, 20}, top);
    SetFocus(edit);
    Log().clear();
    Key(VK_SHIFT);
    Key('A');
    Key('A', false);
    Key(VK_SHIFT, false);
    Key('B');
    Key('B', false);
    Key(VK_MENU);
    Key('F');
    Key('F', false);
    Key(VK_MENU, false);
    Pump();
    std::vector<std::string> chars;
    for (const auto& e : Log())
        if (e.Message == WM_CHAR || e.Message == WM_SYSCHAR)
            chars.push_back(e.Window + (e.Message == WM_CHAR ? ":char " : ":syschar ") + char(e.WParam));
    EXPECT_EQ(chars, (std::vector<std::string>{"edit:char A", "edit:char b", "edit:syschar f"}));
    auto sysKeys = LogLines({WM_SYSKEYDOWN});
    EXPECT_EQ(sysKeys.size(), 2u); // Alt itself and Alt+F
    // The key state follows the messages taken from the queue.
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
    Key(VK_CONTROL);
    EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    Pump();
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
}

TEST_F(UserTest, HooksSeeAndSwallowKeysAndClicks) {
    HWND top = Make("top", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    SetFocus(top);
    static std::vector<std::string> seen;
    seen.clear();
    static HHOOK keyHook, mouseHook;
    keyHook = SetWindowsHookEx(WH_KEYBOARD, [](int code, WPARAM vk, LPARAM data) -> LRESULT {
        seen.push_back(std::string("key ") + char(vk) + ((data & KF_UP_BIT) ? " up" : " down"));
        if (vk == 'X')
            return 1; // swallowed
        return CallNextHookEx(keyHook, code, vk, data);
    }, nullptr, GetCurrentThreadId());
    mouseHook = SetWindowsHookEx(WH_MOUSE, [](int code, WPARAM msg, LPARAM data) -> LRESULT {
        auto* mh = reinterpret_cast<MOUSEHOOKSTRUCT*>(data);
        if (msg == WM_LBUTTONDOWN) {
            seen.push_back("click at " + std::to_string(mh->pt.X) + " hit " + std::to_string(mh->wHitTestCode));
            return 1;
        }
        return CallNextHookEx(mouseHook, code, msg, data);
    }, nullptr, GetCurrentThreadId());
    Key('X');
    Key('Y');
    Click({10, 10});
    Pump();
    UnhookWindowsHookEx(keyHook);
    UnhookWindowsHookEx(mouseHook);
    EXPECT_EQ(seen, (std::vector<std::string>{"key X down", "key Y down", "click at 10 hit 1"}));
    EXPECT_EQ(LogLines({WM_KEYDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP}),
              (std::vector<std::string>{"top:WM_KEYDOWN", "top:WM_LBUTTONUP"}));
}

TEST_F(UserTest, ClickActivatesUnlessTheWindowSaysNo) {
    HWND a = Make("a", WS_POPUP | WS_VISIBLE, {0, 0, 100, 100});
    HWND b = Make("b", WS_POPUP | WS_VISIBLE, {200, 0, 300, 100});
    EXPECT_EQ(GetActiveWindow(), b);
    Click({50, 50});
    Pump();
    EXPECT_EQ(GetActiveWindow(), a);
    Handlers()[b] = [](HWND, UINT msg, WPARAM, LPARAM, LRESULT* r) {
        if (msg == WM_MOUSEACTIVATE) {
            *r = MA_NOACTIVATE;
            return true;
        }
        return false;
    };
    Log().clear();
    Click({250, 50});
    Pump();
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(LogLines({WM_LBUTTONDOWN}), (std::vector<std::string>{"b:WM_LBUTTONDOWN"}));
}

TEST_F(UserTest, CaptionsMoveAndBordersSizeTheWindowUntilReleased) {
    HWND w = Make("w", WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_VISIBLE, {100, 100, 400, 300});
    auto drag = [](TPoint from, TPoint to) {
        QueueMouseInput(MouseAction::Move, from);
        QueueMouseInput(MouseAction::LeftDown, from);
        QueueMouseInput(MouseAction::Move, to);
        QueueMouseInput(MouseAction::LeftUp, to);
    };
    drag({200, 110}, {230, 130}); // the caption
    Pump();
    TRect r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (TRect{130, 120, 430, 320}));
    drag({429, 319}, {479, 339}); // the bottom-right corner
    Pump();
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (TRect{130, 120, 480, 340}));
    drag({131, 200}, {700, 200}); // the left border, past the minimum width
    Pump();
    GetWindowRect(w, &r);
    EXPECT_EQ(r.Right, 480);
    EXPECT_EQ(r.Width(), GetSystemMetrics(SM_CXMINTRACK));
}
