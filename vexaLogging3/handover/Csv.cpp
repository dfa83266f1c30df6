// The log as a spreadsheet: RFC 4180, which every spreadsheet and script reads.

#include "handover/Handover.h"
#include "handover/Takes.h"

namespace handover {
namespace {

constexpr std::string_view kEnd = "\r\n";

void cell(std::string& out, std::string_view text) {
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
