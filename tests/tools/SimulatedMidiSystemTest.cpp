// The in-process MIDI system of the demo: one vexa device on the wall clock, reached through
// the same MIDI calls as a real one.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "support/FakePlatform.h"
#include "support/RealTimePump.h"
#include "vexasim/SimulatedMidiSystem.h"

namespace {

using namespace std::chrono_literals;
using platform::kNoMidiObject;
using platform::MidiRef;
using vexasim::SimulatedMidiSystem;
using Bytes = std::vector<std::uint8_t>;

std::atomic<int> g_deliveries{0};
void countingReadProc(std::span<const std::uint8_t>, void* portContext, void* sourceContext) {
    EXPECT_EQ(portContext, nullptr);
    EXPECT_EQ(sourceContext, nullptr);
    ++g_deliveries;
}

std::vector<Bytes> received(SimulatedMidiSystem& midi) {
    return midi.driver().withInterface(
        [](vexasim::SimulatedInterface& sim) { return sim.receivedMessages(); });
}

TEST(SimulatedMidiSystem, ListsOneVexaDeviceWithItsSource) {
    SimulatedMidiSystem midi({.startClock = false});
    ASSERT_EQ(midi.numberOfDestinations(), 1);
    const MidiRef destination = midi.destination(0);
    EXPECT_EQ(midi.modelName(destination), "vexa ");
    EXPECT_EQ(midi.destination(1), kNoMidiObject);
    EXPECT_EQ(midi.destination(-1), kNoMidiObject);
    const MidiRef source = midi.sourceOfDevice(destination);
    EXPECT_NE(source, kNoMidiObject);
    EXPECT_EQ(midi.modelName(source), "vexa ");
    EXPECT_EQ(midi.sourceOfDevice(source), kNoMidiObject);
    EXPECT_EQ(midi.modelName(kNoMidiObject), std::nullopt);
}

TEST(SimulatedMidiSystem, PortsCarryTrafficOnlyWhileTheyExist) {
    SimulatedMidiSystem midi;
    const MidiRef destination = midi.destination(0);
    const MidiRef source = midi.sourceOfDevice(destination);
    MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
    ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
    ASSERT_EQ(midi.outputPortCreate(client, "OuTpUt", out), 0);
    ASSERT_EQ(midi.inputPortCreate(client, "InPut", countingReadProc, in), 0);
    EXPECT_NE(midi.portConnectSource(in, destination), 0);
    EXPECT_NE(midi.portConnectSource(out, source), 0);
    EXPECT_NE(midi.outputPortCreate(client + 1000, "x", out), 0);

    // Not connected yet: the running timecode reaches nobody.
    g_deliveries = 0;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(g_deliveries.load(), 0);
    ASSERT_EQ(midi.portConnectSource(in, source), 0);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (g_deliveries.load() < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_GE(g_deliveries.load(), 4);

    const Bytes play = {0xF0, 0x7F, 0x7F, 0x06, 0x02, 0xF7};
    const Bytes stop = {0xF0, 0x7F, 0x7F, 0x06, 0x01, 0xF7};
    midi.send(out, destination, platform::makeMidiPacketList(stop));
    midi.send(out, source, platform::makeMidiPacketList(play));
    midi.send(in, destination, platform::makeMidiPacketList(play));
    EXPECT_EQ(received(midi), std::vector<Bytes>{stop});
    EXPECT_FALSE(midi.driver().withInterface([](auto& sim) { return sim.playing(); }));

    // Gone with its client: no delivery once the dispose has returned, no send through it.
    midi.send(out, destination, platform::makeMidiPacketList(play));
    midi.clientDispose(client);
    const int atDispose = g_deliveries.load();
    midi.send(out, destination, platform::makeMidiPacketList(stop));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(g_deliveries.load(), atDispose);
    EXPECT_EQ(received(midi), (std::vector<Bytes>{stop, play}));
    EXPECT_NE(midi.portConnectSource(in, source), 0);
    midi.portDispose(out);
    midi.clientDispose(client);
}

// The demo's path: the controller finds the simulated interface, senses it, and logs from it.
TEST(SimulatedMidiSystem, TheControllerConnectsSensesAndLogsAutomaticallyAndByHand) {
    SimulatedMidiSystem midi;
    midi.driver().withInterface([](vexasim::SimulatedInterface& sim) {
        sim.setAutoLogTiming(5, 2);  // a short log every fifth of a second
    });
    fake::App app(midi);
    fake::Windows& w = app.windows;
    w.btnEditPlayVal.enabled = false;

    app.app->timer2Callback();
    ASSERT_TRUE(fake::pumpUntil(app, [&] { return w.btnEditPlayVal.enabled; }));
    EXPECT_EQ(app.app->midiOpenFlag, 1);
    EXPECT_TRUE(w.cmbLogSelectVal.enabled);
    EXPECT_EQ(w.cmbLogSelectVal.selected, 0);  // the interface reported its logging as off
    // The running timecode reaches the status line.
    ASSERT_TRUE(fake::pumpUntil(app, [&] { return w.statusText.value.starts_with("  10:00:"); }));

    w.cmbLogSelectVal.selected = 1;
    app.app->cmbLogSelect();
    ASSERT_TRUE(fake::pumpUntil(app, [&] {
        return app.app->logStartArray.recordCount() >= 3 && !app.field(3, kFieldStop).empty();
    }));
    w.cmbLogSelectVal.selected = 2;
    app.app->cmbLogSelect();
    EXPECT_TRUE(w.btnLogManualVal.enabled);
    // The log under way when the mode changed runs to its end; manual mode cuts nothing short.
    ASSERT_TRUE(fake::pumpUntil(app, [&] {
        const int n = app.app->logStartArray.recordCount();
        return !app.field(n, kFieldStop).empty();
    }));
    const int automatic = app.app->logStartArray.recordCount();
    for (int r = 1; r <= automatic; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(app.field(r, kFieldNumber), std::to_string(r));
        EXPECT_GE(app.field(r, kFieldStart), "10:00:00:00");
        EXPECT_GT(app.field(r, kFieldStop), app.field(r, kFieldStart));
        if (r > 1) {
            EXPECT_GT(app.field(r, kFieldStart), app.field(r - 1, kFieldStop));
        }
    }

    app.app->btnLogManual();
    ASSERT_TRUE(fake::pumpUntil(
        app, [&] { return app.app->logStartArray.recordCount() == automatic + 1; }));
    EXPECT_EQ(app.field(automatic + 1, kFieldStop), "");
    app.app->btnLogManualStop();
    ASSERT_TRUE(
        fake::pumpUntil(app, [&] { return !app.field(automatic + 1, kFieldStop).empty(); }));

    const auto& m = app.app->messages;
    EXPECT_EQ(received(midi),
              (std::vector<Bytes>{
                  Bytes(m.sysexLogAktivRead.begin(), m.sysexLogAktivRead.end()),
                  Bytes(m.sysexStatusSense.begin(), m.sysexStatusSense.end()),
                  Bytes(m.sysexLogAktivOn.begin(), m.sysexLogAktivOn.end()),
                  Bytes(m.sysexLogFailedFrameOff.begin(), m.sysexLogFailedFrameOff.end()),
                  Bytes(m.sysexLogAktivOff.begin(), m.sysexLogAktivOff.end()),
                  Bytes(m.sysexLogFailedFrameOff.begin(), m.sysexLogFailedFrameOff.end()),
                  Bytes(m.sysexLogManualStart.begin(), m.sysexLogManualStart.end()),
                  Bytes(m.sysexLogManualStop.begin(), m.sysexLogManualStop.end()),
              }));
}

}  // namespace
