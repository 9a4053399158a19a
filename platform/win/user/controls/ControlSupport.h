// Helpers the control classes share (internal to the controls folder): per-window state, notifications
// to the parent, fonts, colours and text measuring.
#pragma once

#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/User.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <string>
#include <vector>

namespace win::ctl {

// The state object a control keeps in a window property, made on first use and freed with the window.
template <class T> T* State(HWND hwnd, const char* prop) {
    auto* s = reinterpret_cast<T*>(GetProp(hwnd, prop));
    if (!s) {
        s = new T();
        SetProp(hwnd, prop, reinterpret_cast<HANDLE>(s));
    }
    return s;
}
template <class T> void FreeState(HWND hwnd, const char* prop) {
    delete reinterpret_cast<T*>(RemoveProp(hwnd, prop));
}

inline DWORD Style(HWND hwnd) {
    return DWORD(GetWindowLong(hwnd, GWL_STYLE));
}
inline int ControlId(HWND hwnd) {
    return int(GetWindowLong(hwnd, GWL_ID));
}

// WM_COMMAND with the notification code to the parent (or the given window).
void NotifyCommand(HWND hwnd, WORD code, HWND to = nullptr);
// WM_NOTIFY with hdr filled in; returns the parent's answer.
LRESULT Notify(HWND hwnd, UINT code, NMHDR* hdr);
// The window that hears a control's notifications: the one in the NotifyTargetProp property, else the
// parent (or owner).
constexpr const char* NotifyTargetProp = "LoomwickNotifyTarget";
HWND NotifyTarget(HWND hwnd);

// The font a control draws with: what WM_SETFONT gave it, or the default GUI font.
HFONT ControlFont(HFONT font);
// Height of a text line in the font.
int LineHeight(HDC dc);
int TextWidth(HDC dc, const std::string& text);
int TextWidth(HDC dc, const char* text, int count);
// The brush the parent hands out through WM_CTLCOLOR... (it may set the DC's colours), or the default.
HBRUSH ParentColorBrush(HWND hwnd, UINT msg, HDC dc, int defaultColor);
void Fill(HDC dc, const TRect& r, COLORREF color);
void FillSys(HDC dc, const TRect& r, int sysColor);
// A DC for a paint: the one in wParam (WM_PAINT from a parent painting into a DC) or BeginPaint's.
class PaintDC {
public:
    PaintDC(HWND hwnd, WPARAM wParam);
    ~PaintDC();
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return FDc; }

private:
    HWND FWnd;
    HDC FDc;
    bool FOwn;
    PAINTSTRUCT FPs;
};

// Where a scroll request (WM_VSCROLL or WM_HSCROLL's wParam) moves a position from value, by line and page
// steps, to the thumb, or to 0 and last; false for a request that moves nothing. The caller clamps.
bool ScrollRequestTarget(WPARAM request, int value, int line, int page, int last, int* target);
// Whether a key is down now (the key state the last message saw).
bool KeyDown(int vk);
// A right-button release, the Apps key or Shift+F10 asks for the window's context menu: sends
// WM_CONTEXTMENU (the screen point, or (-1, -1) from the keyboard) and answers true.
bool ContextMenuInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A control's window procedure behind ContextMenuInput: every class registers its procedure this way.
template <WNDPROC Proc> LRESULT WithContextMenu(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (ContextMenuInput(hwnd, msg, wParam, lParam))
        return 0;
    return Proc(hwnd, msg, wParam, lParam);
}
// Registers one class unless a class of that name exists.
void RegisterControlClass(const char* name, WNDPROC proc, UINT style, HCURSOR cursor = nullptr,
                          int backgroundColor = -1);

// The window classes, registered by InitCommonControls.
void RegisterEditClass();
void RegisterListBoxClass();
void RegisterComboBoxClass();
void RegisterButtonClass();
void RegisterStaticClass();
void RegisterHeaderClass();
void RegisterListViewClass();
void RegisterStatusBarClass();
void RegisterProgressBarClass();
void RegisterTrackBarClass();
void RegisterUpDownClass();

// The edit controls' clipboard.
const EditClipboard& GetEditClipboard();

} // namespace win::ctl

namespace win::ctl {

// The list box's items and state, shared with the combo box's drop-down list.
struct ListBoxItem {
    std::string Text;
    LPARAM Data = 0;
    bool Selected = false;
    int Height = 0; // owner-drawn variable items
};
struct ListBoxState {
    std::vector<ListBoxItem> Items;
    int Cur = -1;    // the selected item (single selection)
    int Caret = -1;  // the item with the focus rectangle
    int Anchor = -1; // where an extended selection started
    int Top = 0;
    int ItemHeight = 13;
    int HorzExtent = 0;
    int ScrollX = 0;
    HFONT Font = nullptr;
    bool Tracking = false;
    bool Focused = false;
    bool AddMode = false;  // a Ctrl+click drag toggles items
    bool AddValue = false; // what it sets them to
};
ListBoxState* ListBoxStateOf(HWND hwnd);
LRESULT ListBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace win::ctl

namespace win::ctl {
// Private: the list view tells its header how far the report is scrolled sideways (wParam: pixels).
constexpr UINT HeaderScrollMessage = 0x0400 + 0x7F0;
} // namespace win::ctl
