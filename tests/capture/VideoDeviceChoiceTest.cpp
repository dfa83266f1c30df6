// Opening the device list and choosing from it, over a video system whose devices the test
// plugs in and pulls out.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using Strings = std::vector<std::string>;

class VideoDeviceChoice : public ::testing::Test {
protected:
    VideoDeviceChoice() { app.video.devices = {"Cam A", "Capture Card B", "Test Pattern"}; }

    // The user opens the list and picks item `item` (0 is "None").
    void choose(int item) {
        c().comboBoxWillPopUp();
        app.windows.cmbDevicesVal.selectItem(item);
        c().cmbDevices();
    }
    void frame(const std::string& label) {
        app.video.deliver(std::make_shared<fake::VideoFrame>(label));
    }
    vexaLogging3AppDelegate& c() { return *app.app; }

    fake::App app;
};

TEST_F(VideoDeviceChoice, OpeningTheListShowsNoneThenTheDevicesAndStopsTheLivePicture) {
    choose(1);
    ASSERT_EQ(c().captureActive, 1);

    c().comboBoxWillPopUp();
    EXPECT_EQ(app.windows.cmbDevicesVal.items,
              (Strings{"None", "Cam A", "Capture Card B", "Test Pattern"}));
    EXPECT_EQ(app.windows.cmbDevicesVal.selected, 0);
    EXPECT_EQ(c().captureActive, 0);
    EXPECT_EQ(app.video.calls, (Strings{"start Cam A", "stop Cam A"}));

    // Closed without a choice: nothing runs, no frame reaches the preview.
    frame("after");
    EXPECT_TRUE(app.windows.mCaptureView.shown.empty());
}

TEST_F(VideoDeviceChoice, NoneStartsNothing) {
    choose(0);
    EXPECT_EQ(c().captureActive, 0);
    EXPECT_TRUE(app.video.calls.empty());

    // No devices at all: the list holds only "None".
    app.video.devices.clear();
    choose(0);
    EXPECT_EQ(app.windows.cmbDevicesVal.items, (Strings{"None"}));
    EXPECT_EQ(c().captureActive, 0);
}

TEST_F(VideoDeviceChoice, TheThirdItemOpensTheSecondDeviceAndItsFramesReachThePreview) {
    choose(2);
    EXPECT_EQ(app.video.calls, (Strings{"start Capture Card B"}));
    EXPECT_EQ(c().captureActive, 1);
    frame("b1");
    frame("b2");
    EXPECT_EQ(app.windows.mCaptureView.shown, (Strings{"b1", "b2"}));
}

TEST_F(VideoDeviceChoice, ADeviceThatWillNotOpenLeavesCaptureOffWithoutAWord) {
    app.video.failsToOpen = "Cam A";
    choose(1);
    EXPECT_EQ(c().captureActive, 0);
    EXPECT_TRUE(app.windows.dialogs.alerts.empty());
    EXPECT_TRUE(app.systemLog.lines.empty());
    EXPECT_EQ(app.windows.cmbDevicesVal.selected, 1) << "the list keeps showing the choice";
}

TEST_F(VideoDeviceChoice, AnOutputFailureWritesError3AndShowsTheVideoSystemsWords) {
    app.video.failsAtOutput = "Capture Card B";
    choose(2);
    EXPECT_EQ(c().captureActive, 0);
    EXPECT_EQ(app.systemLog.lines, (Strings{"error3"}));
    ASSERT_EQ(app.windows.dialogs.alerts.size(), 1u);
    EXPECT_EQ(app.windows.dialogs.alerts[0].title, "No picture from Capture Card B");
    EXPECT_EQ(app.windows.dialogs.alerts[0].message, "not negotiated");
    EXPECT_EQ(app.windows.dialogs.alerts[0].defaultButton, "OK");
}

TEST_F(VideoDeviceChoice, ADeviceUnpluggedWhileTheListWasOpenLeavesCaptureOff) {
    choose(1);
    c().comboBoxWillPopUp();
    app.video.devices = {"Cam A"};  // the capture card and the pattern are gone
    app.windows.cmbDevicesVal.selectItem(3);
    c().cmbDevices();
    EXPECT_EQ(c().captureActive, 0);
    EXPECT_EQ(app.video.calls, (Strings{"start Cam A", "stop Cam A"}));
    EXPECT_TRUE(app.windows.dialogs.alerts.empty());
}

TEST_F(VideoDeviceChoice, ASecondDeviceReplacesTheFirstAndOnlyItsFramesAreGrabbed) {
    choose(1);
    frame("a1");
    choose(2);
    EXPECT_EQ(app.video.calls, (Strings{"start Cam A", "stop Cam A", "start Capture Card B"}));
    frame("b1");
    c().CapturePicture();
    ASSERT_EQ(c().imgBufferArray.size(), 1u);
    EXPECT_EQ(std::string(c().imgBufferArray[0].begin(), c().imgBufferArray[0].end()),
              "JPEGb1@0.50");
}

TEST_F(VideoDeviceChoice, ARunningDeviceWithoutSignalIsWaitedForAndGivesStillsFromItsFirstFrame) {
    choose(1);
    frame("A1");
    choose(2);  // a capture card with no signal on its input yet
    EXPECT_EQ(c().captureActive, 1) << "choosing it never waits for a picture";
    EXPECT_EQ(app.windows.mCaptureView.text, "waiting for signal");
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7});
    c().waitForPictures();
    EXPECT_TRUE(c().logStartArray.picture(LogList::indexOf(1, kFieldPicture)).empty())
        << "the first device's last frame is no picture of this one";

    frame("B1");
    EXPECT_EQ(app.windows.mCaptureView.text, "");
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 5, 0, 0, 0xF7});
    c().waitForPictures();
    const Picture& p = c().logStartArray.picture(LogList::indexOf(2, kFieldPicture));
    EXPECT_EQ(std::string(p.begin(), p.end()), "JPEGB1@0.50");
}

TEST_F(VideoDeviceChoice, TheDemoFindsItsDeviceByName) {
    EXPECT_TRUE(c().chooseVideoDevice("Test Pattern"));
    EXPECT_EQ(app.video.running, "Test Pattern");
    EXPECT_EQ(app.windows.cmbDevicesVal.selected, 3);

    EXPECT_FALSE(c().chooseVideoDevice("Missing Cam"));
    EXPECT_EQ(c().captureActive, 0);
    EXPECT_TRUE(app.video.running.empty());
}

TEST_F(VideoDeviceChoice, ADeviceLostWhileCapturingStopsGrabsAndTellsTheUser) {
    choose(1);
    frame("last good");
    ASSERT_EQ(c().captureActive, 1);

    app.video.loseDevice("Device disconnected.");
    // The word comes from the capture thread: nothing changes until the main thread has it.
    EXPECT_EQ(c().captureActive, 1);
    app.mainThread.drain();

    EXPECT_EQ(c().captureActive, 0);
    EXPECT_EQ(app.video.calls, (Strings{"start Cam A", "stop Cam A"}));
    EXPECT_EQ(app.windows.cmbDevicesVal.selected, 0);
    ASSERT_EQ(app.windows.dialogs.alerts.size(), 1u);
    EXPECT_EQ(app.windows.dialogs.alerts[0].title, "The video input has stopped.");
    EXPECT_NE(app.windows.dialogs.alerts[0].message.find("Device disconnected."),
              std::string::npos);
    ASSERT_EQ(app.systemLog.lines.size(), 1u);
    EXPECT_EQ(app.systemLog.lines[0], "video input lost: Device disconnected.");

    // The frozen last frame is not stored with the next log.
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7});
    EXPECT_TRUE(c().logStartArray.picture(LogList::indexOf(1, kFieldPicture)).empty());
}

TEST_F(VideoDeviceChoice, WordOfALossAfterAnotherChoiceIsIgnored) {
    choose(1);
    app.video.loseDevice("Device disconnected.");  // still on its way to the main thread
    choose(2);
    app.mainThread.drain();
    EXPECT_EQ(c().captureActive, 1);
    EXPECT_EQ(app.video.running, "Capture Card B");
    EXPECT_TRUE(app.windows.dialogs.alerts.empty());
}

}  // namespace
