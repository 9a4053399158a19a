// The pixel store's mapped-file storage: a 256 MiB 24-bit image written and read back row by row with a
// 16 MiB memory threshold. Prints the time and the process's peak resident memory, which should stay far
// below the image's size because only a window around the current row is mapped.
#include "imaging/core/ikutils.h"
#include "platform/win/kernel/Files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/statvfs.h>

using namespace imaging;

namespace {

constexpr int32_t StoreWidth = 8192;   // 24,576-byte rows
constexpr int32_t StoreHeight = 10923; // about 256 MiB
constexpr uint32_t StoreThreshold = 16u << 20;

double PeakResidentMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

uint64_t FreeDiskBytes(const std::string& folder) {
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0)
        return 0;
    return uint64_t(st.f_bavail) * uint64_t(st.f_frsize);
}

void BM_MappedStoreRowByRow(benchmark::State& state) {
    const uint64_t imageBytes = uint64_t(IKRowLength(StoreWidth, 24)) * StoreHeight;
    const std::string folder = DefaultTempFolder.empty() ? win::GetTempPath() : DefaultTempFolder;
    const uint64_t freeBytes = FreeDiskBytes(folder);
    if (freeBytes < imageBytes + (64u << 20)) {
        char message[256];
        std::snprintf(message, sizeof message, "not enough free disk in %s: %.0f MiB free, %.0f MiB needed",
                      folder.c_str(), freeBytes / 1048576.0, (imageBytes + (64u << 20)) / 1048576.0);
        std::fprintf(stderr, "%s\n", message);
        state.SkipWithError(message);
        return;
    }
    uint64_t checksum = 0;
    for (auto _ : state) {
        TIKBitmap bitmap;
        bitmap.SetMemoryThreshold(StoreThreshold);
        bitmap.Allocate(StoreWidth, StoreHeight, ikbf24Bit);
        if (bitmap.GetStorage() != ikbsMappedFile) {
            state.SkipWithError("the image did not go to a mapped file");
            return;
        }
        for (int32_t y = 0; y < StoreHeight; ++y)
            std::memset(bitmap.ScanLine(y), y & 0xFF, size_t(bitmap.RowLength()));
        for (int32_t y = 0; y < StoreHeight; ++y) {
            const uint8_t* row = bitmap.ScanLine(y);
            checksum += row[0] + row[bitmap.RowLength() - 1];
        }
    }
    benchmark::DoNotOptimize(checksum);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(imageBytes) * 2);
    state.counters["image_MiB"] = double(imageBytes) / 1048576.0;
    state.counters["peak_RSS_MiB"] = PeakResidentMiB();
    std::printf("image %.0f MiB in a mapped file, peak resident memory %.1f MiB\n", imageBytes / 1048576.0,
                PeakResidentMiB());
}
BENCHMARK(BM_MappedStoreRowByRow)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
