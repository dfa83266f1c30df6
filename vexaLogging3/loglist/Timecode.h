#pragma once

#include <array>
#include <cstdint>
#include <optional>
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

// Counting frames, for the files an editing system reads: their events are laid end to end,
// which no text arithmetic does. `framesPerSecond` is the nominal rate (24, 25 or 30);
// `dropFrame` is 29.97 drop-frame counting at 30, which leaves out the labels 00 and 01 at the
// start of every minute but every tenth so that the labels keep pace with the clock.
struct FrameRate {
    int framesPerSecond = 25;
    bool dropFrame = false;
    friend bool operator==(const FrameRate&, const FrameRate&) = default;
};

// Frames in a day of labels: where counting starts again at 00:00:00:00.
std::int64_t framesPerDay(FrameRate rate);

// The frame a timecode labels, counted from 00:00:00:00; nothing when the text is not two
// digits each for hours (below 24), minutes and seconds (below 60) and frames (below the rate),
// with ":" or ";" between them. A label drop-frame counting leaves out stands for the first
// frame after it, as the device cannot have sent it.
std::optional<std::int64_t> frameOf(std::string_view text, FrameRate rate);

// The label of a frame (taken modulo a day), with ";" separators when counting drop-frame.
std::string labelOf(std::int64_t frame, FrameRate rate);

}  // namespace timecode
