// The MIDI system on libjack against a plain libjack device: connections in effect before the
// first message, events delivered as they came, a device gone and back noticed.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "loglist/Timecode.h"
#include "midi/JackPeer.h"
#include "midi/JackServer.h"
#include "midi/MidiInbox.h"
#include "platform/midi/JackMidiSystem.h"
#include "support/FakePlatform.h"

namespace jacktest {
namespace {

using namespace std::chrono_literals;
using platform::kNoMidiObject;
using platform::MidiRef;
using platform::midi::JackMidiSystem;

// The destination of the client "vexa ", kNoMidiObject when there is none.
MidiRef interfaceDestination(JackMidiSystem& midi) {
    MidiRef found = kNoMidiObject;
    for (int i = 0; i < midi.numberOfDestinations(); ++i) {
        if (midi.modelName(midi.destination(i)) == "vexa ")
            found = midi.destination(i);
    }
    return found;
}

std::unique_ptr<JackPeer> openPeer(bool answer = false) {
    JackPeer::Options options;
    options.answer = answer;
    std::string error;
    auto peer = JackPeer::open(options, &error, 2s);
    EXPECT_NE(peer, nullptr) << error;
    return peer;
}

// A connection as the program opens one: client, both ports, both ways connected.
struct Connection {
    MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
    MidiRef destination = kNoMidiObject;

    ::testing::AssertionResult open(JackMidiSystem& midi) {
        destination = interfaceDestination(midi);
        if (destination == kNoMidiObject)
            return ::testing::AssertionFailure() << "no interface listed";
        if (midi.clientCreate("TeStInG", client) != 0 ||
            midi.outputPortCreate(client, "OuTpUt", out) != 0 ||
            midi.inputPortCreate(client, "InPut", &MidiInbox::readProc, in) != 0)
            return ::testing::AssertionFailure() << "client or ports not made";
        if (const int r = midi.portConnectSource(in, midi.sourceOfDevice(destination)); r != 0)
            return ::testing::AssertionFailure() << "source not connected: " << r;
        if (const int r = midi.portConnectDestination(out, destination); r != 0)
            return ::testing::AssertionFailure() << "destination not connected: " << r;
        return ::testing::AssertionSuccess();
    }
};

bool holds(const std::vector<Bytes>& events, const Bytes& wanted) {
    return std::find(events.begin(), events.end(), wanted) != events.end();
}

class JackMidiSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_JACK_SERVER();
        MidiInbox::instance().clear();
    }
};

TEST_F(JackMidiSystemTest, TheFirstMessageOfEachOfTwoHundredConnectionsArrives) {
    auto peer = openPeer();
    ASSERT_TRUE(peer);
    JackMidiSystem midi;
    // Opened and closed by the controller, as every scan that finds the interface does.
    fake::App app(midi);
    vexaLogging3AppDelegate& c = *app.app;
    // jackd --no-realtime on a loaded machine now and then overruns a cycle, and an event
    // written then may be lost whoever wrote it: a loss in a stretch with an overrun is
    // JACK's, any other the program's.
    std::vector<int> lost, lostInOverrun;
    for (int i = 0; i < 200; ++i) {
        const int xrunsBefore = peer->xruns();
        c.devicenr = -1;
        for (int d = 0; d < midi.numberOfDestinations(); ++d) {
            if (midi.modelName(midi.destination(d)) == "vexa ")
                c.devicenr = d;
        }
        ASSERT_EQ(c.openMidi(), 0) << "connect " << i;
        // The first message of each connection, told apart by the time it carries.
        c.messages.patchPlayerTime(c.messages.sysexSendStoptime,
                                   timecode::format(0, 0, i / 25, i % 25));
        const Bytes first(c.messages.sysexSendStoptime.begin(), c.messages.sysexSendStoptime.end());
        c.send(c.messages.sysexSendStoptime);
        c.waitForSends();
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (!holds(peer->received(), first) && std::chrono::steady_clock::now() < deadline)
            peer->waitForCount(peer->received().size() + 1, 10ms);
        if (!holds(peer->received(), first))
            (peer->xruns() == xrunsBefore ? lost : lostInOverrun).push_back(i);
        c.closeMidi();
    }
    EXPECT_TRUE(lost.empty()) << lost.size() << " of 200 first messages lost, the first at "
                              << lost.front();
    EXPECT_LE(lostInOverrun.size(), 10u) << "JACK overran too often to tell";
    std::printf("JACK overran %d cycles; %zu first messages lost in them\n", peer->xruns(),
                lostInOverrun.size());
    EXPECT_EQ(midi.overflows(), 0);
}

TEST_F(JackMidiSystemTest, EventsArriveAsTheyCameUnfinishedSysExAndAllAndDisposedPortsFallSilent) {
    auto peer = openPeer(true);
    ASSERT_TRUE(peer);
    JackMidiSystem midi;
    Connection c;
    ASSERT_TRUE(c.open(midi));
    EXPECT_TRUE(midi.portConnected(c.in));
    EXPECT_TRUE(midi.portConnected(c.out));
    // The program's own ports are no devices.
    for (const std::string& name : midi.destinationNames())
        EXPECT_FALSE(name.starts_with("Glimmark")) << name;

    // A System Exclusive message that never ends does not swallow what follows.
    const std::vector<Bytes> events = {{0xF0, 0x2C, 0x4D, 0x67, 0x01},
                                       {0xF1, 0x04},
                                       {0xF8},
                                       {0xF1, 0x10},
                                       {0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}};
    for (const Bytes& e : events) peer->send(e);
    MidiInbox& inbox = MidiInbox::instance();
    ASSERT_TRUE(inbox.waitFor([&](const Bytes& m) { return m == events.back(); }));
    EXPECT_EQ(inbox.messages(), events);
    EXPECT_EQ(inbox.lists(), events.size()) << "one packet list per event";

    // Answers come back through the input port.
    inbox.clear();
    midi.send(c.out, c.destination,
              platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x10, 0xF7}));
    EXPECT_TRUE(inbox.waitFor([](const Bytes& m) { return m.size() == 7 && m[3] == 0x21; }));

    // Disposed, a port neither sends nor delivers.
    midi.clientDispose(c.client);
    EXPECT_FALSE(midi.portConnected(c.in));
    const std::size_t atDispose = inbox.lists();
    const std::size_t peerHad = peer->received().size();
    midi.send(c.out, c.destination,
              platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x10, 0xF7}));
    peer->send({0xF1, 0x20});
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(inbox.lists(), atDispose);
    EXPECT_EQ(peer->received().size(), peerHad);
}

TEST_F(JackMidiSystemTest, ADeviceGoneAndBackUnderTheSameNameLeavesTheConnectionDead) {
    auto peer = openPeer();
    ASSERT_TRUE(peer);
    JackMidiSystem midi;
    Connection c;
    ASSERT_TRUE(c.open(midi));
    peer.reset();
    peer = openPeer();
    ASSERT_TRUE(peer);
    // Listed as before, the same reference; but nothing leads there any more.
    EXPECT_EQ(interfaceDestination(midi), c.destination);
    EXPECT_FALSE(midi.portConnected(c.in));
    EXPECT_FALSE(midi.portConnected(c.out));
    midi.clientDispose(c.client);

    // Opened afresh, it works again.
    Connection again;
    ASSERT_TRUE(again.open(midi));
    EXPECT_TRUE(midi.portConnected(again.in) && midi.portConnected(again.out));
}

TEST_F(JackMidiSystemTest, SendsRacingTheDisposalOfTheirPortAreDroppedSafely) {
    auto peer = openPeer();
    ASSERT_TRUE(peer);
    JackMidiSystem midi;
    const Bytes sense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};
    for (int round = 0; round < 3; ++round) {
        Connection c;
        ASSERT_TRUE(c.open(midi));
        std::atomic<bool> disposed{false};
        std::atomic<int> sentAfter{0};
        std::thread sender([&] {
            for (int i = 0; i < 200; ++i) {
                const bool gone = disposed.load();
                midi.send(c.out, c.destination, platform::makeMidiPacketList(sense));
                sentAfter += gone ? 1 : 0;
                std::this_thread::sleep_for(100us);
            }
        });
        std::this_thread::sleep_for(5ms);
        midi.portDispose(c.out);
        disposed = true;
        sender.join();
        midi.clientDispose(c.client);
        EXPECT_GT(sentAfter.load(), 0) << "the race did not happen";
    }
    const std::size_t received = peer->received().size();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(peer->received().size(), received) << "nothing arrives once the ports are gone";
    for (const Bytes& m : peer->received()) EXPECT_EQ(m, sense);
}

}  // namespace
}  // namespace jacktest
