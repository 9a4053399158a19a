// What the benchmarks that compare files share: splitting the command line into Google Benchmark's flags
// and file paths, reading those files, and a reporter that keeps each run's processor seconds for a summary
// after the runs.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// Arguments starting with "--" go to Google Benchmark (after the program name); the others are paths.
struct TBenchArgs {
    std::vector<char*> Flags;
    std::vector<std::string> Paths;
};

inline TBenchArgs SplitBenchArgs(int argc, char** argv) {
    TBenchArgs args;
    args.Flags.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--", 2) == 0)
            args.Flags.push_back(argv[i]);
        else
            args.Paths.push_back(argv[i]);
    }
    return args;
}

// Calls add(path, bytes) with the contents of each file that can be read; the others are named on stderr.
template <class F> void ReadBenchFiles(const std::vector<std::string>& paths, F&& add) {
    for (const std::string& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        if (!in.is_open() || in.bad()) {
            std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
            continue;
        }
        add(path, std::move(bytes));
    }
}

// Remembers the processor seconds per iteration of every run (steadier than wall time on a busy machine).
class TCpuSecondsReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> Seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                Seconds[run.benchmark_name()] = run.cpu_accumulated_time / double(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace bench
