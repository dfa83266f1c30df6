#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/plist/PlistLimits.h"

namespace platform::plist {

inline bool isBinaryPropertyList(const char* start, std::size_t size) {
    return size >= 8 && std::string_view(start, 6) == "bplist";
}

// Reads a binary property list (as macOS writes when asked) whose root is an array, through
// libplist. Values map as in the XML reader: strings and data as they are, numbers and
// booleans as their text; dates and other kinds become empty text. libplist parses nested
// containers by recursion, so a root array that holds containers is refused before libplist
// sees it: project files never hold any, and no file can drive the parser deep.
ArrayRead readBinaryPropertyList(const std::vector<char>& file, const std::string& path);

}  // namespace platform::plist
