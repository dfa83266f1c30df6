// The running timecode from MIDI Time Code quarter frames.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;

class QuarterFrameReader : public ::testing::Test {
protected:
    // Sends each data byte as its own quarter frame, then runs the main thread's work.
    int pieces(std::initializer_list<std::uint8_t> data) {
        Bytes bytes;
        for (std::uint8_t d : data) {
            bytes.push_back(0xF1);
            bytes.push_back(d);
        }
        myReadProc(platform::makeMidiPacketList(bytes), nullptr, nullptr);
        return app.mainThread.drain();
    }

    fake::App app;
};

TEST_F(QuarterFrameReader, AGroupInOrderGivesOneOutputOnTheLastPiece) {
    app.windows.chkEditChaseModeVal.on = true;
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 2, 3, 4, 0, 0xF7});
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, 2, 5, 0, 0xF7});
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0, 0, 0, 0, 0, 0xF7});
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x02, 0, 0, 1, 0, 0xF7});
    app.app->logEditPos = 2;

    EXPECT_EQ(pieces({0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61}), 0);
    EXPECT_EQ(app.windows.statusText.writes, 0);
    EXPECT_EQ(pieces({0x72}), 1);
    EXPECT_EQ(app.windows.statusText.value, "  01:02:03:04");
    EXPECT_EQ(app.app->logEditPos, 1) << "the chase received 01:02:03:04";
}

TEST_F(QuarterFrameReader, OddPiecesAddTheUpperBits) {
    pieces({0x0D, 0x11, 0x2B, 0x33, 0x4B, 0x53, 0x67, 0x71});
    EXPECT_EQ(app.windows.statusText.value, "  23:59:59:29");
}

TEST_F(QuarterFrameReader, RateBitsOfTheLastPieceAreIgnored) {
    pieces({0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x61, 0x76});
    EXPECT_EQ(app.windows.statusText.value, "  01:00:00:00");
    pieces({0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x61, 0x70});
    EXPECT_EQ(app.windows.statusText.value, "  01:00:00:00");
}

TEST_F(QuarterFrameReader, ReversePlayKeepsOnlyTheLowNibbles) {
    EXPECT_EQ(pieces({0x71, 0x61, 0x51, 0x42, 0x31, 0x23, 0x11, 0x04}), 1);
    // Piece 7 came first and output what was there; the next group's 7 shows the rest.
    EXPECT_EQ(app.windows.statusText.value, "  16:00:00:00");
    EXPECT_EQ(pieces({0x70}), 1);
    EXPECT_EQ(app.windows.statusText.value, "  01:02:03:04");
}

TEST_F(QuarterFrameReader, ALostLastPieceDelaysTheOutput) {
    EXPECT_EQ(pieces({0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60}), 0);
    EXPECT_EQ(pieces({0x02, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70}), 1);
    EXPECT_EQ(app.windows.statusText.value, "  00:00:00:02");
}

TEST_F(QuarterFrameReader, EachGroupOverwritesTheStatusLine) {
    app.receive({0xF0, 0x2C, 0x4D, 0x21, '2', '1', 0xF7});
    EXPECT_EQ(app.windows.statusText.value, "  2.1");
    pieces({0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70});
    EXPECT_EQ(app.windows.statusText.value, "  00:00:00:00");
}

}  // namespace
