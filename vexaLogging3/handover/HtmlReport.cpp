// The report for a browser: one file that can be mailed, opened anywhere and printed, with
// the pictures inside it and no script.

#include <array>
#include <cstdint>

#include "handover/Handover.h"
#include "handover/Takes.h"

namespace handover {
namespace {

// Big enough to tell the shots apart, small enough that a day's report stays mailable.
constexpr int kThumbnailWidth = 320;
constexpr int kThumbnailHeight = 180;

void escaped(std::string& out, std::string_view text) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            // A comment typed on an old Mac breaks its lines with CR alone: still a break.
            case '\r':
                if (at + 1 == text.size() || text[at + 1] != '\n')
                    out.push_back('\n');
                break;
            default:
                out.push_back(c);
        }
    }
}

void base64(std::string& out, const platform::Bytes& bytes) {
    static constexpr std::string_view kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t at = 0;
    for (; at + 3 <= bytes.size(); at += 3) {
        const std::uint32_t group = std::uint32_t{bytes[at]} << 16 |
                                    std::uint32_t{bytes[at + 1]} << 8 | bytes[at + 2];
        for (const int shift : {18, 12, 6, 0})
            out.push_back(kDigits[group >> shift & 0x3F]);
    }
    const std::size_t rest = bytes.size() - at;
    if (rest == 0)
        return;
    std::uint32_t group = std::uint32_t{bytes[at]} << 16;
    if (rest == 2)
        group |= std::uint32_t{bytes[at + 1]} << 8;
    out.push_back(kDigits[group >> 18 & 0x3F]);
    out.push_back(kDigits[group >> 12 & 0x3F]);
    out.push_back(rest == 2 ? kDigits[group >> 6 & 0x3F] : '=');
    out.push_back('=');
}

// A cell; `label` names it where a narrow screen shows the take as a card without the table's
// header.
void td(std::string& out, std::string_view text, const char* cls, const char* label = nullptr) {
    out += std::string("<td class=\"") + cls + "\"";
    if (label != nullptr)
        out += std::string(" data-label=\"") + label + "\"";
    out += ">";
    escaped(out, text);
    out += "</td>";
}

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:1.5em;color:#000;background:#fff}"
    "h1{margin:0 0 .3em}p.about{margin:0 0 1em}"
    "table{border-collapse:collapse;width:100%}"
    "th,td{border:1px solid #999;padding:4px 6px;vertical-align:top;text-align:left}"
    "td.tc{font-family:monospace;white-space:nowrap}"
    "td.comment{white-space:pre-line;overflow-wrap:anywhere}"
    "img{display:block;max-width:200px;height:auto}"
    "thead{display:table-header-group}tr{break-inside:avoid;page-break-inside:avoid}"
    // A phone: one card per take, every value labelled, the comments at full width.
    "@media (max-width:640px){body{margin:.6em}thead{display:none}"
    "table,tbody,tr,td{display:block}tr{border:1px solid #999;margin:0 0 .6em;padding:4px}"
    "td{border:0;padding:1px 2px}td:empty{display:none}img{max-width:100%}"
    "td[data-label]::before{content:attr(data-label) \": \";font-family:sans-serif;color:#555}}";

}  // namespace

std::string htmlReport(const LogList& log, const Options& options,
                       platform::PictureScaler* scaler, const Progress& progress) {
    const int records = log.recordCount();
    std::string out;
    out.reserve(static_cast<std::size_t>(records) * 400 + 2000);
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    escaped(out, options.title);
    out += "</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n<body>\n<h1>";
    escaped(out, options.title);
    out += "</h1>\n<p class=\"about\">";
    const std::string days = takes::daysOf(log);
    if (!days.empty()) {
        out += "Date: ";
        escaped(out, days);
        out += " &middot; ";
    }
    out += "Frame rate: " + rateName(rateOf(log, options)) + " fps";
    out += rateOf(log, options).dropFrame ? " drop-frame" : "";
    out += " &middot; Records: " + std::to_string(records) + "</p>\n";
    out += "<table>\n<thead><tr><th>Picture</th><th>Number</th><th>Start</th><th>Stop</th>"
           "<th>Duration</th><th>Comment 1</th><th>Comment 2</th><th>Time of Day</th>"
           "<th>Date</th></tr></thead>\n<tbody>\n";
    for (int n = 1; n <= records; ++n) {
        out += "<tr id=\"r" + std::to_string(n) + "\"><td>";
        const Picture& picture = log.picture(LogList::indexOf(n, kFieldPicture));
        if (scaler != nullptr && takes::hasPicture(picture)) {
            const platform::Bytes small =
                scaler->jpegThumbnail(picture, kThumbnailWidth, kThumbnailHeight);
            if (!small.empty()) {
                out += "<img alt=\"";
                escaped(out, takes::field(log, n, kFieldNumber));
                out += "\" src=\"data:image/jpeg;base64,";
                base64(out, small);
                out += "\">";
            }
        }
        out += "</td>";
        const std::string& start = takes::field(log, n, kFieldStart);
        const std::string& stop = takes::field(log, n, kFieldStop);
        td(out, takes::field(log, n, kFieldNumber), "number", "Number");
        td(out, start, "tc", "Start");
        td(out, stop, "tc", "Stop");
        td(out, timecode::durationCalculate(start, stop), "tc", "Duration");
        td(out, takes::field(log, n, kFieldComment1), "comment");
        td(out, takes::field(log, n, kFieldComment2), "comment");
        td(out, takes::field(log, n, kFieldTimeOfDay), "tc", "Time of Day");
        td(out, takes::field(log, n, kFieldDate), "date", "Date");
        out += "</tr>\n";
        if (progress && !progress(static_cast<double>(n) / records))
            break;
    }
    out += "</tbody>\n</table>\n</body>\n</html>\n";
    return out;
}

}  // namespace handover
