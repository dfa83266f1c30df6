// What a step through the log costs the main thread in the real editor window: the record's
// fields, the three pictures (previous, current, next) and painting them, over a log whose
// records each hold a different 1080p JPEG of fine grain, as a camera gives. Runs with no
// display (QT_QPA_PLATFORM=offscreen is set when nothing else is).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include "frontend/DecodedPictures.h"
#include "platform/fake/MemoryFrame.h"
#include "platform/video/TurboJpegCodec.h"
#include "qt/GuiApp.h"

namespace {

constexpr int kRecords = 40;

platform::Bytes cameraLikeJpeg(std::uint32_t seed) {
    fake::MemoryFrame frame(1920, 1080);
    std::uint32_t grain = seed;
    const auto next = [&grain] { return grain = grain * 1664525u + 1013904223u; };
    frame.paint(
        [&](int x, int y) {
            const int base = 40 + static_cast<int>((x * 150 / 1920 + seed * 13) % 150) +
                             ((x / 40 + y / 40) % 2) * 25;
            return static_cast<std::uint8_t>(std::clamp(base + int(next() >> 27) - 16, 16, 235));
        },
        128, 128);
    for (std::uint8_t& c : frame.u) c = static_cast<std::uint8_t>(110 + (next() >> 27));
    for (std::uint8_t& c : frame.v) c = static_cast<std::uint8_t>(110 + (next() >> 27));
    return platform::TurboJpegCodec().encodeJpeg(frame, 0.5);
}

const std::vector<platform::Bytes>& pictures() {
    static const std::vector<platform::Bytes> all = [] {
        std::vector<platform::Bytes> p;
        for (int r = 0; r < kRecords; ++r)
            p.push_back(cameraLikeJpeg(static_cast<std::uint32_t>(r + 1)));
        return p;
    }();
    return all;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// One step forward, and the windows painted, as the Next button does it; back to the first
// record (not timed) at the end of the log, so every step brings a picture not yet decoded
// into the next view once the log has been gone through (the cache holds only a few).
// Argument: milliseconds between steps, with the event loop running meanwhile; 0 is steps
// back to back, 33 a key held down at the usual repeat rate. The pictures a step brings are
// decoded ahead on another thread, so the main thread's share is counted apart: its CPU time,
// and how many decodes it still did itself.
void BM_EditorStepWithThree1080pPictures(benchmark::State& state) {
    const auto pace = std::chrono::milliseconds(state.range(0));
    gui_test::GuiApp app;
    for (int r = 1; r <= kRecords; ++r)
        app.addRecord(std::to_string(r), "01:00:00:00", "",
                      pictures()[static_cast<std::size_t>(r - 1)]);
    app.controller.LogActualWrite();
    QApplication::processEvents();
    std::vector<double> steps;
    std::vector<double> cpu;
    DecodedPictures& cache = DecodedPictures::editor();
    const int decodesBefore = cache.decodes();
    const int aheadBefore = cache.decodesAhead();
    for (auto _ : state) {
        const double cpuStart = threadCpuMs();
        const auto start = std::chrono::steady_clock::now();
        app.controller.btnLogNaechstes();
        app.edit.repaint();
        const auto end = std::chrono::steady_clock::now();
        cpu.push_back(threadCpuMs() - cpuStart);
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        steps.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        state.PauseTiming();
        if (app.controller.logEditPos == kRecords) {
            app.controller.logEditPos = 1;
            app.controller.LogActualWrite();
            app.edit.repaint();
        }
        if (pace.count() > 0) {
            const auto due = end + pace;
            while (std::chrono::steady_clock::now() < due)
                QApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        state.ResumeTiming();
    }
    const auto perStep = [&](int count) {
        return static_cast<double>(count) / static_cast<double>(steps.size());
    };
    state.counters["median_ms"] = percentile(steps, 0.5);
    state.counters["p99_ms"] = percentile(steps, 0.99);
    state.counters["main_cpu_median_ms"] = percentile(cpu, 0.5);
    state.counters["goal_ms"] = 5;
    state.counters["decodes_per_step"] = perStep(cache.decodes() - decodesBefore);
    state.counters["main_thread_decodes_per_step"] =
        perStep((cache.decodes() - decodesBefore) - (cache.decodesAhead() - aheadBefore));
}
BENCHMARK(BM_EditorStepWithThree1080pPictures)
    ->ArgName("pace_ms")
    ->Arg(0)
    ->Arg(33)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

// What each picture cost before: decoded whole with QImage::fromData, 1080p.
void BM_DecodeWhole1080pJpeg(benchmark::State& state) {
    const platform::Bytes& jpeg = pictures().front();
    for (auto _ : state) {
        QImage image = QImage::fromData(jpeg.data(), static_cast<int>(jpeg.size()));
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_DecodeWhole1080pJpeg)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
