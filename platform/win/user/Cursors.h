// Cursors and the caret.
#pragma once

#include "platform/win/WinTypes.h"

#include <string>

namespace win {

constexpr int IDC_ARROW = 32512;
constexpr int IDC_IBEAM = 32513;
constexpr int IDC_WAIT = 32514;
constexpr int IDC_CROSS = 32515;
constexpr int IDC_UPARROW = 32516;
constexpr int IDC_SIZENWSE = 32642;
constexpr int IDC_SIZENESW = 32643;
constexpr int IDC_SIZEWE = 32644;
constexpr int IDC_SIZENS = 32645;
constexpr int IDC_SIZEALL = 32646;
constexpr int IDC_NO = 32648;
constexpr int IDC_HAND = 32649;
constexpr int IDC_APPSTARTING = 32650;
constexpr int IDC_HELP = 32651;

// A standard cursor (instance null) or a cursor resource registered under an id or a name. The cursors
// belong to the system: DestroyCursor ignores them.
HCURSOR LoadCursor(HINSTANCE instance, int id);
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
// The program's own cursor resources (drawn by the project) are registered here at start-up.
void RegisterCursorResource(int id, HCURSOR cursor);
void RegisterCursorResource(const std::string& name, HCURSOR cursor);
// The IDC_ value of a standard cursor, 0 for any other: what a desktop backend shows in its place.
int StandardCursorId(HCURSOR cursor);

HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// The display counter: the cursor shows while it is 0 or more.
int ShowCursor(BOOL show);
BOOL DestroyCursor(HCURSOR cursor);

// The caret: one per thread, owned by a window.
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(TPoint* point);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT ms);
// The window that owns the caret, or nullptr.
HWND GetCaretWindow();

} // namespace win
