// Colour reduction and frame rendering speed of the GIF library.
//
//   gif_render [--benchmark_...]
//
// Reduction: a 1024 x 768 photograph-like picture (a gradient with noise, made here) is reduced by every
// reduction method with every dither method; each run reports megapixels per second ("Mpx/s") and the
// mean squared error of the result against the original ("mse", per channel), so that later changes can
// show that they kept the quality.
// Rendering: a 1024 x 768 frame of 256 colours becomes its bitmap (plain, dithered, with a mask) and is
// drawn opaque, transparent and stretched on a 32-bit canvas, beside the plain copy of as many pixels (and a
// 640 x 480 frame, which is drawn through its bitmap); importing a 24-bit picture as a frame.
#include "gif/GifColorReduction.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/gdi/Gdi.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <random>

namespace {

constexpr int BenchWidth = 1024, BenchHeight = 768;

// A smooth gradient in three directions with noise, like a photograph's sky and shading.
std::unique_ptr<vcl::TBitmap> Photograph(int width, int height) {
    auto b = std::make_unique<vcl::TBitmap>();
    b->SetPixelFormat(vcl::pf24bit);
    b->SetSize(width, height);
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0, 6);
    auto clamp = [](double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(b->ScanLine(y));
        for (int x = 0; x < width; ++x) {
            row[3 * x + 2] = clamp(255.0 * x / width + noise(rng));
            row[3 * x + 1] = clamp(255.0 * y / height + noise(rng));
            row[3 * x] = clamp(128 + 100 * std::sin((x + y) / 90.0) + noise(rng));
        }
    }
    return b;
}

const vcl::TBitmap& Original() {
    static std::unique_ptr<vcl::TBitmap> picture = Photograph(BenchWidth, BenchHeight);
    return *picture;
}

// A picture small enough to be drawn through its frame's bitmap.
const vcl::TBitmap& SmallOriginal() {
    static std::unique_ptr<vcl::TBitmap> picture = Photograph(640, 480);
    return *picture;
}

double MeanSquaredError(vcl::TBitmap& reduced) {
    vcl::TBitmap a, b;
    a.Assign(const_cast<vcl::TBitmap*>(&Original()));
    b.Assign(&reduced);
    b.SetPixelFormat(vcl::pf24bit);
    double sum = 0;
    for (int y = 0; y < BenchHeight; ++y) {
        const auto* p = static_cast<const uint8_t*>(a.ScanLine(y));
        const auto* q = static_cast<const uint8_t*>(b.ScanLine(y));
        for (int i = 0; i < 3 * BenchWidth; ++i)
            sum += double(p[i] - q[i]) * double(p[i] - q[i]);
    }
    return sum / (3.0 * BenchWidth * BenchHeight);
}

void BM_Reduce(benchmark::State& state) {
    const auto method = gif::TGifReductionMethod(state.range(0));
    const auto dither = gif::TGifDitherMethod(state.range(1));
    vcl::TBitmap source;
    source.Assign(const_cast<vcl::TBitmap*>(&Original()));
    std::unique_ptr<vcl::TBitmap> result;
    for (auto _ : state) {
        result = gif::ReduceBitmapToPalette(&source, method, dither, 8, nullptr);
        benchmark::DoNotOptimize(result.get());
    }
    state.counters["Mpx/s"] = benchmark::Counter(
        double(BenchWidth) * BenchHeight / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["mse"] = result && !result->GetEmpty() ? MeanSquaredError(*result) : -1;
}

void ReduceArguments(benchmark::internal::Benchmark* b) {
    for (int method = gif::rdSystem20; method <= gif::rdOctreeWithSystem; ++method)
        for (int dither = gif::dtClosestColor; dither <= gif::dtBurkes; ++dither)
            b->Args({method, dither});
}
BENCHMARK(BM_Reduce)->Apply(ReduceArguments)->Unit(benchmark::kMillisecond);

// A 256-colour frame of the photograph, transparent where index 0 is.
std::unique_ptr<gif::TGifDocument> PhotographDocument(gif::TGifPaintOptions options,
                                                      const vcl::TBitmap& picture = Original()) {
    auto doc = std::make_unique<gif::TGifDocument>();
    doc->SetPaintOptions(options);
    doc->SetReductionMethod(gif::rdOctree);
    vcl::TBitmap source;
    source.Assign(const_cast<vcl::TBitmap*>(&picture));
    doc->AppendFrame(&source);
    auto* gce = new gif::TGifGraphicControlExtension(doc->Frame(0));
    doc->Frame(0)->GetExtensionList()->AppendItem(gce);
    gce->SetTransparentFlag(true);
    gce->SetTransparentIndex(0);
    return doc;
}

void BM_FrameBitmap(benchmark::State& state) {
    gif::TGifPaintOptions options;
    if (state.range(0))
        options.Include(gif::gpoDither);
    auto doc = PhotographDocument(options);
    gif::TGifFrame* frame = doc->Frame(0);
    for (auto _ : state) {
        frame->FreeFrameBitmap();
        frame->FreeMaskHandle();
        benchmark::DoNotOptimize(frame->FrameBitmap());
    }
    state.SetLabel(state.range(0) ? "dithered" : "plain");
    state.counters["Mpx/s"] = benchmark::Counter(
        double(BenchWidth) * BenchHeight / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FrameBitmap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Processor time of this thread: on a loaded machine the wall clock also counts the time others ran.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Painting a frame 1:1 or twice its size, opaque or transparent, beside the plain copy of as many 32-bit
// pixels (BitBlt with SRCCOPY between two 32-bit bitmaps) timed in turn with it, both in processor time:
// "share" is the paint's speed over the copy's. The 1024 x 768 frame is drawn by sampling only what the target shows; the 640 x 480
// one through its bitmap and mask.
void BM_PaintFrame(benchmark::State& state) {
    const bool small = state.range(1) != 0;
    const int width = small ? 640 : BenchWidth, height = small ? 480 : BenchHeight;
    auto doc = PhotographDocument({}, small ? SmallOriginal() : Original());
    gif::TGifFrame* frame = doc->Frame(0);
    const bool transparent = state.range(0) & 1;
    const int scale = state.range(0) & 2 ? 2 : 1;
    vcl::TBitmap target, copySource;
    for (vcl::TBitmap* b : {&target, &copySource}) {
        b->SetPixelFormat(vcl::pf32bit);
        b->SetSize(width * scale, height * scale);
    }
    win::HDC targetDC = target.GetCanvas()->GetHandle(), copyDC = copySource.GetCanvas()->GetHandle();
    frame->MaskAvailable();
    double paintSeconds = 0, copySeconds = 0;
    for (auto _ : state) {
        const double start = ThreadSeconds();
        frame->PaintFrame(target.GetCanvas(), {0, 0, width * scale, height * scale}, transparent, false);
        const double painted = ThreadSeconds();
        win::BitBlt(targetDC, 0, 0, width * scale, height * scale, copyDC, 0, 0, win::SRCCOPY);
        const double copied = ThreadSeconds();
        state.SetIterationTime(painted - start);
        paintSeconds += painted - start;
        copySeconds += copied - painted;
    }
    const double megapixels = double(width) * height * scale * scale / 1e6 * double(state.iterations());
    state.SetLabel(std::string(transparent ? "transparent" : "opaque") + (scale > 1 ? " x2 " : " ") +
                   std::to_string(width) + "x" + std::to_string(height));
    state.counters["Mpx/s"] = megapixels / paintSeconds;
    state.counters["SRCCOPY Mpx/s"] = megapixels / copySeconds;
    state.counters["share"] = copySeconds / paintSeconds;
}
BENCHMARK(BM_PaintFrame)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 3, 1), {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_ImportBitmap(benchmark::State& state) {
    vcl::TBitmap source;
    source.Assign(const_cast<vcl::TBitmap*>(&Original()));
    gif::TGifDocument doc;
    doc.SetReductionMethod(gif::TGifReductionMethod(state.range(0)));
    for (auto _ : state) {
        gif::TGifFrame frame(&doc);
        frame.Assign(&source);
        benchmark::DoNotOptimize(frame.GetPixels());
    }
    state.counters["Mpx/s"] = benchmark::Counter(
        double(BenchWidth) * BenchHeight / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ImportBitmap)->Arg(gif::rdWebSafe216)->Arg(gif::rdOctree)->Unit(benchmark::kMillisecond);

} // namespace
