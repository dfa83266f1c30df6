#include "vexasim/JackVirtualInterface.h"

#include <jack/midiport.h>

#include <array>
#include <chrono>
#include <utility>
#include <vector>

#include "platform/MidiPacketList.h"

namespace vexasim {

namespace {

// Room for a few seconds of traffic either way; the interface sends about a hundred quarter
// frames a second and a few short messages.
constexpr std::size_t kRingBytes = 1 << 16;
// Each message travels through a ring buffer as a 16-bit length and its bytes.
using Length = std::uint16_t;

bool pushMessage(jack_ringbuffer_t* ring, const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 0xFFFF || jack_ringbuffer_write_space(ring) < sizeof(Length) + size)
        return false;
    const auto length = static_cast<Length>(size);
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&length), sizeof length);
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(data), size);
    return true;
}

// Length of the next whole message waiting in `ring`, 0 when there is none.
std::size_t nextLength(jack_ringbuffer_t* ring) {
    Length length = 0;
    if (jack_ringbuffer_read_space(ring) < sizeof length)
        return 0;
    jack_ringbuffer_peek(ring, reinterpret_cast<char*>(&length), sizeof length);
    if (jack_ringbuffer_read_space(ring) < sizeof length + length)
        return 0;
    return length;
}

}  // namespace

JackVirtualInterface::JackVirtualInterface(Options options)
    : m_options(std::move(options)),
      m_sim([this](std::span<const std::uint8_t> list) { queueOutput(list); }, m_options.version),
      m_driver(m_sim) {}

std::unique_ptr<JackVirtualInterface> JackVirtualInterface::open(Options options,
                                                                 std::string* error) {
    auto fail = [error](std::string why) {
        if (error)
            *error = std::move(why);
        return nullptr;
    };
    std::unique_ptr<JackVirtualInterface> self(new JackVirtualInterface(std::move(options)));
    JackVirtualInterface& v = *self;

    jack_status_t status{};
    // The exact name or none: a device renamed "vexa -01" would never be found.
    v.m_client = jack_client_open(v.m_options.clientName.c_str(),
                                  static_cast<jack_options_t>(JackNoStartServer | JackUseExactName),
                                  &status);
    if (v.m_client == nullptr) {
        if (status & JackNameNotUnique)
            return fail("a JACK client named \"" + v.m_options.clientName + "\" is already there");
        return fail("no JACK server is running");
    }
    v.m_received = jack_ringbuffer_create(kRingBytes);
    v.m_sending = jack_ringbuffer_create(kRingBytes);
    if (!v.m_received || !v.m_sending)
        return fail("out of memory");

    {
        SimulatedInterface& sim = v.m_sim;
        sim.setFrameRate(v.m_options.rate);
        sim.locate(v.m_options.startAt);
    }
    v.m_receiver = std::thread([&v] { v.receiveLoop(); });
    jack_set_process_callback(v.m_client, &JackVirtualInterface::process, &v);
    jack_on_shutdown(v.m_client, &JackVirtualInterface::shutdown, &v);
    if (jack_activate(v.m_client) != 0)
        return fail("the JACK client could not be activated");
    // The ports appear only now, with the client running: a port of a client not yet active
    // cannot be connected, and a program that found it then would have connected to nothing.
    v.m_in = jack_port_register(v.m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    v.m_out = jack_port_register(v.m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!v.m_in.load() || !v.m_out.load())
        return fail("the MIDI ports could not be registered");
    if (v.m_options.play)
        v.m_driver.withInterface([](SimulatedInterface& sim) { sim.play(); });
    v.m_driver.start();
    return self;
}

JackVirtualInterface::~JackVirtualInterface() {
    close();
}

void JackVirtualInterface::close() {
    m_driver.stop();
    if (m_client) {
        jack_deactivate(m_client);
        jack_client_close(m_client);
        m_client = nullptr;
    }
    m_stopping = true;
    m_receivedSignal.release();
    if (m_receiver.joinable())
        m_receiver.join();
    if (m_received)
        jack_ringbuffer_free(std::exchange(m_received, nullptr));
    if (m_sending)
        jack_ringbuffer_free(std::exchange(m_sending, nullptr));
}

std::string JackVirtualInterface::inputPortName() const {
    return m_in.load() ? jack_port_name(m_in.load()) : "";
}

std::string JackVirtualInterface::outputPortName() const {
    return m_out.load() ? jack_port_name(m_out.load()) : "";
}

int JackVirtualInterface::process(jack_nframes_t frames, void* self) {
    auto& v = *static_cast<JackVirtualInterface*>(self);
    if (v.m_in.load() && v.m_out.load()) {
        v.readInput(frames);
        v.writeOutput(frames);
    }
    return 0;
}

void JackVirtualInterface::shutdown(void* self) {
    auto& v = *static_cast<JackVirtualInterface*>(self);
    if (v.m_options.onShutdown)
        v.m_options.onShutdown();
}

void JackVirtualInterface::readInput(jack_nframes_t frames) {
    void* buffer = jack_port_get_buffer(m_in.load(), frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    bool any = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0)
            any |= pushMessage(m_received, event.buffer, event.size);
    }
    if (any)
        m_receivedSignal.release();
}

void JackVirtualInterface::writeOutput(jack_nframes_t frames) {
    void* buffer = jack_port_get_buffer(m_out.load(), frames);
    jack_midi_clear_buffer(buffer);
    while (const std::size_t length = nextLength(m_sending)) {
        // All at the start of the cycle, in the order they were sent.
        jack_midi_data_t* slot = jack_midi_event_reserve(buffer, 0, length);
        if (slot == nullptr)
            break;  // The port is full this cycle; the rest goes in the next.
        jack_ringbuffer_read_advance(m_sending, sizeof(Length));
        jack_ringbuffer_read(m_sending, reinterpret_cast<char*>(slot), length);
    }
}

void JackVirtualInterface::queueOutput(std::span<const std::uint8_t> packetList) {
    // Runs under the driver's lock, so the ring buffer has one writer at a time.
    platform::forEachMidiPacket(packetList, [this](std::span<const std::uint8_t> message) {
        if (m_options.onSending)
            m_options.onSending(message);
        if (!pushMessage(m_sending, message.data(), message.size()))
            ++m_dropped;
    });
}

void JackVirtualInterface::receiveLoop() {
    std::vector<std::uint8_t> message;
    while (!m_stopping.load()) {
        m_receivedSignal.acquire();
        while (const std::size_t length = nextLength(m_received)) {
            message.resize(length);
            jack_ringbuffer_read_advance(m_received, sizeof(Length));
            jack_ringbuffer_read(m_received, reinterpret_cast<char*>(message.data()), length);
            if (m_options.onReceived)
                m_options.onReceived(message);
            m_driver.receive(platform::makeMidiPacketList(message));
        }
    }
}

}  // namespace vexasim
