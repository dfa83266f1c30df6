#pragma once

#include <array>
#include <cstdint>

// MIDI Time Code's quarter frames: eight pieces, each carrying a nibble of the time, two
// frames for a whole time. Read by the interface's input and by any other MIDI port the
// timecode is taken from.
namespace mtc {

enum TimeIndex { kFrames = 0, kSeconds = 1, kMinutes = 2, kHours = 3 };

// Folds the data byte of one quarter frame into frames, seconds, minutes and hours. Even
// pieces set a value's low nibble, odd pieces add its upper bits, so a group that arrives in
// order spells the timecode exactly. True when it was piece 7, which completes the time.
inline bool foldQuarterFrame(std::array<std::uint8_t, 4>& t, std::uint8_t d) {
    const std::uint8_t n = d & 0x0F;
    switch (d & 0xF0) {
        case 0x00:
            t[kFrames] = n;
            break;
        case 0x10:
            t[kFrames] = static_cast<std::uint8_t>(t[kFrames] + (d & 0x03) * 16);
            break;
        case 0x20:
            t[kSeconds] = n;
            break;
        case 0x30:
            t[kSeconds] = static_cast<std::uint8_t>(t[kSeconds] + (d & 0x03) * 16);
            break;
        case 0x40:
            t[kMinutes] = n;
            break;
        case 0x50:
            t[kMinutes] = static_cast<std::uint8_t>(t[kMinutes] + (d & 0x03) * 16);
            break;
        case 0x60:
            t[kHours] = n;
            break;
        case 0x70:
            t[kHours] = static_cast<std::uint8_t>(t[kHours] + (d & 0x01) * 16);
            return true;
        default:
            break;
    }
    return false;
}

// The rate a time names, from piece 7's data byte or a full frame's hours byte: 0 is 24 frames,
// 1 is 25, 2 is 29.97 drop-frame, 3 is 30.
inline int rateOfPiece7(std::uint8_t d) {
    return (d >> 1) & 0x03;
}
inline int rateOfHoursByte(std::uint8_t hours) {
    return (hours >> 5) & 0x03;
}

}  // namespace mtc
