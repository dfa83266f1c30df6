#pragma once

#include "platform/PictureConverter.h"

namespace platform::qt {

// Decodes whatever Qt's image plugins read (TIFF among them) and encodes it as JPEG. Safe to
// call from any thread: it touches no widget.
class QtPictureConverter final : public PictureConverter {
public:
    Bytes toJpeg(const Bytes& encoded, double compressionFactor) override;
};

}  // namespace platform::qt
