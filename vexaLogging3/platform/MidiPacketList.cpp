#include "platform/MidiPacketList.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform {

MidiPacketList::MidiPacketList(std::size_t capacity)
    : m_capacity(std::max(capacity, kListHeaderSize)) {
    init();
}

void MidiPacketList::init() {
    m_bytes.assign(kListHeaderSize, 0);
}

bool MidiPacketList::add(std::uint64_t timeStamp, std::span<const std::uint8_t> data) {
    if (data.size() > std::numeric_limits<std::uint16_t>::max())
        return false;
    if (m_bytes.size() + kPacketHeaderSize + data.size() > m_capacity)
        return false;
    const auto length = static_cast<std::uint16_t>(data.size());
    const std::size_t at = m_bytes.size();
    m_bytes.resize(at + kPacketHeaderSize + data.size());
    std::memcpy(m_bytes.data() + at, &timeStamp, sizeof timeStamp);
    std::memcpy(m_bytes.data() + at + 8, &length, sizeof length);
    if (!data.empty())
        std::memcpy(m_bytes.data() + at + kPacketHeaderSize, data.data(), data.size());
    const std::uint32_t count = packetCount() + 1;
    std::memcpy(m_bytes.data(), &count, sizeof count);
    return true;
}

std::uint32_t MidiPacketList::packetCount() const {
    std::uint32_t count = 0;
    std::memcpy(&count, m_bytes.data(), sizeof count);
    return count;
}

std::vector<std::uint8_t> makeMidiPacketList(std::span<const std::uint8_t> message,
                                             std::uint64_t timeStamp) {
    constexpr std::size_t kMaxPacket = std::numeric_limits<std::uint16_t>::max();
    const std::size_t packets =
        std::max<std::size_t>(1, (message.size() + kMaxPacket - 1) / kMaxPacket);
    MidiPacketList list(MidiPacketList::kListHeaderSize +
                        packets * MidiPacketList::kPacketHeaderSize + message.size());
    std::size_t at = 0;
    do {
        const std::size_t length = std::min(kMaxPacket, message.size() - at);
        list.add(timeStamp, message.subspan(at, length));
        at += length;
    } while (at < message.size());
    return {list.bytes().begin(), list.bytes().end()};
}

}  // namespace platform
