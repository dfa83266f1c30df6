#pragma once

#include <functional>
#include <string>

#include "loglist/LogList.h"
#include "platform/plist/PlistLimits.h"

namespace platform::plist {

// Reads an XML property list whose root is an array, streaming the open file `fd` through
// expat, so that memory holds the values and one read buffer, never the document. Takes
// what this program, plistlib and macOS write: any indentation, Base64 folded over lines,
// <data/> and <data></data>, character entities and references, CDATA sections.
//
// The root array's children become values: <string> and <data> as they are; <integer>,
// <real> and <date> as their text, so that a frame rate written as a number by another tool
// still reads; <true/> and <false/> as "true" and "false"; a nested <array> or <dict> as an
// empty string, which keeps every later value at its index. A document that declares
// entities is refused: project files never do, and that closes the door on expansion bombs
// and external entities alike.
ArrayRead readXmlPropertyList(int fd, const std::string& path, long long fileSize,
                              const std::function<void(double)>& progress);

}  // namespace platform::plist
