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

// One list view window: its columns, rows and view state, and its message handlers.
class ListViewWindow final : public ControlWindow {
public:
    explicit ListViewWindow(HWND hwnd) : ControlWindow(hwnd) {}

protected:
    void OnCreate() override;
    void OnSize() override;
    void OnPaint(HDC dc) override;
    void OnSetFocus() override;
    void OnKillFocus() override;
    void OnSetFont(HFONT font, bool redraw) override;
    HFONT OnGetFont() override;
    bool OnKeyDown(WPARAM key) override;
    bool OnMouseDown(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnScroll(bool vertical, WPARAM request) override;
    bool OnMouseWheel(int delta, WPARAM keys) override;
    bool OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    std::optional<LRESULT> OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FocusChanged(bool focused);
    bool Valid(int i) const;
    COLORREF Bk() const;
    COLORREF TextColor() const;
    int HeaderHeight();
    TRect RowsRect();
    int PerPage();
    int TotalWidth() const;
    int ColumnLeft(int column) const;
    TRect RowRect(int index);
    TRect StateRect(int index);
    TRect IconRect(int index);
    TRect LabelRect(int index, bool toText);
    TRect SubItemRect(int index, int column);
    void InvalidateRow(int index);
    void UpdateScrollBars();
    void LayoutHeader();
    void SetTop(int top);
    void SetScrollX(int x);
    void EnsureVisible(int index);
    bool ChangeState(int index, UINT state, UINT mask);
    void SelectOnly(int index);
    void SelectRange(int a, int b, bool keepOthers);
    int FocusedItem() const;
    void ToggleCheck(int index);
    int HitTest(TPoint p, UINT* flags, int* subItem);
    LRESULT NotifyClick(UINT code, int index, int subItem, TPoint p);
    void EndLabelEdit(bool keep);
    HWND EditLabel(int index);
    void MouseDown(WPARAM keys, TPoint p, bool right);
    void Key(WPARAM key);
    LRESULT CustomDraw(DWORD stage, HDC dc, const TRect& rc, int item, UINT itemState, COLORREF* text,
                       COLORREF* textBk);
    void PaintRow(HDC dc, int index, bool notifyItems);
    void Paint(HDC dc);
    void InitItemHeight();
    void SyncHeaderItem(int column, bool insert);
    int AutoWidth(int column, bool useHeader);
    void SetColumnWidth(int column, int width);
    int InsertItem(const LVITEM* item);
    BOOL DeleteItem(int index);
    BOOL DeleteAll();
    BOOL GetItem(LVITEM* item);
    BOOL SetItem(const LVITEM* item);
    LRESULT GetNextItem(int start, UINT flags);
    LRESULT HeaderNotify(NMHDR* hdr);
    // The list view's own messages that take more than a line.
    LRESULT GetItemText(WPARAM wParam, LPARAM lParam);
    LRESULT SetItemText(WPARAM wParam, LPARAM lParam);
    LRESULT SetItemState(WPARAM wParam, LPARAM lParam);
    LRESULT GetItemRect(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT SubItemHitTest(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Scroll(WPARAM wParam, LPARAM lParam);
    LRESULT SortItems(WPARAM wParam, LPARAM lParam);
    LRESULT InsertColumn(WPARAM wParam, LPARAM lParam);
    LRESULT DeleteColumn(WPARAM wParam, LPARAM lParam);
    LRESULT GetColumn(WPARAM wParam, LPARAM lParam);
    LRESULT SetColumn(WPARAM wParam, LPARAM lParam);
    LRESULT SetImageList(WPARAM wParam, LPARAM lParam);
    LRESULT SetExtendedStyle(WPARAM wParam, LPARAM lParam);

    HWND FHeader = nullptr;
    std::vector<LVColumn> FColumns;
    std::vector<LVRow> FRows;
    int FTop = 0;
    int FScrollX = 0;
    int FItemHeight = 17;
    COLORREF FBkColor = CLR_DEFAULT;
    COLORREF FTextColor = CLR_DEFAULT;
    COLORREF FTextBkColor = CLR_DEFAULT;
    DWORD FExStyle = 0;
    HIMAGELIST FImages[3] = {nullptr, nullptr, nullptr};
    HFONT FFont = nullptr;
    bool FFocused = false;
    int FAnchor = -1;
    bool FDeleting = false;
    HWND FLabelEdit = nullptr; // the in-place edit of a label
    int FLabelItem = -1;       // whose label it edits
    int FPendingLabel = -1;    // a click on a focused item: its label edit starts unless a double click comes
};

constexpr const char* ListViewLabelEditProcProp = "LoomwickListViewLabelEditProc";
// Posted by the label edit to its list view: end the edit (wParam: keep the text).
constexpr UINT ListViewEndLabelMessage = 0x0400 + 0x7F4;
constexpr UINT_PTR ListViewLabelTimer = 0x4C42;

bool ListViewWindow::Valid(int i) const {
    return i >= 0 && i < int(FRows.size());
}

COLORREF ListViewWindow::Bk() const {
    return FBkColor == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : FBkColor;
}
COLORREF ListViewWindow::TextColor() const {
    return FTextColor == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : FTextColor;
}

int ListViewWindow::HeaderHeight() {
    if (!FHeader || !IsWindowVisible(FHeader))
        return 0;
    TRect r;
    GetWindowRect(FHeader, &r);
    return r.Height();
}

// The rows area of the client rectangle.
TRect ListViewWindow::RowsRect() {
    TRect r;
    GetClientRect(FWnd, &r);
    r.Top += HeaderHeight();
    return r;
}

int ListViewWindow::PerPage() {
    TRect r = RowsRect();
    return std::max(1, int(r.Height()) / std::max(1, FItemHeight));
}

int ListViewWindow::TotalWidth() const {
    int w = 0;
    for (const LVColumn& c : FColumns)
        w += c.Width;
    return w;
}

int ListViewWindow::ColumnLeft(int column) const {
    int x = -FScrollX;
    for (int i = 0; i < column; ++i)
        x += FColumns[size_t(i)].Width;
    return x;
}

TRect ListViewWindow::RowRect(int index) {
    TRect rows = RowsRect();
    int y = rows.Top + (index - FTop) * FItemHeight;
    int width = std::max(TotalWidth(), int(rows.Width()) + FScrollX);
    return {-FScrollX, y, -FScrollX + width, y + FItemHeight};
}

// Parts of the first column: state image (check box), small image, then the label.
TRect ListViewWindow::StateRect(int index) {
    TRect row = RowRect(index);
    int left = ColumnLeft(0) + FRows[size_t(index)].Indent * 16;
    int w = (FExStyle & LVS_EX_CHECKBOXES) ? ListViewCheckBox : 0;
    return {left, row.Top, left + w, row.Bottom};
}

TRect ListViewWindow::IconRect(int index) {
    TRect st = StateRect(index);
    int w = 0;
    if (FImages[LVSIL_SMALL]) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(FImages[LVSIL_SMALL], &cx, &cy);
        w = cx + 2;
    }
    return {st.Right, st.Top, st.Right + w, st.Bottom};
}

TRect ListViewWindow::LabelRect(int index, bool toText) {
    TRect icon = IconRect(index);
    int colRight = FColumns.empty() ? icon.Right + 100 : ColumnLeft(0) + FColumns[0].Width;
    TRect label{icon.Right, icon.Top, std::max(int(icon.Right), colRight), icon.Bottom};
    if (toText) {
        HDC dc = GetDC(FWnd);
        HGDIOBJ old = SelectObject(dc, ControlFont(FFont));
        int w = TextWidth(dc, FRows[size_t(index)].Texts[0]) + 2 * ListViewTextMargin;
        SelectObject(dc, old);
        ReleaseDC(FWnd, dc);
        label.Right = std::min(int(label.Right), int(label.Left) + w);
    }
    return label;
}

TRect ListViewWindow::SubItemRect(int index, int column) {
    TRect row = RowRect(index);
    if (column <= 0 || column >= int(FColumns.size()))
        return {ColumnLeft(0), row.Top, row.Right, row.Bottom};
    int left = ColumnLeft(column);
    return {left, row.Top, left + FColumns[size_t(column)].Width, row.Bottom};
}

void ListViewWindow::InvalidateRow(int index) {
    if (!Valid(index))
        return;
    TRect r = RowRect(index);
    TRect client;
    GetClientRect(FWnd, &client);
    r.Left = client.Left;
    r.Right = client.Right;
    InvalidateRect(FWnd, &r, TRUE);
}

void ListViewWindow::UpdateScrollBars() {
    if (Style(FWnd) & LVS_NOSCROLL)
        return;
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, int(FRows.size()) - 1);
    si.nPage = UINT(PerPage());
    si.nPos = FTop;
    SetScrollInfo(FWnd, SB_VERT, &si, TRUE);
    TRect r = RowsRect();
    si.nMax = std::max(0, TotalWidth() - 1);
    si.nPage = UINT(std::max(1, int(r.Width())));
    si.nPos = FScrollX;
    SetScrollInfo(FWnd, SB_HORZ, &si, TRUE);
}

void ListViewWindow::LayoutHeader() {
    if (!FHeader)
        return;
    TRect r;
    GetClientRect(FWnd, &r);
    WINDOWPOS pos;
    HDLAYOUT layout;
    layout.prc = &r;
    layout.pwpos = &pos;
    SendMessage(FHeader, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
    SetWindowPos(FHeader, nullptr, pos.x, pos.y, pos.cx, pos.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessage(FHeader, HeaderScrollMessage, WPARAM(FScrollX), 0);
}

void ListViewWindow::SetTop(int top) {
    int maxTop = std::max(0, int(FRows.size()) - PerPage());
    top = std::clamp(top, 0, maxTop);
    if (top == FTop)
        return;
    FTop = top;
    InvalidateRect(FWnd, nullptr, TRUE);
    UpdateScrollBars();
}

void ListViewWindow::SetScrollX(int x) {
    TRect r = RowsRect();
    x = std::clamp(x, 0, std::max(0, TotalWidth() - int(r.Width())));
    if (x == FScrollX)
        return;
    FScrollX = x;
    InvalidateRect(FWnd, nullptr, TRUE);
    if (FHeader)
        SendMessage(FHeader, HeaderScrollMessage, WPARAM(x), 0);
    UpdateScrollBars();
}

void ListViewWindow::EnsureVisible(int index) {
    if (!Valid(index))
        return;
    if (index < FTop)
        SetTop(index);
    else if (index >= FTop + PerPage())
        SetTop(index - PerPage() + 1);
}

// Changes an item's state through LVN_ITEMCHANGING (which may refuse) and LVN_ITEMCHANGED.
bool ListViewWindow::ChangeState(int index, UINT state, UINT mask) {
    if (!Valid(index))
        return false;
    LVRow& row = FRows[size_t(index)];
    UINT next = (row.State & ~mask) | (state & mask);
    if (next == row.State)
        return true;
    NMLISTVIEW nm;
    nm.iItem = index;
    nm.uChanged = LVIF_STATE;
    nm.uOldState = row.State;
    nm.uNewState = next;
    nm.lParam = row.Param;
    if (Notify(FWnd, LVN_ITEMCHANGING, &nm.hdr))
        return false;
    if (!Valid(index))
        return false;
    // One item has the focus.
    if ((next & LVIS_FOCUSED) && !(FRows[size_t(index)].State & LVIS_FOCUSED))
        for (int i = 0; i < int(FRows.size()); ++i)
            if (i != index && (FRows[size_t(i)].State & LVIS_FOCUSED))
                ChangeState(i, 0, LVIS_FOCUSED);
    if (!Valid(index))
        return false;
    FRows[size_t(index)].State = next;
    InvalidateRow(index);
    nm.uOldState = row.State == next ? nm.uOldState : nm.uOldState;
    Notify(FWnd, LVN_ITEMCHANGED, &nm.hdr);
    return true;
}

void ListViewWindow::SelectOnly(int index) {
    for (int i = 0; i < int(FRows.size()); ++i)
        if (i != index && (FRows[size_t(i)].State & LVIS_SELECTED))
            ChangeState(i, 0, LVIS_SELECTED);
    if (Valid(index))
        ChangeState(index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void ListViewWindow::SelectRange(int a, int b, bool keepOthers) {
    int lo = std::min(a, b), hi = std::max(a, b);
    for (int i = 0; i < int(FRows.size()); ++i) {
        bool in = i >= lo && i <= hi;
        if (in)
            ChangeState(i, LVIS_SELECTED, LVIS_SELECTED);
        else if (!keepOthers)
            ChangeState(i, 0, LVIS_SELECTED);
    }
}

int ListViewWindow::FocusedItem() const {
    for (int i = 0; i < int(FRows.size()); ++i)
        if (FRows[size_t(i)].State & LVIS_FOCUSED)
            return i;
    return -1;
}

void ListViewWindow::ToggleCheck(int index) {
    if (!Valid(index))
        return;
    UINT image = FRows[size_t(index)].State & LVIS_STATEIMAGEMASK;
    ChangeState(index, image == ListViewChecked ? ListViewUnchecked : ListViewChecked, LVIS_STATEIMAGEMASK);
}

// Hit test of a client point.
int ListViewWindow::HitTest(TPoint p, UINT* flags, int* subItem) {
    TRect rows = RowsRect();
    *flags = LVHT_NOWHERE;
    if (subItem)
        *subItem = 0;
    if (p.Y < rows.Top) {
        *flags = LVHT_ABOVE;
        return -1;
    }
    int index = FTop + (p.Y - rows.Top) / std::max(1, FItemHeight);
    if (index >= int(FRows.size())) {
        *flags = LVHT_BELOW;
        return -1;
    }
    if (subItem) {
        for (int c = 0; c < int(FColumns.size()); ++c) {
            int left = ColumnLeft(c);
            if (p.X >= left && p.X < left + FColumns[size_t(c)].Width)
                *subItem = c;
        }
    }
    TRect st = StateRect(index), icon = IconRect(index);
    TRect label = LabelRect(index, !(FExStyle & LVS_EX_FULLROWSELECT));
    if (p.X >= st.Left && p.X < st.Right)
        *flags = LVHT_ONITEMSTATEICON;
    else if (p.X >= icon.Left && p.X < icon.Right)
        *flags = LVHT_ONITEMICON;
    else if (p.X >= label.Left && p.X < label.Right)
        *flags = LVHT_ONITEMLABEL;
    else if ((FExStyle & LVS_EX_FULLROWSELECT) && p.X >= ColumnLeft(0) && p.X < ColumnLeft(0) + TotalWidth())
        *flags = LVHT_ONITEMLABEL;
    else {
        *flags = LVHT_NOWHERE;
        return subItem ? index : -1;
    }
    return index;
}

LRESULT ListViewWindow::NotifyClick(UINT code, int index, int subItem, TPoint p) {
    NMITEMACTIVATE nm;
    nm.iItem = index;
    nm.iSubItem = subItem;
    nm.ptAction = p;
    nm.lParam = Valid(index) ? FRows[size_t(index)].Param : 0;
    return Notify(FWnd, code, &nm.hdr);
}

// The label edit ends: its text goes to LVN_ENDLABELEDIT (null when cancelled), and a non-zero answer
// makes it the item's caption.
void ListViewWindow::EndLabelEdit(bool keep) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
    HWND edit = FLabelEdit;
    if (!edit)
        return;
    int index = FLabelItem;
    FLabelEdit = nullptr;
    FLabelItem = -1;
    std::string text = GetWindowTextString(edit);
    bool hadFocus = GetFocus() == edit;
    DestroyWindow(edit);
    if (hadFocus)
        SetFocus(hwnd);
    if (!Valid(index))
        return;
    NMLVDISPINFO di;
    di.item.mask = LVIF_TEXT | LVIF_PARAM;
    di.item.iItem = index;
    di.item.pszText = keep ? text.data() : nullptr;
    di.item.lParam = FRows[size_t(index)].Param;
    if (Notify(hwnd, LVN_ENDLABELEDIT, &di.hdr) && keep && IsWindow(hwnd) && Valid(index)) {
        LVITEM item;
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = text.data();
        SetItem(&item);
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
HWND ListViewWindow::EditLabel(int index) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
    EndLabelEdit(true);
    FPendingLabel = -1;
    KillTimer(hwnd, ListViewLabelTimer);
    if (!IsWindow(hwnd) || !Valid(index))
        return nullptr;
    if (GetFocus() != hwnd)
        SetFocus(hwnd);
    EnsureVisible(index);
    std::string caption = FRows[size_t(index)].Texts[0];
    NMLVDISPINFO di;
    di.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    di.item.iItem = index;
    di.item.pszText = caption.data();
    di.item.state = FRows[size_t(index)].State;
    di.item.lParam = FRows[size_t(index)].Param;
    if (Notify(hwnd, LVN_BEGINLABELEDIT, &di.hdr) || !IsWindow(hwnd) || !Valid(index))
        return nullptr;
    TRect r = LabelRect(index, false);
    HWND edit = CreateWindowEx(0, WC_EDIT, caption.c_str(),
                               WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, r.Left, r.Top,
                               std::max(40, int(r.Width())), r.Height(), hwnd, nullptr, nullptr, nullptr);
    if (!edit)
        return nullptr;
    SendMessage(edit, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont(FFont)), 0);
    LONG_PTR old = SetWindowLong(edit, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CALLBACK_ListViewLabelEdit));
    SetProp(edit, ListViewLabelEditProcProp, reinterpret_cast<HANDLE>(old));
    FLabelEdit = edit;
    FLabelItem = index;
    SendMessage(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
    return edit;
}

void ListViewWindow::MouseDown(WPARAM keys, TPoint p, bool right) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
    bool hadFocus = GetFocus() == hwnd;
    if (!hadFocus)
        SetFocus(hwnd);
    UINT flags;
    int sub = 0;
    int index = HitTest(p, &flags, &sub);
    if (!(flags & LVHT_ONITEM))
        index = -1;
    bool ctrl = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
    // A second plain click on the label of the focused, selected item edits the label, once no double
    // click followed.
    const UINT selectedFocused = LVIS_SELECTED | LVIS_FOCUSED;
    if ((Style(hwnd) & LVS_EDITLABELS) && !right && !ctrl && !shift && hadFocus &&
        (flags & LVHT_ONITEMLABEL) && (FRows[size_t(index)].State & selectedFocused) == selectedFocused) {
        FPendingLabel = index;
        SetTimer(hwnd, ListViewLabelTimer, GetDoubleClickTime(), nullptr);
    }
    bool single = (Style(hwnd) & LVS_SINGLESEL) != 0;
    if (index < 0) {
        if (!ctrl && !right)
            SelectOnly(-1);
    } else if ((flags & LVHT_ONITEMSTATEICON) && (FExStyle & LVS_EX_CHECKBOXES) && !right) {
        ToggleCheck(index);
    } else if (right) {
        // A right click keeps a selection it lands in.
        if (!(FRows[size_t(index)].State & LVIS_SELECTED))
            SelectOnly(index);
        else
            ChangeState(index, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (single || (!ctrl && !shift)) {
        SelectOnly(index);
        FAnchor = index;
    } else if (shift) {
        SelectRange(FAnchor < 0 ? index : FAnchor, index, ctrl);
        ChangeState(index, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        bool selected = (FRows[size_t(index)].State & LVIS_SELECTED) != 0;
        ChangeState(index, (selected ? 0 : LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        FAnchor = index;
    }
    if (IsWindow(hwnd))
        NotifyClick(right ? NM_RCLICK : NM_CLICK, index, sub, p);
}

void ListViewWindow::Key(WPARAM key) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
    NMLVKEYDOWN nm;
    nm.wVKey = WORD(key);
    Notify(hwnd, LVN_KEYDOWN, &nm.hdr);
    if (!IsWindow(hwnd) || FRows.empty())
        return;
    int focus = FocusedItem();
    int count = int(FRows.size());
    int to;
    switch (int(key)) {
    case VK_UP:
        to = focus < 0 ? 0 : focus - 1;
        break;
    case VK_DOWN:
        to = focus < 0 ? 0 : focus + 1;
        break;
    case VK_PRIOR:
        to = focus - PerPage();
        break;
    case VK_NEXT:
        to = focus + PerPage();
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
        if (FExStyle & LVS_EX_CHECKBOXES)
            ToggleCheck(focus);
        else if (KeyDown(VK_CONTROL) && !(Style(hwnd) & LVS_SINGLESEL))
            ChangeState(focus, (FRows[size_t(focus)].State & LVIS_SELECTED) ? 0 : LVIS_SELECTED,
                        LVIS_SELECTED);
        else
            ChangeState(focus, LVIS_SELECTED, LVIS_SELECTED);
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
        if (FAnchor < 0)
            FAnchor = focus < 0 ? to : focus;
        SelectRange(FAnchor, to, false);
        ChangeState(to, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (KeyDown(VK_CONTROL) && !single) {
        ChangeState(to, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        SelectOnly(to);
        FAnchor = to;
    }
    EnsureVisible(to);
}

LRESULT ListViewWindow::CustomDraw(DWORD stage, HDC dc, const TRect& rc, int item, UINT itemState, COLORREF* text,
                             COLORREF* textBk) {
    NMLVCUSTOMDRAW cd;
    cd.nmcd.dwDrawStage = stage;
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = rc;
    cd.nmcd.dwItemSpec = DWORD_PTR(std::max(item, 0));
    cd.nmcd.uItemState = itemState;
    cd.nmcd.lItemlParam = Valid(item) ? FRows[size_t(item)].Param : 0;
    cd.clrText = text ? *text : 0;
    cd.clrTextBk = textBk ? *textBk : 0;
    LRESULT r = Notify(FWnd, NM_CUSTOMDRAW, &cd.nmcd.hdr);
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

void ListViewWindow::PaintRow(HDC dc, int index, bool notifyItems) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
    const LVRow& row = FRows[size_t(index)];
    TRect rowRect = RowRect(index);
    bool selected = (row.State & LVIS_SELECTED) && (FFocused || (Style(hwnd) & LVS_SHOWSELALWAYS));
    COLORREF selBack = FFocused ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_BTNFACE);
    COLORREF selText = FFocused ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_BTNTEXT);
    COLORREF text = TextColor();
    COLORREF textBk = FTextBkColor == CLR_DEFAULT ? Bk() : FTextBkColor;
    UINT cdState = ((row.State & LVIS_SELECTED) ? CDIS_SELECTED : 0) |
                   ((row.State & LVIS_FOCUSED) && FFocused ? CDIS_FOCUS : 0);
    LRESULT cd = CDRF_DODEFAULT;
    HGDIOBJ customFont = nullptr;
    if (notifyItems) {
        int saved = SaveDC(dc);
        cd = CustomDraw(CDDS_ITEMPREPAINT, dc, rowRect, index, cdState, &text, &textBk);
        if (!IsWindow(hwnd) || !Valid(index)) {
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
    bool fullRow = (FExStyle & LVS_EX_FULLROWSELECT) != 0;
    for (int c = 0; c < std::max(1, int(FColumns.size())); ++c) {
        TRect cell = SubItemRect(index, c);
        if (c == 0 && !FColumns.empty())
            cell.Right = ColumnLeft(0) + FColumns[0].Width;
        const std::string& str = c < int(row.Texts.size()) ? row.Texts[size_t(c)] : std::string();
        int format = c < int(FColumns.size()) ? FColumns[size_t(c)].Format : LVCFMT_LEFT;
        if (c == 0) {
            if (FExStyle & LVS_EX_CHECKBOXES) {
                TRect st = StateRect(index);
                int top = st.Top + (st.Height() - ListViewCheckSize) / 2;
                TRect box{st.Left + 2, top, st.Left + 2 + ListViewCheckSize, top + ListViewCheckSize};
                bool checked = (row.State & LVIS_STATEIMAGEMASK) == ListViewChecked;
                DrawFrameControl(dc, &box, DFC_BUTTON,
                                 DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
            }
            TRect icon = IconRect(index);
            if (FImages[LVSIL_SMALL] && row.Image >= 0) {
                int cx = 0, cy = 0;
                ImageList_GetIconSize(FImages[LVSIL_SMALL], &cx, &cy);
                ImageList_Draw(FImages[LVSIL_SMALL], row.Image, dc, icon.Left,
                               icon.Top + (icon.Height() - cy) / 2,
                               ILD_TRANSPARENT | (selected ? ILD_BLEND50 : 0));
            }
            TRect label = LabelRect(index, !fullRow);
            label.Right = std::min(label.Right, cell.Right);
            if (selected) {
                Fill(dc,
                     fullRow ? TRect{label.Left, rowRect.Top, ColumnLeft(0) + TotalWidth(), rowRect.Bottom}
                             : label,
                     selBack);
            } else if (FTextBkColor != CLR_DEFAULT && FTextBkColor != CLR_NONE) {
                Fill(dc, label, textBk);
            }
            SetTextColor(dc, selected ? selText : text);
            TRect textRect{label.Left, cell.Top, cell.Right, cell.Bottom};
            LVDrawText(dc, str, textRect, format);
            if ((row.State & LVIS_FOCUSED) && FFocused) {
                TRect fr = fullRow
                               ? TRect{label.Left, rowRect.Top, ColumnLeft(0) + TotalWidth(), rowRect.Bottom}
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
        CustomDraw(CDDS_ITEMPOSTPAINT, dc, rowRect, index, cdState, nullptr, nullptr);
}

void ListViewWindow::Paint(HDC dc) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
    TRect client;
    GetClientRect(hwnd, &client);
    TRect rows = RowsRect();
    if (FBkColor != CLR_NONE)
        Fill(dc, client, Bk());
    HGDIOBJ old = SelectObject(dc, ControlFont(FFont));
    LRESULT pre = CustomDraw(CDDS_PREPAINT, dc, client, -1, 0, nullptr, nullptr);
    if (!IsWindow(hwnd))
        return;
    if (!(pre & CDRF_SKIPDEFAULT)) {
        IntersectClipRect(dc, rows.Left, rows.Top, rows.Right, rows.Bottom);
        for (int i = FTop; i < int(FRows.size()); ++i) {
            TRect r = RowRect(i);
            if (r.Top >= rows.Bottom)
                break;
            PaintRow(dc, i, (pre & CDRF_NOTIFYITEMDRAW) != 0);
            if (!IsWindow(hwnd))
                return;
        }
        if (FExStyle & LVS_EX_GRIDLINES) {
            HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
            HGDIOBJ op = SelectObject(dc, pen);
            for (int y = rows.Top + FItemHeight - 1; y < rows.Bottom; y += FItemHeight) {
                MoveToEx(dc, rows.Left, y, nullptr);
                LineTo(dc, rows.Right, y);
            }
            int x = -FScrollX;
            for (const LVColumn& c : FColumns) {
                x += c.Width;
                MoveToEx(dc, x - 1, rows.Top, nullptr);
                LineTo(dc, x - 1, rows.Bottom);
            }
            SelectObject(dc, op);
            DeleteObject(pen);
        }
    }
    if (pre & CDRF_NOTIFYPOSTPAINT)
        CustomDraw(CDDS_POSTPAINT, dc, client, -1, 0, nullptr, nullptr);
    SelectObject(dc, old);
}

void ListViewWindow::InitItemHeight() {
    HDC dc = GetDC(FWnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(FFont));
    int h = LineHeight(dc) + 4;
    SelectObject(dc, old);
    ReleaseDC(FWnd, dc);
    if (FImages[LVSIL_SMALL]) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(FImages[LVSIL_SMALL], &cx, &cy);
        h = std::max(h, cy + 1);
    }
    if (FExStyle & LVS_EX_CHECKBOXES)
        h = std::max(h, ListViewCheckSize + 2);
    FItemHeight = h;
}

void ListViewWindow::SyncHeaderItem(int column, bool insert) {
    if (!FHeader)
        return;
    const LVColumn& c = FColumns[size_t(column)];
    HDITEM hdi;
    hdi.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
    hdi.cxy = c.Width;
    std::string text = c.Text;
    hdi.pszText = text.data();
    hdi.fmt = HDF_STRING | (c.Format & LVCFMT_JUSTIFYMASK);
    if (insert) {
        SendMessage(FHeader, HDM_INSERTITEM, WPARAM(column), reinterpret_cast<LPARAM>(&hdi));
        return;
    }
    // Keep the flags the header's owner may have set (owner draw, sort arrows).
    HDITEM current;
    current.mask = HDI_FORMAT;
    SendMessage(FHeader, HDM_GETITEM, WPARAM(column), reinterpret_cast<LPARAM>(&current));
    hdi.fmt = (current.fmt & ~HDF_JUSTIFYMASK) | (c.Format & LVCFMT_JUSTIFYMASK);
    SendMessage(FHeader, HDM_SETITEM, WPARAM(column), reinterpret_cast<LPARAM>(&hdi));
}

int ListViewWindow::AutoWidth(int column, bool useHeader) {
    HDC dc = GetDC(FWnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(FFont));
    int w = useHeader ? TextWidth(dc, FColumns[size_t(column)].Text) + 2 * ListViewTextMargin + 8 : 0;
    for (size_t i = 0; i < FRows.size(); ++i) {
        const LVRow& row = FRows[i];
        int extra = 0;
        if (column == 0) {
            TRect st = StateRect(int(i)), icon = IconRect(int(i));
            extra = icon.Right - st.Left;
        }
        if (size_t(column) < row.Texts.size())
            w = std::max(w, TextWidth(dc, row.Texts[size_t(column)]) + 2 * ListViewTextMargin + extra);
    }
    SelectObject(dc, old);
    ReleaseDC(FWnd, dc);
    return w;
}

void ListViewWindow::SetColumnWidth(int column, int width) {
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
        width = AutoWidth(column, width == LVSCW_AUTOSIZE_USEHEADER);
    FColumns[size_t(column)].Width = std::max(0, width);
    SyncHeaderItem(column, false);
    InvalidateRect(FWnd, nullptr, TRUE);
    UpdateScrollBars();
}

int ListViewWindow::InsertItem(const LVITEM* item) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
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
    if ((FExStyle & LVS_EX_CHECKBOXES) && !(row.State & LVIS_STATEIMAGEMASK))
        row.State |= ListViewUnchecked;
    int count = int(FRows.size());
    int index = std::clamp(item->iItem, 0, count);
    DWORD style = Style(hwnd);
    if (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        bool asc = (style & LVS_SORTASCENDING) != 0;
        index = 0;
        while (index < count) {
            int cmp = 0;
            const std::string& a = FRows[size_t(index)].Texts[0];
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
    FRows.insert(FRows.begin() + index, row);
    if (FAnchor >= index)
        ++FAnchor;
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateScrollBars();
    NMLISTVIEW nm;
    nm.iItem = index;
    nm.lParam = row.Param;
    Notify(hwnd, LVN_INSERTITEM, &nm.hdr);
    // Selected or focused state given at insertion goes through the change notifications.
    if ((item->mask & LVIF_STATE) && (item->state & item->stateMask & (LVIS_FOCUSED | LVIS_SELECTED)) &&
        IsWindow(hwnd))
        ChangeState(index, item->state, item->stateMask & (LVIS_FOCUSED | LVIS_SELECTED));
    return index;
}

BOOL ListViewWindow::DeleteItem(int index) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
    if (!Valid(index))
        return FALSE;
    EndLabelEdit(false); // its item may move or go
    NMLISTVIEW nm;
    nm.iItem = index;
    nm.lParam = FRows[size_t(index)].Param;
    Notify(hwnd, LVN_DELETEITEM, &nm.hdr);
    if (!IsWindow(hwnd) || !Valid(index))
        return FALSE;
    FRows.erase(FRows.begin() + index);
    if (FAnchor == index)
        FAnchor = -1;
    else if (FAnchor > index)
        --FAnchor;
    SetTop(FTop);
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateScrollBars();
    return TRUE;
}

BOOL ListViewWindow::DeleteAll() {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
    EndLabelEdit(false);
    if (FRows.empty())
        return TRUE;
    NMLISTVIEW nm;
    nm.iItem = -1;
    // An answer of TRUE means the owner needs no LVN_DELETEITEM per item.
    bool quiet = Notify(hwnd, LVN_DELETEALLITEMS, &nm.hdr) != 0;
    if (!IsWindow(hwnd))
        return FALSE;
    if (!quiet)
        for (int i = int(FRows.size()) - 1; i >= 0; --i) {
            NMLISTVIEW each;
            each.iItem = i;
            each.lParam = FRows[size_t(i)].Param;
            Notify(hwnd, LVN_DELETEITEM, &each.hdr);
            if (!IsWindow(hwnd))
                return FALSE;
        }
    FRows.clear();
    FTop = 0;
    FAnchor = -1;
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateScrollBars();
    return TRUE;
}

void LVCopyText(const std::string& text, char* out, int size) {
    if (!out || size <= 0)
        return;
    size_t n = std::min(text.size(), size_t(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = 0;
}

BOOL ListViewWindow::GetItem(LVITEM* item) {
    if (!item || !Valid(item->iItem))
        return FALSE;
    const LVRow& row = FRows[size_t(item->iItem)];
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

BOOL ListViewWindow::SetItem(const LVITEM* item) {
    if (!item || !Valid(item->iItem) || item->iSubItem < 0)
        return FALSE;
    LVRow& row = FRows[size_t(item->iItem)];
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
    InvalidateRow(item->iItem);
    if ((item->mask & LVIF_STATE) && item->iSubItem == 0)
        return ChangeState(item->iItem, item->state, item->stateMask) ? TRUE : FALSE;
    return TRUE;
}

LRESULT ListViewWindow::GetNextItem(int start, UINT flags) {
    int count = int(FRows.size());
    auto matches = [&](int i) {
        UINT st = FRows[size_t(i)].State;
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
LRESULT ListViewWindow::HeaderNotify(NMHDR* hdr) {
    const HWND hwnd = FWnd; // a notification may destroy the window, and this object with it
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
        nm->iItem < int(FColumns.size())) {
        FColumns[size_t(nm->iItem)].Width = nm->pitem->cxy;
        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateScrollBars();
    } else if (hdr->code == HDN_DIVIDERDBLCLICK && !answer && nm->iItem >= 0 &&
               nm->iItem < int(FColumns.size())) {
        SetColumnWidth(nm->iItem, LVSCW_AUTOSIZE);
    }
    return answer;
}

// ---- Messages -------------------------------------------------------------------------------------------

void ListViewWindow::OnCreate() {
    InitItemHeight();
    if (!(Style(FWnd) & LVS_NOCOLUMNHEADER))
        FHeader = CreateWindowEx(0, WC_HEADER, "",
                                 WS_CHILD | WS_VISIBLE | HDS_HORZ |
                                     ((Style(FWnd) & LVS_NOSORTHEADER) ? 0 : HDS_BUTTONS),
                                 0, 0, 0, 0, FWnd, nullptr, nullptr, nullptr);
    LayoutHeader();
    UpdateScrollBars();
}

void ListViewWindow::OnSize() {
    LayoutHeader();
    SetTop(FTop);
    SetScrollX(FScrollX);
    UpdateScrollBars();
    InvalidateRect(FWnd, nullptr, TRUE);
}

void ListViewWindow::OnPaint(HDC dc) {
    Paint(dc);
}

void ListViewWindow::OnSetFocus() {
    FocusChanged(true);
}

void ListViewWindow::OnKillFocus() {
    FocusChanged(false);
}

void ListViewWindow::FocusChanged(bool focused) {
    FFocused = focused;
    InvalidateRect(FWnd, nullptr, TRUE);
    NMHDR hdr;
    Notify(FWnd, focused ? NM_SETFOCUS : NM_KILLFOCUS, &hdr);
}

void ListViewWindow::OnSetFont(HFONT font, bool redraw) {
    FFont = font;
    if (FHeader)
        SendMessage(FHeader, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    InitItemHeight();
    LayoutHeader();
    UpdateScrollBars();
    if (redraw)
        InvalidateRect(FWnd, nullptr, TRUE);
}

HFONT ListViewWindow::OnGetFont() {
    return FFont;
}

bool ListViewWindow::OnMouseDown(MouseButton button, WPARAM keys, TPoint p) {
    if (button == MouseButton::Middle)
        return false;
    MouseDown(keys, p, button == MouseButton::Right);
    return true;
}

bool ListViewWindow::OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) {
    if (button == MouseButton::Middle)
        return false;
    FPendingLabel = -1;
    KillTimer(FWnd, ListViewLabelTimer);
    UINT flags;
    int sub = 0;
    int index = HitTest(p, &flags, &sub);
    if (!(flags & LVHT_ONITEM))
        index = -1;
    if ((flags & LVHT_ONITEMSTATEICON) && (FExStyle & LVS_EX_CHECKBOXES) && button == MouseButton::Left)
        ToggleCheck(index);
    NotifyClick(button == MouseButton::Left ? NM_DBLCLK : NM_RDBLCLK, index, sub, p);
    return true;
}

bool ListViewWindow::OnKeyDown(WPARAM key) {
    Key(key);
    return true;
}

bool ListViewWindow::OnScroll(bool vertical, WPARAM request) {
    int page = vertical ? PerPage() : int(RowsRect().Width());
    int line = vertical ? 1 : 8;
    int value = vertical ? FTop : FScrollX;
    if (!ScrollRequestTarget(request, value, line, page, 1 << 30, &value))
        return true;
    if (vertical)
        SetTop(value);
    else
        SetScrollX(value);
    return true;
}

bool ListViewWindow::OnMouseWheel(int delta, WPARAM keys) {
    SetTop(FTop - 3 * (delta / WHEEL_DELTA));
    return true;
}

bool ListViewWindow::OnTimer(UINT_PTR id) {
    if (id != ListViewLabelTimer)
        return false;
    // No double click came: the click on the focused item starts its label edit.
    KillTimer(FWnd, ListViewLabelTimer);
    int index = FPendingLabel;
    FPendingLabel = -1;
    if (index >= 0 && GetFocus() == FWnd)
        EditLabel(index);
    return true;
}

void ListViewWindow::OnDestroy() {
    KillTimer(FWnd, ListViewLabelTimer);
}

std::optional<LRESULT> ListViewWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr && hdr->hwndFrom == FHeader)
            return HeaderNotify(hdr);
        return 0;
    }
    case WM_DRAWITEM: {
        // The header's owner-drawn sections are drawn by the list view's parent.
        if (HWND parent = GetParent(FWnd))
            return SendMessage(parent, msg, wParam, lParam);
        return 0;
    }
    case LVM_GETITEMCOUNT:
        return LRESULT(FRows.size());
    case LVM_INSERTITEM:
        return InsertItem(reinterpret_cast<const LVITEM*>(lParam));
    case LVM_DELETEITEM:
        return DeleteItem(int(wParam));
    case LVM_DELETEALLITEMS:
        return DeleteAll();
    case LVM_GETITEM:
        return GetItem(reinterpret_cast<LVITEM*>(lParam));
    case LVM_SETITEM:
        return SetItem(reinterpret_cast<const LVITEM*>(lParam));
    case LVM_GETITEMTEXT:
        return GetItemText(wParam, lParam);
    case LVM_SETITEMTEXT:
        return SetItemText(wParam, lParam);
    case LVM_GETITEMSTATE: {
        return Valid(int(wParam)) ? LRESULT(FRows[wParam].State & UINT(lParam)) : 0;
    }
    case LVM_SETITEMSTATE:
        return SetItemState(wParam, lParam);
    case LVM_GETNEXTITEM:
        return GetNextItem(int(intptr_t(wParam)), UINT(lParam));
    case LVM_GETSELECTEDCOUNT: {
        return std::count_if(FRows.begin(), FRows.end(),
                             [](const LVRow& r) { return r.State & LVIS_SELECTED; });
    }
    case LVM_GETITEMRECT:
    case LVM_GETSUBITEMRECT:
        return GetItemRect(msg, wParam, lParam);
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST:
        return SubItemHitTest(msg, wParam, lParam);
    case LVM_ENSUREVISIBLE:
        EnsureVisible(int(wParam));
        return TRUE;
    case LVM_SCROLL:
        return Scroll(wParam, lParam);
    case LVM_GETTOPINDEX:
        return FTop;
    case LVM_GETCOUNTPERPAGE:
        return PerPage();
    case LVM_REDRAWITEMS:
        for (int i = int(wParam); i <= int(lParam); ++i)
            InvalidateRow(i);
        return TRUE;
    case LVM_UPDATE:
        InvalidateRow(int(wParam));
        UpdateWindow(FWnd);
        return TRUE;
    case LVM_SORTITEMS:
        return SortItems(wParam, lParam);
    case LVM_INSERTCOLUMN:
        return InsertColumn(wParam, lParam);
    case LVM_DELETECOLUMN:
        return DeleteColumn(wParam, lParam);
    case LVM_GETCOLUMN:
        return GetColumn(wParam, lParam);
    case LVM_SETCOLUMN:
        return SetColumn(wParam, lParam);
    case LVM_GETCOLUMNWIDTH: {
        int index = int(wParam);
        return index >= 0 && index < int(FColumns.size()) ? FColumns[size_t(index)].Width : 0;
    }
    case LVM_SETCOLUMNWIDTH: {
        int index = int(wParam);
        if (index < 0 || index >= int(FColumns.size()))
            return FALSE;
        SetColumnWidth(index, int(int16_t(LOWORD(WPARAM(lParam)))));
        return TRUE;
    }
    case LVM_GETHEADER:
        return reinterpret_cast<LRESULT>(FHeader);
    case LVM_GETBKCOLOR:
        return FBkColor == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : FBkColor;
    case LVM_SETBKCOLOR:
        FBkColor = COLORREF(lParam);
        InvalidateRect(FWnd, nullptr, TRUE);
        return TRUE;
    case LVM_GETTEXTCOLOR:
        return TextColor();
    case LVM_SETTEXTCOLOR:
        FTextColor = COLORREF(lParam);
        InvalidateRect(FWnd, nullptr, TRUE);
        return TRUE;
    case LVM_GETTEXTBKCOLOR:
        return FTextBkColor;
    case LVM_SETTEXTBKCOLOR:
        FTextBkColor = COLORREF(lParam);
        InvalidateRect(FWnd, nullptr, TRUE);
        return TRUE;
    case LVM_SETIMAGELIST:
        return SetImageList(wParam, lParam);
    case LVM_GETIMAGELIST:
        return wParam <= LVSIL_STATE ? reinterpret_cast<LRESULT>(FImages[wParam]) : 0;
    case LVM_SETEXTENDEDLISTVIEWSTYLE:
        return SetExtendedStyle(wParam, lParam);
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return LRESULT(FExStyle);
    case LVM_EDITLABEL:
        return reinterpret_cast<LRESULT>(EditLabel(int(intptr_t(wParam))));
    case LVM_GETEDITCONTROL:
        return reinterpret_cast<LRESULT>(FLabelEdit);
    case ListViewEndLabelMessage:
        if (reinterpret_cast<HWND>(lParam) == FLabelEdit)
            EndLabelEdit(wParam != 0);
        return 0;
    default:
        return std::nullopt;
    }
}

LRESULT ListViewWindow::GetItemText(WPARAM wParam, LPARAM lParam) {
    auto* item = reinterpret_cast<LVITEM*>(lParam);
    if (!item || !Valid(int(wParam)))
        return 0;
    const LVRow& row = FRows[wParam];
    std::string text = item->iSubItem >= 0 && size_t(item->iSubItem) < row.Texts.size()
                           ? row.Texts[size_t(item->iSubItem)]
                           : std::string();
    LVCopyText(text, item->pszText, item->cchTextMax);
    return LRESULT(std::min(text.size(), size_t(std::max(0, item->cchTextMax - 1))));
}

LRESULT ListViewWindow::SetItemText(WPARAM wParam, LPARAM lParam) {
    auto* item = reinterpret_cast<const LVITEM*>(lParam);
    if (!item)
        return FALSE;
    LVITEM copy = *item;
    copy.iItem = int(wParam);
    copy.mask = LVIF_TEXT;
    return SetItem(&copy);
}

LRESULT ListViewWindow::SetItemState(WPARAM wParam, LPARAM lParam) {
    auto* item = reinterpret_cast<const LVITEM*>(lParam);
    if (!item)
        return FALSE;
    int index = int(intptr_t(wParam));
    if (index == -1) {
        for (int i = 0; i < int(FRows.size()); ++i)
            ChangeState(i, item->state, item->stateMask);
        return TRUE;
    }
    return ChangeState(index, item->state, item->stateMask) ? TRUE : FALSE;
}

LRESULT ListViewWindow::GetItemRect(UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* r = reinterpret_cast<TRect*>(lParam);
    int index = int(wParam);
    if (!r || !Valid(index))
        return FALSE;
    int code = r->Left;
    int sub = msg == LVM_GETSUBITEMRECT ? r->Top : 0;
    if (sub > 0) {
        *r = SubItemRect(index, sub);
        return TRUE;
    }
    switch (code) {
    case LVIR_ICON:
        *r = IconRect(index);
        break;
    case LVIR_LABEL:
        *r = LabelRect(index, false);
        break;
    case LVIR_SELECTBOUNDS: {
        TRect a = IconRect(index), b = LabelRect(index, false);
        *r = {a.Left, a.Top, b.Right, b.Bottom};
        break;
    }
    default:
        *r = RowRect(index);
        break;
    }
    return TRUE;
}

LRESULT ListViewWindow::SubItemHitTest(UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
    if (!info)
        return -1;
    int sub = 0;
    info->iItem = HitTest(info->pt, &info->flags, msg == LVM_SUBITEMHITTEST ? &sub : nullptr);
    if (msg == LVM_SUBITEMHITTEST)
        info->iSubItem = sub;
    if (!(info->flags & LVHT_ONITEM) && msg == LVM_HITTEST)
        info->iItem = -1;
    return info->iItem;
}

LRESULT ListViewWindow::Scroll(WPARAM wParam, LPARAM lParam) {
    // dy in pixels, rounded to whole rows.
    int rows = int(lParam) / std::max(1, FItemHeight);
    if (int(lParam) % std::max(1, FItemHeight))
        rows += int(lParam) > 0 ? 1 : -1;
    SetTop(FTop + rows);
    SetScrollX(FScrollX + int(intptr_t(wParam)));
    return TRUE;
}

LRESULT ListViewWindow::SortItems(WPARAM wParam, LPARAM lParam) {
    auto compare = reinterpret_cast<PFNLVCOMPARE>(lParam);
    if (!compare)
        return FALSE;
    LPARAM sortParam = LPARAM(wParam);
    std::stable_sort(FRows.begin(), FRows.end(), [&](const LVRow& a, const LVRow& b) {
        return compare(a.Param, b.Param, sortParam) < 0;
    });
    FAnchor = -1;
    InvalidateRect(FWnd, nullptr, TRUE);
    return TRUE;
}

LRESULT ListViewWindow::InsertColumn(WPARAM wParam, LPARAM lParam) {
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
    int index = std::clamp(int(wParam), 0, int(FColumns.size()));
    c.SubItem = (col->mask & LVCF_SUBITEM) ? col->iSubItem : index;
    // The first column is always left-aligned.
    if (index == 0)
        c.Format &= ~LVCFMT_JUSTIFYMASK;
    FColumns.insert(FColumns.begin() + index, c);
    for (LVRow& row : FRows)
        if (size_t(index) < row.Texts.size() && index > 0)
            row.Texts.insert(row.Texts.begin() + index, std::string());
    SyncHeaderItem(index, true);
    InvalidateRect(FWnd, nullptr, TRUE);
    UpdateScrollBars();
    return index;
}

LRESULT ListViewWindow::DeleteColumn(WPARAM wParam, LPARAM lParam) {
    int index = int(wParam);
    if (index < 0 || index >= int(FColumns.size()))
        return FALSE;
    FColumns.erase(FColumns.begin() + index);
    for (LVRow& row : FRows)
        if (index > 0 && size_t(index) < row.Texts.size())
            row.Texts.erase(row.Texts.begin() + index);
    if (FHeader)
        SendMessage(FHeader, HDM_DELETEITEM, WPARAM(index), 0);
    InvalidateRect(FWnd, nullptr, TRUE);
    UpdateScrollBars();
    return TRUE;
}

LRESULT ListViewWindow::GetColumn(WPARAM wParam, LPARAM lParam) {
    auto* col = reinterpret_cast<LVCOLUMN*>(lParam);
    int index = int(wParam);
    if (!col || index < 0 || index >= int(FColumns.size()))
        return FALSE;
    const LVColumn& c = FColumns[size_t(index)];
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

LRESULT ListViewWindow::SetColumn(WPARAM wParam, LPARAM lParam) {
    auto* col = reinterpret_cast<const LVCOLUMN*>(lParam);
    int index = int(wParam);
    if (!col || index < 0 || index >= int(FColumns.size()))
        return FALSE;
    LVColumn& c = FColumns[size_t(index)];
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
    SyncHeaderItem(index, false);
    InvalidateRect(FWnd, nullptr, TRUE);
    UpdateScrollBars();
    return TRUE;
}

LRESULT ListViewWindow::SetImageList(WPARAM wParam, LPARAM lParam) {
    if (wParam > LVSIL_STATE)
        return 0;
    HIMAGELIST old = FImages[wParam];
    FImages[wParam] = reinterpret_cast<HIMAGELIST>(lParam);
    InitItemHeight();
    InvalidateRect(FWnd, nullptr, TRUE);
    return reinterpret_cast<LRESULT>(old);
}

LRESULT ListViewWindow::SetExtendedStyle(WPARAM wParam, LPARAM lParam) {
    DWORD old = FExStyle;
    DWORD mask = wParam ? DWORD(wParam) : 0xFFFFFFFF;
    FExStyle = (FExStyle & ~mask) | (DWORD(lParam) & mask);
    if ((FExStyle & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
        for (LVRow& row : FRows)
            if (!(row.State & LVIS_STATEIMAGEMASK))
                row.State |= ListViewUnchecked;
    InitItemHeight();
    InvalidateRect(FWnd, nullptr, TRUE);
    return LRESULT(old);
}

} // namespace

void RegisterListViewClass() {
    RegisterControlClass(WC_LISTVIEW, WithContextMenu<ControlProc<ListViewWindow>>, CS_DBLCLKS);
}

} // namespace win::ctl
