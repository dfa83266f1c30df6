// The RtMidi MIDI system over real JACK MIDI ports, against the virtual interface.

#include <gtest/gtest.h>

#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "midi/JackServer.h"
#include "midi/MidiInbox.h"
#include "platform/midi/RtMidiSystem.h"
#include "vexasim/JackVirtualInterface.h"

namespace jacktest {
namespace {

using namespace std::chrono_literals;
using platform::kNoMidiObject;
using platform::MidiRef;
using platform::midi::MidiApi;
using platform::midi::RtMidiSystem;
using vexasim::JackVirtualInterface;

const Bytes kStatusSense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};
const Bytes kStatusReply = {0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7};
const Bytes kMmcWrite = {0xF0, 0x7F, 0x7F, 0x06, 0x40, 0x03, 0x46, 0x01, 0x0A, 0xF7};
const Bytes kMmcLocate = {0xF0, 0x7F, 0x7F, 0x06, 0x44, 0x06, 0x01,
                          0x2B, 0x02, 0x03, 0x04, 0x00, 0xF7};

std::unique_ptr<JackVirtualInterface> openInterface(bool play = true) {
    JackVirtualInterface::Options options;
    options.play = play;
    std::string error;
    auto sim = JackVirtualInterface::open(std::move(options), &error);
    EXPECT_NE(sim, nullptr) << error;
    return sim;
}

std::vector<Bytes> receivedBy(JackVirtualInterface& sim) {
    return sim.driver().withInterface(
        [](vexasim::SimulatedInterface& s) { return s.receivedMessages(); });
}

// The destination whose model is exactly "vexa ", by index; -1 when there is none.
int indexOfInterface(RtMidiSystem& midi) {
    int found = -1;
    const int n = midi.numberOfDestinations();
    for (int i = 0; i < n; ++i) {
        if (midi.modelName(midi.destination(i)) == "vexa ")
            found = i;
    }
    return found;
}

// A client with an input port only: a destination with no source, listed before the interface.
class ReceiveOnlyClient {
public:
    explicit ReceiveOnlyClient(const char* name) {
        m_client = jack_client_open(name, JackNoStartServer, nullptr);
        if (m_client) {
            jack_port_register(m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
            jack_activate(m_client);
        }
    }
    ~ReceiveOnlyClient() {
        if (m_client)
            jack_client_close(m_client);
    }

private:
    jack_client_t* m_client = nullptr;
};

class RtMidiOverJack : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_JACK_SERVER();
        MidiInbox::instance().clear();
    }
};

TEST_F(RtMidiOverJack, FindsTheInterfaceByClientNameAndItsSourceThroughTheClient) {
    ReceiveOnlyClient other("glimmark test receiver");
    auto sim = openInterface(false);
    ASSERT_TRUE(sim);
    RtMidiSystem midi(MidiApi::jack);

    const int index = indexOfInterface(midi);
    ASSERT_GE(index, 0) << "no destination of the model \"vexa \"";
    const MidiRef destination = midi.destination(index);
    EXPECT_EQ(midi.destination(index), destination) << "one port, one reference";
    const std::vector<std::string> destinations = midi.destinationNames();
    EXPECT_EQ(destinations[static_cast<std::size_t>(index)], "vexa :in");
    EXPECT_NE(std::find(destinations.begin(), destinations.end(), "glimmark test receiver:in"),
              destinations.end());

    // The sources list lines up with nothing: the interface's source is found by its client.
    const std::vector<std::string> sources = midi.sourceNames();
    const auto sourceIndex =
        std::find(sources.begin(), sources.end(), "vexa :out") - sources.begin();
    EXPECT_NE(sourceIndex, index);
    const MidiRef source = midi.sourceOfDevice(destination);
    ASSERT_NE(source, kNoMidiObject);
    EXPECT_EQ(midi.modelName(source), "vexa ");
    EXPECT_NE(source, destination);

    for (int i = 0; i < midi.numberOfDestinations(); ++i) {
        if (midi.modelName(midi.destination(i)) == "glimmark test receiver") {
            EXPECT_EQ(midi.sourceOfDevice(midi.destination(i)), kNoMidiObject);
        }
    }
    EXPECT_EQ(midi.sourceOfDevice(source), kNoMidiObject);
    EXPECT_EQ(midi.destination(midi.numberOfDestinations()), kNoMidiObject);
    EXPECT_EQ(midi.modelName(kNoMidiObject), std::nullopt);

    // Unplugged and plugged again: gone from the list, then back under the same reference.
    sim.reset();
    EXPECT_EQ(indexOfInterface(midi), -1);
    sim = openInterface(false);
    ASSERT_TRUE(sim);
    const int again = indexOfInterface(midi);
    ASSERT_GE(again, 0);
    EXPECT_EQ(midi.destination(again), destination);
}

TEST_F(RtMidiOverJack, CarriesCommandsAndAnswersByteExactInBothDirections) {
    auto sim = openInterface(true);
    ASSERT_TRUE(sim);
    RtMidiSystem midi(MidiApi::jack);
    const MidiRef destination = midi.destination(indexOfInterface(midi));
    const MidiRef source = midi.sourceOfDevice(destination);
    MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
    ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
    ASSERT_EQ(midi.outputPortCreate(client, "OuTpUt", out), 0);
    ASSERT_EQ(midi.inputPortCreate(client, "InPut", &MidiInbox::readProc, in), 0);
    EXPECT_NE(midi.portConnectSource(in, destination), 0);
    EXPECT_NE(midi.portConnectSource(out, source), 0);
    EXPECT_NE(midi.outputPortCreate(client + 1000, "nobody's", out), 0);
    ASSERT_EQ(midi.portConnectSource(in, source), 0);

    // RtMidi's connect returns before JACK has put the connection into effect.
    ASSERT_EQ(midi.portConnectDestination(out, destination), 0);
    ASSERT_TRUE(waitUntilConnected(sim->inputPortName()));

    MidiInbox& inbox = MidiInbox::instance();
    // Running timecode: quarter frames, one message each, their data byte with them.
    EXPECT_TRUE(inbox.waitFor([](const Bytes& m) { return m.size() == 2 && m[0] == 0xF1; }));

    const std::vector<std::string> destinationsBefore = midi.destinationNames();
    midi.send(out, destination, platform::makeMidiPacketList(kStatusSense));
    EXPECT_TRUE(inbox.waitFor([](const Bytes& m) { return m == kStatusReply; }));

    // With both ports open, the lists still hold only other programs' ports: the program's
    // own input port is no destination, so the device's position does not move under it.
    EXPECT_EQ(midi.destinationNames(), destinationsBefore);
    for (const std::string& name : midi.sourceNames())
        EXPECT_FALSE(name.starts_with("TeStInG")) << name;
    for (const std::string& name : destinationsBefore)
        EXPECT_FALSE(name.starts_with("TeStInG")) << name;

    // Two packets in one list leave as two messages, in order.
    platform::MidiPacketList list;
    list.add(0, kMmcWrite);
    list.add(0, kMmcLocate);
    midi.send(out, destination, list.bytes());
    EXPECT_TRUE(inbox.waitFor([](const Bytes& m) {
        return m.size() == 10 && m[3] == 0x01 && m[5] == 0x2B;  // the full frame at the target
    }));
    EXPECT_EQ(receivedBy(*sim), (std::vector<Bytes>{kStatusSense, kMmcWrite, kMmcLocate}));
    for (const Bytes& m : inbox.messages()) {
        EXPECT_TRUE((m.size() == 2 && m[0] == 0xF1) || (m.front() == 0xF0 && m.back() == 0xF7))
            << "a message cut or merged: " << m.size() << " bytes";
    }

    // Once disposed, a port neither sends nor delivers.
    midi.portDispose(out);
    midi.send(out, destination, platform::makeMidiPacketList(kStatusSense));
    midi.clientDispose(client);
    const std::size_t atDispose = inbox.lists();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(inbox.lists(), atDispose);
    EXPECT_EQ(receivedBy(*sim).size(), 3u);
    EXPECT_NE(midi.portConnectSource(in, source), 0);
}

}  // namespace
}  // namespace jacktest
