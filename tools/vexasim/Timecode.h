#pragma once

#include <compare>
#include <cstdint>

namespace vexasim {

// The four rates the interface runs at. Their MIDI Time Code rate codes (0 to 3) travel in
// quarter-frame piece 7, in the hours byte of a full-frame message and in every log start.
enum class FrameRate { fps24, fps25, fps2997DropFrame, fps30 };

std::uint8_t mtcRateCode(FrameRate rate);

// Frame numbers a second is counted in: 24, 25, 30, 30. At 29.97 some labels are skipped
// (see nextFrame) so that the count keeps pace with the slower real rate.
int framesPerSecondLabel(FrameRate rate);

// The true rate in frames per second, for a driver that paces the interface by the clock.
double framesPerSecond(FrameRate rate);

// One timecode label as the interface counts it. Fields are plain numbers; ordering is by
// hours, then minutes, seconds and frames, which is also the order of time within a day.
struct Timecode {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;

    friend auto operator<=>(const Timecode&, const Timecode&) = default;
};

// Drop-frame counting leaves out frame numbers 0 and 1 at the start of every minute except
// each tenth (00, 10, ... 50): two labels a minute less, eighteen an hour, which keeps 30-frame
// labels within a frame of the 29.97 fps clock over a day.
bool isSkippedLabel(const Timecode& tc, FrameRate rate);

// A label the interface can stand on: hours 0-23, minutes and seconds 0-59, frames below the
// per-second count, and not a skipped drop-frame label.
bool isValidTimecode(const Timecode& tc, FrameRate rate);

// The label that follows `tc`; the day wraps from the last frame of 23:59:59 to 00:00:00:00.
Timecode nextFrame(const Timecode& tc, FrameRate rate);

// Moves a skipped drop-frame label forward to the first real frame of its minute; any other
// label is returned as it is.
Timecode skipDroppedLabel(const Timecode& tc, FrameRate rate);

// The data byte of quarter-frame piece 0-7 for `tc`: the piece number in the upper half and
// four bits of the timecode in the lower half. Piece 7 carries the high hours bit and the rate
// code, so a receiver learns the rate from every group.
std::uint8_t quarterFrameData(const Timecode& tc, FrameRate rate, int piece);

}  // namespace vexasim
