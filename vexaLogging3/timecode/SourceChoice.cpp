#include "timecode/SourceChoice.h"

#include <array>
#include <utility>

namespace timecode {

namespace {

constexpr std::array<std::pair<std::string_view, FrameRate>, 6> kRates{{
    {"24", {24, false}},
    {"25", {25, false}},
    {"29.97", {30, true}},
    {"29.97df", {30, true}},
    {"30df", {30, true}},
    {"30", {30, false}},
}};

// Frames a second as a fraction: drop-frame timecode runs at 30000/1001.
std::int64_t perSecond(FrameRate rate) {
    return rate.dropFrame ? 30000 : rate.framesPerSecond;
}
std::int64_t microsUnit(FrameRate rate) {
    return rate.dropFrame ? 1001 * 1'000'000LL : 1'000'000LL;
}

}  // namespace

std::optional<SourceChoice> parseSourceChoice(std::string_view text, std::string& why) {
    const std::size_t colon = text.find(':');
    const std::string_view kind = text.substr(0, colon);
    const std::string_view rest =
        colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    SourceChoice choice;
    if (kind == "interface" && rest.empty()) {
        choice.kind = SourceChoice::Kind::interface;
    } else if (kind == "ltc" || kind == "mtc") {
        choice.kind = kind == "ltc" ? SourceChoice::Kind::ltc : SourceChoice::Kind::mtc;
        choice.port = rest;
    } else if (kind == "clock") {
        choice.kind = SourceChoice::Kind::clock;
        if (!rest.empty()) {
            bool known = false;
            for (const auto& [name, rate] : kRates)
                if (rest == name) {
                    choice.rate = rate;
                    known = true;
                }
            if (!known) {
                why = "the clock's rate is 24, 25, 29.97 (drop-frame) or 30, not \"" +
                      std::string(rest) + "\"";
                return std::nullopt;
            }
        }
    } else {
        why = "the timecode comes from interface, ltc[:PORT], mtc[:PORT] or clock[:RATE], not \"" +
              std::string(text) + "\"";
        return std::nullopt;
    }
    return choice;
}

std::string sourceChoiceText(const SourceChoice& choice) {
    switch (choice.kind) {
        case SourceChoice::Kind::interface:
            return "interface";
        case SourceChoice::Kind::ltc:
            return choice.port.empty() ? "ltc" : "ltc:" + choice.port;
        case SourceChoice::Kind::mtc:
            return choice.port.empty() ? "mtc" : "mtc:" + choice.port;
        case SourceChoice::Kind::clock:
            return "clock:" + std::string(choice.rate.dropFrame
                                              ? "29.97"
                                              : std::to_string(choice.rate.framesPerSecond));
    }
    return "interface";
}

platform::SourceFrame clockFrame(std::int64_t microsSinceMidnight, FrameRate rate) {
    const std::int64_t count = microsSinceMidnight * perSecond(rate) / microsUnit(rate);
    const std::string label = labelOf(count, rate);
    platform::SourceFrame frame;
    frame.hours = intValueAt(label, 0);
    frame.minutes = intValueAt(label, 3);
    frame.seconds = intValueAt(label, 6);
    frame.frames = intValueAt(label, 9);
    frame.framesPerSecond = rate.framesPerSecond;
    frame.dropFrame = rate.dropFrame;
    return frame;
}

std::int64_t clockFrameStart(std::int64_t microsSinceMidnight, FrameRate rate) {
    const std::int64_t count = microsSinceMidnight * perSecond(rate) / microsUnit(rate);
    // The first whole microsecond at or after the frame's start.
    return (count * microsUnit(rate) + perSecond(rate) - 1) / perSecond(rate);
}

std::int64_t nextClockFrame(std::int64_t microsSinceMidnight, FrameRate rate) {
    const std::int64_t next = microsSinceMidnight * perSecond(rate) / microsUnit(rate) + 1;
    return (next * microsUnit(rate) + perSecond(rate) - 1) / perSecond(rate);
}

}  // namespace timecode
