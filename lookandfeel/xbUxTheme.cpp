#include "lookandfeel/xbUxTheme.h"

#include "platform/win/kernel/Version.h"
#include "platform/win/user/controls/CommCtrl.h"

#include <algorithm>
#include <iterator>

namespace lookandfeel {

const char* const UxThemeEntryPointNames[UxThemeEntryPointCount] = {
    "CloseThemeData",
    "DrawThemeBackground",
    "DrawThemeEdge",
    "DrawThemeIcon",
    "DrawThemeParentBackground",
    "DrawThemeText",
    "EnableThemeDialogTexture",
    "GetCurrentThemeName",
    "GetThemeAppProperties",
    "GetThemeBackgroundContentRect",
    "GetThemeBackgroundRegion",
    "GetThemeBackgroundExtent",
    "GetThemeBool",
    "GetThemeColor",
    "GetThemeDocumentationProperty",
    "GetThemeEnumValue",
    "GetThemeFilename",
    "GetThemeFont",
    "GetThemeInt",
    "GetThemeIntList",
    "GetThemeMargins",
    "GetThemeMetric",
    "GetThemePartSize",
    "GetThemePosition",
    "GetThemePropertyOrigin",
    "GetThemeRect",
    "GetThemeString",
    "GetThemeSysBool",
    "GetThemeSysColor",
    "GetThemeSysColorBrush",
    "GetThemeSysFont",
    "GetThemeSysInt",
    "GetThemeSysSize",
    "GetThemeSysString",
    "GetThemeTextExtent",
    "GetThemeTextMetrics",
    "GetWindowTheme",
    "HitTestThemeBackground",
    "IsAppThemed",
    "IsThemeActive",
    "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent",
    "IsThemeDialogTextureEnabled",
    "OpenThemeData",
    "SetThemeAppProperties",
    "SetWindowTheme",
};

namespace {

constexpr int UxThemeCalledEntryPoints[] = {
    uxCloseThemeData,     uxDrawThemeBackground, uxDrawThemeEdge,    uxDrawThemeText,
    uxGetCurrentThemeName, uxGetThemeBackgroundContentRect, uxGetThemeBackgroundRegion, uxGetThemeColor,
    uxGetThemePartSize,   uxIsThemeActive,       uxIsThemeBackgroundPartiallyTransparent, uxOpenThemeData,
};

// The visual-styles layer registers its module when its code is part of the program; this reference makes
// sure it is, since the entry points are otherwise only reached by name.
win::FARPROC volatile UxThemeLayerLinked = win::ExportOf(&win::OpenThemeData);

bool UxThemeCapable = false;
win::HMODULE UxThemeLibrary = nullptr;
win::FARPROC UxThemeTable[UxThemeEntryPointCount] = {};

template <class F>
F* UxThemeProc(TUxThemeEntryPoint index) {
    return reinterpret_cast<F*>(UxThemeTable[index]);
}

} // namespace

bool GetThemeCapableOS() { return UxThemeCapable; }
win::HMODULE GetUxThemeLibrary() { return UxThemeLibrary; }
bool IsUxThemeLoaded() { return UxThemeLibrary != nullptr; }

win::FARPROC UxThemeEntryPoint(int index) {
    return index >= 0 && index < UxThemeEntryPointCount ? UxThemeTable[index] : nullptr;
}

void InitUxThemeModule() {
    (void)UxThemeLayerLinked;
    win::OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = 148;
    UxThemeCapable = false;
    if (win::GetVersionEx(&info))
        UxThemeCapable = info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion != 0);
    win::InitCommonControls();
    std::fill(std::begin(UxThemeTable), std::end(UxThemeTable), nullptr);
    UxThemeLibrary = nullptr;
    if (!UxThemeCapable)
        return;
    win::HMODULE library = win::LoadLibrary("UxTheme.dll");
    if (!library)
        return;
    for (int i = 0; i < UxThemeEntryPointCount; ++i)
        UxThemeTable[i] = win::GetProcAddress(library, UxThemeEntryPointNames[i]);
    // The wrappers call twelve of the entry points: a library without one of them is not used, so that no
    // themed drawing ever reaches a missing function.
    bool complete = std::all_of(std::begin(UxThemeCalledEntryPoints), std::end(UxThemeCalledEntryPoints),
                                [](int index) { return UxThemeTable[index] != nullptr; });
    if (!complete) {
        std::fill(std::begin(UxThemeTable), std::end(UxThemeTable), nullptr);
        win::FreeLibrary(library);
        return;
    }
    UxThemeLibrary = library;
}

void DoneUxThemeModule() {
    if (UxThemeLibrary)
        win::FreeLibrary(UxThemeLibrary);
    UxThemeLibrary = nullptr;
    std::fill(std::begin(UxThemeTable), std::end(UxThemeTable), nullptr);
}

win::HTHEME OpenThemeData(win::HWND hwnd, const char16_t* classList) {
    auto f = UxThemeProc<decltype(win::OpenThemeData)>(uxOpenThemeData);
    return f ? f(hwnd, classList) : nullptr;
}

win::HRESULT CloseThemeData(win::HTHEME theme) {
    auto f = UxThemeProc<decltype(win::CloseThemeData)>(uxCloseThemeData);
    return f ? f(theme) : win::E_FAIL;
}

win::HRESULT DrawThemeBackground(win::HTHEME theme, win::HDC dc, int part, int state, const win::RECT* rect,
                                 const win::RECT* clip) {
    auto f = UxThemeProc<decltype(win::DrawThemeBackground)>(uxDrawThemeBackground);
    return f ? f(theme, dc, part, state, rect, clip) : win::E_FAIL;
}

win::HRESULT DrawThemeText(win::HTHEME theme, win::HDC dc, int part, int state, const char16_t* text, int count,
                           win::DWORD flags, win::DWORD flags2, const win::RECT* rect) {
    auto f = UxThemeProc<decltype(win::DrawThemeText)>(uxDrawThemeText);
    return f ? f(theme, dc, part, state, text, count, flags, flags2, rect) : win::E_FAIL;
}

win::HRESULT GetThemeBackgroundContentRect(win::HTHEME theme, win::HDC dc, int part, int state,
                                           const win::RECT* bounds, win::RECT* content) {
    auto f = UxThemeProc<decltype(win::GetThemeBackgroundContentRect)>(uxGetThemeBackgroundContentRect);
    return f ? f(theme, dc, part, state, bounds, content) : win::E_FAIL;
}

win::HRESULT GetThemePartSize(win::HTHEME theme, win::HDC dc, int part, int state, const win::RECT* rect,
                              int kind, win::SIZE* size) {
    auto f = UxThemeProc<decltype(win::GetThemePartSize)>(uxGetThemePartSize);
    return f ? f(theme, dc, part, state, rect, kind, size) : win::E_FAIL;
}

win::HRESULT GetThemePartSize(win::HTHEME theme, win::HDC dc, int part, int state, int kind, win::SIZE* size) {
    return lookandfeel::GetThemePartSize(theme, dc, part, state, nullptr, kind, size);
}

win::HRESULT GetThemeBackgroundRegion(win::HTHEME theme, win::HDC dc, int part, int state, const win::RECT* rect,
                                      win::HRGN* region) {
    auto f = UxThemeProc<decltype(win::GetThemeBackgroundRegion)>(uxGetThemeBackgroundRegion);
    return f ? f(theme, dc, part, state, rect, region) : win::E_FAIL;
}

win::HRESULT DrawThemeEdge(win::HTHEME theme, win::HDC dc, int part, int state, const win::RECT* dest,
                           win::UINT edge, win::UINT flags, win::RECT* content) {
    auto f = UxThemeProc<decltype(win::DrawThemeEdge)>(uxDrawThemeEdge);
    return f ? f(theme, dc, part, state, dest, edge, flags, content) : win::E_FAIL;
}

win::BOOL IsThemeBackgroundPartiallyTransparent(win::HTHEME theme, int part, int state) {
    auto f = UxThemeProc<decltype(win::IsThemeBackgroundPartiallyTransparent)>(
        uxIsThemeBackgroundPartiallyTransparent);
    return f ? f(theme, part, state) : win::FALSE;
}

win::HRESULT GetThemeColor(win::HTHEME theme, int part, int state, int property, win::COLORREF* color) {
    auto f = UxThemeProc<decltype(win::GetThemeColor)>(uxGetThemeColor);
    return f ? f(theme, part, state, property, color) : win::E_FAIL;
}

win::BOOL IsThemeActive() {
    auto f = UxThemeProc<decltype(win::IsThemeActive)>(uxIsThemeActive);
    return f ? f() : win::FALSE;
}

win::HRESULT GetCurrentThemeName(char16_t* fileName, int fileNameChars, char16_t* colorName, int colorNameChars,
                                 char16_t* sizeName, int sizeNameChars) {
    auto f = UxThemeProc<decltype(win::GetCurrentThemeName)>(uxGetCurrentThemeName);
    return f ? f(fileName, fileNameChars, colorName, colorNameChars, sizeName, sizeNameChars) : win::E_FAIL;
}

} // namespace lookandfeel
