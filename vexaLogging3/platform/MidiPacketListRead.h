#pragma once

#include <algorithm>
#include <cstring>

namespace platform {

template <class Visitor>
void forEachMidiPacket(std::span<const std::uint8_t> list, Visitor&& visit) {
    if (list.size() < MidiPacketList::kListHeaderSize)
        return;
    std::uint32_t count = 0;
    std::memcpy(&count, list.data(), sizeof count);
    std::size_t pos = MidiPacketList::kListHeaderSize;
    for (std::uint32_t n = 0; n < count; ++n) {
        if (list.size() - pos < MidiPacketList::kPacketHeaderSize)
            return;
        std::uint16_t length = 0;
        std::memcpy(&length, list.data() + pos + 8, sizeof length);
        pos += MidiPacketList::kPacketHeaderSize;
        const std::size_t available = std::min<std::size_t>(length, list.size() - pos);
        visit(list.subspan(pos, available));
        pos += available;
        if (available < length)
            return;
    }
}

}  // namespace platform
