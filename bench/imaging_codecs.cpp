// Decoding and encoding speed of the imaging library's JPEG, PNG, BMP and GIF filters in megapixels a
// second. JPEG, PNG and TIFF decoding run beside plain calls of libjpeg (memory source, B,G,R output),
// libpng (its simplified reader) and libtiff (strip reading of LZW with the predictor) on the same bytes, the
// work djpeg, pngtopam and tiffcp do, on a 1600 x 1200 picture (Arg 0) and a 4000 x 3000 one (Arg 1).
// Each ratio is the filter's processor time over the library's (above 1: the filter is slower), medians of
// interleaved runs: "reused" decodes again and again into the same bitmap against the library into the
// same buffer, "fresh" into a new bitmap against the library into a new buffer each time.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/BmpFilter.h"
#include "imaging/io/GifFilter.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/JpegFilter.h"
#include "imaging/io/PngFilter.h"
#include "imaging/io/TiffRead.h"
#include "platform/vcl/Streams.h"

#include "LibtiffMemory.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#undef TRUE
#undef FALSE

using namespace imaging;
using namespace benchtiff;

namespace {

constexpr int32_t BenchWidth = 1600;
constexpr int32_t BenchHeight = 1200;
constexpr double BenchMegapixels = BenchWidth * BenchHeight / 1e6;

// A photograph-like picture: smooth gradients with some texture.
std::unique_ptr<TIKBitmap> MakePicture(int32_t width, int32_t height) {
    auto b = std::make_unique<TIKBitmap>();
    b->SetStorageKind(ikbsMemory);
    b->Allocate(width, height, ikbf24Bit);
    uint32_t seed = 1;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = b->ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int32_t noise = int32_t(seed >> 28);
            row[x * 3] = uint8_t((x / 7 + noise) & 255);
            row[x * 3 + 1] = uint8_t((y / 5 + x / 13 + noise) & 255);
            row[x * 3 + 2] = uint8_t(((x + y) / 9) & 255);
        }
    }
    return b;
}

TIKBitmap& BenchPicture() {
    static std::unique_ptr<TIKBitmap> picture = MakePicture(BenchWidth, BenchHeight);
    return *picture;
}

std::vector<uint8_t> EncodedPicture(const char* format, TIKBitmap& picture) {
    vcl::TMemoryStream s;
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    if (std::strcmp(format, "jpeg") == 0) {
        params.JpegQuality = 85;
        EncodeBitmapToJpeg(&s, &picture, params, progress);
    } else if (std::strcmp(format, "png") == 0) {
        EncodeBitmapToPng(&s, &picture, params, progress, nullptr);
    } else if (std::strcmp(format, "bmp") == 0) {
        EncodeBitmapToBmp(&s, &picture, params, progress);
    } else {
        EncodeBitmapToGif(&s, &picture, params, progress);
    }
    const auto* p = static_cast<const uint8_t*>(s.Memory());
    return std::vector<uint8_t>(p, p + s.GetSize());
}

std::vector<uint8_t> Encoded(const char* format) {
    return EncodedPicture(format, BenchPicture());
}

// ---- The libraries alone, into a buffer of the caller's

void LibjpegDecode(const std::vector<uint8_t>& bytes, std::unique_ptr<uint8_t[]>& out, bool fresh) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, 1);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    if (fresh || !out)
        out.reset(new uint8_t[size_t(cinfo.output_width) * cinfo.output_height * 3]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.get() + size_t(cinfo.output_scanline) * cinfo.output_width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

void LibpngDecode(const std::vector<uint8_t>& bytes, std::unique_ptr<uint8_t[]>& out, bool fresh) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, bytes.data(), bytes.size());
    image.format = PNG_FORMAT_BGR;
    if (fresh || !out)
        out.reset(new uint8_t[PNG_IMAGE_SIZE(image)]);
    png_image_finish_read(&image, nullptr, out.get(), 0, nullptr);
    png_image_free(&image);
}

// The picture as libtiff writes it: R, G, B with LZW and the predictor in its default strips.
std::vector<uint8_t> LibtiffFile(TIKBitmap& picture) {
    TLibtiffMemory m;
    TIFF* tif = LibtiffOpen(m, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(picture.Width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(picture.Height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<uint8_t> row(size_t(picture.Width()) * 3);
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* p = picture.ScanLine(y);
        for (size_t x = 0; x < row.size(); x += 3) {
            row[x] = p[x + 2];
            row[x + 1] = p[x + 1];
            row[x + 2] = p[x];
        }
        TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tif);
    return std::move(m.Written);
}

void LibtiffDecode(const std::vector<uint8_t>& bytes, std::unique_ptr<uint8_t[]>& out, bool fresh) {
    TLibtiffMemory m;
    m.Read = &bytes;
    TIFF* tif = LibtiffOpen(m, "r");
    const tstrip_t strips = TIFFNumberOfStrips(tif);
    const tmsize_t stripSize = TIFFStripSize(tif);
    if (fresh || !out)
        out.reset(new uint8_t[size_t(stripSize) * strips]);
    for (tstrip_t s = 0; s < strips; ++s)
        TIFFReadEncodedStrip(tif, s, out.get() + size_t(s) * size_t(stripSize), -1);
    TIFFClose(tif);
}

// ---- The filters against them

enum TBenchFormat { bfJpeg, bfPng, bfTiff };

struct TDecodeCase {
    std::vector<uint8_t> Bytes;
    double Megapixels = 0;
};

const TDecodeCase& DecodeCase(TBenchFormat format, bool large) {
    static std::map<int, TDecodeCase> cases;
    TDecodeCase& c = cases[int(format) * 2 + int(large)];
    if (c.Bytes.empty()) {
        std::unique_ptr<TIKBitmap> own;
        TIKBitmap* picture = &BenchPicture();
        if (large) {
            own = MakePicture(4000, 3000);
            picture = own.get();
        }
        c.Bytes = format == bfJpeg  ? EncodedPicture("jpeg", *picture)
                  : format == bfPng ? EncodedPicture("png", *picture)
                                    : LibtiffFile(*picture);
        c.Megapixels = double(picture->Width()) * picture->Height() / 1e6;
    }
    return c;
}

void FilterDecode(TBenchFormat format, const std::vector<uint8_t>& bytes, TIKBitmap& bitmap) {
    vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    std::unique_ptr<TIKMask> mask;
    int32_t pages = 0;
    switch (format) {
    case bfJpeg:
        DecodeJpegToBitmap(&s, nullptr, &bitmap, params, progress, ikrmImage, ikjoConverted);
        break;
    case bfPng:
        DecodePngToBitmap(&s, &bitmap, params, progress, ikrmImage, mask, ikamKeep);
        break;
    case bfTiff:
        DecodeTiffToBitmap(&bitmap, &s, pages, params, progress, ikrmImage, nullptr, ikamIgnore);
        break;
    }
}

void LibraryDecode(TBenchFormat format, const std::vector<uint8_t>& bytes, std::unique_ptr<uint8_t[]>& out,
                   bool fresh) {
    switch (format) {
    case bfJpeg:
        LibjpegDecode(bytes, out, fresh);
        break;
    case bfPng:
        LibpngDecode(bytes, out, fresh);
        break;
    case bfTiff:
        LibtiffDecode(bytes, out, fresh);
        break;
    }
}

// Processor time of the filter over the library's: the median of interleaved runs, so that other load on
// the machine weighs little in it.
template <typename F, typename G> double TimeRatio(F&& library, G&& filter) {
    std::vector<double> ratios;
    for (int i = 0; i < 7; ++i) {
        std::clock_t t0 = std::clock();
        library();
        std::clock_t t1 = std::clock();
        filter();
        std::clock_t t2 = std::clock();
        ratios.push_back(double(t2 - t1) / double(std::max<std::clock_t>(t1 - t0, 1)));
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

void ReportRate(benchmark::State& state, double megapixels = BenchMegapixels) {
    state.counters["MPix/s"] =
        benchmark::Counter(megapixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DecodeVsLibrary(benchmark::State& state, TBenchFormat format) {
    const TDecodeCase& c = DecodeCase(format, state.range(0) != 0);
    TIKBitmap bitmap;
    bitmap.SetStorageKind(ikbsMemory);
    for (auto _ : state) {
        FilterDecode(format, c.Bytes, bitmap);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
    std::unique_ptr<uint8_t[]> out;
    state.counters["reused"] = TimeRatio([&] { LibraryDecode(format, c.Bytes, out, false); },
                                         [&] { FilterDecode(format, c.Bytes, bitmap); });
    state.counters["fresh"] = TimeRatio([&] { LibraryDecode(format, c.Bytes, out, true); },
                                        [&] {
                                            TIKBitmap fresh;
                                            fresh.SetStorageKind(ikbsMemory);
                                            FilterDecode(format, c.Bytes, fresh);
                                        });
    ReportRate(state, c.Megapixels);
}
BENCHMARK_CAPTURE(BM_DecodeVsLibrary, jpeg, bfJpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeVsLibrary, png, bfPng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeVsLibrary, tiff, bfTiff)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
