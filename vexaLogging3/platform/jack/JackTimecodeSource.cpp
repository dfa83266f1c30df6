#include "platform/jack/JackTimecodeSource.h"

#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>

namespace platform::jack {

namespace {

constexpr std::size_t kRingBytes = 1 << 16;
// What the audio thread passes on at most: a MIDI event longer than this is dropped whole.
constexpr std::size_t kLongestEvent = 256;
// LTC frames in a row at a wrong level before the user is told, and right again before the
// message goes.
constexpr int kLevelFrames = 10;
// Below this the decoder misses bits; libltc's own encoder goes down to about -42 dBFS.
constexpr double kQuietestLevel = -36.0;

const char* portType(JackTimecodeSource::Kind kind) {
    return kind == JackTimecodeSource::Kind::ltc ? JACK_DEFAULT_AUDIO_TYPE : JACK_DEFAULT_MIDI_TYPE;
}

jack_client_t* openClient(const std::string& name, const std::string& server) {
    jack_status_t status{};
    const auto options = static_cast<jack_options_t>(
        JackNoStartServer | (server.empty() ? JackNullOption : JackServerName));
    return server.empty() ? jack_client_open(name.c_str(), options, &status)
                          : jack_client_open(name.c_str(), options, &status, server.c_str());
}

std::vector<std::string> outputPorts(jack_client_t* client, JackTimecodeSource::Kind kind) {
    std::vector<std::string> names;
    const std::string own = std::string(jack_get_client_name(client)) + ":";
    if (const char** ports = jack_get_ports(client, nullptr, portType(kind), JackPortIsOutput)) {
        for (const char** p = ports; *p != nullptr; ++p)
            if (!std::string_view(*p).starts_with(own))
                names.emplace_back(*p);
        jack_free(ports);
    }
    return names;
}

}  // namespace

LtcRate::Rate LtcRate::update(const LTCFrameExt& frame, double sampleRate) {
    // What this frame alone says: the nearest of the rates to its length, raised by its frame
    // number, drop-frame by its flag.
    const double length = static_cast<double>(frame.off_end - frame.off_start + 1);
    const double measured = length > 0 ? sampleRate / length : 25;
    Rate says{24, false};
    for (const int fps : {25, 30})
        if (std::abs(measured - fps) < std::abs(measured - says.framesPerSecond))
            says.framesPerSecond = fps;
    const int number = frame.ltc.frame_units + 10 * frame.ltc.frame_tens;
    if (number >= says.framesPerSecond)
        says.framesPerSecond = number >= 25 ? 30 : 25;
    if (frame.ltc.dfbit)
        says = {30, true};
    const bool strong = says.dropFrame != m_rate.dropFrame || number >= m_rate.framesPerSecond;
    if (!m_known || says == m_rate || ++m_disagreeing >= (strong ? 3 : 8)) {
        m_known = true;
        m_rate = says;
        m_disagreeing = 0;
    }
    return m_rate;
}

LtcDecoding::LtcDecoding(double sampleRate)
    : m_sampleRate(sampleRate),
      m_decoder(ltc_decoder_create(static_cast<int>(sampleRate / 25), 32)),
      m_ring(jack_ringbuffer_create(kRingBytes)) {
    if (m_ring != nullptr)
        jack_ringbuffer_mlock(m_ring);
}

LtcDecoding::~LtcDecoding() {
    if (m_decoder != nullptr)
        ltc_decoder_free(m_decoder);
    if (m_ring != nullptr)
        jack_ringbuffer_free(m_ring);
}

bool LtcDecoding::write(float* samples, std::uint32_t count, std::int64_t cycleStart,
                        double microsPerSample) {
    ltc_decoder_write_float(m_decoder, samples, count, m_samples);
    Record record;
    bool any = false;
    while (ltc_decoder_read(m_decoder, &record.frame) != 0) {
        // Where its first sample lies from this cycle's start; before it for most frames.
        const double offset = static_cast<double>(record.frame.off_start - m_samples);
        record.beganAt = cycleStart + std::llround(offset * microsPerSample);
        if (jack_ringbuffer_write_space(m_ring) < sizeof record) {
            m_overflows.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        jack_ringbuffer_write(m_ring, reinterpret_cast<const char*>(&record), sizeof record);
        any = true;
    }
    m_samples += count;
    return any;
}

bool LtcDecoding::read(Record& record) {
    if (jack_ringbuffer_read_space(m_ring) < sizeof record)
        return false;
    jack_ringbuffer_read(m_ring, reinterpret_cast<char*>(&record), sizeof record);
    return true;
}

platform::SourceFrame LtcDecoding::frameOf(const Record& record, std::int64_t latency) {
    SMPTETimecode time{};
    ltc_frame_to_time(&time, const_cast<LTCFrame*>(&record.frame.ltc), 0);
    platform::SourceFrame frame;
    frame.hours = time.hours;
    frame.minutes = time.mins;
    frame.seconds = time.secs;
    frame.frames = time.frame;
    const LtcRate::Rate rate = m_rate.update(record.frame, m_sampleRate);
    frame.framesPerSecond = rate.framesPerSecond;
    frame.dropFrame = rate.dropFrame;
    frame.reverse = record.frame.reverse != 0;
    frame.beganAt = record.beganAt - latency;
    return frame;
}

JackTimecodeSource::JackTimecodeSource(Options options) : m_options(std::move(options)) {}

JackTimecodeSource::~JackTimecodeSource() {
    stop();
}

std::string JackTimecodeSource::name() const {
    const std::string kind = m_options.kind == Kind::ltc   ? "LTC"
                             : m_options.kind == Kind::mtc ? "MTC"
                                                           : "MIDI keys";
    return m_options.port.empty() ? kind : kind + " " + m_options.port;
}

std::int64_t JackTimecodeSource::now() const {
    const auto clock = static_cast<std::int64_t>(jack_get_time());
    const std::int64_t heard = m_heardUntil.load(std::memory_order_relaxed);
    return heard > 0 ? std::min(clock, heard) : clock;
}

std::vector<std::string> JackTimecodeSource::listPorts(Kind kind, const std::string& serverName) {
    jack_client_t* client = openClient("Glimmark ports", serverName);
    if (client == nullptr)
        return {};
    std::vector<std::string> names = outputPorts(client, kind);
    jack_client_close(client);
    return names;
}

std::string JackTimecodeSource::inputPortName() const {
    return m_port != nullptr ? jack_port_name(m_port) : std::string();
}

bool JackTimecodeSource::start(Callbacks callbacks, std::string& why) {
    stop();
    m_client = openClient(m_options.clientName, m_options.serverName);
    if (m_client == nullptr) {
        why = "no JACK server answers";
        return false;
    }
    const bool ltc = m_options.kind == Kind::ltc;
    m_sampleRate = jack_get_sample_rate(m_client);
    const char* portName = ltc ? "LTC in" : m_options.kind == Kind::mtc ? "MTC in" : "keys in";
    m_port = jack_port_register(m_client, portName, portType(m_options.kind), JackPortIsInput, 0);
    if (ltc)
        m_ltc = std::make_unique<LtcDecoding>(m_sampleRate);
    else if ((m_ring = jack_ringbuffer_create(kRingBytes)) != nullptr)
        jack_ringbuffer_mlock(m_ring);
    if (m_port == nullptr || (ltc ? !m_ltc->ready() : m_ring == nullptr)) {
        why = "JACK refused the input port";
        close();
        return false;
    }
    if (m_options.kind == Kind::mtc &&
        (m_mtc = m_options.mtcDecoder ? m_options.mtcDecoder() : nullptr) == nullptr) {
        why = "no reader for MIDI Time Code";
        close();
        return false;
    }
    m_callbacks = std::move(callbacks);
    m_dead = false;
    m_stopping = false;
    m_heardUntil = 0;
    m_connectionProblem.clear();
    m_levelProblem.clear();
    m_levelFrames = 0;
    m_reported.clear();
    jack_set_process_callback(m_client, &JackTimecodeSource::process, this);
    jack_on_shutdown(m_client, &JackTimecodeSource::shutdown, this);
    if (jack_activate(m_client) != 0) {
        why = "JACK would not run the input";
        close();
        return false;
    }
    m_reader = std::thread([this] { readLoop(); });
    return true;
}

void JackTimecodeSource::stop() {
    m_stopping = true;
    m_signal.release();
    if (m_reader.joinable())
        m_reader.join();
    close();
}

void JackTimecodeSource::close() {
    if (m_client != nullptr && !m_dead)
        jack_client_close(m_client);
    m_client = nullptr;
    m_port = nullptr;
    m_ltc.reset();
    if (m_ring != nullptr)
        jack_ringbuffer_free(m_ring);
    m_ring = nullptr;
}

void JackTimecodeSource::shutdown(void* self) {
    auto* source = static_cast<JackTimecodeSource*>(self);
    source->m_dead = true;
    source->m_signal.release();
}

int JackTimecodeSource::process(jack_nframes_t frames, void* self) {
    auto* source = static_cast<JackTimecodeSource*>(self);
    jack_nframes_t cycleFrames = 0;
    jack_time_t cycleMicros = 0, nextMicros = 0;
    float periodMicros = 0;
    if (jack_get_cycle_times(source->m_client, &cycleFrames, &cycleMicros, &nextMicros,
                             &periodMicros) != 0 ||
        frames == 0)
        return 0;
    // JACK's estimate of the next cycle's start may lag this one's after a stall: the nominal
    // length of a sample then.
    const double microsPerSample =
        nextMicros > cycleMicros ? static_cast<double>(nextMicros - cycleMicros) / frames
                                 : 1e6 / source->m_sampleRate;
    source->m_heardUntil.store(
        static_cast<std::int64_t>(cycleMicros) + std::llround(2.0 * frames * microsPerSample),
        std::memory_order_relaxed);
    if (source->m_options.kind == Kind::ltc)
        source->processLtc(frames, static_cast<std::int64_t>(cycleMicros), microsPerSample);
    else
        source->processMtc(frames, static_cast<std::int64_t>(cycleMicros), microsPerSample);
    return 0;
}

void JackTimecodeSource::processLtc(jack_nframes_t frames, std::int64_t cycleStart,
                                    double microsPerSample) {
    auto* samples = static_cast<float*>(jack_port_get_buffer(m_port, frames));
    if (m_ltc->write(samples, frames, cycleStart, microsPerSample))
        m_signal.release();
}

void JackTimecodeSource::processMtc(jack_nframes_t frames, std::int64_t cycleStart,
                                    double microsPerSample) {
    void* buffer = jack_port_get_buffer(m_port, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    bool any = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size > kLongestEvent)
            continue;
        const MidiHeader header{cycleStart + std::llround(event.time * microsPerSample),
                                static_cast<std::uint32_t>(event.size)};
        if (jack_ringbuffer_write_space(m_ring) < sizeof header + event.size) {
            m_overflows.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        jack_ringbuffer_write(m_ring, reinterpret_cast<const char*>(&header), sizeof header);
        jack_ringbuffer_write(m_ring, reinterpret_cast<const char*>(event.buffer), event.size);
        any = true;
    }
    if (any)
        m_signal.release();
}

void JackTimecodeSource::readLoop() {
    auto lastCheck = std::chrono::steady_clock::time_point();
    std::int64_t latency = 0;
    while (!m_stopping) {
        (void)m_signal.try_acquire_for(std::chrono::milliseconds(50));
        if (m_stopping)
            break;
        if (m_dead) {
            report("The JACK server stopped");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - lastCheck >= std::chrono::milliseconds(250)) {
            lastCheck = now;
            keepConnected();
            // The capture latency of what feeds the port: the frame was at the input earlier.
            jack_latency_range_t range{};
            jack_port_get_latency_range(m_port, JackCaptureLatency, &range);
            latency = std::llround(range.max * 1e6 / m_sampleRate);
        }
        readRing(latency);
    }
}

void JackTimecodeSource::readRing(std::int64_t latency) {
    if (m_options.kind != Kind::ltc) {
        MidiHeader header{};
        std::array<std::uint8_t, kLongestEvent> bytes{};
        while (jack_ringbuffer_read_space(m_ring) >= sizeof header) {
            jack_ringbuffer_read(m_ring, reinterpret_cast<char*>(&header), sizeof header);
            jack_ringbuffer_read(m_ring, reinterpret_cast<char*>(bytes.data()), header.size);
            const std::uint8_t kind = bytes[0] & 0xF0;
            if (m_options.onKey && header.size == 3 &&
                (kind == 0x80 || kind == 0x90 || kind == 0xB0))
                m_options.onKey(bytes[0], bytes[1], bytes[2], header.at);
            for (std::uint32_t i = 0; m_options.kind == Kind::mtc && i < header.size; ++i)
                if (const auto frame = m_mtc->byte(bytes[i], header.at))
                    m_callbacks.frame(*frame);
        }
        return;
    }
    LtcDecoding::Record record;
    while (m_ltc->read(record)) {
        const platform::SourceFrame frame = m_ltc->frameOf(record, latency);
        // The level of the signal: a quiet one loses bits, a clipped one is distorted.
        std::string level;
        if (record.frame.volume < kQuietestLevel)
            level =
                "LTC level too low (" + std::to_string(std::lround(record.frame.volume)) + " dBFS)";
        else if (record.frame.sample_max == 255 || record.frame.sample_min == 0)
            level = "LTC level too high: the signal clips";
        m_levelFrames = level != m_levelProblem ? m_levelFrames + 1 : 0;
        if (m_levelFrames >= kLevelFrames) {
            m_levelProblem = level;
            m_levelFrames = 0;
            if (m_connectionProblem.empty())
                report(m_levelProblem);
        }
        m_callbacks.frame(frame);
    }
}

void JackTimecodeSource::keepConnected() {
    if (jack_port_connected(m_port) > 0) {
        if (!m_connectionProblem.empty()) {
            m_connectionProblem.clear();
            report(m_levelProblem);
        }
        return;
    }
    const std::string kind = m_options.kind == Kind::ltc ? "LTC" : "MIDI";
    std::string target = m_options.port;
    if (target.empty()) {
        const std::vector<std::string> ports = outputPorts(m_client, m_options.kind);
        target = ports.empty() ? std::string() : ports.front();
    }
    if (!target.empty() && jack_port_by_name(m_client, target.c_str()) != nullptr &&
        jack_connect(m_client, target.c_str(), jack_port_name(m_port)) == 0)
        return;  // in effect at a later cycle; the next check says so
    m_connectionProblem = target.empty()           ? "No " + kind + " port to read"
                          : m_options.port.empty() ? "Cannot read " + target
                                                   : m_options.port + " is not there";
    report(m_connectionProblem);
}

void JackTimecodeSource::report(const std::string& line) {
    if (line == m_reported)
        return;
    m_reported = line;
    if (m_callbacks.problem)
        m_callbacks.problem(line);
}

}  // namespace platform::jack
