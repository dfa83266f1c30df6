#include "platform/video/TurboJpegCodec.h"

#include <turbojpeg.h>
#include <jconfig.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace platform {
namespace {

struct TurboJpegFree {
    void operator()(tjhandle handle) const { tjDestroy(handle); }
};
using Encoder = std::unique_ptr<void, TurboJpegFree>;

}  // namespace

int TurboJpegCodec::quality(double compressionFactor) {
    // Both scales run the same way, from smallest file to best picture, so the factor maps
    // straight onto percent. The program's 0.5 lands on 50, where the encoder uses the JPEG
    // standard's example quantisation tables unscaled: the textbook middle of the scale.
    if (!(compressionFactor >= 0.0))  // NaN too
        compressionFactor = 0.0;
    return std::clamp(static_cast<int>(std::lround(compressionFactor * 100.0)), 1, 100);
}

Bytes TurboJpegCodec::encodeJpeg(const VideoFrame& frame, double compressionFactor) {
    const std::optional<YuvPlanes> planes = frame.planes();
    if (!planes || frame.width() < 1 || frame.height() < 1)
        return {};
    // One encoder per call: a grab can come from the MIDI thread and from the main thread,
    // and an encoder is not to be shared between threads. Making one costs microseconds.
    Encoder encoder(tjInitCompress());
    if (!encoder)
        return {};
    const unsigned char* source[3] = {planes->y, planes->u, planes->v};
    int strides[3] = {planes->yStride, planes->uStride, planes->vStride};
    // The encoder reads the luma plane rounded up to whole chroma samples: one column and
    // one row more than an odd-sized picture has. Those come from a copy that repeats the
    // picture's own edge, never from whatever lies past it in the frame's memory.
    const int width = frame.width(), height = frame.height();
    std::vector<std::uint8_t> evenLuma;
    if (width % 2 != 0 || height % 2 != 0) {
        const int evenWidth = width + width % 2, evenHeight = height + height % 2;
        evenLuma.resize(static_cast<std::size_t>(evenWidth) * evenHeight);
        for (int row = 0; row < evenHeight; ++row) {
            const std::uint8_t* from =
                planes->y + static_cast<long>(std::min(row, height - 1)) * planes->yStride;
            std::uint8_t* to = evenLuma.data() + static_cast<long>(row) * evenWidth;
            std::copy(from, from + width, to);
            to[evenWidth - 1] = from[width - 1];
        }
        source[0] = evenLuma.data();
        strides[0] = evenWidth;
    }
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int failed =
        tjCompressFromYUVPlanes(encoder.get(), source, width, strides, height, TJSAMP_420, &jpeg,
                                &size, quality(compressionFactor), 0);
    Bytes out;
    if (!failed && jpeg)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    return out;
}

std::string TurboJpegCodec::libraryVersion() {
#define GLIMMARK_TEXT_OF(x) #x
#define GLIMMARK_VERSION_TEXT(x) GLIMMARK_TEXT_OF(x)
    return "libjpeg-turbo " GLIMMARK_VERSION_TEXT(LIBJPEG_TURBO_VERSION);
#undef GLIMMARK_VERSION_TEXT
#undef GLIMMARK_TEXT_OF
}

}  // namespace platform

namespace platform {

Bytes TurboJpegCodec::thumbnailJpeg(const Bytes& jpeg, int maxWidth) {
    if (jpeg.empty() || maxWidth < 1)
        return {};
    Encoder decoder(tjInitDecompress());
    if (!decoder)
        return {};
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(decoder.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()),
                            &width, &height, &subsampling, &colourspace) != 0 ||
        width < 1 || height < 1)
        return {};
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    int scaledWidth = width;
    int scaledHeight = height;
    for (int i = 0; factors != nullptr && i < count; ++i) {
        // The smallest scale that is still at least maxWidth wide; the full size if none is.
        const int w = TJSCALED(width, factors[i]);
        if (w >= maxWidth && w < scaledWidth) {
            scaledWidth = w;
            scaledHeight = TJSCALED(height, factors[i]);
        }
    }
    std::vector<unsigned char> pixels(static_cast<std::size_t>(scaledWidth) * scaledHeight * 3);
    if (tjDecompress2(decoder.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()),
                      pixels.data(), scaledWidth, 0, scaledHeight, TJPF_RGB, TJFLAG_FASTDCT) != 0)
        return {};
    Encoder encoder(tjInitCompress());
    if (!encoder)
        return {};
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    if (tjCompress2(encoder.get(), pixels.data(), scaledWidth, 0, scaledHeight, TJPF_RGB, &out,
                    &outSize, TJSAMP_420, 70, TJFLAG_FASTDCT) != 0) {
        tjFree(out);
        return {};
    }
    Bytes result(out, out + outSize);
    tjFree(out);
    return result;
}

}  // namespace platform
