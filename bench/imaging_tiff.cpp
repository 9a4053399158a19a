// TIFF decoding speed: a fax page (1728 x 2200, text-like runs) coded with Group 4 and Group 3 2-D, decoded
// row by row, and whole TIFF pages read from memory: the same page as Group 4, and a 1024 x 768 colour
// picture uncompressed and as LZW with the predictor. Bytes processed are the decoded pixel bytes.
// BM_TiffLzwVsLibtiff reads LZW pages with the predictor that libtiff wrote (its default strips) beside
// libtiff's own strip reading of the same bytes into a reused buffer: "vs_libtiff" is libtiff's processor
// time over ours (1 or more: at least even).
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/Ccitt.h"
#include "imaging/io/IOLzw.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/TiffRead.h"
#include "imaging/io/TiffWrite.h"
#include "platform/vcl/Streams.h"

#include "LibtiffMemory.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

using namespace imaging;
using namespace benchtiff;

namespace {

constexpr int32_t FaxWidth = 1728;
constexpr int32_t FaxHeight = 2200;

// Encoder rows (a set bit is black): lines of "words" on white, with blank lines between them.
std::vector<std::vector<uint8_t>> FaxPage() {
    std::mt19937 rng(3);
    std::vector<std::vector<uint8_t>> page(FaxHeight, std::vector<uint8_t>((FaxWidth + 7) / 8));
    for (int32_t y = 0; y < FaxHeight; ++y) {
        if ((y / 20) % 2)
            continue;
        int32_t x = 100;
        while (x < FaxWidth - 100) {
            int32_t run = 2 + int32_t(rng() % 6);
            if (rng() % 2)
                for (int32_t i = x; i < x + run; ++i)
                    page[size_t(y)][size_t(i / 8)] |= uint8_t(0x80 >> (i % 8));
            x += run + int32_t(rng() % 8);
        }
    }
    return page;
}

std::vector<uint8_t> EncodeFax(bool g4) {
    vcl::TMemoryStream stream;
    bool aborting = false;
    int32_t bits = 0;
    uint8_t byte = 0;
    std::vector<uint8_t> ref;
    for (const auto& row : FaxPage()) {
        if (g4)
            EncodeCcittG4Row(row.data(), FaxWidth, &stream, aborting, ref, bits, byte);
        else
            EncodeCcittG32dRow(row.data(), FaxWidth, &stream, aborting, ref, bits, byte);
    }
    if (g4)
        EncodeCcittG4Row(nullptr, FaxWidth, &stream, aborting, ref, bits, byte);
    else
        EncodeCcittG32dRow(nullptr, FaxWidth, &stream, aborting, ref, bits, byte);
    auto* p = static_cast<const uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(p, p + stream.GetSize());
}

void BM_CcittDecode(benchmark::State& state) {
    const bool g4 = state.range(0) != 0;
    const std::vector<uint8_t> data = EncodeFax(g4);
    std::vector<uint8_t> row((FaxWidth + 7) / 8), ref(row.size());
    for (auto _ : state) {
        std::fill(ref.begin(), ref.end(), 0xFF);
        int64_t pos = 0;
        for (int32_t y = 0; y < FaxHeight; ++y)
            pos = DecodeCcitt2dRow(row.data(), data.data(), int64_t(data.size()), false, 1, pos, ref.data(),
                                   FaxWidth);
        benchmark::DoNotOptimize(pos);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * FaxHeight * int64_t(row.size()));
    state.SetLabel(std::string(g4 ? "Group 4, " : "Group 3 2-D, ") + std::to_string(data.size()) +
                   " coded bytes");
}
BENCHMARK(BM_CcittDecode)->Arg(1)->Arg(0);

void BM_CcittEncodeG4(benchmark::State& state) {
    const auto page = FaxPage();
    for (auto _ : state) {
        vcl::TMemoryStream stream;
        bool aborting = false;
        int32_t bits = 0;
        uint8_t byte = 0;
        std::vector<uint8_t> ref;
        for (const auto& row : page)
            EncodeCcittG4Row(row.data(), FaxWidth, &stream, aborting, ref, bits, byte);
        EncodeCcittG4Row(nullptr, FaxWidth, &stream, aborting, ref, bits, byte);
        benchmark::DoNotOptimize(stream.GetSize());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * FaxHeight * (FaxWidth / 8));
}
BENCHMARK(BM_CcittEncodeG4);

// A TIFF file in memory written by our writer.
std::vector<uint8_t> TiffFile(TIKBitmap& bitmap, uint8_t compression, int32_t bits) {
    TIOParamsVals params;
    params.TiffCompression = compression;
    params.BitsPerSample = bits;
    params.SamplesPerPixel = bits == 1 ? 1 : 3;
    params.TiffLzwEncoder = IOTiffLzwEncode;
    vcl::TMemoryStream stream;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    EncodeBitmapToTiff(&stream, &bitmap, params, progress);
    auto* p = static_cast<const uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(p, p + stream.GetSize());
}

void BM_TiffRead(benchmark::State& state) {
    const int64_t kind = state.range(0); // 0 fax G4, 1 colour uncompressed, 2 colour LZW
    TIKBitmap source;
    source.SetStorageKind(ikbsMemory);
    std::vector<uint8_t> file;
    if (kind == 0) {
        source.Allocate(FaxWidth, FaxHeight, ikbf1Bit);
        auto page = FaxPage();
        for (int32_t y = 0; y < FaxHeight; ++y)
            for (size_t i = 0; i < page[size_t(y)].size(); ++i)
                source.ScanLine(y)[i] = uint8_t(~page[size_t(y)][i]);
        file = TiffFile(source, 4, 1);
    } else {
        source.Allocate(1024, 768, ikbf24Bit);
        for (int32_t y = 0; y < 768; ++y)
            for (int32_t x = 0; x < 1024 * 3; ++x)
                source.ScanLine(y)[x] = uint8_t((x * 7 + y * 3) / 5 + (x % 3) * 40);
        file = TiffFile(source, kind == 1 ? 0 : 5, 8);
    }
    TIKBitmap bitmap;
    bitmap.SetStorageKind(ikbsMemory);
    for (auto _ : state) {
        vcl::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
        TIOParamsVals params;
        params.TiffLzwDecoder = IOTiffLzwDecode;
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        int32_t pages = 0;
        DecodeTiffToBitmap(&bitmap, &stream, pages, params, progress, ikrmImage, nullptr, ikamIgnore);
        if (aborting)
            state.SkipWithError("the page could not be read");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bitmap.RowLength()) * bitmap.Height());
    state.SetLabel(kind == 0   ? "fax page, Group 4"
                   : kind == 1 ? "colour, uncompressed"
                               : "colour, LZW + predictor");
}
BENCHMARK(BM_TiffRead)->Arg(0)->Arg(1)->Arg(2);

// ---- LZW with the predictor against libtiff

constexpr int32_t LzwWidth = 1600;
constexpr int32_t LzwHeight = 1200;

// R, G, B rows of a photo-like picture (gradients with texture) or of a very compressible one (smooth
// gradients only).
std::vector<uint8_t> LzwPicture(bool photo) {
    std::vector<uint8_t> rgb(size_t(LzwWidth) * LzwHeight * 3);
    uint32_t seed = 1;
    for (int32_t y = 0; y < LzwHeight; ++y)
        for (int32_t x = 0; x < LzwWidth; ++x) {
            uint8_t* p = rgb.data() + (size_t(y) * LzwWidth + size_t(x)) * 3;
            seed = seed * 1103515245u + 12345u;
            const int32_t noise = photo ? int32_t(seed >> 28) : 0;
            p[0] = uint8_t(((x + y) / 9 + noise) & 255);
            p[1] = uint8_t((y / 5 + x / 13 + noise) & 255);
            p[2] = uint8_t((x / 7 + noise) & 255);
        }
    return rgb;
}

// The picture as libtiff writes it: LZW, horizontal predictor, its default strip size.
std::vector<uint8_t> LibtiffLzwFile(const std::vector<uint8_t>& rgb) {
    TLibtiffMemory m;
    TIFF* tif = LibtiffOpen(m, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(LzwWidth));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(LzwHeight));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    for (int32_t y = 0; y < LzwHeight; ++y)
        TIFFWriteScanline(tif, const_cast<uint8_t*>(rgb.data()) + size_t(y) * LzwWidth * 3, uint32_t(y), 0);
    TIFFClose(tif);
    return std::move(m.Written);
}

// libtiff's strip reading into a reused buffer.
void LibtiffReadStrips(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) {
    TLibtiffMemory m;
    m.Read = &file;
    TIFF* tif = LibtiffOpen(m, "r");
    const tstrip_t strips = TIFFNumberOfStrips(tif);
    const tmsize_t stripSize = TIFFStripSize(tif);
    out.resize(size_t(stripSize) * strips);
    for (tstrip_t s = 0; s < strips; ++s)
        TIFFReadEncodedStrip(tif, s, out.data() + size_t(s) * size_t(stripSize), -1);
    TIFFClose(tif);
}

bool OursReadPage(const std::vector<uint8_t>& file, TIKBitmap& bitmap) {
    vcl::TReadOnlyMemoryStream stream(file.data(), int64_t(file.size()));
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    int32_t pages = 0;
    DecodeTiffToBitmap(&bitmap, &stream, pages, params, progress, ikrmImage, nullptr, ikamIgnore);
    return !aborting;
}

void BM_TiffLzwVsLibtiff(benchmark::State& state) {
    const bool photo = state.range(0) != 0;
    const std::vector<uint8_t> file = LibtiffLzwFile(LzwPicture(photo));
    TIKBitmap bitmap;
    bitmap.SetStorageKind(ikbsMemory);
    for (auto _ : state)
        if (!OursReadPage(file, bitmap))
            state.SkipWithError("the page could not be read");
    // Processor time of interleaved runs, the median ratio: load on the machine weighs little in it.
    std::vector<uint8_t> out;
    std::vector<double> ratios;
    for (int i = 0; i < 9; ++i) {
        const std::clock_t t0 = std::clock();
        LibtiffReadStrips(file, out);
        const std::clock_t t1 = std::clock();
        OursReadPage(file, bitmap);
        const std::clock_t t2 = std::clock();
        ratios.push_back(double(t1 - t0) / double(std::max<std::clock_t>(t2 - t1, 1)));
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["vs_libtiff"] = ratios[ratios.size() / 2];
    state.counters["MPix/s"] = benchmark::Counter(double(LzwWidth) * LzwHeight / 1e6 * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
    state.SetLabel(std::string(photo ? "photo, " : "gradients, ") + std::to_string(file.size()) + " bytes");
}
BENCHMARK(BM_TiffLzwVsLibtiff)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace
