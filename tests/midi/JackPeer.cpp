#include "midi/JackPeer.h"

#include <jack/midiport.h>

#include <algorithm>

namespace jacktest {

namespace {

constexpr std::size_t kRingBytes = std::size_t{1} << 20;
using Length = std::uint32_t;

const Bytes kStatusSense = {0xF0, 0x2C, 0x4D, 0x10, 0xF7};
const Bytes kLoggingRead = {0xF0, 0x2C, 0x4D, 0x57, 0x7F, 0xF7};
const Bytes kStatusReply = {0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7};
const Bytes kLoggingOff = {0xF0, 0x2C, 0x4D, 0x67, 0x00, 0x00, 0xF7};

std::size_t nextLength(jack_ringbuffer_t* ring) {
    Length length = 0;
    if (jack_ringbuffer_read_space(ring) < sizeof length)
        return 0;
    jack_ringbuffer_peek(ring, reinterpret_cast<char*>(&length), sizeof length);
    return jack_ringbuffer_read_space(ring) < sizeof length + length ? 0 : length;
}

}  // namespace

JackPeer::JackPeer(Options options) : m_options(std::move(options)) {}

std::unique_ptr<JackPeer> JackPeer::open(Options options, std::string* error,
                                         std::chrono::milliseconds patience) {
    std::unique_ptr<JackPeer> self(new JackPeer(std::move(options)));
    JackPeer& p = *self;
    const bool named = !p.m_options.server.empty();
    const auto flags = static_cast<jack_options_t>(JackNoStartServer | JackUseExactName |
                                                   (named ? JackServerName : 0));
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        jack_status_t status{};
        p.m_client = named ? jack_client_open(p.m_options.name.c_str(), flags, &status,
                                              p.m_options.server.c_str())
                           : jack_client_open(p.m_options.name.c_str(), flags, &status);
        if (p.m_client || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!p.m_client) {
        if (error)
            *error = "the JACK client \"" + p.m_options.name + "\" could not be opened";
        return nullptr;
    }
    p.m_inRing = jack_ringbuffer_create(kRingBytes);
    p.m_outRing = jack_ringbuffer_create(kRingBytes);
    p.m_in = jack_port_register(p.m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    p.m_out = jack_port_register(p.m_client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    p.m_receiver = std::thread([&p] { p.receiveLoop(); });
    jack_set_process_callback(p.m_client, &JackPeer::process, &p);
    jack_set_xrun_callback(
        p.m_client,
        [](void* self) {
            ++static_cast<JackPeer*>(self)->m_xruns;
            return 0;
        },
        &p);
    if (!p.m_in || !p.m_out || jack_activate(p.m_client) != 0) {
        if (error)
            *error = "the JACK peer's ports could not be made";
        return nullptr;
    }
    return self;
}

JackPeer::~JackPeer() {
    if (m_client)
        jack_client_close(m_client);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_signal.release();
    if (m_receiver.joinable())
        m_receiver.join();
    if (m_inRing)
        jack_ringbuffer_free(m_inRing);
    if (m_outRing)
        jack_ringbuffer_free(m_outRing);
}

int JackPeer::process(jack_nframes_t frames, void* self) {
    auto& p = *static_cast<JackPeer*>(self);
    void* in = jack_port_get_buffer(p.m_in, frames);
    bool any = false;
    for (std::uint32_t i = 0; i < jack_midi_get_event_count(in); ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, in, i) != 0 ||
            jack_ringbuffer_write_space(p.m_inRing) < sizeof(Length) + event.size)
            continue;
        const auto length = static_cast<Length>(event.size);
        jack_ringbuffer_write(p.m_inRing, reinterpret_cast<const char*>(&length), sizeof length);
        jack_ringbuffer_write(p.m_inRing, reinterpret_cast<const char*>(event.buffer), event.size);
        any = true;
    }
    if (any)
        p.m_signal.release();

    void* out = jack_port_get_buffer(p.m_out, frames);
    jack_midi_clear_buffer(out);
    while (const std::size_t length = nextLength(p.m_outRing)) {
        jack_midi_data_t* slot = jack_midi_event_reserve(out, 0, length);
        if (slot == nullptr)
            break;
        jack_ringbuffer_read_advance(p.m_outRing, sizeof(Length));
        jack_ringbuffer_read(p.m_outRing, reinterpret_cast<char*>(slot), length);
    }
    return 0;
}

void JackPeer::send(const Bytes& bytes, std::size_t chunk) {
    std::lock_guard lock(m_sendMutex);
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        const auto length = static_cast<Length>(std::min(chunk, bytes.size() - at));
        while (jack_ringbuffer_write_space(m_outRing) < sizeof length + length)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        jack_ringbuffer_write(m_outRing, reinterpret_cast<const char*>(&length), sizeof length);
        jack_ringbuffer_write(m_outRing, reinterpret_cast<const char*>(bytes.data() + at), length);
    }
}

void JackPeer::receiveLoop() {
    for (;;) {
        m_signal.acquire();
        while (const std::size_t length = nextLength(m_inRing)) {
            Bytes event(length);
            jack_ringbuffer_read_advance(m_inRing, sizeof(Length));
            jack_ringbuffer_read(m_inRing, reinterpret_cast<char*>(event.data()), length);
            if (m_options.answer && event == kStatusSense)
                send(kStatusReply);
            if (m_options.answer && event == kLoggingRead)
                send(kLoggingOff);
            if (m_options.onReceived)
                m_options.onReceived(event);
            {
                std::lock_guard lock(m_mutex);
                m_received.push_back(std::move(event));
            }
            m_arrived.notify_all();
        }
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
    }
}

std::vector<Bytes> JackPeer::received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

bool JackPeer::waitForCount(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return m_received.size() >= count; });
}

}  // namespace jacktest
