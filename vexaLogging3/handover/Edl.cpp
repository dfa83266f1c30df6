// The edit decision list: one event per timed take, in CMX 3600 form, which every editing system
// imports as clips or markers.

#include <cstdio>

#include "handover/Handover.h"
#include "handover/Takes.h"

namespace handover {
namespace {

// Lines end in CR LF: the readers of this form come from systems that expect it.
constexpr std::string_view kEnd = "\r\n";

void comment(std::string& out, std::string_view text) {
    out += "* COMMENT: ";
    out += takes::ascii(text);
    out += kEnd;
}

// What Add and Insert make and nobody has timed yet: no stop, and a start that is empty or
// midnight. As an event it would cut a frame of midnight into the programme.
bool untimed(const LogList& log, int n, timecode::FrameRate rate) {
    const std::string& start = takes::field(log, n, kFieldStart);
    return takes::field(log, n, kFieldStop).empty() &&
           (start.empty() || timecode::frameOf(start, rate) == 0);
}

}  // namespace

std::string edl(const LogList& log, const Options& options) {
    const timecode::FrameRate rate = rateOf(log, options);
    const std::string reel = takes::reel8(options);
    std::string out;
    out.reserve(static_cast<std::size_t>(log.recordCount()) * 200 + 100);
    out += "TITLE: ";
    out += takes::ascii(options.title.empty() ? reel : options.title);
    out += kEnd;
    out += rate.dropFrame ? "FCM: DROP FRAME" : "FCM: NON-DROP FRAME";
    out += kEnd;
    // The takes follow each other on the record side from one hour, where programmes start.
    std::int64_t recordAt = *timecode::frameOf("01:00:00:00", rate);
    int event = 0;
    for (int n = 1; n <= log.recordCount(); ++n) {
        const std::optional<takes::Span> span =
            takes::spanOf(takes::field(log, n, kFieldStart), takes::field(log, n, kFieldStop), rate);
        if (!span || untimed(log, n, rate))
            continue;
        ++event;
        char line[160];
        // Past 999 events the number takes a fourth digit; the fields stay apart by blanks.
        std::snprintf(line, sizeof line, "%03d  %-8s V     C        %s %s %s %s", event,
                      reel.c_str(), timecode::labelOf(span->in, rate).c_str(),
                      timecode::labelOf(span->in + span->length, rate).c_str(),
                      timecode::labelOf(recordAt, rate).c_str(),
                      timecode::labelOf(recordAt + span->length, rate).c_str());
        recordAt += span->length;
        out += kEnd;
        out += line;
        out += kEnd;
        out += "* FROM CLIP NAME: ";
        out += takes::ascii(takes::field(log, n, kFieldNumber));
        out += kEnd;
        for (const LogField text : {kFieldComment1, kFieldComment2}) {
            for (const std::string& part : takes::linesOf(takes::field(log, n, text)))
                comment(out, part);
        }
        const std::string& timeOfDay = takes::field(log, n, kFieldTimeOfDay);
        const std::string& date = takes::field(log, n, kFieldDate);
        if (!timeOfDay.empty() || !date.empty()) {
            std::string logged = "LOGGED";
            if (!date.empty())
                logged += " " + date;
            if (!timeOfDay.empty())
                logged += " " + timeOfDay;
            comment(out, logged);
        }
    }
    return out;
}

}  // namespace handover
