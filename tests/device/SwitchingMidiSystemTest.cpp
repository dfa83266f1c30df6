// The interface found on whichever MIDI system has it: JACK when its server answers, the
// ALSA sequencer otherwise, the one that lists the interface first, and a connection that
// follows a server going and coming back without a restart.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "platform/SwitchingMidiSystem.h"
#include "support/FakePlatform.h"

namespace {

using fake::Bytes;
using platform::kNoMidiObject;
using platform::MidiRef;

const Bytes kStatusSense{0xF0, 0x2C, 0x4D, 0x10, 0xF7};
const Bytes kLogAktivRead{0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};

class SwitchingMidi : public ::testing::Test {
protected:
    SwitchingMidi() {
        // Each system's interface answers at once with the logging state of `loggingState`.
        for (fake::MidiSystem* system : {&jack, &alsa}) {
            system->onSend = [this, system](const Bytes& m) {
                if (m == kLogAktivRead)
                    system->deliver({0xF0, 0x2C, 0x4D, 0x67, 0x00, loggingState.load(), 0xF7});
                if (m == kStatusSense)
                    system->deliver({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
            };
        }
    }

    // One scan step and what it sets going.
    void tick() {
        app.app->timer2Callback();
        for (int i = 0; i < 100; ++i) {
            app.app->waitForSends();
            app.mainThread.drain();
            app.timers.advance(std::chrono::milliseconds(10));
        }
        app.mainThread.drain();
    }
    // The JACK server stops: nothing listed, and what was connected leads nowhere.
    void stopJack() {
        jackAnswers = false;
        jack.devices.clear();
        jack.brokenPorts = jack.live;
    }
    bool connected() const { return app.app->midiOpenFlag == 1; }

    fake::MidiSystem jack, alsa;
    std::atomic<std::uint8_t> loggingState{0x01};
    bool jackAnswers = true;
    platform::SwitchingMidiSystem midi{
        {{"JACK", &jack, [this] { return jackAnswers; }}, {"ALSA", &alsa, {}}},
        [this](platform::MidiSystem& system, MidiRef destination) {
            return app.app->isInterface(system, destination);
        }};
    fake::App app{midi};
};

TEST_F(SwitchingMidi, JackWhenItAnswersElseAlsaTheOneListingTheInterfaceWinsAndAForcedOneRules) {
    struct Row {
        const char* what;
        bool jackAnswers;
        const char* onJack;  // model of the one device there, or null
        const char* onAlsa;
        std::optional<std::size_t> forced;
        const char* chosen;
    };
    const Row rows[] = {
        {"nothing anywhere, JACK answers", true, nullptr, nullptr, {}, "JACK"},
        {"no JACK server", false, nullptr, "synth", {}, "ALSA"},
        {"only ALSA has the interface", true, "synth", "vexa ", {}, "ALSA"},
        {"both have it: the one in use keeps it", true, "vexa ", "vexa ", {}, "ALSA"},
        {"only JACK has it", true, "vexa ", "synth", {}, "JACK"},
        {"both have it, JACK in use", true, "vexa ", "vexa ", {}, "JACK"},
        {"a silent JACK's leftovers count for nothing", false, "vexa ", nullptr, {}, "ALSA"},
        {"JACK forced, no server", false, nullptr, "vexa ", 0, "JACK"},
        {"ALSA forced", true, "vexa ", nullptr, 1, "ALSA"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        jack.devices.clear();
        alsa.devices.clear();
        if (row.onJack)
            jack.plug(row.onJack);
        if (row.onAlsa) {
            alsa.plug("Midi Through");
            alsa.plug(row.onAlsa);
        }
        jackAnswers = row.jackAnswers;
        midi.force(row.forced);
        const int count = midi.numberOfDestinations();
        EXPECT_EQ(midi.activeName(), row.chosen);
        EXPECT_EQ(count, midi.activeName() == "JACK" ? jack.numberOfDestinations()
                                                     : alsa.numberOfDestinations());
    }
    midi.force(7);
    EXPECT_EQ(midi.forced(), std::nullopt) << "no such system: chosen by itself";
}

TEST_F(SwitchingMidi, ReferencesStayWithTheirSystemAndNeverMixTwo) {
    jack.plug("vexa ");
    alsa.plug("vexa ");
    jackAnswers = false;
    ASSERT_EQ(midi.numberOfDestinations(), 1);
    const MidiRef alsaDestination = midi.destination(0);
    const MidiRef alsaOwn = alsa.devices[0].destination;
    MidiRef client = kNoMidiObject, out = kNoMidiObject;
    ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
    ASSERT_EQ(midi.outputPortCreate(client, "OuTpUt", out), 0);
    jackAnswers = true;
    alsa.devices.clear();
    ASSERT_EQ(midi.numberOfDestinations(), 1);
    ASSERT_EQ(midi.activeName(), "JACK");
    const MidiRef jackDestination = midi.destination(0);
    // The fakes number alike; the references handed out do not.
    ASSERT_EQ(jack.devices[0].destination, alsaOwn);
    EXPECT_NE(jackDestination, alsaDestination);
    EXPECT_EQ(midi.modelName(jackDestination), "vexa ");
    EXPECT_EQ(midi.destination(5), kNoMidiObject);
    EXPECT_EQ(midi.modelName(kNoMidiObject), std::nullopt);

    // The port made on ALSA still sends there, and only to ALSA's endpoints.
    midi.send(out, alsaDestination, platform::makeMidiPacketList(Bytes{0xF8}));
    midi.send(out, jackDestination, platform::makeMidiPacketList(Bytes{0xFA}));
    EXPECT_EQ(alsa.messages(), std::vector<Bytes>{{0xF8}});
    EXPECT_TRUE(jack.sent().empty());
    EXPECT_NE(midi.portConnectDestination(out, jackDestination), 0);
    EXPECT_EQ(midi.portConnectDestination(out, alsaDestination), 0);
    midi.portDispose(out);
    midi.clientDispose(client);
    EXPECT_TRUE(alsa.live.empty()) << "both went back to ALSA";
    EXPECT_TRUE(jack.calls.empty());
}

TEST_F(SwitchingMidi, AServerGoneAndBackIsFollowedWithoutARestartAndLoggingGoesOn) {
    jack.plug("vexa ");
    tick();
    ASSERT_TRUE(connected());
    EXPECT_EQ(jack.messages(), (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
    EXPECT_EQ(app.windows.cmbLogSelectVal.selected, 1);

    // The user picks manual logging.
    app.windows.cmbLogSelectVal.selected = 2;
    app.app->cmbLogSelect();

    // JACK stops; the interface is on the ALSA sequencer too, where it logs by itself:
    // connected there at the next step, the user's mode set again, its takes logged as before.
    alsa.plug("vexa ");
    stopJack();
    tick();
    ASSERT_TRUE(connected());
    EXPECT_EQ(midi.activeName(), "ALSA");
    EXPECT_TRUE(jack.live.empty()) << "the connection on the stopped server was let go";
    const Bytes off(app.app->messages.sysexLogAktivOff.begin(),
                    app.app->messages.sysexLogAktivOff.end());
    const std::vector<Bytes> toAlsa = alsa.messages();
    ASSERT_GE(toAlsa.size(), 3u);
    EXPECT_EQ(std::vector<Bytes>(toAlsa.begin(), toAlsa.begin() + 2),
              (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
    EXPECT_NE(std::find(toAlsa.begin(), toAlsa.end(), off), toAlsa.end());
    EXPECT_EQ(app.windows.cmbLogSelectVal.selected, 2);
    EXPECT_TRUE(app.windows.btnLogManualVal.enabled);
    alsa.deliver({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00, 0xF7});
    alsa.deliver({0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x0A, 0x00, 0x05, 0x00, 0xF7});
    app.mainThread.drain();
    EXPECT_EQ(app.field(1, kFieldStart) + "-" + app.field(1, kFieldStop),
              "10:00:00:00-10:00:05:00");

    // JACK back with the interface: the working connection stays where it is.
    jackAnswers = true;
    jack.brokenPorts.clear();
    jack.plug("vexa ");
    const std::size_t alsaCalls = alsa.calls.size();
    tick();
    EXPECT_EQ(alsa.calls.size(), alsaCalls);
    EXPECT_TRUE(jack.live.empty());

    // Unplugged from ALSA: found on JACK again, asked and sensed.
    jack.clearSent();
    alsa.devices.clear();
    alsa.brokenPorts = alsa.live;
    tick();
    ASSERT_TRUE(connected());
    EXPECT_EQ(midi.activeName(), "JACK");
    const std::vector<Bytes> toJack = jack.messages();
    ASSERT_GE(toJack.size(), 3u);
    EXPECT_EQ(std::vector<Bytes>(toJack.begin(), toJack.begin() + 3),
              (std::vector<Bytes>{kLogAktivRead, kStatusSense, off}));
    EXPECT_TRUE(alsa.live.empty());

    // Neither: not found.
    stopJack();
    tick();
    EXPECT_FALSE(connected());
    EXPECT_EQ(app.windows.statusText.value, "  not found");
}

TEST_F(SwitchingMidi, APickedPortIsTheInterfaceOnWhicheverSystemCarriesIt) {
    jack.plug("vexa ");
    alsa.plug("vexa ");
    alsa.plug("Patchbay");
    alsa.portNames[alsa.devices[1].destination] = "Patchbay:Out 3 28:2";
    app.app->interfacePort = "Patchbay:Out 3 28:2";
    tick();
    ASSERT_TRUE(connected());
    EXPECT_EQ(midi.activeName(), "ALSA") << "JACK answers, but lists no such port";
    EXPECT_TRUE(jack.calls.empty());
    ASSERT_FALSE(alsa.sent().empty());
    EXPECT_EQ(alsa.sent()[0].destination, alsa.devices[1].destination);

    // The name no longer there: not found, though a client called "vexa " is.
    alsa.devices.pop_back();
    tick();
    EXPECT_FALSE(connected());
    EXPECT_EQ(app.windows.statusText.value, "  not found");

    // The pick undone: found by its name again.
    app.app->interfacePort.clear();
    tick();
    EXPECT_TRUE(connected());
}

}  // namespace
