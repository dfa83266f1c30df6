#include "handover/Takes.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "documents/PictureExport.h"

namespace handover {
namespace {

// The player's rate codes, as header entry 4 holds them.
constexpr std::array<std::pair<std::string_view, timecode::FrameRate>, 4> kRateCodes{{
    {"0", {24, false}},
    {"32", {25, false}},
    {"64", {30, true}},
    {"96", {30, false}},
}};

constexpr std::array<std::pair<std::string_view, timecode::FrameRate>, 4> kRateNames{{
    {"24", {24, false}},
    {"25", {25, false}},
    {"29.97", {30, true}},
    {"30", {30, false}},
}};

}  // namespace

timecode::FrameRate logRate(const LogList& log) {
    const std::string& code = log.text(LogList::indexOf(0, 4));
    for (const auto& [text, rate] : kRateCodes) {
        if (code == text)
            return rate;
    }
    return {25, false};
}

timecode::FrameRate rateOf(const LogList& log, const Options& options) {
    return options.rate ? *options.rate : logRate(log);
}

std::string rateName(timecode::FrameRate rate) {
    for (const auto& [name, named] : kRateNames) {
        if (named == rate)
            return std::string(name);
    }
    return std::to_string(rate.framesPerSecond);
}

std::optional<timecode::FrameRate> rateNamed(std::string_view name) {
    for (const auto& [text, rate] : kRateNames) {
        if (name == text)
            return rate;
    }
    return std::nullopt;
}

std::optional<Format> formatNamed(std::string_view name) {
    if (name == "edl")
        return Format::Edl;
    if (name == "csv")
        return Format::Csv;
    if (name == "ale")
        return Format::Ale;
    if (name == "pdf")
        return Format::Pdf;
    if (name == "html")
        return Format::Html;
    return std::nullopt;
}

std::string_view extensionOf(Format format) {
    switch (format) {
        case Format::Edl:
            return "edl";
        case Format::Csv:
            return "csv";
        case Format::Ale:
            return "ale";
        case Format::Pdf:
            return "pdf";
        case Format::Html:
            return "html";
    }
    return "";
}

namespace takes {
namespace {

// Decodes one UTF-8 sequence at `at`; -1 for a malformed one, which then takes one byte.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (more < 0 || lead > 0xF4)
        return static_cast<char32_t>(-1);
    char32_t code = lead & (0x3F >> more);
    for (; more > 0; --more) {
        if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
            return static_cast<char32_t>(-1);
        code = code << 6 | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    return code;
}

// U+00C0 to U+00FF, the accented letters most comments in Western languages use.
constexpr std::array<const char*, 64> kLatin1Letters{
    "A", "A", "A", "A", "Ae", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",
    "D", "N", "O", "O", "O",  "O", "Oe", "x", "O", "U", "U", "U", "Ue", "Y", "Th", "ss",
    "a", "a", "a", "a", "ae", "a", "ae", "c", "e", "e", "e", "e", "i",  "i", "i",  "i",
    "d", "n", "o", "o", "o",  "o", "oe", "/", "o", "u", "u", "u", "ue", "y", "th", "y"};

const char* transliterated(char32_t code) {
    if (code >= 0xC0 && code <= 0xFF)
        return kLatin1Letters[code - 0xC0];
    switch (code) {
        case 0xA0:
            return " ";
        case 0x152:
            return "OE";
        case 0x153:
            return "oe";
        case 0x141:
            return "L";
        case 0x142:
            return "l";
        case 0x160:
            return "S";
        case 0x161:
            return "s";
        case 0x17D:
            return "Z";
        case 0x17E:
            return "z";
        case 0x2018:
        case 0x2019:
            return "'";
        case 0x201C:
        case 0x201D:
        case 0x201E:
            return "\"";
        case 0x2013:
        case 0x2014:
            return "-";
        case 0x2026:
            return "...";
        case 0x20AC:
            return "EUR";
        default:
            return "?";
    }
}

}  // namespace

std::optional<Span> spanOf(std::string_view start, std::string_view stop,
                           timecode::FrameRate rate) {
    const std::optional<std::int64_t> in = timecode::frameOf(start, rate);
    if (!in)
        return std::nullopt;
    Span span{*in, 1};
    if (const std::optional<std::int64_t> out = timecode::frameOf(stop, rate)) {
        const std::int64_t day = timecode::framesPerDay(rate);
        const std::int64_t length = ((*out - *in) % day + day) % day;
        if (length > 0)
            span.length = length;
    }
    return span;
}

bool hasPicture(const Picture& picture) {
    return picture.size() > 10;
}

std::string pictureName(const LogList& log, int position, const Options& options) {
    if (!hasPicture(log.picture(LogList::indexOf(position, kFieldPicture))))
        return {};
    return pictures::exportFileName(options.pictureStem.empty() ? options.title
                                                                : options.pictureStem,
                                    position, field(log, position, kFieldNumber));
}

std::string ascii(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t code = nextCodePoint(utf8, at);
        if (code < 0x20 || code == 0x7F)
            out.push_back(' ');
        else if (code < 0x80)
            out.push_back(static_cast<char>(code));
        else
            out += transliterated(code);
    }
    return out;
}

std::string reel8(const Options& options) {
    std::string reel;
    for (const char c : ascii(options.reel.empty() ? options.title : options.reel)) {
        if (reel.size() == 8)
            break;
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '_';
        reel.push_back(plain ? c : '_');
    }
    return reel.empty() ? "AX" : reel;
}

std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at == text.size() || text[at] == '\n' || text[at] == '\r') {
            if (!line.empty())
                lines.push_back(std::move(line));
            line.clear();
        } else {
            line.push_back(text[at]);
        }
    }
    return lines;
}

std::string daysOf(const LogList& log) {
    std::string first;
    std::string last;
    for (int n = 1; n <= log.recordCount(); ++n) {
        const std::string& date = field(log, n, kFieldDate);
        if (date.empty())
            continue;
        if (first.empty())
            first = date;
        last = date;
    }
    return first == last ? first : first + " \u2013 " + last;
}

}  // namespace takes
}  // namespace handover
