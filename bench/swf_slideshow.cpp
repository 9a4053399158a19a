// Speed of the SWF writer on the editor's road: a slide show of 8-bit frames rendered and compressed, and
// the lossless data of single true-colour and palette images. BM_SlideShowVsFfmpeg makes a slide show of 100
// true-colour 640 x 480 frames and saves it, beside ffmpeg making an SWF of the same frames (its default
// video codec, from raw frames in a file): "vs_ffmpeg" is our processor time over ffmpeg's (medians of
// paired runs; skipped without ffmpeg), with the sizes of both files.
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Streams.h"
#include "swf/FlashObjects.h"
#include "swf/SWFSlideShowCreator.h"
#include "swf/SWFZlib.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
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

// ---- 100 true-colour frames against ffmpeg

constexpr int32_t TrueColourFrames = 100;

// Frames that move: photo-like ones (gradients with grain in every channel and a band that travels
// across), or drawn ones (colour bars, a gradient strip and a box that travels across).
std::vector<std::vector<uint8_t>> TrueColourFrames640x480(const vcl::TDibFormat& f, bool photo) {
    std::vector<std::vector<uint8_t>> frames;
    uint32_t seed = 7;
    for (int32_t i = 0; i < TrueColourFrames; ++i) {
        std::vector<uint8_t> bits(size_t(f.ImageBytes()));
        const int64_t stride = f.RowBytes();
        for (int32_t y = 0; y < f.Height; ++y) {
            uint8_t* row = bits.data() + y * stride;
            for (int32_t x = 0; x < f.Width; ++x) {
                uint8_t* p = row + 3 * x;
                if (photo) {
                    seed = seed * 1103515245u + 12345u;
                    const int32_t noise = int32_t(seed >> 29);
                    const bool band = ((x + i * 6) / 40) % 5 == 0;
                    p[0] = uint8_t((x / 3 + i + noise) & 255);
                    p[1] = uint8_t(band ? 200 + noise : (y / 2 + x / 5 + noise) & 255);
                    p[2] = uint8_t(((x + y) / 4 + 2 * i) & 255);
                } else if (y < 60) {
                    p[0] = p[1] = p[2] = uint8_t(x * 255 / f.Width);
                } else if (x >= i * 5 && x < i * 5 + 120 && y >= 200 && y < 300) {
                    p[0] = 30, p[1] = 200, p[2] = uint8_t(i * 2);
                } else {
                    const int32_t bar = (x / 80 + i / 10) % 8;
                    p[0] = uint8_t(bar & 1 ? 192 : 16), p[1] = uint8_t(bar & 2 ? 192 : 16);
                    p[2] = uint8_t(bar & 4 ? 192 : 16);
                }
            }
        }
        frames.push_back(std::move(bits));
    }
    return frames;
}

int64_t OurSlideShow(const vcl::TDibFormat& f, const std::vector<std::vector<uint8_t>>& frames) {
    swf::TSWFSlideShowCreator creator;
    creator.CreateMovie(f.Height, f.Width, 12);
    for (const auto& frame : frames)
        creator.AddImage(f, frame.data(), 100);
    creator.MakeStream();
    vcl::TMemoryStream out;
    creator.GetMovie()->SaveToStream(&out);
    return out.GetSize();
}

// ffmpeg's processor seconds for the SWF of the raw frames; negative when it cannot run.
double FfmpegSeconds(const std::string& raw, const std::string& out) {
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("ffmpeg", "ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "rawvideo", "-pix_fmt", "bgr24",
               "-s", "640x480", "-r", "12", "-i", raw.c_str(), out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_SlideShowVsFfmpeg(benchmark::State& state) {
    vcl::TDibFormat f = BenchFormat(640, 480, 24);
    const bool photo = state.range(0) != 0;
    const auto frames = TrueColourFrames640x480(f, photo);
    int64_t bytes = 0;
    for (auto _ : state)
        bytes = OurSlideShow(f, frames);
    state.counters["file_bytes"] = double(bytes);
    state.SetItemsProcessed(state.iterations() * TrueColourFrames);
    // ffmpeg reads the frames top row first.
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("loomwick-bench-swf-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string raw = (dir / "frames.raw").string(), out = (dir / "ffmpeg.swf").string();
    if (FILE* file = std::fopen(raw.c_str(), "wb")) {
        for (const auto& frame : frames)
            for (int32_t y = f.Height - 1; y >= 0; --y)
                std::fwrite(frame.data() + y * f.RowBytes(), 1, size_t(f.Width) * 3, file);
        std::fclose(file);
    }
    std::vector<double> ratios;
    for (int i = 0; i < 5; ++i) {
        const double ffmpeg = FfmpegSeconds(raw, out);
        const std::clock_t t0 = std::clock();
        OurSlideShow(f, frames);
        const double ours = double(std::clock() - t0) / CLOCKS_PER_SEC;
        if (ffmpeg > 0)
            ratios.push_back(ours / ffmpeg);
    }
    std::error_code ec;
    if (!ratios.empty()) {
        std::sort(ratios.begin(), ratios.end());
        state.counters["vs_ffmpeg"] = ratios[ratios.size() / 2];
        state.counters["ffmpeg_bytes"] = double(std::filesystem::file_size(out, ec));
    }
    state.SetLabel(photo ? "photo-like frames" : "drawn frames");
    std::filesystem::remove_all(dir, ec);
}
BENCHMARK(BM_SlideShowVsFfmpeg)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
