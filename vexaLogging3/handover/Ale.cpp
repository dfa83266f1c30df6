// The log exchange file with what editing systems need to take the takes as clips: a real
// rate, video format, tape and durations. The program's own exchange file stays as it is.

#include "handover/Handover.h"
#include "handover/Takes.h"

namespace handover {
namespace {

// A tab or line break inside a cell would start another cell or row: the file has no quoting.
void cell(std::string& out, std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
            continue;
        out.push_back(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
    }
}

}  // namespace

std::string ale(const LogList& log, const Options& options) {
    const timecode::FrameRate rate = rateOf(log, options);
    std::string out;
    out.reserve(static_cast<std::size_t>(log.recordCount()) * 150 + 300);
    out += "Heading\nFIELD_DELIM\tTABS\nVIDEO_FORMAT\t";
    cell(out, options.videoFormat.empty() ? "1080" : options.videoFormat);
    out += "\nAUDIO_FORMAT\t48khz\nFPS\t" + rateName(rate) + "\n\nColumn\n";
    out += "Name\tTracks\tStart\tEnd\tDuration\tTape\tComment 1\tComment 2\tTime of Day\tDate\n";
    out += "\nData\n";
    const std::string tape = options.reel.empty() ? options.title : options.reel;
    for (int n = 1; n <= log.recordCount(); ++n) {
        cell(out, takes::field(log, n, kFieldNumber));
        out += "\tV\t";
        const std::optional<takes::Span> span =
            takes::spanOf(takes::field(log, n, kFieldStart), takes::field(log, n, kFieldStop), rate);
        // End is the first frame after the take, as these files count it; a take whose start
        // is no timecode keeps its texts and gets no duration.
        if (span) {
            out += timecode::labelOf(span->in, rate) + '\t' +
                   timecode::labelOf(span->in + span->length, rate) + '\t' +
                   timecode::labelOf(span->length, rate) + '\t';
        } else {
            cell(out, takes::field(log, n, kFieldStart));
            out.push_back('\t');
            cell(out, takes::field(log, n, kFieldStop));
            out += "\t\t";
        }
        cell(out, tape);
        for (const LogField text : {kFieldComment1, kFieldComment2, kFieldTimeOfDay, kFieldDate}) {
            out.push_back('\t');
            cell(out, takes::field(log, n, text));
        }
        out.push_back('\n');
    }
    return out;
}

}  // namespace handover
