// JPEG stills from I420 frames: what a viewer decodes from them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/video/TurboJpegCodec.h"
#include "tests/video/JpegInspect.h"
#include "tests/video/MemoryFrame.h"

namespace {

using videotest::inspectJpeg;
using videotest::MemoryFrame;

// A diagonal ramp with fine stripes: detail for the quantiser to lose.
std::uint8_t scene(int x, int y) {
    return static_cast<std::uint8_t>(16 + ((x + 2 * y) % 200) + ((x / 3) % 2) * 19);
}

double meanLumaError(const MemoryFrame& frame, const std::vector<std::uint8_t>& decoded) {
    double sum = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            sum += std::abs(int(frame.y[static_cast<std::size_t>(y * frame.yStride() + x)]) -
                            int(decoded[static_cast<std::size_t>(y * frame.width() + x)]));
    return sum / (frame.width() * frame.height());
}

TEST(TurboJpegCodec, AStillIsTheWholeFrameAtItsOwnSizeInFourTwoZero) {
    platform::TurboJpegCodec codec;
    for (auto [w, h] : {std::pair{1920, 1080}, std::pair{321, 241}, std::pair{1, 1}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        MemoryFrame frame(w, h);
        frame.paint(scene, 90, 200);
        const auto info = inspectJpeg(codec.encodeJpeg(frame, 0.5));
        ASSERT_TRUE(info.decodes);
        EXPECT_EQ(info.width, w);
        EXPECT_EQ(info.height, h);
        EXPECT_EQ(info.subsampling, TJSAMP_420);
    }
}

TEST(TurboJpegCodec, TheFactorTradesFileSizeForFidelity) {
    platform::TurboJpegCodec codec;
    MemoryFrame frame(640, 360);
    frame.paint(scene, 128, 128);
    const auto smallest = codec.encodeJpeg(frame, 0.0);
    const auto half = codec.encodeJpeg(frame, 0.5);
    const auto best = codec.encodeJpeg(frame, 1.0);
    EXPECT_LT(smallest.size(), half.size());
    EXPECT_LT(half.size(), best.size());

    const double errorHalf = meanLumaError(frame, inspectJpeg(half).luma);
    const double errorBest = meanLumaError(frame, inspectJpeg(best).luma);
    EXPECT_LT(errorBest, errorHalf);
    // Half compression still looks like the frame: a few levels off on average.
    EXPECT_LT(errorHalf, 8.0);
    // Out of range is held to the ends of the scale.
    EXPECT_EQ(codec.encodeJpeg(frame, 7.0), best);
    EXPECT_EQ(codec.encodeJpeg(frame, -1.0), smallest);
}

TEST(TurboJpegCodec, PaddingPastTheRowsNeverReachesThePicture) {
    platform::TurboJpegCodec codec;
    MemoryFrame tight(101, 57);
    MemoryFrame padded(101, 57, 27);
    tight.paint(scene, 60, 180);
    padded.paint(scene, 60, 180);
    std::fill(padded.y.begin(), padded.y.end(), 0xFF);  // the padding keeps this
    padded.paint(scene, 60, 180);
    EXPECT_EQ(codec.encodeJpeg(tight, 0.5), codec.encodeJpeg(padded, 0.5));
}

TEST(TurboJpegCodec, AFrameWithoutPixelsGivesNothing) {
    class Empty final : public platform::VideoFrame {
    public:
        int width() const override { return 640; }
        int height() const override { return 480; }
        std::optional<platform::YuvPlanes> planes() const override { return std::nullopt; }
    };
    platform::TurboJpegCodec codec;
    EXPECT_TRUE(codec.encodeJpeg(Empty{}, 0.5).empty());
}

}  // namespace
