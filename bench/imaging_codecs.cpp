// Decoding and encoding speed of the imaging library's JPEG, PNG, BMP and GIF filters in megapixels a
// second. JPEG and PNG decoding run beside plain calls of libjpeg (memory source, B,G,R output) and libpng
// (its simplified reader) on the same bytes, the work djpeg and pngtopam do: "vs_library" is the library's
// processor time over the filter's (below 1: the filter is slower).
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/BmpFilter.h"
#include "imaging/io/GifFilter.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/JpegFilter.h"
#include "imaging/io/PngFilter.h"
#include "platform/vcl/Streams.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#undef TRUE
#undef FALSE

using namespace imaging;

namespace {

constexpr int32_t BenchWidth = 1600;
constexpr int32_t BenchHeight = 1200;
constexpr double BenchMegapixels = BenchWidth * BenchHeight / 1e6;

// A photograph-like picture: smooth gradients with some texture.
TIKBitmap& BenchPicture() {
    static TIKBitmap* picture = [] {
        auto* b = new TIKBitmap;
        b->SetStorageKind(ikbsMemory);
        b->Allocate(BenchWidth, BenchHeight, ikbf24Bit);
        uint32_t seed = 1;
        for (int32_t y = 0; y < BenchHeight; ++y) {
            uint8_t* row = b->ScanLine(y);
            for (int32_t x = 0; x < BenchWidth; ++x) {
                seed = seed * 1103515245u + 12345u;
                const int32_t noise = int32_t(seed >> 28);
                row[x * 3] = uint8_t((x / 7 + noise) & 255);
                row[x * 3 + 1] = uint8_t((y / 5 + x / 13 + noise) & 255);
                row[x * 3 + 2] = uint8_t(((x + y) / 9) & 255);
            }
        }
        return b;
    }();
    return *picture;
}

std::vector<uint8_t> Encoded(const char* format) {
    vcl::TMemoryStream s;
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    if (std::strcmp(format, "jpeg") == 0) {
        params.JpegQuality = 85;
        EncodeBitmapToJpeg(&s, &BenchPicture(), params, progress);
    } else if (std::strcmp(format, "png") == 0) {
        EncodeBitmapToPng(&s, &BenchPicture(), params, progress, nullptr);
    } else if (std::strcmp(format, "bmp") == 0) {
        EncodeBitmapToBmp(&s, &BenchPicture(), params, progress);
    } else {
        EncodeBitmapToGif(&s, &BenchPicture(), params, progress);
    }
    const auto* p = static_cast<const uint8_t*>(s.Memory());
    return std::vector<uint8_t>(p, p + s.GetSize());
}

const std::vector<uint8_t>& JpegBytes() {
    static const std::vector<uint8_t> bytes = Encoded("jpeg");
    return bytes;
}
const std::vector<uint8_t>& PngBytes() {
    static const std::vector<uint8_t> bytes = Encoded("png");
    return bytes;
}

// The plain library decodes, timed once each for the ratios.
void LibjpegDecode(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& out) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, 1);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    out.resize(size_t(cinfo.output_width) * cinfo.output_height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.data() + size_t(cinfo.output_scanline) * cinfo.output_width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

void LibpngDecode(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
    image.format = PNG_FORMAT_BGR;
    out.resize(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
    png_image_free(&image);
}

// Processor time of one run, the median of interleaved runs, so that other load on the machine weighs
// little in the ratio.
template <typename F, typename G> double TimeRatio(F&& library, G&& filter) {
    std::vector<double> ratios;
    for (int i = 0; i < 7; ++i) {
        std::clock_t t0 = std::clock();
        library();
        std::clock_t t1 = std::clock();
        filter();
        std::clock_t t2 = std::clock();
        ratios.push_back(double(t1 - t0) / double(std::max<std::clock_t>(t2 - t1, 1)));
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

void ReportRate(benchmark::State& state) {
    state.counters["MPix/s"] =
        benchmark::Counter(BenchMegapixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_JpegDecode(benchmark::State& state) {
    const auto& bytes = JpegBytes();
    TIKBitmap bitmap;
    bitmap.SetStorageKind(ikbsMemory);
    TIOParamsVals params;
    for (auto _ : state) {
        vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        DecodeJpegToBitmap(&s, nullptr, &bitmap, params, progress, ikrmImage, ikjoConverted);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
    std::vector<uint8_t> out;
    state.counters["vs_library"] =
        TimeRatio([&] { LibjpegDecode(bytes, out); },
                  [&] {
                      vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
                      std::atomic<bool> aborting{false};
                      TIKProgressContext progress(aborting);
                      DecodeJpegToBitmap(&s, nullptr, &bitmap, params, progress, ikrmImage, ikjoConverted);
                  });
    ReportRate(state);
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);

void BM_PngDecode(benchmark::State& state) {
    const auto& bytes = PngBytes();
    TIKBitmap bitmap;
    bitmap.SetStorageKind(ikbsMemory);
    TIOParamsVals params;
    std::unique_ptr<TIKMask> mask;
    for (auto _ : state) {
        vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        DecodePngToBitmap(&s, &bitmap, params, progress, ikrmImage, mask, ikamKeep);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
    std::vector<uint8_t> out;
    state.counters["vs_library"] =
        TimeRatio([&] { LibpngDecode(bytes, out); },
                  [&] {
                      vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
                      std::atomic<bool> aborting{false};
                      TIKProgressContext progress(aborting);
                      DecodePngToBitmap(&s, &bitmap, params, progress, ikrmImage, mask, ikamKeep);
                  });
    ReportRate(state);
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state, const char* format) {
    static const std::vector<uint8_t> bmp = Encoded("bmp");
    static const std::vector<uint8_t> gif = Encoded("gif");
    const bool isBmp = std::strcmp(format, "bmp") == 0;
    const auto& bytes = isBmp ? bmp : gif;
    TIKBitmap bitmap;
    bitmap.SetStorageKind(ikbsMemory);
    TIOParamsVals params;
    std::unique_ptr<TIKMask> mask;
    for (auto _ : state) {
        vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        int32_t count = 0;
        if (isBmp)
            DecodeBmpToBitmap(&s, &bitmap, 0, params, progress, ikrmImage);
        else
            DecodeGifToBitmap(&s, &bitmap, count, params, progress, ikrmImage, mask, ikamKeep);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
    ReportRate(state);
}
BENCHMARK_CAPTURE(BM_Decode, bmp, "bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, gif, "gif")->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State& state, const char* format) {
    BenchPicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(Encoded(format).size());
    ReportRate(state);
}
BENCHMARK_CAPTURE(BM_Encode, jpeg, "jpeg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, png, "png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, bmp, "bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, gif, "gif")->Unit(benchmark::kMillisecond);

} // namespace
