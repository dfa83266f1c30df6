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

// The matrix as tables over the byte values, and the clamp to 0..255 as a table over the
// sums' integer part: a preview pixel is then loads and adds, a few cycles, at 25 frames a
// second of a window's worth of them.
struct Tables {
    explicit Tables(const Matrix& m) {
        for (int i = 0; i < 256; ++i) {
            luma[i] = (i - 16) * m.yScale + (1 << 15);
            red[i] = m.rFromV * (i - 128);
            green[i] = m.gFromU * (i - 128);
            greenFromV[i] = m.gFromV * (i - 128);
            blue[i] = m.bFromU * (i - 128);
        }
        for (int i = 0; i < kClampSize; ++i)
            clamp[i] = static_cast<std::uint8_t>(std::clamp(i - kClampOffset, 0, 255));
    }
    // Sums lie within -300 and 560 in their integer part, for any bytes.
    static constexpr int kClampOffset = 512;
    static constexpr int kClampSize = 1536;
    std::uint32_t pixel(int y, int u, int v) const {
        const int l = luma[y];
        const std::uint32_t r = clamp[((l + red[v]) >> 16) + kClampOffset];
        const std::uint32_t g = clamp[((l + green[u] + greenFromV[v]) >> 16) + kClampOffset];
        const std::uint32_t b = clamp[((l + blue[u]) >> 16) + kClampOffset];
        return 0xFF000000u | (r << 16) | (g << 8) | b;
    }
    int luma[256], red[256], green[256], greenFromV[256], blue[256];
    std::uint8_t clamp[kClampSize];
};

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
    static const Tables bt601(kBt601);
    static const Tables bt709(kBt709);
    const Tables& t = frameHeight > 576 ? bt709 : bt601;
    // Where in a row the samples under the centre of each target column lie, worked out once
    // per frame.
    std::vector<int> lumaAt(static_cast<std::size_t>(width));
    std::vector<int> chromaAt(static_cast<std::size_t>(width));
    for (std::size_t x = 0; x < lumaAt.size(); ++x) {
        const auto sx =
            static_cast<int>((2LL * static_cast<long long>(x) + 1) * frameWidth / (2LL * width));
        lumaAt[x] = sx * frame.lumaStep;
        chromaAt[x] = sx / 2 * frame.chromaStep;
    }
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>((2LL * y + 1) * frameHeight / (2LL * height));
        const long chromaRow = sy >> frame.chromaRowShift;
        const std::uint8_t* lumaRow = frame.y + static_cast<long>(sy) * frame.yStride;
        const std::uint8_t* uRow = frame.u + chromaRow * frame.uStride;
        const std::uint8_t* vRow = frame.v + chromaRow * frame.vStride;
        std::uint32_t* out = target + static_cast<long>(y) * targetStride;
        for (std::size_t x = 0; x < lumaAt.size(); ++x)
            out[x] = t.pixel(lumaRow[lumaAt[x]], uRow[chromaAt[x]], vRow[chromaAt[x]]);
    }
}

}  // namespace platform
