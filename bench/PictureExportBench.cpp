// Exporting the pictures of a shoot day: 2,000 records with a 60 KB JPEG-like picture each,
// into an empty folder. Goal: under 2 s. `cp -r` of the same 2,000 files runs in the same
// process as the reference for what the disk allows; it flushes nothing, while the export
// brings every picture and the folder to the disk before it answers, so `cp -r` and `sync`
// is shown too.
//
//   build/bench/picture_export_bench [--benchmark_filter=...]

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "documents/PictureExport.h"

namespace {

constexpr int kRecords = 2000;
constexpr std::size_t kPictureBytes = 60 * 1024;

LogList shootDay() {
    LogList list;
    list.append(newLogHeader());
    std::mt19937 random(11);
    for (int r = 1; r <= kRecords; ++r) {
        Picture jpeg(kPictureBytes);
        for (auto& byte : jpeg) byte = static_cast<std::uint8_t>(random());
        jpeg[0] = 0xFF, jpeg[1] = 0xD8, jpeg[2] = 0xFF;
        list.append({std::to_string(r), std::string("10:00:00:00"), std::string("10:00:08:12"),
                     std::string(), std::string("09:15:00"), std::string(), std::string(),
                     std::string("07.12.2026"), std::string(), std::move(jpeg)});
    }
    return list;
}

// A fresh folder of the bench's own, removed at exit.
struct Folder {
    Folder() {
        std::string pattern = std::filesystem::temp_directory_path() / "glimmark-bench-XXXXXX";
        path = ::mkdtemp(pattern.data());
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string path;
};

const LogList& log() {
    static const LogList list = shootDay();
    return list;
}

void BM_ExportAllPictures(benchmark::State& state) {
    const LogList& list = log();
    Folder folder;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder.path + "/out");
        ::sync();
        std::filesystem::create_directory(folder.path + "/out");
        state.ResumeTiming();
        const auto result =
            pictures::exportAllPictures(list, folder.path + "/out", "day", nullptr, {});
        if (result.written != kRecords) {
            std::fprintf(stderr, "%d written: %s\n", result.written, result.firstError.c_str());
            std::exit(1);
        }
    }
}

void copyAll(benchmark::State& state, const char* after) {
    Folder folder;
    std::filesystem::create_directory(folder.path + "/in");
    pictures::exportAllPictures(log(), folder.path + "/in", "day", nullptr, {});
    const std::string copy = "cp -r '" + folder.path + "/in' '" + folder.path + "/out'" + after;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder.path + "/out");
        ::sync();
        state.ResumeTiming();
        if (std::system(copy.c_str()) != 0)
            std::exit(1);
    }
}

void BM_CopyR(benchmark::State& state) {
    copyAll(state, "");
}

void BM_CopyRThenSync(benchmark::State& state) {
    copyAll(state, " && sync");
}

}  // namespace

BENCHMARK(BM_ExportAllPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_CopyR)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_CopyRThenSync)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
