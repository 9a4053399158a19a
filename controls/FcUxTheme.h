// The control set's own binding of the visual-styles library "uxtheme.dll": loaded on demand, reference
// counted, optional. The entry points are looked up by name when the library loads; the library counts as
// loaded only when every entry point the controls call is there, so nothing is ever called through a null
// slot. The look-and-feel layer binds the library on its own; the two bindings do not meet.
#pragma once

#include "platform/win/kernel/Modules.h"
#include "platform/win/theme/UxTheme.h"

namespace controls {

// The library's exports, in binding order; each has one slot.
enum TThemeExport {
    uxOpenThemeData,
    uxCloseThemeData,
    uxDrawThemeBackground,
    uxDrawThemeText,
    uxGetThemeBackgroundContentRect,
    uxGetThemePartSize,
    uxGetThemeTextExtent,
    uxGetThemeTextMetrics,
    uxGetThemeBackgroundRegion,
    uxHitTestThemeBackground,
    uxDrawThemeEdge,
    uxDrawThemeIcon,
    uxIsThemePartDefined,
    uxIsThemeBackgroundPartiallyTransparent,
    uxGetThemeColor,
    uxGetThemeMetric,
    uxGetThemeString,
    uxGetThemeBool,
    uxGetThemeInt,
    uxGetThemeEnumValue,
    uxGetThemePosition,
    uxGetThemeFont,
    uxGetThemeRect,
    uxGetThemeMargins,
    uxGetThemeIntList,
    uxGetThemePropertyOrigin,
    uxSetWindowTheme,
    uxGetThemeFilename,
    uxGetThemeSysColor,
    uxGetThemeSysColorBrush,
    uxGetThemeSysBool,
    uxGetThemeSysSize,
    uxGetThemeSysFont,
    uxGetThemeSysString,
    uxGetThemeSysInt,
    uxIsThemeActive,
    uxIsAppThemed,
    uxGetWindowTheme,
    uxEnableThemeDialogTexture,
    uxIsThemeDialogTextureEnabled,
    uxGetThemeAppProperties,
    uxSetThemeAppProperties,
    uxGetCurrentThemeName,
    uxGetThemeDocumentationProperty,
    uxDrawThemeParentBackground,
    uxEnableTheming,
    uxExportCount
};

const char* ThemeExportName(TThemeExport which);

// Whether the controls call this export (the library counts as loaded only when all of these are bound).
bool IsRequiredThemeExport(TThemeExport which);

// The slot of an export: null while the library is not loaded, or when it lacks the export.
win::FARPROC ThemeExportSlot(TThemeExport which);

// The types of the entry points the controls call.
using TOpenThemeDataProc = win::HTHEME (*)(win::HWND, const char16_t*);
using TCloseThemeDataProc = win::HRESULT (*)(win::HTHEME);
using TDrawThemeBackgroundProc = win::HRESULT (*)(win::HTHEME, win::HDC, int, int, const win::RECT*,
                                                  const win::RECT*);
using TDrawThemeTextProc = win::HRESULT (*)(win::HTHEME, win::HDC, int, int, const char16_t*, int, win::DWORD,
                                            win::DWORD, const win::RECT*);
using TIsThemeBackgroundPartiallyTransparentProc = win::BOOL (*)(win::HTHEME, int, int);
using TDrawThemeParentBackgroundProc = win::HRESULT (*)(win::HWND, win::HDC, const win::RECT*);
using TGetThemeAppPropertiesProc = win::DWORD (*)();
using TIsThemeActiveProc = win::BOOL (*)();
using TIsAppThemedProc = win::BOOL (*)();

// A bound entry point in its own type; null as ThemeExportSlot.
template <class F> F ThemeProc(TThemeExport which) {
    return reinterpret_cast<F>(ThemeExportSlot(which));
}

// Counts one use up; loads the library when it is not loaded yet (the count rises also when loading
// fails). True when the library is loaded afterwards.
bool BindThemeLibrary();
// Counts one use down (never below 0); at 0 the library is freed and every slot cleared.
void ReleaseThemeLibrary();
// The library is loaded, the application is themed and a theme is active (IsThemeActive is asked only
// when IsAppThemed said yes).
bool ThemeLibraryActive();

bool ThemeLibraryLoaded();
int ThemeLibraryReferenceCount();
// Releases until the count is 0, so that the library is unloaded whatever its users forgot (the control
// set's shut-down).
void ReleaseThemeLibraryCompletely();

} // namespace controls
