// Stills from this machine's libjpeg-turbo and GStreamer test pattern, as a viewer sees them,
// and the live picture.

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <array>

#include "platform/fake/MemoryFrame.h"
#include "platform/video/GstreamerSources.h"
#include "platform/video/PreviewImage.h"
#include "tests/video/RealVideoApp.h"

namespace {

// What a viewer sees of a still: its size and its grey picture.
struct Decoded {
    int width = 0, height = 0;
    std::vector<std::uint8_t> luma;  // or red, green and blue, a byte each
};
Decoded decode(const std::vector<std::uint8_t>& jpeg, TJPF format = TJPF_GRAY) {
    Decoded d;
    tjhandle decoder = tjInitDecompress();
    int subsampling = 0, colourspace = 0;
    tjDecompressHeader3(decoder, jpeg.data(), jpeg.size(), &d.width, &d.height, &subsampling,
                        &colourspace);
    d.luma.resize(static_cast<std::size_t>(d.width) * d.height * tjPixelSize[format]);
    if (tjDecompress2(decoder, jpeg.data(), jpeg.size(), d.luma.data(), d.width, 0, d.height,
                      format, 0) != 0)
        d = {};
    tjDestroy(decoder);
    return d;
}

// A diagonal ramp with fine stripes: detail for the quantiser to lose.
std::uint8_t scene(int x, int y) {
    return static_cast<std::uint8_t>(16 + ((x + 2 * y) % 200) + ((x / 3) % 2) * 19);
}

TEST(TurboJpegCodec, AStillDecodesAsTheWholeFrameAtTheProgramsFactor) {
    struct Row {
        const char* name;
        int width, height, rowPadding, thumbnailWidth, thumbnailHeight;
    };
    // A thumbnail at the smallest scale at least 240 wide (an eighth of full HD; six eighths of
    // 321, 241), or the whole of one narrower; in the still's shape.
    const Row rows[] = {{"full HD", 1920, 1080, 0, 240, 135}, {"one pixel", 1, 1, 0, 1, 1},
                        {"odd sizes, padded rows", 321, 241, 27, 241, 181}};
    platform::TurboJpegCodec codec;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake::MemoryFrame frame(row.width, row.height, row.rowPadding);
        std::fill(frame.y.begin(), frame.y.end(), 0xFF);  // the padding keeps this
        frame.paint(scene, 90, 200);
        const std::vector<std::uint8_t> jpeg = codec.encodeJpeg(frame, 0.5);
        const Decoded d = decode(jpeg);
        ASSERT_EQ(d.width * 10000 + d.height, row.width * 10000 + row.height);
        double error = 0;
        for (int y = 0; y < row.height; ++y)
            for (int x = 0; x < row.width; ++x)
                error += std::abs(scene(x, y) - d.luma[std::size_t(y * row.width + x)]);
        // Half compression still looks like the frame: a few levels off on average.
        EXPECT_LT(error / (row.width * row.height), 8.0);
        // Out of range is held to the ends of the scale; what lies past a row is never read.
        EXPECT_EQ(codec.encodeJpeg(frame, 7.0), codec.encodeJpeg(frame, 1.0));
        fake::MemoryFrame tight(row.width, row.height);
        tight.paint(scene, 90, 200);
        EXPECT_EQ(codec.encodeJpeg(tight, 0.5), jpeg);
        const Decoded small = decode(codec.thumbnailJpeg(jpeg, 240));
        EXPECT_EQ(std::pair(small.width, small.height),
                  std::pair(row.thumbnailWidth, row.thumbnailHeight));
    }
    EXPECT_TRUE(codec.encodeJpeg(fake::VideoFrame("no pixels"), 0.5).empty());
}

// The live picture gets frames in the layouts it can sample whole, and paints from them what
// the still's I420 form shows.
TEST(CaptureWithGstreamer, TheStillIsTheFrameOfTheLogStartAndThePreviewSamplesFramesWhole) {
    struct Row {
        const char* name;
        platform::TestPatternFormat pattern;
        bool dies;
        platform::VideoPreview::Size box = {}, scaled = {};  // the view's; the preview frames'
    };
    const Row rows[] = {
        {"a capture card's full HD I420", {1920, 1080, 25}, false},
        {"a camera's YUY2, converted only for a still", {640, 360, 25, -1, "YUY2"}, false},
        {"NV12, scaled whole into a wide view", {640, 360, 25, -1, "NV12"}, false, {400, 180},
         {320, 180}},
        {"NV12, into a tall view", {640, 360, 25, -1, "NV12"}, false, {320, 400}, {320, 180}},
        {"no signal for a second: started at once", {320, 180, 25, -1, "I420", 1000}, false},
        {"a device that dies after two seconds: the user told", {320, 180, 25, 50}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        {
            videotest::RealVideoApp r(row.pattern);
            r.tap.grabs.keep = r.recorder.keep = true;
            r.recorder.box = row.box;
            ASSERT_TRUE(r.fakes.app->chooseVideoDevice("Test Pattern"));
            EXPECT_TRUE(row.pattern.silentMilliseconds == 0 || r.tap.grabs.numbers().empty());
            ASSERT_TRUE(r.tap.grabs.waitFor(3) && r.recorder.waitFor(1));
            const platform::GstreamerFrame& shown = *r.recorder.kept().back();
            EXPECT_EQ(shown.previewPlanes()->lumaStep, row.pattern.format[0] == 'Y' ? 2 : 1)
                << "the source's own layout, not converted";
            const int w = shown.width(), h = shown.height();
            const auto size = row.box.width ? row.scaled
                                            : platform::VideoPreview::Size{row.pattern.width,
                                                                           row.pattern.height};
            EXPECT_EQ(std::pair(w, h), std::pair(size.width, size.height));
            std::vector<std::uint32_t> sampled(160 * 90), converted(160 * 90);
            platform::paintPreview(*shown.previewPlanes(), w, h, sampled.data(), 160, 160, 90);
            platform::paintPreview(*shown.planes(), w, h, converted.data(), 160, 160, 90);
            int differing = 0;
            for (std::size_t i = 0; i < sampled.size(); ++i)
                for (const int shift : {0, 8, 16})
                    differing += std::abs(int(sampled[i] >> shift & 0xFF) -
                                          int(converted[i] >> shift & 0xFF)) > 6;
            // Only where 4:2:2 chroma was halved across a colour edge between two rows.
            EXPECT_LT(differing, static_cast<int>(sampled.size() / 100));
            const std::size_t before = r.tap.grabs.numbers().size();
            r.startLogOnTheInterface();
            const std::size_t after = r.tap.grabs.numbers().size();
            // The main thread is slow to get to the record: more frames come meanwhile.
            ASSERT_TRUE(r.tap.grabs.waitFor(5));
            r.fakes.mainThread.drain();
            r.fakes.app->waitForPictures();
            const Picture& still =
                r.fakes.app->logStartArray.picture(LogList::indexOf(1, kFieldPicture));
            const Decoded d = decode(still, TJPF_RGB);
            ASSERT_EQ(d.width * 10000 + d.height, row.pattern.width * 10000 + row.pattern.height);
            // The bars: white on the left, blue on the right.
            const auto rgb = [&](int x) {
                const auto at = d.luma.begin() + (d.height / 2 * d.width + x) * 3;
                return std::array<int, 3>{at[0], at[1], at[2]};
            };
            EXPECT_GT(std::ranges::min(rgb(d.width / 16)), 150);
            EXPECT_TRUE(rgb(d.width * 15 / 16)[2] > 150 && rgb(d.width * 15 / 16)[0] < 100);
            // The frame the controller held when the message came: the last one given to it,
            // or one on its way; never one that came later.
            const auto frames = r.tap.grabs.kept();
            bool found = false;
            for (std::size_t i = before - 1; i <= after; ++i)
                found = found || r.codec.encodeJpeg(*frames[i], 0.5) == still;
            EXPECT_TRUE(found) << "the still is none of the frames current at the log start";
            EXPECT_NE(r.codec.encodeJpeg(*frames.back(), 0.5), still);
            fake::pumpUntil(r.fakes, [&] { return !row.dies || r.fakes.app->captureActive == 0; });
            EXPECT_EQ(r.fakes.windows.dialogs.alerts.size(), row.dies ? 1u : 0u);
        }
        // Quitting with a device chosen frees its pipeline and every frame.
        EXPECT_EQ(platform::GstreamerVideoSystem::livePipelines(), 0);
        EXPECT_EQ(platform::GstreamerFrame::live(), 0);
    }
}

TEST(PreviewImage, TheFrameKeepsItsShapeInTheViewAndItsColoursClipInsteadOfWrapping) {
    struct Fit {
        const char* name;
        int frameWidth, frameHeight, viewWidth, viewHeight, x, y, width, height;
    };
    const Fit fits[] = {
        {"bars above and below", 1920, 1080, 400, 400, 0, 87, 400, 225},
        {"bars left and right", 720, 576, 1000, 400, 250, 0, 500, 400},
        {"a hidden view", 1920, 1080, 0, 300, 0, 0, 0, 0},
        {"past 32 bits", 1920, 1080, 2000000, 1000000, 111111, 0, 1777777, 1000000}};
    for (const Fit& f : fits) {
        const auto r = platform::fitFrame(f.frameWidth, f.frameHeight, f.viewWidth, f.viewHeight);
        EXPECT_EQ(std::tuple(r.x, r.y, r.width, r.height), std::tuple(f.x, f.y, f.width, f.height))
            << f.name;
    }
    struct Colour {
        const char* name;
        int width, height;
        std::uint8_t y, cb, cr;
        int rgb;  // 0xRRGGBB
    };
    const Colour colours[] = {{"white", 720, 576, 235, 128, 128, 0xFFFFFF},
                              {"black", 720, 576, 16, 128, 128, 0x000000},
                              {"SD red", 720, 576, 81, 90, 240, 0xFF0000},
                              {"HD red, 720 lines", 1280, 720, 63, 102, 240, 0xFF0000},
                              {"past video range", 720, 576, 255, 128, 255, 0xFFAFFF},
                              {"SD, no channel clipped", 720, 576, 126, 100, 100, 0x53A248}};
    for (const Colour& c : colours) {
        fake::MemoryFrame frame(c.width, c.height);
        frame.paint([&c](int, int) { return c.y; }, c.cb, c.cr);
        std::uint32_t view[4] = {};  // one row of two, with room past it that stays untouched
        platform::paintPreview(*frame.planes(), c.width, c.height, view, 4, 2, 1);
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(int(view[0] >> shift & 0xFF), c.rgb >> shift & 0xFF, 1) << c.name;
        EXPECT_EQ(view[1], view[0]) << c.name;
        EXPECT_EQ(view[2], 0u) << c.name;
    }
    // An I420 chroma row serves two picture rows: here the top half is red, the bottom grey.
    fake::MemoryFrame halves(720, 576);
    halves.paint([](int, int) { return std::uint8_t(81); }, 128, 128);
    std::fill_n(halves.u.begin(), halves.u.size() / 2, 90);
    std::fill_n(halves.v.begin(), halves.v.size() / 2, 240);
    std::uint32_t rows[2] = {};
    platform::paintPreview(*halves.planes(), 720, 576, rows, 1, 1, 2);
    const auto channel = [](std::uint32_t pixel, int shift) { return int(pixel >> shift & 0xFF); };
    EXPECT_TRUE(channel(rows[0], 16) >= 0xFE && channel(rows[0], 0) <= 1) << std::hex << rows[0];
    EXPECT_EQ(channel(rows[1], 16), channel(rows[1], 0)) << std::hex << rows[1];
}

// The mode a camera is asked for: the largest picture up to full HD at up to 30 per second,
// raw before JPEG when both give the same; nothing when it offers none within those.
TEST(CaptureWithGstreamer, TheDeviceModeIsTheLargestUpToFullHdAt30RawBeforeJpeg) {
    using namespace std::string_literals;
    gst_init(nullptr, nullptr);
    const char* const raw = "video/x-raw, format=(string)YUY2, ";
    const std::pair<std::string, const char*> cameras[] = {
        {raw + "width=(int)1920, height=(int)1080, framerate=(fraction)30/1; "s +
             "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1; " + raw +
             "width=(int)640, height=(int)480, framerate=(fraction)30/1",
         "video/x-raw, format=(string)YUY2, width=(int)1920, height=(int)1080, "
         "framerate=(fraction)30/1"},
        {raw + "width=(int)1920, height=(int)1080, framerate=(fraction)5/1; "s +
             "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1; " + raw +
             "width=(int)3840, height=(int)2160, framerate=(fraction)30/1",
         "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1"},
        {raw + "width=(int)[ 1, 4096 ], height=(int)[ 1, 2160 ], "s +
             "framerate=(fraction)[ 1/1, 60/1 ]",
         "video/x-raw, format=(string)YUY2, width=(int)1920, height=(int)1080, "
         "framerate=(fraction)30/1"},
        {raw + "width=(int)3840, height=(int)2160, framerate=(fraction)30/1"s, "nothing"},
    };
    for (const auto& [offered, asked] : cameras) {
        GstCaps* modes = gst_caps_from_string(offered.c_str());
        GstCaps* chosen = platform::chooseCaptureCaps(modes);
        gchar* text = chosen ? gst_caps_to_string(chosen) : g_strdup("nothing");
        EXPECT_STREQ(text, asked) << offered;
        g_free(text);
        if (chosen)
            gst_caps_unref(chosen);
        gst_caps_unref(modes);
    }
}

}  // namespace
