#pragma once

#include <optional>
#include <string>

#include "platform/Controls.h"

namespace platform {

// Pictures read from image files, for a record whose picture the user replaces.
class ImageFiles {
public:
    virtual ~ImageFiles() = default;
    // Reads and decodes the image file at `path`, whatever its format, and answers the
    // picture encoded as TIFF, the form a replaced picture is stored in. Nothing when the
    // file cannot be read or holds no picture the platform decodes; `why` then says what
    // went wrong, in words for the user.
    virtual std::optional<Bytes> readAsTiff(const std::string& path, std::string& why) = 0;
};

}  // namespace platform
