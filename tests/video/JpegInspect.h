#pragma once

#include <turbojpeg.h>

#include <cstdint>
#include <vector>

namespace videotest {

// What a JPEG file says about itself, read with libjpeg-turbo: independent of the encoder
// under test only in that it decodes, which is what every viewer of the stills does.
struct JpegInfo {
    bool decodes = false;
    int width = 0;
    int height = 0;
    int subsampling = -1;            // TJSAMP_*
    std::vector<std::uint8_t> luma;  // width x height, no padding
};

inline JpegInfo inspectJpeg(const std::vector<std::uint8_t>& jpeg) {
    JpegInfo info;
    tjhandle decoder = tjInitDecompress();
    int colourspace = 0;
    if (jpeg.empty() || tjDecompressHeader3(decoder, jpeg.data(), jpeg.size(), &info.width,
                                            &info.height, &info.subsampling, &colourspace) != 0) {
        tjDestroy(decoder);
        return info;
    }
    info.luma.resize(static_cast<std::size_t>(info.width) * info.height);
    info.decodes = tjDecompress2(decoder, jpeg.data(), jpeg.size(), info.luma.data(), info.width,
                                 info.width, info.height, TJPF_GRAY, 0) == 0;
    tjDestroy(decoder);
    return info;
}

}  // namespace videotest
