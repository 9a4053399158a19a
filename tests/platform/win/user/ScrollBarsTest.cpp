#include "UserTestSupport.h"

#include "platform/win/user/Metrics.h"
#include "platform/win/user/ScrollBars.h"

using namespace usertest;

TEST_F(UserTest, ScrollBarAppearsWhenTheRangeExceedsThePageAndShrinksTheClient) {
    HWND w = Make("w", WS_POPUP | WS_VISIBLE, {0, 0, 200, 100});
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 95; // clamped to the last page
    EXPECT_EQ(SetScrollInfo(w, SB_VERT, &si, TRUE), 90);
    EXPECT_TRUE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
    TRect cr;
    GetClientRect(w, &cr);
    EXPECT_EQ(cr.Right, 200 - GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(195, 50)), HTVSCROLL);
    si.nPage = 100; // everything fits: the bar goes
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    EXPECT_FALSE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
    GetClientRect(w, &cr);
    EXPECT_EQ(cr.Right, 200);
    si.fMask = SIF_PAGE | SIF_DISABLENOSCROLL; // ... unless it is to stay, disabled
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    EXPECT_TRUE(GetWindowLong(w, GWL_STYLE) & WS_VSCROLL);
}

TEST_F(UserTest, ClicksAndDragsOnTheBarSendScrollCodes) {
    HWND w = Make("w", WS_POPUP | WS_VISIBLE, {0, 0, 200, 216});
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = 99;
    si.nPage = 20;
    SetScrollInfo(w, SB_VERT, &si, TRUE);
    std::vector<std::pair<int, int>> codes;
    Handlers()[w] = [&](HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT*) {
        if (msg == WM_VSCROLL)
            codes.emplace_back(LOWORD(wParam), int16_t(HIWORD(wParam)));
        return false;
    };
    // The bar is 216 high: arrows of 16, a track of 184 with a thumb of 184 * 20 / 100 = 36.
    QueueMouseInput(MouseAction::Move, {192, 210});
    QueueMouseInput(MouseAction::LeftDown, {192, 210}); // down arrow
    QueueMouseInput(MouseAction::LeftUp, {192, 210});
    Pump();
    EXPECT_EQ(codes, (std::vector<std::pair<int, int>>{{SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}}));
    codes.clear();
    QueueMouseInput(MouseAction::Move, {192, 20});
    QueueMouseInput(MouseAction::LeftDown, {192, 20}); // on the thumb at the top of the track
    QueueMouseInput(MouseAction::Move, {192, 20 + 74}); // half of the 148 pixels the thumb can travel
    QueueMouseInput(MouseAction::LeftUp, {192, 94});
    Pump();
    EXPECT_EQ(codes, (std::vector<std::pair<int, int>>{{SB_THUMBTRACK, 40}, {SB_THUMBPOSITION, 40}, {SB_ENDSCROLL, 0}}));
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 0); // the window moves the position itself
}
