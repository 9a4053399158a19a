// Reading the file drop formats a desktop hands over with many files: CF_HDROP and "Shell IDList Array"
// blocks of 10,000 names, the item-id lists shown as paths, and item-id lists built for 10,000 paths of one
// folder (which asks the file system about every path). The platform's own CF_HDROP reader runs on the same
// block for comparison.
#include "dragdrop/DragDropFile.h"
#include "platform/win/shell/Shell.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int dropBenchNames = 10000;

std::vector<std::string> DropBenchPaths(const std::string& folder) {
    std::vector<std::string> paths;
    char name[64];
    for (int i = 0; i < dropBenchNames; ++i) {
        std::snprintf(name, sizeof name, "/frame %05d.gif", i);
        paths.push_back(folder + name);
    }
    return paths;
}

void BM_ReadHDrop(benchmark::State& state) {
    const bool wide = state.range(0) != 0;
    std::vector<uint8_t> block = win::BuildHDrop(DropBenchPaths("/home/someone/pictures/animations"), wide);
    for (auto _ : state) {
        dragdrop::TFileClipboardFormat format;
        benchmark::DoNotOptimize(format.ReadData(block.data(), block.size()));
    }
    state.SetItemsProcessed(state.iterations() * dropBenchNames);
    state.SetBytesProcessed(state.iterations() * int64_t(block.size()));
}
BENCHMARK(BM_ReadHDrop)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ReadHDropPlatform(benchmark::State& state) {
    std::vector<uint8_t> block = win::BuildHDrop(DropBenchPaths("/home/someone/pictures/animations"), state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(win::ReadHDrop(block.data(), block.size()));
    state.SetItemsProcessed(state.iterations() * dropBenchNames);
}
BENCHMARK(BM_ReadHDropPlatform)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A "Shell IDList Array" block: a parent folder of four items and 10,000 one-item lists.
std::vector<uint8_t> DropBenchIdListBlock() {
    auto item = [](const std::string& component) {
        std::string bytes(2, '\0');
        bytes += char(win::SHITEM_FILESYSTEM);
        bytes += component;
        uint16_t size = uint16_t(bytes.size());
        bytes[0] = char(size & 0xFF);
        bytes[1] = char(size >> 8);
        return bytes;
    };
    std::vector<std::string> lists;
    lists.push_back(item("home") + item("someone") + item("pictures") + item("animations") + std::string(2, '\0'));
    char name[64];
    for (int i = 0; i < dropBenchNames; ++i) {
        std::snprintf(name, sizeof name, "frame %05d.gif", i);
        lists.push_back(item(name) + std::string(2, '\0'));
    }
    dragdrop::TPIDLClipboardFormat format;
    for (auto& l : lists)
        format.GetPIDLs()->Add(l);
    std::vector<uint8_t> block(size_t(format.GetDataSize()));
    format.WriteData(block.data(), block.size());
    return block;
}

void BM_ReadIdListArray(benchmark::State& state) {
    std::vector<uint8_t> block = DropBenchIdListBlock();
    for (auto _ : state) {
        dragdrop::TPIDLClipboardFormat format;
        benchmark::DoNotOptimize(format.ReadData(block.data(), block.size()));
    }
    state.SetItemsProcessed(state.iterations() * dropBenchNames);
    state.SetBytesProcessed(state.iterations() * int64_t(block.size()));
}
BENCHMARK(BM_ReadIdListArray)->Unit(benchmark::kMicrosecond);

// The same block read as paths, as the file drop target takes it.
void BM_IdListArrayAsPaths(benchmark::State& state) {
    std::vector<uint8_t> block = DropBenchIdListBlock();
    for (auto _ : state) {
        dragdrop::TPIDLClipboardFormat format;
        format.ReadData(block.data(), block.size());
        vcl::TStringList paths;
        paths.Assign(format.GetFilenames());
        benchmark::DoNotOptimize(paths.Count());
    }
    state.SetItemsProcessed(state.iterations() * dropBenchNames);
}
BENCHMARK(BM_IdListArrayAsPaths)->Unit(benchmark::kMicrosecond);

// Item-id lists for 10,000 existing files of one folder.
void BM_PathsToIdLists(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "loomwick-bench-drop-formats";
    std::filesystem::create_directories(folder);
    vcl::TStringList paths;
    for (const std::string& p : DropBenchPaths(folder.string())) {
        if (!std::filesystem::exists(p))
            std::ofstream(p).put('x');
        paths.Add(p);
    }
    for (auto _ : state) {
        vcl::TStringList lists;
        benchmark::DoNotOptimize(dragdrop::PathsToPIDLs(&paths, &lists));
    }
    state.SetItemsProcessed(state.iterations() * dropBenchNames);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_PathsToIdLists)->Unit(benchmark::kMillisecond);

} // namespace
