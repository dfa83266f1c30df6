#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Video.h"

namespace fake {

// An I420 frame in memory, painted by the test: no video system needed. Rows may be padded
// past the picture, as a device's buffers often are.
struct MemoryFrame final : platform::VideoFrame {
    MemoryFrame(int width, int height, int rowPadding = 0)
        : w(width), h(height), yStride(w + rowPadding), cStride((w + 1) / 2 + rowPadding) {
        y.resize(static_cast<std::size_t>(yStride) * h);
        u.resize(std::size_t(cStride) * ((h + 1) / 2));
        v.resize(u.size());
    }
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
        u.assign(u.size(), cb);
        v.assign(v.size(), cr);
    }

    int w, h, yStride, cStride;
    std::vector<std::uint8_t> y, u, v;
};

}  // namespace fake
