// The RtMidi MIDI system: port names, its logic against a scripted RtMidi, and no ALSA sequencer.

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <tuple>

#include "platform/MidiPacketList.h"
#include "platform/fake/FakeRtMidi.h"
#include "platform/midi/MidiPortNames.h"
#include "platform/midi/RtMidiSystem.h"

namespace {

using Bytes = fake::RtMidi::Bytes;
using platform::kNoMidiObject;
using platform::MidiRef;
using platform::midi::MidiApi;
using platform::midi::RtMidiSystem;

TEST(MidiPortNames, TheDeviceIsTheClientBeforeTheFirstColonAndAlsaTellsClientsByNumber) {
    // A port, its API, what is compared with "vexa ", and what tells two clients apart.
    const std::tuple<const char*, MidiApi, const char*, const char*> rows[] = {
        {"vexa :out", MidiApi::jack, "vexa ", "vexa "},
        {"vexa -01:in 24:0", MidiApi::jack, "vexa -01", "vexa -01"},
        {"vexa :vexa MIDI 1 24:0", MidiApi::alsa, "vexa ", "24"},
        {"odd:name 24:x", MidiApi::alsa, "odd", "odd"},
        {"a2j:Midi Through [14] (capture): Port-0", MidiApi::jack, "a2j", "a2j"},
        {"no colon", MidiApi::jack, "no colon", "no colon"},
    };
    for (const auto& [port, api, model, client] : rows) {
        SCOPED_TRACE(port);
        EXPECT_EQ(platform::midi::clientNameOfPort(port), model);
        EXPECT_EQ(platform::midi::clientOfPort(port, api), client);
    }
}

// ALSA configured with nothing, so that no machine's sequencer opens (none other here opens one).
TEST(RtMidiSystemWithoutAlsaSequencer, HasNoDevicesRefusesPortsAndSaysSoOnce) {
    ::setenv("ALSA_CONFIG_PATH", "/dev/null", 1);
    std::vector<std::string> reported;
    RtMidiSystem midi(MidiApi::alsa,
                      [&reported](std::string_view line) { reported.emplace_back(line); });
    for (int scan = 0; scan < 3; ++scan) {
        MidiRef client = kNoMidiObject, out = kNoMidiObject;
        EXPECT_EQ(midi.numberOfDestinations(), 0);
        ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
        EXPECT_NE(midi.outputPortCreate(client, "OuTpUt", out), 0);
        EXPECT_EQ(out, kNoMidiObject);
        midi.clientDispose(client);
    }
    ASSERT_EQ(reported.size(), 1u) << "said once, not at every scan";
    EXPECT_NE(reported[0].find("ALSA sequencer"), std::string::npos) << reported[0];
}

std::mutex g_mutex;
std::vector<Bytes> g_lists;  // every packet list the read procedure got

void keepList(std::span<const std::uint8_t> list, void*, void*) {
    std::lock_guard lock(g_mutex);
    g_lists.emplace_back(list.begin(), list.end());
}

// The system over a scripted RtMidi that lists these device ports.
struct System {
    System(MidiApi api, std::vector<std::string> destinations, std::vector<std::string> sources)
        : owned(std::make_unique<fake::RtMidi>()),
          rt(*owned),
          midi(api, [this](auto line) { reported.emplace_back(line); }, std::move(owned)) {
        rt.destinations = std::move(destinations);
        rt.sources = std::move(sources);
    }
    // Opens a connection to the device at destination `index` as a scan does.
    bool open(int index) {
        const MidiRef d = midi.destination(index);
        return midi.clientCreate("TeStInG", client) == 0 &&
               midi.outputPortCreate(client, "OuTpUt", out) == 0 &&
               midi.inputPortCreate(client, "InPut", &keepList, in) == 0 &&
               midi.portConnectSource(in, midi.sourceOfDevice(d)) == 0 &&
               midi.portConnectDestination(out, d) == 0;
    }
    std::vector<std::string> destinations() {
        std::vector<std::string> names;
        for (int i = 0; i < midi.numberOfDestinations(); ++i)
            names.push_back(midi.endpointName(midi.destination(i)).value_or("?"));
        return names;
    }

    std::unique_ptr<fake::RtMidi> owned;
    fake::RtMidi& rt;
    std::vector<std::string> reported;
    RtMidiSystem midi;
    MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
};

TEST(RtMidiSystemLogic, DevicesAreOtherClientsPortsTheirSourceIsFoundByClientAndRefsStay) {
    System s(
        MidiApi::alsa,
        {"Midi Through:Midi Through Port-0 14:0", "vexa :vexa in 24:0", "vexa :vexa in 28:0"},
        {"Midi Through:Midi Through Port-0 14:0", "vexa :vexa out 28:1", "vexa :vexa out 24:1"});
    const MidiRef first = s.midi.destination(1), second = s.midi.destination(2);
    EXPECT_EQ(s.midi.modelName(first), "vexa ");
    // Two clients of one name: each destination's source is its own client's.
    EXPECT_EQ(s.midi.endpointName(s.midi.sourceOfDevice(first)), "vexa :vexa out 24:1");
    EXPECT_EQ(s.midi.endpointName(s.midi.sourceOfDevice(second)), "vexa :vexa out 28:1");
    EXPECT_EQ(s.midi.sourceOfDevice(s.midi.sourceOfDevice(first)), kNoMidiObject);
    EXPECT_EQ(s.midi.destination(3), kNoMidiObject);
    EXPECT_EQ(s.midi.modelName(kNoMidiObject), std::nullopt);

    // A port keeps its reference while another goes.
    s.rt.destinations.erase(s.rt.destinations.begin());
    EXPECT_EQ(s.midi.destination(0), first);
    EXPECT_EQ(s.midi.destination(1), second);

    // This program's own ports are never listed as devices.
    ASSERT_TRUE(s.open(0));
    EXPECT_EQ(s.destinations(),
              (std::vector<std::string>{"vexa :vexa in 24:0", "vexa :vexa in 28:0"}));
    EXPECT_EQ(s.midi.sourceNames().size(), 3u);
}

TEST(RtMidiSystemLogic, UnderJackTheProgramsNumberedClientsAreHiddenButALookAlikeDeviceIsNot) {
    System s(MidiApi::jack, {"vexa :in", "TeStInG-01b:in", "TeStInG-7:in"}, {"vexa :out"});
    ASSERT_TRUE(s.open(0));
    // Input and output are two JACK clients: "TeStInG" and "TeStInG-01".
    EXPECT_EQ(s.destinations(), (std::vector<std::string>{"vexa :in", "TeStInG-01b:in"}));
    EXPECT_EQ(s.midi.sourceNames(), std::vector<std::string>{"vexa :out"});

    // A stopped server lists nothing: the next scan asks through fresh objects.
    const int made = s.rt.made;
    const auto kept = std::exchange(s.rt.destinations, {});
    EXPECT_EQ(s.midi.numberOfDestinations(), 0);
    s.rt.destinations = kept;
    EXPECT_EQ(s.midi.numberOfDestinations(), 2);
    EXPECT_EQ(s.rt.made, made + 1);
}

TEST(RtMidiSystemLogic, PacketsLeaveAsMessagesToTheirDestinationAndArriveAsOnePacketList) {
    System s(MidiApi::alsa, {"vexa :in 24:0", "other:in 30:0"}, {"vexa :out 24:1"});
    ASSERT_TRUE(s.open(0));
    const Bytes sense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7}, noteOn = {0x90, 0x3C, 0x40};
    platform::MidiPacketList two;
    ASSERT_TRUE(two.add(0, sense) && two.add(0, noteOn));
    s.midi.send(s.out, s.midi.destination(0), two.bytes());
    // Another destination: the port is opened to it first.
    s.midi.send(s.out, s.midi.destination(1), platform::makeMidiPacketList(noteOn));
    using Sent = std::vector<std::pair<std::string, Bytes>>;
    EXPECT_EQ(
        s.rt.sent,
        (Sent{{"vexa :in 24:0", sense}, {"vexa :in 24:0", noteOn}, {"other:in 30:0", noteOn}}));

    // A System Exclusive message longer than one packet holds arrives whole, in one list.
    Bytes longSysex(70'000, 0x55);
    longSysex.front() = 0xF0;
    longSysex.back() = 0xF7;
    s.rt.deliver("vexa :out 24:1", longSysex);
    s.rt.deliver("vexa :out 24:1", {});
    s.rt.deliver("other:out", noteOn);
    std::lock_guard lock(g_mutex);
    ASSERT_EQ(g_lists.size(), 1u) << "nothing empty, nothing from elsewhere";
    Bytes joined;
    platform::forEachMidiPacket(g_lists[0],
                                [&](auto p) { joined.insert(joined.end(), p.begin(), p.end()); });
    EXPECT_EQ(joined, longSysex);
}

TEST(RtMidiSystemLogic, FailuresBecomeStatusesSaidOncePerOutageAndPortsGoWithTheirClient) {
    System s(MidiApi::alsa, {"vexa :in 24:0"}, {"vexa :out 24:1"});
    // RtMidi throwing from its constructor, or failing to open a port: a status.
    s.rt.throwOnMake = true;
    ASSERT_EQ(s.midi.clientCreate("TeStInG", s.client), 0);
    EXPECT_EQ(s.midi.outputPortCreate(s.client, "OuTpUt", s.out), RtMidiSystem::kBackendFailed);
    EXPECT_NE(s.midi.lastError().find("JACK server not running"), std::string::npos);
    s.midi.clientDispose(s.client);
    s.rt.throwOnMake = false;
    s.rt.openFails = true;
    EXPECT_FALSE(s.open(0));
    s.midi.clientDispose(s.client);
    s.rt.openFails = false;

    // A live connection, then its device unplugged: no longer connected.
    const int probes = s.rt.live();
    ASSERT_TRUE(s.open(0));
    EXPECT_EQ(s.rt.live(), probes + 2);
    EXPECT_TRUE(s.midi.portConnected(s.out) && s.midi.portConnected(s.in));
    s.rt.destinations.clear();
    s.rt.sources.clear();
    EXPECT_FALSE(s.midi.portConnected(s.out) || s.midi.portConnected(s.in));

    // Disposed: the port is gone and a send through it is dropped; the client takes the rest.
    s.rt.destinations = {"vexa :in 24:0"};
    const MidiRef destination = s.midi.destination(0);
    s.midi.portDispose(s.out);
    EXPECT_EQ(s.rt.live(), probes + 1);
    s.midi.send(s.out, destination, platform::makeMidiPacketList(Bytes{0xF8}));
    EXPECT_EQ(s.rt.sent.size(), 0u);
    s.midi.clientDispose(s.client);
    EXPECT_EQ(s.rt.live(), probes);

    // No MIDI system: said once for all the scans; back, then gone once more, said once more.
    s.rt.opens = false;
    for (int scan = 0; scan < 3; ++scan) {
        ASSERT_EQ(s.midi.clientCreate("TeStInG", s.client), 0);
        EXPECT_EQ(s.midi.outputPortCreate(s.client, "OuTpUt", s.out), RtMidiSystem::kBackendFailed);
    }
    EXPECT_EQ(s.reported.size(), 1u);
    s.rt.opens = true;
    EXPECT_EQ(s.midi.outputPortCreate(s.client, "OuTpUt", s.out), 0);
    s.rt.opens = false;
    EXPECT_NE(s.midi.outputPortCreate(s.client, "OuTpUt", s.out), 0);
    EXPECT_EQ(s.reported.size(), 2u);
}

}  // namespace
