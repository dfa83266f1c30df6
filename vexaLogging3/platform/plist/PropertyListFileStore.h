#pragma once

#include <string>
#include <vector>

#include "platform/PropertyListFiles.h"

namespace platform::plist {

// Project files on disk: XML property lists written by streaming straight into a temporary
// file that replaces the target only once it is complete and on disk; XML read through
// expat, binary through libplist.
class PropertyListFileStore : public PropertyListFiles {
public:
    std::string writeArray(const std::string& path, const LogList& list,
                           const Progress& progress = {}) override;
    ReadResult readArray(const std::string& path, const Progress& progress = {}) override;

    // The same write for values read from a file, which need not come in whole records.
    std::string writeValues(const std::string& path, const std::vector<LogValue>& values,
                            const Progress& progress = {});
};

}  // namespace platform::plist
