// Metafile playback into a 1600 x 1200 24-bit DIB: a WMF of 2000 filled polygons and an EMF of 500 paths
// (Bézier figures filled and stroked), in records per second.
#include "platform/win/gdi/Metafile.h"
#include "tests/platform/win/gdi/MetafileWriter.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace win;

namespace {

constexpr int BenchWidth = 1600;
constexpr int BenchHeight = 1200;

struct BenchTarget {
    HDC Dc;
    HBITMAP Bmp;
    HGDIOBJ Old;
    BenchTarget() {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = BenchWidth;
        info.bmiHeader.biHeight = BenchHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        Dc = CreateCompatibleDC(nullptr);
        Bmp = CreateDIBSection(Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        Old = SelectObject(Dc, Bmp);
    }
    ~BenchTarget() {
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        DeleteObject(Bmp);
    }
};

// 2000 polygons of 3 to 8 points in a 16000 x 12000 window, each with its own brush.
std::vector<uint8_t> BenchPolygonWmf() {
    std::mt19937 rng(7);
    metatest::WmfWriter w(true, 0, 0, 16000, 12000, 1440, 4);
    w.Pen(PS_SOLID, 10, 0).Select(0);
    for (int i = 0; i < 2000; ++i) {
        w.Brush(BS_SOLID, rng() & 0xFFFFFF).Select(1);
        int n = 3 + int(rng() % 6), cx = int(rng() % 16000), cy = int(rng() % 12000);
        metatest::Bytes b;
        b.U16(uint16_t(n));
        for (int k = 0; k < n; ++k)
            b.I16(int16_t(std::clamp(cx + int(rng() % 1600) - 800, 0, 16000)))
                .I16(int16_t(std::clamp(cy + int(rng() % 1200) - 600, 0, 12000)));
        w.RecBytes(0x0324, b.D).Delete(1);
    }
    return w.Take();
}

// 500 closed paths of four Bézier segments, filled and stroked, in HIMETRIC.
std::vector<uint8_t> BenchPathEmf() {
    std::mt19937 rng(11);
    metatest::EmfWriter e(0, 0, 16000, 12000, 1000, 1000, 100, 100);
    e.Ints(17, {MM_ANISOTROPIC}).Ints(9, {16000, 12000}).Ints(11, {1600, 1200});
    e.Pen(1, PS_SOLID, 20, 0).Select(1);
    for (int i = 0; i < 500; ++i) {
        e.Brush(2, BS_SOLID, rng() & 0xFFFFFF).Select(2);
        int cx = int(rng() % 16000), cy = int(rng() % 12000), r = 200 + int(rng() % 1500);
        e.Ints(59, {}).Ints(27, {cx - r, cy});
        metatest::Bytes b;
        b.I32(0).I32(0).I32(0).I32(0).U32(12);
        const int pts[12][2] = {{-r, -r}, {-r / 2, -r}, {0, -r}, {r / 2, -r}, {r, -r / 2}, {r, 0},
                                {r, r},   {r / 2, r},   {0, r},  {-r / 2, r}, {-r, r / 2}, {-r, 0}};
        for (const auto& p : pts)
            b.I32(cx + p[0]).I32(cy + p[1]);
        e.Rec(5, b).Ints(61, {}).Ints(60, {}).Ints(63, {0, 0, 0, 0}).Ints(40, {2});
    }
    return e.Take();
}

void BenchPlay(benchmark::State& state, const std::vector<uint8_t>& bytes, bool wmf, int records) {
    BenchTarget target;
    HENHMETAFILE mf = wmf ? SetWinMetaFileBits(UINT(bytes.size()), bytes.data(), nullptr, nullptr)
                          : SetEnhMetaFileBits(UINT(bytes.size()), bytes.data());
    RECT rect{0, 0, BenchWidth, BenchHeight};
    for (auto _ : state)
        PlayEnhMetaFile(target.Dc, mf, &rect);
    state.counters["records"] =
        benchmark::Counter(double(state.iterations()) * records, benchmark::Counter::kIsRate);
    DeleteEnhMetaFile(mf);
}

void BM_Wmf2000Polygons(benchmark::State& state) {
    static const std::vector<uint8_t> bytes = BenchPolygonWmf();
    BenchPlay(state, bytes, true, 2000 * 4);
}
BENCHMARK(BM_Wmf2000Polygons)->Unit(benchmark::kMillisecond);

void BM_Emf500Paths(benchmark::State& state) {
    static const std::vector<uint8_t> bytes = BenchPathEmf();
    BenchPlay(state, bytes, false, 500 * 9);
}
BENCHMARK(BM_Emf500Paths)->Unit(benchmark::kMillisecond);

} // namespace
