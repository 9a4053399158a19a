#include "platform/win/user/controls/ControlSupport.h"

#include "platform/win/user/Cursors.h"

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
    });
}

namespace ctl {

const EditClipboard& GetEditClipboard() {
    return ControlSupportClipboard();
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
