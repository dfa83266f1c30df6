#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "handover/Handover.h"

// What every export reads from a record, in one place, so that the formats agree on it.
namespace handover::takes {

// The frames a take covers: from `in` for `length` frames (at least one).
struct Span {
    std::int64_t in = 0;
    std::int64_t length = 1;
};

// Nothing when the start is not a timecode at the rate. A stop that is no timecode, or equals
// the start, gives one frame: the moment the take was logged. A stop earlier than the start
// lies on the next day, as the durations the window shows count it.
std::optional<Span> spanOf(std::string_view start, std::string_view stop,
                           timecode::FrameRate rate);

// Counts as present where Export All Pictures writes one.
bool hasPicture(const Picture& picture);
// The name Export All Pictures gives the picture of record `position`; "" without one.
std::string pictureName(const LogList& log, int position, const Options& options);

// `utf8` in ASCII: accented Latin letters lose their accents (German umlauts and ß spelled
// out), typographic quotes and dashes become plain ones, anything else "?"; control
// characters become blanks.
std::string ascii(std::string_view utf8);
// The reel for a file that limits it to eight letters, digits or "_": the reel asked for, or
// the title; "AX" (an auxiliary source, as editing systems call it) when neither gives one.
std::string reel8(const Options& options);
// The comment's lines, empty lines dropped; CR LF, CR and LF all end a line.
std::vector<std::string> linesOf(std::string_view text);

// The day or days the takes were logged on: the first take's date, or "first – last".
std::string daysOf(const LogList& log);

inline const std::string& field(const LogList& log, int record, LogField field) {
    return log.text(LogList::indexOf(record, field));
}

}  // namespace handover::takes
