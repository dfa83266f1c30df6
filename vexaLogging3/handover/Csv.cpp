// The log as a spreadsheet: RFC 4180, which every spreadsheet and script reads, with no cell
// that a spreadsheet would run.

#include <algorithm>

#include "handover/Handover.h"
#include "handover/Takes.h"

namespace handover {
namespace {

constexpr std::string_view kEnd = "\r\n";

// Excel refuses a formula whose text literal is longer than this.
constexpr std::size_t kLongestLiteral = 255;

// A cell that a spreadsheet would take for a formula: its first character, after any
// blanks, starts one in some spreadsheet (=, +, -, @), or is a tab or line break that one
// strips before it looks.
bool formulaLike(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first != std::string_view::npos &&
           std::string_view("=+-@\t\r\n").find(text[first]) != std::string_view::npos;
}

// Written as a formula that yields the text itself, which every spreadsheet shows as the
// text ("+1 stop" reads "+1 stop", "=1+1" reads "=1+1"); where such a formula cannot carry
// the text (a line break, a tab, too long for Excel), the text behind the apostrophe that
// marks it as text.
std::string shownAsText(std::string_view text) {
    const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20; };
    if (text.size() > kLongestLiteral || std::any_of(text.begin(), text.end(), control))
        return "'" + std::string(text);
    std::string literal = "=\"";
    for (const char c : text) {
        if (c == '"')
            literal.push_back('"');
        literal.push_back(c);
    }
    return literal + '"';
}

void quoted(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out.push_back('"');
    for (const char c : text) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void cell(std::string& out, std::string_view text) {
    if (formulaLike(text))
        quoted(out, shownAsText(text));
    else
        quoted(out, text);
}

}  // namespace

std::string csv(const LogList& log, const Options& options) {
    std::string out;
    out.reserve(static_cast<std::size_t>(log.recordCount()) * 150 + 100);
    // The byte-order mark is how spreadsheets tell UTF-8 from their local code page.
    out += "\xEF\xBB\xBF";
    out += "Number,Start,Stop,Duration,Time of Day,Date,Comment 1,Comment 2,Picture";
    out += kEnd;
    for (int n = 1; n <= log.recordCount(); ++n) {
        const std::string& start = takes::field(log, n, kFieldStart);
        const std::string& stop = takes::field(log, n, kFieldStop);
        for (const std::string_view text :
             {std::string_view(takes::field(log, n, kFieldNumber)), std::string_view(start),
              std::string_view(stop)}) {
            cell(out, text);
            out.push_back(',');
        }
        // The duration the windows show for the take.
        cell(out, timecode::durationCalculate(start, stop));
        for (const LogField text : {kFieldTimeOfDay, kFieldDate, kFieldComment1, kFieldComment2}) {
            out.push_back(',');
            cell(out, takes::field(log, n, text));
        }
        out.push_back(',');
        cell(out, takes::pictureName(log, n, options));
        out += kEnd;
    }
    return out;
}

}  // namespace handover
