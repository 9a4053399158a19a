// Stream throughput: copying between memory streams, and writing a file through the safe save.
#include "platform/vcl/Classes.h"

#include <benchmark/benchmark.h>

#include <filesystem>

using namespace vcl;

static void BM_MemoryStreamCopy(benchmark::State& state) {
    TMemoryStream src;
    src.SetSize(state.range(0));
    for (auto _ : state) {
        TMemoryStream dst;
        dst.CopyFrom(&src, 0);
        benchmark::DoNotOptimize(dst.Memory());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MemoryStreamCopy)->Arg(64 << 10)->Arg(8 << 20);

static void BM_SafeSave(benchmark::State& state) {
    TMemoryStream src;
    src.SetSize(state.range(0));
    auto name = (std::filesystem::temp_directory_path() / "loomwick-bench-save.bin").string();
    for (auto _ : state)
        src.SaveToFile(name);
    std::filesystem::remove(name);
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SafeSave)->Arg(1 << 20);
