// System colours (the classic scheme) and their brushes.
#include "platform/win/gdi/GdiObjects.h"

#include <array>
#include <atomic>
#include <mutex>

namespace win {

namespace {

constexpr int SysColorsCount = COLOR_MENUBAR + 1;

constexpr COLORREF SysColorsClassic[SysColorsCount] = {
    RGB(212, 208, 200), // COLOR_SCROLLBAR
    RGB(58, 110, 165),  // COLOR_BACKGROUND
    RGB(10, 36, 106),   // COLOR_ACTIVECAPTION
    RGB(128, 128, 128), // COLOR_INACTIVECAPTION
    RGB(212, 208, 200), // COLOR_MENU
    RGB(255, 255, 255), // COLOR_WINDOW
    RGB(0, 0, 0),       // COLOR_WINDOWFRAME
    RGB(0, 0, 0),       // COLOR_MENUTEXT
    RGB(0, 0, 0),       // COLOR_WINDOWTEXT
    RGB(255, 255, 255), // COLOR_CAPTIONTEXT
    RGB(212, 208, 200), // COLOR_ACTIVEBORDER
    RGB(212, 208, 200), // COLOR_INACTIVEBORDER
    RGB(128, 128, 128), // COLOR_APPWORKSPACE
    RGB(10, 36, 106),   // COLOR_HIGHLIGHT
    RGB(255, 255, 255), // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200), // COLOR_BTNFACE
    RGB(128, 128, 128), // COLOR_BTNSHADOW
    RGB(128, 128, 128), // COLOR_GRAYTEXT
    RGB(0, 0, 0),       // COLOR_BTNTEXT
    RGB(212, 208, 200), // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255), // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),    // COLOR_3DDKSHADOW
    RGB(212, 208, 200), // COLOR_3DLIGHT
    RGB(0, 0, 0),       // COLOR_INFOTEXT
    RGB(255, 255, 225), // COLOR_INFOBK
    RGB(181, 181, 181), // (unused entry 25)
    RGB(0, 0, 128),     // COLOR_HOTLIGHT
    RGB(166, 202, 240), // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192), // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),   // COLOR_MENUHILIGHT
    RGB(212, 208, 200), // COLOR_MENUBAR
};

struct SysColorsTable {
    std::array<std::atomic<COLORREF>, SysColorsCount> FColors;
    std::array<HBRUSH, SysColorsCount> FBrushes{};
    std::mutex FLock;
    SysColorsTable() {
        for (int i = 0; i < SysColorsCount; ++i) {
            FColors[size_t(i)] = SysColorsClassic[i];
            auto* b = new HBRUSH__;
            b->FColor = SysColorsClassic[i];
            gdi::MakeStock(b);
            FBrushes[size_t(i)] = b;
        }
    }
};

SysColorsTable& SysColorsGet() {
    static SysColorsTable* table = new SysColorsTable; // stock objects live for the whole process
    return *table;
}

void SysColorsStore(int index, COLORREF c) {
    auto& t = SysColorsGet();
    t.FColors[size_t(index)] = c & 0xFFFFFF;
    std::lock_guard lock(t.FLock);
    t.FBrushes[size_t(index)]->FColor = c & 0xFFFFFF;
}

} // namespace

COLORREF GetSysColor(int index) {
    if (index < 0 || index >= SysColorsCount)
        return 0;
    return SysColorsGet().FColors[size_t(index)];
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= SysColorsCount)
        return nullptr;
    return SysColorsGet().FBrushes[size_t(index)];
}

BOOL SetSysColors(int count, const INT* elements, const COLORREF* values) {
    if (count < 0 || (count > 0 && (!elements || !values)))
        return FALSE;
    for (int i = 0; i < count; ++i)
        if (elements[i] >= 0 && elements[i] < SysColorsCount)
            SysColorsStore(elements[i], values[i]);
    return TRUE;
}

void SetSysColorScheme(const COLORREF* colors, int count) {
    if (!colors)
        return;
    for (int i = 0; i < std::min(count, SysColorsCount); ++i)
        SysColorsStore(i, colors[i]);
}

void ResetSysColors() {
    SetSysColorScheme(SysColorsClassic, SysColorsCount);
}

} // namespace win
