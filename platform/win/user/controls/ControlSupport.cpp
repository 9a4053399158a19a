#include "platform/win/user/controls/ControlSupport.h"

#include "platform/win/user/Cursors.h"

#include <memory>
#include <mutex>

namespace win {

namespace {
EditClipboard& ControlSupportClipboard() {
    static EditClipboard clipboard;
    return clipboard;
}
} // namespace

void SetEditClipboard(EditClipboard clipboard) {
    ControlSupportClipboard() = std::move(clipboard);
}

void InitCommonControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        ctl::RegisterEditClass();
        ctl::RegisterListBoxClass();
        ctl::RegisterComboBoxClass();
        ctl::RegisterButtonClass();
        ctl::RegisterStaticClass();
        ctl::RegisterHeaderClass();
        ctl::RegisterListViewClass();
        ctl::RegisterStatusBarClass();
        ctl::RegisterProgressBarClass();
        ctl::RegisterTrackBarClass();
        ctl::RegisterUpDownClass();
        ctl::RegisterTabControlClass();
    });
}

namespace ctl {

const EditClipboard& GetEditClipboard() {
    return ControlSupportClipboard();
}

namespace {
constexpr const char* ControlWindowProp = "LoomwickControlWindow";

TPoint ControlPoint(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}
} // namespace

ControlWindow* AttachControlWindow(HWND hwnd, ControlWindow* (*make)(HWND hwnd)) {
    if (auto* control = reinterpret_cast<ControlWindow*>(GetProp(hwnd, ControlWindowProp)))
        return control;
    ControlWindow* control = make(hwnd);
    SetProp(hwnd, ControlWindowProp, reinterpret_cast<HANDLE>(control));
    return control;
}

LRESULT RunControlWindow(ControlWindow* control, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = control->Handle();
    if (msg != WM_NCDESTROY)
        return control->WindowProc(msg, wParam, lParam);
    // The window's last message: its handler still finds the object through the window (a list box tells
    // its owner of each item going), then the object goes with the window, even when the handler throws.
    std::unique_ptr<ControlWindow> owned(control);
    struct Detach {
        HWND Wnd;
        ~Detach() { RemoveProp(Wnd, ControlWindowProp); }
    } detach{hwnd};
    return owned->WindowProc(msg, wParam, lParam);
}

LRESULT ControlWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto taken = [&](bool took) {
        return took ? LRESULT(0) : DefWindowProc(FWnd, msg, wParam, lParam);
    };
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        break;
    case WM_SIZE:
        OnSize();
        break;
    case WM_ENABLE:
        OnEnable(wParam != 0);
        break;
    case WM_PAINT: {
        PaintDC dc(FWnd, wParam);
        OnPaint(dc.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_GETDLGCODE:
        return OnGetDlgCode();
    case WM_SETFOCUS:
        OnSetFocus();
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus();
        return 0;
    case WM_SETFONT:
        OnSetFont(reinterpret_cast<HFONT>(wParam), lParam != 0);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(OnGetFont());
    case WM_KEYDOWN:
        return taken(OnKeyDown(wParam));
    case WM_CHAR:
        return taken(OnChar(wParam));
    case WM_LBUTTONDOWN:
        return taken(OnMouseDown(MouseButton::Left, wParam, ControlPoint(lParam)));
    case WM_RBUTTONDOWN:
        return taken(OnMouseDown(MouseButton::Right, wParam, ControlPoint(lParam)));
    case WM_MBUTTONDOWN:
        return taken(OnMouseDown(MouseButton::Middle, wParam, ControlPoint(lParam)));
    case WM_LBUTTONDBLCLK:
        return taken(OnDoubleClick(MouseButton::Left, wParam, ControlPoint(lParam)));
    case WM_RBUTTONDBLCLK:
        return taken(OnDoubleClick(MouseButton::Right, wParam, ControlPoint(lParam)));
    case WM_MBUTTONDBLCLK:
        return taken(OnDoubleClick(MouseButton::Middle, wParam, ControlPoint(lParam)));
    case WM_LBUTTONUP:
        return taken(OnMouseUp(MouseButton::Left, wParam, ControlPoint(lParam)));
    case WM_RBUTTONUP:
        return taken(OnMouseUp(MouseButton::Right, wParam, ControlPoint(lParam)));
    case WM_MBUTTONUP:
        return taken(OnMouseUp(MouseButton::Middle, wParam, ControlPoint(lParam)));
    case WM_MOUSEMOVE:
        return taken(OnMouseMove(wParam, ControlPoint(lParam)));
    case WM_CAPTURECHANGED:
        return taken(OnCaptureLost());
    case WM_MOUSEWHEEL:
        return taken(OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), wParam));
    case WM_VSCROLL:
    case WM_HSCROLL:
        return taken(OnScroll(msg == WM_VSCROLL, wParam));
    case WM_TIMER:
        return taken(OnTimer(UINT_PTR(wParam)));
    case WM_NCDESTROY:
        OnDestroy();
        break;
    default:
        if (std::optional<LRESULT> answer = OnMessage(msg, wParam, lParam))
            return *answer;
        break;
    }
    return DefWindowProc(FWnd, msg, wParam, lParam);
}

void CaptureTrackingWindow::BeginTracking() {
    Tracking = true;
    SetCapture(FWnd);
}

void CaptureTrackingWindow::EndTracking() {
    if (Tracking) {
        Tracking = false;
        if (GetCapture() == FWnd)
            ReleaseCapture();
    }
}

bool CaptureTrackingWindow::OnMouseUp(MouseButton button, WPARAM, TPoint) {
    if (button != MouseButton::Left)
        return false;
    EndTracking();
    return true;
}

bool CaptureTrackingWindow::OnCaptureLost() {
    EndTracking();
    return true;
}

HWND NotifyTarget(HWND hwnd) {
    // A control built into another (a combo box's list) talks to the one it belongs to.
    if (HANDLE target = GetProp(hwnd, NotifyTargetProp))
        return reinterpret_cast<HWND>(target);
    HWND parent = GetParent(hwnd);
    if (!parent)
        parent = GetWindow(hwnd, GW_OWNER);
    return parent;
}

void NotifyCommand(HWND hwnd, WORD code, HWND to) {
    HWND target = to ? to : NotifyTarget(hwnd);
    if (target)
        SendMessage(target, WM_COMMAND, MAKEWPARAM(ControlId(hwnd), code), reinterpret_cast<LPARAM>(hwnd));
}

LRESULT Notify(HWND hwnd, UINT code, NMHDR* hdr) {
    hdr->hwndFrom = hwnd;
    hdr->idFrom = UINT_PTR(ControlId(hwnd));
    hdr->code = code;
    HWND target = NotifyTarget(hwnd);
    if (!target)
        return 0;
    return SendMessage(target, WM_NOTIFY, WPARAM(hdr->idFrom), reinterpret_cast<LPARAM>(hdr));
}

HFONT ControlFont(HFONT font) {
    return font ? font : AsFont(GetStockObject(DEFAULT_GUI_FONT));
}

int LineHeight(HDC dc) {
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    return tm.tmHeight > 0 ? int(tm.tmHeight) : 13;
}

int TextWidth(HDC dc, const char* text, int count) {
    if (count <= 0)
        return 0;
    SIZE s{};
    GetTextExtentPoint32(dc, text, count, &s);
    return int(s.cx);
}

int TextWidth(HDC dc, const std::string& text) {
    return TextWidth(dc, text.data(), int(text.size()));
}

HBRUSH ParentColorBrush(HWND hwnd, UINT msg, HDC dc, int defaultColor) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(defaultColor));
    HWND parent = NotifyTarget(hwnd);
    LRESULT r =
        parent ? SendMessage(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)) : 0;
    if (r)
        return reinterpret_cast<HBRUSH>(r);
    return GetSysColorBrush(defaultColor);
}

void Fill(HDC dc, const TRect& r, COLORREF color) {
    HBRUSH b = CreateSolidBrush(color);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void FillSys(HDC dc, const TRect& r, int sysColor) {
    FillRect(dc, &r, GetSysColorBrush(sysColor));
}

PaintDC::PaintDC(HWND hwnd, WPARAM wParam)
    : FWnd(hwnd), FDc(reinterpret_cast<HDC>(wParam)), FOwn(wParam == 0) {
    if (FOwn)
        FDc = BeginPaint(hwnd, &FPs);
}

PaintDC::~PaintDC() {
    if (FOwn)
        EndPaint(FWnd, &FPs);
}

bool KeyDown(int vk) {
    return (GetKeyState(vk) & 0x8000) != 0;
}

bool ScrollRequestTarget(WPARAM request, int value, int line, int page, int last, int* target) {
    // The left and right codes are the up and down ones.
    switch (LOWORD(request)) {
    case SB_LINEUP:
        *target = value - line;
        return true;
    case SB_LINEDOWN:
        *target = value + line;
        return true;
    case SB_PAGEUP:
        *target = value - page;
        return true;
    case SB_PAGEDOWN:
        *target = value + page;
        return true;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        *target = int(HIWORD(request));
        return true;
    case SB_TOP:
        *target = 0;
        return true;
    case SB_BOTTOM:
        *target = last;
        return true;
    default:
        return false;
    }
}

void RegisterControlClass(const char* name, WNDPROC proc, UINT style, HCURSOR cursor, int backgroundColor) {
    WNDCLASSEX existing;
    if (GetClassInfoEx(nullptr, name, &existing))
        return;
    WNDCLASSEX wc;
    wc.style = style | CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    wc.hCursor = cursor ? cursor : LoadCursor(nullptr, IDC_ARROW);
    if (backgroundColor >= 0)
        wc.hbrBackground = reinterpret_cast<HBRUSH>(intptr_t(backgroundColor + 1));
    RegisterClassEx(wc);
}

} // namespace ctl
} // namespace win
