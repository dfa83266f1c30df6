#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Video.h"

namespace videotest {

// An I420 frame in memory, painted by the test: no video system needed. Rows may be padded
// past the picture, as a device's buffers often are.
class MemoryFrame final : public platform::VideoFrame {
public:
    MemoryFrame(int width, int height, int rowPadding = 0)
        : m_width(width),
          m_height(height),
          m_yStride(width + rowPadding),
          m_cStride((width + 1) / 2 + rowPadding),
          y(static_cast<std::size_t>(m_yStride) * height),
          u(static_cast<std::size_t>(m_cStride) * ((height + 1) / 2)),
          v(u.size()) {}
    int width() const override { return m_width; }
    int height() const override { return m_height; }
    std::optional<platform::YuvPlanes> planes() const override {
        return platform::YuvPlanes{y.data(), u.data(), v.data(), m_yStride, m_cStride, m_cStride};
    }

    // Sets every pixel of the picture (not the padding) from its position.
    void paint(const std::function<std::uint8_t(int x, int yy)>& luma, std::uint8_t cb,
               std::uint8_t cr) {
        for (int row = 0; row < m_height; ++row)
            for (int x = 0; x < m_width; ++x)
                y[static_cast<std::size_t>(row * m_yStride + x)] = luma(x, row);
        for (int row = 0; row < (m_height + 1) / 2; ++row)
            for (int x = 0; x < (m_width + 1) / 2; ++x) {
                u[static_cast<std::size_t>(row * m_cStride + x)] = cb;
                v[static_cast<std::size_t>(row * m_cStride + x)] = cr;
            }
    }
    int yStride() const { return m_yStride; }

private:
    int m_width, m_height, m_yStride, m_cStride;

public:
    std::vector<std::uint8_t> y, u, v;
};

}  // namespace videotest
