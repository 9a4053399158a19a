// Helpers the control classes share (internal to the controls folder): per-window state, notifications
// to the parent, fonts, colours and text measuring.
#pragma once

#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/User.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <optional>
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
// The shape of a control class. One object per window keeps the control's state as members and answers
// its messages in short named handlers; ControlProc<T> is the window procedure of class T: it makes the
// object on the window's first message, routes every message to a handler and deletes the object after
// WM_NCDESTROY. A handler that declines (answers false, or no answer from OnMessage) leaves the message to
// DefWindowProc, as does every message without a handler.
enum class MouseButton { Left, Right, Middle };

class ControlWindow {
public:
    explicit ControlWindow(HWND hwnd) : FWnd(hwnd) {}
    virtual ~ControlWindow() = default;
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;

    HWND Handle() const { return FWnd; }
    // Routes one message to its handler.
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // WM_CREATE, WM_SIZE, WM_ENABLE: the control adjusts itself, then DefWindowProc answers.
    virtual void OnCreate() {}
    virtual void OnSize() {}
    virtual void OnEnable(bool enabled) {}
    // WM_PAINT on the paint DC (the one in wParam, else BeginPaint's). A control paints its whole client
    // area there, so WM_ERASEBKGND answers 1 (done) without erasing unless the control says otherwise.
    virtual void OnPaint(HDC dc) {}
    virtual LRESULT OnEraseBackground(HDC dc) { return 1; }
    // WM_GETDLGCODE: the keys the control takes from a dialog; arrows and characters by default.
    virtual LRESULT OnGetDlgCode() { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    // WM_SETFOCUS and WM_KILLFOCUS (answered 0); WM_SETFONT (answered 0) and WM_GETFONT.
    virtual void OnSetFocus() {}
    virtual void OnKillFocus() {}
    virtual void OnSetFont(HFONT font, bool redraw) {}
    virtual HFONT OnGetFont() { return nullptr; }
    // Keys and the mouse, points in client coordinates: true when the control took the message (answered
    // 0). A double click arrives as OnDoubleClick for CS_DBLCLKS classes; OnCaptureLost is
    // WM_CAPTURECHANGED.
    virtual bool OnKeyDown(WPARAM key) { return false; }
    virtual bool OnChar(WPARAM ch) { return false; }
    virtual bool OnMouseDown(MouseButton button, WPARAM keys, TPoint p) { return false; }
    virtual bool OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) { return false; }
    virtual bool OnMouseUp(MouseButton button, WPARAM keys, TPoint p) { return false; }
    virtual bool OnMouseMove(WPARAM keys, TPoint p) { return false; }
    virtual bool OnCaptureLost() { return false; }
    virtual bool OnMouseWheel(int delta, WPARAM keys) { return false; }
    // WM_VSCROLL and WM_HSCROLL's request (wParam).
    virtual bool OnScroll(bool vertical, WPARAM request) { return false; }
    virtual bool OnTimer(UINT_PTR id) { return false; }
    // WM_NCDESTROY, the window's last message: the object is deleted after it.
    virtual void OnDestroy() {}
    // The class's own messages and any other: the answer, or nothing for DefWindowProc.
    virtual std::optional<LRESULT> OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return std::nullopt; }

    const HWND FWnd;
};

// A control that follows a left-button drag with the mouse captured (the selection of the edit control and
// of the list box): BeginTracking takes the capture; the button going up or the capture going to another
// window ends the drag.
class CaptureTrackingWindow : public ControlWindow {
public:
    using ControlWindow::ControlWindow;

protected:
    void BeginTracking();
    // Ends a drag, giving the capture back when this window still holds it.
    void EndTracking();
    bool OnMouseUp(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnCaptureLost() override;

    bool Tracking = false;
};

// The object of a window, made by make when the window has none yet.
ControlWindow* AttachControlWindow(HWND hwnd, ControlWindow* (*make)(HWND hwnd));
// Runs one message through a window's object; deletes the object after WM_NCDESTROY.
LRESULT RunControlWindow(ControlWindow* control, UINT msg, WPARAM wParam, LPARAM lParam);
template <class T> ControlWindow* MakeControlWindow(HWND hwnd) {
    return new T(hwnd);
}
// The object of a window of class T (or of a class derived from T), made now if the window has none yet.
template <class T> T* ControlOf(HWND hwnd) {
    return dynamic_cast<T*>(AttachControlWindow(hwnd, &MakeControlWindow<T>));
}
// The window procedure of control class T (T's constructor takes the HWND).
template <class T> LRESULT ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return RunControlWindow(ControlOf<T>(hwnd), msg, wParam, lParam);
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
void RegisterTabControlClass();

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
    // Tab stops in dialog units (a quarter of the font's average character width) with LBS_USETABSTOPS:
    // empty is every 32; one is an interval; more are places, the last gap repeating after them.
    std::vector<int> TabStops;
    HFONT Font = nullptr;
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
