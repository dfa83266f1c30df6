#include "vexasim/SimulatedMidiSystem.h"

#include <vector>

namespace vexasim {

namespace {

constexpr int kNoSuchObject = -50;

}  // namespace

SimulatedMidiSystem::SimulatedMidiSystem() : SimulatedMidiSystem(Options{}) {}

SimulatedMidiSystem::SimulatedMidiSystem(const Options& options)
    : m_sim([this](std::span<const std::uint8_t> list) { deliver(list); }, options.version),
      m_driver(m_sim) {
    m_sim.setFrameRate(options.rate);
    m_sim.locate(options.startAt);
    m_sim.setRecordAfterPlaybackSeconds(options.recordAfterPlaybackSeconds);
    if (options.loggingOn)
        m_sim.switchLoggingOn();
    if (options.play)
        m_sim.play();
    if (options.startClock)
        m_driver.start();
}

SimulatedMidiSystem::~SimulatedMidiSystem() {
    // The driver's thread delivers into the ports: it ends before they go.
    m_driver.stop();
}

platform::MidiRef SimulatedMidiSystem::destination(int index) {
    return index == 0 ? kDestination : platform::kNoMidiObject;
}

std::optional<std::string> SimulatedMidiSystem::modelName(platform::MidiRef endpoint) {
    if (endpoint == kDestination || endpoint == kSource)
        return std::string(kModel);
    return std::nullopt;
}

platform::MidiRef SimulatedMidiSystem::sourceOfDevice(platform::MidiRef destination) {
    return destination == kDestination ? kSource : platform::kNoMidiObject;
}

int SimulatedMidiSystem::clientCreate(std::string_view name, platform::MidiRef& client) {
    std::lock_guard lock(m_mutex);
    client = m_next++;
    m_clients.emplace(client, std::string(name));
    return 0;
}

int SimulatedMidiSystem::outputPortCreate(platform::MidiRef client, std::string_view,
                                          platform::MidiRef& port) {
    std::lock_guard lock(m_mutex);
    if (!m_clients.contains(client))
        return kNoSuchObject;
    port = m_next++;
    m_ports.emplace(port, Port{client, false});
    return 0;
}

int SimulatedMidiSystem::inputPortCreate(platform::MidiRef client, std::string_view,
                                         platform::MidiReadProc readProc, platform::MidiRef& port) {
    std::lock_guard lock(m_mutex);
    if (!m_clients.contains(client))
        return kNoSuchObject;
    port = m_next++;
    m_ports.emplace(port, Port{client, true, readProc});
    return 0;
}

int SimulatedMidiSystem::portConnectSource(platform::MidiRef inputPort, platform::MidiRef source) {
    std::lock_guard lock(m_mutex);
    const auto it = m_ports.find(inputPort);
    if (it == m_ports.end() || !it->second.input || source != kSource)
        return kNoSuchObject;
    it->second.connected = true;
    return 0;
}

void SimulatedMidiSystem::portDispose(platform::MidiRef port) {
    std::lock_guard lock(m_mutex);
    m_ports.erase(port);
}

void SimulatedMidiSystem::clientDispose(platform::MidiRef client) {
    std::lock_guard lock(m_mutex);
    if (m_clients.erase(client) == 0)
        return;
    // A client takes its ports with it.
    std::erase_if(m_ports, [client](const auto& entry) { return entry.second.client == client; });
}

void SimulatedMidiSystem::send(platform::MidiRef outputPort, platform::MidiRef destination,
                               std::span<const std::uint8_t> packetList) {
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_ports.find(outputPort);
        if (it == m_ports.end() || it->second.input || destination != kDestination)
            return;
    }
    // Outside the port lock: the driver's thread takes its own lock first and this one
    // second, while it delivers.
    m_driver.receive(packetList);
}

void SimulatedMidiSystem::deliver(std::span<const std::uint8_t> packetList) {
    // Held for the whole delivery, so that once a port is disposed no delivery into it is
    // still under way.
    std::lock_guard lock(m_mutex);
    std::vector<platform::MidiReadProc> readers;
    for (const auto& [ref, port] : m_ports) {
        if (port.input && port.connected && port.readProc)
            readers.push_back(port.readProc);
    }
    for (const platform::MidiReadProc read : readers) read(packetList, nullptr, nullptr);
}

}  // namespace vexasim
