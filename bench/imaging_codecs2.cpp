// Decoding and encoding speed of the imaging library's JPEG 2000, PCX, Targa, PNM and icon filters in
// megapixels a second, on a 1600 x 1200 photograph-like picture (icons: 256 x 256 with alpha).
// JPEG 2000 runs beside plain OpenJPEG calls on the same bytes and the same coding parameters, the work
// opj_decompress and opj_compress do without their file conversions: "vs_openjpeg" is OpenJPEG's processor
// time over the filter's (below 1: the filter is slower). PCX, Targa and PNM decoding report ImageMagick's
// rate on the same file ("convert -limit thread 1 -bench", its start-up left out) as "convert_MPix/s" when
// `convert` is installed.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/IcoFilter.h"
#include "imaging/io/Jpeg2000Filter.h"
#include "imaging/io/PcxFilter.h"
#include "imaging/io/PnmFilter.h"
#include "imaging/io/TgaFilter.h"
#include "platform/vcl/Streams.h"

#include <benchmark/benchmark.h>

#include <openjpeg.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

using namespace imaging;

namespace {

constexpr int32_t Codecs2Width = 1600;
constexpr int32_t Codecs2Height = 1200;
constexpr int32_t Codecs2IconSize = 256;
using Codecs2Bytes = std::vector<uint8_t>;

// A photograph-like picture: smooth gradients with some texture (runs are short, as in photographs).
TIKBitmap& Codecs2Picture() {
    static TIKBitmap* picture = [] {
        auto* b = new TIKBitmap;
        b->SetStorageKind(ikbsMemory);
        b->Allocate(Codecs2Width, Codecs2Height, ikbf24Bit);
        uint32_t seed = 1;
        for (int32_t y = 0; y < Codecs2Height; ++y) {
            uint8_t* row = b->ScanLine(y);
            for (int32_t x = 0; x < Codecs2Width; ++x) {
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

// ---- Encoding through the filters ----------------------------------------------------------------------

enum TCodecs2Format { c2Jp2, c2J2k, c2Pcx, c2Tga, c2Pnm };

// rate: the JPEG 2000 rate (1 lossless).
Codecs2Bytes Codecs2Encode(TCodecs2Format format, double rate = 1.0) {
    vcl::TMemoryStream s;
    TIOParamsVals params;
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    TIKBitmap* picture = &Codecs2Picture();
    switch (format) {
    case c2Jp2:
    case c2J2k:
        params.Jpeg2000Rate = rate;
        EncodeBitmapToJpeg2000(&s, picture, params, format == c2Jp2 ? ikj2fJp2 : ikj2fCodeStream, progress);
        break;
    case c2Pcx:
        EncodeBitmapToPcx(&s, picture, params, progress);
        break;
    case c2Tga:
        EncodeBitmapToTga(&s, picture, params, progress, nullptr);
        break;
    case c2Pnm:
        EncodeBitmapToPnm(&s, picture, params, progress);
        break;
    }
    if (aborting.load())
        std::fprintf(stderr, "imaging_codecs2: the filter could not write format %d\n", int(format));
    const auto* p = static_cast<const uint8_t*>(s.Memory());
    return Codecs2Bytes(p, p + s.GetSize());
}

// A 256 x 256 icon of 32 bits with a varying alpha, the form of today's large icons.
Codecs2Bytes Codecs2Icon() {
    const int32_t n = Codecs2IconSize;
    Codecs2Bytes b;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    const uint32_t pixelBytes = uint32_t(n * n * 4), maskBytes = uint32_t(n / 8 * n);
    put(0, 2), put(1, 2), put(1, 2);                                   // directory: an icon of one image
    put(0, 1), put(0, 1), put(0, 1), put(0, 1), put(1, 2), put(32, 2); // 0 x 0 means 256
    put(40 + pixelBytes + maskBytes, 4), put(22, 4);
    put(40, 4), put(uint32_t(n), 4), put(uint32_t(2 * n), 4), put(1, 2), put(32, 2), put(0, 4);
    put(pixelBytes + maskBytes, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
    TIKBitmap& picture = Codecs2Picture();
    for (int32_t y = n - 1; y >= 0; --y) {
        const uint8_t* row = picture.ScanLine(y);
        for (int32_t x = 0; x < n; ++x) {
            b.insert(b.end(), row + 3 * x, row + 3 * x + 3);
            b.push_back(uint8_t((x + y) & 255));
        }
    }
    b.resize(b.size() + maskBytes, 0);
    return b;
}

const Codecs2Bytes& Codecs2Data(TCodecs2Format format, bool lossy) {
    static Codecs2Bytes cache[5][2];
    Codecs2Bytes& bytes = cache[format][lossy ? 1 : 0];
    if (bytes.empty())
        bytes = Codecs2Encode(format, lossy ? 0.1 : 1.0);
    return bytes;
}

// ---- OpenJPEG called directly ---------------------------------------------------------------------------

struct TCodecs2Memory {
    Codecs2Bytes* Data;
    size_t Position = 0;
};

OPJ_SIZE_T Codecs2Read(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* m = static_cast<TCodecs2Memory*>(user);
    const size_t n = std::min<size_t>(count, m->Data->size() - m->Position);
    if (n == 0)
        return OPJ_SIZE_T(-1);
    std::memcpy(buffer, m->Data->data() + m->Position, n);
    m->Position += n;
    return n;
}

OPJ_SIZE_T Codecs2Write(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* m = static_cast<TCodecs2Memory*>(user);
    const auto* p = static_cast<const uint8_t*>(buffer);
    if (m->Position + count > m->Data->size())
        m->Data->resize(m->Position + count);
    std::memcpy(m->Data->data() + m->Position, p, count);
    m->Position += count;
    return count;
}

OPJ_OFF_T Codecs2Skip(OPJ_OFF_T count, void* user) {
    auto* m = static_cast<TCodecs2Memory*>(user);
    m->Position = size_t(std::max<OPJ_OFF_T>(0, OPJ_OFF_T(m->Position) + count));
    return count;
}

OPJ_BOOL Codecs2Seek(OPJ_OFF_T position, void* user) {
    static_cast<TCodecs2Memory*>(user)->Position = size_t(position);
    return OPJ_TRUE;
}

opj_stream_t* Codecs2Stream(TCodecs2Memory& memory, bool input) {
    opj_stream_t* stream = opj_stream_create(64 * 1024, input ? OPJ_TRUE : OPJ_FALSE);
    opj_stream_set_user_data(stream, &memory, nullptr);
    if (input) {
        opj_stream_set_read_function(stream, Codecs2Read);
        opj_stream_set_user_data_length(stream, memory.Data->size());
    } else {
        opj_stream_set_write_function(stream, Codecs2Write);
    }
    opj_stream_set_skip_function(stream, Codecs2Skip);
    opj_stream_set_seek_function(stream, Codecs2Seek);
    return stream;
}

// Decodes the bytes to OpenJPEG's component planes; false on failure.
bool Codecs2OpenJpegDecode(Codecs2Bytes& bytes, bool jp2) {
    TCodecs2Memory memory{&bytes};
    opj_stream_t* stream = Codecs2Stream(memory, true);
    opj_codec_t* codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_image_t* image = nullptr;
    const bool ok = opj_setup_decoder(codec, &parameters) && opj_read_header(stream, codec, &image) &&
                    opj_decode(codec, stream, image) && opj_end_decompress(codec, stream);
    opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    return ok;
}

// The picture as three full-size planes, the input an encoder gets from its file reader.
opj_image_t* Codecs2OpenJpegImage() {
    opj_image_cmptparm_t parts[3];
    std::memset(parts, 0, sizeof parts);
    for (auto& part : parts) {
        part.dx = part.dy = 1;
        part.w = Codecs2Width;
        part.h = Codecs2Height;
        part.prec = 8;
    }
    opj_image_t* image = opj_image_create(3, parts, OPJ_CLRSPC_SRGB);
    image->x0 = image->y0 = 0;
    image->x1 = Codecs2Width;
    image->y1 = Codecs2Height;
    TIKBitmap& picture = Codecs2Picture();
    for (int32_t y = 0; y < Codecs2Height; ++y) {
        const uint8_t* row = picture.ScanLine(y);
        for (int32_t x = 0; x < Codecs2Width; ++x)
            for (int k = 0; k < 3; ++k)
                image->comps[k].data[size_t(y) * Codecs2Width + x] = row[3 * x + 2 - k];
    }
    return image;
}

// Encodes the planes with the parameters the filter uses; the size written.
size_t Codecs2OpenJpegEncode(bool jp2, double rate) {
    Codecs2Bytes out;
    TCodecs2Memory memory{&out};
    opj_stream_t* stream = Codecs2Stream(memory, false);
    opj_codec_t* codec = opj_create_compress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = rate < 1 ? float(1 / rate) : 0;
    parameters.cp_disto_alloc = 1;
    parameters.tcp_mct = 1;
    parameters.prog_order = OPJ_LRCP;
    opj_image_t* image = Codecs2OpenJpegImage();
    const bool ok = opj_setup_encoder(codec, &parameters, image) &&
                    opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                    opj_end_compress(codec, stream);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    return ok ? out.size() : 0;
}

// ---- Comparisons ----------------------------------------------------------------------------------------

// Processor time of one run, the median of interleaved runs, so that other load on the machine weighs
// little in the ratio.
template <typename F, typename G> double Codecs2TimeRatio(F&& reference, G&& filter) {
    std::vector<double> ratios;
    for (int i = 0; i < 3; ++i) {
        const std::clock_t t0 = std::clock();
        reference();
        const std::clock_t t1 = std::clock();
        filter();
        const std::clock_t t2 = std::clock();
        ratios.push_back(double(t1 - t0) / double(std::max<std::clock_t>(t2 - t1, 1)));
    }
    std::sort(ratios.begin(), ratios.end());
    return ratios[ratios.size() / 2];
}

// ImageMagick's decoding rate of the bytes in megapixels a second; 0 when convert is missing or fails.
double Codecs2ConvertRate(const Codecs2Bytes& bytes, const char* extension) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("lw-codecs2-" + std::to_string(::getpid()) + "." + extension);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const std::string command =
        "convert -limit thread 1 -bench 5 '" + file.string() + "' null: 2>&1 < /dev/null";
    double ips = 0;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, pipe)) {
            const char* performance = std::strstr(line, "Performance");
            const char* colon = performance ? std::strchr(performance, ':') : nullptr;
            if (!colon)
                continue;
            // "Performance[1]: 5i 12.3ips 0.000e 0.40u 0:00.41"
            const char* i = std::strchr(colon, 'i');
            if (i)
                ips = std::atof(i + 1);
        }
        ::pclose(pipe);
    }
    std::filesystem::remove(file);
    return ips * Codecs2Width * Codecs2Height / 1e6;
}

void Codecs2ReportRate(benchmark::State& state, double megapixels) {
    state.counters["MPix/s"] =
        benchmark::Counter(megapixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

// ---- Benchmarks -----------------------------------------------------------------------------------------

struct TCodecs2Run {
    TIKBitmap Bitmap;
    TIOParamsVals Params;
    std::unique_ptr<TIKMask> Mask;
    TCodecs2Run() { Bitmap.SetStorageKind(ikbsMemory); }
};

bool Codecs2Decode(TCodecs2Format format, const Codecs2Bytes& bytes, TCodecs2Run& run) {
    vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    switch (format) {
    case c2Jp2:
    case c2J2k:
        DecodeJpeg2000ToBitmap(&s, &run.Bitmap, run.Params, progress, ikrmImage);
        break;
    case c2Pcx:
        DecodePcxToBitmap(&s, &run.Bitmap, run.Params, int64_t(bytes.size()), progress, ikrmImage);
        break;
    case c2Tga:
        DecodeTgaToBitmap(&s, &run.Bitmap, run.Params, progress, ikrmImage, run.Mask, ikamKeep);
        break;
    case c2Pnm:
        DecodePnmToBitmap(&s, &run.Bitmap, run.Params, progress, ikrmImage);
        break;
    }
    return !aborting.load();
}

// Arguments: JPEG 2000 form (0 JP2, 1 code stream), lossy (rate 0.1) or lossless.
void BM_Jpeg2000Decode(benchmark::State& state) {
    const auto format = state.range(0) == 0 ? c2Jp2 : c2J2k;
    Codecs2Bytes bytes = Codecs2Data(format, state.range(1) != 0);
    TCodecs2Run run;
    for (auto _ : state) {
        if (!Codecs2Decode(format, bytes, run))
            state.SkipWithError("the filter could not read its own file");
        benchmark::DoNotOptimize(run.Bitmap.ScanLine(0));
    }
    state.counters["vs_openjpeg"] = Codecs2TimeRatio([&] { Codecs2OpenJpegDecode(bytes, format == c2Jp2); },
                                                     [&] { Codecs2Decode(format, bytes, run); });
    state.counters["KiB"] = double(bytes.size()) / 1024;
    Codecs2ReportRate(state, Codecs2Width * Codecs2Height / 1e6);
}
BENCHMARK(BM_Jpeg2000Decode)
    ->ArgNames({"codestream", "lossy"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

void BM_Jpeg2000Encode(benchmark::State& state) {
    const auto format = state.range(0) == 0 ? c2Jp2 : c2J2k;
    const double rate = state.range(1) != 0 ? 0.1 : 1.0;
    Codecs2Picture();
    for (auto _ : state)
        benchmark::DoNotOptimize(Codecs2Encode(format, rate).size());
    state.counters["vs_openjpeg"] = Codecs2TimeRatio([&] { Codecs2OpenJpegEncode(format == c2Jp2, rate); },
                                                     [&] { Codecs2Encode(format, rate); });
    Codecs2ReportRate(state, Codecs2Width * Codecs2Height / 1e6);
}
BENCHMARK(BM_Jpeg2000Encode)
    ->ArgNames({"codestream", "lossy"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state, TCodecs2Format format, const char* extension) {
    const Codecs2Bytes& bytes = Codecs2Data(format, false);
    TCodecs2Run run;
    for (auto _ : state) {
        if (!Codecs2Decode(format, bytes, run))
            state.SkipWithError("the filter could not read its own file");
        benchmark::DoNotOptimize(run.Bitmap.ScanLine(0));
    }
    if (const double rate = Codecs2ConvertRate(bytes, extension); rate > 0)
        state.counters["convert_MPix/s"] = rate;
    Codecs2ReportRate(state, Codecs2Width * Codecs2Height / 1e6);
}
BENCHMARK_CAPTURE(BM_Decode, pcx, c2Pcx, "pcx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, tga, c2Tga, "tga")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, pnm, c2Pnm, "ppm")->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State& state, TCodecs2Format format) {
    Codecs2Picture();
    for (auto _ : state)
        benchmark::DoNotOptimize(Codecs2Encode(format).size());
    Codecs2ReportRate(state, Codecs2Width * Codecs2Height / 1e6);
}
BENCHMARK_CAPTURE(BM_Encode, pcx, c2Pcx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, tga, c2Tga)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode, pnm, c2Pnm)->Unit(benchmark::kMillisecond);

void BM_IcoDecode(benchmark::State& state) {
    const Codecs2Bytes bytes = Codecs2Icon();
    TCodecs2Run run;
    for (auto _ : state) {
        vcl::TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
        std::atomic<bool> aborting{false};
        TIKProgressContext progress(aborting);
        DecodeIcoToBitmap(&s, &run.Bitmap, run.Params, ikrmImage, progress, run.Mask, ikamKeep);
        if (aborting.load() || run.Bitmap.Width() != Codecs2IconSize)
            state.SkipWithError("the icon could not be read");
        benchmark::DoNotOptimize(run.Bitmap.ScanLine(0));
    }
    Codecs2ReportRate(state, Codecs2IconSize * Codecs2IconSize / 1e6);
}
BENCHMARK(BM_IcoDecode)->Unit(benchmark::kMicrosecond);

} // namespace
