// The tab control: a row of tabs with text along the top (or the bottom) of a raised body. The tabs are
// raised edges standing on the body; the selected one is 2 pixels larger on its three free sides and open
// into the body, which it covers along its width. A click or Left/Right asks the parent first
// (TCN_SELCHANGING).
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace win::ctl {

namespace {

// How much larger the selected tab is than the others, on each of its three free sides.
constexpr int TabSelectedGrowth = 2;
// Room between a tab's text and its sides, and between its text line and its top and bottom.
constexpr int TabTextPaddingX = 6;
constexpr int TabTextPaddingY = 3;
// The body's raised edge, and the room between it and the display area of the pages.
constexpr int TabBodyEdge = 2;
constexpr int TabDisplayMargin = 2;
constexpr int TabDisplayInset = TabBodyEdge + TabDisplayMargin;

struct TabItem {
    std::string Text;
    LPARAM Param = 0;
    int Image = -1;
};

class TabControlWindow final : public ControlWindow {
public:
    explicit TabControlWindow(HWND hwnd) : ControlWindow(hwnd) {}

protected:
    void OnPaint(HDC dc) override;
    LRESULT OnGetDlgCode() override { return DLGC_WANTARROWS; }
    void OnSetFocus() override;
    void OnKillFocus() override;
    void OnSetFont(HFONT font, bool redraw) override;
    HFONT OnGetFont() override { return FFont; }
    void OnSize() override { InvalidateRect(FWnd, nullptr, FALSE); }
    bool OnKeyDown(WPARAM key) override;
    bool OnMouseDown(MouseButton button, WPARAM keys, TPoint p) override;
    // A quick second click is a click of its own: it may choose another tab.
    bool OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) override {
        return OnMouseDown(button, keys, p);
    }
    std::optional<LRESULT> OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool Valid(int index) const { return index >= 0 && index < int(FTabs.size()); }
    bool AtBottom() const { return (Style(FWnd) & TCS_BOTTOM) != 0; }
    int RowHeight();
    int TabWidth(HDC dc, const TabItem& tab);
    TRect Client() const;
    TRect Body();
    // The tab's place in the row, as TCM_GETITEMRECT reports it; the selected tab is drawn larger.
    TRect ItemRect(int index);
    TRect SelectedRect(int index);
    int HitTest(TPoint p);
    // A choice of the user's: asks the parent, selects, tells it.
    void SelectByUser(int index);
    void PaintTab(HDC dc, int index, bool selected);
    LRESULT InsertItem(WPARAM wParam, LPARAM lParam);
    LRESULT DeleteItem(WPARAM wParam);
    LRESULT GetItem(WPARAM wParam, LPARAM lParam);
    LRESULT SetItem(WPARAM wParam, LPARAM lParam);
    LRESULT SetCurSel(WPARAM wParam);
    LRESULT GetItemRect(WPARAM wParam, LPARAM lParam);
    LRESULT AdjustRect(WPARAM wParam, LPARAM lParam);

    std::vector<TabItem> FTabs;
    int FCur = -1;
    HFONT FFont = nullptr;
    bool FFocused = false;
    int FRowHeight = 0; // measured from the font on first use
};

int TabControlWindow::RowHeight() {
    if (FRowHeight == 0) {
        HDC dc = GetDC(FWnd);
        HGDIOBJ old = SelectObject(dc, ControlFont(FFont));
        FRowHeight = LineHeight(dc) + 2 * TabTextPaddingY;
        SelectObject(dc, old);
        ReleaseDC(FWnd, dc);
    }
    return FRowHeight;
}

int TabControlWindow::TabWidth(HDC dc, const TabItem& tab) {
    return TextWidth(dc, tab.Text) + 2 * TabTextPaddingX;
}

TRect TabControlWindow::Client() const {
    TRect r;
    GetClientRect(FWnd, &r);
    return r;
}

// The body: the client area less the row of tabs and the room the selected tab grows into.
TRect TabControlWindow::Body() {
    TRect r = Client();
    const int row = TabSelectedGrowth + RowHeight();
    if (AtBottom())
        r.Bottom -= row;
    else
        r.Top += row;
    return r;
}

TRect TabControlWindow::ItemRect(int index) {
    HDC dc = GetDC(FWnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(FFont));
    int left = TabSelectedGrowth;
    for (int i = 0; i < index; ++i)
        left += TabWidth(dc, FTabs[size_t(i)]);
    const int width = TabWidth(dc, FTabs[size_t(index)]);
    SelectObject(dc, old);
    ReleaseDC(FWnd, dc);
    const TRect body = Body();
    const int height = RowHeight();
    const int top = AtBottom() ? body.Bottom : body.Top - height;
    return {left, top, left + width, top + height};
}

// The selected tab reaches 2 pixels further out on its free sides and covers the body's edge beneath it.
TRect TabControlWindow::SelectedRect(int index) {
    TRect r = ItemRect(index);
    r.Left -= TabSelectedGrowth;
    r.Right += TabSelectedGrowth;
    if (AtBottom()) {
        r.Top -= TabBodyEdge;
        r.Bottom += TabSelectedGrowth;
    } else {
        r.Top -= TabSelectedGrowth;
        r.Bottom += TabBodyEdge;
    }
    return r;
}

int TabControlWindow::HitTest(TPoint p) {
    const auto inside = [p](const TRect& r) {
        return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
    };
    if (Valid(FCur) && inside(SelectedRect(FCur)))
        return FCur;
    for (int i = 0; i < int(FTabs.size()); ++i)
        if (inside(ItemRect(i)))
            return i;
    return -1;
}

void TabControlWindow::SelectByUser(int index) {
    if (!Valid(index) || index == FCur)
        return;
    const HWND self = FWnd;
    NMHDR changing;
    if (Notify(self, TCN_SELCHANGING, &changing) != 0)
        return;
    // The parent may have destroyed the control, or changed its tabs, while it answered.
    if (!IsWindow(self) || !Valid(index))
        return;
    FCur = index;
    InvalidateRect(self, nullptr, FALSE);
    NMHDR changed;
    Notify(self, TCN_SELCHANGE, &changed);
}

void TabControlWindow::OnSetFocus() {
    FFocused = true;
    InvalidateRect(FWnd, nullptr, FALSE);
}

void TabControlWindow::OnKillFocus() {
    FFocused = false;
    InvalidateRect(FWnd, nullptr, FALSE);
}

void TabControlWindow::OnSetFont(HFONT font, bool redraw) {
    FFont = font;
    FRowHeight = 0;
    if (redraw)
        InvalidateRect(FWnd, nullptr, FALSE);
}

bool TabControlWindow::OnKeyDown(WPARAM key) {
    if (key != VK_LEFT && key != VK_RIGHT)
        return false;
    if (FCur < 0) {
        SelectByUser(0);
        return true;
    }
    SelectByUser(key == VK_LEFT ? FCur - 1 : FCur + 1);
    return true;
}

bool TabControlWindow::OnMouseDown(MouseButton button, WPARAM, TPoint p) {
    if (button != MouseButton::Left)
        return false;
    const int hit = HitTest(p);
    if (hit < 0)
        return true;
    const HWND self = FWnd;
    if (!(Style(self) & TCS_FOCUSNEVER) && GetFocus() != self) {
        SetFocus(self);
        if (!IsWindow(self))
            return true;
    }
    SelectByUser(hit);
    return true;
}

void TabControlWindow::PaintTab(HDC dc, int index, bool selected) {
    TRect r = selected ? SelectedRect(index) : ItemRect(index);
    const UINT sides = AtBottom() ? BF_LEFT | BF_BOTTOM | BF_RIGHT : BF_LEFT | BF_TOP | BF_RIGHT;
    TRect edge = r;
    DrawEdge(dc, &edge, EDGE_RAISED, sides | BF_MIDDLE);
    // The text sits in the tab's place in the row; the selected tab's stands a pixel further out.
    TRect text = ItemRect(index);
    if (selected) {
        const int shift = AtBottom() ? 1 : -1;
        text.Top += shift;
        text.Bottom += shift;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(FWnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    const std::string& caption = FTabs[size_t(index)].Text;
    TRect t = text;
    DrawText(dc, caption.c_str(), -1, &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (selected && FFocused) {
        TRect focus{text.Left + 3, text.Top + 2, text.Right - 3, text.Bottom - 1};
        DrawFocusRect(dc, &focus);
    }
}

void TabControlWindow::OnPaint(HDC dc) {
    TRect client = Client();
    FillSys(dc, client, COLOR_BTNFACE);
    TRect body = Body();
    DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
    HGDIOBJ old = SelectObject(dc, ControlFont(FFont));
    for (int i = 0; i < int(FTabs.size()); ++i)
        if (i != FCur)
            PaintTab(dc, i, false);
    if (Valid(FCur))
        PaintTab(dc, FCur, true);
    SelectObject(dc, old);
}

LRESULT TabControlWindow::InsertItem(WPARAM wParam, LPARAM lParam) {
    const auto* item = reinterpret_cast<const TCITEM*>(lParam);
    const int index = int(wParam);
    if (!item || index < 0)
        return -1;
    const int at = std::min(index, int(FTabs.size()));
    TabItem tab;
    if ((item->mask & TCIF_TEXT) && item->pszText)
        tab.Text = item->pszText;
    if (item->mask & TCIF_PARAM)
        tab.Param = item->lParam;
    if (item->mask & TCIF_IMAGE)
        tab.Image = item->iImage;
    FTabs.insert(FTabs.begin() + at, std::move(tab));
    // The first tab becomes the selected one; a tab put before the selected one moves the selection along.
    if (FCur < 0)
        FCur = 0;
    else if (at <= FCur)
        ++FCur;
    InvalidateRect(FWnd, nullptr, FALSE);
    return at;
}

LRESULT TabControlWindow::DeleteItem(WPARAM wParam) {
    const int index = int(wParam);
    if (!Valid(index))
        return FALSE;
    FTabs.erase(FTabs.begin() + index);
    if (index == FCur)
        FCur = -1;
    else if (index < FCur)
        --FCur;
    InvalidateRect(FWnd, nullptr, FALSE);
    return TRUE;
}

LRESULT TabControlWindow::GetItem(WPARAM wParam, LPARAM lParam) {
    auto* item = reinterpret_cast<TCITEM*>(lParam);
    if (!item || !Valid(int(wParam)))
        return FALSE;
    const TabItem& tab = FTabs[wParam];
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        const size_t n = std::min(tab.Text.size(), size_t(item->cchTextMax - 1));
        std::memcpy(item->pszText, tab.Text.data(), n);
        item->pszText[n] = 0;
    }
    if (item->mask & TCIF_PARAM)
        item->lParam = tab.Param;
    if (item->mask & TCIF_IMAGE)
        item->iImage = tab.Image;
    return TRUE;
}

LRESULT TabControlWindow::SetItem(WPARAM wParam, LPARAM lParam) {
    const auto* item = reinterpret_cast<const TCITEM*>(lParam);
    if (!item || !Valid(int(wParam)))
        return FALSE;
    TabItem& tab = FTabs[wParam];
    if (item->mask & TCIF_TEXT)
        tab.Text = item->pszText ? item->pszText : "";
    if (item->mask & TCIF_PARAM)
        tab.Param = item->lParam;
    if (item->mask & TCIF_IMAGE)
        tab.Image = item->iImage;
    InvalidateRect(FWnd, nullptr, FALSE);
    return TRUE;
}

// -1 selects no tab.
LRESULT TabControlWindow::SetCurSel(WPARAM wParam) {
    const int index = int(wParam);
    if (index != -1 && !Valid(index))
        return -1;
    const int old = FCur;
    if (index != FCur) {
        FCur = index;
        InvalidateRect(FWnd, nullptr, FALSE);
    }
    return old;
}

LRESULT TabControlWindow::GetItemRect(WPARAM wParam, LPARAM lParam) {
    auto* r = reinterpret_cast<TRect*>(lParam);
    if (!r || !Valid(int(wParam)))
        return FALSE;
    *r = ItemRect(int(wParam));
    return TRUE;
}

// FALSE: the display area of a window rectangle; TRUE: the window rectangle of a display area.
LRESULT TabControlWindow::AdjustRect(WPARAM wParam, LPARAM lParam) {
    auto* r = reinterpret_cast<TRect*>(lParam);
    if (!r)
        return 0;
    const int sign = wParam ? -1 : 1;
    const int row = TabSelectedGrowth + RowHeight();
    r->Left += sign * TabDisplayInset;
    r->Right -= sign * TabDisplayInset;
    if (AtBottom()) {
        r->Top += sign * TabDisplayInset;
        r->Bottom -= sign * (row + TabDisplayInset);
    } else {
        r->Top += sign * (row + TabDisplayInset);
        r->Bottom -= sign * TabDisplayInset;
    }
    return 0;
}

std::optional<LRESULT> TabControlWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case TCM_GETITEMCOUNT:
        return LRESULT(FTabs.size());
    case TCM_INSERTITEM:
        return InsertItem(wParam, lParam);
    case TCM_DELETEITEM:
        return DeleteItem(wParam);
    case TCM_DELETEALLITEMS:
        FTabs.clear();
        FCur = -1;
        InvalidateRect(FWnd, nullptr, FALSE);
        return TRUE;
    case TCM_GETITEM:
        return GetItem(wParam, lParam);
    case TCM_SETITEM:
        return SetItem(wParam, lParam);
    case TCM_GETCURSEL:
        return FCur;
    case TCM_SETCURSEL:
        return SetCurSel(wParam);
    case TCM_GETITEMRECT:
        return GetItemRect(wParam, lParam);
    case TCM_HITTEST: {
        auto* info = reinterpret_cast<TCHITTESTINFO*>(lParam);
        if (!info)
            return -1;
        const int hit = HitTest(info->pt);
        info->flags = hit < 0 ? TCHT_NOWHERE : TCHT_ONITEMLABEL;
        return hit;
    }
    case TCM_ADJUSTRECT:
        return AdjustRect(wParam, lParam);
    case TCM_GETROWCOUNT:
        return 1;
    default:
        return std::nullopt;
    }
}

} // namespace

void RegisterTabControlClass() {
    RegisterControlClass(WC_TABCONTROL, WithContextMenu<ControlProc<TabControlWindow>>,
                         CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

} // namespace win::ctl
