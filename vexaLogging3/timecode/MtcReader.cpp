#include "timecode/MtcReader.h"

#include "input/QuarterFrames.h"

namespace timecode {

namespace {

platform::SourceFrame frameOfTime(int hours, int minutes, int seconds, int frames, int rate,
                                  std::int64_t at) {
    platform::SourceFrame f;
    f.hours = hours;
    f.minutes = minutes;
    f.seconds = seconds;
    f.frames = frames;
    f.framesPerSecond = rate == 0 ? 24 : rate == 1 ? 25 : 30;
    f.dropFrame = rate == 2;
    f.beganAt = at;
    return f;
}

}  // namespace

std::optional<platform::SourceFrame> MtcReader::byte(std::uint8_t b, std::int64_t at) {
    // Real-time bytes may come between any two bytes and change nothing.
    if (b >= 0xF8)
        return std::nullopt;
    if (m_quarterFramePending) {
        m_quarterFramePending = false;
        if (b < 0x80)
            return piece(b, at);
        m_inOrder = 0;
    }
    if (b == 0xF1) {
        m_quarterFramePending = true;
        m_sysexOpen = false;
        return std::nullopt;
    }
    if (b == 0xF0) {
        m_sysexOpen = true;
        m_sysexLength = 0;
    }
    if (!m_sysexOpen)
        return std::nullopt;
    if (b >= 0x80 && b != 0xF0 && b != 0xF7) {
        m_sysexOpen = false;  // another message cut this one short
        return std::nullopt;
    }
    if (m_sysexLength < m_sysex.size())
        m_sysex[m_sysexLength] = b;
    ++m_sysexLength;
    if (b != 0xF7)
        return std::nullopt;
    m_sysexOpen = false;
    return fullFrame(at);
}

std::optional<platform::SourceFrame> MtcReader::piece(std::uint8_t d, std::int64_t at) {
    const int number = d >> 4;
    if (m_inOrder > 0 && number == m_lastPiece + (m_reverse ? -1 : 1)) {
        ++m_inOrder;
    } else if (number == 0 || number == 7) {
        // A group starts: piece 0 running forwards, piece 7 backwards.
        m_reverse = number == 7;
        m_inOrder = 1;
    } else {
        // Out of order: wait for the next group's first piece.
        m_inOrder = 0;
        return std::nullopt;
    }
    m_lastPiece = number;
    m_pieces[static_cast<std::size_t>(number)] = d;
    if (number == 0)
        m_piece0At = at;
    if (m_inOrder < 8)
        return std::nullopt;
    m_inOrder = 0;
    // Folded in the order the pieces are numbered, whichever way they came.
    std::array<std::uint8_t, 4> time{};
    for (const std::uint8_t piece : m_pieces)
        mtc::foldQuarterFrame(time, piece);
    using namespace mtc;
    platform::SourceFrame f = frameOfTime(time[kHours], time[kMinutes], time[kSeconds],
                                          time[kFrames], rateOfPiece7(m_pieces[7]), m_piece0At);
    f.reverse = m_reverse;
    return f;
}

std::optional<platform::SourceFrame> MtcReader::fullFrame(std::int64_t at) const {
    // F0 7F dd 01 01 hr mn sc fr F7, to any device.
    const auto& s = m_sysex;
    if (m_sysexLength != s.size() || s[1] != 0x7F || s[3] != 0x01 || s[4] != 0x01)
        return std::nullopt;
    return frameOfTime(s[5] & 0x1F, s[6] & 0x3F, s[7] & 0x3F, s[8] & 0x1F,
                       mtc::rateOfHoursByte(s[5]), at);
}

}  // namespace timecode
