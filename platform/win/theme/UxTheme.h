// The visual-styles library: theme handles per window class, themed parts drawn and measured, the current
// theme's names. Callers usually reach these entry points by name through the module "uxtheme.dll"
// (LoadLibrary, GetProcAddress); every call goes to the installed theme engine (ThemeEngine.h), and with
// none installed themes are inactive.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/ole/Com.h"

namespace win {

struct HTHEME__;
using HTHEME = HTHEME__*;

// A handle opened before the theme changed, or one that was never given out.
constexpr HRESULT E_HANDLE = HRESULT(0x80070006);
// A name buffer too small for the name: it holds the cut name, terminated.
constexpr HRESULT E_INSUFFICIENT_BUFFER = HRESULT(0x8007007A);

// Kinds of GetThemePartSize.
constexpr int TS_MIN = 0;
constexpr int TS_TRUE = 1;
constexpr int TS_DRAW = 2;

// Colour properties of GetThemeColor.
constexpr int TMT_COLOR = 204; // a part's face colour
constexpr int TMT_BORDERCOLOR = 3801;
constexpr int TMT_FILLCOLOR = 3802;
constexpr int TMT_TEXTCOLOR = 3803;

// GetThemeAppProperties bits: themed non-client areas, themed controls.
constexpr DWORD STAP_ALLOW_NONCLIENT = 1;
constexpr DWORD STAP_ALLOW_CONTROLS = 2;

// classList: class names separated by ";", letter case ignored; the first the theme knows is opened. Null
// when none is known or themes are inactive (the caller then draws the classic way).
HTHEME OpenThemeData(HWND hwnd, const char16_t* classList);
HRESULT CloseThemeData(HTHEME theme);

// Every call below answers E_HANDLE for a stale or unknown handle and E_INVALIDARG for a part or state the
// class lacks, and then draws nothing.
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip);
// count: characters of text, -1 up to the terminator. flags are DrawText's; flags2 is ignored.
HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const char16_t* text, int count, DWORD flags,
                      DWORD flags2, const RECT* rect);
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT* bounds,
                                      RECT* content);
// rect may be null; kind is TS_MIN, TS_TRUE or TS_DRAW.
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* rect, int kind, SIZE* size);
// The pixels the part paints within rect; the caller owns the region.
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, const RECT* rect, HRGN* region);
// edge and flags as DrawEdge's (BDR_..., BF_...); content (may be null) gets what lies inside the edge.
HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT* dest, UINT edge, UINT flags,
                      RECT* content);
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state);
HRESULT GetThemeColor(HTHEME theme, int part, int state, int property, COLORREF* color);
BOOL IsThemePartDefined(HTHEME theme, int part, int state);

BOOL IsThemeActive();
BOOL IsAppThemed();
DWORD GetThemeAppProperties();
// Buffers hold UTF-16 names and their sizes count characters with the terminator; a null buffer is skipped.
HRESULT GetCurrentThemeName(char16_t* fileName, int fileNameChars, char16_t* colorName, int colorNameChars,
                            char16_t* sizeName, int sizeNameChars);

// The parent of hwnd paints what lies under the child into dc (the child's client coordinates) through
// WM_ERASEBKGND and WM_PRINTCLIENT; rect (child coordinates, may be null) limits the painting.
HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect);

} // namespace win
