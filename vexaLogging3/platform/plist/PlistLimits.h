#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "loglist/LogList.h"

namespace platform::plist {

// What a read refuses rather than trying to hold. A shoot day is a few thousand records;
// these bounds are far beyond any real log, and keep a damaged or hostile file from
// exhausting memory or the stack.
inline constexpr std::size_t kMaxEntries = kMaxRecords * kFieldsPerRecord;
inline constexpr std::size_t kMaxValueBytes = std::size_t{1} << 30;
inline constexpr int kMaxDepth = 64;

// What readers hand back: the root array's values, or why there are none.
struct ArrayRead {
    std::vector<LogValue> entries;
    std::string error;
};

}  // namespace platform::plist
