// `glimmark --simulate` in small: the controller finds, senses and switches on the simulated
// interface, and each of its logs becomes a record. The interface's time moves only when the
// test says. (The bytes the interface sends and how the program reads them are pinned by their
// own tables; this is the wiring between them.)

#include <gtest/gtest.h>

#include "support/FakePlatform.h"
#include "vexasim/SimulatedMidiSystem.h"

namespace {

TEST(SimulateWiring, TheSimulatedInterfaceIsFoundSwitchedOnAndItsLogsBecomeRecords) {
    vexasim::SimulatedMidiSystem midi({.rate = vexasim::FrameRate::fps25,
                                       .startAt = {1, 0, 0, 0},
                                       .play = false,
                                       .startClock = false});
    fake::App app(midi);
    app.app->timer2Callback();
    ASSERT_TRUE(fake::pumpUntil(app, [&] { return app.windows.cmbLogSelectVal.enabled; }));
    app.windows.cmbLogSelectVal.selected = 1;
    app.app->cmbLogSelect();
    app.app->waitForSends();
    // A log of 1 s every 2 s, for 5 s of running time.
    midi.driver().withInterface([](vexasim::SimulatedInterface& sim) {
        sim.setAutoLogTiming(50, 25);
        sim.play();
        sim.advanceQuarterFrames(5 * 25 * 4);
        sim.stop();
    });
    app.mainThread.drain();
    std::string records;
    for (int r = 1; r <= app.app->logStartArray.recordCount(); ++r)
        records += app.field(r, kFieldStart) + "-" + app.field(r, kFieldStop) + " ";
    EXPECT_EQ(records, "01:00:00:00-01:00:01:00 01:00:02:00-01:00:03:00 01:00:04:00-01:00:05:00 ");
    EXPECT_EQ(app.windows.statusText.value, "  01:00:05:00");
}

}  // namespace
