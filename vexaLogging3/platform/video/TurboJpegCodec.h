#pragma once

#include <string>

#include "platform/Video.h"

namespace platform {

// JPEG stills with libjpeg-turbo, straight from a frame's I420 planes: the planes go into the
// encoder's DCT as they are, 4:2:0, with no colour conversion and no copy of the picture.
class TurboJpegCodec final : public ImageCodec {
public:
    // "libjpeg-turbo 2.1.5", for the About box: the version built against, as the library
    // tells no other.
    static std::string libraryVersion();
    Bytes encodeJpeg(const VideoFrame& frame, double compressionFactor) override;
    // Decoded at the largest of the decoder's own scales (1/8, 1/4, 1/2...) that is still at
    // least maxWidth wide, or the smallest: a 1/8 decode skips most of the inverse DCT and
    // costs a fraction of a full one.
    Bytes thumbnailJpeg(const Bytes& jpeg, int maxWidth) override;

    // The encoder's quality (1 to 100) for a compression factor from 0.0 (smallest file) to
    // 1.0 (best quality).
    static int quality(double compressionFactor);
};

}  // namespace platform
