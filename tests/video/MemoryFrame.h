#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Video.h"

namespace videotest {

// An I420 frame in memory, painted by the test: no video system needed. Rows may be padded
// past the picture, as a device's buffers often are.
struct MemoryFrame final : platform::VideoFrame {
    MemoryFrame(int width, int height, int rowPadding = 0)
        : w(width),
          h(height),
          yStride(w + rowPadding),
          cStride((w + 1) / 2 + rowPadding),
          y(static_cast<std::size_t>(yStride) * h),
          u(std::size_t(cStride) * ((h + 1) / 2)),
          v(u.size()) {}
    int width() const override { return w; }
    int height() const override { return h; }
    std::optional<platform::YuvPlanes> planes() const override {
        return platform::YuvPlanes{y.data(), u.data(), v.data(), yStride, cStride, cStride};
    }
    // Sets every pixel of the picture (not the padding) from its position.
    void paint(const std::function<std::uint8_t(int x, int row)>& luma, std::uint8_t cb,
               std::uint8_t cr) {
        for (int row = 0; row < h; ++row)
            for (int x = 0; x < w; ++x) y[std::size_t(row * yStride + x)] = luma(x, row);
        for (std::size_t i = 0; i < u.size(); ++i) {
            u[i] = cb;
            v[i] = cr;
        }
    }

    int w, h, yStride, cStride;
    std::vector<std::uint8_t> y, u, v;
};

}  // namespace videotest
