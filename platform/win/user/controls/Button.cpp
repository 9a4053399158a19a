// The "BUTTON" class: push buttons, check boxes, radio buttons, group boxes and owner-drawn buttons.
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/controls/ControlSupport.h"

namespace win::ctl {

namespace {

constexpr const char* ButtonProp = "LoomwickButton";

struct ButtonState {
    bool Pressed = false;  // drawn pushed in
    bool Tracking = false; // the mouse or the space bar holds it
    bool Space = false;
    LRESULT Check = BST_UNCHECKED;
    HFONT Font = nullptr;
    HANDLE Image = nullptr;
};

ButtonState* ButtonOf(HWND hwnd) {
    return State<ButtonState>(hwnd, ButtonProp);
}
DWORD ButtonType(HWND hwnd) {
    return Style(hwnd) & BS_TYPEMASK;
}
bool ButtonIsPush(DWORD type) {
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}
bool ButtonIsRadio(DWORD type) {
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

void ButtonSetPressed(HWND hwnd, bool pressed, bool tracking, bool space) {
    ButtonState* s = ButtonOf(hwnd);
    bool redraw = s->Pressed != pressed;
    s->Pressed = pressed;
    s->Tracking = tracking;
    s->Space = space;
    if (redraw)
        InvalidateRect(hwnd, nullptr, FALSE);
}

// Side length of the check-box and radio glyph.
constexpr int ButtonGlyphSize = 13;
// Space between the glyph and the caption.
constexpr int ButtonGlyphGap = 4;

void ButtonDrawCaption(HWND hwnd, HDC dc, TRect r, UINT format) {
    std::string text = GetWindowTextString(hwnd);
    SetBkMode(dc, TRANSPARENT);
    if (IsWindowEnabled(hwnd)) {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawText(dc, text.c_str(), -1, &r, format);
    } else {
        // Disabled captions are embossed: a highlight copy below and to the right of the grey text.
        TRect shifted{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawText(dc, text.c_str(), -1, &shifted, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawText(dc, text.c_str(), -1, &r, format);
    }
}

void ButtonPaintPush(HWND hwnd, HDC dc, ButtonState* s, TRect r) {
    bool isDefault = ButtonType(hwnd) == BS_DEFPUSHBUTTON;
    if (isDefault) {
        // The default button wears an extra dark frame.
        HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
        FrameRect(dc, &r, frame);
        DeleteObject(frame);
        r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
    bool down = s->Pressed || ((Style(hwnd) & BS_PUSHLIKE) && s->Check == BST_CHECKED);
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
    TRect tr = r;
    if (down)
        tr = {tr.Left + 1, tr.Top + 1, tr.Right + 1, tr.Bottom + 1};
    ButtonDrawCaption(hwnd, dc, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (GetFocus() == hwnd) {
        TRect fr{r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3};
        DrawFocusRect(dc, &fr);
    }
}

void ButtonPaintCheck(HWND hwnd, HDC dc, ButtonState* s, TRect r) {
    DWORD type = ButtonType(hwnd);
    FillRect(dc, &r, ParentColorBrush(hwnd, WM_CTLCOLORSTATIC, dc, COLOR_BTNFACE));
    bool leftText = (Style(hwnd) & BS_LEFTTEXT) != 0;
    int top = r.Top + (r.Height() - ButtonGlyphSize) / 2;
    TRect box = leftText ? TRect{r.Right - ButtonGlyphSize, top, r.Right, top + ButtonGlyphSize}
                         : TRect{r.Left, top, r.Left + ButtonGlyphSize, top + ButtonGlyphSize};
    UINT state = ButtonIsRadio(type) ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
    if (s->Check == BST_INDETERMINATE)
        state = DFCS_BUTTON3STATE | DFCS_CHECKED;
    else if (s->Check == BST_CHECKED)
        state |= DFCS_CHECKED;
    if (s->Pressed)
        state |= DFCS_PUSHED;
    if (!IsWindowEnabled(hwnd))
        state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, state);
    TRect tr = leftText ? TRect{r.Left, r.Top, box.Left - ButtonGlyphGap, r.Bottom}
                        : TRect{box.Right + ButtonGlyphGap, r.Top, r.Right, r.Bottom};
    UINT format = DT_VCENTER | DT_SINGLELINE;
    if (Style(hwnd) & BS_MULTILINE)
        format = DT_WORDBREAK;
    ButtonDrawCaption(hwnd, dc, tr, format);
    if (GetFocus() == hwnd) {
        TRect calc = tr;
        std::string text = GetWindowTextString(hwnd);
        DrawText(dc, text.c_str(), -1, &calc, format | DT_CALCRECT);
        int h = calc.Height();
        TRect fr{tr.Left - 1, tr.Top + (tr.Height() - h) / 2 - 1, calc.Right + 1,
                 tr.Top + (tr.Height() - h) / 2 + h + 1};
        if (!(format & DT_VCENTER))
            fr = {calc.Left - 1, calc.Top - 1, calc.Right + 1, calc.Bottom + 1};
        DrawFocusRect(dc, &fr);
    }
}

void ButtonPaintGroup(HWND hwnd, HDC dc, TRect r) {
    FillRect(dc, &r, ParentColorBrush(hwnd, WM_CTLCOLORSTATIC, dc, COLOR_BTNFACE));
    std::string text = GetWindowTextString(hwnd);
    int lineH = LineHeight(dc);
    TRect frame{r.Left, r.Top + lineH / 2, r.Right, r.Bottom};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!text.empty()) {
        TRect calc{0, 0, 0, 0};
        DrawText(dc, text.c_str(), -1, &calc, DT_SINGLELINE | DT_CALCRECT);
        TRect tr{r.Left + 8, r.Top, r.Left + 8 + calc.Width() + 4, r.Top + lineH};
        FillRect(dc, &tr, ParentColorBrush(hwnd, WM_CTLCOLORSTATIC, dc, COLOR_BTNFACE));
        TRect text_r{tr.Left + 2, tr.Top, tr.Right, tr.Bottom};
        ButtonDrawCaption(hwnd, dc, text_r, DT_SINGLELINE | DT_LEFT | DT_TOP);
    }
}

void ButtonPaintOwner(HWND hwnd, HDC dc, ButtonState* s, TRect r) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = UINT(ControlId(hwnd));
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (s->Pressed ? ODS_SELECTED : 0) | (GetFocus() == hwnd ? ODS_FOCUS : 0) |
                    (IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED);
    dis.hwndItem = hwnd;
    dis.hDC = dc;
    dis.rcItem = r;
    if (HWND parent = NotifyTarget(hwnd))
        SendMessage(parent, WM_DRAWITEM, WPARAM(dis.CtlID), reinterpret_cast<LPARAM>(&dis));
}

void ButtonPaint(HWND hwnd, HDC dc) {
    ButtonState* s = ButtonOf(hwnd);
    TRect r;
    GetClientRect(hwnd, &r);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    DWORD type = ButtonType(hwnd);
    if (type == BS_OWNERDRAW)
        ButtonPaintOwner(hwnd, dc, s, r);
    else if (type == BS_GROUPBOX)
        ButtonPaintGroup(hwnd, dc, r);
    else if (ButtonIsPush(type) || (Style(hwnd) & BS_PUSHLIKE))
        ButtonPaintPush(hwnd, dc, s, r);
    else
        ButtonPaintCheck(hwnd, dc, s, r);
    SelectObject(dc, old);
}

// Unchecks the other automatic radio buttons of the group (siblings up to the next WS_GROUP).
void ButtonUncheckGroup(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    if (!parent)
        return;
    // Find the group's first window: walk back to one with WS_GROUP.
    HWND first = hwnd;
    while (!(Style(first) & WS_GROUP)) {
        HWND prev = GetWindow(first, GW_HWNDPREV);
        if (!prev)
            break;
        first = prev;
    }
    for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != first && (Style(w) & WS_GROUP))
            break;
        if (w != hwnd && SendMessage(w, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
            SendMessage(w, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

// What a click does to the button's own state before its parent hears of it.
void ButtonClicked(HWND hwnd) {
    DWORD type = ButtonType(hwnd);
    ButtonState* s = ButtonOf(hwnd);
    if (type == BS_AUTOCHECKBOX)
        SendMessage(hwnd, BM_SETCHECK, s->Check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    else if (type == BS_AUTO3STATE)
        SendMessage(hwnd, BM_SETCHECK, (s->Check + 1) % 3, 0);
    else if (type == BS_AUTORADIOBUTTON) {
        SendMessage(hwnd, BM_SETCHECK, BST_CHECKED, 0);
        ButtonUncheckGroup(hwnd);
    }
    NotifyCommand(hwnd, BN_CLICKED);
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintDC dc(hwnd, wParam);
        ButtonPaint(hwnd, dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE: {
        DWORD type = ButtonType(hwnd);
        if (type == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_PUSHBUTTON)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (ButtonIsRadio(type))
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (type == BS_GROUPBOX)
            return DLGC_STATIC;
        return DLGC_BUTTON;
    }
    case WM_NCHITTEST:
        // A group box lets clicks through to what lies beneath it.
        if (ButtonType(hwnd) == BS_GROUPBOX)
            return HTTRANSPARENT;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (ButtonType(hwnd) == BS_GROUPBOX)
            return 0;
        SetCapture(hwnd);
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        ButtonSetPressed(hwnd, true, true, false);
        return 0;
    case WM_MOUSEMOVE: {
        ButtonState* s = ButtonOf(hwnd);
        if (s->Tracking && !s->Space) {
            TRect r;
            GetClientRect(hwnd, &r);
            TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            bool inside = p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
            ButtonSetPressed(hwnd, inside, true, false);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        ButtonState* s = ButtonOf(hwnd);
        if (!s->Tracking || s->Space)
            return 0;
        ButtonSetPressed(hwnd, false, false, false);
        if (GetCapture() == hwnd)
            ReleaseCapture();
        TRect r;
        GetClientRect(hwnd, &r);
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom)
            ButtonClicked(hwnd);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (!ButtonOf(hwnd)->Space)
            ButtonSetPressed(hwnd, false, false, false);
        return 0;
    case WM_KEYDOWN:
        if (wParam == WPARAM(VK_SPACE) && ButtonType(hwnd) != BS_GROUPBOX) {
            ButtonSetPressed(hwnd, true, true, true);
            return 0;
        }
        break;
    case WM_KEYUP:
        if (wParam == WPARAM(VK_SPACE) && ButtonOf(hwnd)->Space) {
            ButtonSetPressed(hwnd, false, false, false);
            ButtonClicked(hwnd);
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        ButtonSetPressed(hwnd, false, false, false);
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_SETFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_SETTEXT: {
        LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    case WM_SETFONT:
        ButtonOf(hwnd)->Font = reinterpret_cast<HFONT>(wParam);
        if (lParam)
            InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(ButtonOf(hwnd)->Font);
    case BM_CLICK:
        if (IsWindowEnabled(hwnd))
            ButtonClicked(hwnd);
        return 0;
    case BM_GETCHECK:
        return ButtonOf(hwnd)->Check;
    case BM_SETCHECK: {
        ButtonState* s = ButtonOf(hwnd);
        LRESULT value = LRESULT(wParam) & 3;
        if (value == BST_INDETERMINATE && ButtonType(hwnd) != BS_3STATE && ButtonType(hwnd) != BS_AUTO3STATE)
            value = BST_CHECKED;
        if (s->Check != value) {
            s->Check = value;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        // A checked radio button is where Tab lands in its group.
        if (ButtonIsRadio(ButtonType(hwnd))) {
            auto style = GetWindowLong(hwnd, GWL_STYLE);
            SetWindowLong(hwnd, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~LONG_PTR(WS_TABSTOP)));
        }
        return 0;
    }
    case BM_GETSTATE: {
        ButtonState* s = ButtonOf(hwnd);
        return s->Check | (s->Pressed ? BST_PUSHED : 0) | (GetFocus() == hwnd ? BST_FOCUS : 0);
    }
    case BM_SETSTATE:
        ButtonSetPressed(hwnd, wParam != 0, false, false);
        return 0;
    case BM_SETSTYLE: {
        auto style = GetWindowLong(hwnd, GWL_STYLE);
        SetWindowLong(hwnd, GWL_STYLE, (style & ~LONG_PTR(0xFFFF)) | (LONG_PTR(wParam) & 0xFFFF));
        if (lParam)
            InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    case BM_GETIMAGE:
        return reinterpret_cast<LRESULT>(ButtonOf(hwnd)->Image);
    case BM_SETIMAGE: {
        ButtonState* s = ButtonOf(hwnd);
        HANDLE old = s->Image;
        s->Image = reinterpret_cast<HANDLE>(lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_NCDESTROY:
        FreeState<ButtonState>(hwnd, ButtonProp);
        break;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterButtonClass() {
    RegisterControlClass(WC_BUTTON, WithContextMenu<ButtonProc>, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

} // namespace win::ctl
