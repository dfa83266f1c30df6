#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "loglist/LogList.h"

namespace platform {

// Project files on disk: a property list whose root is an array of strings and data, one
// element per LogList value, in order.
class PropertyListFiles {
public:
    // Fraction done, 0.0 to 1.0, reported now and then during a long read or write.
    using Progress = std::function<void(double fraction)>;

    struct ReadResult {
        // The array's elements; empty when the file could not be read as an array.
        std::vector<LogValue> entries;
        // Empty when the file was read; otherwise why not, for a message to the user.
        std::string error;
    };

    virtual ~PropertyListFiles() = default;

    // Writes the whole list as an XML property list. The old file at `path` stays whole until
    // the new one is complete on disk; a failed write leaves no partial file behind. Answers
    // the empty string on success, otherwise the reason, for a message to the user.
    virtual std::string writeArray(const std::string& path, const LogList& list,
                                   const Progress& progress = {}) = 0;
    // Reads a property list whose root is an array, XML or binary.
    virtual ReadResult readArray(const std::string& path, const Progress& progress = {}) = 0;
};

}  // namespace platform
