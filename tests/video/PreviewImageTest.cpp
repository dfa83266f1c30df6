// The preview's picture: where a frame sits in the view and the colours it is painted in.

#include <gtest/gtest.h>

#include "platform/video/PreviewImage.h"
#include "tests/video/MemoryFrame.h"

namespace {

using platform::fitFrame;
using videotest::MemoryFrame;

struct Rgb {
    int r, g, b;
};
Rgb rgb(std::uint32_t pixel) {
    return {int(pixel >> 16 & 0xFF), int(pixel >> 8 & 0xFF), int(pixel & 0xFF)};
}
void expectNear(Rgb got, Rgb want) {
    EXPECT_NEAR(got.r, want.r, 3);
    EXPECT_NEAR(got.g, want.g, 3);
    EXPECT_NEAR(got.b, want.b, 3);
}

TEST(PreviewImage, TheFrameKeepsItsShapeCentredInTheView) {
    const auto wide = fitFrame(1920, 1080, 400, 400);  // bars above and below
    EXPECT_EQ(wide.width, 400);
    EXPECT_EQ(wide.height, 225);
    EXPECT_EQ(wide.x, 0);
    EXPECT_EQ(wide.y, 87);

    const auto tall = fitFrame(720, 576, 1000, 400);  // bars left and right
    EXPECT_EQ(tall.height, 400);
    EXPECT_EQ(tall.width, 500);
    EXPECT_EQ(tall.x, 250);

    EXPECT_EQ(fitFrame(1920, 1080, 0, 300).width, 0) << "a hidden view paints nothing";
    // A view far larger than 32-bit products allow.
    EXPECT_EQ(fitFrame(7680, 4320, 2000000, 1125000).width, 2000000);
}

TEST(PreviewImage, VideoLevelsBecomeFullRangeColoursByTheFramesStandard) {
    std::uint32_t out[1];
    const auto paintFlat = [&out](int w, int h, std::uint8_t y, std::uint8_t cb, std::uint8_t cr) {
        MemoryFrame frame(w, h);
        frame.paint([y](int, int) { return y; }, cb, cr);
        platform::paintPreview(*frame.planes(), w, h, out, 1, 1, 1);
        return rgb(out[0]);
    };
    expectNear(paintFlat(720, 576, 235, 128, 128), {255, 255, 255});
    expectNear(paintFlat(720, 576, 16, 128, 128), {0, 0, 0});
    // Full red as each standard codes it.
    expectNear(paintFlat(720, 576, 81, 90, 240), {255, 0, 0});
    expectNear(paintFlat(1920, 1080, 63, 102, 240), {255, 0, 0});
    // Beyond video range clips instead of wrapping round.
    expectNear(paintFlat(720, 576, 255, 128, 255), {255, 175, 255});
}

TEST(PreviewImage, EachViewPixelTakesTheFramePixelUnderItsCentre) {
    // Four vertical bands of luma; the view is four pixels wide and two high.
    MemoryFrame frame(1920, 1080, 64);
    frame.paint(
        [](int x, int) {
            return std::uint8_t(x < 480 ? 16 : x < 960 ? 80 : x < 1440 ? 160 : 235);
        },
        128, 128);
    std::uint32_t view[2 * 6] = {};
    const int stride = 6;  // the target's rows are padded too
    platform::paintPreview(*frame.planes(), 1920, 1080, view, stride, 4, 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(rgb(view[row * stride + 0]).g, 0);
        EXPECT_EQ(rgb(view[row * stride + 3]).g, 255);
        EXPECT_LT(rgb(view[row * stride + 1]).g, rgb(view[row * stride + 2]).g);
        EXPECT_EQ(view[row * stride + 4], 0u) << "past the width nothing is written";
    }
}

}  // namespace
