#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "loglist/LogList.h"
#include "platform/PictureConverter.h"

// Writing the log's pictures out as JPEG files.
namespace pictures {

// The compression factor of every JPEG the program makes: grabs and pictures converted on
// export alike.
inline constexpr double kJpegCompressionFactor = 0.5;

// `path` with ".jpg" appended unless its extension is exactly "jpg".
std::string withJpegExtension(std::string path);
// `path` less its extension, if it has one.
std::string withoutExtension(const std::string& path);

// A log number as part of a file name: it is the user's text and may hold "/" or "..", so
// every "/" (and any control character) becomes "_", and the name never leaves its folder.
std::string safeNamePart(std::string_view text);

// The file name of record `position` in an export of all pictures: stem + "_" + position +
// "_" + the record's number + ".jpg".
std::string exportFileName(const std::string& stem, int position, std::string_view number);

// The bytes to write for a stored picture: JPEG as stored, anything else converted. Empty
// when it does not convert (or there is no converter).
platform::Bytes jpegBytes(const Picture& picture, platform::PictureConverter* converter);

struct ExportResult {
    int written = 0;
    int failed = 0;
    // The first failure: the file and why.
    std::string firstError;
    // Stopped by the user: the folder was left as it was found, as far as it could be.
    bool cancelled = false;
};

// Writes one picture to `target` (already carrying its extension), converted when needed.
ExportResult exportPicture(const Picture& picture, const std::string& target,
                           platform::PictureConverter* converter);

// Writes the picture of every record that has one of more than 10 bytes into `folder` as
// exportFileName(stem, ...). A failed file does not end the export. `progress` hears the
// fraction of records done; when it answers false the export stops, and the pictures it
// added are removed again. A file of a picture's name is replaced only once the whole export
// is done: a cancelled one leaves it as it was.
ExportResult exportAllPictures(const LogList& list, const std::string& folder,
                               const std::string& stem, platform::PictureConverter* converter,
                               const std::function<bool(double)>& progress = {});

}  // namespace pictures
