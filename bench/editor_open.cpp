// The editor's main window on the headless screen with a 500-frame GIF of 120 x 90 pixels (a moving stripe
// pattern in a 16-colour global table): opening it (the document read, the 500 rows filled, frame 0 shown),
// reading it alone with the document routine, and selecting every row in turn (each selection shows its
// frame and its delay and disposal).
#include "app/GifMainForm.h"
#include "app/GifRoutines.h"
#include "controls/FcListView.h"
#include "gif/GifDocument.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/win/theme/ThemeEngine.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace resources {
void RegisterResources();
}

namespace {

constexpr int FrameCount = 500, Width = 120, Height = 90;

std::string WriteAnimation(const std::filesystem::path& folder) {
    gif::TGifDocument doc;
    for (int c = 0; c < 16; ++c)
        doc.GetHeader()->GetGlobalColorMap()->AppendColor(gif::TGifColor((c * 0x10) | ((255 - c * 16) << 8)));
    doc.SetWidth(Width);
    doc.SetHeight(Height);
    for (int i = 0; i < FrameCount; ++i) {
        auto* frame = new gif::TGifFrame(&doc);
        doc.AppendFrame(frame);
        frame->ChangeGeometry(0, 0, Width, Height);
        for (int y = 0; y < Height; ++y) {
            uint8_t* row = frame->RowAddress(y);
            for (int x = 0; x < Width; ++x)
                row[x] = uint8_t(((x + y + i) / 6) % 16);
        }
        app::SetFrameDelay(frame, 4);
    }
    app::AddLoopExtension(&doc, 0, 0);
    const std::string file = (folder / "anim500.gif").string();
    vcl::TFileStream stream(file, vcl::fmCreate);
    doc.SaveToStream(&stream);
    return file;
}

struct TEditorBench {
    TEditorBench() : Screen({0, 0, 1280, 1024}, {0, 0, 1280, 1024}) {
        std::string pattern = (std::filesystem::temp_directory_path() / "loomwick-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        Folder = pattern;
        ::setenv("XDG_CONFIG_HOME", (Folder / "config").c_str(), 1);
        resources::RegisterResources();
        win::SetThemeEngine(nullptr);
        app::InitializeEditor();
        vcl::Application->CreateForm(Form);
        Form->Show();
        vcl::Application->ProcessMessages();
        File = WriteAnimation(Folder);
    }
    ~TEditorBench() {
        Form->Free();
        app::FinalizeEditor();
        std::error_code ec;
        std::filesystem::remove_all(Folder, ec);
    }

    headless::HeadlessScreen Screen;
    std::filesystem::path Folder;
    std::string File;
    app::TfrmGifMain* Form = nullptr;
};

TEditorBench& Bench() {
    static TEditorBench bench;
    return bench;
}

void BM_OpenAnimation(benchmark::State& state) {
    TEditorBench& b = Bench();
    for (auto _ : state) {
        if (!b.Form->OpenGifFile(b.File))
            state.SkipWithError("the animation did not open");
        vcl::Application->ProcessMessages();
    }
    state.counters["rows"] = double(b.Form->lvFiles->GetItems()->Count());
    state.SetItemsProcessed(state.iterations() * FrameCount);
}
BENCHMARK(BM_OpenAnimation)->Unit(benchmark::kMillisecond);

// The document routine under opening alone: the file read into a document that already holds it.
void BM_LoadGifFile(benchmark::State& state) {
    TEditorBench& b = Bench();
    gif::TGifDocument doc;
    for (auto _ : state) {
        if (!app::LoadGifFile(&doc, b.File))
            state.SkipWithError("the animation did not read");
    }
    state.counters["frames"] = double(doc.FrameCount());
    state.SetItemsProcessed(state.iterations() * FrameCount);
}
BENCHMARK(BM_LoadGifFile)->Unit(benchmark::kMillisecond);

void BM_SelectEveryRow(benchmark::State& state) {
    TEditorBench& b = Bench();
    if (b.Form->lvFiles->GetItems()->Count() != FrameCount && !b.Form->OpenGifFile(b.File))
        state.SkipWithError("the animation did not open");
    vcl::TListItems* items = b.Form->lvFiles->GetItems();
    for (auto _ : state) {
        for (int32_t i = 0; i < items->Count(); ++i)
            b.Form->lvFiles->SetSelected(items->GetItem(i));
        vcl::Application->ProcessMessages();
    }
    state.SetItemsProcessed(state.iterations() * FrameCount);
}
BENCHMARK(BM_SelectEveryRow)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
