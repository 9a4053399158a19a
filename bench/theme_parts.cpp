// The built-in visual styles drawing whole controls, per colour scheme: a toolbar of 20 buttons in their
// states over its background, and a vertical scroll bar 17 by 400 (arrows, tracks, thumb and gripper).
#include "platform/win/gdi/Gdi.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/theme/UxTheme.h"

#include <benchmark/benchmark.h>

using namespace win;

namespace {

struct ThemeBenchSurface {
    HDC Dc = nullptr;
    HBITMAP Bmp = nullptr;
    HGDIOBJ Old = nullptr;
    ThemeBenchSurface(int w, int h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        Dc = CreateCompatibleDC(nullptr);
        Bmp = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        Old = SelectObject(Dc, ToGdiObj(Bmp));
    }
    ~ThemeBenchSurface() {
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        DeleteObject(Bmp);
    }
};

void ThemeBenchToolbar(benchmark::State& state) {
    SetThemeScheme(ThemeScheme(state.range(0)));
    HTHEME toolbar = OpenThemeData(nullptr, u"ToolBar");
    ThemeBenchSurface surface(20 * 23 + 8, 26);
    TRect bar{0, 0, 20 * 23 + 8, 26};
    for (auto _ : state) {
        DrawThemeBackground(toolbar, surface.Dc, 0, 1, &bar, nullptr);
        for (int i = 0; i < 20; ++i) {
            TRect button{4 + 23 * i, 2, 4 + 23 * i + 23, 24};
            DrawThemeBackground(toolbar, surface.Dc, i % 7 == 6 ? 5 : 1, 1 + i % 5, &button, nullptr);
        }
        benchmark::ClobberMemory();
    }
    CloseThemeData(toolbar);
    SetThemeScheme(tsClassic);
    state.SetItemsProcessed(state.iterations() * 20);
}

void ThemeBenchScrollBar(benchmark::State& state) {
    SetThemeScheme(ThemeScheme(state.range(0)));
    HTHEME scroll = OpenThemeData(nullptr, u"ScrollBar");
    ThemeBenchSurface surface(17, 400);
    for (auto _ : state) {
        TRect up{0, 0, 17, 17}, down{0, 383, 17, 400};
        TRect before{0, 17, 17, 150}, thumb{0, 150, 17, 210}, after{0, 210, 17, 383};
        DrawThemeBackground(scroll, surface.Dc, 1, 1, &up, nullptr);
        DrawThemeBackground(scroll, surface.Dc, 1, 5, &down, nullptr);
        DrawThemeBackground(scroll, surface.Dc, 6, 1, &before, nullptr);
        DrawThemeBackground(scroll, surface.Dc, 3, 2, &thumb, nullptr);
        DrawThemeBackground(scroll, surface.Dc, 9, 0, &thumb, nullptr);
        DrawThemeBackground(scroll, surface.Dc, 7, 1, &after, nullptr);
        benchmark::ClobberMemory();
    }
    CloseThemeData(scroll);
    SetThemeScheme(tsClassic);
}

} // namespace

BENCHMARK(ThemeBenchToolbar)->ArgName("scheme")->Arg(tsBlue)->Arg(tsOlive)->Arg(tsSilver);
BENCHMARK(ThemeBenchScrollBar)->ArgName("scheme")->Arg(tsBlue)->Arg(tsOlive)->Arg(tsSilver);
