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
        m_nextPiece = 0;
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
    if (number != m_nextPiece) {
        // Out of order: wait for the next group's first piece.
        m_nextPiece = 0;
        if (number != 0)
            return std::nullopt;
    }
    if (number == 0)
        m_piece0At = at;
    m_nextPiece = (number + 1) % 8;
    if (!mtc::foldQuarterFrame(m_time, d))
        return std::nullopt;
    using namespace mtc;
    return frameOfTime(m_time[kHours], m_time[kMinutes], m_time[kSeconds], m_time[kFrames],
                       rateOfPiece7(d), m_piece0At);
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
