// Finding, connecting, sensing and losing the interface, with a scriptable MIDI system.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;
using std::chrono::milliseconds;

const Bytes kStatusSense{0xF0, 0x2C, 0x4D, 0x10, 0xF7};
const Bytes kLogAktivRead{0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};

class ConnectionLifecycle : public ::testing::Test {
protected:
    // The interface answers the sense after `replyAfter` of waiting (never when negative).
    void interfaceAnswers(milliseconds replyAfter = milliseconds(0)) {
        app.midi.onSend = [this, replyAfter](const Bytes& m) {
            if (m == kLogAktivRead)
                app.midi.deliver({0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x01, 0xF7});
            if (m == kStatusSense && replyAfter.count() == 0)
                app.midi.deliver({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
        };
        m_lateReply = replyAfter;
    }
    void interfaceSilent() {
        app.midi.onSend = nullptr;
        m_lateReply = milliseconds(-1);
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
            if (m_lateReply.count() > 0 && t == m_lateReply &&
                app.midi.connectedSource != platform::kNoMidiObject)
                app.midi.deliver({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
            app.timers.advance(milliseconds(10));
        }
        app.mainThread.drain();
    }

    fake::App app;
    milliseconds m_lateReply{-1};
};

TEST_F(ConnectionLifecycle, NoInterfaceShowsNotFoundEveryStepAndSendsNothing) {
    app.midi.plug("Vexa ");
    app.midi.plug("vexa");
    app.midi.plug("vexa x");
    app.midi.plug(std::nullopt);
    for (int i = 0; i < 3; ++i) {
        app.windows.statusText.value = "  something else";
        tick();
        EXPECT_EQ(app.windows.statusText.value, "  not found");
        EXPECT_EQ(app.app->devicenr, 99);
    }
    EXPECT_TRUE(app.midi.sent().empty());
    EXPECT_TRUE(app.midi.calls.empty()) << "no client was even created";
}

TEST_F(ConnectionLifecycle, AnsweringInterfaceIsConnectedAndSensedOnce) {
    app.midi.plug("Other synth");
    app.midi.plug("vexa ");
    app.midi.plug("vexa  ");
    interfaceAnswers();
    app.windows.btnEditPlayVal.enabled = false;
    tick();
    EXPECT_EQ(app.app->devicenr, 1);
    EXPECT_EQ(app.app->midiOpenFlag, 1);
    EXPECT_TRUE(app.windows.btnEditPlayVal.enabled);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");
    EXPECT_EQ(app.windows.cmbLogSelectVal.selected, 1) << "the logging state came back";
    EXPECT_EQ(app.midi.connectedSource, app.midi.devices[1].source);
    const auto sent = app.midi.messages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], kLogAktivRead);
    EXPECT_EQ(sent[1], kStatusSense);
    EXPECT_EQ(app.midi.sent()[0].destination, app.midi.devices[1].destination);

    // Further steps leave a connected interface alone.
    app.windows.statusText.value = "  01:00:00:00";
    tick();
    tick();
    EXPECT_EQ(app.midi.messages().size(), 2u);
    EXPECT_EQ(app.windows.statusText.value, "  01:00:00:00");
    EXPECT_EQ(app.midi.calls.size(), 5u) << "client, two ports and both connections, once";
    EXPECT_EQ(app.midi.calls[4],
              "connect destination " + std::to_string(app.midi.devices[1].destination))
        << "the way out is open before the first message";
}

TEST_F(ConnectionLifecycle, ALateButTimelyAnswerStillConnects) {
    app.midi.plug("vexa ");
    interfaceAnswers(milliseconds(300));
    tick();
    EXPECT_EQ(app.app->midiOpenFlag, 1);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");
}

TEST_F(ConnectionLifecycle, SilentInterfaceIsClosedAndRetriedEveryStep) {
    app.midi.plug("vexa ");
    interfaceSilent();
    app.windows.btnEditPlayVal.enabled = true;
    tick();
    EXPECT_EQ(app.windows.statusText.value, "  Error 01");
    EXPECT_EQ(app.app->midiOpenFlag, 0);
    EXPECT_FALSE(app.windows.btnEditPlayVal.enabled);
    EXPECT_TRUE(app.midi.live.empty()) << "client and ports disposed";
    EXPECT_EQ(app.app->midiout, platform::kNoMidiObject);
    EXPECT_EQ(app.app->midiin, platform::kNoMidiObject);
    EXPECT_EQ(app.app->midiclient, platform::kNoMidiObject);

    tick();
    EXPECT_EQ(app.midi.messages().size(), 4u) << "the whole handshake again";
    EXPECT_EQ(app.windows.statusText.value, "  Error 01");

    // A reply after the handshake gave up does not revive the connection.
    interfaceAnswers(milliseconds(700));
    tick();
    EXPECT_EQ(app.app->midiOpenFlag, 0);
    interfaceAnswers();
    tick();
    EXPECT_EQ(app.app->midiOpenFlag, 1);
}

TEST_F(ConnectionLifecycle, UnpluggedInterfaceIsClosedAndFoundAgainWhenItReturns) {
    app.midi.plug("Other synth");
    app.midi.plug("vexa ");
    interfaceAnswers();
    tick();
    ASSERT_EQ(app.app->midiOpenFlag, 1);

    app.midi.unplug(1);
    tick();
    EXPECT_EQ(app.windows.statusText.value, "  not found");
    EXPECT_FALSE(app.windows.btnEditPlayVal.enabled);
    EXPECT_EQ(app.app->midiOpenFlag, 0);
    EXPECT_TRUE(app.midi.live.empty());
    // A second close disposes nothing twice.
    const auto callsBefore = app.midi.calls.size();
    app.app->closeMidi();
    EXPECT_EQ(app.midi.calls.size(), callsBefore);

    app.midi.plug("vexa ");
    tick();
    EXPECT_EQ(app.app->midiOpenFlag, 1);
    EXPECT_EQ(app.midi.connectedSource, app.midi.devices[1].source);
}

TEST_F(ConnectionLifecycle, ABrokenConnectionToAListedInterfaceIsOpenedAfreshAtTheNextStep) {
    app.midi.plug("vexa ");
    interfaceAnswers();
    tick();
    ASSERT_EQ(app.app->midiOpenFlag, 1);
    // Gone and back between two steps, in either direction: the same name, a dead connection.
    for (const bool input : {true, false}) {
        SCOPED_TRACE(input ? "input" : "output");
        const platform::MidiRef oldClient = app.app->midiclient;
        app.midi.brokenPorts.insert(input ? app.app->midiin : app.app->midiout);
        app.midi.clearSent();
        tick();
        EXPECT_EQ(app.app->midiOpenFlag, 1);
        EXPECT_EQ(app.midi.live.count(oldClient), 0u) << "the old connection was closed";
        EXPECT_EQ(app.midi.messages(), (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
        EXPECT_TRUE(app.windows.btnEditPlayVal.enabled);
    }
}

TEST_F(ConnectionLifecycle, TwoInterfacesTheLastOneIsUsedForBothDirections) {
    app.midi.plug("vexa ");
    app.midi.plug("Other synth");
    app.midi.plug("vexa ");
    interfaceAnswers();
    tick();
    EXPECT_EQ(app.app->devicenr, 2);
    EXPECT_EQ(app.app->dest, app.midi.devices[2].destination);
    EXPECT_EQ(app.midi.connectedSource, app.midi.devices[2].source);
}

TEST_F(ConnectionLifecycle, ChaseModeKeepsPlayDisabledOnConnect) {
    app.midi.plug("vexa ");
    interfaceAnswers();
    app.windows.chkEditChaseModeVal.on = true;
    app.windows.btnEditPlayVal.enabled = false;
    tick();
    EXPECT_EQ(app.app->midiOpenFlag, 1);
    EXPECT_FALSE(app.windows.btnEditPlayVal.enabled);
}

TEST_F(ConnectionLifecycle, EveryFailedOpeningStepDisposesWhatWasMadeAndRetries) {
    const std::pair<const char*, int> steps[] = {
        {"client", 1}, {"output", 2}, {"input", 3}, {"connect", 5}, {"destination", 6}};
    for (const auto& [step, code] : steps) {
        SCOPED_TRACE(step);
        fake::App a;
        a.midi.plug("vexa ");
        a.midi.failing = step;
        a.app->devicenr = 0;
        EXPECT_EQ(a.app->openMidi(), code);
        EXPECT_EQ(a.app->midiOpenFlag, 0);
        EXPECT_TRUE(a.midi.live.empty());
        EXPECT_EQ(a.app->midiout, platform::kNoMidiObject);
        EXPECT_EQ(a.app->midiin, platform::kNoMidiObject);
        EXPECT_EQ(a.app->midiclient, platform::kNoMidiObject);
        const auto calls = a.midi.calls.size();
        a.app->closeMidi();
        EXPECT_EQ(a.midi.calls.size(), calls) << "nothing is disposed twice";

        // Through the timer: the status line keeps its text, Play is disabled, nothing sent.
        a.windows.statusText.value = "  earlier";
        a.windows.btnEditPlayVal.enabled = true;
        a.app->timer2Callback();
        a.mainThread.drain();
        EXPECT_EQ(a.windows.statusText.value, "  earlier");
        EXPECT_FALSE(a.windows.btnEditPlayVal.enabled);
        a.app->waitForSends();
        EXPECT_TRUE(a.midi.sent().empty());
    }
}

TEST_F(ConnectionLifecycle, DeviceWithoutASourceIsNotConnected) {
    app.midi.plug("vexa ", false);
    app.app->devicenr = 0;
    EXPECT_EQ(app.app->openMidi(), 4);
    EXPECT_TRUE(app.midi.live.empty());
    app.app->devicenr = 5;
    EXPECT_EQ(app.app->openMidi(), 6);
}

TEST_F(ConnectionLifecycle, SenseWithoutConnectionSendsNothing) {
    int result = -1;
    app.app->vexaSense([&result](int r) { result = r; });
    EXPECT_EQ(result, 1);
    app.app->waitForSends();
    EXPECT_TRUE(app.midi.sent().empty());
}

TEST_F(ConnectionLifecycle, UnplugDuringTheHandshakeLeavesItClosed) {
    app.midi.plug("vexa ");
    interfaceSilent();
    app.app->timer2Callback();
    app.app->waitForSends();
    app.mainThread.drain();
    app.midi.unplug(0);
    app.app->timer2Callback();  // finds nothing and closes
    EXPECT_EQ(app.windows.statusText.value, "  not found");
    settle(milliseconds(1000));
    EXPECT_EQ(app.app->midiOpenFlag, 0);
    EXPECT_TRUE(app.midi.live.empty());
}

}  // namespace
