// The GStreamer video system on this machine: its device list, the test pattern's frames,
// and what stopping and switching leave behind.

#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/video/GstreamerVideoSystem.h"
#include "tests/video/FrameRecorder.h"
#include "tests/video/GlibWarnings.h"

namespace {

using platform::GstreamerFrame;
using platform::GstreamerVideoSystem;
using platform::VideoStart;
using videotest::FrameRecorder;

int threadsOfThisProcess() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir)) n += entry->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

// The mean luma of a rectangle of a frame.
double meanLuma(const GstreamerFrame& frame, int x0, int y0, int w, int h) {
    const platform::YuvPlanes p = *frame.planes();
    double sum = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) sum += p.y[y * p.yStride + x];
    return sum / (w * h);
}

class GstreamerVideo : public ::testing::Test {
protected:
    GstreamerVideo() : video(options()) { video.setPreview(&recorder); }
    ~GstreamerVideo() override {
        video.stop();
        EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 0);
        EXPECT_EQ(takeWarnings(), std::vector<std::string>{});
    }
    static GstreamerVideoSystem::Options options() {
        GstreamerVideoSystem::Options o;
        o.testPattern = {640, 360, 25};
        return o;
    }
    static std::vector<std::string> takeWarnings() { return videotest::takeGlibWarnings(); }

    // Starts the last device of a fresh list, the test pattern.
    VideoStart startPattern() {
        const auto names = video.deviceNames();
        return video.start(static_cast<int>(names.size()) - 1,
                           [this](platform::VideoFramePtr) { ++callbacks; }, {});
    }

    FrameRecorder recorder;
    std::atomic<int> callbacks{0};
    GstreamerVideoSystem video;
};

TEST_F(GstreamerVideo, TheTestPatternIsAlwaysLastAndTheListReadsTheSameEachTime) {
    const auto first = video.deviceNames();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.back(), "Test Pattern");
    EXPECT_EQ(video.deviceNames(), first);
}

TEST_F(GstreamerVideo, TheTestPatternDeliversNumberedI420FramesWithARunningClockBurntIn) {
    recorder.keep = true;
    ASSERT_EQ(startPattern().outcome, VideoStart::kStarted);
    ASSERT_TRUE(recorder.waitFor(30));
    video.stop();

    const auto frames = recorder.kept();
    ASSERT_GE(frames.size(), 30u);
    EXPECT_EQ(callbacks.load(), static_cast<int>(recorder.count()))
        << "the frame callback and the preview see every frame";
    EXPECT_EQ(videotest::framesMissing(recorder.numbers()), 0u);
    const GstreamerFrame& early = *frames[0];
    const GstreamerFrame& late = *frames[29];  // 1.16 s later
    EXPECT_EQ(early.width(), 640);
    EXPECT_EQ(early.height(), 360);
    EXPECT_EQ(late.number(), early.number() + 29);
    // The bars stay; the running time in the bottom right corner moves on.
    EXPECT_EQ(meanLuma(early, 200, 120, 240, 120), meanLuma(late, 200, 120, 240, 120));
    EXPECT_NE(meanLuma(early, 440, 300, 200, 60), meanLuma(late, 440, 300, 200, 60));
}

TEST_F(GstreamerVideo, AfterStopNoFrameComesAndOnlyTheFramesStillHeldLive) {
    recorder.keep = true;
    ASSERT_EQ(startPattern().outcome, VideoStart::kStarted);
    ASSERT_TRUE(recorder.waitFor(3));
    EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 1);
    video.stop();
    EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 0);

    const int after = callbacks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(callbacks.load(), after);
    // Frames outlive their pipeline while held, and are given back when let go.
    EXPECT_EQ(GstreamerFrame::live(), static_cast<int>(recorder.kept().size()));
    recorder.release();
    EXPECT_EQ(GstreamerFrame::live(), 0);
}

TEST_F(GstreamerVideo, SwitchingDevicesAgainAndAgainLeavesOnePipelineAndNoNewThreads) {
    ASSERT_EQ(startPattern().outcome, VideoStart::kStarted);
    ASSERT_TRUE(recorder.waitFor(2));
    const int threadsWhileRunning = threadsOfThisProcess();
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(startPattern().outcome, VideoStart::kStarted);
        ASSERT_TRUE(recorder.waitFor(2));
        EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 1);
    }
    // GStreamer keeps a few pool threads for reuse; a leak would add some per switch.
    EXPECT_LE(threadsOfThisProcess(), threadsWhileRunning + 2);
}

TEST_F(GstreamerVideo, AnIndexPastTheListOpensNothing) {
    const int n = static_cast<int>(video.deviceNames().size());
    for (int index : {-1, n}) {
        const VideoStart result = video.start(index, [](platform::VideoFramePtr) {}, {});
        EXPECT_EQ(result.outcome, VideoStart::kDeviceFailed);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 0);
    }
}

TEST_F(GstreamerVideo, APreviewTakenAwayIsNotCalledAgain) {
    ASSERT_EQ(startPattern().outcome, VideoStart::kStarted);
    ASSERT_TRUE(recorder.waitFor(2));
    video.setPreview(nullptr);
    const std::size_t shown = recorder.count();
    const int before = callbacks.load();
    for (int waits = 0; waits < 500 && callbacks.load() < before + 3; ++waits)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(callbacks.load(), before + 3);
    EXPECT_EQ(recorder.count(), shown);
}

TEST(GstreamerVideoLoss, ADeviceThatDiesAfterStartingIsReportedOnce) {
    GstreamerVideoSystem::Options o;
    o.testPattern = {320, 180, 25, 25};  // a second of frames, then the "device" is gone
    {
        GstreamerVideoSystem video(o);
        std::mutex mutex;
        std::condition_variable reported;
        std::vector<std::string> losses;
        std::atomic<int> frames{0};
        const auto names = video.deviceNames();
        const VideoStart started = video.start(
            static_cast<int>(names.size()) - 1, [&frames](platform::VideoFramePtr) { ++frames; },
            [&](std::string why) {
                std::lock_guard lock(mutex);
                losses.push_back(std::move(why));
                reported.notify_all();
            });
        ASSERT_EQ(started.outcome, VideoStart::kStarted);
        {
            std::unique_lock lock(mutex);
            ASSERT_TRUE(
                reported.wait_for(lock, std::chrono::seconds(10), [&] { return !losses.empty(); }));
        }
        video.stop();
        EXPECT_EQ(losses.size(), 1u);
        EXPECT_FALSE(losses[0].empty());
        EXPECT_LE(frames.load(), 25);
    }
    EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 0);
    EXPECT_EQ(videotest::takeGlibWarnings(), std::vector<std::string>{});
}

TEST(GstreamerVideoLoss, StoppingARunningDeviceIsNoLoss) {
    GstreamerVideoSystem::Options o;
    o.testPattern = {320, 180, 25};
    GstreamerVideoSystem video(o);
    std::atomic<int> losses{0};
    const auto names = video.deviceNames();
    ASSERT_EQ(video
                  .start(
                      static_cast<int>(names.size()) - 1, [](platform::VideoFramePtr) {},
                      [&losses](std::string) { ++losses; })
                  .outcome,
              VideoStart::kStarted);
    video.stop();
    EXPECT_EQ(losses.load(), 0);
    EXPECT_EQ(videotest::takeGlibWarnings(), std::vector<std::string>{});
}

}  // namespace
