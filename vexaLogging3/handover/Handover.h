#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "loglist/LogList.h"
#include "loglist/Timecode.h"
#include "platform/PdfWriter.h"

// The day's log handed over to the cutting room: the files editing systems import (an edit
// decision list, a spreadsheet, a log exchange file with real rates) and the ones people read
// (a printable contact sheet, a report for any browser). Each export reads the log and changes
// nothing in it.
namespace handover {

struct Options {
    // The rate the timecodes count at; from the log's rate code when not given.
    std::optional<timecode::FrameRate> rate;
    // The project's name: the title of every file.
    std::string title;
    // The source's reel or tape name; from the title when empty.
    std::string reel;
    // The beginning of the picture names, as Export All Pictures is given it; the title when
    // empty.
    std::string pictureStem;
    // The log exchange file's VIDEO_FORMAT.
    std::string videoFormat = "1080";
    platform::PageSize pageSize = platform::PageSize::A4;
};

// The rate the log's header names (the player's rate code); 25 when it names none, the rate
// the player starts with.
timecode::FrameRate logRate(const LogList& log);
timecode::FrameRate rateOf(const LogList& log, const Options& options);
// "24", "25", "29.97", "30"; and back, nothing for any other text.
std::string rateName(timecode::FrameRate rate);
std::optional<timecode::FrameRate> rateNamed(std::string_view name);

// Hears the fraction of the work done, and answers false to stop it.
using Progress = std::function<bool(double fraction)>;

// CMX 3600, ASCII with CRLF line ends.
std::string edl(const LogList& log, const Options& options);
// RFC 4180, UTF-8 with a byte-order mark.
std::string csv(const LogList& log, const Options& options);
// A tab-delimited log exchange file with a real rate and computed durations.
std::string ale(const LogList& log, const Options& options);
// One self-contained HTML file with the pictures as small embedded JPEGs; `scaler` null
// leaves the pictures out. Stopped by `progress`, it is cut short.
std::string htmlReport(const LogList& log, const Options& options,
                       platform::PictureScaler* scaler, const Progress& progress = {});
// The contact sheet drawn onto `canvas`: a title block, then every record with its picture,
// times and comments, page numbers at the foot. Stopped by `progress`, it is cut short.
void drawContactSheet(const LogList& log, const Options& options, platform::PdfCanvas& canvas,
                      const Progress& progress = {});

enum class Format { Edl, Csv, Ale, Pdf, Html };
std::optional<Format> formatNamed(std::string_view name);
// The file extension, without the dot.
std::string_view extensionOf(Format format);

struct Services {
    platform::PdfWriter* pdf = nullptr;
    platform::PictureScaler* scaler = nullptr;
};

// What writeExport answers when `progress` stopped it: no file was written.
inline constexpr std::string_view kCancelled = "the export was cancelled";

// Writes the export to `path` whole or not at all. Answers the empty string on success,
// otherwise the reason.
std::string writeExport(Format format, const LogList& log, const Options& options,
                        const std::string& path, const Services& services,
                        const Progress& progress = {});

}  // namespace handover
