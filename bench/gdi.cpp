// Software GDI throughput on 1024 x 768 32-bit DIB sections, in megapixels per second.
#include "platform/win/gdi/Gdi.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

using namespace win;

namespace {

constexpr int BenchWidth = 1024;
constexpr int BenchHeight = 768;

// A memory DC over a 32-bit DIB filled with noise.
struct BenchSurface {
    HDC Dc;
    HBITMAP Bmp;
    HGDIOBJ Old;
    BenchSurface(int w, int h, uint32_t seed) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        Dc = CreateCompatibleDC(nullptr);
        Bmp = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        Old = SelectObject(Dc, Bmp);
        std::mt19937 rng(seed);
        auto* px = static_cast<uint32_t*>(bits);
        for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
            px[i] = rng();
    }
    ~BenchSurface() {
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        DeleteObject(Bmp);
    }
};

void BenchReport(benchmark::State& state, int64_t pixelsPerIteration) {
    state.counters["Mpixels"] = benchmark::Counter(
        double(state.iterations()) * double(pixelsPerIteration) / 1e6, benchmark::Counter::kIsRate);
}

void BM_BitBltSrcCopy(benchmark::State& state) {
    BenchSurface src(BenchWidth, BenchHeight, 1), dst(BenchWidth, BenchHeight, 2);
    for (auto _ : state)
        BitBlt(dst.Dc, 0, 0, BenchWidth, BenchHeight, src.Dc, 0, 0, SRCCOPY);
    BenchReport(state, int64_t(BenchWidth) * BenchHeight);
}
BENCHMARK(BM_BitBltSrcCopy)->Unit(benchmark::kMillisecond);

void BM_BitBltSrcInvert(benchmark::State& state) {
    BenchSurface src(BenchWidth, BenchHeight, 1), dst(BenchWidth, BenchHeight, 2);
    for (auto _ : state)
        BitBlt(dst.Dc, 0, 0, BenchWidth, BenchHeight, src.Dc, 0, 0, SRCINVERT);
    BenchReport(state, int64_t(BenchWidth) * BenchHeight);
}
BENCHMARK(BM_BitBltSrcInvert)->Unit(benchmark::kMillisecond);

// A ternary operation without a fast path (pattern XOR source XOR destination), through the generic path.
void BM_BitBltGenericTernary(benchmark::State& state) {
    BenchSurface src(BenchWidth, BenchHeight, 1), dst(BenchWidth, BenchHeight, 2);
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(200, 30, 90));
    HGDIOBJ old = SelectObject(dst.Dc, hatch);
    for (auto _ : state)
        BitBlt(dst.Dc, 0, 0, BenchWidth, BenchHeight, src.Dc, 0, 0, 0x00960169);
    SelectObject(dst.Dc, old);
    DeleteObject(hatch);
    BenchReport(state, int64_t(BenchWidth) * BenchHeight);
}
BENCHMARK(BM_BitBltGenericTernary)->Unit(benchmark::kMillisecond);

// Enlarging a quarter-size image to the full surface (nearest pixel), counted in destination pixels.
void BM_StretchBlt(benchmark::State& state) {
    BenchSurface src(BenchWidth / 2, BenchHeight / 2, 1), dst(BenchWidth, BenchHeight, 2);
    SetStretchBltMode(dst.Dc, int(state.range(0)));
    for (auto _ : state)
        StretchBlt(dst.Dc, 0, 0, BenchWidth, BenchHeight, src.Dc, 0, 0, BenchWidth / 2, BenchHeight / 2,
                   SRCCOPY);
    BenchReport(state, int64_t(BenchWidth) * BenchHeight);
}
BENCHMARK(BM_StretchBlt)->Arg(COLORONCOLOR)->Unit(benchmark::kMillisecond);

// Shrinking the full surface to a quarter with the halftone (box average) filter.
void BM_StretchBltHalftoneShrink(benchmark::State& state) {
    BenchSurface src(BenchWidth, BenchHeight, 1), dst(BenchWidth / 2, BenchHeight / 2, 2);
    SetStretchBltMode(dst.Dc, HALFTONE);
    for (auto _ : state)
        StretchBlt(dst.Dc, 0, 0, BenchWidth / 2, BenchHeight / 2, src.Dc, 0, 0, BenchWidth, BenchHeight,
                   SRCCOPY);
    BenchReport(state, int64_t(BenchWidth) * BenchHeight);
}
BENCHMARK(BM_StretchBltHalftoneShrink)->Unit(benchmark::kMillisecond);

void BM_FillRect(benchmark::State& state) {
    BenchSurface dst(BenchWidth, BenchHeight, 2);
    HBRUSH b = CreateSolidBrush(RGB(10, 20, 30));
    RECT r{0, 0, BenchWidth, BenchHeight};
    for (auto _ : state)
        FillRect(dst.Dc, &r, b);
    DeleteObject(b);
    BenchReport(state, int64_t(BenchWidth) * BenchHeight);
}
BENCHMARK(BM_FillRect)->Unit(benchmark::kMillisecond);

// DrawText on the same surface belongs here too; the text engine adds its benchmark below.

} // namespace
