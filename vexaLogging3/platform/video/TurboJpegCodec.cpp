#include "platform/video/TurboJpegCodec.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace platform {
namespace {

struct TurboJpegFree {
    void operator()(tjhandle handle) const { tjDestroy(handle); }
};
using Encoder = std::unique_ptr<void, TurboJpegFree>;

}  // namespace

int TurboJpegCodec::quality(double compressionFactor)
{
    // Both scales run the same way, from smallest file to best picture, so the factor maps
    // straight onto percent. The program's 0.5 lands on 50, where the encoder uses the JPEG
    // standard's example quantisation tables unscaled: the textbook middle of the scale.
    if (!(compressionFactor >= 0.0))  // NaN too
        compressionFactor = 0.0;
    return std::clamp(static_cast<int>(std::lround(compressionFactor * 100.0)), 1, 100);
}

Bytes TurboJpegCodec::encodeJpeg(const VideoFrame& frame, double compressionFactor)
{
    const std::optional<YuvPlanes> planes = frame.planes();
    if (!planes || frame.width() < 1 || frame.height() < 1)
        return {};
    // One encoder per call: a grab can come from the MIDI thread and from the main thread,
    // and an encoder is not to be shared between threads. Making one costs microseconds.
    Encoder encoder(tjInitCompress());
    if (!encoder)
        return {};
    const unsigned char* source[3] = {planes->y, planes->u, planes->v};
    const int strides[3] = {planes->yStride, planes->uStride, planes->vStride};
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int failed = tjCompressFromYUVPlanes(encoder.get(), source, frame.width(), strides,
                                               frame.height(), TJSAMP_420, &jpeg, &size,
                                               quality(compressionFactor), 0);
    Bytes out;
    if (!failed && jpeg)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    return out;
}

}  // namespace platform
