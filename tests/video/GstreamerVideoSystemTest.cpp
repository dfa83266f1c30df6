// The GStreamer video system on this machine: its device list, the test pattern's frames,
// and what stopping and switching leave behind.

#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/video/GstreamerSources.h"
#include "platform/video/GstreamerVideoSystem.h"
#include "platform/video/TurboJpegCodec.h"
#include "tests/video/FrameRecorder.h"
#include "tests/video/GlibWarnings.h"
#include "tests/video/JpegInspect.h"

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
    // The preview and the grabs are two branches of the pipeline: either may be a frame ahead.
    for (int waits = 0; waits < 500 && callbacks.load() < 30; ++waits)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    video.stop();

    const auto frames = recorder.kept();
    ASSERT_GE(frames.size(), 30u);
    EXPECT_GE(callbacks.load(), 30) << "the frame callback sees the frames too";
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

TEST_F(GstreamerVideo, ThePreviewGetsFramesAtItsViewsSizeAndTheGrabsTheWholeFrame) {
    recorder.box = {320, 240};
    recorder.keep = true;
    std::mutex mutex;
    std::vector<std::pair<int, int>> grabSizes;
    const auto names = video.deviceNames();
    ASSERT_EQ(video
                  .start(static_cast<int>(names.size()) - 1,
                         [&](platform::VideoFramePtr f) {
                             std::lock_guard lock(mutex);
                             grabSizes.emplace_back(f->width(), f->height());
                         },
                         {})
                  .outcome,
              VideoStart::kStarted);
    ASSERT_TRUE(recorder.waitFor(3));
    recorder.box = {160, 160};  // the window made smaller
    ASSERT_TRUE(recorder.waitFor(8));
    video.stop();
    const auto shown = recorder.kept();
    EXPECT_EQ(shown.front()->width(), 320);
    EXPECT_EQ(shown.front()->height(), 180);
    EXPECT_EQ(shown.back()->width(), 160);
    EXPECT_EQ(shown.back()->height(), 90);
    std::lock_guard lock(mutex);
    ASSERT_FALSE(grabSizes.empty());
    for (const auto& size : grabSizes) EXPECT_EQ(size, std::make_pair(640, 360));
}

TEST(GstreamerVideoStart, ADeviceWithoutSignalStartsAtOnceAndDeliversFromItsFirstFrame) {
    GstreamerVideoSystem::Options o;
    o.testPattern = {320, 180, 25};
    o.testPattern.silentMilliseconds = 1500;
    GstreamerVideoSystem video(o);
    std::atomic<int> frames{0};
    const auto names = video.deviceNames();
    ASSERT_EQ(video
                  .start(static_cast<int>(names.size()) - 1,
                         [&frames](platform::VideoFramePtr) { ++frames; }, {})
                  .outcome,
              VideoStart::kStarted);
    EXPECT_EQ(frames.load(), 0) << "the start did not wait for a picture";
    for (int waits = 0; waits < 1000 && frames.load() < 3; ++waits)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(frames.load(), 3);
    video.stop();
    EXPECT_EQ(videotest::takeGlibWarnings(), std::vector<std::string>{});
}

TEST(GstreamerVideoStart, ACameraLayoutIsKeptAsItComesAndConvertedOnlyForAGrab) {
    GstreamerVideoSystem::Options o;
    o.testPattern = {320, 180, 25};
    o.testPattern.format = "YUY2";
    GstreamerVideoSystem video(o);
    std::mutex mutex;
    std::shared_ptr<const GstreamerFrame> latest;
    const auto names = video.deviceNames();
    ASSERT_EQ(video
                  .start(static_cast<int>(names.size()) - 1,
                         [&](platform::VideoFramePtr f) {
                             std::lock_guard lock(mutex);
                             latest = std::dynamic_pointer_cast<const GstreamerFrame>(f);
                         },
                         {})
                  .outcome,
              VideoStart::kStarted);
    for (int waits = 0; waits < 1000; ++waits) {
        {
            std::lock_guard lock(mutex);
            if (latest)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    video.stop();
    std::lock_guard lock(mutex);
    ASSERT_TRUE(latest);
    EXPECT_FALSE(latest->isI420());
    const auto jpeg = videotest::inspectJpeg(platform::TurboJpegCodec().encodeJpeg(*latest, 0.5));
    ASSERT_TRUE(jpeg.decodes);
    EXPECT_EQ(jpeg.width, 320);
    EXPECT_EQ(jpeg.height, 180);
    // The bars: white-ish on the left, dark blue-ish on the right, as in the frame.
    EXPECT_GT(jpeg.luma[100 * 320 + 20], 150);
    EXPECT_LT(jpeg.luma[100 * 320 + 300], 100);
}

TEST(GstreamerVideoStart, TheModeAskedOfACameraIsAtMostFullHdAt30RawBeforeJpeg) {
    struct Row {
        const char* name;
        const char* offered;
        const char* chosen;  // "" for none
    };
    const Row table[] = {
        {"4K and 60 fps are left aside",
         "video/x-raw,format=YUY2,width=3840,height=2160,framerate=30/1;"
         "video/x-raw,format=YUY2,width=1920,height=1080,framerate={60/1,30/1,5/1};"
         "image/jpeg,width=1920,height=1080,framerate=30/1",
         "video/x-raw, format=(string)YUY2, width=(int)1920, height=(int)1080, "
         "framerate=(fraction)30/1"},
        {"raw only at a crawl: JPEG at full rate",
         "video/x-raw,format=YUY2,width=1920,height=1080,framerate=5/1;"
         "image/jpeg,width=1920,height=1080,framerate={60/1,30/1}",
         "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1"},
        {"ranges", "video/x-raw,format=NV12,width=[16,4096],height=[16,2160],framerate=[1/1,120/1]",
         "video/x-raw, format=(string)NV12, width=(int)1920, height=(int)1080, "
         "framerate=(fraction)30/1"},
        {"a small camera", "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1",
         "video/x-raw, format=(string)YUY2, width=(int)640, height=(int)480, "
         "framerate=(fraction)30/1"},
        {"no picture at all", "audio/x-raw,rate=48000", ""},
    };
    gst_init(nullptr, nullptr);
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        GstCaps* offered = gst_caps_from_string(row.offered);
        GstCaps* chosen = platform::chooseCaptureCaps(offered);
        gst_caps_unref(offered);
        gchar* text = chosen ? gst_caps_to_string(chosen) : nullptr;
        EXPECT_EQ(std::string(text ? text : ""), row.chosen);
        g_free(text);
        if (chosen)
            gst_caps_unref(chosen);
    }
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
