#include "shell/DocumentName.h"

namespace document {

std::string lastPathComponent(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string displayName(std::string_view path) {
    std::string name = lastPathComponent(path);
    constexpr std::string_view kOwnExtension = ".vlg";
    // A name that is nothing but the extension keeps it: there would be no name left.
    if (name.size() > kOwnExtension.size() && name.ends_with(kOwnExtension))
        name.resize(name.size() - kOwnExtension.size());
    return name;
}

}  // namespace document
