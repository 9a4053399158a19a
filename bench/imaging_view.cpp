// The single-image view's painting for a 1920 x 1080 client area showing a 1920 x 1080 photo-like image:
// a full render of the back buffer at 33, 100 and 250 % without and with a zoom filter (triangle), and the
// copy of an unchanged back buffer to the window that every repaint of unchanged content costs. Times are
// per frame. Also the editor's reduction of a loaded photo to 256 colours through the view's processing
// component (ConvertTo(256, false)), with and without the undo copy it keeps by default.
#include "imaging/core/IKBitmap.h"
#include "imaging/core/ImageKitProc.h"
#include "imaging/core/ImageKitView.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/User.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int32_t ViewBenchWidth = 1920;
constexpr int32_t ViewBenchHeight = 1080;

// One borderless view without scroll bars filling a form on the headless screen, and a client-sized buffer.
struct TViewBench {
    TViewBench() : Screen({0, 0, ViewBenchWidth + 100, ViewBenchHeight + 100}) {
        Form = new vcl::TForm(nullptr);
        Form->SetBorderStyle(vcl::bsNone);
        Form->SetBounds(0, 0, ViewBenchWidth, ViewBenchHeight);
        View = new imaging::TImageKitView(Form);
        View->SetBorderStyle(vcl::bsNone);
        View->SetScrollBars(vcl::ssNone);
        View->SetParent(Form);
        View->SetBounds(0, 0, ViewBenchWidth, ViewBenchHeight);
        Form->Show();
        vcl::Application->ProcessMessages();
        // Smooth gradients with some texture, as in a photograph.
        imaging::TIKBitmap* image = View->GetIKBitmap();
        image->Allocate(ViewBenchWidth, ViewBenchHeight, imaging::ikbf24Bit);
        for (int32_t y = 0; y < ViewBenchHeight; ++y) {
            uint8_t* row = image->ScanLine(y);
            for (int32_t x = 0; x < ViewBenchWidth; ++x) {
                row[3 * x] = uint8_t(x * 255 / ViewBenchWidth);
                row[3 * x + 1] = uint8_t(y * 255 / ViewBenchHeight);
                row[3 * x + 2] = uint8_t(128 + 100 * std::sin(x * 0.05) * std::cos(y * 0.03));
            }
        }
        View->Update();
        Buffer.SetPixelFormat(vcl::pf24bit);
        Buffer.SetSize(View->GetClientWidth(), View->GetClientHeight());
        for (int32_t y = 0; y < Buffer.GetHeight(); ++y)
            Rows.push_back(static_cast<uint8_t*>(Buffer.ScanLine(y)));
    }
    ~TViewBench() { Form->Free(); }

    headless::HeadlessScreen Screen;
    vcl::TForm* Form = nullptr;
    imaging::TImageKitView* View = nullptr;
    vcl::TBitmap Buffer;
    std::vector<uint8_t*> Rows;
};

TViewBench& ViewBench() {
    static TViewBench bench;
    return bench;
}

// Arguments: zoom in per cent, filter (0 none, 1 triangle).
void BM_ViewFullRender(benchmark::State& state) {
    TViewBench& b = ViewBench();
    b.View->SetZoomFilter(state.range(1) ? imaging::rfTriangle : imaging::rfNone);
    b.View->SetZoom(double(state.range(0)));
    for (auto _ : state) {
        b.View->RenderTo(&b.Buffer, b.Rows.data(), nullptr);
        benchmark::DoNotOptimize(b.Rows[0][0]);
    }
    state.SetLabel(state.range(1) ? "triangle filter" : "no filter");
}
BENCHMARK(BM_ViewFullRender)
    ->ArgsProduct({{33, 100, 250}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A repaint of unchanged content: the back buffer is not rendered again, only copied to the window.
void BM_ViewCopyUnchangedBuffer(benchmark::State& state) {
    TViewBench& b = ViewBench();
    b.View->SetZoomFilter(imaging::rfNone);
    b.View->SetZoom(100);
    vcl::Application->ProcessMessages();
    const win::HWND window = b.View->GetHandle();
    for (auto _ : state) {
        win::InvalidateRect(window, nullptr, win::FALSE);
        win::UpdateWindow(window);
    }
}
BENCHMARK(BM_ViewCopyUnchangedBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument: AutoUndo (1: a copy of the image goes to the undo list first, as in the editor).
void BM_ProcConvertTo256(benchmark::State& state) {
    TViewBench& b = ViewBench();
    imaging::TImageKitProc* proc = b.View->GetProc();
    proc->SetAutoUndo(state.range(0) != 0);
    imaging::TIKBitmap photo;
    photo.SetStorageKind(imaging::ikbsMemory);
    photo.Assign(b.View->GetIKBitmap());
    for (auto _ : state) {
        state.PauseTiming();
        b.View->GetIKBitmap()->Assign(&photo);
        state.ResumeTiming();
        proc->ConvertTo(256, false);
    }
    b.View->GetIKBitmap()->Assign(&photo);
    state.SetLabel(state.range(0) ? "with the undo copy" : "without undo");
}
BENCHMARK(BM_ProcConvertTo256)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
