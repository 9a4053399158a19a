#include "ControlsTestSupport.h"

#include "platform/win/gdi/Gdi.h"

using namespace controlstest;

namespace {

HWND MakeTabs(HWND parent, DWORD style = 0,
              std::initializer_list<const char*> texts = {"First", "Second", "Third"}) {
    HWND tabs = CreateWindowEx(0, WC_TABCONTROL, "", WS_CHILD | WS_VISIBLE | style, 10, 10, 300, 150, parent,
                               reinterpret_cast<HMENU>(intptr_t(5)), nullptr, nullptr);
    int i = 0;
    for (const char* text : texts) {
        TCITEM item;
        item.mask = TCIF_TEXT | TCIF_PARAM;
        item.pszText = const_cast<char*>(text);
        item.lParam = 100 + i;
        SendMessage(tabs, TCM_INSERTITEM, WPARAM(i++), reinterpret_cast<LPARAM>(&item));
    }
    return tabs;
}

TRect ItemRect(HWND tabs, int index) {
    TRect r;
    EXPECT_TRUE(SendMessage(tabs, TCM_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r)));
    return r;
}

TPoint Centre(const TRect& r) {
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

int CurSel(HWND tabs) {
    return int(SendMessage(tabs, TCM_GETCURSEL, 0, 0));
}

} // namespace

TEST_F(ControlsTest, TabControlAsksBeforeAChoiceAndTellsAfterIt) {
    HWND tabs = MakeTabs(Parent);
    EXPECT_EQ(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(CurSel(tabs), 0); // the first tab inserted is selected
    Notes.clear();
    TPoint p = Centre(ItemRect(tabs, 1));
    Click(tabs, p.X, p.Y);
    EXPECT_EQ(CurSel(tabs), 1);
    EXPECT_EQ(Codes(WM_NOTIFY), (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
    EXPECT_EQ(GetFocus(), tabs);

    // A non-zero answer to the question keeps the selection; nothing is told afterwards.
    Notes.clear();
    NotifyAnswer = [](NMHDR* hdr) -> LRESULT { return hdr->code == TCN_SELCHANGING ? 1 : 0; };
    p = Centre(ItemRect(tabs, 2));
    Click(tabs, p.X, p.Y);
    EXPECT_EQ(CurSel(tabs), 1);
    EXPECT_EQ(Codes(WM_NOTIFY), (std::vector<UINT>{TCN_SELCHANGING}));
    Press(VK_RIGHT);
    EXPECT_EQ(CurSel(tabs), 1);
    NotifyAnswer = nullptr;

    // The arrows step through the tabs and stop at either end; each step asks and tells.
    Notes.clear();
    Press(VK_RIGHT);
    Press(VK_RIGHT);
    EXPECT_EQ(CurSel(tabs), 2);
    Press(VK_LEFT);
    Press(VK_LEFT);
    Press(VK_LEFT);
    EXPECT_EQ(CurSel(tabs), 0);
    EXPECT_EQ(Codes(WM_NOTIFY).size(), 6u);

    // Code selects without asking or telling, and hands back the old selection.
    Notes.clear();
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 2, 0), 0);
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 7, 0), -1);
    EXPECT_EQ(CurSel(tabs), 2);
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, WPARAM(-1), 0), 2); // no tab selected
    EXPECT_EQ(CurSel(tabs), -1);
    EXPECT_TRUE(Notes.empty());
}

TEST_F(ControlsTest, TabControlHitTestsTabsAndKeepsTheSelectionWithItsTab) {
    HWND tabs = MakeTabs(Parent);
    SendMessage(tabs, TCM_SETCURSEL, 1, 0);
    TRect first = ItemRect(tabs, 0), second = ItemRect(tabs, 1), third = ItemRect(tabs, 2);
    EXPECT_EQ(first.Right, second.Left);
    EXPECT_EQ(second.Right, third.Left);
    struct Case {
        TPoint At;
        int Tab;
    };
    const Case cases[] = {
        {Centre(first), 0},
        {Centre(third), 2},
        {{second.Left - 1, second.Top + 3}, 1},  // the selected tab reaches 2 pixels beyond its place
        {{second.Left + 4, second.Top - 2}, 1},  // and above it
        {{first.Left + 4, first.Top - 1}, -1},   // an unselected tab does not
        {{third.Right + 20, third.Top + 3}, -1}, // beside the last tab
        {{150, 100}, -1},                        // the body
    };
    for (const Case& c : cases) {
        TCHITTESTINFO info;
        info.pt = c.At;
        EXPECT_EQ(SendMessage(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), c.Tab)
            << c.At.X << "," << c.At.Y;
        EXPECT_EQ(info.flags, c.Tab < 0 ? TCHT_NOWHERE : TCHT_ONITEMLABEL);
    }

    // Items keep their text and data; a short buffer gets what fits.
    char text[4];
    TCITEM item;
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    EXPECT_TRUE(SendMessage(tabs, TCM_GETITEM, 2, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(text, "Thi");
    EXPECT_EQ(item.lParam, 102);

    // Inserting before the selected tab and deleting before it keep the same tab selected.
    TCITEM added;
    added.mask = TCIF_TEXT;
    added.pszText = const_cast<char*>("Zero");
    EXPECT_EQ(SendMessage(tabs, TCM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&added)), 0);
    EXPECT_EQ(CurSel(tabs), 2);
    EXPECT_EQ(SendMessage(tabs, TCM_INSERTITEM, 99, reinterpret_cast<LPARAM>(&added)), 4); // at the end
    EXPECT_TRUE(SendMessage(tabs, TCM_DELETEITEM, 0, 0));
    EXPECT_EQ(CurSel(tabs), 1);
    EXPECT_FALSE(SendMessage(tabs, TCM_DELETEITEM, 9, 0));
    // Deleting the selected tab leaves none selected.
    EXPECT_TRUE(SendMessage(tabs, TCM_DELETEITEM, 1, 0));
    EXPECT_EQ(CurSel(tabs), -1);
    EXPECT_EQ(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_TRUE(SendMessage(tabs, TCM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(ControlsTest, TabControlAdjustRectGoesBothWays) {
    for (DWORD style : {DWORD(0), TCS_BOTTOM}) {
        HWND tabs = MakeTabs(Parent, style);
        TRect tab = ItemRect(tabs, 0);
        TRect client;
        GetClientRect(tabs, &client);
        // The body starts where the row of tabs ends (the row leaves 2 pixels for the selected tab to
        // grow into); the display area is 4 pixels inside the body: its 2-pixel edge and 2 more.
        TRect body = client;
        if (style & TCS_BOTTOM) {
            EXPECT_EQ(tab.Bottom, client.Bottom - 2);
            body.Bottom = tab.Top;
        } else {
            EXPECT_EQ(tab.Top, 2);
            body.Top = tab.Bottom;
        }
        TRect display = client;
        SendMessage(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
        EXPECT_EQ(display, (TRect{body.Left + 4, body.Top + 4, body.Right - 4, body.Bottom - 4}));
        TRect window = display;
        SendMessage(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&window));
        EXPECT_EQ(window, client);
        // Any rectangle, not only the client area: the same offsets.
        TRect other{50, 60, 250, 200};
        SendMessage(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&other));
        SendMessage(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&other));
        EXPECT_EQ(other, (TRect{50, 60, 250, 200}));
        DestroyWindow(tabs);
    }
}

// The tabs are raised edges (EDGE_RAISED on their three free sides): the outer ring is COLOR_3DLIGHT at the
// left and top and COLOR_3DDKSHADOW at the right, the inner ring COLOR_BTNHIGHLIGHT and COLOR_BTNSHADOW. The
// selected tab's edge stands 2 pixels outside its place and reaches 2 pixels into the body, where its face
// replaces the body's edge; an unselected tab stands on the body's edge.
TEST_F(ControlsTest, TabControlDrawsTheSelectedTabLargerAndOpenIntoTheBody) {
    const COLORREF light = GetSysColor(COLOR_3DLIGHT), dark = GetSysColor(COLOR_3DDKSHADOW),
                   highlight = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW),
                   face = GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(highlight, face);
    for (DWORD style : {DWORD(0), TCS_BOTTOM}) {
        const bool bottom = style & TCS_BOTTOM;
        HWND tabs = MakeTabs(Parent, style);
        SendMessage(tabs, TCM_SETCURSEL, 1, 0);
        UpdateWindow(tabs);
        const TRect sel = ItemRect(tabs, 1), other = ItemRect(tabs, 0);
        // Rows counted from the free side of a tab (its top, or its bottom at the bottom) and into the body.
        const auto row = [&](const TRect& r, int fromFreeSide) {
            return bottom ? r.Bottom - 1 - fromFreeSide : r.Top + fromFreeSide;
        };
        const int midX = (sel.Left + sel.Right) / 2, otherMidX = (other.Left + other.Right) / 2,
                  midY = (sel.Top + sel.Bottom) / 2;
        const TRect grown{sel.Left - 2, sel.Top - 2, sel.Right + 2, sel.Bottom + 2};
        HDC dc = GetDC(tabs);
        struct Case {
            int X, Y;
            COLORREF Colour;
            const char* What;
        };
        const COLORREF freeOuter = bottom ? dark : light, freeInner = bottom ? shadow : highlight;
        const Case cases[] = {
            {grown.Left, midY, light, "selected tab's left, outer"},
            {grown.Left + 1, midY, highlight, "selected tab's left, inner"},
            {grown.Right - 1, midY, dark, "selected tab's right, outer"},
            {grown.Right - 2, midY, shadow, "selected tab's right, inner"},
            {midX, row(grown, 0), freeOuter, "selected tab's free side, outer"},
            {midX, row(grown, 1), freeInner, "selected tab's free side, inner"},
            {midX, row(sel, sel.Height()), face, "the body's outer edge under the selected tab"},
            {midX, row(sel, sel.Height() + 1), face, "the body's inner edge under the selected tab"},
            {grown.Left, row(sel, sel.Height() + 1), light, "the selected tab's left into the body"},
            {otherMidX, row(other, 0), freeOuter, "unselected tab's free side"},
            {otherMidX, row(other, -1), face, "beyond the unselected tab"},
            {otherMidX, row(other, other.Height()), bottom ? dark : light, "body's outer edge under a tab"},
            {otherMidX, row(other, other.Height() + 1), bottom ? shadow : highlight,
             "body's inner edge under a tab"},
        };
        for (const Case& c : cases)
            EXPECT_EQ(GetPixel(dc, c.X, c.Y), c.Colour) << c.What << (bottom ? " (bottom)" : " (top)");
        ReleaseDC(tabs, dc);
        DestroyWindow(tabs);
    }
}
