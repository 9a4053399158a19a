#include "ControlsTestSupport.h"

#include <algorithm>

using namespace controlstest;

namespace {

std::string ItemText(HWND list, int i) {
    char buffer[256] = {};
    SendMessage(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

int Count(const std::vector<UINT>& codes, UINT code) {
    return int(std::count(codes.begin(), codes.end(), code));
}

} // namespace

TEST_F(ControlsTest, ListBoxSortsFindsAndMovesTheSelectionByKeys) {
    HWND list = Control(WC_LISTBOX, LBS_NOTIFY | LBS_SORT | WS_VSCROLL, {10, 10, 150, 110});
    for (const char* s : {"pear", "Apple", "banana", "cherry"})
        SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    EXPECT_EQ(ItemText(list, 0), "Apple");
    EXPECT_EQ(ItemText(list, 3), "pear");
    EXPECT_EQ(SendMessage(list, LB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("CH")), 2);
    EXPECT_EQ(SendMessage(list, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>("ban")), LB_ERR);
    SendMessage(list, LB_SETITEMDATA, 1, 42);
    EXPECT_EQ(SendMessage(list, LB_GETITEMDATA, 1, 0), 42);
    // Selection by code sends nothing; by keys and clicks it tells the parent.
    SendMessage(list, LB_SETCURSEL, 0, 0);
    EXPECT_TRUE(Codes(WM_COMMAND).empty());
    SetFocus(list);
    Notes.clear();
    Press(VK_DOWN);
    Press(VK_END);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(Count(Codes(WM_COMMAND), LBN_SELCHANGE), 2);
    TRect r;
    SendMessage(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    Click(list, 5, r.Top + 2);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);
    Type("c");
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessage(list, LB_DELETESTRING, 9, 0), LB_ERR);
}

TEST_F(ControlsTest, ExtendedListBoxSelectsRangesWithShiftAndTogglesWithControl) {
    HWND list = Control(WC_LISTBOX, LBS_NOTIFY | LBS_EXTENDEDSEL, {10, 10, 150, 200});
    for (int i = 0; i < 6; ++i)
        SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(i).c_str()));
    int h = int(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
    Click(list, 5, h * 1 + 1);
    QueueKeyInput(VK_SHIFT, true);
    Click(list, 5, h * 3 + 1);
    QueueKeyInput(VK_SHIFT, false);
    QueueKeyInput(VK_CONTROL, true);
    Click(list, 5, h * 5 + 1);
    QueueKeyInput(VK_CONTROL, false);
    Pump();
    int items[8] = {};
    int n = int(SendMessage(list, LB_GETSELITEMS, 8, reinterpret_cast<LPARAM>(items)));
    EXPECT_EQ(std::vector<int>(items, items + n), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(SendMessage(list, LB_SETCURSEL, 0, 0), LB_ERR);
}

TEST_F(ControlsTest, OwnerDrawListBoxAsksItsParentToMeasureAndDraw) {
    HWND list = Control(WC_LISTBOX, LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, {10, 10, 150, 200});
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("b"));
    EXPECT_EQ(SendMessage(list, LB_GETITEMHEIGHT, 1, 0), 20);
    Notes.clear();
    SendMessage(list, LB_SETCURSEL, 1, 0);
    UpdateWindow(list);
    bool drewSelected = false;
    for (const Note& n : Notes)
        if (n.Message == WM_DRAWITEM && n.Item == 1 && (n.NewState & ODS_SELECTED))
            drewSelected = true;
    EXPECT_TRUE(drewSelected);
    SendMessage(list, LB_SETHORIZONTALEXTENT, 400, 0);
    EXPECT_EQ(SendMessage(list, LB_GETHORIZONTALEXTENT, 0, 0), 400);
}

TEST_F(ControlsTest, ComboDropDownClosesOnAClickOutsideAndKeepsTheSelection) {
    HWND combo = Control(WC_COMBOBOX, CBS_DROPDOWNLIST, {10, 10, 150, 30});
    for (const char* s : {"None", "Don't Remove", "Background", "Previous"})
        SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    EXPECT_TRUE(Codes(WM_COMMAND).empty()); // selection by code is silent
    SetFocus(combo);
    Notes.clear();
    Press(VK_F4);
    EXPECT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    Press(VK_DOWN); // moves the highlight only
    ClickScreen({480, 380});
    EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Codes(WM_COMMAND), (std::vector<UINT>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
    EXPECT_EQ(GetWindowTextString(combo), "Don't Remove");
}

TEST_F(ControlsTest, ComboListClickChoosesAnItemAndTypingSearches) {
    HWND combo = Control(WC_COMBOBOX, CBS_DROPDOWNLIST, {10, 10, 150, 30});
    for (const char* s : {"None", "Don't Remove", "Background", "Previous"})
        SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    Click(combo, 130, 10); // the drop button
    ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    TRect dropped;
    SendMessage(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    int itemH = int(SendMessage(combo, CB_GETITEMHEIGHT, 0, 0));
    Notes.clear();
    ClickScreen({dropped.Left + 10, dropped.Top + 1 + itemH * 2 + itemH / 2});
    EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Codes(WM_COMMAND), (std::vector<UINT>{CBN_SELENDOK, CBN_SELCHANGE, CBN_CLOSEUP}));
    Type("p");
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 3);
    Type("r"); // "pr" still matches "Previous"
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 3);
    FClock.Advance(1500); // after a pause a new search starts
    Type("n");
    EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 0);
}

TEST_F(ControlsTest, DropDownComboEditsTextAndFollowsTheList) {
    HWND combo = Control(WC_COMBOBOX, CBS_DROPDOWN, {10, 10, 150, 30});
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("alpha"));
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("beta"));
    SetFocus(combo);
    HWND edit = GetFocus();
    EXPECT_NE(edit, combo);
    EXPECT_EQ(GetParent(edit), combo);
    Notes.clear();
    Type("z");
    EXPECT_EQ(GetWindowTextString(combo), "z");
    EXPECT_EQ(Count(Codes(WM_COMMAND), CBN_EDITCHANGE), 1);
    Press(VK_DOWN);
    EXPECT_EQ(GetWindowTextString(combo), "alpha");
    EXPECT_EQ(Count(Codes(WM_COMMAND), CBN_EDITCHANGE), 1); // the combo's own change is not an edit
    EXPECT_EQ(SendMessage(combo, CB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("BE")), 1);
}

TEST_F(ControlsTest, ListBoxTopIndexLeavesNoEmptyRoomBelowTheLastItem) {
    HWND list = Control(WC_LISTBOX, 0, {10, 10, 150, 10});
    int h = int(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
    SetWindowPos(list, nullptr, 0, 0, 140, h * 4, SWP_NOMOVE | SWP_NOZORDER);
    for (int i = 0; i < 6; ++i)
        SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
    SendMessage(list, LB_SETTOPINDEX, 5, 0);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 2);
    SendMessage(list, LB_DELETESTRING, 5, 0);
    SendMessage(list, LB_DELETESTRING, 4, 0);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 0);
}
