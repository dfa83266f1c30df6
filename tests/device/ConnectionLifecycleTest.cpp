// Finding, connecting, sensing and losing the interface, on one MIDI system or a choice of two.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/SwitchingMidiSystem.h"
#include "platform/fake/FakePlatform.h"

namespace {

using fake::Bytes;
using platform::kNoMidiObject;
using platform::MidiRef;
using std::chrono::milliseconds;

const Bytes kStatusSense{0xF0, 0x2C, 0x4D, 0x10, 0xF7};
const Bytes kLogAktivRead{0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
constexpr milliseconds kNever{-1};

// The controller over the program's choice between `jack` and `alsa`. On each the interface
// says at once that it logs, and answers the sense after `replyAfter` while connected.
class ConnectionLifecycle : public ::testing::Test {
protected:
    ConnectionLifecycle() {
        for (fake::MidiSystem* system : {&jack, &alsa}) {
            system->onSend = [this, system](const Bytes& m) {
                if (m == kLogAktivRead)
                    system->deliver({0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x01, 0xF7});
                if (m == kStatusSense)
                    asked = system;
            };
        }
    }

    // One timer step and all it sets going, until `span` of virtual time has passed.
    void tick(milliseconds span = milliseconds(1000)) {
        app.app->timer2Callback();
        settle(span);
    }
    void settle(milliseconds span) {
        for (milliseconds t{0}; t < span; t += milliseconds(10)) {
            app.app->waitForSends();
            app.mainThread.drain();
            fake::MidiSystem* system = t == replyAfter ? asked.exchange(nullptr) : nullptr;
            if (system != nullptr && system->connectedSource != kNoMidiObject)
                system->deliver({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
            app.timers.advance(milliseconds(10));
        }
        app.mainThread.drain();
    }
    bool connected() const { return app.app->midiOpenFlag == 1; }

    fake::MidiSystem jack, alsa;
    bool jackAnswers = true;
    platform::SwitchingMidiSystem midi{
        {{"JACK", &jack, [this] { return jackAnswers; }}, {"ALSA", &alsa, {}}},
        [this](platform::MidiSystem& system, MidiRef destination) {
            return app.app->isInterface(system, destination);
        }};
    fake::App app{midi};
    milliseconds replyAfter{0};
    std::atomic<fake::MidiSystem*> asked = nullptr;
};

TEST_F(ConnectionLifecycle, TheLastDeviceNamedExactlyAsTheInterfaceIsConnectedAndSensedOnce) {
    for (const char* name : {"Vexa ", "vexa", "vexa x", "vexa  "}) jack.plug(name);
    jack.plug(std::nullopt);
    tick();
    EXPECT_EQ(app.windows.statusText.value, "  not found");
    EXPECT_TRUE(jack.calls.empty()) << "no client was even created";

    for (const char* name : {"vexa ", "Other synth", "vexa "}) jack.plug(name);
    tick();
    EXPECT_EQ(app.app->midiOpenFlag, 1);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");
    EXPECT_EQ(app.windows.cmbLogSelectVal.selected, 1) << "the logging state came back";
    EXPECT_EQ(jack.connectedSource, jack.devices[7].source);
    EXPECT_EQ(jack.messages(), (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
    EXPECT_EQ(jack.sent()[0].destination, jack.devices[7].destination);

    // Further steps leave a connected interface alone.
    tick();
    EXPECT_EQ(jack.messages().size(), 2u);
    ASSERT_EQ(jack.calls.size(), 5u) << "client, two ports and both connections, once";
    EXPECT_EQ(jack.calls[4], "connect destination " + std::to_string(jack.devices[7].destination))
        << "the way out is open before the first message";
}

// A failed handshake is retried at the next step; a connection made is closed before the next.
TEST_F(ConnectionLifecycle, TheHandshakeEndsByTheAnswerItsTimeAndTheChaseMode) {
    // Name, when the answer comes, chase mode; the status line, connected, Play enabled.
    const std::tuple<const char*, milliseconds, bool, const char*, bool, bool> cases[] = {
        {"answer after the handshake ended", milliseconds(700), false, "  Error 01", false, false},
        {"late but timely answer", milliseconds(300), false, "  2.1", true, true},
        {"answer at the handshake's last look", milliseconds(490), false, "  2.1", true, true},
        {"answer in chase mode, Play stays off", milliseconds(0), true, "  2.1", true, false},
    };
    jack.plug("vexa ");
    for (const auto& [name, reply, chase, status, open, play] : cases) {
        SCOPED_TRACE(name);
        app.app->closeMidi();
        jack.clearSent();
        replyAfter = reply;
        app.windows.chkEditChaseModeVal.on = chase;
        app.windows.btnEditPlayVal.enabled = !open;
        tick();
        EXPECT_EQ(jack.messages(), (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
        EXPECT_EQ(app.windows.statusText.value, status);
        EXPECT_EQ(app.app->midiOpenFlag, open ? 1 : 0);
        EXPECT_EQ(app.windows.btnEditPlayVal.enabled, play);
        EXPECT_EQ(jack.live.empty(), !open) << "client and ports disposed";
    }
}

TEST_F(ConnectionLifecycle, AnInterfaceUnpluggedOrReconnectedUnderneathIsOpenedAfresh) {
    jack.plug("Other synth");
    jack.plug("vexa ");
    replyAfter = milliseconds(0);
    tick();
    ASSERT_EQ(app.app->midiOpenFlag, 1);
    // Gone and back between two steps, in either direction: the same name, a dead connection.
    for (const bool input : {true, false}) {
        SCOPED_TRACE(input ? "input" : "output");
        const platform::MidiRef oldClient = app.app->midiclient;
        jack.brokenPorts.insert(input ? app.app->midiin : app.app->midiout);
        jack.clearSent();
        tick();
        EXPECT_EQ(jack.live.count(oldClient), 0u) << "the old connection was closed";
        EXPECT_EQ(jack.messages(), (std::vector<Bytes>{kLogAktivRead, kStatusSense}));
        EXPECT_TRUE(app.windows.btnEditPlayVal.enabled);
    }
    // Dead again: Play goes with the link, while the new one is asked and once unanswered.
    jack.brokenPorts.insert(app.app->midiout);
    replyAfter = kNever;
    app.app->timer2Callback();
    EXPECT_FALSE(app.windows.btnEditPlayVal.enabled);
    settle(milliseconds(1000));
    EXPECT_FALSE(app.windows.btnEditPlayVal.enabled);

    // Pulled out while a new handshake waits for its (never coming) answer: it ends quietly.
    app.app->closeMidi();
    app.app->timer2Callback();
    app.app->waitForSends();
    jack.unplug(1);
    app.app->timer2Callback();
    EXPECT_EQ(app.windows.statusText.value, "  not found");
    settle(milliseconds(1000));
    EXPECT_EQ(app.app->midiOpenFlag, 0);
    EXPECT_FALSE(app.windows.btnEditPlayVal.enabled);
    EXPECT_TRUE(jack.live.empty()) << "client and ports disposed";
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

TEST_F(ConnectionLifecycle,
       JackWhenItAnswersElseAlsaTheOneListingTheInterfaceWinsAndAForcedOneRules) {
    // JACK answers, the model of the one device on JACK and on ALSA (or none), the one forced.
    using Forced = std::optional<std::size_t>;
    const std::tuple<const char*, bool, const char*, const char*, Forced, const char*> rows[] = {
        {"both have it from the start: JACK", true, "vexa ", "vexa ", {}, "JACK"},
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
    for (const auto& [what, answers, onJack, onAlsa, forced, chosen] : rows) {
        SCOPED_TRACE(what);
        jack.devices.clear();
        alsa.devices.clear();
        if (onJack)
            jack.plug(onJack);
        if (onAlsa) {
            alsa.plug("Midi Through");
            alsa.plug(onAlsa);
        }
        jackAnswers = answers;
        midi.force(forced);
        const int count = midi.numberOfDestinations();
        EXPECT_EQ(midi.activeName(), chosen);
        EXPECT_EQ(count, midi.activeName() == "JACK" ? jack.numberOfDestinations()
                                                     : alsa.numberOfDestinations());
    }
    midi.force(7);
    EXPECT_EQ(midi.forced(), std::nullopt) << "no such system: chosen by itself";
}

TEST_F(ConnectionLifecycle, APickedPortIsTheInterfaceOnWhicheverSystemCarriesIt) {
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
