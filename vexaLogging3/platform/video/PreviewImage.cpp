#include "platform/video/PreviewImage.h"

#include <algorithm>
#include <vector>

namespace platform {
namespace {

// Video-range YUV to RGB in 16.16 fixed point.
struct Matrix {
    int yScale;  // 255/219
    int rFromV, gFromU, gFromV, bFromU;
};
constexpr Matrix kBt601{76309, 104597, -25675, -53279, 132201};
constexpr Matrix kBt709{76309, 117489, -13975, -34925, 138438};

inline std::uint32_t clampByte(int v) {
    return static_cast<std::uint32_t>(std::clamp(v >> 16, 0, 255));
}

}  // namespace

FittedRect fitFrame(int frameWidth, int frameHeight, int viewWidth, int viewHeight) {
    if (frameWidth < 1 || frameHeight < 1 || viewWidth < 1 || viewHeight < 1)
        return {};
    FittedRect r;
    // Compare the two shapes in 64 bits: 1080p times a large view overflows 32.
    if (static_cast<long long>(viewWidth) * frameHeight <=
        static_cast<long long>(viewHeight) * frameWidth) {
        r.width = viewWidth;
        r.height = static_cast<int>(static_cast<long long>(viewWidth) * frameHeight / frameWidth);
    } else {
        r.height = viewHeight;
        r.width = static_cast<int>(static_cast<long long>(viewHeight) * frameWidth / frameHeight);
    }
    r.width = std::max(r.width, 1);
    r.height = std::max(r.height, 1);
    r.x = (viewWidth - r.width) / 2;
    r.y = (viewHeight - r.height) / 2;
    return r;
}

void paintPreview(const YuvPlanes& frame, int frameWidth, int frameHeight, std::uint32_t* target,
                  int targetStride, int width, int height) {
    if (frameWidth < 1 || frameHeight < 1 || width < 1 || height < 1)
        return;
    const Matrix& m = frameHeight > 576 ? kBt709 : kBt601;
    // The source column under the centre of each target column, worked out once per frame.
    std::vector<int> column(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        column[static_cast<std::size_t>(x)] =
            static_cast<int>((2LL * x + 1) * frameWidth / (2LL * width));
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>((2LL * y + 1) * frameHeight / (2LL * height));
        const long chromaRow = sy >> frame.chromaRowShift;
        const std::uint8_t* lumaRow = frame.y + static_cast<long>(sy) * frame.yStride;
        const std::uint8_t* uRow = frame.u + chromaRow * frame.uStride;
        const std::uint8_t* vRow = frame.v + chromaRow * frame.vStride;
        std::uint32_t* out = target + static_cast<long>(y) * targetStride;
        for (int x = 0; x < width; ++x) {
            const int sx = column[static_cast<std::size_t>(x)];
            const int chroma = (sx / 2) * frame.chromaStep;
            const int luma = (lumaRow[sx * frame.lumaStep] - 16) * m.yScale + (1 << 15);
            const int u = uRow[chroma] - 128;
            const int v = vRow[chroma] - 128;
            const std::uint32_t r = clampByte(luma + m.rFromV * v);
            const std::uint32_t g = clampByte(luma + m.gFromU * u + m.gFromV * v);
            const std::uint32_t b = clampByte(luma + m.bFromU * u);
            out[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
}

}  // namespace platform
