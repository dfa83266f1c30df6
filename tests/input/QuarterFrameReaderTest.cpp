// The running timecode from MIDI Time Code quarter frames.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

struct Case {
    const char* name;
    std::vector<std::uint8_t> pieces;  // data bytes, each sent as its own quarter frame
    int outputs;
    const char* status;
};

const Case kCases[] = {
    {"a group in order gives one output, on piece 7",
     {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x72},
     1,
     "  01:02:03:04"},
    {"without piece 7 nothing is shown", {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61}, 0, "  2.1"},
    {"odd pieces add the upper bits",
     {0x0D, 0x11, 0x2B, 0x33, 0x4B, 0x53, 0x67, 0x71},
     1,
     "  23:59:59:29"},
    {"the rate bits of piece 7 are not hours",
     {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x61, 0x76},
     1,
     "  01:00:00:00"},
    {"played in reverse, the next group's piece 7 shows the time",
     {0x71, 0x61, 0x51, 0x42, 0x31, 0x23, 0x11, 0x04, 0x70},
     2,
     "  01:02:03:04"},
    {"a lost piece 7 delays the output to the next group",
     {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x02, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70},
     1,
     "  00:00:00:02"},
};

TEST(QuarterFrameReader, PiecesSpellTheTimecodeOnTheStatusLine) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        fake::App app;
        // The version shown before is overwritten by the running time.
        app.receive({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
        fake::Bytes bytes;
        for (const std::uint8_t d : c.pieces) bytes.insert(bytes.end(), {0xF1, d});
        myReadProc(platform::makeMidiPacketList(bytes), nullptr, nullptr);
        EXPECT_EQ(app.mainThread.drain(), c.outputs);
        EXPECT_EQ(app.windows.statusText.value, c.status);
    }
}

}  // namespace
