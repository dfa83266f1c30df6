#pragma once

#include "platform/ImageFiles.h"

namespace platform::qt {

// Image files through Qt's image plugins: PNG, JPEG, BMP and GIF from Qt itself, TIFF and WebP
// from qt6-image-formats-plugins. The format is read from the file's content, not its name.
class QtImageFiles final : public ImageFiles {
public:
    std::optional<Bytes> readAsTiff(const std::string& path, std::string& why) override;
};

}  // namespace platform::qt
