// The window system: windows, classes, messages, input, focus, timers and hooks.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/UserTypes.h"
#include "platform/win/user/WindowStyles.h"

#include <exception>
#include <functional>
#include <string>

namespace win {

constexpr int CW_USEDEFAULT = int(0x80000000);

// Window classes.
ATOM RegisterClassEx(const WNDCLASSEX& wc);
ATOM RegisterClass(const WNDCLASS& wc);
BOOL UnregisterClass(const char* className, HINSTANCE instance);
BOOL GetClassInfoEx(HINSTANCE instance, const char* className, WNDCLASSEX* wc);
int GetClassName(HWND hwnd, char* buffer, int maxCount);
std::string GetClassNameString(HWND hwnd);
DWORD GetClassLong(HWND hwnd, int index);
DWORD SetClassLong(HWND hwnd, int index, LONG value);

// Creation and destruction.
HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// Layers above the window system that keep state per window (drop-target registrations) hear of each
// window's end here: after WM_NCDESTROY, while the handle is still valid. Listeners stay for the process.
void AddWindowDestroyListener(void (*listener)(HWND hwnd));
HINSTANCE GetModuleHandle(const char* moduleName);

// Procedures.
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LONG_PTR GetWindowLong(HWND hwnd, int index);
LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value);

// Relations.
HWND GetDesktopWindow();
HWND GetParent(HWND hwnd);
HWND SetParent(HWND child, HWND newParent);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetTopWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

// Geometry and state.
BOOL GetWindowRect(HWND hwnd, TRect* rect);
BOOL GetClientRect(HWND hwnd, TRect* rect);
BOOL ClientToScreen(HWND hwnd, TPoint* point);
BOOL ScreenToClient(HWND hwnd, TPoint* point);
int MapWindowPoints(HWND from, HWND to, TPoint* points, UINT count);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL ShowWindow(HWND hwnd, int cmdShow);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL BringWindowToTop(HWND hwnd);

struct WINDOWPLACEMENT {
    UINT length = sizeof(WINDOWPLACEMENT);
    UINT flags = 0;
    UINT showCmd = 0;
    TPoint ptMinPosition;
    TPoint ptMaxPosition;
    TRect rcNormalPosition;
};
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);

// Text and properties.
BOOL SetWindowText(HWND hwnd, const char* text);
int GetWindowText(HWND hwnd, char* buffer, int maxCount);
int GetWindowTextLength(HWND hwnd);
std::string GetWindowTextString(HWND hwnd);
BOOL SetProp(HWND hwnd, const char* name, HANDLE data);
HANDLE GetProp(HWND hwnd, const char* name);
HANDLE RemoveProp(HWND hwnd, const char* name);

// Hit testing.
HWND WindowFromPoint(TPoint point);
HWND ChildWindowFromPoint(HWND parent, TPoint point);
HWND ChildWindowFromPointEx(HWND parent, TPoint point, UINT flags);

// Messages.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
UINT RegisterWindowMessage(const char* name);
DWORD GetMessageTime();
DWORD GetMessagePos();
BOOL InSendMessage();
// A window procedure that throws while answering a message sent from another thread: the sender gets 0 and
// the exception goes to this handler (the application's), on the thread that answered. Without a handler it
// leaves that thread's call that took the message (PeekMessage, GetMessage, WaitMessage, or a SendMessage
// waiting for an answer of its own), where a dispatched message's exception would. A test's StallError
// always leaves that way.
using SentMessageExceptionHandler = std::function<void(std::exception_ptr error)>;
void SetSentMessageExceptionHandler(SentMessageExceptionHandler handler);
// Sends msg to every top-level window (hidden ones too), as the system does for setting changes.
void BroadcastSystemMessage(UINT msg, WPARAM wParam, LPARAM lParam);

// Invalidation and painting.
BOOL InvalidateRect(HWND hwnd, const TRect* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase);
BOOL ValidateRect(HWND hwnd, const TRect* rect);
BOOL ValidateRgn(HWND hwnd, HRGN rgn);
BOOL RedrawWindow(HWND hwnd, const TRect* rect, HRGN rgn, UINT flags);
BOOL UpdateWindow(HWND hwnd);
BOOL GetUpdateRect(HWND hwnd, TRect* rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN rgn, BOOL erase);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// DCs on a window's client area (GetDC), whole window (GetWindowDC) or as the flags say (GetDCEx); the
// visible part of the window clips them. GetDC(nullptr) is a DC on the screen.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);
// The window's shape (window coordinates); the window owns the region from then on.
int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw);
int GetWindowRgn(HWND hwnd, HRGN rgn);
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const TRect* scroll, const TRect* clip);

// Layered windows.
constexpr DWORD LWA_COLORKEY = 0x00000001;
constexpr DWORD LWA_ALPHA = 0x00000002;
constexpr DWORD ULW_COLORKEY = 0x00000001;
constexpr DWORD ULW_ALPHA = 0x00000002;
constexpr DWORD ULW_OPAQUE = 0x00000004;
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
// The window shows the source DC's pixels at (srcPos) with their alpha (premultiplied), sized to size.
BOOL UpdateLayeredWindow(HWND hwnd, HDC screenDC, const TPoint* pos, const TSize* size, HDC src,
                         const TPoint* srcPos, COLORREF key, const BLENDFUNCTION* blend, DWORD flags);
constexpr DWORD AW_HOR_POSITIVE = 0x00000001;
constexpr DWORD AW_HOR_NEGATIVE = 0x00000002;
constexpr DWORD AW_VER_POSITIVE = 0x00000004;
constexpr DWORD AW_VER_NEGATIVE = 0x00000008;
constexpr DWORD AW_CENTER = 0x00000010;
constexpr DWORD AW_HIDE = 0x00010000;
constexpr DWORD AW_ACTIVATE = 0x00020000;
constexpr DWORD AW_SLIDE = 0x00040000;
constexpr DWORD AW_BLEND = 0x00080000;
// Whether the screen shows layered windows translucent (a desktop without a compositing manager shows
// them opaque): callers that look the layered-window calls up take them as missing when it does not.
BOOL LayeredWindowsTranslucent();
// Shows or hides the window; the animation itself is not played.
BOOL AnimateWindow(HWND hwnd, DWORD timeMs, DWORD flags);

// What a screen backend needs to show a top-level window.
struct WindowSurface {
    const uint8_t* Bits = nullptr; // 32-bit B,G,R,A pixels, top row first
    int Width = 0;
    int Height = 0;
    int Stride = 0;
    BYTE Alpha = 255;           // constant alpha of a layered window
    bool PerPixelAlpha = false; // premultiplied alpha in the pixels
    HRGN Region = nullptr;      // the window's shape, window coordinates; null for a rectangle
};
BOOL GetWindowSurface(HWND hwnd, WindowSurface* surface);

// Timers.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, uintptr_t id);

// Hooks.
constexpr int WH_GETMESSAGE = 3;
constexpr int WH_CALLWNDPROC = 4;
constexpr int WH_KEYBOARD = 2;
constexpr int WH_MOUSE = 7;
constexpr int HC_ACTION = 0;
constexpr int HC_NOREMOVE = 3;
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

// Capture, focus and activation.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);

// Keyboard and mouse state.
int16_t GetKeyState(int vk);
int16_t GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE* state);
BOOL SetKeyboardState(const BYTE* state);
int16_t VkKeyScan(char ch);
UINT MapVirtualKey(UINT code, UINT mapType);
BOOL GetCursorPos(TPoint* point);
BOOL SetCursorPos(int x, int y);
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT ms);
BOOL DragDetect(HWND hwnd, TPoint point);

// Beeps and sounds: recorded, never heard.
BOOL MessageBeep(UINT type);
BOOL Beep(DWORD frequency, DWORD durationMs);
constexpr DWORD SND_SYNC = 0x0000;
constexpr DWORD SND_ASYNC = 0x0001;
constexpr DWORD SND_NODEFAULT = 0x0002;
constexpr DWORD SND_MEMORY = 0x0004;
constexpr DWORD SND_LOOP = 0x0008;
constexpr DWORD SND_NOSTOP = 0x0010;
constexpr DWORD SND_PURGE = 0x0040;
constexpr DWORD SND_NOWAIT = 0x00002000;
constexpr DWORD SND_ALIAS = 0x00010000;
constexpr DWORD SND_FILENAME = 0x00020000;
// Sounds stay quiet: the call succeeds and plays nothing. The screen hears of each sound asked for (a null
// sound stops sounds and is not one; a sound in memory is passed on without a name).
BOOL PlaySound(const char* sound, HMODULE module, DWORD flags);
inline BOOL PlaySoundA(const char* sound, HMODULE module, DWORD flags) { return PlaySound(sound, module, flags); }

} // namespace win
