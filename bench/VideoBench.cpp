// What a still costs: encoding a 1080p frame at the program's compression, the whole way from
// the log-start message to the picture in the log, and whether grabs cost the live picture
// any frame. Runs on the real GStreamer test pattern and libjpeg-turbo.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>

#include "platform/fake/MemoryFrame.h"
#include "platform/video/PreviewImage.h"
#include "tests/video/RealVideoApp.h"

namespace {

using platform::GstreamerVideoSystem;
using videotest::FrameRecorder;

constexpr double kCompressionFactor = 0.5;

// One 1920x1080 frame of the test pattern: bars, the running time and the time of day.
std::shared_ptr<const platform::GstreamerFrame> testPatternFrame() {
    GstreamerVideoSystem video;
    FrameRecorder recorder;
    recorder.keep = true;
    video.setPreview(&recorder);
    const auto names = video.deviceNames();
    video.start(static_cast<int>(names.size()) - 1, [](platform::VideoFramePtr) {}, {});
    recorder.waitFor(5);
    video.stop();
    const auto frames = recorder.kept();
    return frames.empty() ? nullptr : frames.back();
}

// Like a camera on a real set: gradients with fine grain and coloured noise, much harder for
// the encoder than flat bars.
std::unique_ptr<fake::MemoryFrame> cameraLikeFrame() {
    auto frame = std::make_unique<fake::MemoryFrame>(1920, 1080);
    std::mt19937 grain(7);
    frame->paint(
        [&grain](int x, int y) {
            const int base = 40 + (x * 150 / 1920) + ((x / 40 + y / 40) % 2) * 25;
            return static_cast<std::uint8_t>(std::clamp(base + int(grain() % 21) - 10, 16, 235));
        },
        128, 128);
    for (std::uint8_t& c : frame->u) c = static_cast<std::uint8_t>(110 + grain() % 36);
    for (std::uint8_t& c : frame->v) c = static_cast<std::uint8_t>(110 + grain() % 36);
    return frame;
}

void encode(benchmark::State& state, const platform::VideoFrame& frame) {
    platform::TurboJpegCodec codec;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto jpeg = codec.encodeJpeg(frame, kCompressionFactor);
        bytes = jpeg.size();
        benchmark::DoNotOptimize(jpeg.data());
    }
    state.counters["jpeg_kB"] = static_cast<double>(bytes) / 1024.0;
}

void BM_EncodeJpeg1080_TestPattern(benchmark::State& state) {
    const auto frame = testPatternFrame();
    if (!frame) {
        state.SkipWithError("no frame from the test pattern");
        return;
    }
    encode(state, *frame);
}
BENCHMARK(BM_EncodeJpeg1080_TestPattern)->Unit(benchmark::kMillisecond);

void BM_EncodeJpeg1080_CameraLike(benchmark::State& state) {
    const auto frame = cameraLikeFrame();
    encode(state, *frame);
}
BENCHMARK(BM_EncodeJpeg1080_CameraLike)->Unit(benchmark::kMillisecond);

// The live picture's share: a 1080p frame painted into a 640x360 preview.
void BM_PaintPreview1080To360(benchmark::State& state) {
    const auto frame = cameraLikeFrame();
    std::vector<std::uint32_t> view(640 * 360);
    for (auto _ : state) {
        platform::paintPreview(*frame->planes(), 1920, 1080, view.data(), 640, 640, 360);
        benchmark::DoNotOptimize(view.data());
    }
}
BENCHMARK(BM_PaintPreview1080To360)->Unit(benchmark::kMillisecond);

// Frames lost on the way: gaps in the source's numbering.
std::uint64_t framesMissing(const std::vector<std::uint64_t>& numbers) {
    std::uint64_t missing = 0;
    for (std::size_t i = 1; i < numbers.size(); ++i)
        if (numbers[i] > numbers[i - 1] + 1)
            missing += numbers[i] - numbers[i - 1] - 1;
    return missing;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

// From the log-start message entering the MIDI callback to the record holding its JPEG: the
// frame snapshot and the hand-over, the record appended by the main thread, the encode on the
// encoder's thread and the picture stored. The way to the record alone (callback, hand-over,
// record and editor refresh) is counted apart. With the live test pattern at 1080p, or with a
// camera-like 1080p frame (fine grain, much harder to encode) held still.
void logStartToPictureStored(benchmark::State& state, bool cameraLike) {
    videotest::RealVideoApp r;
    if (!r.fakes.app->chooseVideoDevice(GstreamerVideoSystem::kTestPatternName) ||
        !r.recorder.waitFor(3)) {
        state.SkipWithError("the test pattern does not run");
        return;
    }
    std::shared_ptr<const platform::VideoFrame> still;
    if (cameraLike) {
        r.video.stop();  // capture stays on; the frame below is the latest for good
        still = cameraLikeFrame();
        r.fakes.app->captureOutputDidOutputVideoFrame(still);
    }
    using Clock = std::chrono::steady_clock;
    std::vector<double> stored, recorded;
    for (auto _ : state) {
        const auto start = Clock::now();
        r.startLogOnTheInterface();
        r.fakes.mainThread.drain();
        const auto appended = Clock::now();
        r.fakes.app->waitForPictures();
        const auto done = Clock::now();
        state.SetIterationTime(std::chrono::duration<double>(done - start).count());
        stored.push_back(std::chrono::duration<double, std::milli>(done - start).count());
        recorded.push_back(std::chrono::duration<double, std::milli>(appended - start).count());
        state.PauseTiming();
        if (r.fakes.app->logStartArray.picture(r.fakes.app->logStartArray.count() - 1).empty())
            state.SkipWithError("a log start stored no picture");
        if (r.fakes.app->logStartArray.recordCount() >= 50) {
            r.fakes.app->logStartArray.clear();
            r.fakes.app->LogStartArrayInit();
        }
        state.ResumeTiming();
    }
    if (!stored.empty()) {
        state.counters["stored_median_ms"] = percentile(stored, 0.5);
        state.counters["stored_p99_ms"] = percentile(stored, 0.99);
        state.counters["record_median_ms"] = percentile(recorded, 0.5);
        state.counters["record_p99_ms"] = percentile(recorded, 0.99);
    }
}
void BM_LogStartToPictureStored_TestPattern(benchmark::State& state) {
    logStartToPictureStored(state, false);
}
BENCHMARK(BM_LogStartToPictureStored_TestPattern)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);
void BM_LogStartToPictureStored_CameraLike(benchmark::State& state) {
    logStartToPictureStored(state, true);
}
BENCHMARK(BM_LogStartToPictureStored_CameraLike)
    ->UseManualTime()
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond);

// Four seconds of live picture while the interface starts a log every `state.range(0)` ms
// (0: none), each handed to the main thread and encoded there as the program does. Counts
// the frames the preview was shown and those the source numbered but the preview never saw.
void BM_PreviewFramesDuringGrabs(benchmark::State& state) {
    const auto every = std::chrono::milliseconds(state.range(0));
    for (auto _ : state) {
        videotest::RealVideoApp r;
        if (!r.fakes.app->chooseVideoDevice(GstreamerVideoSystem::kTestPatternName) ||
            !r.recorder.waitFor(3)) {
            state.SkipWithError("the test pattern does not run");
            return;
        }
        const std::size_t before = r.recorder.numbers().size();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(4);
        int grabs = 0;
        while (std::chrono::steady_clock::now() < end) {
            if (every.count() > 0) {
                r.startLogOnTheInterface();
                r.fakes.mainThread.drain();
                r.fakes.app->waitForPictures();
                ++grabs;
                std::this_thread::sleep_for(every);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
            }
        }
        auto numbers = r.recorder.numbers();
        numbers.erase(numbers.begin(), numbers.begin() + static_cast<long>(before));
        state.counters["frames_shown"] = static_cast<double>(numbers.size());
        state.counters["frames_missing"] = static_cast<double>(framesMissing(numbers));
        state.counters["grabs"] = grabs;
    }
}
BENCHMARK(BM_PreviewFramesDuringGrabs)
    ->Arg(0)
    ->Arg(40)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Process CPU seconds (user and system) so far.
double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A preview the size of the capture window's, painting each frame as the window does.
class PaintingPreview final : public platform::VideoPreview {
public:
    void showFrame(platform::VideoFramePtr frame) override {
        const auto planes = frame->previewPlanes();
        const auto fit = platform::fitFrame(frame->width(), frame->height(), 640, 360);
        if (planes && fit.width > 0)
            platform::paintPreview(*planes, frame->width(), frame->height(), m_view.data(), 640,
                                   fit.width, fit.height);
    }
    Size previewSize() const override { return {640, 360}; }

private:
    std::vector<std::uint32_t> m_view = std::vector<std::uint32_t>(640 * 360);
};

// CPU share of a 1080p source standing in for a camera (YUY2 at 30 frames a second, as USB
// cameras give it) while the program captures it with a 640x360 preview, against the same
// source into a fakesink in gst-launch's way, in the same process one after the other.
// cpu_ratio is the program's share over the bare source's.
void BM_CaptureCpuAgainstBareSource(benchmark::State& state) {
    const char* format = state.range(0) == 0 ? "YUY2" : "I420";
    const auto seconds = std::chrono::seconds(8);
    for (auto _ : state) {
        GstreamerVideoSystem::Options o;
        o.testPattern = {1920, 1080, 30};
        o.testPattern.format = format;
        double program = 0;
        {
            GstreamerVideoSystem video(o);
            PaintingPreview preview;
            video.setPreview(&preview);
            std::mutex mutex;
            platform::VideoFramePtr latest;
            const auto names = video.deviceNames();
            const double before = processCpuSeconds();
            video.start(static_cast<int>(names.size()) - 1,
                        [&](platform::VideoFramePtr f) {
                            std::lock_guard lock(mutex);
                            latest = std::move(f);
                        },
                        {});
            std::this_thread::sleep_for(seconds);
            video.stop();
            program = processCpuSeconds() - before;
        }
        const std::string launch =
            std::string("videotestsrc is-live=true pattern=smpte ! video/x-raw,format=") + format +
            ",width=1920,height=1080,framerate=30/1 ! timeoverlay halignment=right "
            "valignment=bottom time-mode=running-time font-desc=\"Sans 36\" shaded-background=true "
            "! clockoverlay halignment=left valignment=top time-format=\"%H:%M:%S\" "
            "font-desc=\"Sans 36\" shaded-background=true ! fakesink";
        GstElement* bare = gst_parse_launch(launch.c_str(), nullptr);
        const double before = processCpuSeconds();
        gst_element_set_state(bare, GST_STATE_PLAYING);
        std::this_thread::sleep_for(seconds);
        gst_element_set_state(bare, GST_STATE_NULL);
        gst_object_unref(bare);
        const double reference = processCpuSeconds() - before;
        state.counters["program_core_pct"] = 100.0 * program / seconds.count();
        state.counters["bare_core_pct"] = 100.0 * reference / seconds.count();
        state.counters["cpu_ratio"] = program / reference;
    }
}
BENCHMARK(BM_CaptureCpuAgainstBareSource)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
