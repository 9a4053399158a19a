// Colour reduction, resampling and rotation of the imaging library on a 1920 x 1080 photo-like picture:
// megapixels per second for each quantizer engine, each resampling filter and the rotations; for the
// quantizers also the mean squared error per channel, printed beside pngquant's error on the same picture
// reduced to the same number of colours (without dithering) when pngquant is installed.
#include "imaging/core/IKNeuQuant.h"
#include "imaging/core/IKQuantizer.h"
#include "imaging/core/IKResample.h"
#include "imaging/core/IKRotate.h"
#include "imaging/core/ikutils.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace imaging;

namespace {

constexpr int32_t ReduceWidth = 1920;
constexpr int32_t ReduceHeight = 1080;

// Smooth shapes with fine texture: many distinct colours, like a photo.
TIKBitmap& ReducePicture() {
    static std::unique_ptr<TIKBitmap> picture = [] {
        auto b = std::make_unique<TIKBitmap>();
        b->SetStorageKind(ikbsMemory);
        b->Allocate(ReduceWidth, ReduceHeight, ikbf24Bit);
        uint32_t seed = 12345;
        for (int32_t y = 0; y < ReduceHeight; ++y) {
            uint8_t* p = b->ScanLine(y);
            for (int32_t x = 0; x < ReduceWidth; ++x, p += 3) {
                seed = seed * 1103515245u + 12345u;
                const double noise = double((seed >> 16) & 15) - 7.5;
                const double r = 128 + 90 * std::sin(x / 170.0 + y / 310.0) + 30 * std::cos(y / 23.0) + noise;
                const double g =
                    110 + 80 * std::sin(x / 97.0 - y / 141.0) + 40 * std::sin((x + y) / 400.0) + noise;
                const double bl = 140 + 100 * std::cos(x / 250.0 + y / 90.0) + noise;
                p[0] = uint8_t(std::clamp(bl, 0.0, 255.0));
                p[1] = uint8_t(std::clamp(g, 0.0, 255.0));
                p[2] = uint8_t(std::clamp(r, 0.0, 255.0));
            }
        }
        return b;
    }();
    return *picture;
}

double ReduceMse(TIKBitmap& b, const std::function<TIKColorTriple(TIKColorTriple)>& mapped) {
    double sum = 0;
    for (int32_t y = 0; y < b.Height(); ++y) {
        const uint8_t* p = b.ScanLine(y);
        for (int32_t x = 0; x < b.Width(); ++x, p += 3) {
            const TIKColorTriple c{p[0], p[1], p[2]}, m = mapped(c);
            sum += double(c.R - m.R) * (c.R - m.R) + double(c.G - m.G) * (c.G - m.G) +
                   double(c.B - m.B) * (c.B - m.B);
        }
    }
    return sum / (3.0 * b.Width() * b.Height());
}

void ReduceQuantize(benchmark::State& state) {
    TIKBitmap& picture = ReducePicture();
    const int32_t nCol = int32_t(state.range(0));
    std::vector<TIKColorTriple> map(static_cast<size_t>(nCol));
    int64_t checksum = 0;
    for (auto _ : state) {
        TIKQuantizer q(&picture, map, nCol);
        for (int32_t y = 0; y < picture.Height(); ++y) {
            const uint8_t* p = picture.ScanLine(y);
            for (int32_t x = 0; x < picture.Width(); ++x, p += 3)
                checksum += q.RGBIndex(TIKColorTriple{p[0], p[1], p[2]});
        }
    }
    benchmark::DoNotOptimize(checksum);
    TIKQuantizer q(&picture, map, nCol);
    state.SetLabel(q.GetEngine() == TIKQuantizer::qeNeuQuant ? "NeuQuant" : "median cut");
    state.counters["MP/s"] = benchmark::Counter(double(picture.Width()) * picture.Height() / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MSE"] = ReduceMse(picture, [&](TIKColorTriple c) { return map[size_t(q.RGBIndex(c))]; });
}
BENCHMARK(ReduceQuantize)->Arg(256)->Arg(128)->Arg(64)->Arg(16)->Unit(benchmark::kMillisecond);

// NeuQuant's mapping alone (the network learnt once): every pixel of the picture to its palette index,
// through the cache of answers (Arg 1) or by searching every pixel (Arg 0).
void ReduceNeuQuantMap(benchmark::State& state) {
    TIKBitmap& picture = ReducePicture();
    std::vector<TIKColorTriple> map(256);
    const NeuQuantNet net(&picture, map, 256, NeuQuantSampleFactor(int64_t(ReduceWidth) * ReduceHeight));
    const bool cached = state.range(0) != 0;
    int64_t checksum = 0;
    for (auto _ : state) {
        for (int32_t y = 0; y < picture.Height(); ++y) {
            const uint8_t* p = picture.ScanLine(y);
            for (int32_t x = 0; x < picture.Width(); ++x, p += 3)
                checksum += cached ? net.Search(p[0], p[1], p[2]) : net.SearchNearest(p[0], p[1], p[2]);
        }
    }
    benchmark::DoNotOptimize(checksum);
    state.SetLabel(cached ? "cached" : "searched");
    state.counters["MP/s"] = benchmark::Counter(double(picture.Width()) * picture.Height() / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(ReduceNeuQuantMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// pngquant on the same picture, without dithering: its mean squared error per channel.
bool ReduceWritePng(TIKBitmap& b, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, uint32_t(b.Width()), uint32_t(b.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int32_t y = 0; y < b.Height(); ++y)
        png_write_row(png, b.ScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

bool ReduceReadPng(const std::string& path, std::vector<uint8_t>& rgb, int32_t& w, int32_t& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    w = int32_t(image.width);
    h = int32_t(image.height);
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

void ReducePngquant(benchmark::State& state) {
    const int32_t nCol = int32_t(state.range(0));
    if (std::system("command -v pngquant >/dev/null 2>&1") != 0) {
        state.SkipWithError("pngquant is not installed");
        return;
    }
    TIKBitmap& picture = ReducePicture();
    const std::string base =
        (std::filesystem::temp_directory_path() / ("loomwick-reduce-" + std::to_string(::getpid()))).string();
    const std::string in = base + ".png", out = base + "-q.png";
    if (!ReduceWritePng(picture, in)) {
        state.SkipWithError("cannot write the picture");
        return;
    }
    const std::string command = "pngquant --nofs --force --speed 3 --output '" + out + "' " +
                                std::to_string(nCol) + " '" + in + "' >/dev/null 2>&1";
    int rc = 0;
    for (auto _ : state)
        rc = std::system(command.c_str());
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    const bool read =
        rc == 0 && ReduceReadPng(out, rgb, w, h) && w == picture.Width() && h == picture.Height();
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    if (!read) {
        state.SkipWithError("pngquant did not reduce the picture");
        return;
    }
    double sum = 0;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* p = picture.ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* q = rgb.data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
            for (int32_t c = 0; c < 3; ++c) {
                const double d = double(p[3 * x + 2 - c]) - q[c];
                sum += d * d;
            }
        }
    }
    state.SetLabel("pngquant (process, file I/O included)");
    state.counters["MSE"] = sum / (3.0 * w * h);
}
BENCHMARK(ReducePngquant)->Arg(256)->Arg(128)->Arg(64)->Arg(16)->Iterations(1)->Unit(benchmark::kMillisecond);

void ReduceResample(benchmark::State& state) {
    TIKBitmap& picture = ReducePicture();
    const auto filter = TResampleFilter(state.range(0));
    // Halving and enlarging by 1.5 in turn.
    const bool up = state.range(1) != 0;
    TIKBitmap dest;
    dest.SetStorageKind(ikbsMemory);
    dest.Allocate(up ? ReduceWidth * 3 / 2 : ReduceWidth / 2, up ? ReduceHeight * 3 / 2 : ReduceHeight / 2,
                  ikbf24Bit);
    for (auto _ : state)
        IKResampleBitmap(&picture, &dest, filter, nullptr, {});
    static const char* names[] = {"none",     "triangle", "hermite", "bell",       "bspline",  "lanczos3",
                                  "mitchell", "nearest",  "linear",  "fastlinear", "bilinear", "bicubic"};
    state.SetLabel(std::string(names[filter]) + (up ? " x1.5" : " /2"));
    state.counters["MP/s"] = benchmark::Counter(double(ReduceWidth) * ReduceHeight / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(ReduceResample)
    ->ArgsProduct({{rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell, rfNearest, rfLinear,
                    rfFastLinear, rfBilinear, rfBicubic},
                   {0, 1}})
    ->Unit(benchmark::kMillisecond);

void ReduceRotate(benchmark::State& state) {
    TIKBitmap& picture = ReducePicture();
    const double angle = double(state.range(0));
    const bool antiAlias = state.range(1) != 0;
    TIKBitmap work;
    for (auto _ : state) {
        state.PauseTiming();
        work.CopyImage(&picture);
        state.ResumeTiming();
        IKRotateBitmap(&work, antiAlias, nullptr, angle, TIKColorTriple{}, {});
    }
    state.SetLabel(std::to_string(int(angle)) + (antiAlias ? " degrees, anti-aliased" : " degrees"));
    state.counters["MP/s"] = benchmark::Counter(double(ReduceWidth) * ReduceHeight / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(ReduceRotate)
    ->Args({90, 0})
    ->Args({180, 0})
    ->Args({30, 0})
    ->Args({30, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
