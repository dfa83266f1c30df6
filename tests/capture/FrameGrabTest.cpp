// The latest frame, its references, and the stills grabbed from it into the log.

#include <gtest/gtest.h>

#include <functional>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;

std::string text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

class FrameGrab : public ::testing::Test {
protected:
    FrameGrab() { app.video.devices = {"Cam"}; }

    void startCapture() {
        c().comboBoxWillPopUp();
        app.windows.cmbDevicesVal.selectItem(1);
        c().cmbDevices();
        ASSERT_EQ(c().captureActive, 1);
    }
    std::weak_ptr<const platform::VideoFrame> frame(const std::string& label) {
        auto f = std::make_shared<const fake::VideoFrame>(label);
        app.video.deliver(f);
        return f;
    }
    // A log start whose picture, if it gets one, is stored by the time this returns.
    void logStart(std::uint8_t seconds) {
        logStartWithPictureUnderWay(seconds);
        c().waitForPictures();
    }
    void logStartWithPictureUnderWay(std::uint8_t seconds) {
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, seconds, 0, 0, 0xF7});
    }
    std::string pictureOf(int record) {
        return text(c().logStartArray.picture(LogList::indexOf(record, kFieldPicture)));
    }
    vexaLogging3AppDelegate& c() { return *app.app; }

    fake::App app;
};

TEST_F(FrameGrab, EachNewFrameReleasesTheOneBeforeAndAGrabGivesBackItsReference) {
    startCapture();
    auto first = frame("1");
    EXPECT_EQ(first.use_count(), 1) << "the controller alone holds the latest frame";
    auto second = frame("2");
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(second.use_count(), 1);

    c().CapturePicture();
    logStart(0);
    EXPECT_EQ(second.use_count(), 1) << "neither the grab nor the log start keeps the frame";

    // Stopping keeps the last frame: a grab is still possible.
    c().comboBoxWillPopUp();
    EXPECT_EQ(second.use_count(), 1);
    // What the controller handed to the main thread refers to it: run it before it goes.
    app.mainThread.drain();
    app.app.reset();
    EXPECT_TRUE(second.expired()) << "the controller lets go of its frame when it goes";
    EXPECT_TRUE(app.video.running.empty());
    // The fixture's own teardown wants a controller.
    app.app = std::make_unique<vexaLogging3AppDelegate>(
        PlatformServices{app.mainThread, app.clock, app.systemLog, app.midi, app.codec, app.timers,
                         app.video},
        app.windows.outlets());
}

TEST_F(FrameGrab, TheCaptureButtonReplacesThePictureOfTheRecordOnShow) {
    startCapture();
    frame("first");
    logStart(0);
    logStart(5);
    c().editChangeFlag = 0;
    c().logEditPos = 2;

    frame("retake");
    c().btnCapture();
    EXPECT_EQ(text(c().logStartArray.picture(LogList::indexOf(2, kFieldPicture))),
              "JPEGretake@0.50");
    EXPECT_EQ(text(c().logStartArray.picture(LogList::indexOf(1, kFieldPicture))),
              "JPEGfirst@0.50");
    EXPECT_EQ(c().editChangeFlag, 1);
    EXPECT_TRUE(c().imgBufferArray.empty());
    EXPECT_EQ(text(app.windows.imgEdit.shown), "JPEGretake@0.50");
    EXPECT_EQ(text(app.windows.imgEditPre.shown), "JPEGfirst@0.50");
}

TEST_F(FrameGrab, WithCaptureOffTheGrabWaitsAndTheNextOneReplacesIt) {
    startCapture();
    frame("live");
    logStart(0);
    c().editChangeFlag = 0;
    c().comboBoxWillPopUp();  // capture off; the last frame is still held

    c().btnCapture();
    EXPECT_EQ(text(c().logStartArray.picture(LogList::indexOf(1, kFieldPicture))), "JPEGlive@0.50");
    EXPECT_EQ(c().editChangeFlag, 0);
    ASSERT_EQ(c().imgBufferArray.size(), 1u);

    c().captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("late"));
    c().btnCapture();
    ASSERT_EQ(c().imgBufferArray.size(), 1u);
    EXPECT_EQ(text(c().imgBufferArray[0]), "JPEGlate@0.50");
}

TEST_F(FrameGrab, BeforeTheFirstFrameAGrabStoresNothing) {
    startCapture();
    logStart(0);
    EXPECT_TRUE(c().logStartArray.picture(LogList::indexOf(1, kFieldPicture)).empty());
    c().editChangeFlag = 0;
    c().btnCapture();
    EXPECT_EQ(app.codec.encodes, 0);
    EXPECT_EQ(c().editChangeFlag, 0);
    EXPECT_TRUE(c().imgBufferArray.empty());
}

TEST_F(FrameGrab, TheCaptureButtonOnAnEmptyLogStoresNothing) {
    startCapture();
    frame("x");
    c().btnCapture();
    EXPECT_EQ(c().logStartArray.count(), 10u) << "the header stays as it is";
    EXPECT_EQ(c().editChangeFlag, 0);
    EXPECT_TRUE(app.windows.imgEdit.shown.empty());
}

// Three log starts with frames A, B and C, their pictures held back by the encoder while the
// log changes; then each record must have exactly its own picture, or none.
struct ChangeInBetween {
    const char* name;
    std::function<void(vexaLogging3AppDelegate&)> change;
    std::vector<std::string> pictures;  // of records 1..n afterwards
};

LogRecord blankRecord() {
    return {std::string("0"), std::string("00:00:00:00"),
            std::string(),    std::string(),
            std::string(),    std::string(),
            std::string(),    std::string(),
            std::string(),    Picture()};
}

TEST(FrameGrabUnderWay, EachLogStartGetsItsOwnPictureWhateverHappensMeanwhile) {
    const std::vector<ChangeInBetween> table{
        {"nothing", [](auto&) {}, {"A", "B", "C"}},
        {"a record inserted before the second",
         [](auto& c) { c.logStartArray.insertRecord(2, blankRecord()); },
         {"A", "", "B", "C"}},
        {"the second deleted", [](auto& c) { c.logStartArray.removeRecord(2); }, {"A", "C"}},
        {"the first deleted", [](auto& c) { c.logStartArray.removeRecord(1); }, {"B", "C"}},
        {"the third renumbered",
         [](auto& c) { c.logStartArray.replace(LogList::indexOf(3, kFieldNumber), "77"); },
         {"A", "B", "C"}},
        {"the second given a picture by hand",
         [](auto& c) { c.logStartArray.replace(LogList::indexOf(2, kFieldPicture), Bytes{'T'}); },
         {"A", "T", "C"}},
        {"a new log with one record",
         [](auto& c) {
             c.LogStartArrayInit();
             c.logStartArray.append(blankRecord());
         },
         {""}},
    };
    for (const ChangeInBetween& row : table) {
        SCOPED_TRACE(row.name);
        fake::App app;
        vexaLogging3AppDelegate& c = *app.app;
        app.video.devices = {"Cam"};
        c.comboBoxWillPopUp();
        app.windows.cmbDevicesVal.selectItem(1);
        c.cmbDevices();
        {
            std::unique_lock hold(app.codec.gate);
            for (const char* label : {"A", "B", "C"}) {
                app.video.deliver(std::make_shared<const fake::VideoFrame>(label));
                app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7});
            }
            row.change(c);
            c.editChangeFlag = 0;
        }
        c.waitForPictures();
        const auto pictures = [&c] {
            std::vector<std::string> labels;
            for (int r = 1; r <= c.logStartArray.recordCount(); ++r) {
                const std::string p = text(c.logStartArray.picture(LogList::indexOf(r, 9)));
                labels.push_back(p.starts_with("JPEG") ? p.substr(4, p.size() - 9) : p);
            }
            return labels;
        };
        EXPECT_EQ(pictures(), row.pictures);
        EXPECT_EQ(c.editChangeFlag, row.pictures.size() > 1 ? 1 : 0)
            << "storing a picture is a change of the log";
        app.mainThread.drain();  // the encoder's own word that the stills are done
        EXPECT_EQ(pictures(), row.pictures);
    }
}

TEST(FrameGrabUnderWay, SavingWritesThePictureStillUnderWay) {
    fake::App app;
    vexaLogging3AppDelegate& c = *app.app;
    app.video.devices = {"Cam"};
    c.comboBoxWillPopUp();
    app.windows.cmbDevicesVal.selectItem(1);
    c.cmbDevices();
    app.video.deliver(std::make_shared<const fake::VideoFrame>("A"));
    {
        std::unique_lock hold(app.codec.gate);
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7});
    }
    // Nothing has run on the main thread since: only the save can have stored the still.
    c.setPathString("/log.vlg");
    c.LogSave();
    const auto& file = app.propertyLists.files["/log.vlg"];
    ASSERT_EQ(file.size(), 20u);
    ASSERT_TRUE(std::holds_alternative<Picture>(file[19]));
    EXPECT_EQ(text(std::get<Picture>(file[19])), "JPEGA@0.50");
    EXPECT_EQ(c.editChangeFlag, 0) << "what was written is what the log holds";
}

}  // namespace
