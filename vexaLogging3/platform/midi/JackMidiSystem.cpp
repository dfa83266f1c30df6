#include "platform/midi/JackMidiSystem.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <cerrno>
#include <cstdio>

#include "platform/MidiPacketList.h"
#include "platform/midi/MidiPortNames.h"

namespace platform::midi {

namespace {

// Input: room for the largest events a JACK MIDI port carries, many times over, so the
// delivering thread may fall well behind before anything is lost. Output: the program sends
// a few short messages a second.
constexpr std::size_t kInRingBytes = std::size_t{1} << 20;
constexpr std::size_t kOutRingBytes = std::size_t{1} << 16;
// A wait for the process callback to run gives up after this long: a server that stalls must
// not hang the caller.
constexpr std::chrono::milliseconds kCycleWaitLimit{500};
constexpr std::chrono::milliseconds kPoll{1};
// How long a call waits for JACK to answer the opening of a client; a later call takes up an
// answer that comes after.
constexpr std::chrono::milliseconds kOpenLimit{1000};

// Each event travels through a ring buffer as this header and its bytes.
struct RecordHeader {
    std::uint32_t generation;
    std::uint32_t length;
};

void quiet(const char*) {}

void markDead(jack_status_t, const char*, void* dead) {
    static_cast<std::atomic<bool>*>(dead)->store(true);
}

bool writeRecord(jack_ringbuffer_t* ring, std::uint32_t generation, const std::uint8_t* data,
                 std::size_t size) {
    if (jack_ringbuffer_write_space(ring) < sizeof(RecordHeader) + size)
        return false;
    const RecordHeader header{generation, static_cast<std::uint32_t>(size)};
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&header), sizeof header);
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(data), size);
    return true;
}

// The header of the next whole record waiting in `ring`.
std::optional<RecordHeader> nextRecord(jack_ringbuffer_t* ring) {
    RecordHeader header{};
    const std::size_t available = jack_ringbuffer_read_space(ring);
    if (available < sizeof header)
        return std::nullopt;
    jack_ringbuffer_peek(ring, reinterpret_cast<char*>(&header), sizeof header);
    if (available < sizeof header + header.length)
        return std::nullopt;
    return header;
}

}  // namespace

JackMidiSystem::JackMidiSystem() : JackMidiSystem(Options{}) {}

JackMidiSystem::JackMidiSystem(Options options) : m_options(std::move(options)) {
    // libjack writes to standard error on every failed attempt to reach a server, which
    // would be one complaint per scan; this object says it once, through `report`.
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    m_inRing = jack_ringbuffer_create(kInRingBytes);
    m_outRing = jack_ringbuffer_create(kOutRingBytes);
    m_deliverer = std::thread([this] { deliverLoop(); });
}

JackMidiSystem::~JackMidiSystem() {
    {
        std::lock_guard lock(m_mutex);
        if (m_client)
            closeClientLocked();
        if (m_opening) {
            std::lock_guard opening(m_opening->mutex);
            m_opening->abandoned = true;
        }
    }
    m_stopping = true;
    m_inSignal.release();
    m_deliverer.join();
    jack_ringbuffer_free(m_inRing);
    jack_ringbuffer_free(m_outRing);
}

bool JackMidiSystem::ensureClientLocked() {
    if (m_client && m_dead.load())
        closeClientLocked();
    if (m_client)
        return true;
    bool answered = true;
    m_client = openClientLocked(answered);
    if (m_client) {
        m_dead = false;
        ++m_epoch;
        jack_set_process_callback(m_client, &JackMidiSystem::process, this);
        jack_on_info_shutdown(m_client, &markDead, &m_dead);
        if (jack_activate(m_client) != 0) {
            jack_client_close(m_client);
            m_client = nullptr;
        }
    }
    const bool reachable = m_client != nullptr;
    if (!reachable && m_reachable) {
        const bool named = !m_options.serverName.empty();
        const std::string server =
            named ? " under the name \"" + m_options.serverName + "\"" : std::string();
        const std::string line =
            answered ? "JACK MIDI: no JACK server is running" + server +
                           "; the interface is looked for again until one is."
                     : "JACK MIDI: the JACK server" + server +
                           " does not answer; the interface is looked for again until it does.";
        if (m_options.report)
            m_options.report(line);
        else
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    m_reachable = reachable;
    return reachable;
}

jack_client_t* JackMidiSystem::openClientLocked(bool& answered) {
    const bool started = m_opening == nullptr;
    if (started) {
        m_opening = std::make_shared<Opening>();
        std::thread([opening = m_opening, name = m_options.clientName,
                     server = m_options.serverName] {
            const auto flags = static_cast<jack_options_t>(JackNoStartServer |
                                                           (server.empty() ? 0 : JackServerName));
            jack_status_t status{};
            jack_client_t* client =
                server.empty() ? jack_client_open(name.c_str(), flags, &status)
                               : jack_client_open(name.c_str(), flags, &status, server.c_str());
            std::lock_guard lock(opening->mutex);
            if (opening->abandoned && client != nullptr) {
                jack_client_close(client);
                client = nullptr;
            }
            opening->client = client;
            opening->done = true;
            opening->answered.notify_all();
        }).detach();
    }
    std::unique_lock lock(m_opening->mutex);
    // Only the call that asked waits; the ones after only look, so a hung server holds the
    // caller once, not at every call.
    if (started)
        m_opening->answered.wait_for(lock, kOpenLimit, [&] { return m_opening->done; });
    answered = m_opening->done;
    if (!answered)
        return nullptr;
    jack_client_t* client = m_opening->client;
    lock.unlock();
    m_opening.reset();
    return client;
}

void JackMidiSystem::closeClientLocked() {
    m_rtIn = nullptr;
    m_rtOut = nullptr;
    // Stops the process callback and libjack's own thread for good; the ports go with the
    // client.
    jack_client_close(m_client);
    m_client = nullptr;
    m_keptIn = nullptr;
    m_keptOut = nullptr;
    {
        std::lock_guard lock(m_deliveryMutex);
        m_readProc = nullptr;
        ++m_inGeneration;
    }
    ++m_outGeneration;
}

std::vector<std::string> JackMidiSystem::listLocked(bool destinations) {
    std::vector<std::string> names;
    if (!ensureClientLocked())
        return names;
    const char** ports = jack_get_ports(m_client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                        destinations ? JackPortIsInput : JackPortIsOutput);
    if (ports == nullptr)
        return names;
    for (const char** p = ports; *p != nullptr; ++p) {
        // This program's own ports are no devices.
        const jack_port_t* port = jack_port_by_name(m_client, *p);
        if (port != nullptr && !jack_port_is_mine(m_client, port))
            names.emplace_back(*p);
    }
    jack_free(ports);
    return names;
}

platform::MidiRef JackMidiSystem::endpointRefLocked(bool destination, const std::string& portName) {
    const std::string key = (destination ? "d" : "s") + portName;
    const auto found = m_refsByName.find(key);
    if (found != m_refsByName.end())
        return found->second;
    const platform::MidiRef ref = m_next++;
    m_refsByName.emplace(key, ref);
    m_endpoints.emplace(ref, Endpoint{destination, portName});
    return ref;
}

const JackMidiSystem::Endpoint* JackMidiSystem::endpointLocked(platform::MidiRef ref) const {
    const auto it = m_endpoints.find(ref);
    return it == m_endpoints.end() ? nullptr : &it->second;
}

JackMidiSystem::Port* JackMidiSystem::livePortLocked(platform::MidiRef ref) {
    const auto it = m_ports.find(ref);
    if (it == m_ports.end() || !m_client || m_dead.load() || it->second.epoch != m_epoch)
        return nullptr;
    return &it->second;
}

bool JackMidiSystem::serverAnswers() {
    std::lock_guard lock(m_mutex);
    return ensureClientLocked();
}

std::vector<std::string> JackMidiSystem::destinationNames() {
    std::lock_guard lock(m_mutex);
    return listLocked(true);
}

std::vector<std::string> JackMidiSystem::sourceNames() {
    std::lock_guard lock(m_mutex);
    return listLocked(false);
}

std::string JackMidiSystem::portName(platform::MidiRef port) {
    std::lock_guard lock(m_mutex);
    const Port* p = livePortLocked(port);
    return p ? jack_port_name(p->jackPort) : "";
}

int JackMidiSystem::numberOfDestinations() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(listLocked(true).size());
}

platform::MidiRef JackMidiSystem::destination(int index) {
    std::lock_guard lock(m_mutex);
    const std::vector<std::string> names = listLocked(true);
    if (index < 0 || static_cast<std::size_t>(index) >= names.size())
        return platform::kNoMidiObject;
    return endpointRefLocked(true, names[static_cast<std::size_t>(index)]);
}

std::optional<std::string> JackMidiSystem::modelName(platform::MidiRef endpoint) {
    std::lock_guard lock(m_mutex);
    const Endpoint* e = endpointLocked(endpoint);
    if (e == nullptr)
        return std::nullopt;
    return clientNameOfPort(e->portName);
}

std::optional<std::string> JackMidiSystem::endpointName(platform::MidiRef endpoint) {
    std::lock_guard lock(m_mutex);
    const Endpoint* e = endpointLocked(endpoint);
    if (e == nullptr)
        return std::nullopt;
    return e->portName;
}

platform::MidiRef JackMidiSystem::sourceOfDevice(platform::MidiRef destination) {
    std::lock_guard lock(m_mutex);
    const Endpoint* e = endpointLocked(destination);
    if (e == nullptr || !e->destination)
        return platform::kNoMidiObject;
    const std::string device = clientNameOfPort(e->portName);
    for (const std::string& name : listLocked(false)) {
        if (clientNameOfPort(name) == device)
            return endpointRefLocked(false, name);
    }
    return platform::kNoMidiObject;
}

int JackMidiSystem::clientCreate(std::string_view name, platform::MidiRef& client) {
    std::lock_guard lock(m_mutex);
    if (!ensureClientLocked())
        return kBackendFailed;
    client = m_next++;
    m_clients.emplace(client, std::string(name));
    return 0;
}

jack_port_t* JackMidiSystem::keptPortLocked(bool input, std::string_view name) {
    jack_port_t*& kept = input ? m_keptIn : m_keptOut;
    const std::string wanted(name);
    if (kept == nullptr) {
        kept = jack_port_register(m_client, wanted.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                  input ? JackPortIsInput : JackPortIsOutput, 0);
    } else if (wanted != jack_port_short_name(kept) &&
               jack_port_rename(m_client, kept, wanted.c_str()) != 0) {
        return nullptr;
    }
    return kept;
}

bool JackMidiSystem::hasLivePortLocked(bool input) const {
    for (const auto& [ref, port] : m_ports) {
        if (port.input == input && port.epoch == m_epoch)
            return true;
    }
    return false;
}

int JackMidiSystem::outputPortCreate(platform::MidiRef client, std::string_view name,
                                     platform::MidiRef& port) {
    std::lock_guard lock(m_mutex);
    if (m_clients.count(client) == 0)
        return kNoSuchObject;
    if (!ensureClientLocked() || hasLivePortLocked(false))
        return kBackendFailed;
    jack_port_t* p = keptPortLocked(false, name);
    if (p == nullptr)
        return kBackendFailed;
    ++m_outGeneration;
    m_rtOut = p;
    port = m_next++;
    m_ports.emplace(port, Port{client, false, p, m_epoch, {}});
    return 0;
}

int JackMidiSystem::inputPortCreate(platform::MidiRef client, std::string_view name,
                                    platform::MidiReadProc readProc, platform::MidiRef& port) {
    std::lock_guard lock(m_mutex);
    if (m_clients.count(client) == 0)
        return kNoSuchObject;
    if (!ensureClientLocked() || hasLivePortLocked(true))
        return kBackendFailed;
    jack_port_t* p = keptPortLocked(true, name);
    if (p == nullptr)
        return kBackendFailed;
    {
        std::lock_guard delivery(m_deliveryMutex);
        m_readProc = readProc;
        ++m_inGeneration;
    }
    m_rtIn = p;
    port = m_next++;
    m_ports.emplace(port, Port{client, true, p, m_epoch, {}});
    return 0;
}

void JackMidiSystem::waitCyclesLocked(int cycles) {
    const std::uint64_t until = m_cycles.load() + static_cast<std::uint64_t>(cycles);
    const auto deadline = std::chrono::steady_clock::now() + kCycleWaitLimit;
    while (m_cycles.load() < until && !m_dead.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kPoll);
}

int JackMidiSystem::connectLocked(Port& port, const std::string& endpoint) {
    if (port.connectedTo == endpoint && jack_port_connected_to(port.jackPort, endpoint.c_str()))
        return 0;
    const std::string ours = jack_port_name(port.jackPort);
    if (!port.connectedTo.empty()) {
        const std::string& old = port.connectedTo;
        if (port.input)
            jack_disconnect(m_client, old.c_str(), ours.c_str());
        else
            jack_disconnect(m_client, ours.c_str(), old.c_str());
        port.connectedTo.clear();
    }
    const std::string& from = port.input ? endpoint : ours;
    const std::string& to = port.input ? ours : endpoint;
    const int made = jack_connect(m_client, from.c_str(), to.c_str());
    if (made != 0 && made != EEXIST)
        return kBackendFailed;
    // jack_connect returns before the connection takes effect; a message written before
    // then goes nowhere. JACK reports it here once the graph that holds it runs...
    const auto deadline = std::chrono::steady_clock::now() + m_options.connectLimit;
    while (!jack_port_connected_to(port.jackPort, endpoint.c_str())) {
        if (m_dead.load() || std::chrono::steady_clock::now() >= deadline) {
            jack_disconnect(m_client, from.c_str(), to.c_str());
            return kNotInEffect;
        }
        std::this_thread::sleep_for(kPoll);
    }
    // ...and a process cycle that began under the old graph may still be picking up output:
    // let it end before anything is written.
    waitCyclesLocked(2);
    port.connectedTo = endpoint;
    return 0;
}

int JackMidiSystem::portConnectSource(platform::MidiRef inputPort, platform::MidiRef source) {
    std::lock_guard lock(m_mutex);
    Port* port = livePortLocked(inputPort);
    const Endpoint* e = endpointLocked(source);
    if (port == nullptr || !port->input || e == nullptr || e->destination)
        return kNoSuchObject;
    return connectLocked(*port, e->portName);
}

int JackMidiSystem::portConnectDestination(platform::MidiRef outputPort,
                                           platform::MidiRef destination) {
    std::lock_guard lock(m_mutex);
    Port* port = livePortLocked(outputPort);
    const Endpoint* e = endpointLocked(destination);
    if (port == nullptr || port->input || e == nullptr || !e->destination)
        return kNoSuchObject;
    return connectLocked(*port, e->portName);
}

bool JackMidiSystem::connectedLocked(const Port& port) {
    // A device that went and came back between two looks has a port of the same name that
    // was never connected to ours.
    return !port.connectedTo.empty() &&
           jack_port_by_name(m_client, port.connectedTo.c_str()) != nullptr &&
           jack_port_connected_to(port.jackPort, port.connectedTo.c_str());
}

bool JackMidiSystem::portConnected(platform::MidiRef port) {
    std::lock_guard lock(m_mutex);
    const Port* p = livePortLocked(port);
    return p != nullptr && connectedLocked(*p);
}

void JackMidiSystem::disposeLocked(platform::MidiRef ref) {
    const auto it = m_ports.find(ref);
    if (it == m_ports.end())
        return;
    if (livePortLocked(ref) != nullptr) {
        const Port& port = it->second;
        // What it still holds is dropped: unsent records and undelivered events carry the
        // old generation.
        if (port.input) {
            std::lock_guard delivery(m_deliveryMutex);
            m_readProc = nullptr;
            ++m_inGeneration;
        } else {
            ++m_outGeneration;
        }
        // Kept registered (see the class comment), but connected to nothing.
        jack_port_disconnect(m_client, port.jackPort);
    }
    m_ports.erase(it);
}

void JackMidiSystem::portDispose(platform::MidiRef port) {
    std::lock_guard lock(m_mutex);
    disposeLocked(port);
}

void JackMidiSystem::clientDispose(platform::MidiRef client) {
    std::lock_guard lock(m_mutex);
    if (m_clients.erase(client) == 0)
        return;
    // A client takes its ports with it.
    std::vector<platform::MidiRef> ports;
    for (const auto& [ref, port] : m_ports) {
        if (port.client == client)
            ports.push_back(ref);
    }
    for (const platform::MidiRef ref : ports) disposeLocked(ref);
}

void JackMidiSystem::send(platform::MidiRef outputPort, platform::MidiRef destination,
                          std::span<const std::uint8_t> packetList) {
    std::lock_guard lock(m_mutex);
    Port* port = livePortLocked(outputPort);
    const Endpoint* e = endpointLocked(destination);
    if (port == nullptr || port->input || e == nullptr || !e->destination)
        return;
    if (port->connectedTo != e->portName && connectLocked(*port, e->portName) != 0)
        return;
    const std::uint32_t generation = m_outGeneration.load();
    platform::forEachMidiPacket(packetList, [&](std::span<const std::uint8_t> message) {
        if (!message.empty() && !writeRecord(m_outRing, generation, message.data(), message.size()))
            ++m_overflows;
    });
}

int JackMidiSystem::process(std::uint32_t frames, void* self) {
    auto& s = *static_cast<JackMidiSystem*>(self);
    s.readInput(frames);
    s.writeOutput(frames);
    s.m_cycles.fetch_add(1);
    return 0;
}

void JackMidiSystem::readInput(std::uint32_t frames) {
    jack_port_t* in = m_rtIn.load();
    if (in == nullptr)
        return;
    const std::uint32_t generation = m_inGeneration.load();
    void* buffer = jack_port_get_buffer(in, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    bool any = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0 || event.size == 0)
            continue;
        if (writeRecord(m_inRing, generation, event.buffer, event.size))
            any = true;
        else
            ++m_overflows;
    }
    if (any)
        m_inSignal.release();
}

void JackMidiSystem::writeOutput(std::uint32_t frames) {
    jack_port_t* out = m_rtOut.load();
    void* buffer = out ? jack_port_get_buffer(out, frames) : nullptr;
    if (buffer)
        jack_midi_clear_buffer(buffer);
    const std::uint32_t generation = m_outGeneration.load();
    while (const std::optional<RecordHeader> record = nextRecord(m_outRing)) {
        const std::size_t whole = sizeof(RecordHeader) + record->length;
        if (buffer == nullptr || record->generation != generation) {
            // Sent through a port since disposed.
            jack_ringbuffer_read_advance(m_outRing, whole);
            continue;
        }
        jack_midi_data_t* slot = jack_midi_event_reserve(buffer, 0, record->length);
        if (slot == nullptr) {
            if (jack_midi_get_event_count(buffer) > 0)
                break;  // Full this cycle; the rest goes in the next.
            jack_ringbuffer_read_advance(m_outRing, whole);  // Fits in no cycle at all.
            ++m_overflows;
            continue;
        }
        jack_ringbuffer_read_advance(m_outRing, sizeof(RecordHeader));
        jack_ringbuffer_read(m_outRing, reinterpret_cast<char*>(slot), record->length);
    }
}

void JackMidiSystem::deliverLoop() {
    std::vector<std::uint8_t> event;
    while (!m_stopping.load()) {
        m_inSignal.try_acquire_for(std::chrono::milliseconds(200));
        while (const std::optional<RecordHeader> record = nextRecord(m_inRing)) {
            event.resize(record->length);
            jack_ringbuffer_read_advance(m_inRing, sizeof(RecordHeader));
            jack_ringbuffer_read(m_inRing, reinterpret_cast<char*>(event.data()), event.size());
            std::lock_guard lock(m_deliveryMutex);
            if (m_readProc == nullptr || record->generation != m_inGeneration.load())
                continue;  // For a port since disposed.
            // The bytes as they came, in packets short enough for a packet list.
            const std::vector<std::uint8_t> list = platform::makeMidiPacketList(event);
            m_readProc(list, nullptr, nullptr);
        }
    }
}

std::string JackMidiSystem::libraryVersion() {
    return std::string("JACK ") + jack_get_version_string();
}

}  // namespace platform::midi
