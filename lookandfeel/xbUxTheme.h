// The visual-styles library, bound by name at start-up: it is optional, and on a system without it (or
// one too old for visual styles) everything draws the classic way. Themed drawing goes through the
// wrappers below, after the theme element manager (xbThemeManager.h) said that themes may be used.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/theme/UxTheme.h"

namespace lookandfeel {

// The entry points of the library in table order; all are bound, twelve are called.
constexpr int UxThemeEntryPointCount = 46;
extern const char* const UxThemeEntryPointNames[UxThemeEntryPointCount];

// The entry points the wrappers call, by table index.
enum TUxThemeEntryPoint {
    uxCloseThemeData = 0,
    uxDrawThemeBackground = 1,
    uxDrawThemeEdge = 2,
    uxDrawThemeText = 5,
    uxGetCurrentThemeName = 7,
    uxGetThemeBackgroundContentRect = 9,
    uxGetThemeBackgroundRegion = 10,
    uxGetThemeColor = 13,
    uxGetThemePartSize = 22,
    uxIsThemeActive = 39,
    uxIsThemeBackgroundPartiallyTransparent = 41,
    uxOpenThemeData = 43,
};

// True when the system reports a version above 5.0 (set at start-up).
bool GetThemeCapableOS();
// The library's module handle, or null: not theme-capable, not found, or missing one of the entry points the
// wrappers call (a library that is there only in part is not used at all).
win::HMODULE GetUxThemeLibrary();
bool IsUxThemeLoaded();
// The bound entry point of a table index, or null.
win::FARPROC UxThemeEntryPoint(int index);

// The wrappers: what the library's entry point of the same name takes and answers. Without the library they
// fail (E_FAIL, null, FALSE) instead of calling nothing.
win::HTHEME OpenThemeData(win::HWND hwnd, const char16_t* classList);
win::HRESULT CloseThemeData(win::HTHEME theme);
win::HRESULT DrawThemeBackground(win::HTHEME theme, win::HDC dc, int part, int state, const win::RECT* rect,
                                 const win::RECT* clip);
win::HRESULT DrawThemeText(win::HTHEME theme, win::HDC dc, int part, int state, const char16_t* text, int count,
                           win::DWORD flags, win::DWORD flags2, const win::RECT* rect);
win::HRESULT GetThemeBackgroundContentRect(win::HTHEME theme, win::HDC dc, int part, int state,
                                           const win::RECT* bounds, win::RECT* content);
win::HRESULT GetThemePartSize(win::HTHEME theme, win::HDC dc, int part, int state, const win::RECT* rect,
                              int kind, win::SIZE* size);
win::HRESULT GetThemePartSize(win::HTHEME theme, win::HDC dc, int part, int state, int kind, win::SIZE* size);
win::HRESULT GetThemeBackgroundRegion(win::HTHEME theme, win::HDC dc, int part, int state, const win::RECT* rect,
                                      win::HRGN* region);
win::HRESULT DrawThemeEdge(win::HTHEME theme, win::HDC dc, int part, int state, const win::RECT* dest,
                           win::UINT edge, win::UINT flags, win::RECT* content);
win::BOOL IsThemeBackgroundPartiallyTransparent(win::HTHEME theme, int part, int state);
win::HRESULT GetThemeColor(win::HTHEME theme, int part, int state, int property, win::COLORREF* color);
win::BOOL IsThemeActive();
win::HRESULT GetCurrentThemeName(char16_t* fileName, int fileNameChars, char16_t* colorName, int colorNameChars,
                                 char16_t* sizeName, int sizeNameChars);

// Module start-up and shut-down (run by InitializeLookAndFeel, lkLookAndFeels.h).
void InitUxThemeModule();
void DoneUxThemeModule();

} // namespace lookandfeel
