// Speed and effect of the GIF optimisation: TGifDocument::Optimize with every step, and the merge of all
// colour tables into one global table.
//
//   gif_optimise [FILE...] [--benchmark_...]
//
// Without files it generates its own set of animations (full frames of a sprite moving over a still
// background, frames with their own colour tables, a small animation of many frames). For each file it
// prints the original size, the size after Optimize (and after the merge, when the colours fit), the size
// gifsicle -O2 gives when gifsicle is installed, the ratios, and the time Optimize and the merge take; its
// last line gives the totals.
#include "bench/BenchSupport.h"
#include "bench/GifBenchSupport.h"
#include "gif/GifDocument.h"
#include "platform/vcl/Streams.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
constexpr gif::TGifOptimizeOptions OptBenchAll =
    gif::opTrimTransparent | gif::opBlankUnchanged | gif::opCleanUp | gif::opSortColorTables;

struct OptBenchFile {
    std::string Name;
    Bytes Data;
    size_t Optimised = 0;
    size_t Merged = 0; // 0 when the colours do not fit into one table
    size_t Gifsicle = 0;
};

std::vector<std::unique_ptr<OptBenchFile>>& OptBenchFiles() {
    static std::vector<std::unique_ptr<OptBenchFile>> files;
    return files;
}

std::unique_ptr<gif::TGifDocument> OptBenchLoad(const Bytes& data) {
    auto doc = std::make_unique<gif::TGifDocument>();
    bench::LoadGif(*doc, data);
    return doc;
}

gif::TGifColor OptBenchColor(int i) {
    return (i * 37 % 256) | ((i * 91 % 256) << 8) | ((i * 173 % 256) << 16);
}

// Frames of w x h painted by paint(frame, x, y); each frame gets its own table of localColors entries when
// localColors > 0, else they share a global table of 256.
template <typename Paint> Bytes OptBenchGenerate(int w, int h, int frames, int localColors, Paint paint) {
    gif::TGifDocument doc;
    if (localColors == 0)
        for (int i = 0; i < 256; ++i)
            doc.GlobalColorMap()->AppendColor(OptBenchColor(i));
    for (int f = 0; f < frames; ++f) {
        auto* frame = new gif::TGifFrame(&doc);
        doc.AppendFrame(frame);
        frame->ChangeGeometry(0, 0, w, h);
        for (int i = 0; i < localColors; ++i)
            frame->GetLocalColorMap()->AppendColor(OptBenchColor(i + f * 3));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                frame->RowAddress(y)[x] = uint8_t(paint(f, x, y));
        auto* control = new gif::TGifGraphicControlExtension(frame);
        frame->GetExtensionList()->AppendItem(control);
        control->SetDelayTime(8);
        control->SetDisposalMethod(gif::dpKeep);
    }
    return bench::SaveGif(doc);
}

void OptBenchAdd(const std::string& name, Bytes data) {
    auto file = std::make_unique<OptBenchFile>();
    file->Name = name;
    file->Data = std::move(data);
    OptBenchFiles().push_back(std::move(file));
}

// Whether every colour shown fits into one table (with one entry for transparency).
bool OptBenchColorsFit(gif::TGifDocument& doc) {
    std::set<gif::TGifColor> colors;
    bool transparency = false;
    for (int32_t i = 0; i < doc.FrameCount(); ++i) {
        gif::TGifFrame* frame = doc.Frame(i);
        gif::TGifColorMap* map = frame->EffectiveColorMap();
        gif::TGifGraphicControlExtension* control = frame->GetControlExtension();
        int transparent = frame->GetTransparentFrame() && control ? control->GetTransparentIndex() : -1;
        for (int64_t p = 0; p < frame->GetPixelCount(); ++p) {
            uint8_t v = frame->GetPixels()[p];
            if (v == transparent)
                transparency = true;
            else if (v < map->GetEntryCount())
                colors.insert(gif::TGifColorMap::RGBToColor(map->Entry(v)));
        }
    }
    gif::TGifGlobalColorMap* global = doc.GlobalColorMap();
    uint8_t background = doc.GetHeader()->ScreenDescriptor().BackgroundIndex;
    if (background < global->GetEntryCount())
        colors.insert(gif::TGifColorMap::RGBToColor(global->Entry(background)));
    return colors.size() + (transparency ? 1 : 0) <= 256;
}

// gifsicle -O2's size for the same bytes, or 0 when gifsicle is missing.
size_t OptBenchGifsicle(const Bytes& data) {
    if (std::system("command -v gifsicle >/dev/null 2>&1") != 0)
        return 0;
    auto base =
        std::filesystem::temp_directory_path() / ("loomwick-gif-optimise-" + std::to_string(getpid()));
    std::string in = base.string() + "-in.gif", out = base.string() + "-out.gif";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    std::string command = "gifsicle -O2 '" + in + "' -o '" + out + "' 2>/dev/null";
    size_t size = 0;
    if (std::system(command.c_str()) == 0 && std::filesystem::exists(out))
        size = size_t(std::filesystem::file_size(out));
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    return size;
}

void OptBenchOptimise(benchmark::State& state, OptBenchFile* file) {
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = OptBenchLoad(file->Data);
        state.ResumeTiming();
        doc->Optimize(OptBenchAll, gif::rdNone, gif::dtClosestColor, 8);
        benchmark::DoNotOptimize(doc->FrameCount());
    }
}

void OptBenchMerge(benchmark::State& state, OptBenchFile* file) {
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = OptBenchLoad(file->Data);
        state.ResumeTiming();
        doc->OptimizeToGlobalColorMap();
        benchmark::DoNotOptimize(doc->GlobalColorMap()->GetEntryCount());
    }
}

} // namespace

int main(int argc, char** argv) {
    bench::TBenchArgs args = bench::SplitBenchArgs(argc, argv);
    std::vector<char*>& flags = args.Flags;
    const std::vector<std::string>& paths = args.Paths;
    if (paths.empty()) {
        OptBenchAdd("sprite-400x300x16", OptBenchGenerate(400, 300, 16, 0, [](int f, int x, int y) {
                        int dx = x - 40 - 20 * f, dy = y - 150;
                        if (dx * dx + dy * dy < 900)
                            return 200 + (x + y) % 8;
                        return (x / 10 * 7 + y / 10 * 13) % 64;
                    }));
        OptBenchAdd("local-tables-320x240x8", OptBenchGenerate(320, 240, 8, 128, [](int f, int x, int y) {
                        return ((x + f * 5) / 6 + y / 6) % 128;
                    }));
        std::mt19937 rng(5);
        OptBenchAdd("small-120x90x60", OptBenchGenerate(120, 90, 60, 0, [&rng](int f, int x, int y) {
                        int d = (x - f * 2) * (x - f * 2) + (y - 45) * (y - 45);
                        return d < 300 ? 40 + int(rng() % 4) : (x / 8 + y / 8) % 8;
                    }));
    } else {
        bench::ReadBenchFiles(paths, OptBenchAdd);
    }
    for (auto& file : OptBenchFiles()) {
        try {
            auto doc = OptBenchLoad(file->Data);
            doc->Optimize(OptBenchAll, gif::rdNone, gif::dtClosestColor, 8);
            file->Optimised = bench::SaveGif(*doc).size();
            if (OptBenchColorsFit(*doc)) {
                doc->OptimizeToGlobalColorMap();
                file->Merged = bench::SaveGif(*doc).size();
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", file->Name.c_str(), e.what());
            continue;
        }
        file->Gifsicle = OptBenchGifsicle(file->Data);
        OptBenchFile* f = file.get();
        benchmark::RegisterBenchmark(("optimise/" + f->Name).c_str(), OptBenchOptimise, f);
        benchmark::RegisterBenchmark(("merge/" + f->Name).c_str(), OptBenchMerge, f);
    }
    int flagCount = int(flags.size());
    benchmark::Initialize(&flagCount, flags.data());
    bench::TCpuSecondsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    size_t original = 0, ours = 0, gifsicle = 0, oursWhereGifsicle = 0;
    double seconds = 0;
    for (auto& file : OptBenchFiles()) {
        if (file->Optimised == 0)
            continue;
        size_t best = file->Merged > 0 ? std::min(file->Optimised, file->Merged) : file->Optimised;
        double optimiseTime = reporter.Seconds["optimise/" + file->Name];
        double mergeTime = reporter.Seconds["merge/" + file->Name];
        std::printf("%s: original %zu bytes; optimised %zu (ratio %.3f)", file->Name.c_str(),
                    file->Data.size(), file->Optimised, double(file->Optimised) / double(file->Data.size()));
        if (file->Merged > 0)
            std::printf("; one colour table %zu (ratio %.3f)", file->Merged,
                        double(file->Merged) / double(file->Data.size()));
        if (file->Gifsicle > 0)
            std::printf("; gifsicle -O2 %zu (ours over gifsicle %.3f)", file->Gifsicle,
                        double(best) / double(file->Gifsicle));
        std::printf("; optimise %.2f ms, merge %.2f ms\n", optimiseTime * 1e3, mergeTime * 1e3);
        original += file->Data.size();
        ours += best;
        seconds += optimiseTime + mergeTime;
        if (file->Gifsicle > 0) {
            gifsicle += file->Gifsicle;
            oursWhereGifsicle += best;
        }
    }
    if (original > 0) {
        std::printf("total original %zu bytes, ours %zu (ratio %.3f)", original, ours,
                    double(ours) / double(original));
        if (gifsicle > 0)
            std::printf(", gifsicle -O2 %zu (ours over gifsicle %.3f)", gifsicle,
                        double(oursWhereGifsicle) / double(gifsicle));
        std::printf(", time %.2f ms\n", seconds * 1e3);
    }
    benchmark::Shutdown();
    return 0;
}
