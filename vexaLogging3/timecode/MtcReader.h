#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/TimecodeSource.h"

namespace timecode {

// MIDI Time Code from a port that is not the interface (a recorder, a DAW, a plain MIDI
// interface): quarter frames folded as the interface's are, and full frames, turned into
// frames on the sender's clock. The quarter frames spell a time every two frames; it is the
// time of the frame in which piece 0 left, so that piece's arrival is the frame's start. A
// machine running backwards sends each group from piece 7 down to piece 0, which still leaves
// in the frame spelled and now comes last: such a group is a frame read in reverse. A group
// that comes incomplete or out of order spells nothing, as does a quarter frame whose data
// byte was lost.
class MtcReader final : public platform::MtcDecoder {
public:
    // One byte of the stream, arrived at `at` (microseconds on the source's clock); a frame
    // when it completed one.
    std::optional<platform::SourceFrame> byte(std::uint8_t b, std::int64_t at) override;

private:
    std::optional<platform::SourceFrame> piece(std::uint8_t d, std::int64_t at);
    std::optional<platform::SourceFrame> fullFrame(std::int64_t at) const;

    bool m_quarterFramePending = false;
    // The data bytes of the group being read, by piece number, and how many came in order.
    std::array<std::uint8_t, 8> m_pieces{};
    int m_inOrder = 0;
    int m_lastPiece = 0;
    bool m_reverse = false;
    std::int64_t m_piece0At = 0;
    // A System Exclusive message being read: only a full frame's ten bytes matter.
    bool m_sysexOpen = false;
    std::array<std::uint8_t, 10> m_sysex{};
    std::size_t m_sysexLength = 0;
};

}  // namespace timecode
