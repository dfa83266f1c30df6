// `glimmark --simulate` in small: the controller finds, senses and switches on the simulated
// interface, and each log becomes a record (its picture is the capture tests' business). The
// interface's time moves only when the test says, so every record can be held against the
// interface's own clock.

#include <gtest/gtest.h>

#include "loglist/Timecode.h"
#include "support/FakePlatform.h"
#include "vexasim/SimulatedMidiSystem.h"

namespace {

using vexasim::FrameRate;

TEST(SimulateWiring, EachLogOverRunningTimecodeBecomesARecordAtTheInterfacesTimes) {
    for (const FrameRate rate :
         {FrameRate::fps24, FrameRate::fps25, FrameRate::fps2997DropFrame, FrameRate::fps30}) {
        SCOPED_TRACE("frames per second " + std::to_string(vexasim::framesPerSecond(rate)));
        vexasim::SimulatedMidiSystem midi(
            {.rate = rate, .startAt = {0, 59, 41, 0}, .play = false, .startClock = false});
        fake::App app(midi);
        app.app->timer2Callback();
        ASSERT_TRUE(fake::pumpUntil(app, [&] { return app.windows.cmbLogSelectVal.enabled; }));
        app.windows.cmbLogSelectVal.selected = 1;
        app.app->cmbLogSelect();
        app.app->waitForSends();

        // The interface's clock at each log start and stop.
        std::vector<std::pair<std::string, std::string>> logs;
        midi.driver().withInterface([&](vexasim::SimulatedInterface& sim) {
            const int fps = vexasim::framesPerSecondLabel(rate);
            sim.setAutoLogTiming(2 * fps + 5, fps + 7);
            for (bool first = true; first || logs.size() < 10 || sim.logOpen(); first = false) {
                const bool wasOpen = sim.logOpen();
                first ? sim.play() : sim.advanceQuarterFrames(1);
                const auto t = sim.timecode();
                const std::string now = timecode::format(t.hours, t.minutes, t.seconds, t.frames);
                if (wasOpen != sim.logOpen())
                    (wasOpen ? logs.back().second : logs.emplace_back().first) = now;
            }
            sim.stop();
        });
        app.mainThread.drain();

        ASSERT_EQ(app.app->logStartArray.recordCount(), 10);
        for (int r = 1; r <= 10; ++r) {
            SCOPED_TRACE("record " + std::to_string(r));
            EXPECT_EQ(app.field(r, kFieldStart), logs[r - 1].first);
            EXPECT_EQ(app.field(r, kFieldStop), logs[r - 1].second);
        }
        // The status line runs with the interface's timecode.
        EXPECT_EQ(app.windows.statusText.value.substr(0, 4), "  01");
    }
}

}  // namespace
