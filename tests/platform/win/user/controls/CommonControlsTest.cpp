#include "ControlsTestSupport.h"

#include <algorithm>

using namespace controlstest;

namespace {

HWND MakeReport(HWND parent, DWORD style = 0) {
    HWND lv =
        CreateWindowEx(0, WC_LISTVIEW, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | style, 10,
                       10, 300, 200, parent, reinterpret_cast<HMENU>(intptr_t(9)), nullptr, nullptr);
    const char* names[2] = {"Frame", "Size"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMN c;
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.cx = 120;
        c.pszText = const_cast<char*>(names[i]);
        SendMessage(lv, LVM_INSERTCOLUMN, WPARAM(i), reinterpret_cast<LPARAM>(&c));
    }
    for (int i = 0; i < 5; ++i) {
        std::string text = "Frame " + std::to_string(i + 1);
        LVITEM item;
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = text.data();
        item.lParam = 100 + i;
        SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
        std::string size = std::to_string((i + 1) * 10) + " KB";
        LVITEM sub;
        sub.iSubItem = 1;
        sub.pszText = size.data();
        SendMessage(lv, LVM_SETITEMTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&sub));
    }
    return lv;
}

TPoint RowPoint(HWND lv, int row) {
    TRect r;
    r.Left = LVIR_LABEL;
    SendMessage(lv, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&r));
    return {r.Left + 5, r.Top + r.Height() / 2};
}

std::vector<int> Selected(HWND lv) {
    std::vector<int> rows;
    for (int i = int(SendMessage(lv, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0;
         i = int(SendMessage(lv, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED)))
        rows.push_back(i);
    return rows;
}

} // namespace

TEST_F(ControlsTest, ListViewSelectionTellsTheParentBeforeAndAfterEveryChange) {
    HWND lv = MakeReport(Parent);
    ASSERT_NE(SendMessage(lv, LVM_GETHEADER, 0, 0), 0);
    Notes.clear();
    TPoint p = RowPoint(lv, 1);
    Click(lv, p.X, p.Y);
    EXPECT_EQ(Selected(lv), std::vector<int>{1});
    std::vector<Note> changed;
    for (const Note& n : Notes)
        if (n.Code == LVN_ITEMCHANGED)
            changed.push_back(n);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].Item, 1);
    EXPECT_EQ(changed[0].NewState & (LVIS_SELECTED | LVIS_FOCUSED), UINT(LVIS_SELECTED | LVIS_FOCUSED));
    // Shift extends from the anchor, Ctrl toggles one row.
    QueueKeyInput(VK_SHIFT, true);
    p = RowPoint(lv, 3);
    Click(lv, p.X, p.Y);
    QueueKeyInput(VK_SHIFT, false);
    QueueKeyInput(VK_CONTROL, true);
    p = RowPoint(lv, 2);
    Click(lv, p.X, p.Y);
    QueueKeyInput(VK_CONTROL, false);
    Pump();
    EXPECT_EQ(Selected(lv), (std::vector<int>{1, 3}));
    EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 2);
    // Changes by code are reported too, and the parent may refuse one.
    NotifyAnswer = [](NMHDR* hdr) -> LRESULT { return hdr->code == LVN_ITEMCHANGING ? 1 : 0; };
    LVITEM state;
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    EXPECT_FALSE(SendMessage(lv, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state)));
    EXPECT_EQ(Selected(lv), (std::vector<int>{1, 3}));
    NotifyAnswer = nullptr;
    Notes.clear();
    EXPECT_TRUE(SendMessage(lv, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state)));
    auto codes = Codes(WM_NOTIFY);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), LVN_ITEMCHANGED), 1);
}

TEST_F(ControlsTest, ListViewKeysMoveTheFocusedRowAndSpaceChecks) {
    HWND lv = MakeReport(Parent, LVS_SINGLESEL);
    SendMessage(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    SetFocus(lv);
    Press(VK_DOWN);
    Press(VK_DOWN);
    EXPECT_EQ(Selected(lv), std::vector<int>{1});
    Press(VK_END);
    EXPECT_EQ(Selected(lv), std::vector<int>{4});
    Press(VK_SPACE);
    EXPECT_EQ(SendMessage(lv, LVM_GETITEMSTATE, 4, LVIS_STATEIMAGEMASK), LRESULT(INDEXTOSTATEIMAGEMASK(2)));
    char buffer[32] = {};
    LVITEM item;
    item.iSubItem = 1;
    item.pszText = buffer;
    item.cchTextMax = sizeof(buffer);
    SendMessage(lv, LVM_GETITEMTEXT, 4, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(buffer, "50 KB");
}

TEST_F(ControlsTest, ListViewColumnClicksAndDividerDragsComeThroughItsHeader) {
    HWND lv = MakeReport(Parent);
    auto header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
    Notes.clear();
    Click(header, 150, 5);
    std::vector<Note> clicks;
    for (const Note& n : Notes)
        if (n.Code == LVN_COLUMNCLICK)
            clicks.push_back(n);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].Item, 1);
    TPoint from = At(header, 120, 5), to = At(header, 160, 5);
    QueueMouseInput(MouseAction::Move, from);
    QueueMouseInput(MouseAction::LeftDown, from);
    QueueMouseInput(MouseAction::Move, to);
    QueueMouseInput(MouseAction::LeftUp, to);
    Pump();
    EXPECT_EQ(SendMessage(lv, LVM_GETCOLUMNWIDTH, 0, 0), 160);
    auto codes = Codes(WM_NOTIFY);
    EXPECT_NE(std::find(codes.begin(), codes.end(), HDN_BEGINTRACK), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), HDN_ENDTRACK), codes.end());
    HDITEM hdi;
    char text[64] = {};
    hdi.mask = HDI_TEXT | HDI_FORMAT;
    hdi.pszText = text;
    hdi.cchTextMax = sizeof(text);
    SendMessage(header, HDM_GETITEM, 1, reinterpret_cast<LPARAM>(&hdi));
    EXPECT_STREQ(text, "Size");
    EXPECT_TRUE(hdi.fmt & HDF_STRING);
}

TEST_F(ControlsTest, ListViewDeletesTellTheParentAndSortUsesTheData) {
    HWND lv = MakeReport(Parent);
    SendMessage(lv, LVM_SORTITEMS, 0,
                reinterpret_cast<LPARAM>(+[](LPARAM a, LPARAM b, LPARAM) -> int { return int(b - a); }));
    LVITEM item;
    item.mask = LVIF_PARAM;
    item.iItem = 0;
    SendMessage(lv, LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.lParam, 104);
    Notes.clear();
    SendMessage(lv, LVM_DELETEITEM, 0, 0);
    SendMessage(lv, LVM_DELETEALLITEMS, 0, 0);
    EXPECT_EQ(SendMessage(lv, LVM_GETITEMCOUNT, 0, 0), 0);
    auto codes = Codes(WM_NOTIFY);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), LVN_DELETEITEM), 5);
}

TEST_F(ControlsTest, StatusBarSitsAtTheBottomWithPartsAndOwnerDrawnOnes) {
    HWND bar = CreateWindowEx(0, STATUSCLASSNAME, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Parent, nullptr,
                              nullptr, nullptr);
    TRect pr, br;
    GetClientRect(Parent, &pr);
    GetWindowRect(bar, &br);
    TPoint tl{br.Left, br.Top};
    ScreenToClient(Parent, &tl);
    EXPECT_EQ(tl.Y + br.Height(), pr.Bottom);
    EXPECT_EQ(br.Width(), pr.Width());
    int parts[3] = {20, 245, -1};
    EXPECT_TRUE(SendMessage(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts)));
    SendMessage(bar, SB_SETTEXT, 2, reinterpret_cast<LPARAM>("Loading..."));
    SendMessage(bar, SB_SETTEXT, 1 | SBT_OWNERDRAW, 77);
    char text[32] = {};
    EXPECT_EQ(LOWORD(WPARAM(SendMessage(bar, SB_GETTEXT, 2, reinterpret_cast<LPARAM>(text)))), 10);
    EXPECT_STREQ(text, "Loading...");
    Notes.clear();
    UpdateWindow(bar);
    bool drawn = false;
    for (const Note& n : Notes)
        drawn |= n.Message == WM_DRAWITEM && n.Item == 1;
    EXPECT_TRUE(drawn);
    EXPECT_FALSE(SendMessage(bar, SB_SETTEXT, 5, reinterpret_cast<LPARAM>("x")));
}

TEST_F(ControlsTest, ProgressBarClampsAndStepsRoundTheRange) {
    HWND bar = Control(PROGRESS_CLASS, 0, {10, 10, 200, 30});
    SendMessage(bar, PBM_SETRANGE32, 0, 100);
    EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 150, 0), 0);
    EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 100);
    SendMessage(bar, PBM_SETPOS, 95, 0);
    SendMessage(bar, PBM_SETSTEP, 10, 0);
    SendMessage(bar, PBM_STEPIT, 0, 0);
    EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 5);
    SendMessage(bar, PBM_SETPOS, 50, 0);
    UpdateWindow(bar);
    // Half the well is filled with the highlight colour.
    HDC dc = GetDC(bar);
    EXPECT_EQ(GetPixel(dc, 30, 10), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(GetPixel(dc, 170, 10), GetSysColor(COLOR_BTNFACE));
    ReleaseDC(bar, dc);
}

TEST_F(ControlsTest, TrackBarMovesByKeysAndTellsItsParent) {
    HWND track = Control(TRACKBAR_CLASS, TBS_VERT | TBS_AUTOTICKS, {10, 10, 40, 150});
    SendMessage(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 4));
    SendMessage(track, TBM_SETPAGESIZE, 0, 2);
    SetFocus(track);
    Press(VK_DOWN);
    Press(VK_NEXT);
    EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 3);
    Press(VK_END);
    EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 4);
    std::vector<UINT> scrolls;
    for (const Note& n : Notes)
        if (n.Message == WM_VSCROLL && n.From == track)
            scrolls.push_back(n.Code);
    EXPECT_NE(std::find(scrolls.begin(), scrolls.end(), UINT(TB_PAGEDOWN)), scrolls.end());
    EXPECT_NE(std::find(scrolls.begin(), scrolls.end(), UINT(TB_ENDTRACK)), scrolls.end());
    SendMessage(track, TBM_SETPOS, TRUE, 99);
    EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 4);
}

TEST_F(ControlsTest, UpDownStepsItsBuddyAndLetsTheParentRefuse) {
    HWND edit = Control(WC_EDIT, 0, {10, 10, 80, 34}, "", 1);
    HWND spin =
        Control(UPDOWN_CLASS, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, {80, 10, 96, 34}, "", 2);
    SendMessage(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    SendMessage(spin, UDM_SETRANGE32, 0, 1000);
    SendMessage(spin, UDM_SETPOS32, 0, 999);
    EXPECT_EQ(GetWindowTextString(edit), "999");
    Click(spin, 3, 2); // the up arrow
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 1000);
    EXPECT_EQ(GetWindowTextString(edit), "1,000");
    Click(spin, 3, 2); // at the top it stays
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 1000);
    NotifyAnswer = [](NMHDR* hdr) -> LRESULT { return hdr->code == UDN_DELTAPOS ? 1 : 0; };
    TRect r;
    GetClientRect(spin, &r);
    Click(spin, 3, r.Bottom - 2);
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 1000);
    NotifyAnswer = nullptr;
    SetWindowText(edit, "12");
    Click(spin, 3, r.Bottom - 2);
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 11);
    // The buddy's arrow keys step it too.
    SetFocus(edit);
    Press(VK_UP);
    EXPECT_EQ(GetWindowTextString(edit), "12");
}

// The scroll requests move the first visible line of an edit, a list box and a list view alike: by a line,
// by a page, to the thumb, to either end, and never past the last line.
TEST_F(ControlsTest, ScrollRequestsMoveTheFirstVisibleLineOfEveryScrollingControl) {
    std::string lines;
    for (int i = 0; i < 60; ++i)
        lines += "line " + std::to_string(i) + "\r\n";
    HWND edit = Control(WC_EDIT, ES_MULTILINE | WS_VSCROLL, {10, 10, 200, 110}, lines.c_str());
    HWND list = Control(WC_LISTBOX, WS_VSCROLL | LBS_NOINTEGRALHEIGHT, {210, 10, 400, 110}, "", 8);
    for (int i = 0; i < 60; ++i)
        SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("item " + std::to_string(i)).c_str()));
    HWND view =
        CreateWindowEx(0, WC_LISTVIEW, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER, 10, 120,
                       200, 100, Parent, reinterpret_cast<HMENU>(intptr_t(9)), nullptr, nullptr);
    LVCOLUMN column;
    column.mask = LVCF_WIDTH;
    column.cx = 150;
    SendMessage(view, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&column));
    for (int i = 0; i < 60; ++i) {
        std::string text = "row " + std::to_string(i);
        LVITEM item;
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text.data();
        SendMessage(view, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    }
    struct Target {
        HWND Window;
        UINT TopMessage;
    };
    for (Target t : {Target{edit, EM_GETFIRSTVISIBLELINE}, Target{list, LB_GETTOPINDEX},
                     Target{view, LVM_GETTOPINDEX}}) {
        auto top = [&] { return int(SendMessage(t.Window, t.TopMessage, 0, 0)); };
        auto scroll = [&](WORD code, int thumb = 0) {
            SendMessage(t.Window, WM_VSCROLL, MAKEWPARAM(code, thumb), 0);
            return top();
        };
        SCOPED_TRACE(GetClassNameString(t.Window));
        EXPECT_EQ(scroll(SB_LINEDOWN), 1);
        int page = scroll(SB_PAGEDOWN) - 1;
        EXPECT_GT(page, 2);
        EXPECT_EQ(scroll(SB_PAGEUP), 1);
        EXPECT_EQ(scroll(SB_LINEUP), 0);
        EXPECT_EQ(scroll(SB_LINEUP), 0);
        EXPECT_EQ(scroll(SB_THUMBPOSITION, 17), 17);
        EXPECT_EQ(scroll(SB_ENDSCROLL), 17);
        int bottom = scroll(SB_BOTTOM);
        EXPECT_GT(bottom, 40);
        EXPECT_EQ(scroll(SB_LINEDOWN), bottom);
        EXPECT_EQ(scroll(SB_TOP), 0);
    }
}

// A label is edited in place: LVN_BEGINLABELEDIT may refuse, Enter keeps the typed text when
// LVN_ENDLABELEDIT takes it, Escape hands over no text, and a second click on the focused item's label
// starts the edit once no double click follows.
TEST_F(ControlsTest, ListViewEditsLabelsInPlaceWhenItsOwnerAgrees) {
    HWND lv = MakeReport(Parent, LVS_EDITLABELS);
    bool refuse = false;
    std::vector<std::string> ended; // "<null>" for a cancelled edit
    NotifyAnswer = [&](NMHDR* hdr) -> LRESULT {
        auto* di = reinterpret_cast<NMLVDISPINFO*>(hdr);
        if (hdr->code == LVN_BEGINLABELEDIT)
            return refuse;
        if (hdr->code == LVN_ENDLABELEDIT) {
            ended.push_back(di->item.pszText ? di->item.pszText : "<null>");
            return TRUE;
        }
        return 0;
    };
    auto caption = [&](int row) {
        char text[64] = {};
        LVITEM item;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessage(lv, LVM_GETITEMTEXT, WPARAM(row), reinterpret_cast<LPARAM>(&item));
        return std::string(text);
    };
    HWND edit = reinterpret_cast<HWND>(SendMessage(lv, LVM_EDITLABEL, 1, 0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetWindowTextString(edit), "Frame 2");
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0)), edit);
    Type("Intro");
    Press(VK_RETURN);
    EXPECT_EQ(ended, std::vector<std::string>{"Intro"});
    EXPECT_EQ(caption(1), "Intro");
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(GetFocus(), lv);

    edit = reinterpret_cast<HWND>(SendMessage(lv, LVM_EDITLABEL, 2, 0));
    Type("Lost");
    Press(VK_ESCAPE);
    EXPECT_EQ(ended.back(), "<null>");
    EXPECT_EQ(caption(2), "Frame 3");

    refuse = true;
    EXPECT_EQ(SendMessage(lv, LVM_EDITLABEL, 0, 0), 0);
    refuse = false;

    TPoint label = At(lv, RowPoint(lv, 0).X, RowPoint(lv, 0).Y);
    ClickScreen(label);
    EXPECT_EQ(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0), 0);
    FClock.Advance(2000);
    ClickScreen(label);
    FClock.Advance(2000);
    Pump();
    edit = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetWindowTextString(edit), "Frame 1");
    // Deleting the item under edit cancels the edit.
    SendMessage(lv, LVM_DELETEITEM, 0, 0);
    EXPECT_FALSE(IsWindow(edit));
}
