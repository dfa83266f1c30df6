// What the crash copy costs while a long log grows: a log of 2,000 records with 60-80 KB
// pictures (about 165 MB), a new take every 4 s (its start, its picture, then its stop). The
// goal is under 1 MB/s written to the recovery folder on average, and no disk time on the main
// thread: the timed part is what the main thread spends; bytes are counted from /proc/self/io
// (wchar: every byte handed to write(); write_bytes: what reached the storage). The journal
// left behind is then read back as the next start would.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fake/FakePlatform.h"

namespace {

constexpr int kRecords = 2000;
constexpr double kSecondsPerTake = 4.0;

std::uint64_t ioCounter(const std::string& name) {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == name + ":")
            return value;
    return 0;
}

Picture pictureOf(int record) {
    Picture bytes(60000 + static_cast<std::size_t>(record % 21) * 1000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 31 + static_cast<std::size_t>(record));
    return bytes;
}

LogRecord take(int number) {
    return {std::to_string(number), std::string("10:00:00:00"), std::string(),
            std::string(),          std::string("09:15:00"),    std::string("comment"),
            std::string(),          std::string("08.12.2026"),  std::string(),
            pictureOf(number)};
}

void BM_RecoveryWhileTheLogGrows(benchmark::State& state) {
    std::string folder =
        (std::filesystem::temp_directory_path() / "glimmark-bench-XXXXXX").string();
    ::mkdtemp(folder.data());
    {
        fake::App app;
        app.app->recoveryDirectory = folder;
        app.app->awakeFromNib();
        vexaLogging3AppDelegate& c = *app.app;
        for (int i = 1; i <= kRecords; ++i) c.logStartArray.append(take(i));
        c.logNr = kRecords;
        c.editChangeFlag = 1;
        // The first copy of the log is the one whole write; the takes follow it.
        c.keepRecoveryFile(true);
        c.waitForRecoveryFile();

        const std::uint64_t handed = ioCounter("wchar"), stored = ioCounter("write_bytes");
        int takes = 0;
        for (auto _ : state) {
            c.logStartArray.append(take(++c.logNr));
            c.keepRecoveryFile(true);
            c.logStartArray.replace(c.logStartArray.count() - 8, std::string("10:00:04:00"));
            c.keepRecoveryFile(true);
            ++takes;
            state.PauseTiming();
            c.waitForRecoveryFile();
            state.ResumeTiming();
        }
        const double perTake = double(ioCounter("wchar") - handed) / takes;
        state.counters["handed_bytes_per_take"] = perTake;
        state.counters["stored_bytes_per_take"] = double(ioCounter("write_bytes") - stored) / takes;
        state.counters["MB_per_s_at_a_take_every_4s"] = perTake / kSecondsPerTake / 1e6;
        std::uintmax_t size = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            size += entry.file_size();
        state.counters["journal_MB"] = double(size) / 1e6;
    }
    // Left behind as by a crash: what the next start reads before it asks.
    const auto begin = std::chrono::steady_clock::now();
    for (RecoveryFile::LeftBehind& found : RecoveryFile::leftBehind(folder))
        benchmark::DoNotOptimize(found.read().entries.size());
    state.counters["read_back_s"] =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RecoveryWhileTheLogGrows)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
