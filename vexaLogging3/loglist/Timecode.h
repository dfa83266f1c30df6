#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Timecodes live as text: "HH:MM:SS:FF", two decimal digits each, ":" at 2, 5 and 8.
// The empty string stands for a timecode that is missing (a log not stopped yet).
namespace timecode {

inline constexpr std::size_t kLength = 11;
// Where hours, minutes, seconds and frames are read from.
inline constexpr std::array<std::size_t, 4> kFieldPositions{0, 3, 6, 9};

// "%02d:%02d:%02d:%02d": the form device log starts and stops are written in.
std::string format(int hours, int minutes, int seconds, int frames);
// "%02d;%02d;%02d;%02d": how a drop-frame start is shown in the capture window;
// never stored in the log.
std::string formatDropFrame(int hours, int minutes, int seconds, int frames);
// "%.2d:%.2d:%.2d:%.2d": the running timecode handed to the chase.
std::string formatRunning(int hours, int minutes, int seconds, int frames);
// "  %.2d:%.2d:%.2d:%.2d": the running timecode on the status line.
std::string formatStatusLine(int hours, int minutes, int seconds, int frames);

// Reads the decimal integer that starts at `position`, the way the program has always read
// numbers out of text: leading white space skipped, an optional sign, then digits up to the
// first other character; 0 when there are no digits or the position lies past the end.
// Values beyond the int range saturate.
int intValueAt(std::string_view text, std::size_t position);
inline int intValue(std::string_view text) {
    return intValueAt(text, 0);
}

// Hours, minutes, seconds and frames as they go into a message: the low eight bits of the
// numbers read at positions 0, 3, 6 and 9. Separators are never looked at, so the
// drop-frame form reads the same as the colon form.
std::array<std::uint8_t, 4> toBytes(std::string_view text);

// The time from start to stop in whole seconds, "%02d:%02d:%02d", modulo 24 hours; "" when
// either text is not an 11-character timecode with ":" at positions 2, 5 and 8.
std::string durationCalculate(std::string_view start, std::string_view stop);

}  // namespace timecode
