// BMP decoding speed: 4000 x 3000 images of each common depth read from memory through the class
// library's BMP reader, in megapixels per second, and the colour reduction of the GIF module over them.
#include "gif/GifColorReduction.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Streams.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

// A BMP file of the given depth with a gradient, made once per depth.
vcl::TMemoryStream& BmpFile(vcl::TPixelFormat format) {
    static vcl::TMemoryStream files[8];
    vcl::TMemoryStream& file = files[int(format) % 8];
    if (file.GetSize() == 0) {
        vcl::TBitmap bitmap;
        bitmap.SetPixelFormat(vcl::pf24bit);
        bitmap.SetWidth(Width);
        bitmap.SetHeight(Height);
        for (int y = 0; y < Height; ++y) {
            auto* row = static_cast<uint8_t*>(bitmap.ScanLine(y));
            for (int x = 0; x < Width; ++x) {
                row[x * 3] = uint8_t(x);
                row[x * 3 + 1] = uint8_t(y);
                row[x * 3 + 2] = uint8_t(x ^ y);
            }
        }
        bitmap.SetPixelFormat(format);
        bitmap.SaveToStream(&file);
    }
    return file;
}

void BM_ReadBmp(benchmark::State& state) {
    auto format = vcl::TPixelFormat(state.range(0));
    vcl::TMemoryStream& file = BmpFile(format);
    for (auto _ : state) {
        vcl::TReadOnlyMemoryStream in(file.Memory(), file.GetSize());
        vcl::TBitmap bitmap;
        bitmap.LoadFromStream(&in);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(Width) * Height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadBmp)->Arg(vcl::pf8bit)->Arg(vcl::pf16bit)->Arg(vcl::pf24bit)->Arg(vcl::pf32bit)->Unit(benchmark::kMillisecond);

void BM_ReduceToWebSafe(benchmark::State& state) {
    vcl::TMemoryStream& file = BmpFile(vcl::pf24bit);
    vcl::TReadOnlyMemoryStream in(file.Memory(), file.GetSize());
    vcl::TBitmap bitmap;
    bitmap.LoadFromStream(&in);
    for (auto _ : state) {
        auto reduced = gif::ReduceBitmapToPalette(&bitmap, gif::rdWebSafe216, gif::TGifDitherMethod(state.range(0)), 8,
                                                  nullptr);
        benchmark::DoNotOptimize(reduced.get());
    }
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(Width) * Height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReduceToWebSafe)->Arg(gif::dtClosestColor)->Arg(gif::dtFloydSteinberg)->Unit(benchmark::kMillisecond);

} // namespace
