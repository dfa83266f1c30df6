// The controller over the real GStreamer video system on the test pattern, with log starts
// from the simulated interface.

#include <gtest/gtest.h>

#include <thread>

#include "tests/video/GlibWarnings.h"
#include "tests/video/JpegInspect.h"
#include "tests/video/RealVideoApp.h"

namespace {

using platform::GstreamerFrame;
using platform::GstreamerVideoSystem;
using videotest::inspectJpeg;
using videotest::RealVideoApp;

class CaptureWithGstreamer : public ::testing::Test {
protected:
    ~CaptureWithGstreamer() override {
        EXPECT_EQ(videotest::takeGlibWarnings(), std::vector<std::string>{});
    }
    const Picture& picture(RealVideoApp& r, int record) {
        return r.app->logStartArray.picture(LogList::indexOf(record, kFieldPicture));
    }
};

TEST_F(CaptureWithGstreamer, ALogStartStoresAJpegOfTheWholeFrame) {
    RealVideoApp r;
    ASSERT_TRUE(r.app->chooseVideoDevice("Test Pattern"));
    ASSERT_TRUE(r.recorder.waitFor(2));

    r.startLogOnTheInterface();
    r.mainThread.drain();
    r.app->waitForPictures();
    ASSERT_EQ(r.sim.logsStarted(), 1);
    ASSERT_EQ(r.app->logStartArray.recordCount(), 1);
    const auto jpeg = inspectJpeg(picture(r, 1));
    ASSERT_TRUE(jpeg.decodes);
    EXPECT_EQ(jpeg.width, 1920);
    EXPECT_EQ(jpeg.height, 1080);
    EXPECT_EQ(jpeg.subsampling, TJSAMP_420);
    EXPECT_TRUE(r.app->imgBufferArray.empty());
}

TEST_F(CaptureWithGstreamer, TheStillIsTheFrameOfTheMomentTheLogStartArrived) {
    // The preview now has a branch of its own, scaled to the view and at its own rate, so the
    // frames it records are no longer the frames a still is made from; this comparison needs
    // a recorder on the grab branch before it can say anything again.
    GTEST_SKIP() << "the preview's frames are not the grab branch's frames";
    RealVideoApp r;
    r.recorder.keep = true;
    ASSERT_TRUE(r.app->chooseVideoDevice("Test Pattern"));
    ASSERT_TRUE(r.recorder.waitFor(3));

    const std::size_t before = r.recorder.count();
    r.startLogOnTheInterface();
    const std::size_t after = r.recorder.count();
    // The main thread is slow to get to the record: five more frames come meanwhile.
    ASSERT_TRUE(r.recorder.waitFor(5));
    r.mainThread.drain();
    r.app->waitForPictures();
    r.app->comboBoxWillPopUp();

    const Picture& stored = picture(r, 1);
    ASSERT_FALSE(stored.empty());
    // The frame the controller held when the message came: the one the preview had just
    // shown, or the one already with the controller but not yet with the preview.
    const auto frames = r.recorder.kept();
    ASSERT_GT(frames.size(), after + 3);
    int match = -1;
    for (std::size_t i = before - 1; i <= after; ++i)
        if (r.codec.encodeJpeg(*frames[i], 0.5) == stored)
            match = static_cast<int>(i);
    EXPECT_NE(match, -1) << "the still is none of the frames current at the log start";
    EXPECT_NE(r.codec.encodeJpeg(*frames.back(), 0.5), stored)
        << "a later frame would have made a different still";
}

TEST_F(CaptureWithGstreamer, AnotherChoiceAndQuittingFreeThePipelineAndEveryFrame) {
    {
        RealVideoApp r;
        ASSERT_TRUE(r.app->chooseVideoDevice("Test Pattern"));
        ASSERT_TRUE(r.recorder.waitFor(2));
        ASSERT_TRUE(r.app->chooseVideoDevice("Test Pattern"));
        ASSERT_TRUE(r.recorder.waitFor(2));
        EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 1);

        // Opening the list stops the device; its last frame stays for a grab.
        r.app->comboBoxWillPopUp();
        EXPECT_EQ(r.app->captureActive, 0);
        EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 0);
        EXPECT_EQ(GstreamerFrame::live(), 1);
        r.app->btnCapture();
        EXPECT_EQ(r.app->imgBufferArray.size(), 1u);

        ASSERT_TRUE(r.app->chooseVideoDevice("Test Pattern"));
        ASSERT_TRUE(r.recorder.waitFor(2));
    }
    // Quitting with the device running.
    EXPECT_EQ(GstreamerVideoSystem::livePipelines(), 0);
    EXPECT_EQ(GstreamerFrame::live(), 0);
}

}  // namespace
