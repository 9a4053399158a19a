// Colour reduction and frame rendering speed of the GIF library.
//
//   gif_render [--benchmark_...]
//
// Reduction: a 1024 x 768 photograph-like picture (a gradient with noise, made here) is reduced by every
// reduction method with every dither method; each run reports megapixels per second ("Mpx/s") and the
// mean squared error of the result against the original ("mse", per channel), so that later changes can
// show that they kept the quality.
// Rendering: a 1024 x 768 frame of 256 colours becomes its bitmap (plain, dithered, with a mask) and is
// drawn opaque, transparent and stretched on a 32-bit canvas; importing a 24-bit picture as a frame.
#include "gif/GifColorReduction.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Bitmap.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int BenchWidth = 1024, BenchHeight = 768;

// A smooth gradient in three directions with noise, like a photograph's sky and shading.
std::unique_ptr<vcl::TBitmap> Photograph() {
    auto b = std::make_unique<vcl::TBitmap>();
    b->SetPixelFormat(vcl::pf24bit);
    b->SetSize(BenchWidth, BenchHeight);
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0, 6);
    auto clamp = [](double v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < BenchHeight; ++y) {
        auto* row = static_cast<uint8_t*>(b->ScanLine(y));
        for (int x = 0; x < BenchWidth; ++x) {
            row[3 * x + 2] = clamp(255.0 * x / BenchWidth + noise(rng));
            row[3 * x + 1] = clamp(255.0 * y / BenchHeight + noise(rng));
            row[3 * x] = clamp(128 + 100 * std::sin((x + y) / 90.0) + noise(rng));
        }
    }
    return b;
}

const vcl::TBitmap& Original() {
    static std::unique_ptr<vcl::TBitmap> picture = Photograph();
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
std::unique_ptr<gif::TGifDocument> PhotographDocument(gif::TGifPaintOptions options) {
    auto doc = std::make_unique<gif::TGifDocument>();
    doc->SetPaintOptions(options);
    doc->SetReductionMethod(gif::rdOctree);
    vcl::TBitmap source;
    source.Assign(const_cast<vcl::TBitmap*>(&Original()));
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

void BM_PaintFrame(benchmark::State& state) {
    auto doc = PhotographDocument({});
    gif::TGifFrame* frame = doc->Frame(0);
    const bool transparent = state.range(0) & 1;
    const int scale = state.range(0) & 2 ? 2 : 1;
    vcl::TBitmap target;
    target.SetPixelFormat(vcl::pf32bit);
    target.SetSize(BenchWidth * scale, BenchHeight * scale);
    frame->MaskAvailable();
    for (auto _ : state)
        frame->PaintFrame(target.GetCanvas(), {0, 0, BenchWidth * scale, BenchHeight * scale}, transparent,
                          false);
    state.SetLabel(std::string(transparent ? "transparent" : "opaque") + (scale > 1 ? " x2" : ""));
    state.counters["Mpx/s"] = benchmark::Counter(double(BenchWidth) * BenchHeight * scale * scale / 1e6 *
                                                     double(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintFrame)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

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
