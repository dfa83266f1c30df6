#include "platform/midi/RtMidiSystem.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/MidiPacketList.h"
#include "platform/midi/RtMidiSeam.h"

namespace platform::midi {

namespace {

// A MIDI system that could not be opened (no ALSA sequencer on this machine) is tried again
// after this long, not on every scan: each failed attempt writes its complaint to stderr.
constexpr std::chrono::seconds kProbeRetry{5};

// The clients that list the endpoints. Under JACK they are clients without ports, which
// port listings do not show.
constexpr const char* kProbeOutName = "Glimmark scan out";
constexpr const char* kProbeInName = "Glimmark scan in";

}  // namespace

std::optional<MidiApi> midiApiFromEnvironment() {
    const char* value = std::getenv("GLIMMARK_MIDI_API");
    return value == nullptr ? std::nullopt : parseMidiApi(value);
}

struct RtMidiSystem::ErrorSink {
    // Errors that make a call fail; warnings only leave their text.
    std::atomic<int> failures{0};
    std::mutex mutex;
    std::string last;
    // The system's own sink, which keeps the last text of all of them.
    ErrorSink* shared = nullptr;

    void record(bool failure, const std::string& text) {
        if (failure)
            ++failures;
        {
            std::lock_guard lock(mutex);
            last = text;
        }
        if (shared != nullptr)
            shared->record(false, text);
    }

    // RtMidi calls this instead of throwing, on the thread that met the error.
    static void onError(bool failure, const std::string& text, void* sink) {
        static_cast<ErrorSink*>(sink)->record(failure, text);
    }

    // Runs one call into RtMidi; false when it threw or reported an error.
    template <class Call>
    bool guarded(Call&& call) {
        const int before = failures.load();
        try {
            call();
        } catch (const std::exception& e) {
            record(true, e.what());
            return false;
        } catch (...) {
            record(true, "unknown RtMidi failure");
            return false;
        }
        return failures.load() == before;
    }
};

namespace {

// Creates an RtMidi object whose errors go to `sink`; null when the MIDI system cannot be
// opened (RtMidi throws from the constructor, before an error callback can be set).
std::unique_ptr<RtPort> makeRtPort(RtBackend& backend, bool input, MidiApi api,
                                   const std::string& clientName, RtMidiSystem::ErrorSink& sink) {
    std::unique_ptr<RtPort> object;
    sink.guarded([&] {
        object =
            input ? backend.makeInput(api, clientName, &RtMidiSystem::ErrorSink::onError, &sink)
                  : backend.makeOutput(api, clientName, &RtMidiSystem::ErrorSink::onError, &sink);
    });
    return object;
}

std::vector<std::string> portNamesOf(RtPort& object, RtMidiSystem::ErrorSink& sink) {
    std::vector<std::string> names;
    const bool listed = sink.guarded([&] {
        const unsigned count = object.portCount();
        for (unsigned i = 0; i < count; ++i) names.push_back(object.portName(i));
    });
    if (!listed)
        names.clear();
    return names;
}

std::optional<unsigned> portIndexOf(RtPort& object, RtMidiSystem::ErrorSink& sink,
                                    const std::string& portName) {
    const std::vector<std::string> names = portNamesOf(object, sink);
    for (unsigned i = 0; i < names.size(); ++i) {
        if (names[i] == portName)
            return i;
    }
    return std::nullopt;
}

}  // namespace

struct RtMidiSystem::OutputPort {
    platform::MidiRef client;
    std::string name;
    ErrorSink errors;
    std::string connectedTo;  // port name of the destination it is open to
    std::unique_ptr<RtPort> out;
};

struct RtMidiSystem::InputPort {
    platform::MidiRef client;
    std::string name;
    platform::MidiReadProc readProc;
    ErrorSink errors;
    std::string connectedTo;  // port name of the source it is open to
    // Last member: it goes first, and with it the thread that calls deliver() with this port.
    std::unique_ptr<RtPort> in;

    // RtMidi hands over one whole message at a time, System Exclusive included; one longer
    // than a packet holds comes in several packets of the same list.
    static void deliver(const std::vector<unsigned char>& message, void* self) {
        const auto* port = static_cast<const InputPort*>(self);
        if (message.empty() || port->readProc == nullptr)
            return;
        const std::vector<std::uint8_t> list = platform::makeMidiPacketList(message);
        port->readProc(list, nullptr, nullptr);
    }
};

struct RtMidiSystem::Probes {
    ErrorSink outErrors;
    ErrorSink inErrors;
    std::unique_ptr<RtPort> out;
    std::unique_ptr<RtPort> in;
    std::chrono::steady_clock::time_point retryAt{};
};

RtMidiSystem::RtMidiSystem(MidiApi api, std::function<void(std::string_view)> report,
                           std::unique_ptr<RtBackend> backend)
    : m_api(api),
      m_report(std::move(report)),
      m_backend(backend ? std::move(backend) : makeRtMidiBackend()),
      m_probes(std::make_unique<Probes>()),
      m_errors(std::make_unique<ErrorSink>()) {
    m_probes->outErrors.shared = m_errors.get();
    m_probes->inErrors.shared = m_errors.get();
}

RtMidiSystem::~RtMidiSystem() {
    std::lock_guard lock(m_mutex);
    m_inputs.clear();
    m_outputs.clear();
    m_probes.reset();
}

std::string RtMidiSystem::lastError() const {
    std::lock_guard lock(m_errors->mutex);
    return m_errors->last;
}

bool RtMidiSystem::systemOpensLocked() {
    std::string why;
    const bool opens = m_backend->systemOpens(m_api, why);
    if (!opens) {
        const std::string line = "ALSA MIDI: the ALSA sequencer cannot be opened (" + why +
                                 "); the interface is looked for again until it can.";
        m_errors->record(true, line);
        if (m_opens) {
            if (m_report)
                m_report(line);
            else
                std::fprintf(stderr, "%s\n", line.c_str());
        }
    }
    m_opens = opens;
    return opens;
}

std::vector<std::string> RtMidiSystem::listLocked(bool destinations) {
    Probes& p = *m_probes;
    const auto now = std::chrono::steady_clock::now();
    if ((!p.out || !p.in) && now >= p.retryAt) {
        if (systemOpensLocked()) {
            if (!p.out)
                p.out = makeRtPort(*m_backend, false, m_api, kProbeOutName, p.outErrors);
            if (!p.in)
                p.in = makeRtPort(*m_backend, true, m_api, kProbeInName, p.inErrors);
        }
        if (!p.out || !p.in)
            p.retryAt = now + kProbeRetry;
    }
    std::vector<std::string> names;
    if (destinations && p.out)
        names = portNamesOf(*p.out, p.outErrors);
    else if (!destinations && p.in)
        names = portNamesOf(*p.in, p.inErrors);
    // Ports this program opened are no devices; were they listed, opening a connection would
    // shift the positions of the devices' ports between a scan and the open that follows it.
    std::erase_if(names, [this](const std::string& name) { return isOwnPortLocked(name); });
    // A JACK client outlives a server that stopped and lists nothing from then on; with
    // nothing listed, the next scan asks through a fresh client.
    if (names.empty() && m_api == MidiApi::jack) {
        if (destinations)
            p.out.reset();
        else
            p.in.reset();
    }
    return names;
}

bool RtMidiSystem::isOwnPortLocked(const std::string& portName) const {
    const std::string client = clientNameOfPort(portName);
    for (const auto& [ref, name] : m_clients) {
        if (client == name)
            return true;
        // JACK gives each further client of a name a number: "TeStInG-01".
        if (m_api == MidiApi::jack && client.size() > name.size() + 1 &&
            client.compare(0, name.size(), name) == 0 && client[name.size()] == '-' &&
            client.find_first_not_of("0123456789", name.size() + 1) == std::string::npos)
            return true;
    }
    return false;
}

platform::MidiRef RtMidiSystem::endpointRefLocked(bool destination, const std::string& portName) {
    const std::string key = (destination ? "d" : "s") + portName;
    const auto found = m_refsByName.find(key);
    if (found != m_refsByName.end())
        return found->second;
    const platform::MidiRef ref = m_next++;
    m_refsByName.emplace(key, ref);
    m_endpoints.emplace(ref, Endpoint{destination, portName});
    return ref;
}

const RtMidiSystem::Endpoint* RtMidiSystem::endpointLocked(platform::MidiRef ref) const {
    const auto it = m_endpoints.find(ref);
    return it == m_endpoints.end() ? nullptr : &it->second;
}

std::vector<std::string> RtMidiSystem::destinationNames() {
    std::lock_guard lock(m_mutex);
    return listLocked(true);
}

std::vector<std::string> RtMidiSystem::sourceNames() {
    std::lock_guard lock(m_mutex);
    return listLocked(false);
}

int RtMidiSystem::numberOfDestinations() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(listLocked(true).size());
}

platform::MidiRef RtMidiSystem::destination(int index) {
    std::lock_guard lock(m_mutex);
    const std::vector<std::string> names = listLocked(true);
    if (index < 0 || static_cast<std::size_t>(index) >= names.size())
        return platform::kNoMidiObject;
    return endpointRefLocked(true, names[static_cast<std::size_t>(index)]);
}

std::optional<std::string> RtMidiSystem::modelName(platform::MidiRef endpoint) {
    std::lock_guard lock(m_mutex);
    const Endpoint* e = endpointLocked(endpoint);
    if (e == nullptr)
        return std::nullopt;
    return clientNameOfPort(e->portName);
}

std::optional<std::string> RtMidiSystem::endpointName(platform::MidiRef endpoint) {
    std::lock_guard lock(m_mutex);
    const Endpoint* e = endpointLocked(endpoint);
    if (e == nullptr)
        return std::nullopt;
    return e->portName;
}

platform::MidiRef RtMidiSystem::sourceOfDevice(platform::MidiRef destination) {
    std::lock_guard lock(m_mutex);
    const Endpoint* e = endpointLocked(destination);
    if (e == nullptr || !e->destination)
        return platform::kNoMidiObject;
    const std::string device = clientOfPort(e->portName, m_api);
    for (const std::string& name : listLocked(false)) {
        if (clientOfPort(name, m_api) == device)
            return endpointRefLocked(false, name);
    }
    return platform::kNoMidiObject;
}

int RtMidiSystem::clientCreate(std::string_view name, platform::MidiRef& client) {
    std::lock_guard lock(m_mutex);
    client = m_next++;
    m_clients.emplace(client, std::string(name));
    return 0;
}

int RtMidiSystem::outputPortCreate(platform::MidiRef client, std::string_view name,
                                   platform::MidiRef& port) {
    std::lock_guard lock(m_mutex);
    const auto owner = m_clients.find(client);
    if (owner == m_clients.end())
        return kNoSuchObject;
    auto created = std::make_unique<OutputPort>();
    created->client = client;
    created->name = name;
    created->errors.shared = m_errors.get();
    if (!systemOpensLocked())
        return kBackendFailed;
    created->out = makeRtPort(*m_backend, false, m_api, owner->second, created->errors);
    if (!created->out)
        return kBackendFailed;
    port = m_next++;
    m_outputs.emplace(port, std::move(created));
    return 0;
}

int RtMidiSystem::inputPortCreate(platform::MidiRef client, std::string_view name,
                                  platform::MidiReadProc readProc, platform::MidiRef& port) {
    std::lock_guard lock(m_mutex);
    const auto owner = m_clients.find(client);
    if (owner == m_clients.end())
        return kNoSuchObject;
    auto created = std::make_unique<InputPort>();
    created->client = client;
    created->name = name;
    created->readProc = readProc;
    created->errors.shared = m_errors.get();
    if (!systemOpensLocked())
        return kBackendFailed;
    created->in = makeRtPort(*m_backend, true, m_api, owner->second, created->errors);
    if (!created->in)
        return kBackendFailed;
    RtPort& in = *created->in;
    InputPort* self = created.get();
    // The callback goes in before any port opens, so no message waits in RtMidi's queue;
    // System Exclusive and MIDI Time Code are what the program lives on.
    const bool ready = created->errors.guarded([&] { in.receiveWith(&InputPort::deliver, self); });
    if (!ready)
        return kBackendFailed;
    port = m_next++;
    m_inputs.emplace(port, std::move(created));
    return 0;
}

int RtMidiSystem::portConnectSource(platform::MidiRef inputPort, platform::MidiRef source) {
    std::lock_guard lock(m_mutex);
    const auto it = m_inputs.find(inputPort);
    const Endpoint* e = endpointLocked(source);
    if (it == m_inputs.end() || e == nullptr || e->destination)
        return kNoSuchObject;
    InputPort& port = *it->second;
    const std::optional<unsigned> index = portIndexOf(*port.in, port.errors, e->portName);
    if (!index)
        return kNoSuchObject;
    const bool opened = port.errors.guarded([&] {
        if (port.in->isPortOpen())
            port.in->closePort();
        port.in->openPort(*index, port.name);
    });
    if (!opened || !port.in->isPortOpen())
        return kBackendFailed;
    port.connectedTo = e->portName;
    return 0;
}

int RtMidiSystem::portConnectDestination(platform::MidiRef outputPort,
                                         platform::MidiRef destination) {
    std::lock_guard lock(m_mutex);
    const auto it = m_outputs.find(outputPort);
    const Endpoint* e = endpointLocked(destination);
    if (it == m_outputs.end() || e == nullptr || !e->destination)
        return kNoSuchObject;
    return connectOutputLocked(*it->second, e->portName) ? 0 : kBackendFailed;
}

bool RtMidiSystem::portConnected(platform::MidiRef port) {
    std::lock_guard lock(m_mutex);
    std::string endpoint;
    bool destination = false;
    if (const auto out = m_outputs.find(port); out != m_outputs.end()) {
        endpoint = out->second->connectedTo;
        destination = true;
    } else if (const auto in = m_inputs.find(port); in != m_inputs.end()) {
        endpoint = in->second->connectedTo;
    }
    if (endpoint.empty())
        return false;
    const std::vector<std::string> names = listLocked(destination);
    return std::find(names.begin(), names.end(), endpoint) != names.end();
}

void RtMidiSystem::portDispose(platform::MidiRef port) {
    std::lock_guard lock(m_mutex);
    m_outputs.erase(port);
    m_inputs.erase(port);
}

void RtMidiSystem::clientDispose(platform::MidiRef client) {
    std::lock_guard lock(m_mutex);
    if (m_clients.erase(client) == 0)
        return;
    // A client takes its ports with it.
    std::erase_if(m_outputs,
                  [client](const auto& entry) { return entry.second->client == client; });
    std::erase_if(m_inputs, [client](const auto& entry) { return entry.second->client == client; });
}

bool RtMidiSystem::connectOutputLocked(OutputPort& port, const std::string& destination) {
    if (port.connectedTo == destination && port.out->isPortOpen())
        return true;
    port.connectedTo.clear();
    port.errors.guarded([&] {
        if (port.out->isPortOpen())
            port.out->closePort();
    });
    const std::optional<unsigned> index = portIndexOf(*port.out, port.errors, destination);
    if (!index)
        return false;
    const bool opened = port.errors.guarded([&] { port.out->openPort(*index, port.name); });
    if (!opened || !port.out->isPortOpen())
        return false;
    port.connectedTo = destination;
    return true;
}

void RtMidiSystem::send(platform::MidiRef outputPort, platform::MidiRef destination,
                        std::span<const std::uint8_t> packetList) {
    std::lock_guard lock(m_mutex);
    const auto it = m_outputs.find(outputPort);
    const Endpoint* e = endpointLocked(destination);
    if (it == m_outputs.end() || e == nullptr || !e->destination)
        return;
    OutputPort& port = *it->second;
    if (!connectOutputLocked(port, e->portName))
        return;
    platform::forEachMidiPacket(packetList, [&port](std::span<const std::uint8_t> message) {
        if (!message.empty())
            port.errors.guarded([&] { port.out->sendMessage(message.data(), message.size()); });
    });
}

std::string RtMidiSystem::libraryVersion() {
    return rtMidiLibraryVersion();
}

}  // namespace platform::midi
