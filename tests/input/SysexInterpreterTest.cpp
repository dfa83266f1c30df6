// Every message the interface sends, through the MIDI callback, into the windows and the log.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;

class SysexInterpreter : public ::testing::Test {
protected:
    SysexInterpreter() { app.clock.time = {2026, 3, 4, 17, 8, 9}; }
    void logStart(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f, std::uint8_t r) {
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, h, m, s, f, r, 0xF7});
    }
    void logStop(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f) {
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x02, h, m, s, f, 0xF7});
    }
    vexaLogging3AppDelegate& c() { return *app.app; }

    fake::App app;
};

TEST_F(SysexInterpreter, StatusReplySetsTheFlagAndShowsTheVersion) {
    app.receive({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
    EXPECT_EQ(c().midiStatusReqFlag.load(), 1);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");

    app.receive({0xF0, 0x2C, 0x4D, 0x21, '9', '9', 0xF7});
    EXPECT_EQ(app.windows.statusText.value, "  9.9");

    c().midiStatusReqFlag = 0;
    app.receive({0xF0, 0x2C, 0x4D, 0x21, '1', '9', 0xF7});
    EXPECT_EQ(c().midiStatusReqFlag.load(), 1);
    EXPECT_EQ(app.windows.statusText.value, "  update");
    app.receive({0xF0, 0x2C, 0x4D, 0x21, 0x00, '5', 0xF7});
    EXPECT_EQ(app.windows.statusText.value, "  update") << "a negative major asks for an update";
}

TEST_F(SysexInterpreter, LoggingStateSelectsTheModeWithoutSendingAnything) {
    for (std::uint8_t m : {1, 3}) {
        app.windows.cmbLogSelectVal = {};
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x00, m, 0xF7});
        EXPECT_TRUE(app.windows.cmbLogSelectVal.enabled);
        EXPECT_EQ(app.windows.cmbLogSelectVal.selected, 1) << "state " << int(m);
    }
    for (std::uint8_t m : {0, 2}) {
        app.windows.cmbLogSelectVal = {};
        app.windows.cmbLogSelectVal.selected = 2;
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x00, m, 0xF7});
        EXPECT_TRUE(app.windows.cmbLogSelectVal.enabled);
        EXPECT_EQ(app.windows.cmbLogSelectVal.selected, 0) << "state " << int(m);
    }
    EXPECT_EQ(c().editChangeFlag, 0);
    EXPECT_TRUE(app.midi.sent().empty());
}

TEST_F(SysexInterpreter, DropFrameLogStartMakesRecordOne) {
    logStart(1, 2, 3, 4, 2);
    EXPECT_EQ(c().logNr, 1);
    EXPECT_EQ(app.windows.txtLogNr.value, "1");
    EXPECT_EQ(app.windows.txtLogStart.value, "01;02;03;04");
    EXPECT_EQ(app.windows.txtLogStop.value, "");
    EXPECT_EQ(app.windows.txtLogDuration.value, "");
    EXPECT_EQ(app.windows.txtLogTod.value, "17:08:09");
    EXPECT_EQ(app.windows.txtLogDate.value, "04.03.2026");

    ASSERT_EQ(c().logStartArray.count(), 20u);
    const std::vector<std::string> expected{"1", "01:02:03:04", "", "", "17:08:09", "",
                                            "",  "04.03.2026",  ""};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(app.field(1, k), expected[k]) << "field " << k;
    EXPECT_TRUE(c().logStartArray.holdsPicture(19));
    EXPECT_TRUE(c().logStartArray.picture(19).empty());
    EXPECT_EQ(c().editChangeFlag, 1);
    // The editor showed position 1, which is the new record.
    EXPECT_EQ(app.windows.txtEditNr.value, "1");
    EXPECT_EQ(app.windows.txtEditStart.value, "01:02:03:04");
}

TEST_F(SysexInterpreter, NonDropLogStartShowsColons) {
    logStart(1, 2, 3, 4, 0);
    EXPECT_EQ(app.windows.txtLogStart.value, "01:02:03:04");
    logStart(23, 59, 59, 29, 3);
    EXPECT_EQ(app.windows.txtLogStart.value, "23:59:59:29");
    EXPECT_EQ(app.field(2, 0), "2");
    EXPECT_EQ(app.field(2, 1), "23:59:59:29");
}

TEST_F(SysexInterpreter, LogStopCompletesTheLastRecordAndShowsTheDuration) {
    logStart(1, 0, 0, 0, 0);
    c().editChangeFlag = 0;
    logStop(1, 0, 10, 5);
    EXPECT_EQ(app.field(1, 2), "01:00:10:05");
    EXPECT_EQ(app.field(1, 3), "") << "the duration is never stored";
    EXPECT_EQ(app.windows.txtLogStop.value, "01:00:10:05");
    EXPECT_EQ(app.windows.txtLogDuration.value, "00:00:10");
    EXPECT_EQ(app.windows.txtEditStop.value, "01:00:10:05");
    EXPECT_EQ(app.windows.txtEditDuration.value, "00:00:10");
    EXPECT_EQ(c().editChangeFlag, 1);
}

TEST_F(SysexInterpreter, LogStopAfterADropFrameStartHasNoDuration) {
    logStart(1, 0, 0, 0, 2);
    logStop(1, 0, 10, 5);
    EXPECT_EQ(app.field(1, 2), "01:00:10:05");
    EXPECT_EQ(app.windows.txtLogDuration.value, "");
}

TEST_F(SysexInterpreter, StartsAndStopsAreNotPaired) {
    logStart(1, 0, 0, 0, 0);
    logStart(1, 0, 5, 0, 0);
    logStop(1, 0, 9, 0);
    EXPECT_EQ(app.field(1, 2), "");
    EXPECT_EQ(app.field(2, 2), "01:00:09:00");
    logStop(1, 0, 11, 0);
    EXPECT_EQ(app.field(2, 2), "01:00:11:00") << "a second stop replaces the first";
}

TEST_F(SysexInterpreter, LogStopWithOnlyTheHeaderIsIgnored) {
    const LogList before = c().logStartArray;
    logStop(1, 0, 10, 5);
    ASSERT_EQ(c().logStartArray.count(), 10u);
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(c().logStartArray.text(i), before.text(i)) << "header field " << i;
    EXPECT_EQ(c().editChangeFlag, 0);
    EXPECT_EQ(app.windows.txtLogStop.value, "");
}

TEST_F(SysexInterpreter, LogStartTakesTheGrabbedPictureOnlyWhileCapturing) {
    c().captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("A"));
    logStart(1, 0, 0, 0, 0);
    c().waitForPictures();
    EXPECT_TRUE(c().logStartArray.picture(19).empty()) << "capture is off";
    EXPECT_EQ(app.codec.encodes, 0) << "a still nobody takes is not made";

    c().captureActive = 1;
    c().captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("B"));
    logStart(1, 0, 5, 0, 0);
    c().waitForPictures();
    const std::string picture(c().logStartArray.picture(29).begin(),
                              c().logStartArray.picture(29).end());
    EXPECT_EQ(picture, "JPEGB@0.50");
    EXPECT_TRUE(c().imgBufferArray.empty());
    // The strip shows record 1 (position 1) and record 2 as the next one, picture and all.
    EXPECT_TRUE(app.windows.imgEdit.shown.empty());
    EXPECT_EQ(
        std::string(app.windows.imgEditNext.shown.begin(), app.windows.imgEditNext.shown.end()),
        "JPEGB@0.50");
}

TEST_F(SysexInterpreter, LogStartGrabsTheFrameOfItsOwnMoment) {
    c().captureActive = 1;
    c().captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("then"));
    myReadProc(
        platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7}),
        nullptr, nullptr);
    // A newer frame arrives before the main thread gets to the record.
    c().captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("later"));
    app.mainThread.drain();
    c().waitForPictures();
    const Picture& p = c().logStartArray.picture(19);
    EXPECT_EQ(std::string(p.begin(), p.end()), "JPEGthen@0.50");
}

TEST_F(SysexInterpreter, EditorRefreshesOnlyWhenItShowsTheNewRecord) {
    logStart(1, 0, 0, 0, 0);
    logStart(2, 0, 0, 0, 0);
    EXPECT_EQ(app.windows.txtEditStart.value, "01:00:00:00") << "position 1 still shown";
    c().logEditPos = 3;
    logStart(3, 0, 0, 0, 0);
    EXPECT_EQ(app.windows.txtEditStart.value, "03:00:00:00");
    EXPECT_EQ(app.windows.txtEditNr.value, "3");
}

TEST_F(SysexInterpreter, UnknownAndTruncatedMessagesChangeNothing) {
    const std::vector<Bytes> ignored{
        {0xF0, 0x2C, 0x4D, 0x67, 0x05, 0xF7},
        {0xF0, 0x2C, 0x4D, 0x67, 0x0A, 0xF7},
        {0xF0, 0x2C, 0x4E, 0x21, '2', '1', 0xF7},
        {0xF0, 0x2C, 0x4D, 0x22, '2', '1', 0xF7},
        {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7},
        {0xF0, 0x7F, 0x00, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0xF7},
        {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0x00, 0xF7},
        // Log start and stop cut short: no timecode to read.
        {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x02, 0xF7},
        {0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x01, 0xF7},
        {0xF0, 0x2C, 0x4D, 0x67, 0xF7},
    };
    for (const Bytes& m : ignored) app.receive(m);
    EXPECT_EQ(c().logStartArray.count(), 10u);
    EXPECT_EQ(c().logNr, 0);
    EXPECT_EQ(c().editChangeFlag, 0);
    EXPECT_EQ(app.windows.statusText.writes, 0);
    EXPECT_EQ(c().midiStatusReqFlag.load(), 0);
}

TEST_F(SysexInterpreter, ShortMessageNeverReadsAnOlderMessagesBytes) {
    // A full log start leaves its timecode in slot 0; slot 0 comes round again after four.
    logStart(9, 9, 9, 9, 0);
    for (int i = 0; i < 3; ++i) app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x05, 0xF7});
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0xF7});
    EXPECT_EQ(c().logStartArray.recordCount(), 1);
}

TEST_F(SysexInterpreter, FullFrameTimecodeDropsTheRateBits) {
    app.windows.chkEditChaseModeVal.on = true;
    logStart(1, 0, 0, 0, 0);
    logStart(1, 2, 3, 0, 0);
    app.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0xF7});
    EXPECT_EQ(app.windows.statusText.value, "  01:02:03:04");
    EXPECT_EQ(c().logEditPos, 2) << "the chase got 01:02:03:04";
    app.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x7F, 0x7F, 0x7F, 0x7F, 0xF7});
    EXPECT_EQ(app.windows.statusText.value, "  31:63:63:31");
}

TEST_F(SysexInterpreter, StopTimeEventEndsPlayback) {
    c().playStopFlag = 1;
    c().FelderPlayerOn();
    app.windows.chkEditModeVal.on = true;
    c().editChangeFlag = 0;
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x08, 0xF7});
    EXPECT_EQ(c().playStopFlag, 0);
    EXPECT_EQ(app.windows.btnEditPlayVal.title, "Play");
    EXPECT_TRUE(app.windows.btnLogNaechstesVal.enabled);
    EXPECT_TRUE(app.windows.btnMenuEditPreviousVal.enabled);
    EXPECT_TRUE(app.windows.txtEditStart.editable);
    EXPECT_TRUE(app.windows.txtEditNr.editable);
    EXPECT_EQ(c().editChangeFlag, 0);
}

TEST_F(SysexInterpreter, ComparisonTimeEventStepsAndSendsTheNextTime) {
    c().midiOpenFlag = 1;
    logStart(1, 0, 0, 0, 0);
    logStart(1, 0, 5, 0, 0);
    logStop(1, 0, 8, 12);
    logStart(1, 0, 20, 0, 0);
    c().editChangeFlag = 0;

    // Record 1 has no stop: stepping to record 2 sends record 2's stop time.
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x09, 0xF7});
    EXPECT_EQ(c().logEditPos, 2);
    EXPECT_EQ(app.windows.txtEditStart.value, "01:00:05:00");
    // Record 2 stepped to record 3, which has no stop and no next record: nothing is sent.
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x09, 0xF7});
    EXPECT_EQ(c().logEditPos, 3);
    c().waitForSends();
    const auto sent = app.midi.messages();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(fake::hex(sent[0]), "F0 2C 4D 57 08 01 00 08 0C 00 F7");
    EXPECT_EQ(c().editChangeFlag, 0);
}

}  // namespace
