#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/MidiPacketList.h"
#include "vexasim/SimulatedInterface.h"

namespace vexasim_test {

using Bytes = std::vector<std::uint8_t>;

// The program's end of the link: what the interface sends, one entry per message, and a way
// to send it commands as single-packet lists.
class Link {
public:
    explicit Link(std::string_view version = "21")
        : sim([this](std::span<const std::uint8_t> list) { collect(list); }, version) {}

    void tell(const Bytes& message) { sim.receive(platform::makeMidiPacketList(message)); }

    // Everything sent since the last call.
    std::vector<Bytes> take() { return std::exchange(sent, {}); }

    // Runs after each message the interface sends, with the message; lets a test answer.
    std::function<void(const Bytes&)> onMessage;

    std::vector<Bytes> sent;
    int packetListsSent = 0;
    vexasim::SimulatedInterface sim;

private:
    void collect(std::span<const std::uint8_t> list) {
        ++packetListsSent;
        platform::forEachMidiPacket(list, [this](std::span<const std::uint8_t> packet) {
            sent.emplace_back(packet.begin(), packet.end());
            if (onMessage)
                onMessage(sent.back());
        });
    }
};

inline bool isQuarterFrame(const Bytes& m) {
    return m.size() == 2 && m[0] == 0xF1;
}

inline std::vector<Bytes> withoutQuarterFrames(const std::vector<Bytes>& messages) {
    std::vector<Bytes> rest;
    for (const Bytes& m : messages)
        if (!isQuarterFrame(m))
            rest.push_back(m);
    return rest;
}

// A timecode read back from a run of quarter frames the way a MIDI Time Code receiver reads
// it, kept apart from the interface's own encoding so the two can disagree.
struct SpelledTimecode {
    int hours, minutes, seconds, frames, rateCode;
    bool operator==(const SpelledTimecode&) const = default;
};

// Decodes every complete group 0..7 in `messages`; a group whose pieces arrive out of order
// ends the decoding with what was read so far, and `inOrder` turns false.
inline std::vector<SpelledTimecode> spelledGroups(const std::vector<Bytes>& messages,
                                                  bool* inOrder = nullptr) {
    std::vector<SpelledTimecode> groups;
    int nibbles[8] = {};
    int expected = 0;
    if (inOrder)
        *inOrder = true;
    for (const Bytes& m : messages) {
        if (!isQuarterFrame(m))
            continue;
        const int piece = m[1] >> 4;
        if (piece != expected) {
            if (inOrder)
                *inOrder = false;
            break;
        }
        nibbles[piece] = m[1] & 0x0F;
        expected = (piece + 1) % 8;
        if (piece == 7)
            groups.push_back({nibbles[6] | ((nibbles[7] & 1) << 4), nibbles[4] | (nibbles[5] << 4),
                              nibbles[2] | (nibbles[3] << 4), nibbles[0] | (nibbles[1] << 4),
                              (nibbles[7] >> 1) & 3});
    }
    return groups;
}

}  // namespace vexasim_test
