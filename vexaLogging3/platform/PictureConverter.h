#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

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

// Whether `data` is a PNG with a chunk that claims more bytes than the data holds. The PNG
// reader reserves a text chunk's claimed length, up to 2 GB, before it finds the bytes
// missing, so such data is refused before it reaches a reader.
inline bool pngClaimsMoreThanItHolds(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < sizeof kSignature || !std::equal(std::begin(kSignature), std::end(kSignature), data))
        return false;
    // Each chunk: its length (4 bytes, big-endian), its type (4), its data, its CRC (4).
    for (std::size_t at = sizeof kSignature; size - at >= 8;) {
        const std::size_t length = std::size_t{data[at]} << 24 | std::size_t{data[at + 1]} << 16 |
                                   std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length > size - at - 8)
            return true;
        at += 8 + length;
        if (size - at < 4)
            break;
        at += 4;
    }
    return false;
}

}  // namespace platform
