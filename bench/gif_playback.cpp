// Playback painting speed: an animation played inline on an off-screen canvas, on a manual clock that
// moves by itself, so that only the painting (composition with the disposal methods, transparency,
// stretching) is measured, not the delays.
//
//   gif_playback [--benchmark_...]
//
// Each run reports frames painted per second ("frames/s") for 320 x 240 animations of 16 frames that
// keep, restore to the background or restore to the previous picture, drawn 1:1 or stretched twice.
#include "gif/GifDocument.h"
#include "gif/GifPainter.h"
#include "platform/vcl/Bitmap.h"
#include "platform/win/kernel/Kernel.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int PlayWidth = 320, PlayHeight = 240, PlayFrames = 16;

// Frame 0 covers the screen; later frames are smaller patches, transparent where index 0 is.
std::unique_ptr<gif::TGifDocument> PlayAnimation(int disposal) {
    auto doc = std::make_unique<gif::TGifDocument>();
    for (int i = 0; i < 256; ++i)
        doc->GlobalColorMap()->AppendColor((i * 37 % 256) | ((i * 91 % 256) << 8) | ((i * 173 % 256) << 16));
    std::mt19937 rng(3);
    for (int f = 0; f < PlayFrames; ++f) {
        auto* frame = new gif::TGifFrame(doc.get());
        doc->AppendFrame(frame);
        const int w = f == 0 ? PlayWidth : PlayWidth / 2, h = f == 0 ? PlayHeight : PlayHeight / 2;
        frame->ChangeGeometry(f == 0 ? 0 : int(rng() % (PlayWidth / 2)),
                              f == 0 ? 0 : int(rng() % (PlayHeight / 2)), w, h);
        uint8_t* p = frame->GetPixels();
        for (int i = 0; i < w * h; ++i)
            p[i] = uint8_t((i / 7 + f * 13) % 256);
        auto* gce = new gif::TGifGraphicControlExtension(frame);
        frame->GetExtensionList()->AppendItem(gce);
        gce->SetDelayTime(5);
        gce->SetDisposalMethod(uint8_t(f == 0 ? 1 : disposal));
        gce->SetTransparentFlag(f != 0);
        gce->SetTransparentIndex(0);
    }
    return doc;
}

void BM_PlayInline(benchmark::State& state) {
    const int disposal = int(state.range(0));
    const int scale = int(state.range(1));
    auto doc = PlayAnimation(disposal);
    vcl::TBitmap target;
    target.SetPixelFormat(vcl::pf32bit);
    target.SetSize(PlayWidth * scale, PlayHeight * scale);
    win::ManualClock clock;
    clock.SetAutoAdvance(true);
    win::ScopedClock scoped(clock);
    gif::TGifPaintOptions options;
    options.Include(gif::gpoStepFrames);
    options.Include(gif::gpoUseTransparency);
    for (auto _ : state)
        doc->StartPainter(nullptr, target.GetCanvas(), {0, 0, PlayWidth * scale, PlayHeight * scale},
                          options);
    static const char* names[] = {"unspecified", "keep", "background", "previous"};
    state.SetLabel(std::string(names[disposal]) + (scale > 1 ? " x2" : ""));
    state.counters["frames/s"] =
        benchmark::Counter(double(PlayFrames) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlayInline)->ArgsProduct({{1, 2, 3}, {1, 2}})->Unit(benchmark::kMillisecond);

} // namespace
