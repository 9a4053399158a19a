#include "controls/FcUxTheme.h"

#include <array>
#include <mutex>

namespace controls {

namespace {

const char* const UxExportNames[uxExportCount] = {
    "OpenThemeData",
    "CloseThemeData",
    "DrawThemeBackground",
    "DrawThemeText",
    "GetThemeBackgroundContentRect",
    "GetThemePartSize",
    "GetThemeTextExtent",
    "GetThemeTextMetrics",
    "GetThemeBackgroundRegion",
    "HitTestThemeBackground",
    "DrawThemeEdge",
    "DrawThemeIcon",
    "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent",
    "GetThemeColor",
    "GetThemeMetric",
    "GetThemeString",
    "GetThemeBool",
    "GetThemeInt",
    "GetThemeEnumValue",
    "GetThemePosition",
    "GetThemeFont",
    "GetThemeRect",
    "GetThemeMargins",
    "GetThemeIntList",
    "GetThemePropertyOrigin",
    "SetWindowTheme",
    "GetThemeFilename",
    "GetThemeSysColor",
    "GetThemeSysColorBrush",
    "GetThemeSysBool",
    "GetThemeSysSize",
    "GetThemeSysFont",
    "GetThemeSysString",
    "GetThemeSysInt",
    "IsThemeActive",
    "IsAppThemed",
    "GetWindowTheme",
    "EnableThemeDialogTexture",
    "IsThemeDialogTextureEnabled",
    "GetThemeAppProperties",
    "SetThemeAppProperties",
    "GetCurrentThemeName",
    "GetThemeDocumentationProperty",
    "DrawThemeParentBackground",
    "EnableTheming",
};

constexpr TThemeExport UxRequiredExports[] = {
    uxOpenThemeData,         uxCloseThemeData,
    uxDrawThemeBackground,   uxDrawThemeText,
    uxIsThemeBackgroundPartiallyTransparent,
    uxDrawThemeParentBackground,
    uxGetThemeAppProperties, uxIsThemeActive,
    uxIsAppThemed,
};

// The binding's state; the mutex guards the count and the load and unload.
struct UxBinding {
    std::mutex Lock;
    int Count = 0;
    win::HMODULE Module = nullptr;
    std::array<win::FARPROC, uxExportCount> Slots{};
};

UxBinding& UxState() {
    static UxBinding* binding = new UxBinding; // lives as long as the process: other statics may release late
    return *binding;
}

void UxUnloadLocked(UxBinding& b) {
    if (b.Module)
        win::FreeLibrary(b.Module);
    b.Module = nullptr;
    b.Slots.fill(nullptr);
}

} // namespace

const char* ThemeExportName(TThemeExport which) {
    return which >= 0 && which < uxExportCount ? UxExportNames[which] : "";
}

bool IsRequiredThemeExport(TThemeExport which) {
    for (TThemeExport e : UxRequiredExports)
        if (e == which)
            return true;
    return false;
}

win::FARPROC ThemeExportSlot(TThemeExport which) {
    if (which < 0 || which >= uxExportCount)
        return nullptr;
    UxBinding& b = UxState();
    std::lock_guard<std::mutex> guard(b.Lock);
    return b.Slots[which];
}

bool BindThemeLibrary() {
    UxBinding& b = UxState();
    std::lock_guard<std::mutex> guard(b.Lock);
    ++b.Count;
    if (b.Module)
        return true;
    b.Module = win::LoadLibrary("uxtheme.dll");
    if (!b.Module)
        return false;
    for (int i = 0; i < uxExportCount; ++i)
        b.Slots[i] = win::GetProcAddress(b.Module, UxExportNames[i]);
    // A library without an entry point the controls call would be called through a null slot: it counts
    // as absent, as on a system without one.
    for (TThemeExport e : UxRequiredExports) {
        if (!b.Slots[e]) {
            UxUnloadLocked(b);
            return false;
        }
    }
    return true;
}

void ReleaseThemeLibrary() {
    UxBinding& b = UxState();
    std::lock_guard<std::mutex> guard(b.Lock);
    if (b.Count > 0)
        --b.Count;
    if (b.Module && b.Count == 0)
        UxUnloadLocked(b);
}

void ReleaseThemeLibraryCompletely() {
    while (ThemeLibraryReferenceCount() > 0)
        ReleaseThemeLibrary();
}

bool ThemeLibraryActive() {
    auto isAppThemed = ThemeProc<TIsAppThemedProc>(uxIsAppThemed);
    auto isThemeActive = ThemeProc<TIsThemeActiveProc>(uxIsThemeActive);
    if (!isAppThemed || !isThemeActive)
        return false;
    return isAppThemed() != 0 && isThemeActive() != 0;
}

bool ThemeLibraryLoaded() {
    UxBinding& b = UxState();
    std::lock_guard<std::mutex> guard(b.Lock);
    return b.Module != nullptr;
}

int ThemeLibraryReferenceCount() {
    UxBinding& b = UxState();
    std::lock_guard<std::mutex> guard(b.Lock);
    return b.Count;
}

} // namespace controls
