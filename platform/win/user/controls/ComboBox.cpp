// The "COMBOBOX" class: an edit field (CBS_DROPDOWN, CBS_SIMPLE) or a selection field (CBS_DROPDOWNLIST)
// with a list that is always shown (CBS_SIMPLE) or drops down in a popup of the "ComboLBox" class. The items
// live in that list; the combo box passes its CB_ messages on to it.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <cstring>

namespace win::ctl {

namespace {

constexpr const char* ComboEditProcProp = "LoomwickComboEditProc";
// Typed characters within this pause extend the incremental search.
constexpr DWORD ComboSearchPauseMs = 1000;

struct ComboState {
    HWND Edit = nullptr;
    HWND List = nullptr;
    bool Dropped = false;
    int SavedCur = -1; // the selection when the list dropped (restored on cancel)
    int DroppedWidth = 0;
    int MinVisible = 8;
    int FaceHeight = 0; // the selection field's height
    HFONT Font = nullptr;
    bool Focused = false;
    bool Updating = false; // the combo box itself is changing the edit's text
    bool ButtonPressed = false;
    std::string Search;
    DWORD SearchTime = 0;
};

// One combo box window: its selection field, edit and drop-down list (ComboState), and its message
// handlers. The list is a list box window of its own (ComboListProc).
class ComboBoxWindow final : public ControlWindow, public ComboState {
public:
    explicit ComboBoxWindow(HWND hwnd) : ControlWindow(hwnd) {}

protected:
    void OnCreate() override;
    void OnSize() override;
    void OnEnable(bool enabled) override;
    void OnPaint(HDC dc) override;
    LRESULT OnGetDlgCode() override;
    void OnSetFocus() override;
    void OnKillFocus() override;
    void OnSetFont(HFONT font, bool redraw) override;
    HFONT OnGetFont() override;
    bool OnKeyDown(WPARAM key) override;
    bool OnChar(WPARAM ch) override;
    bool OnMouseDown(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnMouseWheel(int delta, WPARAM keys) override;
    void OnDestroy() override;
    std::optional<LRESULT> OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PressButton(TPoint p);
};

ComboState* ComboOf(HWND hwnd) {
    return ControlOf<ComboBoxWindow>(hwnd);
}
DWORD ComboKind(HWND hwnd) {
    return Style(hwnd) & 0x3;
}
bool ComboOwnerDraw(HWND hwnd) {
    return (Style(hwnd) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0;
}
bool ComboHasStrings(HWND hwnd) {
    return !ComboOwnerDraw(hwnd) || (Style(hwnd) & CBS_HASSTRINGS);
}

int ComboCur(HWND hwnd) {
    return int(SendMessage(ComboOf(hwnd)->List, LB_GETCURSEL, 0, 0));
}
int ComboCount(HWND hwnd) {
    return int(SendMessage(ComboOf(hwnd)->List, LB_GETCOUNT, 0, 0));
}

std::string ComboItemText(HWND hwnd, int index) {
    ComboState* s = ComboOf(hwnd);
    LRESULT len = SendMessage(s->List, LB_GETTEXTLEN, WPARAM(index), 0);
    if (len == LB_ERR || !ComboHasStrings(hwnd))
        return {};
    std::string text(size_t(len) + 1, '\0');
    SendMessage(s->List, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(size_t(len));
    return text;
}

int ComboButtonWidth() {
    return GetSystemMetrics(SM_CXVSCROLL);
}

TRect ComboButtonRect(HWND hwnd) {
    TRect r;
    GetClientRect(hwnd, &r);
    ComboState* s = ComboOf(hwnd);
    int h = ComboKind(hwnd) == CBS_SIMPLE ? 0 : std::min(int(r.Height()), s->FaceHeight);
    return {r.Right - 2 - ComboButtonWidth(), r.Top + 2, r.Right - 2, r.Top + std::max(0, h - 2)};
}

TRect ComboTextRect(HWND hwnd) {
    TRect r;
    GetClientRect(hwnd, &r);
    ComboState* s = ComboOf(hwnd);
    int right = ComboKind(hwnd) == CBS_SIMPLE ? r.Right - 2 : r.Right - 2 - ComboButtonWidth();
    return {r.Left + 3, r.Top + 3, right - 1, r.Top + std::min(int(r.Height()), s->FaceHeight) - 3};
}

// Shows the selected item in the edit field (or repaints the selection field).
void ComboShowSelection(HWND hwnd) {
    ComboState* s = ComboOf(hwnd);
    if (s->Edit) {
        int cur = ComboCur(hwnd);
        std::string text = cur >= 0 ? ComboItemText(hwnd, cur) : std::string();
        s->Updating = true;
        SetWindowText(s->Edit, text.c_str());
        s->Updating = false;
        if (s->Focused || GetFocus() == s->Edit)
            SendMessage(s->Edit, EM_SETSEL, 0, -1);
    }
    InvalidateRect(hwnd, nullptr, FALSE);
}

void ComboNotify(HWND hwnd, WORD code) {
    NotifyCommand(hwnd, code);
}

// Puts the drop-down list under (or, without room, over) the combo box and shows it.
void ComboPlaceList(HWND hwnd) {
    ComboState* s = ComboOf(hwnd);
    TRect wr;
    GetWindowRect(hwnd, &wr);
    int itemH = int(SendMessage(s->List, LB_GETITEMHEIGHT, 0, 0));
    int count = std::max(1, std::min(ComboCount(hwnd), s->MinVisible));
    int h = itemH * count + 2;
    int w = std::max(int(wr.Width()), s->DroppedWidth);
    int screenH = GetSystemMetrics(SM_CYSCREEN);
    int y = wr.Bottom;
    if (y + h > screenH && wr.Top - h >= 0)
        y = wr.Top - h;
    SetWindowPos(s->List, HWND_TOPMOST, wr.Left, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void ComboDrop(HWND hwnd) {
    ComboState* s = ComboOf(hwnd);
    if (s->Dropped || ComboKind(hwnd) == CBS_SIMPLE || !s->List)
        return;
    ComboNotify(hwnd, CBN_DROPDOWN);
    if (!IsWindow(hwnd))
        return;
    s->Dropped = true;
    s->SavedCur = ComboCur(hwnd);
    ComboPlaceList(hwnd);
    if (s->SavedCur >= 0)
        SendMessage(s->List, LB_SETTOPINDEX, WPARAM(s->SavedCur), 0);
    SetCapture(s->List);
    InvalidateRect(hwnd, nullptr, FALSE);
}

// Closes the list; ok keeps the highlighted item, otherwise the selection goes back to what it was.
void ComboClose(HWND hwnd, bool ok) {
    ComboState* s = ComboOf(hwnd);
    if (!s->Dropped)
        return;
    s->Dropped = false;
    s->ButtonPressed = false;
    ShowWindow(s->List, SW_HIDE);
    if (GetCapture() == s->List)
        ReleaseCapture();
    int cur = ComboCur(hwnd);
    if (!ok && cur != s->SavedCur)
        SendMessage(s->List, LB_SETCURSEL, WPARAM(intptr_t(s->SavedCur)), 0);
    ComboNotify(hwnd, ok ? CBN_SELENDOK : CBN_SELENDCANCEL);
    if (ok && cur != s->SavedCur) {
        ComboShowSelection(hwnd);
        ComboNotify(hwnd, CBN_SELCHANGE);
    }
    ComboNotify(hwnd, CBN_CLOSEUP);
    InvalidateRect(hwnd, nullptr, FALSE);
}

// Moves the selection by keys while the list is closed (the selection changes at once) or open (the
// highlight moves; Enter keeps it).
void ComboSelectIndex(HWND hwnd, int index) {
    ComboState* s = ComboOf(hwnd);
    int count = ComboCount(hwnd);
    if (count == 0)
        return;
    index = std::clamp(index, 0, count - 1);
    if (index == ComboCur(hwnd))
        return;
    SendMessage(s->List, LB_SETCURSEL, WPARAM(index), 0);
    if (s->Dropped) {
        if (s->Edit)
            ComboShowSelection(hwnd);
        return;
    }
    ComboShowSelection(hwnd);
    ComboNotify(hwnd, CBN_SELCHANGE);
}

bool ComboKey(HWND hwnd, UINT msg, WPARAM key) {
    ComboState* s = ComboOf(hwnd);
    bool alt = msg == WM_SYSKEYDOWN;
    if ((key == WPARAM(VK_F4) && !alt) || (alt && (key == WPARAM(VK_DOWN) || key == WPARAM(VK_UP)))) {
        if (s->Dropped)
            ComboClose(hwnd, true);
        else
            ComboDrop(hwnd);
        return true;
    }
    if (alt)
        return false;
    int cur = ComboCur(hwnd);
    int page = std::max(1, s->MinVisible - 1);
    switch (int(key)) {
    case VK_UP:
        ComboSelectIndex(hwnd, cur < 0 ? 0 : cur - 1);
        return true;
    case VK_DOWN:
        ComboSelectIndex(hwnd, cur + 1);
        return true;
    case VK_PRIOR:
        ComboSelectIndex(hwnd, cur - page);
        return true;
    case VK_NEXT:
        ComboSelectIndex(hwnd, cur + page);
        return true;
    case VK_HOME:
        if (s->Edit)
            return false;
        ComboSelectIndex(hwnd, 0);
        return true;
    case VK_END:
        if (s->Edit)
            return false;
        ComboSelectIndex(hwnd, ComboCount(hwnd) - 1);
        return true;
    case VK_RETURN:
        if (s->Dropped) {
            ComboClose(hwnd, true);
            return true;
        }
        return false;
    case VK_ESCAPE:
        if (s->Dropped) {
            ComboClose(hwnd, false);
            return true;
        }
        return false;
    default:
        return false;
    }
}

// Incremental search of a drop-down list: the typed prefix selects the first item starting with it.
void ComboCharSearch(HWND hwnd, WPARAM ch) {
    ComboState* s = ComboOf(hwnd);
    if (ch < 32 || !ComboHasStrings(hwnd))
        return;
    DWORD now = GetTickCount();
    if (now - s->SearchTime > ComboSearchPauseMs)
        s->Search.clear();
    s->SearchTime = now;
    s->Search += char(ch);
    int cur = ComboCur(hwnd);
    // A repeated single letter steps through the items that start with it.
    bool repeat = s->Search.size() > 1 &&
                  std::all_of(s->Search.begin(), s->Search.end(), [&](char c) { return c == s->Search[0]; });
    std::string want = repeat ? s->Search.substr(0, 1) : s->Search;
    WPARAM after = WPARAM(intptr_t((repeat || s->Search.size() == 1) ? cur : cur - 1));
    LRESULT found = SendMessage(s->List, LB_FINDSTRING, after, reinterpret_cast<LPARAM>(want.c_str()));
    if (found != LB_ERR)
        ComboSelectIndex(hwnd, int(found));
}

void ComboPaint(HWND hwnd, HDC dc) {
    ComboState* s = ComboOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    TRect face{r.Left, r.Top, r.Right, r.Top + std::min(int(r.Height()), s->FaceHeight)};
    bool enabled = IsWindowEnabled(hwnd);
    HBRUSH back = ParentColorBrush(hwnd, WM_CTLCOLORLISTBOX, dc, enabled ? COLOR_WINDOW : COLOR_BTNFACE);
    if (ComboKind(hwnd) == CBS_SIMPLE) {
        FillSys(dc, r, COLOR_BTNFACE);
    }
    FillRect(dc, &face, enabled ? back : GetSysColorBrush(COLOR_BTNFACE));
    TRect edge = face;
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    if (ComboKind(hwnd) != CBS_SIMPLE) {
        TRect button = ComboButtonRect(hwnd);
        DrawFrameControl(dc, &button, DFC_SCROLL,
                         DFCS_SCROLLCOMBOBOX | (s->ButtonPressed ? DFCS_PUSHED : 0) |
                             (enabled ? 0 : DFCS_INACTIVE));
    }
    if (s->Edit)
        return; // the edit paints its own text
    TRect tr = ComboTextRect(hwnd);
    int cur = ComboCur(hwnd);
    bool focused = s->Focused && !s->Dropped;
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    if (ComboOwnerDraw(hwnd)) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_COMBOBOX;
        dis.CtlID = UINT(ControlId(hwnd));
        dis.itemID = UINT(cur);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState =
            ODS_COMBOBOXEDIT | (focused ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        dis.rcItem = tr;
        dis.itemData = cur >= 0 ? UINT_PTR(SendMessage(s->List, LB_GETITEMDATA, WPARAM(cur), 0)) : 0;
        if (HWND parent = GetParent(hwnd))
            SendMessage(parent, WM_DRAWITEM, WPARAM(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
    } else {
        if (focused) {
            FillSys(dc, tr, COLOR_HIGHLIGHT);
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        } else {
            SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        }
        SetBkMode(dc, TRANSPARENT);
        std::string text = cur >= 0 ? ComboItemText(hwnd, cur) : std::string();
        TRect t{tr.Left + 1, tr.Top, tr.Right, tr.Bottom};
        DrawText(dc, text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (focused) {
            TRect fr = tr;
            DrawFocusRect(dc, &fr);
        }
    }
    SelectObject(dc, old);
}

// The face height: the owner's answer for item -1 when owner-drawn, else the font's line plus a margin.
void ComboMeasureFace(HWND hwnd) {
    ComboState* s = ComboOf(hwnd);
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    int textH = LineHeight(dc);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    int itemH = textH;
    if (ComboOwnerDraw(hwnd)) {
        MEASUREITEMSTRUCT mis;
        mis.CtlType = ODT_COMBOBOX;
        mis.CtlID = UINT(ControlId(hwnd));
        mis.itemID = UINT(-1);
        mis.itemHeight = UINT(textH);
        if (HWND parent = GetParent(hwnd))
            SendMessage(parent, WM_MEASUREITEM, WPARAM(mis.CtlID), reinterpret_cast<LPARAM>(&mis));
        itemH = std::max(1, int(mis.itemHeight));
    }
    s->FaceHeight = itemH + 8;
}

void ComboLayout(HWND hwnd) {
    ComboState* s = ComboOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    if (s->Edit) {
        TRect tr = ComboTextRect(hwnd);
        SetWindowPos(s->Edit, nullptr, tr.Left, tr.Top, tr.Width(), tr.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (ComboKind(hwnd) == CBS_SIMPLE && s->List)
        SetWindowPos(s->List, nullptr, 0, s->FaceHeight, r.Width(),
                     std::max(0, int(r.Height()) - s->FaceHeight), SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK_ComboEdit(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam);

void ComboCreate(HWND hwnd) {
    ComboState* s = ComboOf(hwnd);
    DWORD style = Style(hwnd);
    ComboMeasureFace(hwnd);
    DWORD listStyle = LBS_NOTIFY | LBS_COMBOBOX | WS_VSCROLL | WS_BORDER | (style & CBS_SORT ? LBS_SORT : 0) |
                      (style & CBS_OWNERDRAWFIXED ? LBS_OWNERDRAWFIXED : 0) |
                      (style & CBS_OWNERDRAWVARIABLE ? LBS_OWNERDRAWVARIABLE : 0) |
                      (style & CBS_HASSTRINGS ? LBS_HASSTRINGS : 0);
    if (ComboKind(hwnd) == CBS_SIMPLE)
        s->List = CreateWindowEx(0, WC_COMBOLBOX, "", WS_CHILD | WS_VISIBLE | listStyle, 0, 0, 0, 0, hwnd,
                                 reinterpret_cast<HMENU>(intptr_t(COMBO_LIST_ID)), nullptr, nullptr);
    else
        s->List = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, WC_COMBOLBOX, "", WS_POPUP | listStyle, 0,
                                 0, 0, 0, hwnd, nullptr, nullptr, nullptr);
    // The list talks to its combo box (a popup's owner is the top-level window).
    if (s->List) {
        SetProp(s->List, NotifyTargetProp, reinterpret_cast<HANDLE>(hwnd));
        // Owner-drawn lists measured their items before they knew their combo box.
        SendMessage(s->List, WM_SETFONT, reinterpret_cast<WPARAM>(s->Font), 0);
    }
    if (ComboKind(hwnd) != CBS_DROPDOWNLIST) {
        DWORD editStyle = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL |
                          (style & CBS_UPPERCASE ? ES_UPPERCASE : 0) |
                          (style & CBS_LOWERCASE ? ES_LOWERCASE : 0);
        s->Edit = CreateWindowEx(0, WC_EDIT, "", editStyle, 0, 0, 0, 0, hwnd,
                                 reinterpret_cast<HMENU>(intptr_t(COMBO_EDIT_ID)), nullptr, nullptr);
        if (s->Edit) {
            LONG_PTR old =
                SetWindowLong(s->Edit, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CALLBACK_ComboEdit));
            SetProp(s->Edit, ComboEditProcProp, reinterpret_cast<HANDLE>(old));
        }
    }
    std::string text = GetWindowTextString(hwnd);
    if (s->Edit && !text.empty()) {
        s->Updating = true;
        SetWindowText(s->Edit, text.c_str());
        s->Updating = false;
    }
    ComboLayout(hwnd);
}

// The combo's edit: keys that drive the list go to the combo box first.
LRESULT CALLBACK_ComboEdit(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<WNDPROC>(GetProp(edit, ComboEditProcProp));
    HWND combo = GetParent(edit);
    if (!proc)
        return DefWindowProc(edit, msg, wParam, lParam);
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (combo && ComboKey(combo, msg, wParam))
            return 0;
        // Tab, Enter and Escape are the dialog's: they go on to the combo box, whose owner moves the
        // focus or presses a button.
        if (combo && msg == WM_KEYDOWN &&
            (wParam == WPARAM(VK_TAB) || wParam == WPARAM(VK_RETURN) || wParam == WPARAM(VK_ESCAPE))) {
            SendMessage(combo, msg, wParam, lParam);
            return 0;
        }
        break;
    case WM_CHAR:
        // A single-line edit has no use for them; Enter and Escape were the list's or the dialog's.
        if (combo && (wParam == '\r' || wParam == 27 || wParam == '\t'))
            return 0;
        break;
    case WM_GETDLGCODE: {
        LRESULT code = CallWindowProc(proc, edit, msg, wParam, lParam);
        if (combo && ComboOf(combo)->Dropped)
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_SETFOCUS:
        if (combo) {
            ComboOf(combo)->Focused = true;
            NotifyCommand(combo, CBN_SETFOCUS);
        }
        break;
    case WM_KILLFOCUS:
        if (combo) {
            ComboOf(combo)->Focused = false;
            ComboClose(combo, false);
            NotifyCommand(combo, CBN_KILLFOCUS);
        }
        break;
    case WM_NCDESTROY: {
        RemoveProp(edit, ComboEditProcProp);
        SetWindowLong(edit, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
        return CallWindowProc(proc, edit, msg, wParam, lParam);
    }
    default:
        break;
    }
    return CallWindowProc(proc, edit, msg, wParam, lParam);
}

// Messages the list sends its owner about its items, passed to the combo's parent as the combo's.
LRESULT ComboForwardItemMessage(HWND hwnd, UINT msg, LPARAM lParam) {
    HWND parent = GetParent(hwnd);
    if (!parent)
        return 0;
    UINT id = UINT(ControlId(hwnd));
    if (msg == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        mis->CtlType = ODT_COMBOBOX;
        mis->CtlID = id;
    } else if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        dis->CtlType = ODT_COMBOBOX;
        dis->CtlID = id;
        dis->hwndItem = hwnd;
    } else {
        auto* dis = reinterpret_cast<DELETEITEMSTRUCT*>(lParam);
        dis->CtlType = ODT_COMBOBOX;
        dis->CtlID = id;
        dis->hwndItem = hwnd;
    }
    return SendMessage(parent, msg, WPARAM(id), lParam);
}

// ---- Messages -------------------------------------------------------------------------------------------

void ComboBoxWindow::OnCreate() {
    // Scroll bars asked for belong to the list, not to the combo box's own window.
    auto style = GetWindowLong(FWnd, GWL_STYLE);
    if (style & (WS_VSCROLL | WS_HSCROLL)) {
        ShowScrollBar(FWnd, SB_BOTH, FALSE);
        SetWindowLong(FWnd, GWL_STYLE, style & ~LONG_PTR(WS_VSCROLL | WS_HSCROLL));
    }
    ComboCreate(FWnd);
}

void ComboBoxWindow::OnSize() {
    ComboLayout(FWnd);
    InvalidateRect(FWnd, nullptr, FALSE);
}

void ComboBoxWindow::OnEnable(bool enabled) {
    if (Edit)
        EnableWindow(Edit, enabled);
    InvalidateRect(FWnd, nullptr, FALSE);
}

void ComboBoxWindow::OnPaint(HDC dc) {
    ComboPaint(FWnd, dc);
}

LRESULT ComboBoxWindow::OnGetDlgCode() {
    LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (Dropped)
        code |= DLGC_WANTALLKEYS;
    return code;
}

void ComboBoxWindow::OnSetFocus() {
    // With an edit, the edit takes the focus and tells the combo box (CALLBACK_ComboEdit).
    if (Edit) {
        SetFocus(Edit);
        SendMessage(Edit, EM_SETSEL, 0, -1);
        return;
    }
    Focused = true;
    InvalidateRect(FWnd, nullptr, FALSE);
    ComboNotify(FWnd, CBN_SETFOCUS);
}

void ComboBoxWindow::OnKillFocus() {
    if (Edit)
        return;
    Focused = false;
    ComboClose(FWnd, false);
    InvalidateRect(FWnd, nullptr, FALSE);
    ComboNotify(FWnd, CBN_KILLFOCUS);
}

void ComboBoxWindow::OnSetFont(HFONT font, bool redraw) {
    Font = font;
    if (Edit)
        SendMessage(Edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    if (List)
        SendMessage(List, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    ComboMeasureFace(FWnd);
    ComboLayout(FWnd);
    if (redraw)
        InvalidateRect(FWnd, nullptr, FALSE);
}

HFONT ComboBoxWindow::OnGetFont() {
    return Font;
}

bool ComboBoxWindow::OnKeyDown(WPARAM key) {
    return ComboKey(FWnd, WM_KEYDOWN, key);
}

bool ComboBoxWindow::OnChar(WPARAM ch) {
    if (!Edit)
        ComboCharSearch(FWnd, ch);
    return true;
}

bool ComboBoxWindow::OnMouseDown(MouseButton button, WPARAM keys, TPoint p) {
    if (button != MouseButton::Left)
        return false;
    PressButton(p);
    return true;
}

bool ComboBoxWindow::OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) {
    if (button != MouseButton::Left)
        return false;
    PressButton(p);
    return true;
}

// A press on the selection field, or on the drop button of a combo box with an edit, drops the list.
void ComboBoxWindow::PressButton(TPoint p) {
    if (ComboKind(FWnd) == CBS_SIMPLE)
        return;
    TRect button = ComboButtonRect(FWnd);
    bool onButton = p.X >= button.Left && p.X < button.Right && p.Y >= button.Top && p.Y < button.Bottom;
    if (Edit && !onButton)
        return;
    if (GetFocus() != FWnd && GetFocus() != Edit)
        SetFocus(FWnd);
    ButtonPressed = true;
    ComboDrop(FWnd);
}

bool ComboBoxWindow::OnMouseWheel(int delta, WPARAM keys) {
    // The dropped list scrolls; a closed one moves the selection.
    if (Dropped)
        SendMessage(List, WM_MOUSEWHEEL, MAKEWPARAM(LOWORD(keys), WORD(int16_t(delta))), 0);
    else
        ComboSelectIndex(FWnd, ComboCur(FWnd) - delta / WHEEL_DELTA);
    return true;
}

void ComboBoxWindow::OnDestroy() {
    if (List)
        RemoveProp(List, NotifyTargetProp);
    // The popup list is owned, not a child: it goes with its combo box.
    if (List && ComboKind(FWnd) != CBS_SIMPLE)
        DestroyWindow(List);
}

std::optional<LRESULT> ComboBoxWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SYSKEYDOWN:
        if (ComboKey(FWnd, msg, wParam))
            return 0;
        return std::nullopt;
    case WM_COMMAND: {
        HWND from = reinterpret_cast<HWND>(lParam);
        if (from && from == Edit && !Updating) {
            if (HIWORD(wParam) == EN_CHANGE)
                ComboNotify(FWnd, CBN_EDITCHANGE);
            else if (HIWORD(wParam) == EN_UPDATE)
                ComboNotify(FWnd, CBN_EDITUPDATE);
        }
        if (from && from == List && ComboKind(FWnd) == CBS_SIMPLE && HIWORD(wParam) == LBN_SELCHANGE) {
            ComboShowSelection(FWnd);
            ComboNotify(FWnd, CBN_SELCHANGE);
        }
        return 0;
    }
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_DELETEITEM:
        return ComboForwardItemMessage(FWnd, msg, lParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
        if (HWND parent = GetParent(FWnd))
            return SendMessage(parent, msg, wParam, reinterpret_cast<LPARAM>(FWnd));
        return 0;
    case WM_SETTEXT: {
        if (Edit) {
            Updating = true;
            SetWindowText(Edit, lParam ? reinterpret_cast<const char*>(lParam) : "");
            Updating = false;
            return TRUE;
        }
        // A selection field shows only items: the text selects the item that has it.
        LRESULT found = SendMessage(List, LB_FINDSTRINGEXACT, WPARAM(-1), lParam);
        if (found == LB_ERR)
            return CB_ERR;
        SendMessage(List, LB_SETCURSEL, WPARAM(found), 0);
        InvalidateRect(FWnd, nullptr, FALSE);
        return TRUE;
    }
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
        if (!List)
            return std::nullopt;
        std::string text = Edit ? GetWindowTextString(Edit)
                                : (ComboCur(FWnd) >= 0 ? ComboItemText(FWnd, ComboCur(FWnd)) : std::string());
        if (msg == WM_GETTEXTLENGTH)
            return LRESULT(text.size());
        if (!lParam || wParam == 0)
            return 0;
        size_t n = std::min(text.size(), size_t(wParam) - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), text.data(), n);
        reinterpret_cast<char*>(lParam)[n] = 0;
        return LRESULT(n);
    }
    case CB_ADDSTRING:
        return SendMessage(List, LB_ADDSTRING, wParam, lParam);
    case CB_INSERTSTRING:
        return SendMessage(List, LB_INSERTSTRING, wParam, lParam);
    case CB_DELETESTRING: {
        LRESULT r = SendMessage(List, LB_DELETESTRING, wParam, lParam);
        InvalidateRect(FWnd, nullptr, FALSE);
        return r;
    }
    case CB_RESETCONTENT: {
        SendMessage(List, LB_RESETCONTENT, 0, 0);
        if (Edit) {
            Updating = true;
            SetWindowText(Edit, "");
            Updating = false;
        }
        InvalidateRect(FWnd, nullptr, FALSE);
        return CB_OKAY;
    }
    case CB_GETCOUNT:
        return ComboCount(FWnd);
    case CB_GETCURSEL:
        return ComboCur(FWnd);
    case CB_SETCURSEL: {
        // Selection by code: no notification.
        LRESULT r = SendMessage(List, LB_SETCURSEL, wParam, 0);
        ComboShowSelection(FWnd);
        return int(intptr_t(wParam)) < 0 ? CB_ERR : r;
    }
    case CB_GETLBTEXT:
        return SendMessage(List, LB_GETTEXT, wParam, lParam);
    case CB_GETLBTEXTLEN:
        return SendMessage(List, LB_GETTEXTLEN, wParam, lParam);
    case CB_GETITEMDATA:
        return SendMessage(List, LB_GETITEMDATA, wParam, lParam);
    case CB_SETITEMDATA:
        return SendMessage(List, LB_SETITEMDATA, wParam, lParam);
    case CB_FINDSTRING:
        return SendMessage(List, LB_FINDSTRING, wParam, lParam);
    case CB_FINDSTRINGEXACT:
        return SendMessage(List, LB_FINDSTRINGEXACT, wParam, lParam);
    case CB_SELECTSTRING: {
        LRESULT found = SendMessage(List, LB_FINDSTRING, wParam, lParam);
        if (found != LB_ERR) {
            SendMessage(List, LB_SETCURSEL, WPARAM(found), 0);
            ComboShowSelection(FWnd);
        }
        return found;
    }
    case CB_GETTOPINDEX:
        return SendMessage(List, LB_GETTOPINDEX, 0, 0);
    case CB_SETTOPINDEX:
        return SendMessage(List, LB_SETTOPINDEX, wParam, 0);
    case CB_SETITEMHEIGHT: {
        if (int(intptr_t(wParam)) == -1) {
            FaceHeight = int(lParam) + 8;
            ComboLayout(FWnd);
            InvalidateRect(FWnd, nullptr, FALSE);
            return CB_OKAY;
        }
        return SendMessage(List, LB_SETITEMHEIGHT, wParam, lParam);
    }
    case CB_GETITEMHEIGHT: {
        if (int(intptr_t(wParam)) == -1)
            return FaceHeight - 8;
        return SendMessage(List, LB_GETITEMHEIGHT, wParam, 0);
    }
    case CB_SHOWDROPDOWN:
        if (wParam)
            ComboDrop(FWnd);
        else
            ComboClose(FWnd, false);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return Dropped;
    case CB_GETDROPPEDCONTROLRECT: {
        if (!lParam)
            return CB_ERR;
        TRect wr;
        GetWindowRect(FWnd, &wr);
        if (Dropped)
            GetWindowRect(List, &wr);
        *reinterpret_cast<TRect*>(lParam) = wr;
        return CB_OKAY;
    }
    case CB_SETDROPPEDWIDTH:
        DroppedWidth = int(wParam);
        return LRESULT(wParam);
    case CB_GETDROPPEDWIDTH: {
        TRect wr;
        GetWindowRect(FWnd, &wr);
        return std::max(DroppedWidth, int(wr.Width()));
    }
    case CB_SETMINVISIBLE:
        if (int(wParam) < 1)
            return FALSE;
        MinVisible = int(wParam);
        return TRUE;
    case CB_GETMINVISIBLE:
        return MinVisible;
    case CB_LIMITTEXT: {
        return Edit ? SendMessage(Edit, EM_LIMITTEXT, wParam, 0) : CB_ERR;
    }
    case CB_GETEDITSEL: {
        return Edit ? SendMessage(Edit, EM_GETSEL, wParam, lParam) : CB_ERR;
    }
    case CB_SETEDITSEL: {
        if (!Edit)
            return CB_ERR;
        SendMessage(Edit, EM_SETSEL, WPARAM(intptr_t(int16_t(LOWORD(WPARAM(lParam))))),
                    LPARAM(int16_t(HIWORD(WPARAM(lParam)))));
        return TRUE;
    }
    default:
        return std::nullopt;
    }
}

// The drop-down list: a list box whose mouse follows the combo box's drop-down rules.
LRESULT ComboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND combo = reinterpret_cast<HWND>(GetProp(hwnd, NotifyTargetProp));
    bool popup = (Style(hwnd) & WS_POPUP) != 0;
    if (!popup || !combo)
        return ListBoxProc(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_MOUSEMOVE: {
        // The highlight follows the pointer over the items.
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        TRect r;
        GetClientRect(hwnd, &r);
        if (p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom) {
            LRESULT hit = SendMessage(hwnd, LB_ITEMFROMPOINT, 0, lParam);
            if (!HIWORD(WPARAM(hit)))
                SendMessage(hwnd, LB_SETCURSEL, LOWORD(WPARAM(hit)), 0);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        TRect r;
        GetClientRect(hwnd, &r);
        bool inside = p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
        ComboState* s = ComboOf(combo);
        if (inside) {
            LRESULT hit = SendMessage(hwnd, LB_ITEMFROMPOINT, 0, lParam);
            if (!HIWORD(WPARAM(hit))) {
                SendMessage(hwnd, LB_SETCURSEL, LOWORD(WPARAM(hit)), 0);
                if (msg == WM_LBUTTONUP || !s->ButtonPressed)
                    ComboClose(combo, true);
            }
            return 0;
        }
        if (msg == WM_LBUTTONUP) {
            // Letting go of the drop button leaves the list open.
            if (s->ButtonPressed) {
                s->ButtonPressed = false;
                InvalidateRect(combo, nullptr, FALSE);
            }
            return 0;
        }
        // A press anywhere else closes the list without choosing.
        ComboClose(combo, false);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (ComboOf(combo)->Dropped && reinterpret_cast<HWND>(lParam) != hwnd)
            ComboClose(combo, false);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
        return SendMessage(combo, msg, wParam, lParam);
    default:
        return ListBoxProc(hwnd, msg, wParam, lParam);
    }
}

} // namespace

void RegisterComboBoxClass() {
    RegisterControlClass(WC_COMBOBOX, WithContextMenu<ControlProc<ComboBoxWindow>>,
                         CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    RegisterControlClass(WC_COMBOLBOX, WithContextMenu<ComboListProc>, CS_DBLCLKS | CS_SAVEBITS);
}

} // namespace win::ctl
