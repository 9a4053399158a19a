// The control set's painting routines: a 1024 x 768 gradient in the diagonal, vertical, horizontal and
// rectangular layouts (the editor's windows use the vertical and horizontal ones), and a thousand style
// borders of a 75 x 25 button in system colours and in shades of a face colour.
#include "controls/FcFrames.h"
#include "controls/FcGraphics.h"
#include "platform/vcl/Canvas.h"
#include "platform/win/gdi/Gdi.h"

#include <benchmark/benchmark.h>

namespace {

struct FcBenchSurface {
    win::HDC Dc = nullptr;
    win::HBITMAP Bmp = nullptr;
    win::HGDIOBJ Old = nullptr;
    vcl::TCanvas Canvas;
    FcBenchSurface(int w, int h) {
        win::BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        Dc = win::CreateCompatibleDC(nullptr);
        Bmp = win::CreateDIBSection(Dc, &info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
        Old = win::SelectObject(Dc, win::ToGdiObj(Bmp));
        Canvas.SetHandle(Dc);
    }
    ~FcBenchSurface() {
        Canvas.SetHandle(nullptr);
        win::SelectObject(Dc, Old);
        win::DeleteDC(Dc);
        win::DeleteObject(Bmp);
    }
};

void FcBenchGradient(benchmark::State& state) {
    FcBenchSurface surface(1024, 768);
    const uint8_t direction = uint8_t(state.range(0));
    for (auto _ : state) {
        controls::FillGradient(&surface.Canvas, {0, 0, 1024, 768}, direction, 0xF0F4F4, 0x8C5A2D, 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1024 * 768);
    state.SetLabel(direction == 0 ? "diagonal" : direction == 2 ? "vertical" : direction == 5 ? "horizontal"
                                                                                             : "rectangular");
}

void FcBenchStyleBorders(benchmark::State& state) {
    FcBenchSurface surface(80, 30);
    const bool shaded = state.range(0) != 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            auto style = controls::TFrameStyleEx(1 + i % 10);
            if (shaded)
                controls::PaintColorStyleBorder(&surface.Canvas, {2, 2, 77, 27}, 15791348, style);
            else
                controls::PaintStyleBorder(&surface.Canvas, {2, 2, 77, 27}, style);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    state.SetLabel(shaded ? "shades of 15791348" : "system colours");
}

} // namespace

BENCHMARK(FcBenchGradient)->Arg(0)->Arg(2)->Arg(5)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(FcBenchStyleBorders)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
