#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "handover/Handover.h"
#include "loglist/LogList.h"
#include "platform/PictureConverter.h"

// The commands of glimmark-cli on the program's own document code. Each answers the exit
// status and, on failure, writes one line naming the file and the reason to `err`.
namespace cli {

inline constexpr int kOk = 0;
inline constexpr int kFileFailed = 1;
inline constexpr int kUsage = 2;

// One line per record, header left out: fields 0 to 7, then the picture's size in bytes,
// tab-separated, with tab, line feed, carriage return and backslash inside a field written
// as \t, \n, \r and \\.
int info(const std::string& file, std::ostream& out, std::ostream& err);

// Converts by the extensions of `in` and `out`: vlg to vlg, vlg to log, log to vlg.
int convert(const std::string& in, const std::string& out, std::ostream& err);

// Every picture of the project, as the program's Export All Pictures writes them, into
// `folder`, made when it is missing and its parent exists; tells `out` how many were written.
// A picture stored in another format than JPEG is converted by `converter`.
int exportPictures(const std::string& file, const std::string& folder, const std::string& stem,
                   platform::PictureConverter* converter, std::ostream& out, std::ostream& err);

// The log for the cutting room (EDL, CSV, ALE, PDF contact sheet, HTML report) written to
// `target`, whole or not at all.
int exportHandover(const std::string& file, const std::string& target, handover::Format format,
                   const handover::Options& options, const handover::Services& services,
                   std::ostream& err);

// The extension of a path's last component, without the dot; "" when there is none.
std::string extensionOf(const std::string& path);

}  // namespace cli
