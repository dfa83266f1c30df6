#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// A MIDI packet list in the byte layout the input callback and the senders share:
// a 32-bit packet count, then the packets back to back, each a 64-bit time stamp,
// a 16-bit byte count and that many bytes. Integers are in native byte order and
// there is no padding: the next packet starts right after the previous one's last byte.
class MidiPacketList {
public:
    static constexpr std::size_t kDefaultCapacity = 4024;
    static constexpr std::size_t kListHeaderSize = 4;
    static constexpr std::size_t kPacketHeaderSize = 8 + 2;

    explicit MidiPacketList(std::size_t capacity = kDefaultCapacity);

    // Empties the list; what init() leaves is a valid list of zero packets.
    void init();

    // Appends one packet holding all of `data`. Returns false, leaving the list as it was,
    // when the packet would not fit into the capacity or is longer than 65535 bytes.
    bool add(std::uint64_t timeStamp, std::span<const std::uint8_t> data);

    std::uint32_t packetCount() const;
    std::span<const std::uint8_t> bytes() const { return m_bytes; }
    std::size_t capacity() const { return m_capacity; }

private:
    std::size_t m_capacity;
    std::vector<std::uint8_t> m_bytes;
};

// One packet list holding one message: what a MIDI backend that delivers one message at a
// time hands to the input callback. A message longer than a packet can hold (65535 bytes)
// fills as many packets as it needs, in order.
std::vector<std::uint8_t> makeMidiPacketList(std::span<const std::uint8_t> message,
                                             std::uint64_t timeStamp = 0);

// Visits the bytes of every packet of a list, in order. Reads never leave `list`:
// a packet whose byte count runs past the end yields only the bytes that are there,
// and a count larger than the packets present ends at the last whole packet header.
template <class Visitor>
void forEachMidiPacket(std::span<const std::uint8_t> list, Visitor&& visit);

}  // namespace platform

#include "platform/MidiPacketListRead.h"
