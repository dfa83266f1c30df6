#pragma once

#include <cstdint>

#include "platform/Video.h"

namespace platform {

// Where a frame goes in a view: the largest rectangle of the frame's shape that fits, centred.
struct FittedRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
FittedRect fitFrame(int frameWidth, int frameHeight, int viewWidth, int viewHeight);

// Paints a frame (I420, or packed 4:2:2 as YuvPlanes describes it), scaled to width x height, into
// 32-bit pixels 0xFFRRGGBB (the layout of QImage::Format_RGB32). Each target pixel reads the one
// source pixel under its centre: the cost follows the size of the view, not of the frame, which is
// what lets a 1080p device be previewed in a small window at full rate. Colours as the frame's size
// suggests: BT.709 above standard definition, BT.601 up to it, both in video range.
void paintPreview(const YuvPlanes& frame, int frameWidth, int frameHeight, std::uint32_t* target,
                  int targetStride, int width, int height);

}  // namespace platform
