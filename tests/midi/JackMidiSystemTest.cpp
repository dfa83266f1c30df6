// The MIDI system on libjack against a plain libjack device: every connection in effect
// before its first message, and sends racing the disposal of their port.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "loglist/Timecode.h"
#include "midi/JackPeer.h"
#include "midi/JackServer.h"
#include "platform/midi/JackMidiSystem.h"
#include "support/FakePlatform.h"

namespace jacktest {
namespace {

using platform::midi::JackMidiSystem;

const Bytes kMmcStop = {0xF0, 0x7F, 0x7F, 0x06, 0x01, 0xF7};

bool holds(const std::vector<Bytes>& events, const Bytes& wanted) {
    return std::find(events.begin(), events.end(), wanted) != events.end();
}

// The controller's connection to the device, opened as a scan that finds it opens it.
bool openThroughController(JackMidiSystem& midi, vexaLogging3AppDelegate& c) {
    c.devicenr = -1;
    for (int d = 0; d < midi.numberOfDestinations(); ++d) {
        if (midi.modelName(midi.destination(d)) == "vexa ")
            c.devicenr = d;
    }
    return c.openMidi() == 0;
}

TEST(JackMidiSystem, TheFirstMessageOfEachOfTwoHundredConnectionsArrives) {
    REQUIRE_JACK_SERVER();
    const auto peer = JackPeer::open();
    ASSERT_TRUE(peer);
    JackMidiSystem midi;
    fake::App app(midi);
    vexaLogging3AppDelegate& c = *app.app;
    // A loss in a stretch where JACK reports an overrun may be JACK's; any other is ours.
    std::vector<int> lost, lostInOverrun;
    for (int i = 0; i < 200; ++i) {
        const int xrunsBefore = peer->xruns();
        ASSERT_TRUE(openThroughController(midi, c)) << "connect " << i;
        // The first message of each connection, told apart by the time it carries.
        auto& stoptime = c.messages.sysexSendStoptime;
        c.messages.patchPlayerTime(stoptime, timecode::format(0, 0, i / 25, i % 25));
        c.send(stoptime);
        c.waitForSends();
        const Bytes first(stoptime.begin(), stoptime.end());
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (!holds(peer->received(), first) && std::chrono::steady_clock::now() < deadline)
            peer->waitForCount(peer->received().size() + 1, 10ms);
        if (!holds(peer->received(), first))
            (peer->xruns() == xrunsBefore ? lost : lostInOverrun).push_back(i);
        c.closeMidi();
    }
    EXPECT_TRUE(lost.empty()) << lost.size() << " first messages lost, the first at " << lost[0];
    EXPECT_LE(lostInOverrun.size(), 10u) << "JACK overran too often to tell";
    std::printf("JACK overran %d cycles; %zu first messages lost in them\n", peer->xruns(),
                lostInOverrun.size());
    EXPECT_EQ(midi.overflows(), 0);
}

TEST(JackMidiSystem, SendsRacingTheDisposalOfTheirPortAreDroppedAndDisposedPortsFallSilent) {
    REQUIRE_JACK_SERVER();
    const auto peer = JackPeer::open();
    ASSERT_TRUE(peer);
    JackMidiSystem midi;
    fake::App app(midi);
    vexaLogging3AppDelegate& c = *app.app;
    static std::atomic<int> delivered{0};
    const auto count = [](std::span<const std::uint8_t>, void*, void*) { ++delivered; };
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(openThroughController(midi, c));
        const platform::MidiRef out = c.midiout;
        std::atomic<bool> disposed{false};
        std::atomic<int> sentAfter{0};
        std::thread sender([&] {
            for (int i = 0; i < 200; ++i) {
                const bool gone = disposed.load();
                midi.send(out, c.dest, platform::makeMidiPacketList(kMmcStop));
                sentAfter += gone ? 1 : 0;
                std::this_thread::sleep_for(100us);
            }
        });
        std::this_thread::sleep_for(5ms);
        c.closeMidi();
        disposed = true;
        sender.join();
        EXPECT_GT(sentAfter.load(), 0) << "the race did not happen";
    }
    // A port of its own, disposed: what the device sends no longer reaches it.
    platform::MidiRef client = 0, in = 0;
    ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
    ASSERT_EQ(midi.inputPortCreate(client, "InPut", count, in), 0);
    ASSERT_EQ(midi.portConnectSource(in, midi.sourceOfDevice(c.dest)), 0);
    peer->send({0xF1, 0x20});
    for (int i = 0; i < 1000 && delivered == 0; ++i) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(delivered.load(), 1);
    midi.clientDispose(client);
    const std::size_t received = peer->received().size();
    peer->send({0xF1, 0x30});
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(delivered.load(), 1);
    EXPECT_EQ(peer->received().size(), received) << "nothing arrives once the ports are gone";
    for (const Bytes& m : peer->received()) EXPECT_EQ(m, kMmcStop);
}

}  // namespace
}  // namespace jacktest
