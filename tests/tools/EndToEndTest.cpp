// The simulated interface driving the real MIDI callback, interpreter and LogList.

#include <gtest/gtest.h>

#include "loglist/Timecode.h"
#include "support/FakePlatform.h"
#include "vexasim/SimulatedInterface.h"

namespace {

using vexasim::FrameRate;

struct Observed {
    std::string start;
    std::string stop;
};

class EndToEnd : public ::testing::TestWithParam<FrameRate> {
protected:
    EndToEnd() : sim([this](std::span<const std::uint8_t> list) { deliver(list); }) {}

    // Notes the interface's own clock whenever it reports a log starting or stopping, then
    // hands the bytes to the program as the MIDI system would.
    void deliver(std::span<const std::uint8_t> list) {
        platform::forEachMidiPacket(list, [this](std::span<const std::uint8_t> m) {
            if (m.size() > 4 && m[0] == 0xF0 && m[1] == 0x2C && m[3] == 0x67) {
                const auto t = sim.timecode();
                const std::string text = timecode::format(t.hours, t.minutes, t.seconds, t.frames);
                if (m[4] == 0x01)
                    logs.push_back({text, ""});
                else if (m[4] == 0x02 && !logs.empty())
                    logs.back().stop = text;
            }
        });
        myReadProc(list, nullptr, nullptr);
    }
    void tell(std::span<const std::uint8_t> message) {
        sim.receive(platform::makeMidiPacketList(message));
    }

    fake::App app;
    std::vector<Observed> logs;
    vexasim::SimulatedInterface sim;
};

TEST_P(EndToEnd, TenAutomaticLogsOverRunningTimecode) {
    const FrameRate rate = GetParam();
    const int fps = vexasim::framesPerSecondLabel(rate);
    app.app->captureActive = 1;
    app.app->captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("cam"));

    sim.setFrameRate(rate);
    // Crosses a minute (where drop-frame skips labels) and the hour.
    sim.locate({0, 59, 41, 0});
    sim.setAutoLogTiming(2 * fps + 5, fps + 7);
    tell(app.app->messages.sysexLogAktivOn);
    sim.play();
    for (int quarters = 0; quarters < 4 * 60 * fps && (sim.logsStarted() < 10 || sim.logOpen());
         ++quarters) {
        sim.advanceQuarterFrames(1);
        app.mainThread.drain();
    }
    sim.stop();
    app.mainThread.drain();
    app.app->waitForPictures();

    const LogList& list = app.app->logStartArray;
    ASSERT_EQ(logs.size(), 10u);
    ASSERT_EQ(list.recordCount(), 10);
    EXPECT_EQ(app.app->logNr, 10);
    for (int r = 1; r <= 10; ++r) {
        SCOPED_TRACE("record " + std::to_string(r));
        EXPECT_EQ(app.field(r, kFieldNumber), std::to_string(r));
        EXPECT_EQ(app.field(r, kFieldStart), logs[r - 1].start);
        EXPECT_EQ(app.field(r, kFieldStop), logs[r - 1].stop);
        EXPECT_EQ(app.field(r, kFieldDuration), "");
        // One second and seven frames of running timecode: one whole second.
        EXPECT_EQ(app.app->DurationCalculate(app.field(r, kFieldStart), app.field(r, kFieldStop)),
                  "00:00:01");
        EXPECT_EQ(app.field(r, kFieldTimeOfDay), "09:05:03");
        EXPECT_EQ(app.field(r, kFieldDate), "07.12.2026");
        const Picture& picture = list.picture(LogList::indexOf(r, kFieldPicture));
        EXPECT_EQ(std::string(picture.begin(), picture.end()), "JPEGcam@0.50");
    }
    EXPECT_EQ(logs.front().start, "00:59:41:00");
    EXPECT_LT(logs.back().start, "01:00:10:00");
    EXPECT_GT(logs.back().start, "01:00:00:00");

    // The capture window shows the last log, in drop-frame form where the interface said so.
    const std::string& last = logs.back().start;
    if (rate == FrameRate::fps2997DropFrame) {
        std::string dropForm = last;
        std::replace(dropForm.begin(), dropForm.end(), ':', ';');
        EXPECT_EQ(app.windows.txtLogStart.value, dropForm);
        EXPECT_EQ(app.windows.txtLogDuration.value, "");
    } else {
        EXPECT_EQ(app.windows.txtLogStart.value, last);
        EXPECT_EQ(app.windows.txtLogDuration.value, "00:00:01");
    }
    // The running timecode reached the status line; the interface stopped where it is now.
    const auto t = sim.timecode();
    EXPECT_EQ(app.windows.statusText.value.substr(0, 2), "  ");
    EXPECT_LE(app.windows.statusText.value.substr(2),
              timecode::format(t.hours, t.minutes, t.seconds, t.frames));
    EXPECT_GE(app.windows.statusText.value.substr(2), logs.back().start);
}

INSTANTIATE_TEST_SUITE_P(AllRates, EndToEnd,
                         ::testing::Values(FrameRate::fps24, FrameRate::fps25,
                                           FrameRate::fps2997DropFrame, FrameRate::fps30),
                         [](const auto& info) {
                             switch (info.param) {
                                 case FrameRate::fps24:
                                     return std::string("Fps24");
                                 case FrameRate::fps25:
                                     return std::string("Fps25");
                                 case FrameRate::fps2997DropFrame:
                                     return std::string("Fps2997Drop");
                                 default:
                                     return std::string("Fps30");
                             }
                         });

}  // namespace
