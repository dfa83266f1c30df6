// Finding, connecting, sensing and losing the interface, with a scriptable MIDI system.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;
using std::chrono::milliseconds;

const Bytes kStatusSense{0xF0, 0x2C, 0x4D, 0x10, 0xF7};
const Bytes kLogAktivRead{0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
constexpr milliseconds kNever{-1};

// The interface answers the question for its logging state at once, and the sense after
// `replyAfter` while it is connected.
class ConnectionLifecycle : public ::testing::Test {
protected:
    ConnectionLifecycle() {
        app.midi.onSend = [this](const Bytes& m) {
            if (m == kLogAktivRead)
                app.midi.deliver({0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x01, 0xF7});
            if (m == kStatusSense)
                asked = true;
        };
    }

    // One timer step and everything it sets going: the sends, the work they hand to the main
    // thread, and the handshake's waits, until `span` of virtual time has passed.
    void tick(milliseconds span = milliseconds(1000)) {
        app.app->timer2Callback();
        settle(span);
    }
    void settle(milliseconds span) {
        for (milliseconds t{0}; t < span; t += milliseconds(10)) {
            app.app->waitForSends();
            app.mainThread.drain();
            if (t == replyAfter && asked.exchange(false) &&
                app.midi.connectedSource != platform::kNoMidiObject)
                app.midi.deliver({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
            app.timers.advance(milliseconds(10));
        }
        app.mainThread.drain();
    }
    fake::App app;
    milliseconds replyAfter{0};
    std::atomic<bool> asked = false;
};

TEST_F(ConnectionLifecycle, TheLastDeviceNamedExactlyAsTheInterfaceIsConnectedAndSensedOnce) {
    for (const char* name : {"Vexa ", "vexa", "vexa x", "vexa  "}) app.midi.plug(name);
    app.midi.plug(std::nullopt);
    tick();
    EXPECT_EQ(app.windows.statusText.value, "  not found");
    EXPECT_TRUE(app.midi.calls.empty()) << "no client was even created";

    for (const char* name : {"vexa ", "Other synth", "vexa "}) app.midi.plug(name);
    tick();
    EXPECT_EQ(app.app->midiOpenFlag, 1);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");
    EXPECT_EQ(app.windows.cmbLogSelectVal.selected, 1) << "the logging state came back";
    EXPECT_EQ(app.midi.connectedSource, app.midi.devices[7].source);
    EXPECT_EQ(app.midi.messages(), (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
    EXPECT_EQ(app.midi.sent()[0].destination, app.midi.devices[7].destination);

    // Further steps leave a connected interface alone.
    tick();
    EXPECT_EQ(app.midi.messages().size(), 2u);
    ASSERT_EQ(app.midi.calls.size(), 5u) << "client, two ports and both connections, once";
    EXPECT_EQ(app.midi.calls[4],
              "connect destination " + std::to_string(app.midi.devices[7].destination))
        << "the way out is open before the first message";
}

// The interface stays plugged in: a failed handshake is retried at the next step, and a
// connection that was made is closed before the next row.
TEST_F(ConnectionLifecycle, TheHandshakeEndsByTheAnswerItsTimeAndTheChaseMode) {
    // Name, when the answer comes, chase mode; the status line, connected, Play enabled.
    const std::tuple<const char*, milliseconds, bool, const char*, bool, bool> cases[] = {
        {"answer after the handshake gave up", milliseconds(700), false, "  Error 01", false,
         false},
        {"late but timely answer", milliseconds(300), false, "  2.1", true, true},
        {"answer in chase mode, Play stays off", milliseconds(0), true, "  2.1", true, false},
    };
    app.midi.plug("vexa ");
    for (const auto& [name, reply, chase, status, open, play] : cases) {
        SCOPED_TRACE(name);
        app.app->closeMidi();
        app.midi.clearSent();
        replyAfter = reply;
        app.windows.chkEditChaseModeVal.on = chase;
        app.windows.btnEditPlayVal.enabled = !open;
        tick();
        EXPECT_EQ(app.midi.messages(), (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
        EXPECT_EQ(app.windows.statusText.value, status);
        EXPECT_EQ(app.app->midiOpenFlag, open ? 1 : 0);
        EXPECT_EQ(app.windows.btnEditPlayVal.enabled, play);
        EXPECT_EQ(app.midi.live.empty(), !open) << "client and ports disposed";
    }
}

TEST_F(ConnectionLifecycle, AnInterfaceUnpluggedOrReconnectedUnderneathIsOpenedAfresh) {
    app.midi.plug("Other synth");
    app.midi.plug("vexa ");
    replyAfter = milliseconds(0);
    tick();
    ASSERT_EQ(app.app->midiOpenFlag, 1);
    // Gone and back between two steps, in either direction: the same name, a dead connection.
    for (const bool input : {true, false}) {
        SCOPED_TRACE(input ? "input" : "output");
        const platform::MidiRef oldClient = app.app->midiclient;
        app.midi.brokenPorts.insert(input ? app.app->midiin : app.app->midiout);
        app.midi.clearSent();
        tick();
        EXPECT_EQ(app.midi.live.count(oldClient), 0u) << "the old connection was closed";
        EXPECT_EQ(app.midi.messages(), (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
        EXPECT_TRUE(app.windows.btnEditPlayVal.enabled);
    }

    // Pulled out while a new handshake waits for its answer: the handshake ends quietly.
    app.app->closeMidi();
    replyAfter = kNever;
    app.app->timer2Callback();
    app.app->waitForSends();
    app.midi.unplug(1);
    app.app->timer2Callback();
    EXPECT_EQ(app.windows.statusText.value, "  not found");
    settle(milliseconds(1000));
    EXPECT_EQ(app.app->midiOpenFlag, 0);
    EXPECT_FALSE(app.windows.btnEditPlayVal.enabled);
    EXPECT_TRUE(app.midi.live.empty()) << "client and ports disposed";
}

TEST(ConnectionOpening, EveryFailedStepDisposesWhatWasMadeAndSendsNothing) {
    const std::pair<const char*, bool> steps[] = {
        {"client", true},  {"output", true},      {"input", true},
        {"connect", true}, {"destination", true}, {"none: the device has no source", false}};
    for (const auto& [step, withSource] : steps) {
        SCOPED_TRACE(step);
        fake::App a;
        a.midi.plug("vexa ", withSource);
        a.midi.failing = step;
        a.windows.btnEditPlayVal.enabled = true;
        a.app->timer2Callback();
        a.app->waitForSends();
        a.mainThread.drain();
        EXPECT_EQ(a.app->midiOpenFlag, 0);
        EXPECT_FALSE(a.windows.btnEditPlayVal.enabled);
        EXPECT_TRUE(a.midi.sent().empty());
        EXPECT_TRUE(a.midi.live.empty());
        const auto calls = a.midi.calls.size();
        a.app->closeMidi();
        EXPECT_EQ(a.midi.calls.size(), calls) << "nothing is disposed twice";
    }
}

}  // namespace
