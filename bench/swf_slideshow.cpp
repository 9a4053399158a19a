// Speed of the SWF writer on the editor's road: a slide show of 8-bit frames rendered and compressed, and
// the lossless data of single true-colour and palette images.
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Streams.h"
#include "swf/FlashObjects.h"
#include "swf/SWFSlideShowCreator.h"
#include "swf/SWFZlib.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

vcl::TDibFormat BenchFormat(int32_t w, int32_t h, uint16_t bits) {
    vcl::TDibFormat f;
    f.Width = w;
    f.Height = h;
    f.BitCount = bits;
    if (bits == 8) {
        f.Colors.resize(256);
        for (uint32_t i = 0; i < 256; ++i)
            f.Colors[i] = i * 0x010101u;
    }
    return f;
}

// A picture with some structure, so that zlib works as on real frames.
std::vector<uint8_t> BenchPixels(const vcl::TDibFormat& f, int seed) {
    std::vector<uint8_t> bits(size_t(f.ImageBytes()));
    const int64_t stride = f.RowBytes();
    for (int32_t y = 0; y < f.Height; ++y)
        for (int64_t x = 0; x < stride; ++x)
            bits[size_t(y * stride + x)] = uint8_t((x / 7 + y / 5 + seed) * 37 ^ (x * y) >> 6);
    return bits;
}

void BM_SlideShow320x240x20(benchmark::State& state) {
    vcl::TDibFormat f = BenchFormat(320, 240, 8);
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 20; ++i)
        frames.push_back(BenchPixels(f, i));
    int64_t bytes = 0;
    for (auto _ : state) {
        swf::TSWFSlideShowCreator creator;
        creator.CreateMovie(240, 320, 12);
        for (auto& frame : frames)
            creator.AddImage(f, frame.data(), 100);
        creator.MakeStream();
        vcl::TMemoryStream out;
        creator.GetMovie()->SaveToStream(&out);
        bytes = out.GetSize();
        benchmark::DoNotOptimize(out.Memory());
    }
    state.counters["file_bytes"] = double(bytes);
    state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(BM_SlideShow320x240x20)->Unit(benchmark::kMillisecond);

void BM_LosslessImage(benchmark::State& state) {
    const uint16_t bits = uint16_t(state.range(0));
    vcl::TDibFormat f = BenchFormat(640, 480, bits);
    std::vector<uint8_t> pixels = BenchPixels(f, 3);
    for (auto _ : state) {
        swf::TFlashMovie movie(0, 0, 640, 480, 12, true);
        swf::TFlashImage* image = movie.AddImage();
        image->LoadFromDib(f, pixels.data());
        vcl::TMemoryStream out;
        swf::TBitsEngine engine(&out);
        image->WriteToStream(&engine);
        benchmark::DoNotOptimize(out.Memory());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(pixels.size()));
}
BENCHMARK(BM_LosslessImage)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// zlib alone on the uncompressed lossless data of a 640 x 480 true-colour image (4 bytes a pixel): the
// floor under BM_LosslessImage/24.
void BM_ZlibFloor640x480(benchmark::State& state) {
    vcl::TDibFormat f = BenchFormat(640, 480, 32);
    std::vector<uint8_t> pixels = BenchPixels(f, 3);
    for (auto _ : state) {
        vcl::TMemoryStream out;
        swf::DeflateInto(pixels.data(), int64_t(pixels.size()), &out);
        benchmark::DoNotOptimize(out.Memory());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(pixels.size()));
}
BENCHMARK(BM_ZlibFloor640x480)->Unit(benchmark::kMillisecond);

} // namespace
