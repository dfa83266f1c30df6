// The program's whole MIDI path over JACK: the controller finds the virtual interface, senses
// it, logs from it and drives its machine, through the MIDI system on libjack.

#include <gtest/gtest.h>

#include <mutex>

#include "loglist/Timecode.h"
#include "midi/JackServer.h"
#include "platform/midi/JackMidiSystem.h"
#include "support/FakePlatform.h"
#include "support/RealTimePump.h"
#include "vexasim/JackVirtualInterface.h"

namespace jacktest {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using vexasim::JackVirtualInterface;

template <std::size_t N>
Bytes bytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

TEST(ControllerOverJack, ConnectsSensesLogsDrivesTheMachineAndNoticesTheUnplug) {
    REQUIRE_JACK_SERVER();

    // The start timecode of every log the interface reports, as it leaves the interface.
    std::mutex mutex;
    std::vector<std::string> logStarts;
    JackVirtualInterface::Options options;
    options.onSending = [&](JackVirtualInterface::Message m) {
        if (m.size() == 11 && m[0] == 0xF0 && m[3] == 0x67 && m[4] == 0x01) {
            std::lock_guard lock(mutex);
            logStarts.push_back(timecode::format(m[5], m[6], m[7], m[8]));
        }
    };
    std::string error;
    auto sim = JackVirtualInterface::open(std::move(options), &error);
    ASSERT_TRUE(sim) << error;
    sim->driver().withInterface([](vexasim::SimulatedInterface& s) { s.setAutoLogTiming(5, 2); });

    platform::midi::JackMidiSystem midi;
    fake::App app(midi);
    fake::Windows& w = app.windows;
    auto& c = *app.app;
    w.btnEditPlayVal.enabled = false;

    c.timer2Callback();
    ASSERT_TRUE(fake::pumpUntil(app, [&] { return w.btnEditPlayVal.enabled; }))
        << "status line: " << w.statusText.value;
    EXPECT_EQ(c.midiOpenFlag, 1);
    EXPECT_TRUE(w.cmbLogSelectVal.enabled);
    EXPECT_EQ(w.cmbLogSelectVal.selected, 0);
    ASSERT_TRUE(fake::pumpUntil(app, [&] { return w.statusText.value.starts_with("  10:00:0"); }))
        << "running timecode never reached the status line: " << w.statusText.value;

    // Logging on: the interface's logs become records, with its own start timecodes.
    w.cmbLogSelectVal.selected = 1;
    c.cmbLogSelect();
    ASSERT_TRUE(fake::pumpUntil(app, [&] {
        return c.logStartArray.recordCount() >= 3 && !app.field(3, kFieldStop).empty();
    }));
    w.cmbLogSelectVal.selected = 0;
    c.cmbLogSelect();
    fake::pumpFor(app, 150ms);
    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(static_cast<std::size_t>(c.logStartArray.recordCount()), logStarts.size());
        for (int r = 1; r <= c.logStartArray.recordCount(); ++r) {
            SCOPED_TRACE(r);
            EXPECT_EQ(app.field(r, kFieldNumber), std::to_string(r));
            EXPECT_EQ(app.field(r, kFieldStart), logStarts[static_cast<std::size_t>(r - 1)]);
            EXPECT_GT(app.field(r, kFieldStop), app.field(r, kFieldStart));
        }
    }

    // The machine: locate and stop reach the interface byte for byte and take effect.
    c.messages.patchLocate("11:02:03:04", c.mmcFpsAddWert);
    c.send(c.messages.sysexMmcStop);
    c.send(c.messages.sysexMmcSetGen);
    c.send(c.messages.sysexMmcLocate);
    c.waitForSends();
    const Bytes locate = {0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01,
                          0x2B, 0x02, 0x03, 0x04, 0x00, 0xF7};
    ASSERT_TRUE(fake::pumpUntil(app, [&] { return w.statusText.value == "  11:02:03:04"; }))
        << w.statusText.value;
    const auto received = sim->driver().withInterface(
        [](vexasim::SimulatedInterface& s) { return s.receivedMessages(); });
    EXPECT_EQ(collapseRepeats(received),
              (std::vector<Bytes>{
                  bytes(c.messages.sysexLogAktivRead), bytes(c.messages.sysexStatusSense),
                  bytes(c.messages.sysexLogAktivOn), bytes(c.messages.sysexLogFailedFrameOff),
                  bytes(c.messages.sysexLogAktivOff), bytes(c.messages.sysexLogFailedFrameOff),
                  bytes(c.messages.sysexMmcStop), bytes(c.messages.sysexMmcSetGen), locate}));
    const bool playing =
        sim->driver().withInterface([](vexasim::SimulatedInterface& s) { return s.playing(); });
    EXPECT_FALSE(playing);

    // Unplugged: the next step notices, closes and says so.
    sim.reset();
    c.timer2Callback();
    fake::pumpFor(app, 50ms);
    EXPECT_EQ(w.statusText.value, "  not found");
    EXPECT_FALSE(w.btnEditPlayVal.enabled);
    EXPECT_EQ(c.midiOpenFlag, 0);
}

}  // namespace
}  // namespace jacktest
