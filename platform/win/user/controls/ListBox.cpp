// The "LISTBOX" class: a scrolling list of strings (or owner-drawn items) with single, multiple or
// extended selection, item data, sorting and a horizontal extent.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace win::ctl {

namespace {

// One list box window: its items and selection (ListBoxState), and its message handlers. A combo box's
// drop-down list is one too.
class ListBoxWindow final : public CaptureTrackingWindow, public ListBoxState {
public:
    explicit ListBoxWindow(HWND hwnd) : CaptureTrackingWindow(hwnd) {}

protected:
    void OnCreate() override;
    void OnSize() override;
    void OnEnable(bool enabled) override;
    void OnPaint(HDC dc) override;
    void OnSetFocus() override;
    void OnKillFocus() override;
    void OnSetFont(HFONT font, bool redraw) override;
    HFONT OnGetFont() override;
    bool OnKeyDown(WPARAM key) override;
    bool OnChar(WPARAM ch) override;
    bool OnMouseDown(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnMouseMove(WPARAM keys, TPoint p) override;
    bool OnScroll(bool vertical, WPARAM request) override;
    bool OnMouseWheel(int delta, WPARAM keys) override;
    void OnDestroy() override;
    std::optional<LRESULT> OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
};

ListBoxState* ListOf(HWND hwnd) {
    return ControlOf<ListBoxWindow>(hwnd);
}

bool ListOwnerDraw(HWND hwnd) {
    return (Style(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
}
bool ListHasStrings(HWND hwnd) {
    return !ListOwnerDraw(hwnd) || (Style(hwnd) & LBS_HASSTRINGS);
}
bool ListMulti(HWND hwnd) {
    return (Style(hwnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
}
bool ListValid(const ListBoxState* s, WPARAM i) {
    return i < s->Items.size();
}

int ListCompareNoCase(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(uint8_t(a[i])), cb = std::tolower(uint8_t(b[i]));
        if (ca != cb)
            return ca - cb;
    }
    return int(a.size()) - int(b.size());
}

// The owner's answer to WM_MEASUREITEM for one item (or for all, with a fixed height).
int ListMeasure(HWND hwnd, int index, UINT_PTR data) {
    MEASUREITEMSTRUCT mis;
    mis.CtlType = ODT_LISTBOX;
    mis.CtlID = UINT(ControlId(hwnd));
    mis.itemID = UINT(index);
    mis.itemHeight = UINT(ListOf(hwnd)->ItemHeight);
    mis.itemData = data;
    if (HWND target = NotifyTarget(hwnd))
        SendMessage(target, WM_MEASUREITEM, WPARAM(mis.CtlID), reinterpret_cast<LPARAM>(&mis));
    return std::max(1, int(mis.itemHeight));
}

int ListItemHeight(HWND hwnd, int index) {
    ListBoxState* s = ListOf(hwnd);
    if ((Style(hwnd) & LBS_OWNERDRAWVARIABLE) && index >= 0 && index < int(s->Items.size()))
        return s->Items[size_t(index)].Height;
    return s->ItemHeight;
}

// Items whose whole height fits from Top on.
int ListVisibleCount(HWND hwnd) {
    ListBoxState* s = ListOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    int y = 0, count = 0;
    for (int i = s->Top; i < int(s->Items.size()); ++i) {
        y += ListItemHeight(hwnd, i);
        if (y > r.Height())
            break;
        ++count;
    }
    if (count == 0 && s->ItemHeight > 0)
        count = std::max(1, int(r.Height()) / s->ItemHeight);
    return std::max(1, count);
}

void ListUpdateScrollBars(HWND hwnd) {
    ListBoxState* s = ListOf(hwnd);
    DWORD style = Style(hwnd);
    if (style & WS_VSCROLL) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | ((style & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
        si.nMin = 0;
        si.nMax = std::max(0, int(s->Items.size()) - 1);
        si.nPage = UINT(ListVisibleCount(hwnd));
        si.nPos = s->Top;
        SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    }
    if (style & WS_HSCROLL) {
        TRect r;
        GetClientRect(hwnd, &r);
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | ((style & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
        si.nMin = 0;
        si.nMax = s->HorzExtent > r.Width() ? s->HorzExtent - 1 : 0;
        si.nPage = UINT(std::max(1, int(r.Width())));
        si.nPos = s->ScrollX;
        SetScrollInfo(hwnd, SB_HORZ, &si, TRUE);
    }
}

void ListSetTop(HWND hwnd, int top) {
    ListBoxState* s = ListOf(hwnd);
    int count = int(s->Items.size());
    TRect client;
    GetClientRect(hwnd, &client);
    // The last full page: as many items as the client area holds, whatever the top is now.
    int maxTop = std::max(0, count - std::max(1, int(client.Height()) / std::max(1, s->ItemHeight)));
    // With variable heights recompute the last full page from the end.
    if (Style(hwnd) & LBS_OWNERDRAWVARIABLE) {
        TRect r;
        GetClientRect(hwnd, &r);
        int y = 0;
        maxTop = count;
        while (maxTop > 0 && y + ListItemHeight(hwnd, maxTop - 1) <= r.Height())
            y += ListItemHeight(hwnd, --maxTop);
    }
    top = std::clamp(top, 0, std::max(0, maxTop));
    if (top == s->Top)
        return;
    s->Top = top;
    InvalidateRect(hwnd, nullptr, TRUE);
    ListUpdateScrollBars(hwnd);
}

void ListEnsureVisible(HWND hwnd, int index) {
    ListBoxState* s = ListOf(hwnd);
    if (index < 0 || index >= int(s->Items.size()))
        return;
    if (index < s->Top) {
        ListSetTop(hwnd, index);
        return;
    }
    int visible = ListVisibleCount(hwnd);
    if (index >= s->Top + visible) {
        if (Style(hwnd) & LBS_OWNERDRAWVARIABLE) {
            TRect r;
            GetClientRect(hwnd, &r);
            int top = index, y = ListItemHeight(hwnd, index);
            while (top > 0 && y + ListItemHeight(hwnd, top - 1) <= r.Height())
                y += ListItemHeight(hwnd, --top);
            ListSetTop(hwnd, top);
        } else {
            ListSetTop(hwnd, index - visible + 1);
        }
    }
}

TRect ListItemRect(HWND hwnd, int index) {
    ListBoxState* s = ListOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    int y = 0;
    if (index >= s->Top)
        for (int i = s->Top; i < index; ++i)
            y += ListItemHeight(hwnd, i);
    else
        for (int i = index; i < s->Top; ++i)
            y -= ListItemHeight(hwnd, i);
    return {r.Left - s->ScrollX, y, std::max(int(r.Right), s->HorzExtent) - s->ScrollX,
            y + ListItemHeight(hwnd, index)};
}

// The item under a client point; outside the items: -1.
int ListItemAt(HWND hwnd, TPoint p, bool clampToLast) {
    ListBoxState* s = ListOf(hwnd);
    if (p.Y < 0)
        return clampToLast && !s->Items.empty() ? std::max(0, s->Top - 1) : -1;
    int y = 0;
    for (int i = s->Top; i < int(s->Items.size()); ++i) {
        int h = ListItemHeight(hwnd, i);
        if (p.Y < y + h)
            return i;
        y += h;
    }
    return clampToLast && !s->Items.empty() ? int(s->Items.size()) - 1 : -1;
}

void ListInvalidateItem(HWND hwnd, int index) {
    if (index < 0)
        return;
    TRect r = ListItemRect(hwnd, index);
    InvalidateRect(hwnd, &r, TRUE);
}

void ListNotify(HWND hwnd, WORD code) {
    if (Style(hwnd) & LBS_NOTIFY)
        NotifyCommand(hwnd, code);
}

void ListSetCaret(HWND hwnd, int index) {
    ListBoxState* s = ListOf(hwnd);
    if (index == s->Caret)
        return;
    ListInvalidateItem(hwnd, s->Caret);
    s->Caret = index;
    ListInvalidateItem(hwnd, index);
}

// Single selection: select index (-1: none); returns whether it changed.
bool ListSelectSingle(HWND hwnd, int index) {
    ListBoxState* s = ListOf(hwnd);
    bool changed = index != s->Cur;
    if (changed) {
        ListInvalidateItem(hwnd, s->Cur);
        s->Cur = index;
        ListInvalidateItem(hwnd, index);
    }
    ListSetCaret(hwnd, index);
    ListEnsureVisible(hwnd, index);
    return changed;
}

bool ListSetSelected(HWND hwnd, int index, bool selected) {
    ListBoxState* s = ListOf(hwnd);
    if (!ListValid(s, WPARAM(index)) || s->Items[size_t(index)].Selected == selected)
        return false;
    s->Items[size_t(index)].Selected = selected;
    ListInvalidateItem(hwnd, index);
    return true;
}

// Extended selection: exactly the range a..b selected.
bool ListSelectRange(HWND hwnd, int a, int b) {
    ListBoxState* s = ListOf(hwnd);
    bool changed = false;
    int lo = std::min(a, b), hi = std::max(a, b);
    for (int i = 0; i < int(s->Items.size()); ++i)
        changed |= ListSetSelected(hwnd, i, i >= lo && i <= hi);
    return changed;
}

int ListInsert(HWND hwnd, int index, LPARAM lParam) {
    ListBoxState* s = ListOf(hwnd);
    ListBoxItem item;
    if (ListHasStrings(hwnd))
        item.Text = lParam ? reinterpret_cast<const char*>(lParam) : "";
    else
        item.Data = lParam;
    int count = int(s->Items.size());
    if (index < 0 || index > count)
        index = count;
    if ((Style(hwnd) & LBS_SORT) && ListHasStrings(hwnd)) {
        index = 0;
        while (index < count && ListCompareNoCase(s->Items[size_t(index)].Text, item.Text) <= 0)
            ++index;
    }
    if (Style(hwnd) & LBS_OWNERDRAWVARIABLE) {
        item.Height = ListMeasure(hwnd, index, UINT_PTR(ListHasStrings(hwnd) ? 0 : lParam));
    }
    s->Items.insert(s->Items.begin() + index, item);
    if (s->Cur >= index)
        ++s->Cur;
    if (s->Caret >= index && s->Caret >= 0 && count > 0)
        ++s->Caret;
    if (s->Anchor >= index)
        ++s->Anchor;
    if (!(Style(hwnd) & LBS_NOREDRAW))
        InvalidateRect(hwnd, nullptr, TRUE);
    ListUpdateScrollBars(hwnd);
    return index;
}

void ListSendDelete(HWND hwnd, int index) {
    ListBoxState* s = ListOf(hwnd);
    if (!ListOwnerDraw(hwnd) && s->Items[size_t(index)].Data == 0)
        return;
    DELETEITEMSTRUCT dis;
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = UINT(ControlId(hwnd));
    dis.itemID = UINT(index);
    dis.hwndItem = hwnd;
    dis.itemData = UINT_PTR(s->Items[size_t(index)].Data);
    if (HWND target = NotifyTarget(hwnd))
        SendMessage(target, WM_DELETEITEM, WPARAM(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
}

LRESULT ListDelete(HWND hwnd, WPARAM index) {
    ListBoxState* s = ListOf(hwnd);
    if (!ListValid(s, index))
        return LB_ERR;
    int i = int(index);
    ListSendDelete(hwnd, i);
    s->Items.erase(s->Items.begin() + i);
    auto shift = [i](int& v) {
        if (v == i)
            v = -1;
        else if (v > i)
            --v;
    };
    shift(s->Cur);
    shift(s->Caret);
    shift(s->Anchor);
    ListSetTop(hwnd, s->Top);
    InvalidateRect(hwnd, nullptr, TRUE);
    ListUpdateScrollBars(hwnd);
    return LRESULT(s->Items.size());
}

void ListReset(HWND hwnd) {
    ListBoxState* s = ListOf(hwnd);
    for (int i = int(s->Items.size()) - 1; i >= 0; --i)
        ListSendDelete(hwnd, i);
    s->Items.clear();
    s->Cur = s->Caret = s->Anchor = -1;
    s->Top = 0;
    s->ScrollX = 0;
    InvalidateRect(hwnd, nullptr, TRUE);
    ListUpdateScrollBars(hwnd);
}

LRESULT ListFind(HWND hwnd, WPARAM startAfter, LPARAM text, bool exact) {
    ListBoxState* s = ListOf(hwnd);
    int count = int(s->Items.size());
    if (count == 0)
        return LB_ERR;
    int start = (int(intptr_t(startAfter)) < 0 || int(startAfter) >= count) ? -1 : int(startAfter);
    for (int k = 1; k <= count; ++k) {
        int i = (start + k) % count;
        const ListBoxItem& item = s->Items[size_t(i)];
        if (!ListHasStrings(hwnd)) {
            if (item.Data == text)
                return i;
            continue;
        }
        std::string want = text ? reinterpret_cast<const char*>(text) : "";
        if (exact ? ListCompareNoCase(item.Text, want) == 0
                  : (item.Text.size() >= want.size() &&
                     ListCompareNoCase(item.Text.substr(0, want.size()), want) == 0))
            return i;
    }
    return LB_ERR;
}

// The next tab stop after x pixels from the text's start.
int ListNextTabStop(const ListBoxState* s, int x, int charWidth) {
    auto px = [charWidth](int du) { return std::max(1, MulDiv(du, charWidth, 4)); };
    int last = 0, gap = px(32);
    for (size_t i = 0; i < s->TabStops.size(); ++i) {
        const int stop = px(s->TabStops[i]);
        if (stop > x)
            return stop;
        gap = std::max(1, s->TabStops.size() == 1 ? stop : stop - last);
        last = stop;
    }
    return last + ((x - last) / gap + 1) * gap;
}

// A line with tabs: each piece drawn where the tab before it leads.
void ListDrawTabbedText(HWND hwnd, HDC dc, const std::string& text, const TRect& box, UINT format) {
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    const int charWidth = std::max<int>(1, tm.tmAveCharWidth);
    int x = 0;
    size_t from = 0;
    for (;;) {
        const size_t tab = std::min(text.find('\t', from), text.size());
        TRect piece{box.Left + x, box.Top, box.Right, box.Bottom};
        if (piece.Left < piece.Right)
            DrawText(dc, text.c_str() + from, int(tab - from), &piece, format);
        if (tab == text.size())
            return;
        SIZE size{};
        GetTextExtentPoint32(dc, text.c_str() + from, int(tab - from), &size);
        x = ListNextTabStop(ListOf(hwnd), x + size.cx, charWidth);
        from = tab + 1;
    }
}

void ListDrawItem(HWND hwnd, HDC dc, int index, const TRect& r) {
    ListBoxState* s = ListOf(hwnd);
    const ListBoxItem& item = s->Items[size_t(index)];
    bool selected = ListMulti(hwnd) ? item.Selected : index == s->Cur;
    bool focus = s->Focused && index == s->Caret;
    if (ListOwnerDraw(hwnd)) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_LISTBOX;
        dis.CtlID = UINT(ControlId(hwnd));
        dis.itemID = UINT(index);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (selected ? ODS_SELECTED : 0) | (focus ? ODS_FOCUS : 0) |
                        (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED);
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        dis.rcItem = r;
        dis.itemData = UINT_PTR(item.Data);
        if (HWND target = NotifyTarget(hwnd))
            SendMessage(target, WM_DRAWITEM, WPARAM(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
        return;
    }
    if (selected) {
        FillSys(dc, r, COLOR_HIGHLIGHT);
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    }
    SetBkMode(dc, TRANSPARENT);
    TRect tr{r.Left + 2, r.Top, r.Right, r.Bottom};
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (Style(hwnd) & LBS_USETABSTOPS)
        ListDrawTabbedText(hwnd, dc, item.Text, tr, format);
    else
        DrawText(dc, item.Text.c_str(), int(item.Text.size()), &tr, format);
    if (focus) {
        TRect fr = r;
        DrawFocusRect(dc, &fr);
    }
}

void ListPaint(HWND hwnd, HDC dc) {
    ListBoxState* s = ListOf(hwnd);
    TRect client;
    GetClientRect(hwnd, &client);
    HBRUSH brush = ParentColorBrush(hwnd, WM_CTLCOLORLISTBOX, dc, COLOR_WINDOW);
    FillRect(dc, &client, brush);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    for (int i = s->Top; i < int(s->Items.size()); ++i) {
        TRect r = ListItemRect(hwnd, i);
        if (r.Top >= client.Bottom)
            break;
        ListDrawItem(hwnd, dc, i, r);
    }
    // An empty focused list still shows where the focus is.
    if (s->Items.empty() && s->Focused) {
        TRect fr{client.Left, client.Top, client.Right, client.Top + s->ItemHeight};
        DrawFocusRect(dc, &fr);
    }
    SelectObject(dc, old);
}

// A click or a drag over index with the given modifier keys.
void ListMouseSelect(HWND hwnd, int index, bool shift, bool ctrl, bool down) {
    ListBoxState* s = ListOf(hwnd);
    if (index < 0)
        return;
    DWORD style = Style(hwnd);
    bool changed = false;
    if (style & LBS_NOSEL) {
        ListSetCaret(hwnd, index);
        return;
    }
    if (style & LBS_EXTENDEDSEL) {
        if (down && !shift) {
            s->Anchor = index;
            s->AddMode = ctrl;
            s->AddValue = ctrl ? !s->Items[size_t(index)].Selected : true;
        }
        if (s->AddMode) {
            changed = ListSetSelected(hwnd, index, s->AddValue);
        } else {
            changed = ListSelectRange(hwnd, s->Anchor < 0 ? index : s->Anchor, index);
        }
        ListSetCaret(hwnd, index);
        ListEnsureVisible(hwnd, index);
    } else if (style & LBS_MULTIPLESEL) {
        if (down)
            changed = ListSetSelected(hwnd, index, !s->Items[size_t(index)].Selected);
        ListSetCaret(hwnd, index);
    } else {
        changed = ListSelectSingle(hwnd, index);
    }
    if (changed)
        ListNotify(hwnd, LBN_SELCHANGE);
}

void ListKey(HWND hwnd, int key) {
    ListBoxState* s = ListOf(hwnd);
    int count = int(s->Items.size());
    if (count == 0)
        return;
    int from = ListMulti(hwnd) ? s->Caret : s->Cur;
    if (from < 0)
        from = s->Caret >= 0 ? s->Caret : 0;
    int page = std::max(1, ListVisibleCount(hwnd) - 1);
    int to;
    switch (key) {
    case VK_UP:
        to = from - 1;
        break;
    case VK_DOWN:
        to = (ListMulti(hwnd) ? s->Caret : s->Cur) < 0 ? 0 : from + 1;
        break;
    case VK_PRIOR:
        to = from - page;
        break;
    case VK_NEXT:
        to = from + page;
        break;
    case VK_HOME:
        to = 0;
        break;
    case VK_END:
        to = count - 1;
        break;
    case VK_SPACE:
        if (Style(hwnd) & LBS_MULTIPLESEL) {
            int c = std::max(0, s->Caret);
            if (ListSetSelected(hwnd, c, !s->Items[size_t(c)].Selected))
                ListNotify(hwnd, LBN_SELCHANGE);
        }
        return;
    default:
        return;
    }
    to = std::clamp(to, 0, count - 1);
    DWORD style = Style(hwnd);
    if (style & LBS_MULTIPLESEL) {
        ListSetCaret(hwnd, to);
        ListEnsureVisible(hwnd, to);
        return;
    }
    if (style & LBS_EXTENDEDSEL) {
        bool shift = KeyDown(VK_SHIFT);
        if (!shift)
            s->Anchor = to;
        s->AddMode = false;
        bool changed = ListSelectRange(hwnd, s->Anchor < 0 ? to : s->Anchor, to);
        ListSetCaret(hwnd, to);
        ListEnsureVisible(hwnd, to);
        if (changed)
            ListNotify(hwnd, LBN_SELCHANGE);
        return;
    }
    if (ListSelectSingle(hwnd, to))
        ListNotify(hwnd, LBN_SELCHANGE);
}

// Typing a character selects the next item starting with it.
void ListCharSearch(HWND hwnd, WPARAM ch) {
    ListBoxState* s = ListOf(hwnd);
    if (!ListHasStrings(hwnd) || ch < 32)
        return;
    char text[2] = {char(ch), 0};
    LRESULT found = ListFind(hwnd, WPARAM(intptr_t(ListMulti(hwnd) ? s->Caret : s->Cur)),
                             reinterpret_cast<LPARAM>(text), false);
    if (found == LB_ERR)
        return;
    if (ListMulti(hwnd)) {
        ListSetCaret(hwnd, int(found));
        ListEnsureVisible(hwnd, int(found));
    } else if (ListSelectSingle(hwnd, int(found))) {
        ListNotify(hwnd, LBN_SELCHANGE);
    }
}

void ListScroll(HWND hwnd, bool vertical, WPARAM request) {
    ListBoxState* s = ListOf(hwnd);
    if (vertical) {
        int top = s->Top;
        if (ScrollRequestTarget(request, top, 1, ListVisibleCount(hwnd), int(s->Items.size()), &top))
            ListSetTop(hwnd, top);
        return;
    }
    TRect r;
    GetClientRect(hwnd, &r);
    int x = s->ScrollX;
    if (!ScrollRequestTarget(request, x, 8, int(r.Width()), s->HorzExtent, &x))
        return;
    x = std::clamp(x, 0, std::max(0, s->HorzExtent - int(r.Width())));
    if (x != s->ScrollX) {
        s->ScrollX = x;
        InvalidateRect(hwnd, nullptr, TRUE);
        ListUpdateScrollBars(hwnd);
    }
}

void ListInitHeight(HWND hwnd) {
    ListBoxState* s = ListOf(hwnd);
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    s->ItemHeight = LineHeight(dc);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    if (Style(hwnd) & LBS_OWNERDRAWFIXED)
        s->ItemHeight = ListMeasure(hwnd, 0, 0);
}

// ---- Messages -------------------------------------------------------------------------------------------

void ListBoxWindow::OnCreate() {
    ListInitHeight(FWnd);
    ListUpdateScrollBars(FWnd);
}

void ListBoxWindow::OnSize() {
    ListSetTop(FWnd, Top);
    ListUpdateScrollBars(FWnd);
}

void ListBoxWindow::OnEnable(bool enabled) {
    InvalidateRect(FWnd, nullptr, TRUE);
}

void ListBoxWindow::OnPaint(HDC dc) {
    ListPaint(FWnd, dc);
}

void ListBoxWindow::OnSetFocus() {
    Focused = true;
    ListInvalidateItem(FWnd, std::max(0, Caret));
    ListNotify(FWnd, LBN_SETFOCUS);
}

void ListBoxWindow::OnKillFocus() {
    Focused = false;
    InvalidateRect(FWnd, nullptr, TRUE);
    ListNotify(FWnd, LBN_KILLFOCUS);
}

void ListBoxWindow::OnSetFont(HFONT font, bool redraw) {
    Font = font;
    ListInitHeight(FWnd);
    ListUpdateScrollBars(FWnd);
    if (redraw)
        InvalidateRect(FWnd, nullptr, TRUE);
}

HFONT ListBoxWindow::OnGetFont() {
    return Font;
}

bool ListBoxWindow::OnKeyDown(WPARAM key) {
    ListKey(FWnd, int(key));
    return true;
}

bool ListBoxWindow::OnChar(WPARAM ch) {
    ListCharSearch(FWnd, ch);
    return true;
}

bool ListBoxWindow::OnMouseDown(MouseButton button, WPARAM keys, TPoint p) {
    if (button != MouseButton::Left)
        return false;
    if (GetFocus() != FWnd)
        SetFocus(FWnd);
    int index = ListItemAt(FWnd, p, false);
    ListMouseSelect(FWnd, index, (keys & MK_SHIFT) != 0, (keys & MK_CONTROL) != 0, true);
    BeginTracking();
    return true;
}

bool ListBoxWindow::OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) {
    if (button != MouseButton::Left)
        return false;
    if (ListItemAt(FWnd, p, false) >= 0)
        ListNotify(FWnd, LBN_DBLCLK);
    return true;
}

bool ListBoxWindow::OnMouseMove(WPARAM keys, TPoint p) {
    // Dragging moves the selection, except where each click toggles an item.
    if (Tracking && (keys & MK_LBUTTON) && !(Style(FWnd) & LBS_MULTIPLESEL))
        ListMouseSelect(FWnd, ListItemAt(FWnd, p, true), true, false, false);
    return true;
}

bool ListBoxWindow::OnScroll(bool vertical, WPARAM request) {
    ListScroll(FWnd, vertical, request);
    return true;
}

bool ListBoxWindow::OnMouseWheel(int delta, WPARAM keys) {
    ListSetTop(FWnd, Top - 3 * (delta / WHEEL_DELTA));
    return true;
}

void ListBoxWindow::OnDestroy() {
    // The owner of owner-drawn items hears of each one going.
    for (int i = int(Items.size()) - 1; i >= 0; --i)
        ListSendDelete(FWnd, i);
}

std::optional<LRESULT> ListBoxWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case LB_ADDSTRING:
        return ListInsert(FWnd, -1, lParam);
    case LB_INSERTSTRING:
        return ListInsert(FWnd, int(intptr_t(wParam)), lParam);
    case LB_DELETESTRING:
        return ListDelete(FWnd, wParam);
    case LB_RESETCONTENT:
        ListReset(FWnd);
        return 0;
    case LB_GETCOUNT:
        return LRESULT(Items.size());
    case LB_GETTEXT: {
        if (!ListValid(this, wParam) || !lParam)
            return LB_ERR;
        const ListBoxItem& item = Items[wParam];
        if (!ListHasStrings(FWnd)) {
            std::memcpy(reinterpret_cast<void*>(lParam), &item.Data, sizeof(item.Data));
            return sizeof(item.Data);
        }
        std::memcpy(reinterpret_cast<char*>(lParam), item.Text.c_str(), item.Text.size() + 1);
        return LRESULT(item.Text.size());
    }
    case LB_GETTEXTLEN: {
        if (!ListValid(this, wParam))
            return LB_ERR;
        return ListHasStrings(FWnd) ? LRESULT(Items[wParam].Text.size()) : LRESULT(sizeof(LPARAM));
    }
    case LB_GETITEMDATA: {
        return ListValid(this, wParam) ? Items[wParam].Data : LB_ERR;
    }
    case LB_SETITEMDATA: {
        if (!ListValid(this, wParam))
            return LB_ERR;
        Items[wParam].Data = lParam;
        return LB_OKAY;
    }
    case LB_SETCURSEL: {
        if (ListMulti(FWnd))
            return LB_ERR;
        int index = int(intptr_t(wParam));
        if (index < 0 || index >= int(Items.size())) {
            ListSelectSingle(FWnd, -1);
            return index == -1 ? LB_OKAY : LB_ERR;
        }
        ListSelectSingle(FWnd, index);
        return index;
    }
    case LB_GETCURSEL: {
        return ListMulti(FWnd) ? Caret : Cur;
    }
    case LB_SETSEL: {
        // lParam -1: every item.
        if (!ListMulti(FWnd))
            return LB_ERR;
        int index = int(lParam);
        if (index == -1) {
            for (int i = 0; i < int(Items.size()); ++i)
                ListSetSelected(FWnd, i, wParam != 0);
            return LB_OKAY;
        }
        if (!ListValid(this, WPARAM(index)))
            return LB_ERR;
        ListSetSelected(FWnd, index, wParam != 0);
        return LB_OKAY;
    }
    case LB_GETSEL: {
        if (!ListValid(this, wParam))
            return LB_ERR;
        return ListMulti(FWnd) ? Items[wParam].Selected : int(wParam) == Cur;
    }
    case LB_GETSELCOUNT: {
        if (!ListMulti(FWnd))
            return LB_ERR;
        return std::count_if(Items.begin(), Items.end(), [](const ListBoxItem& i) { return i.Selected; });
    }
    case LB_GETSELITEMS: {
        if (!ListMulti(FWnd))
            return LB_ERR;
        auto* out = reinterpret_cast<int*>(lParam);
        int n = 0;
        for (int i = 0; i < int(Items.size()) && n < int(wParam); ++i)
            if (Items[size_t(i)].Selected) {
                if (out)
                    out[n] = i;
                ++n;
            }
        return n;
    }
    case LB_GETTOPINDEX:
        return Top;
    case LB_SETTOPINDEX:
        if (!ListValid(ListOf(FWnd), wParam) && wParam != 0)
            return LB_ERR;
        ListSetTop(FWnd, int(wParam));
        return LB_OKAY;
    case LB_GETCARETINDEX:
        return Caret;
    case LB_SETCARETINDEX:
        if (!ListValid(ListOf(FWnd), wParam))
            return LB_ERR;
        ListSetCaret(FWnd, int(wParam));
        ListEnsureVisible(FWnd, int(wParam));
        return LB_OKAY;
    case LB_GETANCHORINDEX:
        return Anchor;
    case LB_SETANCHORINDEX:
        Anchor = int(wParam);
        return LB_OKAY;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
        return ListFind(FWnd, wParam, lParam, msg == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING: {
        LRESULT found = ListFind(FWnd, wParam, lParam, false);
        if (found != LB_ERR && !ListMulti(FWnd))
            ListSelectSingle(FWnd, int(found));
        return found;
    }
    case LB_SETTABSTOPS: {
        const int count = int(intptr_t(wParam));
        if (count < 0 || (count > 0 && !lParam))
            return FALSE;
        const auto* stops = reinterpret_cast<const int32_t*>(lParam);
        TabStops.assign(stops, stops + count);
        InvalidateRect(FWnd, nullptr, TRUE);
        return TRUE;
    }
    case LB_GETHORIZONTALEXTENT:
        return HorzExtent;
    case LB_SETHORIZONTALEXTENT: {
        HorzExtent = int(wParam);
        TRect r;
        GetClientRect(FWnd, &r);
        ScrollX = std::clamp(ScrollX, 0, std::max(0, HorzExtent - int(r.Width())));
        ListUpdateScrollBars(FWnd);
        InvalidateRect(FWnd, nullptr, TRUE);
        return 0;
    }
    case LB_GETITEMRECT: {
        if ((!ListValid(this, wParam) && !(wParam == 0 && Items.empty())) || !lParam)
            return LB_ERR;
        *reinterpret_cast<TRect*>(lParam) = ListItemRect(FWnd, int(wParam));
        return LB_OKAY;
    }
    case LB_GETITEMHEIGHT:
        return ListItemHeight(FWnd, int(wParam));
    case LB_SETITEMHEIGHT: {
        int h = std::clamp(int(LOWORD(WPARAM(lParam))), 1, 255);
        if (Style(FWnd) & LBS_OWNERDRAWVARIABLE) {
            if (!ListValid(this, wParam))
                return LB_ERR;
            Items[wParam].Height = h;
        } else {
            ItemHeight = h;
        }
        InvalidateRect(FWnd, nullptr, TRUE);
        ListUpdateScrollBars(FWnd);
        return LB_OKAY;
    }
    case LB_ITEMFROMPOINT: {
        // Low word: the nearest item; high word: 1 when the point is outside the client area.
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        TRect r;
        GetClientRect(FWnd, &r);
        int index = ListItemAt(FWnd, p, true);
        bool outside = !(p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom) ||
                       ListItemAt(FWnd, p, false) < 0;
        return MAKELRESULT(std::max(0, index), outside ? 1 : 0);
    }
    default:
        return std::nullopt;
    }
}

} // namespace

ListBoxState* ListBoxStateOf(HWND hwnd) {
    return ListOf(hwnd);
}

LRESULT ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ControlProc<ListBoxWindow>(hwnd, msg, wParam, lParam);
}

void RegisterListBoxClass() {
    RegisterControlClass(WC_LISTBOX, WithContextMenu<ListBoxProc>, CS_DBLCLKS);
}

} // namespace win::ctl
