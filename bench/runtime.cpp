// The class library's runtime: formatting, sorted string lists, ini parsing and the registry store.
#include "platform/vcl/Classes.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace vcl;

static void BM_Format(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        ++i;
        std::string s = Format("Frame %d of %d: %.2f s, %s", i, 1000, i * 0.01, "keep");
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_Format);

// The C library's formatter on the same pattern, for comparison.
static void BM_Snprintf(benchmark::State& state) {
    int i = 0;
    char buffer[128];
    for (auto _ : state) {
        ++i;
        std::snprintf(buffer, sizeof buffer, "Frame %d of %d: %.2f s, %s", i, 1000, i * 0.01, "keep");
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_Snprintf);

static void BM_FloatToStrFFixed(benchmark::State& state) {
    double v = 0.125;
    for (auto _ : state) {
        std::string s = FloatToStrF(v, ffFixed, 18, 2);
        v += 0.001;
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_FloatToStrFFixed);

static void BM_SortedStringListAdd(benchmark::State& state) {
    std::vector<std::string> words;
    uint32_t seed = 12345;
    for (int64_t i = 0; i < state.range(0); ++i) {
        seed = seed * 1103515245 + 12345;
        words.push_back("Item" + std::to_string(seed % 1000000));
    }
    for (auto _ : state) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(dupAccept);
        for (auto& w : words)
            list.Add(w);
        benchmark::DoNotOptimize(list.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortedStringListAdd)->Arg(1000)->Arg(20000);

static std::string BenchIniText(int sections, int keys) {
    std::string text;
    for (int s = 0; s < sections; ++s) {
        text += "[frmMain.xbBarManager1.Bar" + std::to_string(s) + "]\n";
        for (int k = 0; k < keys; ++k)
            text += "Key" + std::to_string(k) + "=" + std::to_string(s * k) + "\n";
    }
    return text;
}

static void BM_MemIniParseAndRead(benchmark::State& state) {
    std::string text = BenchIniText(int(state.range(0)), 20);
    for (auto _ : state) {
        TMemIniFile ini("");
        ini.SetText(text);
        int64_t sum = 0;
        for (int s = 0; s < state.range(0); ++s)
            sum += ini.ReadInteger("frmMain.xbBarManager1.Bar" + std::to_string(s), "Key7", 0);
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_MemIniParseAndRead)->Arg(100)->Arg(2000);

// The layout store's pattern: one key per bar and link, a few values each, each key closed after its
// values (range 1) or once at the end (range 1 = 0).
static void BM_RegistryLayoutSave(benchmark::State& state) {
    auto dir = std::filesystem::temp_directory_path() / ("lw-bench-registry-" + std::to_string(::getpid()));
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    for (auto _ : state) {
        TRegistry reg;
        reg.DeleteKey("\\Software\\Bench");
        for (int64_t bar = 0; bar < state.range(0); ++bar) {
            for (int link = 0; link < 10; ++link) {
                reg.OpenKey("\\Software\\Bench\\Bar" + std::to_string(bar) + "\\ItemLink" +
                                std::to_string(link),
                            true);
                reg.WriteString("ItemName", "btnItem" + std::to_string(link));
                reg.WriteBool("BeginGroup", link == 0);
                reg.WriteInteger("UserWidth", 100);
                if (state.range(1))
                    reg.CloseKey();
            }
        }
        reg.CloseKey();
    }
    std::filesystem::remove_all(dir);
    state.SetItemsProcessed(state.iterations() * state.range(0) * 10);
}
BENCHMARK(BM_RegistryLayoutSave)->Args({10, 0})->Args({50, 0})->Args({50, 1});
