// Converting a 500,000-row log exchange file to a project file, as `glimmark-cli convert`
// does: goals, under 2 s, and a peak memory under three times the project file written.
// Peak memory is the high-water mark of a forked child that does one conversion from a fresh
// start; the time is the parent's, over repeated conversions.
//
//   build/bench/exchange_convert_bench [--benchmark_filter=...]

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "documents/ExchangeFile.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

constexpr int kRows = 500'000;

struct Files {
    Files() {
        std::string pattern = std::filesystem::temp_directory_path() / "glimmark-bench-XXXXXX";
        folder = ::mkdtemp(pattern.data());
        std::ofstream out(in, std::ios::binary);
        out << "Heading\n\nData\t\nGlimmark\tV\tVersion: 1.0\tOstraven\t\t1\t\t\t\t\n";
        for (int r = 1; r < kRows; ++r)
            out << r << "\tV\t10:00:00:00\t10:00:05:12\t\t09:15:00\tTake " << r
                << " & retake\t\t07.12.2026\t\n";
    }
    ~Files() { std::filesystem::remove_all(folder); }
    std::string folder;
    std::string in = folder + "/day.log", out = folder + "/day.vlg";
};

void convert(const Files& files) {
    const exchange::ExchangeContent content = exchange::readExchangeFile(files.in);
    const std::string error =
        content.error.empty()
            ? platform::plist::PropertyListFileStore().writeArray(files.out, content.list)
            : content.error;
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
}

void BM_ConvertExchangeFile(benchmark::State& state) {
    const Files files;
    for (auto _ : state) convert(files);

    const pid_t child = ::fork();
    if (child == 0) {
        convert(files);
        ::_exit(0);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    struct stat written {};
    ::stat(files.out.c_str(), &written);
    const double outputMB = static_cast<double>(written.st_size) / 1e6;
    const double peakMB = static_cast<double>(usage.ru_maxrss) * 1024 / 1e6;
    state.counters["output_MB"] = outputMB;
    state.counters["peak_MB"] = peakMB;
    state.counters["peak_per_output"] = peakMB / outputMB;
}

}  // namespace

BENCHMARK(BM_ConvertExchangeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
