// The RtMidi MIDI system: how it tells devices apart, a machine whose ALSA sequencer cannot be
// opened, and, where there is one, a device on the ALSA sequencer.

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "platform/MidiPacketList.h"
#include "platform/midi/MidiPortNames.h"
#include "platform/midi/RtMidiSystem.h"

namespace {

using platform::kNoMidiObject;
using platform::midi::MidiApi;

TEST(MidiPortNames, TheDeviceIsTheClientBeforeTheFirstColonAndAlsaTellsClientsByNumber) {
    struct Row {
        const char* port;
        MidiApi api;
        const char* model;   // what is compared with "vexa "
        const char* client;  // what tells two clients apart
    };
    const Row rows[] = {
        {"vexa :out", MidiApi::jack, "vexa ", "vexa "},
        {"vexa -01:in 24:0", MidiApi::jack, "vexa -01", "vexa -01"},
        {"vexa :vexa MIDI 1 24:0", MidiApi::alsa, "vexa ", "24"},
        {"odd:name 24:x", MidiApi::alsa, "odd", "odd"},
        {"a2j:Midi Through [14] (capture): Port-0", MidiApi::jack, "a2j", "a2j"},
        {"no colon", MidiApi::jack, "no colon", "no colon"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.port);
        EXPECT_EQ(platform::midi::clientNameOfPort(row.port), row.model);
        EXPECT_EQ(platform::midi::clientOfPort(row.port, row.api), row.client);
    }
}

// ALSA configured with nothing, so that no machine's sequencer opens.
TEST(RtMidiSystemWithoutAlsaSequencer, HasNoDevicesRefusesPortsAndSaysSoOnce) {
    const char* const config = std::getenv("ALSA_CONFIG_PATH");
    const std::string saved = config != nullptr ? config : "";
    ::setenv("ALSA_CONFIG_PATH", "/dev/null", 1);
    std::vector<std::string> reported;
    platform::midi::RtMidiSystem midi(
        MidiApi::alsa, [&reported](std::string_view line) { reported.emplace_back(line); });
    for (int scan = 0; scan < 3; ++scan) {
        platform::MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
        EXPECT_EQ(std::tuple(midi.numberOfDestinations(), midi.destination(0)),
                  std::tuple(0, kNoMidiObject));
        ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
        EXPECT_NE(midi.outputPortCreate(client, "OuTpUt", out), 0);
        EXPECT_NE(midi.inputPortCreate(client, "InPut", nullptr, in), 0);
        EXPECT_EQ(std::tuple(out, in), std::tuple(kNoMidiObject, kNoMidiObject));
        midi.send(out, kNoMidiObject,
                  platform::makeMidiPacketList(std::vector<std::uint8_t>{0xF8}));
        midi.clientDispose(client);
    }
    EXPECT_EQ(reported.size(), 1u) << "said once, not at every scan";
    EXPECT_NE(reported.at(0).find("ALSA sequencer"), std::string::npos) << reported[0];
    // The tests after this one see the machine's own sequencer again.
    if (config != nullptr)
        ::setenv("ALSA_CONFIG_PATH", saved.c_str(), 1);
    else
        ::unsetenv("ALSA_CONFIG_PATH");
}

using Bytes = std::vector<std::uint8_t>;

// A MIDI device on the ALSA sequencer made of alsa-lib alone: one client "vexa " with the
// ports "in" and "out", as the interface has.
class AlsaPeer {
public:
    static std::unique_ptr<AlsaPeer> open() {
        std::unique_ptr<AlsaPeer> p(new AlsaPeer);
        if (snd_seq_open(&p->m_seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0)
            return nullptr;
        snd_seq_set_client_name(p->m_seq, "vexa ");
        const unsigned type = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;
        p->m_in = snd_seq_create_simple_port(
            p->m_seq, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE, type);
        p->m_out = snd_seq_create_simple_port(
            p->m_seq, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ, type);
        return p->m_in >= 0 && p->m_out >= 0 ? std::move(p) : nullptr;
    }
    ~AlsaPeer() {
        if (m_seq != nullptr)
            snd_seq_close(m_seq);
    }
    int client() const { return snd_seq_client_id(m_seq); }
    void send(Bytes bytes) {
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        snd_seq_ev_set_source(&ev, m_out);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        snd_seq_ev_set_sysex(&ev, bytes.size(), bytes.data());
        snd_seq_event_output_direct(m_seq, &ev);
    }
    // The next System Exclusive message that arrives within the time; empty if none does.
    Bytes receive(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            snd_seq_event_t* ev = nullptr;
            if (snd_seq_event_input(m_seq, &ev) >= 0 && ev != nullptr &&
                ev->type == SND_SEQ_EVENT_SYSEX) {
                const auto* data = static_cast<const std::uint8_t*>(ev->data.ext.ptr);
                return Bytes(data, data + ev->data.ext.len);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return {};
    }

private:
    AlsaPeer() = default;
    snd_seq_t* m_seq = nullptr;
    int m_in = -1;
    int m_out = -1;
};

std::mutex g_receivedMutex;
std::vector<Bytes> g_received;

void keep(std::span<const std::uint8_t> list, void*, void*) {
    std::lock_guard lock(g_receivedMutex);
    platform::forEachMidiPacket(
        list, [](auto message) { g_received.emplace_back(message.begin(), message.end()); });
}

bool arrived(const Bytes& wanted, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (; std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        std::lock_guard lock(g_receivedMutex);
        if (std::find(g_received.begin(), g_received.end(), wanted) != g_received.end())
            return true;
    }
    return false;
}

TEST(RtMidiSystemOnAlsaSequencer, FindsTheDeviceByItsClientCarriesSysexBothWaysAndSeesItGo) {
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0)
        GTEST_SKIP() << "no ALSA sequencer on this machine: /dev/snd/seq is absent";
    const Bytes sense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};
    const Bytes reply = {0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7};
    auto peer = AlsaPeer::open();
    ASSERT_TRUE(peer);
    platform::midi::RtMidiSystem midi(MidiApi::alsa);
    platform::MidiRef destination = kNoMidiObject;
    for (int i = 0; i < midi.numberOfDestinations(); ++i) {
        const platform::MidiRef d = midi.destination(i);
        const std::optional<std::string> name = midi.endpointName(d);
        if (name &&
            platform::midi::clientOfPort(*name, MidiApi::alsa) == std::to_string(peer->client()))
            destination = d;
    }
    ASSERT_NE(destination, kNoMidiObject) << "the device's input is listed";
    EXPECT_EQ(midi.modelName(destination), "vexa ");
    const platform::MidiRef source = midi.sourceOfDevice(destination);
    ASSERT_NE(source, kNoMidiObject);
    EXPECT_EQ(midi.endpointName(source)->rfind("vexa :out ", 0), 0u) << *midi.endpointName(source);

    platform::MidiRef client = kNoMidiObject, out = kNoMidiObject, in = kNoMidiObject;
    ASSERT_EQ(midi.clientCreate("TeStInG", client), 0);
    ASSERT_EQ(midi.outputPortCreate(client, "OuTpUt", out), 0);
    ASSERT_EQ(midi.inputPortCreate(client, "InPut", &keep, in), 0);
    ASSERT_EQ(midi.portConnectSource(in, source), 0);
    ASSERT_EQ(midi.portConnectDestination(out, destination), 0);
    // The program's own ports are no devices.
    for (const std::string& name : midi.destinationNames())
        EXPECT_EQ(name.find("TeStInG"), std::string::npos) << name;

    midi.send(out, destination, platform::makeMidiPacketList(sense));
    EXPECT_EQ(peer->receive(std::chrono::seconds(2)), sense);
    peer->send(reply);
    EXPECT_TRUE(arrived(reply, std::chrono::seconds(2)));
    EXPECT_TRUE(midi.portConnected(out) && midi.portConnected(in));

    // Unplugged: the connections lead nowhere.
    peer.reset();
    EXPECT_FALSE(midi.portConnected(out));
    EXPECT_FALSE(midi.portConnected(in));
    midi.clientDispose(client);
}

}  // namespace
