#include "platform/vcl/StdCtrls.h"

#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/User.h"

namespace vcl {

namespace {

constexpr const char* ButtonStateProp = "LoomwickButtonState";
constexpr const char* ButtonFontProp = "LoomwickButtonFont";
constexpr uintptr_t ButtonPressed = 1;  // drawn pushed in
constexpr uintptr_t ButtonTracking = 2; // the mouse or the space bar holds it
constexpr uintptr_t ButtonSpace = 4;

uintptr_t ButtonState(win::HWND hwnd) {
    return reinterpret_cast<uintptr_t>(win::GetProp(hwnd, ButtonStateProp));
}

void ButtonSetState(win::HWND hwnd, uintptr_t state) {
    if (state == ButtonState(hwnd))
        return;
    win::SetProp(hwnd, ButtonStateProp, reinterpret_cast<win::HANDLE>(state));
    win::InvalidateRect(hwnd, nullptr, win::FALSE);
}

void ButtonNotifyClick(win::HWND hwnd) {
    win::HWND parent = win::GetParent(hwnd);
    if (!parent)
        return;
    auto id = int(win::GetWindowLong(hwnd, win::GWL_ID));
    win::SendMessage(parent, win::WM_COMMAND, win::MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<win::LPARAM>(hwnd));
}

void ButtonPaint(win::HWND hwnd, win::HDC dc) {
    TRect r;
    win::GetClientRect(hwnd, &r);
    uintptr_t state = ButtonState(hwnd);
    bool isDefault = (win::GetWindowLong(hwnd, win::GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON;
    bool enabled = win::IsWindowEnabled(hwnd);
    bool focused = win::GetFocus() == hwnd;
    if (isDefault) {
        // The default button wears an extra dark frame.
        win::HBRUSH frame = win::CreateSolidBrush(win::GetSysColor(win::COLOR_WINDOWFRAME));
        win::FrameRect(dc, &r, frame);
        win::DeleteObject(frame);
        r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
    win::DrawFrameControl(dc, &r, win::DFC_BUTTON,
                          win::DFCS_BUTTONPUSH | ((state & ButtonPressed) ? win::DFCS_PUSHED : 0));
    std::string text = win::GetWindowTextString(hwnd);
    auto font = reinterpret_cast<win::HFONT>(win::GetProp(hwnd, ButtonFontProp));
    win::HGDIOBJ old = font ? win::SelectObject(dc, font) : nullptr;
    win::SetBkMode(dc, win::TRANSPARENT);
    TRect tr = r;
    if (state & ButtonPressed)
        tr = {tr.Left + 1, tr.Top + 1, tr.Right + 1, tr.Bottom + 1};
    win::SetTextColor(dc, win::GetSysColor(enabled ? win::COLOR_BTNTEXT : win::COLOR_GRAYTEXT));
    win::DrawText(dc, text.c_str(), -1, &tr, win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE);
    if (old)
        win::SelectObject(dc, old);
    if (focused) {
        TRect fr{r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3};
        win::DrawFocusRect(dc, &fr);
    }
}

win::LRESULT CALLBACK_Button(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    switch (msg) {
    case win::WM_PAINT: {
        win::PAINTSTRUCT ps;
        win::HDC dc = wParam ? reinterpret_cast<win::HDC>(wParam) : win::BeginPaint(hwnd, &ps);
        ButtonPaint(hwnd, dc);
        if (!wParam)
            win::EndPaint(hwnd, &ps);
        return 0;
    }
    case win::WM_ERASEBKGND:
        return 1;
    case win::WM_GETDLGCODE:
        return win::DLGC_BUTTON | ((win::GetWindowLong(hwnd, win::GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON
                                       ? win::DLGC_DEFPUSHBUTTON
                                       : win::DLGC_UNDEFPUSHBUTTON);
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
        win::SetCapture(hwnd);
        if (win::GetFocus() != hwnd)
            win::SetFocus(hwnd);
        ButtonSetState(hwnd, ButtonPressed | ButtonTracking);
        return 0;
    case win::WM_MOUSEMOVE:
        if (ButtonState(hwnd) & ButtonTracking) {
            TRect r;
            win::GetClientRect(hwnd, &r);
            bool inside = RectContains(r, {win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)});
            ButtonSetState(hwnd, ButtonTracking | (inside ? ButtonPressed : 0));
        }
        return 0;
    case win::WM_LBUTTONUP: {
        uintptr_t state = ButtonState(hwnd);
        if (!(state & ButtonTracking))
            return 0;
        ButtonSetState(hwnd, 0);
        if (win::GetCapture() == hwnd)
            win::ReleaseCapture();
        TRect r;
        win::GetClientRect(hwnd, &r);
        if (RectContains(r, {win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)}))
            ButtonNotifyClick(hwnd);
        return 0;
    }
    case win::WM_CAPTURECHANGED:
        if (!(ButtonState(hwnd) & ButtonSpace))
            ButtonSetState(hwnd, 0);
        return 0;
    case win::WM_KEYDOWN:
        if (wParam == win::WPARAM(win::VK_SPACE)) {
            ButtonSetState(hwnd, ButtonPressed | ButtonTracking | ButtonSpace);
            return 0;
        }
        break;
    case win::WM_KEYUP:
        if (wParam == win::WPARAM(win::VK_SPACE) && (ButtonState(hwnd) & ButtonSpace)) {
            ButtonSetState(hwnd, 0);
            ButtonNotifyClick(hwnd);
            return 0;
        }
        break;
    case win::WM_KILLFOCUS:
        ButtonSetState(hwnd, 0);
        win::InvalidateRect(hwnd, nullptr, win::FALSE);
        break;
    case win::WM_SETFOCUS:
    case win::WM_ENABLE:
        win::InvalidateRect(hwnd, nullptr, win::FALSE);
        break;
    case win::WM_SETTEXT: {
        win::LRESULT r = win::DefWindowProc(hwnd, msg, wParam, lParam);
        win::InvalidateRect(hwnd, nullptr, win::FALSE);
        return r;
    }
    case win::WM_SETFONT:
        win::SetProp(hwnd, ButtonFontProp, reinterpret_cast<win::HANDLE>(wParam));
        if (lParam)
            win::InvalidateRect(hwnd, nullptr, win::FALSE);
        return 0;
    case win::WM_GETFONT:
        return reinterpret_cast<win::LRESULT>(win::GetProp(hwnd, ButtonFontProp));
    case BM_CLICK:
        ButtonNotifyClick(hwnd);
        return 0;
    case BM_GETSTATE:
        return ((ButtonState(hwnd) & ButtonPressed) ? BST_PUSHED : 0) |
               (win::GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE:
        ButtonSetState(hwnd, wParam ? ButtonPressed : 0);
        return 0;
    case BM_SETSTYLE: {
        auto style = win::GetWindowLong(hwnd, win::GWL_STYLE);
        win::SetWindowLong(hwnd, win::GWL_STYLE, (style & ~0xFFFF) | (win::LONG_PTR(wParam) & 0xFFFF));
        if (lParam)
            win::InvalidateRect(hwnd, nullptr, win::FALSE);
        return 0;
    }
    case win::WM_NCDESTROY:
        win::RemoveProp(hwnd, ButtonStateProp);
        win::RemoveProp(hwnd, ButtonFontProp);
        break;
    default:
        break;
    }
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

void RegisterButtonClass() {
    static bool registered = false;
    if (registered)
        return;
    win::WNDCLASSEX wc;
    wc.style = win::CS_DBLCLKS | win::CS_HREDRAW | win::CS_VREDRAW | win::CS_GLOBALCLASS;
    wc.lpfnWndProc = CALLBACK_Button;
    wc.lpszClassName = "BUTTON";
    win::WNDCLASSEX existing;
    // Another part of the program (the window system's own controls) may have registered it already.
    if (!win::GetClassInfoEx(nullptr, "BUTTON", &existing))
        win::RegisterClassEx(wc);
    registered = true;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    FControlStyle = TControlStyle{csSetCaption, csDoubleClicks};
    FWidth = 75;
    FHeight = 25;
    FTabStop = true;
}

void TButton::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = "BUTTON";
    p.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool value) {
    if (value == FDefault)
        return;
    FDefault = value;
    if (HandleAllocated())
        win::SendMessage(FHandle, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, win::TRUE);
}

void TButton::Click() {
    if (FModalResult != mrNone)
        if (TCustomForm* form = GetParentForm(this))
            form->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (win::HIWORD(m.WParam) == BN_CLICKED)
            Click();
        return;
    case CM_DIALOGKEY: {
        // Enter clicks the focused button, or the default one when no button has the focus; Escape clicks
        // the cancel button.
        auto key = int(m.WParam);
        if (!IsEnabledChain() || !Showing())
            return;
        TWinControl* focused = FindControl(win::GetFocus());
        bool focusOnButton = dynamic_cast<TButton*>(focused) != nullptr;
        if ((key == win::VK_RETURN && (focused == this || (FDefault && !focusOnButton))) ||
            (key == win::VK_ESCAPE && FCancel)) {
            Click();
            m.Result = 1;
        }
        return;
    }
    default:
        TWinControl::Dispatch(m);
    }
}

} // namespace vcl
