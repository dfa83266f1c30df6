#pragma once

#include <string>
#include <string_view>

namespace document {

// Writes `bytes` to `path` so that the file is either the old one, whole, or the new one,
// whole: the bytes go to a temporary file in the same folder, reach the disk (fsync) and
// then replace the target in one rename. Nothing is left behind when a step fails. Answers
// the empty string on success, otherwise the reason, as the system words it.
std::string writeFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace document
