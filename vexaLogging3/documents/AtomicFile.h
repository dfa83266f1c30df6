#pragma once

#include <string>
#include <string_view>

namespace document {

// Writes `bytes` to `path` so that the file is either the old one, whole, or the new one,
// whole: the bytes go to a temporary file in the same folder, reach the disk (fsync) and
// then replace the target in one rename. Nothing is left behind when a step fails. Answers
// the empty string on success, otherwise the reason, as the system words it. Leftovers of
// killed writers in the folder go first, unless the caller cleared them already.
std::string writeFileAtomically(const std::string& path, std::string_view bytes,
                                bool clearLeftovers = true);

// A new hidden file beside `target`, for writing the target's next contents, locked (flock)
// by this program for as long as the descriptor is open: a save or export that is killed
// leaves it behind unlocked, which is how a later one tells it from one still being written.
// Answers the descriptor and sets `path`, or -1 with errno set.
int createTemporaryBeside(const std::string& target, std::string& path);

// Removes the temporary files in `folder` whose writer no longer runs, whatever their age.
void removeAbandonedTemporaries(const std::string& folder);

}  // namespace document
