#pragma once

#include "platform/PictureConverter.h"

namespace platform::qt {

// Decodes whatever Qt's image plugins read (TIFF among them) and encodes it as JPEG. Safe to
// call from any thread: it touches no widget.
class QtPictureConverter final : public PictureConverter {
public:
    Bytes toJpeg(const Bytes& encoded, double compressionFactor) override;
    // Drops what Qt and its image plugins print about damaged pictures, for programs whose
    // standard error carries only their own messages; a failed conversion is still told by
    // toJpeg's empty answer.
    static void silenceLibraryWarnings();
};

}  // namespace platform::qt
