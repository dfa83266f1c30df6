#include "shell/DocumentName.h"

namespace document {

std::string lastPathComponent(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool hasExtension(std::string_view path, std::string_view extension) {
    const std::string name = lastPathComponent(path);
    // A name that is nothing but the extension has none: there would be no name left.
    return name.size() > extension.size() + 1 && name.ends_with(extension) &&
           name[name.size() - extension.size() - 1] == '.';
}

std::string displayName(std::string_view path) {
    std::string name = lastPathComponent(path);
    constexpr std::string_view kOwnExtension = "vlg";
    if (hasExtension(name, kOwnExtension))
        name.resize(name.size() - kOwnExtension.size() - 1);
    return name;
}

}  // namespace document
