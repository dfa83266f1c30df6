// Byte assembly of the MIDI input: slots, split packets, long messages, stray bytes.

#include <gtest/gtest.h>

#include "platform/MidiPacketList.h"
#include "support/FakePlatform.h"

namespace {

using fake::Bytes;

class MidiInputAssembly : public ::testing::Test {
protected:
    Bytes slot(int s, std::size_t length) const {
        const auto& buffer = app.app->sysexBuffer;
        return Bytes(buffer.begin() + 256 * s,
                     buffer.begin() + 256 * s + static_cast<long>(length));
    }
    // Feeds a list without running the main thread's work, so the test sees what was handed over.
    void feed(const Bytes& packetList) { myReadProc(packetList, nullptr, nullptr); }

    fake::App app;
};

const Bytes kStatusReply20{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x30, 0xF7};

TEST_F(MidiInputAssembly, AnEmptyPacketListDoesNothing) {
    platform::MidiPacketList list;
    feed(Bytes(list.bytes().begin(), list.bytes().end()));
    EXPECT_EQ(app.app->sysexBufferNr, 0);
    EXPECT_EQ(app.mainThread.pending(), 0u);
    EXPECT_EQ(slot(0, 8), Bytes(8, 0));
}

TEST_F(MidiInputAssembly, OneMessageFillsSlotZeroAndTheNextGoesToSlotOne) {
    feed(platform::makeMidiPacketList(kStatusReply20));
    EXPECT_EQ(slot(0, 7), kStatusReply20);
    EXPECT_EQ(app.app->sysexBufferNr, 1);
    EXPECT_EQ(app.app->midiStatusReqFlag.load(), 1);
    EXPECT_EQ(app.mainThread.drain(), 1);
    EXPECT_EQ(app.windows.statusText.value, "  2.0");

    const Bytes other{0xF0, 0x2C, 0x4D, 0x21, 0x39, 0x39, 0xF7};
    feed(platform::makeMidiPacketList(other));
    EXPECT_EQ(slot(1, 7), other);
    EXPECT_EQ(slot(0, 7), kStatusReply20);
}

TEST_F(MidiInputAssembly, FiveMessagesRotateThroughTheFourSlots) {
    for (std::uint8_t k = 0; k < 5; ++k)
        feed(platform::makeMidiPacketList(
            Bytes{0xF0, 0x2C, 0x4D, 0x21, 0x32, static_cast<std::uint8_t>(0x30 + k), 0xF7}));
    EXPECT_EQ(slot(0, 7), (Bytes{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x34, 0xF7}));
    EXPECT_EQ(slot(1, 7), (Bytes{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}));
    EXPECT_EQ(slot(3, 7), (Bytes{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x33, 0xF7}));
    EXPECT_EQ(app.app->sysexBufferNr, 1);
    EXPECT_EQ(app.mainThread.drain(), 5);
    EXPECT_EQ(app.windows.statusText.value, "  2.4");
}

TEST_F(MidiInputAssembly, AMessageSplitOverPacketsOrCallsIsAssembledOnce) {
    const Bytes head(kStatusReply20.begin(), kStatusReply20.begin() + 4);
    const Bytes tail(kStatusReply20.begin() + 4, kStatusReply20.end());

    // Two packets of one list.
    platform::MidiPacketList list;
    list.add(0, head);
    list.add(0, tail);
    feed(Bytes(list.bytes().begin(), list.bytes().end()));
    EXPECT_EQ(slot(0, 7), kStatusReply20);
    EXPECT_EQ(app.mainThread.drain(), 1);

    // Two calls of the callback.
    feed(platform::makeMidiPacketList(head));
    EXPECT_EQ(app.mainThread.pending(), 0u);
    EXPECT_EQ(app.app->sysexBufferNr, 1);
    feed(platform::makeMidiPacketList(tail));
    EXPECT_EQ(slot(1, 7), kStatusReply20);
    EXPECT_EQ(app.app->sysexBufferNr, 2);
    EXPECT_EQ(app.mainThread.drain(), 1);
}

TEST_F(MidiInputAssembly, ALongMessageKeepsItsHeadAndItsClosingByte) {
    Bytes message{0xF0};
    for (int i = 1; i < 299; ++i) message.push_back(static_cast<std::uint8_t>(i % 0x80));
    message.push_back(0xF7);
    ASSERT_EQ(message.size(), 300u);
    feed(platform::makeMidiPacketList(message));

    Bytes expected(message.begin(), message.begin() + 254);
    expected.push_back(0xF7);
    EXPECT_EQ(slot(0, 255), expected);
    EXPECT_EQ(app.app->sysexBuffer[255], 0) << "position 255 is never written";
    EXPECT_EQ(app.app->sysexBufferNr, 1);
}

TEST_F(MidiInputAssembly, MessagesLongerThanOnePacketStayInsideTheirSlotAndAreInterpreted) {
    // Past 65535 bytes a message no longer fits one packet and comes in several.
    int slotNr = 0;
    for (const std::size_t length : {std::size_t{10'000}, std::size_t{70'000}}) {
        SCOPED_TRACE(length);
        Bytes message{0xF0, 0x2C, 0x4D, 0x21};
        message.resize(length - 1, 0x35);
        message.push_back(0xF7);
        const Bytes list = platform::makeMidiPacketList(message);
        std::size_t packets = 0;
        platform::forEachMidiPacket(list, [&](std::span<const std::uint8_t>) { ++packets; });
        EXPECT_EQ(packets, length > 65'535 ? 2u : 1u);
        feed(list);
        EXPECT_EQ(app.app->sysexBuffer[256 * slotNr + 254], 0xF7);
        EXPECT_EQ(app.app->sysexBuffer[256 * slotNr + 255], 0) << "position 255 is never written";
        ++slotNr;
        EXPECT_EQ(app.app->sysexBufferNr, slotNr);
        // It still carries a status reply's head and is interpreted as one.
        EXPECT_EQ(app.mainThread.drain(), 1);
        EXPECT_EQ(app.windows.statusText.value, "  5.5");
    }
    for (std::size_t i = 512; i < app.app->sysexBuffer.size(); ++i)
        ASSERT_EQ(app.app->sysexBuffer[i], 0) << "byte " << i;
}

TEST_F(MidiInputAssembly, AQuarterFrameIsReadAndNotStored) {
    feed(platform::makeMidiPacketList(Bytes{0xF1, 0x25}));
    EXPECT_EQ(app.app->usbQuarterTime, 0x25);
    EXPECT_EQ(app.app->usbMidiTime[1], 5) << "piece 2 sets the seconds";
    EXPECT_EQ(slot(0, 4), Bytes(4, 0));
    EXPECT_EQ(app.app->sysexBufferNr, 0);
}

TEST_F(MidiInputAssembly, AQuarterFrameStatusEndingAPacketPairsWithTheNextDataByte) {
    // Pieces 0..6 whole, then piece 7's status at the end of one call, its data in the next.
    feed(platform::makeMidiPacketList(Bytes{0xF1, 0x04, 0xF1, 0x10, 0xF1, 0x23, 0xF1, 0x30, 0xF1,
                                            0x42, 0xF1, 0x50, 0xF1, 0x61, 0xF1}));
    EXPECT_EQ(app.mainThread.pending(), 0u);
    // Bytes past the end of the list must not be taken for the data byte.
    feed(platform::makeMidiPacketList(Bytes{0x70}));
    EXPECT_EQ(app.app->usbQuarterTime, 0x70);
    EXPECT_EQ(app.mainThread.drain(), 1);
    EXPECT_EQ(app.windows.statusText.value, "  01:02:03:04");

    // A clock byte may come between the status and its data; another status cancels it.
    feed(platform::makeMidiPacketList(Bytes{0xF1, 0xF8, 0x05}));
    EXPECT_EQ(app.app->usbMidiTime[0], 5);
    feed(platform::makeMidiPacketList(Bytes{0xF1, 0x90, 0x06}));
    EXPECT_EQ(app.app->usbMidiTime[0], 5);
}

TEST_F(MidiInputAssembly, AnF0BeforeTheEndStartsTheSlotOver) {
    feed(platform::makeMidiPacketList(
        Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}));
    EXPECT_EQ(slot(0, 7), (Bytes{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7}));
    EXPECT_EQ(app.mainThread.drain(), 1);
    EXPECT_EQ(app.app->logStartArray.count(), 10u) << "the unfinished log start never acted";
    EXPECT_EQ(app.windows.statusText.value, "  2.1");
}

TEST_F(MidiInputAssembly, RealTimeBytesInsideAMessageAreNeitherStoredNorEndIt) {
    // A log start with a real-time byte after its fifth byte, one row per real-time byte.
    const Bytes logStart{0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00, 0xF7};
    const std::uint8_t realTime[] = {0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
    int slotNr = 0;
    for (const std::uint8_t b : realTime) {
        SCOPED_TRACE(static_cast<int>(b));
        Bytes withRealTime = logStart;
        withRealTime.insert(withRealTime.begin() + 5, b);
        feed(platform::makeMidiPacketList(withRealTime));
        EXPECT_EQ(slot(slotNr, logStart.size()), logStart);
        slotNr = (slotNr + 1) % 4;
        EXPECT_EQ(app.app->sysexBufferNr, slotNr) << "the interpreter was called once";
    }
    EXPECT_EQ(app.mainThread.drain(), 8);
    EXPECT_EQ(app.app->logStartArray.recordCount(), 8) << "every log start became a record";
    EXPECT_EQ(app.field(8, kFieldStart), "10:00:00:00");

    // Between a quarter frame's status and its data as well.
    feed(platform::makeMidiPacketList(Bytes{0xF1, 0xFE, 0x05}));
    EXPECT_EQ(app.app->usbMidiTime[0], 5);
}

TEST_F(MidiInputAssembly, AStrayClosingByteNeverReplaysAnOldSlot) {
    // Four log starts fill the four slots; the fifth F7 would land on the first one's bytes.
    for (std::uint8_t n = 1; n <= 4; ++n)
        feed(platform::makeMidiPacketList(
            Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, 0x00, n, 0x00, 0xF7}));
    EXPECT_EQ(app.mainThread.drain(), 4);
    ASSERT_EQ(app.app->logStartArray.recordCount(), 4);

    feed(platform::makeMidiPacketList(Bytes{0xF7}));
    feed(platform::makeMidiPacketList(Bytes{0x90, 0x40, 0x7F, 0xF7}));
    EXPECT_EQ(app.mainThread.drain(), 0);
    EXPECT_EQ(app.app->logStartArray.recordCount(), 4);
    EXPECT_EQ(app.app->sysexBufferNr, 0);
}

TEST_F(MidiInputAssembly, DataAfterAClosedMessageGoesToTheNextSlotUntilANewStart) {
    feed(platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7, 0x11, 0x22}));
    EXPECT_EQ(app.app->sysexBuffer[256 + 7], 0x11);
    EXPECT_EQ(app.app->sysexBuffer[256 + 8], 0x22);
    feed(platform::makeMidiPacketList(kStatusReply20));
    EXPECT_EQ(slot(1, 7), kStatusReply20);
}

TEST_F(MidiInputAssembly, MalformedPacketListsReadNothingPastTheirEnd) {
    // A byte count larger than the list: only the bytes that are there are read.
    Bytes list = platform::makeMidiPacketList(kStatusReply20);
    list[12] = 0xFF;  // low byte of the 16-bit count
    list[13] = 0x7F;
    feed(list);
    EXPECT_EQ(slot(0, 7), kStatusReply20);
    EXPECT_EQ(app.mainThread.drain(), 1);

    // A packet count larger than the packets present, and lists cut anywhere.
    Bytes lying = platform::makeMidiPacketList(kStatusReply20);
    lying[0] = 200;
    feed(lying);
    for (std::size_t cut = 0; cut < lying.size(); ++cut)
        feed(Bytes(lying.begin(), lying.begin() + static_cast<long>(cut)));
    EXPECT_LE(app.app->sysexBufferNr, 3);
}

}  // namespace
