#pragma once

#include "platform/Controls.h"

namespace platform {

// Re-encodes a stored picture. Grabs are stored as JPEG already; a picture replaced from an
// image file is stored in another format (TIFF) and must become JPEG before it is written
// to a file whose name promises JPEG.
class PictureConverter {
public:
    virtual ~PictureConverter() = default;
    // JPEG file data of the decoded picture; empty when the bytes do not decode.
    // compressionFactor runs from 0.0 (smallest file) to 1.0 (best quality).
    virtual Bytes toJpeg(const Bytes& encoded, double compressionFactor) = 0;
};

// JPEG data starts with the SOI marker followed by another marker.
inline bool isJpeg(const Bytes& encoded) {
    return encoded.size() >= 3 && encoded[0] == 0xFF && encoded[1] == 0xD8 && encoded[2] == 0xFF;
}

}  // namespace platform
