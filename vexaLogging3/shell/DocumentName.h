#pragma once

#include <string>
#include <string_view>

// How the document's path is named to the user.
namespace document {

// The part after the last "/", extension included: what the save prompts name.
std::string lastPathComponent(std::string_view path);
// What the window titles show: the last component, without its extension when that is
// exactly "vlg" (the program's own files), with any other extension kept.
std::string displayName(std::string_view path);
// The last component ends in "." + extension, compared exactly, with a name before it.
bool hasExtension(std::string_view path, std::string_view extension);

}  // namespace document
