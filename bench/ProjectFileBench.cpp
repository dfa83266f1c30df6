// Saving and opening a full shoot day: 2,000 records with a 60 KB JPEG-like picture each, a
// 165 MB project file. Goals: save and open each under 0.7 s median, and the process's peak
// memory under twice the file. libplist's XML path is measured beside ours, on the same log,
// since it is the other way to read and write these files on Debian.
//
// Times are wall time and the CPU time of the whole process (the open decodes pictures on a
// second thread): on a busy machine the CPU time is the figure that compares.
// Peak memory is the high-water mark of a fresh process (this program, started again with
// --probe) that does one save or one open: it counts the log held in memory, as the program
// would hold it. bench/plistlib_compare.py gives Python's figures on the same kind of file.
//
//   build/bench/project_file_bench [--benchmark_filter=...] [--folder=DIR]

#include <benchmark/benchmark.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "platform/plist/PropertyListFileStore.h"

namespace {

constexpr int kRecords = 2000;
constexpr std::size_t kPictureBytes = 60 * 1024;

std::string g_folder = "/tmp";

std::string path(const char* name) {
    return g_folder + "/glimmark-bench-" + name;
}

// Random bytes between JPEG markers: pictures do not compress, and neither do these.
LogList shootDay() {
    LogList list;
    list.append({std::string("Glimmark"), std::string("Version: 1.0"), std::string("Ostraven"),
                 std::string(), std::string("32"), std::string(), std::string(), std::string(),
                 std::string(), std::string()});
    std::mt19937 random(7);
    for (int r = 1; r <= kRecords; ++r) {
        Picture jpeg(kPictureBytes);
        for (auto& byte : jpeg) byte = static_cast<std::uint8_t>(random());
        jpeg[0] = 0xFF, jpeg[1] = 0xD8, jpeg[kPictureBytes - 2] = 0xFF,
        jpeg[kPictureBytes - 1] = 0xD9;
        list.append({std::to_string(r), std::string("10:00:00:00"), std::string("10:00:08:12"),
                     std::string(), std::string("09:15:00"), std::string("Take & retake <3>"),
                     std::string("Szene 12 \xE2\x80\x93 au\xC3\x9F"
                                 "en"),
                     std::string("07.12.2026"), std::string(), std::move(jpeg)});
    }
    return list;
}

void mustSucceed(const std::string& error) {
    if (error.empty())
        return;
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
}

// libplist's own way: the whole document as one XML string, then written or parsed.
void libplistSave(const LogList& list, const std::string& file) {
    plist_t array = plist_new_array();
    for (std::size_t i = 0; i < list.count(); ++i) {
        if (list.holdsPicture(i)) {
            const Picture& bytes = list.picture(i);
            plist_array_append_item(
                array, plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        } else {
            plist_array_append_item(array, plist_new_string(list.text(i).c_str()));
        }
    }
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(array, &xml, &length);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(xml, 1, length, out);
    std::fflush(out);
    ::fsync(fileno(out));
    std::fclose(out);
    std::free(xml);
    plist_free(array);
}

std::size_t libplistOpen(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string xml((std::istreambuf_iterator<char>(in)), {});
    plist_t array = nullptr;
    plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &array);
    std::vector<LogValue> values;
    for (uint32_t i = 0; i < plist_array_get_size(array); ++i) {
        plist_t item = plist_array_get_item(array, i);
        if (plist_get_node_type(item) == PLIST_DATA) {
            char* bytes = nullptr;
            uint64_t size = 0;
            plist_get_data_val(item, &bytes, &size);
            values.emplace_back(Picture(bytes, bytes + size));
            std::free(bytes);
        } else {
            char* text = nullptr;
            plist_get_string_val(item, &text);
            values.emplace_back(std::string(text));
            std::free(text);
        }
    }
    plist_free(array);
    return values.size();
}

const LogList& log() {
    static const LogList list = shootDay();
    return list;
}

void reportSize(benchmark::State& state, const std::string& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    state.counters["file_MB"] = static_cast<double>(info.st_size) / 1e6;
}

void BM_Save(benchmark::State& state) {
    platform::plist::PropertyListFileStore store;
    const LogList& list = log();  // made before the timing starts
    for (auto _ : state) mustSucceed(store.writeArray(path("ours.vlg"), list));
    reportSize(state, path("ours.vlg"));
}

void BM_Open(benchmark::State& state) {
    platform::plist::PropertyListFileStore store;
    mustSucceed(store.writeArray(path("ours.vlg"), log()));
    for (auto _ : state) {
        auto read = store.readArray(path("ours.vlg"));
        mustSucceed(read.error);
        benchmark::DoNotOptimize(read.entries.data());
    }
}

void BM_LibplistSave(benchmark::State& state) {
    const LogList& list = log();
    for (auto _ : state) libplistSave(list, path("libplist.vlg"));
    reportSize(state, path("libplist.vlg"));
}

void BM_LibplistOpen(benchmark::State& state) {
    libplistSave(log(), path("libplist.vlg"));
    for (auto _ : state) benchmark::DoNotOptimize(libplistOpen(path("libplist.vlg")));
}

// Runs this program again as `--probe WHAT FILE` and reports the peak resident memory it
// prints. The probe reads its own high-water mark: a child's ru_maxrss would also count the
// memory of this process, which it starts as a copy of.
void peakOf(benchmark::State& state, const char* what, const std::string& file) {
    double peakMb = 0;
    for (auto _ : state) {
        const std::string command =
            "/proc/" + std::to_string(::getpid()) + "/exe --probe " + what + " '" + file + "'";
        std::FILE* probe = ::popen(command.c_str(), "r");
        long kilobytes = 0;
        if (probe == nullptr || std::fscanf(probe, "%ld", &kilobytes) != 1 ||
            ::pclose(probe) != 0) {
            state.SkipWithError("probe failed");
        }
        peakMb = static_cast<double>(kilobytes) * 1024 / 1e6;
    }
    struct stat info {};
    ::stat(file.c_str(), &info);
    state.counters["peak_MB"] = peakMb;
    state.counters["peak_x_file"] = peakMb * 1e6 / static_cast<double>(info.st_size);
}

void BM_PeakSave(benchmark::State& state) {
    peakOf(state, "save", path("ours.vlg"));
}
void BM_PeakOpen(benchmark::State& state) {
    peakOf(state, "open", path("ours.vlg"));
}
void BM_PeakLibplistSave(benchmark::State& state) {
    peakOf(state, "libplist-save", path("libplist.vlg"));
}
void BM_PeakLibplistOpen(benchmark::State& state) {
    libplistSave(log(), path("libplist.vlg"));
    peakOf(state, "libplist-open", path("libplist.vlg"));
}

long highWaterKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

int probe(const std::string& what, const std::string& file) {
    platform::plist::PropertyListFileStore store;
    if (what == "save")
        mustSucceed(store.writeArray(file, shootDay()));
    if (what == "open")
        mustSucceed(store.readArray(file).error);
    if (what == "libplist-save")
        libplistSave(shootDay(), file);
    if (what == "libplist-open" && libplistOpen(file) == 0)
        return 1;
    std::printf("%ld\n", highWaterKb());
    return 0;
}

}  // namespace

BENCHMARK(BM_Save)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Open)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PeakSave)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PeakOpen)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LibplistSave)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LibplistOpen)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PeakLibplistSave)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PeakLibplistOpen)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--probe")
        return probe(argv[2], argv[3]);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--folder=", 9) == 0)
            g_folder = argv[i] + 9;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const char* name : {"ours.vlg", "libplist.vlg"}) std::remove(path(name).c_str());
    return 0;
}
