// The list view in report style: rows of items with sub-items under a header of columns, single or
// multiple selection, check boxes, small images, custom drawing and the notifications of each change.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace win::ctl {

namespace {

constexpr const char* ListViewProp = "LoomwickListView";
// The state image of a check box: 1 unchecked, 2 checked.
constexpr UINT ListViewUnchecked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT ListViewChecked = INDEXTOSTATEIMAGEMASK(2);
constexpr int ListViewCheckSize = 13;
constexpr int ListViewCheckBox = 16; // the room a check box takes
constexpr int ListViewTextMargin = 4;

struct LVColumn {
    std::string Text;
    int Width = 50;
    int Format = LVCFMT_LEFT;
    int SubItem = 0;
    int Image = -1;
};

struct LVRow {
    std::vector<std::string> Texts = std::vector<std::string>(1);
    int Image = -1;
    LPARAM Param = 0;
    UINT State = 0;
    int Indent = 0;
};

struct ListViewState {
    HWND Header = nullptr;
    std::vector<LVColumn> Columns;
    std::vector<LVRow> Rows;
    int Top = 0;
    int ScrollX = 0;
    int ItemHeight = 17;
    COLORREF Bk = CLR_DEFAULT;
    COLORREF Text = CLR_DEFAULT;
    COLORREF TextBk = CLR_DEFAULT;
    DWORD ExStyle = 0;
    HIMAGELIST Images[3] = {nullptr, nullptr, nullptr};
    HFONT Font = nullptr;
    bool Focused = false;
    int Anchor = -1;
    bool Deleting = false;
    HWND LabelEdit = nullptr; // the in-place edit of a label
    int LabelItem = -1;       // whose label it edits
    int PendingLabel = -1;    // a click on a focused item: its label edit starts unless a double click comes
};

constexpr const char* ListViewLabelEditProcProp = "LoomwickListViewLabelEditProc";
// Posted by the label edit to its list view: end the edit (wParam: keep the text).
constexpr UINT ListViewEndLabelMessage = 0x0400 + 0x7F4;
constexpr UINT_PTR ListViewLabelTimer = 0x4C42;

ListViewState* LVOf(HWND hwnd) {
    return State<ListViewState>(hwnd, ListViewProp);
}
bool LVValid(const ListViewState* s, int i) {
    return i >= 0 && i < int(s->Rows.size());
}

COLORREF LVBk(const ListViewState* s) {
    return s->Bk == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : s->Bk;
}
COLORREF LVTextColor(const ListViewState* s) {
    return s->Text == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : s->Text;
}

int LVHeaderHeight(HWND hwnd) {
    ListViewState* s = LVOf(hwnd);
    if (!s->Header || !IsWindowVisible(s->Header))
        return 0;
    TRect r;
    GetWindowRect(s->Header, &r);
    return r.Height();
}

// The rows area of the client rectangle.
TRect LVRowsRect(HWND hwnd) {
    TRect r;
    GetClientRect(hwnd, &r);
    r.Top += LVHeaderHeight(hwnd);
    return r;
}

int LVPerPage(HWND hwnd) {
    TRect r = LVRowsRect(hwnd);
    return std::max(1, int(r.Height()) / std::max(1, LVOf(hwnd)->ItemHeight));
}

int LVTotalWidth(const ListViewState* s) {
    int w = 0;
    for (const LVColumn& c : s->Columns)
        w += c.Width;
    return w;
}

int LVColumnLeft(const ListViewState* s, int column) {
    int x = -s->ScrollX;
    for (int i = 0; i < column; ++i)
        x += s->Columns[size_t(i)].Width;
    return x;
}

TRect LVRowRect(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    TRect rows = LVRowsRect(hwnd);
    int y = rows.Top + (index - s->Top) * s->ItemHeight;
    int width = std::max(LVTotalWidth(s), int(rows.Width()) + s->ScrollX);
    return {-s->ScrollX, y, -s->ScrollX + width, y + s->ItemHeight};
}

// Parts of the first column: state image (check box), small image, then the label.
TRect LVStateRect(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    TRect row = LVRowRect(hwnd, index);
    int left = LVColumnLeft(s, 0) + s->Rows[size_t(index)].Indent * 16;
    int w = (s->ExStyle & LVS_EX_CHECKBOXES) ? ListViewCheckBox : 0;
    return {left, row.Top, left + w, row.Bottom};
}

TRect LVIconRect(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    TRect st = LVStateRect(hwnd, index);
    int w = 0;
    if (s->Images[LVSIL_SMALL]) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(s->Images[LVSIL_SMALL], &cx, &cy);
        w = cx + 2;
    }
    return {st.Right, st.Top, st.Right + w, st.Bottom};
}

TRect LVLabelRect(HWND hwnd, int index, bool toText) {
    ListViewState* s = LVOf(hwnd);
    TRect icon = LVIconRect(hwnd, index);
    int colRight = s->Columns.empty() ? icon.Right + 100 : LVColumnLeft(s, 0) + s->Columns[0].Width;
    TRect label{icon.Right, icon.Top, std::max(int(icon.Right), colRight), icon.Bottom};
    if (toText) {
        HDC dc = GetDC(hwnd);
        HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
        int w = TextWidth(dc, s->Rows[size_t(index)].Texts[0]) + 2 * ListViewTextMargin;
        SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
        label.Right = std::min(int(label.Right), int(label.Left) + w);
    }
    return label;
}

TRect LVSubItemRect(HWND hwnd, int index, int column) {
    ListViewState* s = LVOf(hwnd);
    TRect row = LVRowRect(hwnd, index);
    if (column <= 0 || column >= int(s->Columns.size()))
        return {LVColumnLeft(s, 0), row.Top, row.Right, row.Bottom};
    int left = LVColumnLeft(s, column);
    return {left, row.Top, left + s->Columns[size_t(column)].Width, row.Bottom};
}

void LVInvalidateRow(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    if (!LVValid(s, index))
        return;
    TRect r = LVRowRect(hwnd, index);
    TRect client;
    GetClientRect(hwnd, &client);
    r.Left = client.Left;
    r.Right = client.Right;
    InvalidateRect(hwnd, &r, TRUE);
}

void LVUpdateScrollBars(HWND hwnd) {
    ListViewState* s = LVOf(hwnd);
    if (Style(hwnd) & LVS_NOSCROLL)
        return;
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, int(s->Rows.size()) - 1);
    si.nPage = UINT(LVPerPage(hwnd));
    si.nPos = s->Top;
    SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    TRect r = LVRowsRect(hwnd);
    si.nMax = std::max(0, LVTotalWidth(s) - 1);
    si.nPage = UINT(std::max(1, int(r.Width())));
    si.nPos = s->ScrollX;
    SetScrollInfo(hwnd, SB_HORZ, &si, TRUE);
}

void LVLayoutHeader(HWND hwnd) {
    ListViewState* s = LVOf(hwnd);
    if (!s->Header)
        return;
    TRect r;
    GetClientRect(hwnd, &r);
    WINDOWPOS pos;
    HDLAYOUT layout;
    layout.prc = &r;
    layout.pwpos = &pos;
    SendMessage(s->Header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
    SetWindowPos(s->Header, nullptr, pos.x, pos.y, pos.cx, pos.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessage(s->Header, HeaderScrollMessage, WPARAM(s->ScrollX), 0);
}

void LVSetTop(HWND hwnd, int top) {
    ListViewState* s = LVOf(hwnd);
    int maxTop = std::max(0, int(s->Rows.size()) - LVPerPage(hwnd));
    top = std::clamp(top, 0, maxTop);
    if (top == s->Top)
        return;
    s->Top = top;
    InvalidateRect(hwnd, nullptr, TRUE);
    LVUpdateScrollBars(hwnd);
}

void LVSetScrollX(HWND hwnd, int x) {
    ListViewState* s = LVOf(hwnd);
    TRect r = LVRowsRect(hwnd);
    x = std::clamp(x, 0, std::max(0, LVTotalWidth(s) - int(r.Width())));
    if (x == s->ScrollX)
        return;
    s->ScrollX = x;
    InvalidateRect(hwnd, nullptr, TRUE);
    if (s->Header)
        SendMessage(s->Header, HeaderScrollMessage, WPARAM(x), 0);
    LVUpdateScrollBars(hwnd);
}

void LVEnsureVisible(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    if (!LVValid(s, index))
        return;
    if (index < s->Top)
        LVSetTop(hwnd, index);
    else if (index >= s->Top + LVPerPage(hwnd))
        LVSetTop(hwnd, index - LVPerPage(hwnd) + 1);
}

// Changes an item's state through LVN_ITEMCHANGING (which may refuse) and LVN_ITEMCHANGED.
bool LVChangeState(HWND hwnd, int index, UINT state, UINT mask) {
    ListViewState* s = LVOf(hwnd);
    if (!LVValid(s, index))
        return false;
    LVRow& row = s->Rows[size_t(index)];
    UINT next = (row.State & ~mask) | (state & mask);
    if (next == row.State)
        return true;
    NMLISTVIEW nm;
    nm.iItem = index;
    nm.uChanged = LVIF_STATE;
    nm.uOldState = row.State;
    nm.uNewState = next;
    nm.lParam = row.Param;
    if (Notify(hwnd, LVN_ITEMCHANGING, &nm.hdr))
        return false;
    if (!LVValid(s, index))
        return false;
    // One item has the focus.
    if ((next & LVIS_FOCUSED) && !(s->Rows[size_t(index)].State & LVIS_FOCUSED))
        for (int i = 0; i < int(s->Rows.size()); ++i)
            if (i != index && (s->Rows[size_t(i)].State & LVIS_FOCUSED))
                LVChangeState(hwnd, i, 0, LVIS_FOCUSED);
    if (!LVValid(s, index))
        return false;
    s->Rows[size_t(index)].State = next;
    LVInvalidateRow(hwnd, index);
    nm.uOldState = row.State == next ? nm.uOldState : nm.uOldState;
    Notify(hwnd, LVN_ITEMCHANGED, &nm.hdr);
    return true;
}

void LVSelectOnly(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    for (int i = 0; i < int(s->Rows.size()); ++i)
        if (i != index && (s->Rows[size_t(i)].State & LVIS_SELECTED))
            LVChangeState(hwnd, i, 0, LVIS_SELECTED);
    if (LVValid(s, index))
        LVChangeState(hwnd, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void LVSelectRange(HWND hwnd, int a, int b, bool keepOthers) {
    ListViewState* s = LVOf(hwnd);
    int lo = std::min(a, b), hi = std::max(a, b);
    for (int i = 0; i < int(s->Rows.size()); ++i) {
        bool in = i >= lo && i <= hi;
        if (in)
            LVChangeState(hwnd, i, LVIS_SELECTED, LVIS_SELECTED);
        else if (!keepOthers)
            LVChangeState(hwnd, i, 0, LVIS_SELECTED);
    }
}

int LVFocusedItem(const ListViewState* s) {
    for (int i = 0; i < int(s->Rows.size()); ++i)
        if (s->Rows[size_t(i)].State & LVIS_FOCUSED)
            return i;
    return -1;
}

void LVToggleCheck(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    if (!LVValid(s, index))
        return;
    UINT image = s->Rows[size_t(index)].State & LVIS_STATEIMAGEMASK;
    LVChangeState(hwnd, index, image == ListViewChecked ? ListViewUnchecked : ListViewChecked,
                  LVIS_STATEIMAGEMASK);
}

// Hit test of a client point.
int LVHitTest(HWND hwnd, TPoint p, UINT* flags, int* subItem) {
    ListViewState* s = LVOf(hwnd);
    TRect rows = LVRowsRect(hwnd);
    *flags = LVHT_NOWHERE;
    if (subItem)
        *subItem = 0;
    if (p.Y < rows.Top) {
        *flags = LVHT_ABOVE;
        return -1;
    }
    int index = s->Top + (p.Y - rows.Top) / std::max(1, s->ItemHeight);
    if (index >= int(s->Rows.size())) {
        *flags = LVHT_BELOW;
        return -1;
    }
    if (subItem) {
        for (int c = 0; c < int(s->Columns.size()); ++c) {
            int left = LVColumnLeft(s, c);
            if (p.X >= left && p.X < left + s->Columns[size_t(c)].Width)
                *subItem = c;
        }
    }
    TRect st = LVStateRect(hwnd, index), icon = LVIconRect(hwnd, index);
    TRect label = LVLabelRect(hwnd, index, !(s->ExStyle & LVS_EX_FULLROWSELECT));
    if (p.X >= st.Left && p.X < st.Right)
        *flags = LVHT_ONITEMSTATEICON;
    else if (p.X >= icon.Left && p.X < icon.Right)
        *flags = LVHT_ONITEMICON;
    else if (p.X >= label.Left && p.X < label.Right)
        *flags = LVHT_ONITEMLABEL;
    else if ((s->ExStyle & LVS_EX_FULLROWSELECT) && p.X >= LVColumnLeft(s, 0) &&
             p.X < LVColumnLeft(s, 0) + LVTotalWidth(s))
        *flags = LVHT_ONITEMLABEL;
    else {
        *flags = LVHT_NOWHERE;
        return subItem ? index : -1;
    }
    return index;
}

LRESULT LVNotifyClick(HWND hwnd, UINT code, int index, int subItem, TPoint p) {
    ListViewState* s = LVOf(hwnd);
    NMITEMACTIVATE nm;
    nm.iItem = index;
    nm.iSubItem = subItem;
    nm.ptAction = p;
    nm.lParam = LVValid(s, index) ? s->Rows[size_t(index)].Param : 0;
    return Notify(hwnd, code, &nm.hdr);
}

BOOL LVSetItem(HWND hwnd, const LVITEM* item);

// The label edit ends: its text goes to LVN_ENDLABELEDIT (null when cancelled), and a non-zero answer
// makes it the item's caption.
void LVEndLabelEdit(HWND hwnd, bool keep) {
    ListViewState* s = LVOf(hwnd);
    HWND edit = s->LabelEdit;
    if (!edit)
        return;
    int index = s->LabelItem;
    s->LabelEdit = nullptr;
    s->LabelItem = -1;
    std::string text = GetWindowTextString(edit);
    bool hadFocus = GetFocus() == edit;
    DestroyWindow(edit);
    if (hadFocus)
        SetFocus(hwnd);
    if (!LVValid(s, index))
        return;
    NMLVDISPINFO di;
    di.item.mask = LVIF_TEXT | LVIF_PARAM;
    di.item.iItem = index;
    di.item.pszText = keep ? text.data() : nullptr;
    di.item.lParam = s->Rows[size_t(index)].Param;
    if (Notify(hwnd, LVN_ENDLABELEDIT, &di.hdr) && keep && IsWindow(hwnd) && LVValid(s, index)) {
        LVITEM item;
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = text.data();
        LVSetItem(hwnd, &item);
    }
}

// The label edit: Enter keeps the text, Escape drops it, and so does losing the focus (keeping it). The
// list view ends the edit from its own queue, never inside the edit's own messages.
LRESULT CALLBACK_ListViewLabelEdit(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<WNDPROC>(GetProp(edit, ListViewLabelEditProcProp));
    if (!proc)
        return DefWindowProc(edit, msg, wParam, lParam);
    HWND lv = GetParent(edit);
    switch (msg) {
    case WM_GETDLGCODE:
        return CallWindowProc(proc, edit, msg, wParam, lParam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == WPARAM(VK_RETURN) || wParam == WPARAM(VK_ESCAPE)) {
            PostMessage(lv, ListViewEndLabelMessage, wParam == WPARAM(VK_RETURN),
                        reinterpret_cast<LPARAM>(edit));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r' || wParam == 27)
            return 0;
        break;
    case WM_KILLFOCUS:
        PostMessage(lv, ListViewEndLabelMessage, TRUE, reinterpret_cast<LPARAM>(edit));
        break;
    case WM_NCDESTROY:
        RemoveProp(edit, ListViewLabelEditProcProp);
        SetWindowLong(edit, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
        break;
    default:
        break;
    }
    return CallWindowProc(proc, edit, msg, wParam, lParam);
}

// Starts editing an item's label unless LVN_BEGINLABELEDIT refuses; -1 ends an edit in progress.
HWND LVEditLabel(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    LVEndLabelEdit(hwnd, true);
    s->PendingLabel = -1;
    KillTimer(hwnd, ListViewLabelTimer);
    if (!IsWindow(hwnd) || !LVValid(s, index))
        return nullptr;
    if (GetFocus() != hwnd)
        SetFocus(hwnd);
    LVEnsureVisible(hwnd, index);
    std::string caption = s->Rows[size_t(index)].Texts[0];
    NMLVDISPINFO di;
    di.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    di.item.iItem = index;
    di.item.pszText = caption.data();
    di.item.state = s->Rows[size_t(index)].State;
    di.item.lParam = s->Rows[size_t(index)].Param;
    if (Notify(hwnd, LVN_BEGINLABELEDIT, &di.hdr) || !IsWindow(hwnd) || !LVValid(s, index))
        return nullptr;
    TRect r = LVLabelRect(hwnd, index, false);
    HWND edit = CreateWindowEx(0, WC_EDIT, caption.c_str(),
                               WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.Left, r.Top,
                               std::max(40, int(r.Width())), r.Height(), hwnd, nullptr, nullptr, nullptr);
    if (!edit)
        return nullptr;
    SendMessage(edit, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont(s->Font)), 0);
    LONG_PTR old = SetWindowLong(edit, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CALLBACK_ListViewLabelEdit));
    SetProp(edit, ListViewLabelEditProcProp, reinterpret_cast<HANDLE>(old));
    s->LabelEdit = edit;
    s->LabelItem = index;
    SendMessage(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
    return edit;
}

void LVMouseDown(HWND hwnd, WPARAM keys, TPoint p, bool right) {
    ListViewState* s = LVOf(hwnd);
    bool hadFocus = GetFocus() == hwnd;
    if (!hadFocus)
        SetFocus(hwnd);
    UINT flags;
    int sub = 0;
    int index = LVHitTest(hwnd, p, &flags, &sub);
    if (!(flags & LVHT_ONITEM))
        index = -1;
    bool ctrl = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
    // A second plain click on the label of the focused, selected item edits the label, once no double
    // click followed.
    const UINT selectedFocused = LVIS_SELECTED | LVIS_FOCUSED;
    if ((Style(hwnd) & LVS_EDITLABELS) && !right && !ctrl && !shift && hadFocus &&
        (flags & LVHT_ONITEMLABEL) && (s->Rows[size_t(index)].State & selectedFocused) == selectedFocused) {
        s->PendingLabel = index;
        SetTimer(hwnd, ListViewLabelTimer, GetDoubleClickTime(), nullptr);
    }
    bool single = (Style(hwnd) & LVS_SINGLESEL) != 0;
    if (index < 0) {
        if (!ctrl && !right)
            LVSelectOnly(hwnd, -1);
    } else if ((flags & LVHT_ONITEMSTATEICON) && (s->ExStyle & LVS_EX_CHECKBOXES) && !right) {
        LVToggleCheck(hwnd, index);
    } else if (right) {
        // A right click keeps a selection it lands in.
        if (!(s->Rows[size_t(index)].State & LVIS_SELECTED))
            LVSelectOnly(hwnd, index);
        else
            LVChangeState(hwnd, index, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (single || (!ctrl && !shift)) {
        LVSelectOnly(hwnd, index);
        s->Anchor = index;
    } else if (shift) {
        LVSelectRange(hwnd, s->Anchor < 0 ? index : s->Anchor, index, ctrl);
        LVChangeState(hwnd, index, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        bool selected = (s->Rows[size_t(index)].State & LVIS_SELECTED) != 0;
        LVChangeState(hwnd, index, (selected ? 0 : LVIS_SELECTED) | LVIS_FOCUSED,
                      LVIS_SELECTED | LVIS_FOCUSED);
        s->Anchor = index;
    }
    if (IsWindow(hwnd))
        LVNotifyClick(hwnd, right ? NM_RCLICK : NM_CLICK, index, sub, p);
}

void LVKey(HWND hwnd, WPARAM key) {
    ListViewState* s = LVOf(hwnd);
    NMLVKEYDOWN nm;
    nm.wVKey = WORD(key);
    Notify(hwnd, LVN_KEYDOWN, &nm.hdr);
    if (!IsWindow(hwnd) || s->Rows.empty())
        return;
    int focus = LVFocusedItem(s);
    int count = int(s->Rows.size());
    int to;
    switch (int(key)) {
    case VK_UP:
        to = focus < 0 ? 0 : focus - 1;
        break;
    case VK_DOWN:
        to = focus < 0 ? 0 : focus + 1;
        break;
    case VK_PRIOR:
        to = focus - LVPerPage(hwnd);
        break;
    case VK_NEXT:
        to = focus + LVPerPage(hwnd);
        break;
    case VK_HOME:
        to = 0;
        break;
    case VK_END:
        to = count - 1;
        break;
    case VK_SPACE:
        if (focus < 0)
            return;
        if (s->ExStyle & LVS_EX_CHECKBOXES)
            LVToggleCheck(hwnd, focus);
        else if (KeyDown(VK_CONTROL) && !(Style(hwnd) & LVS_SINGLESEL))
            LVChangeState(hwnd, focus, (s->Rows[size_t(focus)].State & LVIS_SELECTED) ? 0 : LVIS_SELECTED,
                          LVIS_SELECTED);
        else
            LVChangeState(hwnd, focus, LVIS_SELECTED, LVIS_SELECTED);
        return;
    case VK_RETURN: {
        NMHDR hdr;
        Notify(hwnd, NM_RETURN, &hdr);
        return;
    }
    default:
        return;
    }
    to = std::clamp(to, 0, count - 1);
    bool single = (Style(hwnd) & LVS_SINGLESEL) != 0;
    if (KeyDown(VK_SHIFT) && !single) {
        if (s->Anchor < 0)
            s->Anchor = focus < 0 ? to : focus;
        LVSelectRange(hwnd, s->Anchor, to, false);
        LVChangeState(hwnd, to, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (KeyDown(VK_CONTROL) && !single) {
        LVChangeState(hwnd, to, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        LVSelectOnly(hwnd, to);
        s->Anchor = to;
    }
    LVEnsureVisible(hwnd, to);
}

LRESULT LVCustomDraw(HWND hwnd, DWORD stage, HDC dc, const TRect& rc, int item, UINT itemState,
                     COLORREF* text, COLORREF* textBk) {
    ListViewState* s = LVOf(hwnd);
    NMLVCUSTOMDRAW cd;
    cd.nmcd.dwDrawStage = stage;
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = rc;
    cd.nmcd.dwItemSpec = DWORD_PTR(std::max(item, 0));
    cd.nmcd.uItemState = itemState;
    cd.nmcd.lItemlParam = LVValid(s, item) ? s->Rows[size_t(item)].Param : 0;
    cd.clrText = text ? *text : 0;
    cd.clrTextBk = textBk ? *textBk : 0;
    LRESULT r = Notify(hwnd, NM_CUSTOMDRAW, &cd.nmcd.hdr);
    if (text)
        *text = cd.clrText;
    if (textBk)
        *textBk = cd.clrTextBk;
    return r;
}

void LVDrawText(HDC dc, const std::string& text, TRect r, int format) {
    r.Left += ListViewTextMargin;
    r.Right -= ListViewTextMargin;
    if (r.Right <= r.Left)
        return;
    UINT align = (format & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT    ? DT_RIGHT
                 : (format & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                                  : DT_LEFT;
    DrawText(dc, text.c_str(), int(text.size()), &r,
             align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void LVPaintRow(HWND hwnd, HDC dc, int index, bool notifyItems) {
    ListViewState* s = LVOf(hwnd);
    const LVRow& row = s->Rows[size_t(index)];
    TRect rowRect = LVRowRect(hwnd, index);
    bool selected = (row.State & LVIS_SELECTED) && (s->Focused || (Style(hwnd) & LVS_SHOWSELALWAYS));
    COLORREF selBack = s->Focused ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_BTNFACE);
    COLORREF selText = s->Focused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_BTNTEXT);
    COLORREF text = LVTextColor(s);
    COLORREF textBk = s->TextBk == CLR_DEFAULT ? LVBk(s) : s->TextBk;
    UINT cdState = ((row.State & LVIS_SELECTED) ? CDIS_SELECTED : 0) |
                   ((row.State & LVIS_FOCUSED) && s->Focused ? CDIS_FOCUS : 0);
    LRESULT cd = CDRF_DODEFAULT;
    HGDIOBJ customFont = nullptr;
    if (notifyItems) {
        int saved = SaveDC(dc);
        cd = LVCustomDraw(hwnd, CDDS_ITEMPREPAINT, dc, rowRect, index, cdState, &text, &textBk);
        if (!IsWindow(hwnd) || !LVValid(s, index)) {
            RestoreDC(dc, saved);
            return;
        }
        if (cd & CDRF_NEWFONT)
            customFont = GetCurrentObject(dc, OBJ_FONT);
        RestoreDC(dc, saved);
        if (cd & CDRF_SKIPDEFAULT)
            return;
    }
    HGDIOBJ oldFont = customFont ? SelectObject(dc, customFont) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    bool fullRow = (s->ExStyle & LVS_EX_FULLROWSELECT) != 0;
    for (int c = 0; c < std::max(1, int(s->Columns.size())); ++c) {
        TRect cell = LVSubItemRect(hwnd, index, c);
        if (c == 0 && !s->Columns.empty())
            cell.Right = LVColumnLeft(s, 0) + s->Columns[0].Width;
        const std::string& str = c < int(row.Texts.size()) ? row.Texts[size_t(c)] : std::string();
        int format = c < int(s->Columns.size()) ? s->Columns[size_t(c)].Format : LVCFMT_LEFT;
        if (c == 0) {
            if (s->ExStyle & LVS_EX_CHECKBOXES) {
                TRect st = LVStateRect(hwnd, index);
                int top = st.Top + (st.Height() - ListViewCheckSize) / 2;
                TRect box{st.Left + 2, top, st.Left + 2 + ListViewCheckSize, top + ListViewCheckSize};
                bool checked = (row.State & LVIS_STATEIMAGEMASK) == ListViewChecked;
                DrawFrameControl(dc, &box, DFC_BUTTON,
                                 DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
            }
            TRect icon = LVIconRect(hwnd, index);
            if (s->Images[LVSIL_SMALL] && row.Image >= 0) {
                int cx = 0, cy = 0;
                ImageList_GetIconSize(s->Images[LVSIL_SMALL], &cx, &cy);
                ImageList_Draw(s->Images[LVSIL_SMALL], row.Image, dc, icon.Left,
                               icon.Top + (icon.Height() - cy) / 2,
                               ILD_TRANSPARENT | (selected ? ILD_BLEND50 : 0));
            }
            TRect label = LVLabelRect(hwnd, index, !fullRow);
            label.Right = std::min(label.Right, cell.Right);
            if (selected) {
                Fill(dc,
                     fullRow ? TRect{label.Left, rowRect.Top, LVColumnLeft(s, 0) + LVTotalWidth(s),
                                     rowRect.Bottom}
                             : label,
                     selBack);
            } else if (s->TextBk != CLR_DEFAULT && s->TextBk != CLR_NONE) {
                Fill(dc, label, textBk);
            }
            SetTextColor(dc, selected ? selText : text);
            TRect textRect{label.Left, cell.Top, cell.Right, cell.Bottom};
            LVDrawText(dc, str, textRect, format);
            if ((row.State & LVIS_FOCUSED) && s->Focused) {
                TRect fr = fullRow ? TRect{label.Left, rowRect.Top, LVColumnLeft(s, 0) + LVTotalWidth(s),
                                           rowRect.Bottom}
                                   : label;
                DrawFocusRect(dc, &fr);
            }
        } else {
            SetTextColor(dc, selected && fullRow ? selText : text);
            LVDrawText(dc, str, cell, format);
        }
    }
    if (oldFont)
        SelectObject(dc, oldFont);
    if (notifyItems && (cd & CDRF_NOTIFYPOSTPAINT))
        LVCustomDraw(hwnd, CDDS_ITEMPOSTPAINT, dc, rowRect, index, cdState, nullptr, nullptr);
}

void LVPaint(HWND hwnd, HDC dc) {
    ListViewState* s = LVOf(hwnd);
    TRect client;
    GetClientRect(hwnd, &client);
    TRect rows = LVRowsRect(hwnd);
    if (s->Bk != CLR_NONE)
        Fill(dc, client, LVBk(s));
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    LRESULT pre = LVCustomDraw(hwnd, CDDS_PREPAINT, dc, client, -1, 0, nullptr, nullptr);
    if (!IsWindow(hwnd))
        return;
    if (!(pre & CDRF_SKIPDEFAULT)) {
        IntersectClipRect(dc, rows.Left, rows.Top, rows.Right, rows.Bottom);
        for (int i = s->Top; i < int(s->Rows.size()); ++i) {
            TRect r = LVRowRect(hwnd, i);
            if (r.Top >= rows.Bottom)
                break;
            LVPaintRow(hwnd, dc, i, (pre & CDRF_NOTIFYITEMDRAW) != 0);
            if (!IsWindow(hwnd))
                return;
        }
        if (s->ExStyle & LVS_EX_GRIDLINES) {
            HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
            HGDIOBJ op = SelectObject(dc, pen);
            for (int y = rows.Top + s->ItemHeight - 1; y < rows.Bottom; y += s->ItemHeight) {
                MoveToEx(dc, rows.Left, y, nullptr);
                LineTo(dc, rows.Right, y);
            }
            int x = -s->ScrollX;
            for (const LVColumn& c : s->Columns) {
                x += c.Width;
                MoveToEx(dc, x - 1, rows.Top, nullptr);
                LineTo(dc, x - 1, rows.Bottom);
            }
            SelectObject(dc, op);
            DeleteObject(pen);
        }
    }
    if (pre & CDRF_NOTIFYPOSTPAINT)
        LVCustomDraw(hwnd, CDDS_POSTPAINT, dc, client, -1, 0, nullptr, nullptr);
    SelectObject(dc, old);
}

void LVInitItemHeight(HWND hwnd) {
    ListViewState* s = LVOf(hwnd);
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    int h = LineHeight(dc) + 4;
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    if (s->Images[LVSIL_SMALL]) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(s->Images[LVSIL_SMALL], &cx, &cy);
        h = std::max(h, cy + 1);
    }
    if (s->ExStyle & LVS_EX_CHECKBOXES)
        h = std::max(h, ListViewCheckSize + 2);
    s->ItemHeight = h;
}

void LVSyncHeaderItem(HWND hwnd, int column, bool insert) {
    ListViewState* s = LVOf(hwnd);
    if (!s->Header)
        return;
    const LVColumn& c = s->Columns[size_t(column)];
    HDITEM hdi;
    hdi.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
    hdi.cxy = c.Width;
    std::string text = c.Text;
    hdi.pszText = text.data();
    hdi.fmt = HDF_STRING | (c.Format & LVCFMT_JUSTIFYMASK);
    if (insert) {
        SendMessage(s->Header, HDM_INSERTITEM, WPARAM(column), reinterpret_cast<LPARAM>(&hdi));
        return;
    }
    // Keep the flags the header's owner may have set (owner draw, sort arrows).
    HDITEM current;
    current.mask = HDI_FORMAT;
    SendMessage(s->Header, HDM_GETITEM, WPARAM(column), reinterpret_cast<LPARAM>(&current));
    hdi.fmt = (current.fmt & ~HDF_JUSTIFYMASK) | (c.Format & LVCFMT_JUSTIFYMASK);
    SendMessage(s->Header, HDM_SETITEM, WPARAM(column), reinterpret_cast<LPARAM>(&hdi));
}

int LVAutoWidth(HWND hwnd, int column, bool useHeader) {
    ListViewState* s = LVOf(hwnd);
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    int w = useHeader ? TextWidth(dc, s->Columns[size_t(column)].Text) + 2 * ListViewTextMargin + 8 : 0;
    for (size_t i = 0; i < s->Rows.size(); ++i) {
        const LVRow& row = s->Rows[i];
        int extra = 0;
        if (column == 0) {
            TRect st = LVStateRect(hwnd, int(i)), icon = LVIconRect(hwnd, int(i));
            extra = icon.Right - st.Left;
        }
        if (size_t(column) < row.Texts.size())
            w = std::max(w, TextWidth(dc, row.Texts[size_t(column)]) + 2 * ListViewTextMargin + extra);
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return w;
}

void LVSetColumnWidth(HWND hwnd, int column, int width) {
    ListViewState* s = LVOf(hwnd);
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
        width = LVAutoWidth(hwnd, column, width == LVSCW_AUTOSIZE_USEHEADER);
    s->Columns[size_t(column)].Width = std::max(0, width);
    LVSyncHeaderItem(hwnd, column, false);
    InvalidateRect(hwnd, nullptr, TRUE);
    LVUpdateScrollBars(hwnd);
}

int LVInsertItem(HWND hwnd, const LVITEM* item) {
    ListViewState* s = LVOf(hwnd);
    if (!item || item->iSubItem != 0)
        return -1;
    LVRow row;
    if (item->mask & LVIF_TEXT)
        row.Texts[0] = item->pszText ? item->pszText : "";
    if (item->mask & LVIF_IMAGE)
        row.Image = item->iImage;
    if (item->mask & LVIF_PARAM)
        row.Param = item->lParam;
    if (item->mask & LVIF_INDENT)
        row.Indent = item->iIndent;
    if (item->mask & LVIF_STATE)
        row.State = item->state & item->stateMask & ~UINT(LVIS_FOCUSED | LVIS_SELECTED);
    if ((s->ExStyle & LVS_EX_CHECKBOXES) && !(row.State & LVIS_STATEIMAGEMASK))
        row.State |= ListViewUnchecked;
    int count = int(s->Rows.size());
    int index = std::clamp(item->iItem, 0, count);
    DWORD style = Style(hwnd);
    if (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        bool asc = (style & LVS_SORTASCENDING) != 0;
        index = 0;
        while (index < count) {
            int cmp = 0;
            const std::string& a = s->Rows[size_t(index)].Texts[0];
            const std::string& b = row.Texts[0];
            for (size_t k = 0; k < std::min(a.size(), b.size()) && !cmp; ++k)
                cmp = std::tolower(uint8_t(a[k])) - std::tolower(uint8_t(b[k]));
            if (!cmp)
                cmp = int(a.size()) - int(b.size());
            if (asc ? cmp > 0 : cmp < 0)
                break;
            ++index;
        }
    }
    s->Rows.insert(s->Rows.begin() + index, row);
    if (s->Anchor >= index)
        ++s->Anchor;
    InvalidateRect(hwnd, nullptr, TRUE);
    LVUpdateScrollBars(hwnd);
    NMLISTVIEW nm;
    nm.iItem = index;
    nm.lParam = row.Param;
    Notify(hwnd, LVN_INSERTITEM, &nm.hdr);
    // Selected or focused state given at insertion goes through the change notifications.
    if ((item->mask & LVIF_STATE) && (item->state & item->stateMask & (LVIS_FOCUSED | LVIS_SELECTED)) &&
        IsWindow(hwnd))
        LVChangeState(hwnd, index, item->state, item->stateMask & (LVIS_FOCUSED | LVIS_SELECTED));
    return index;
}

BOOL LVDeleteItem(HWND hwnd, int index) {
    ListViewState* s = LVOf(hwnd);
    if (!LVValid(s, index))
        return FALSE;
    LVEndLabelEdit(hwnd, false); // its item may move or go
    NMLISTVIEW nm;
    nm.iItem = index;
    nm.lParam = s->Rows[size_t(index)].Param;
    Notify(hwnd, LVN_DELETEITEM, &nm.hdr);
    if (!IsWindow(hwnd) || !LVValid(s, index))
        return FALSE;
    s->Rows.erase(s->Rows.begin() + index);
    if (s->Anchor == index)
        s->Anchor = -1;
    else if (s->Anchor > index)
        --s->Anchor;
    LVSetTop(hwnd, s->Top);
    InvalidateRect(hwnd, nullptr, TRUE);
    LVUpdateScrollBars(hwnd);
    return TRUE;
}

BOOL LVDeleteAll(HWND hwnd) {
    LVEndLabelEdit(hwnd, false);
    ListViewState* s = LVOf(hwnd);
    if (s->Rows.empty())
        return TRUE;
    NMLISTVIEW nm;
    nm.iItem = -1;
    // An answer of TRUE means the owner needs no LVN_DELETEITEM per item.
    bool quiet = Notify(hwnd, LVN_DELETEALLITEMS, &nm.hdr) != 0;
    if (!IsWindow(hwnd))
        return FALSE;
    if (!quiet)
        for (int i = int(s->Rows.size()) - 1; i >= 0; --i) {
            NMLISTVIEW each;
            each.iItem = i;
            each.lParam = s->Rows[size_t(i)].Param;
            Notify(hwnd, LVN_DELETEITEM, &each.hdr);
            if (!IsWindow(hwnd))
                return FALSE;
        }
    s->Rows.clear();
    s->Top = 0;
    s->Anchor = -1;
    InvalidateRect(hwnd, nullptr, TRUE);
    LVUpdateScrollBars(hwnd);
    return TRUE;
}

void LVCopyText(const std::string& text, char* out, int size) {
    if (!out || size <= 0)
        return;
    size_t n = std::min(text.size(), size_t(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = 0;
}

BOOL LVGetItem(HWND hwnd, LVITEM* item) {
    ListViewState* s = LVOf(hwnd);
    if (!item || !LVValid(s, item->iItem))
        return FALSE;
    const LVRow& row = s->Rows[size_t(item->iItem)];
    if (item->mask & LVIF_TEXT) {
        std::string text = size_t(item->iSubItem) < row.Texts.size() && item->iSubItem >= 0
                               ? row.Texts[size_t(item->iSubItem)]
                               : std::string();
        LVCopyText(text, item->pszText, item->cchTextMax);
    }
    if (item->mask & LVIF_IMAGE)
        item->iImage = row.Image;
    if (item->mask & LVIF_PARAM)
        item->lParam = row.Param;
    if (item->mask & LVIF_STATE)
        item->state = row.State & item->stateMask;
    if (item->mask & LVIF_INDENT)
        item->iIndent = row.Indent;
    return TRUE;
}

BOOL LVSetItem(HWND hwnd, const LVITEM* item) {
    ListViewState* s = LVOf(hwnd);
    if (!item || !LVValid(s, item->iItem) || item->iSubItem < 0)
        return FALSE;
    LVRow& row = s->Rows[size_t(item->iItem)];
    if (item->mask & LVIF_TEXT) {
        if (size_t(item->iSubItem) >= row.Texts.size())
            row.Texts.resize(size_t(item->iSubItem) + 1);
        row.Texts[size_t(item->iSubItem)] = item->pszText ? item->pszText : "";
    }
    if (item->iSubItem == 0) {
        if (item->mask & LVIF_IMAGE)
            row.Image = item->iImage;
        if (item->mask & LVIF_PARAM)
            row.Param = item->lParam;
        if (item->mask & LVIF_INDENT)
            row.Indent = item->iIndent;
    }
    LVInvalidateRow(hwnd, item->iItem);
    if ((item->mask & LVIF_STATE) && item->iSubItem == 0)
        return LVChangeState(hwnd, item->iItem, item->state, item->stateMask) ? TRUE : FALSE;
    return TRUE;
}

LRESULT LVGetNextItem(HWND hwnd, int start, UINT flags) {
    ListViewState* s = LVOf(hwnd);
    int count = int(s->Rows.size());
    auto matches = [&](int i) {
        UINT st = s->Rows[size_t(i)].State;
        if ((flags & LVNI_SELECTED) && !(st & LVIS_SELECTED))
            return false;
        if ((flags & LVNI_FOCUSED) && !(st & LVIS_FOCUSED))
            return false;
        return true;
    };
    if (flags & LVNI_ABOVE) {
        for (int i = start - 1; i >= 0; --i)
            if (matches(i))
                return i;
        return -1;
    }
    for (int i = start < 0 ? 0 : start + 1; i < count; ++i)
        if (matches(i))
            return i;
    return -1;
}

// Every header notification goes on to the list view's parent; width changes update the columns.
LRESULT LVHeaderNotify(HWND hwnd, NMHDR* hdr) {
    ListViewState* s = LVOf(hwnd);
    auto* nm = reinterpret_cast<NMHEADER*>(hdr);
    HWND parent = GetParent(hwnd);
    if (hdr->code == HDN_ITEMCLICK) {
        NMLISTVIEW lv;
        lv.iItem = -1;
        lv.iSubItem = nm->iItem;
        Notify(hwnd, LVN_COLUMNCLICK, &lv.hdr);
        return 0;
    }
    LRESULT answer =
        parent ? SendMessage(parent, WM_NOTIFY, WPARAM(hdr->idFrom), reinterpret_cast<LPARAM>(hdr)) : 0;
    if (!IsWindow(hwnd))
        return answer;
    if (hdr->code == HDN_ITEMCHANGED && nm->pitem && (nm->pitem->mask & HDI_WIDTH) && nm->iItem >= 0 &&
        nm->iItem < int(s->Columns.size())) {
        s->Columns[size_t(nm->iItem)].Width = nm->pitem->cxy;
        InvalidateRect(hwnd, nullptr, TRUE);
        LVUpdateScrollBars(hwnd);
    } else if (hdr->code == HDN_DIVIDERDBLCLICK && !answer && nm->iItem >= 0 &&
               nm->iItem < int(s->Columns.size())) {
        LVSetColumnWidth(hwnd, nm->iItem, LVSCW_AUTOSIZE);
    }
    return answer;
}

LRESULT ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        ListViewState* s = LVOf(hwnd);
        LVInitItemHeight(hwnd);
        if (!(Style(hwnd) & LVS_NOCOLUMNHEADER))
            s->Header = CreateWindowEx(0, WC_HEADER, "",
                                       WS_CHILD | WS_VISIBLE | HDS_HORZ |
                                           ((Style(hwnd) & LVS_NOSORTHEADER) ? 0 : HDS_BUTTONS),
                                       0, 0, 0, 0, hwnd, nullptr, nullptr, nullptr);
        LVLayoutHeader(hwnd);
        LVUpdateScrollBars(hwnd);
        break;
    }
    case WM_PAINT: {
        PaintDC dc(hwnd, wParam);
        LVPaint(hwnd, dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SIZE:
        LVLayoutHeader(hwnd);
        LVSetTop(hwnd, LVOf(hwnd)->Top);
        LVSetScrollX(hwnd, LVOf(hwnd)->ScrollX);
        LVUpdateScrollBars(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        ListViewState* s = LVOf(hwnd);
        s->Focused = msg == WM_SETFOCUS;
        InvalidateRect(hwnd, nullptr, TRUE);
        NMHDR hdr;
        Notify(hwnd, s->Focused ? NM_SETFOCUS : NM_KILLFOCUS, &hdr);
        return 0;
    }
    case WM_SETFONT: {
        ListViewState* s = LVOf(hwnd);
        s->Font = reinterpret_cast<HFONT>(wParam);
        if (s->Header)
            SendMessage(s->Header, WM_SETFONT, wParam, lParam);
        LVInitItemHeight(hwnd);
        LVLayoutHeader(hwnd);
        LVUpdateScrollBars(hwnd);
        if (lParam)
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(LVOf(hwnd)->Font);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        LVMouseDown(hwnd, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, msg == WM_RBUTTONDOWN);
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
        LVOf(hwnd)->PendingLabel = -1;
        KillTimer(hwnd, ListViewLabelTimer);
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        UINT flags;
        int sub = 0;
        int index = LVHitTest(hwnd, p, &flags, &sub);
        if (!(flags & LVHT_ONITEM))
            index = -1;
        if ((flags & LVHT_ONITEMSTATEICON) && (LVOf(hwnd)->ExStyle & LVS_EX_CHECKBOXES) &&
            msg == WM_LBUTTONDBLCLK)
            LVToggleCheck(hwnd, index);
        LVNotifyClick(hwnd, msg == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_RDBLCLK, index, sub, p);
        return 0;
    }
    case WM_KEYDOWN:
        LVKey(hwnd, wParam);
        return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: {
        ListViewState* s = LVOf(hwnd);
        bool vert = msg == WM_VSCROLL;
        int page = vert ? LVPerPage(hwnd) : int(LVRowsRect(hwnd).Width());
        int line = vert ? 1 : 8;
        int value = vert ? s->Top : s->ScrollX;
        if (!ScrollRequestTarget(wParam, value, line, page, 1 << 30, &value))
            return 0;
        if (vert)
            LVSetTop(hwnd, value);
        else
            LVSetScrollX(hwnd, value);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        int steps = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        LVSetTop(hwnd, LVOf(hwnd)->Top - 3 * steps);
        return 0;
    }
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr && hdr->hwndFrom == LVOf(hwnd)->Header)
            return LVHeaderNotify(hwnd, hdr);
        return 0;
    }
    case WM_DRAWITEM: {
        // The header's owner-drawn sections are drawn by the list view's parent.
        if (HWND parent = GetParent(hwnd))
            return SendMessage(parent, msg, wParam, lParam);
        return 0;
    }
    case LVM_GETITEMCOUNT:
        return LRESULT(LVOf(hwnd)->Rows.size());
    case LVM_INSERTITEM:
        return LVInsertItem(hwnd, reinterpret_cast<const LVITEM*>(lParam));
    case LVM_DELETEITEM:
        return LVDeleteItem(hwnd, int(wParam));
    case LVM_DELETEALLITEMS:
        return LVDeleteAll(hwnd);
    case LVM_GETITEM:
        return LVGetItem(hwnd, reinterpret_cast<LVITEM*>(lParam));
    case LVM_SETITEM:
        return LVSetItem(hwnd, reinterpret_cast<const LVITEM*>(lParam));
    case LVM_GETITEMTEXT: {
        auto* item = reinterpret_cast<LVITEM*>(lParam);
        ListViewState* s = LVOf(hwnd);
        if (!item || !LVValid(s, int(wParam)))
            return 0;
        const LVRow& row = s->Rows[wParam];
        std::string text = item->iSubItem >= 0 && size_t(item->iSubItem) < row.Texts.size()
                               ? row.Texts[size_t(item->iSubItem)]
                               : std::string();
        LVCopyText(text, item->pszText, item->cchTextMax);
        return LRESULT(std::min(text.size(), size_t(std::max(0, item->cchTextMax - 1))));
    }
    case LVM_SETITEMTEXT: {
        auto* item = reinterpret_cast<const LVITEM*>(lParam);
        if (!item)
            return FALSE;
        LVITEM copy = *item;
        copy.iItem = int(wParam);
        copy.mask = LVIF_TEXT;
        return LVSetItem(hwnd, &copy);
    }
    case LVM_GETITEMSTATE: {
        ListViewState* s = LVOf(hwnd);
        return LVValid(s, int(wParam)) ? LRESULT(s->Rows[wParam].State & UINT(lParam)) : 0;
    }
    case LVM_SETITEMSTATE: {
        auto* item = reinterpret_cast<const LVITEM*>(lParam);
        ListViewState* s = LVOf(hwnd);
        if (!item)
            return FALSE;
        int index = int(intptr_t(wParam));
        if (index == -1) {
            for (int i = 0; i < int(s->Rows.size()); ++i)
                LVChangeState(hwnd, i, item->state, item->stateMask);
            return TRUE;
        }
        return LVChangeState(hwnd, index, item->state, item->stateMask) ? TRUE : FALSE;
    }
    case LVM_GETNEXTITEM:
        return LVGetNextItem(hwnd, int(intptr_t(wParam)), UINT(lParam));
    case LVM_GETSELECTEDCOUNT: {
        ListViewState* s = LVOf(hwnd);
        return std::count_if(s->Rows.begin(), s->Rows.end(),
                             [](const LVRow& r) { return r.State & LVIS_SELECTED; });
    }
    case LVM_GETITEMRECT:
    case LVM_GETSUBITEMRECT: {
        ListViewState* s = LVOf(hwnd);
        auto* r = reinterpret_cast<TRect*>(lParam);
        int index = int(wParam);
        if (!r || !LVValid(s, index))
            return FALSE;
        int code = r->Left;
        int sub = msg == LVM_GETSUBITEMRECT ? r->Top : 0;
        if (sub > 0) {
            *r = LVSubItemRect(hwnd, index, sub);
            return TRUE;
        }
        switch (code) {
        case LVIR_ICON:
            *r = LVIconRect(hwnd, index);
            break;
        case LVIR_LABEL:
            *r = LVLabelRect(hwnd, index, false);
            break;
        case LVIR_SELECTBOUNDS: {
            TRect a = LVIconRect(hwnd, index), b = LVLabelRect(hwnd, index, false);
            *r = {a.Left, a.Top, b.Right, b.Bottom};
            break;
        }
        default:
            *r = LVRowRect(hwnd, index);
            break;
        }
        return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
        auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (!info)
            return -1;
        int sub = 0;
        info->iItem = LVHitTest(hwnd, info->pt, &info->flags, msg == LVM_SUBITEMHITTEST ? &sub : nullptr);
        if (msg == LVM_SUBITEMHITTEST)
            info->iSubItem = sub;
        if (!(info->flags & LVHT_ONITEM) && msg == LVM_HITTEST)
            info->iItem = -1;
        return info->iItem;
    }
    case LVM_ENSUREVISIBLE:
        LVEnsureVisible(hwnd, int(wParam));
        return TRUE;
    case LVM_SCROLL: {
        // dy in pixels, rounded to whole rows.
        ListViewState* s = LVOf(hwnd);
        int rows = int(lParam) / std::max(1, s->ItemHeight);
        if (int(lParam) % std::max(1, s->ItemHeight))
            rows += int(lParam) > 0 ? 1 : -1;
        LVSetTop(hwnd, s->Top + rows);
        LVSetScrollX(hwnd, s->ScrollX + int(intptr_t(wParam)));
        return TRUE;
    }
    case LVM_GETTOPINDEX:
        return LVOf(hwnd)->Top;
    case LVM_GETCOUNTPERPAGE:
        return LVPerPage(hwnd);
    case LVM_REDRAWITEMS:
        for (int i = int(wParam); i <= int(lParam); ++i)
            LVInvalidateRow(hwnd, i);
        return TRUE;
    case LVM_UPDATE:
        LVInvalidateRow(hwnd, int(wParam));
        UpdateWindow(hwnd);
        return TRUE;
    case LVM_SORTITEMS: {
        ListViewState* s = LVOf(hwnd);
        auto compare = reinterpret_cast<PFNLVCOMPARE>(lParam);
        if (!compare)
            return FALSE;
        LPARAM sortParam = LPARAM(wParam);
        std::stable_sort(s->Rows.begin(), s->Rows.end(), [&](const LVRow& a, const LVRow& b) {
            return compare(a.Param, b.Param, sortParam) < 0;
        });
        s->Anchor = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    }
    case LVM_INSERTCOLUMN: {
        ListViewState* s = LVOf(hwnd);
        auto* col = reinterpret_cast<const LVCOLUMN*>(lParam);
        if (!col)
            return -1;
        LVColumn c;
        if (col->mask & LVCF_TEXT)
            c.Text = col->pszText ? col->pszText : "";
        if (col->mask & LVCF_WIDTH)
            c.Width = std::max(0, col->cx);
        if (col->mask & LVCF_FMT)
            c.Format = col->fmt;
        if (col->mask & LVCF_IMAGE)
            c.Image = col->iImage;
        int index = std::clamp(int(wParam), 0, int(s->Columns.size()));
        c.SubItem = (col->mask & LVCF_SUBITEM) ? col->iSubItem : index;
        // The first column is always left-aligned.
        if (index == 0)
            c.Format &= ~LVCFMT_JUSTIFYMASK;
        s->Columns.insert(s->Columns.begin() + index, c);
        for (LVRow& row : s->Rows)
            if (size_t(index) < row.Texts.size() && index > 0)
                row.Texts.insert(row.Texts.begin() + index, std::string());
        LVSyncHeaderItem(hwnd, index, true);
        InvalidateRect(hwnd, nullptr, TRUE);
        LVUpdateScrollBars(hwnd);
        return index;
    }
    case LVM_DELETECOLUMN: {
        ListViewState* s = LVOf(hwnd);
        int index = int(wParam);
        if (index < 0 || index >= int(s->Columns.size()))
            return FALSE;
        s->Columns.erase(s->Columns.begin() + index);
        for (LVRow& row : s->Rows)
            if (index > 0 && size_t(index) < row.Texts.size())
                row.Texts.erase(row.Texts.begin() + index);
        if (s->Header)
            SendMessage(s->Header, HDM_DELETEITEM, WPARAM(index), 0);
        InvalidateRect(hwnd, nullptr, TRUE);
        LVUpdateScrollBars(hwnd);
        return TRUE;
    }
    case LVM_GETCOLUMN: {
        ListViewState* s = LVOf(hwnd);
        auto* col = reinterpret_cast<LVCOLUMN*>(lParam);
        int index = int(wParam);
        if (!col || index < 0 || index >= int(s->Columns.size()))
            return FALSE;
        const LVColumn& c = s->Columns[size_t(index)];
        if (col->mask & LVCF_TEXT)
            LVCopyText(c.Text, col->pszText, col->cchTextMax);
        if (col->mask & LVCF_WIDTH)
            col->cx = c.Width;
        if (col->mask & LVCF_FMT)
            col->fmt = c.Format;
        if (col->mask & LVCF_SUBITEM)
            col->iSubItem = c.SubItem;
        if (col->mask & LVCF_IMAGE)
            col->iImage = c.Image;
        if (col->mask & LVCF_ORDER)
            col->iOrder = index;
        return TRUE;
    }
    case LVM_SETCOLUMN: {
        ListViewState* s = LVOf(hwnd);
        auto* col = reinterpret_cast<const LVCOLUMN*>(lParam);
        int index = int(wParam);
        if (!col || index < 0 || index >= int(s->Columns.size()))
            return FALSE;
        LVColumn& c = s->Columns[size_t(index)];
        if (col->mask & LVCF_TEXT)
            c.Text = col->pszText ? col->pszText : "";
        if (col->mask & LVCF_WIDTH)
            c.Width = std::max(0, col->cx);
        if (col->mask & LVCF_FMT)
            c.Format = index == 0 ? (col->fmt & ~LVCFMT_JUSTIFYMASK) : col->fmt;
        if (col->mask & LVCF_IMAGE)
            c.Image = col->iImage;
        if (col->mask & LVCF_SUBITEM)
            c.SubItem = col->iSubItem;
        LVSyncHeaderItem(hwnd, index, false);
        InvalidateRect(hwnd, nullptr, TRUE);
        LVUpdateScrollBars(hwnd);
        return TRUE;
    }
    case LVM_GETCOLUMNWIDTH: {
        ListViewState* s = LVOf(hwnd);
        int index = int(wParam);
        return index >= 0 && index < int(s->Columns.size()) ? s->Columns[size_t(index)].Width : 0;
    }
    case LVM_SETCOLUMNWIDTH: {
        ListViewState* s = LVOf(hwnd);
        int index = int(wParam);
        if (index < 0 || index >= int(s->Columns.size()))
            return FALSE;
        LVSetColumnWidth(hwnd, index, int(int16_t(LOWORD(WPARAM(lParam)))));
        return TRUE;
    }
    case LVM_GETHEADER:
        return reinterpret_cast<LRESULT>(LVOf(hwnd)->Header);
    case LVM_GETBKCOLOR:
        return LVOf(hwnd)->Bk == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : LVOf(hwnd)->Bk;
    case LVM_SETBKCOLOR:
        LVOf(hwnd)->Bk = COLORREF(lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_GETTEXTCOLOR:
        return LVTextColor(LVOf(hwnd));
    case LVM_SETTEXTCOLOR:
        LVOf(hwnd)->Text = COLORREF(lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_GETTEXTBKCOLOR:
        return LVOf(hwnd)->TextBk;
    case LVM_SETTEXTBKCOLOR:
        LVOf(hwnd)->TextBk = COLORREF(lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_SETIMAGELIST: {
        ListViewState* s = LVOf(hwnd);
        if (wParam > LVSIL_STATE)
            return 0;
        HIMAGELIST old = s->Images[wParam];
        s->Images[wParam] = reinterpret_cast<HIMAGELIST>(lParam);
        LVInitItemHeight(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST:
        return wParam <= LVSIL_STATE ? reinterpret_cast<LRESULT>(LVOf(hwnd)->Images[wParam]) : 0;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        ListViewState* s = LVOf(hwnd);
        DWORD old = s->ExStyle;
        DWORD mask = wParam ? DWORD(wParam) : 0xFFFFFFFF;
        s->ExStyle = (s->ExStyle & ~mask) | (DWORD(lParam) & mask);
        if ((s->ExStyle & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
            for (LVRow& row : s->Rows)
                if (!(row.State & LVIS_STATEIMAGEMASK))
                    row.State |= ListViewUnchecked;
        LVInitItemHeight(hwnd);
        InvalidateRect(hwnd, nullptr, TRUE);
        return LRESULT(old);
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return LRESULT(LVOf(hwnd)->ExStyle);
    case LVM_EDITLABEL:
        return reinterpret_cast<LRESULT>(LVEditLabel(hwnd, int(intptr_t(wParam))));
    case LVM_GETEDITCONTROL:
        return reinterpret_cast<LRESULT>(LVOf(hwnd)->LabelEdit);
    case ListViewEndLabelMessage:
        if (reinterpret_cast<HWND>(lParam) == LVOf(hwnd)->LabelEdit)
            LVEndLabelEdit(hwnd, wParam != 0);
        return 0;
    case WM_TIMER:
        if (wParam == ListViewLabelTimer) {
            KillTimer(hwnd, ListViewLabelTimer);
            int index = LVOf(hwnd)->PendingLabel;
            LVOf(hwnd)->PendingLabel = -1;
            if (index >= 0 && GetFocus() == hwnd)
                LVEditLabel(hwnd, index);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        KillTimer(hwnd, ListViewLabelTimer);
        FreeState<ListViewState>(hwnd, ListViewProp);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterListViewClass() {
    RegisterControlClass(WC_LISTVIEW, WithContextMenu<ListViewProc>, CS_DBLCLKS);
}

} // namespace win::ctl
