#include "platform/SwitchingMidiSystem.h"

#include <cassert>

namespace platform {

namespace {

// The member's number rides in the two top bits of a reference; the members' own references
// are counters far below.
constexpr unsigned kTagShift = 30;
constexpr MidiRef kOwnBits = (MidiRef{1} << kTagShift) - 1;

}  // namespace

SwitchingMidiSystem::SwitchingMidiSystem(std::vector<Member> members, IsInterface isInterface)
    : m_members(std::move(members)), m_isInterface(std::move(isInterface)) {
    assert(!m_members.empty() && m_members.size() <= 4);
}

void SwitchingMidiSystem::force(std::optional<std::size_t> member) {
    m_forced = member && *member < m_members.size() ? member : std::nullopt;
}

MidiRef SwitchingMidiSystem::tagged(std::size_t member, MidiRef ref) const {
    if (ref == kNoMidiObject || ref > kOwnBits)
        return kNoMidiObject;
    return static_cast<MidiRef>(member << kTagShift) + ref;
}

std::optional<std::pair<std::size_t, MidiRef>> SwitchingMidiSystem::untagged(MidiRef ref) const {
    const std::size_t member = ref >> kTagShift;
    if (ref == kNoMidiObject || member >= m_members.size())
        return std::nullopt;
    return std::pair(member, ref & kOwnBits);
}

bool SwitchingMidiSystem::listsInterface(std::size_t member) {
    MidiSystem& system = *m_members[member].system;
    const int count = system.numberOfDestinations();
    for (int i = 0; i < count; ++i) {
        if (m_isInterface(system, system.destination(i)))
            return true;
    }
    return false;
}

std::size_t SwitchingMidiSystem::choose() {
    if (m_forced)
        return *m_forced;
    std::vector<bool> answering;
    for (const Member& m : m_members) answering.push_back(!m.answers || m.answers());
    // The one in use keeps the interface while it lists it, even when another lists it too:
    // the connection is not torn down for an equal one.
    const std::size_t current = m_active.load();
    if (answering[current] && listsInterface(current))
        return current;
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (i != current && answering[i] && listsInterface(i))
            return i;
    }
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (answering[i])
            return i;
    }
    return m_members.size() - 1;
}

int SwitchingMidiSystem::numberOfDestinations() {
    const std::size_t member = choose();
    m_active = member;
    return m_members[member].system->numberOfDestinations();
}

MidiRef SwitchingMidiSystem::destination(int index) {
    const std::size_t member = m_active.load();
    return tagged(member, m_members[member].system->destination(index));
}

std::optional<std::string> SwitchingMidiSystem::modelName(MidiRef endpoint) {
    const auto own = untagged(endpoint);
    return own ? m_members[own->first].system->modelName(own->second) : std::nullopt;
}

std::optional<std::string> SwitchingMidiSystem::endpointName(MidiRef endpoint) {
    const auto own = untagged(endpoint);
    return own ? m_members[own->first].system->endpointName(own->second) : std::nullopt;
}

MidiRef SwitchingMidiSystem::sourceOfDevice(MidiRef destination) {
    const auto own = untagged(destination);
    if (!own)
        return kNoMidiObject;
    return tagged(own->first, m_members[own->first].system->sourceOfDevice(own->second));
}

int SwitchingMidiSystem::clientCreate(std::string_view name, MidiRef& client) {
    // A client goes where the last count looked: where the destination it is opened for is.
    const std::size_t member = m_active.load();
    MidiRef own = kNoMidiObject;
    const int status = m_members[member].system->clientCreate(name, own);
    client = tagged(member, own);
    return status;
}

int SwitchingMidiSystem::outputPortCreate(MidiRef client, std::string_view name, MidiRef& port) {
    const auto own = untagged(client);
    if (!own)
        return -50;
    MidiRef made = kNoMidiObject;
    const int status = m_members[own->first].system->outputPortCreate(own->second, name, made);
    port = tagged(own->first, made);
    return status;
}

int SwitchingMidiSystem::inputPortCreate(MidiRef client, std::string_view name,
                                         MidiReadProc readProc, MidiRef& port) {
    const auto own = untagged(client);
    if (!own)
        return -50;
    MidiRef made = kNoMidiObject;
    const int status =
        m_members[own->first].system->inputPortCreate(own->second, name, readProc, made);
    port = tagged(own->first, made);
    return status;
}

int SwitchingMidiSystem::portConnectSource(MidiRef inputPort, MidiRef source) {
    const auto port = untagged(inputPort);
    const auto endpoint = untagged(source);
    // A port and an endpoint of two systems never meet.
    if (!port || !endpoint || port->first != endpoint->first)
        return -50;
    return m_members[port->first].system->portConnectSource(port->second, endpoint->second);
}

int SwitchingMidiSystem::portConnectDestination(MidiRef outputPort, MidiRef destination) {
    const auto port = untagged(outputPort);
    const auto endpoint = untagged(destination);
    if (!port || !endpoint || port->first != endpoint->first)
        return -50;
    return m_members[port->first].system->portConnectDestination(port->second, endpoint->second);
}

bool SwitchingMidiSystem::portConnected(MidiRef port) {
    const auto own = untagged(port);
    return own && m_members[own->first].system->portConnected(own->second);
}

void SwitchingMidiSystem::portDispose(MidiRef port) {
    if (const auto own = untagged(port))
        m_members[own->first].system->portDispose(own->second);
}

void SwitchingMidiSystem::clientDispose(MidiRef client) {
    if (const auto own = untagged(client))
        m_members[own->first].system->clientDispose(own->second);
}

void SwitchingMidiSystem::send(MidiRef outputPort, MidiRef destination,
                               std::span<const std::uint8_t> packetList) {
    const auto port = untagged(outputPort);
    const auto endpoint = untagged(destination);
    if (port && endpoint && port->first == endpoint->first)
        m_members[port->first].system->send(port->second, endpoint->second, packetList);
}

}  // namespace platform
