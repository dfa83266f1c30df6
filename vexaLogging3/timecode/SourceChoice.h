#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "loglist/Timecode.h"
#include "platform/TimecodeSource.h"

namespace timecode {

// Where the timecode comes from, as `--timecode` and the Timecode menu name it:
// "interface", "ltc[:PORT]", "mtc[:PORT]" or "clock[:RATE]". The kind ends at the first colon;
// a port is a full name as JACK or ALSA lists it ("system:capture_1"), empty for the first
// one there is.
struct SourceChoice {
    enum class Kind { interface, ltc, mtc, clock };
    Kind kind = Kind::interface;
    std::string port;
    // The clock's rate.
    FrameRate rate{25, false};
    friend bool operator==(const SourceChoice&, const SourceChoice&) = default;
};

// Nothing, with the reason in `why`, when the text names no source.
std::optional<SourceChoice> parseSourceChoice(std::string_view text, std::string& why);
// The text that parses back to the same choice.
std::string sourceChoiceText(const SourceChoice& choice);

// The clock as timecode: the frame that a moment of the day (microseconds since local
// midnight) falls in, counted at the rate from midnight, drop-frame labels at 29.97.
platform::SourceFrame clockFrame(std::int64_t microsSinceMidnight, FrameRate rate);
// Microseconds since midnight at which the frame of that moment began, and the next one begins.
std::int64_t clockFrameStart(std::int64_t microsSinceMidnight, FrameRate rate);
std::int64_t nextClockFrame(std::int64_t microsSinceMidnight, FrameRate rate);

}  // namespace timecode
