// Byte assembly of the MIDI input, and its events' hand-over to the main thread, in order.

#include <gtest/gtest.h>

#include <thread>

#include "documents/ProjectFiles.h"
#include "platform/MidiPacketList.h"
#include "platform/fake/FakePlatform.h"

namespace {

using fake::Bytes;

Bytes listOf(const std::vector<Bytes>& packets) {
    platform::MidiPacketList list;
    for (const Bytes& p : packets) list.add(0, p);
    return Bytes(list.bytes().begin(), list.bytes().end());
}
Bytes one(const Bytes& message) {
    return platform::makeMidiPacketList(message);
}
void read(const Bytes& list) {
    myReadProc(list, nullptr, nullptr);
}
// A log start (kind 1) or stop (2) at 01:00:00:00 plus `i` seconds.
Bytes logEvent(std::uint8_t kind, int i) {
    const auto s = static_cast<std::uint8_t>(i % 60), m = static_cast<std::uint8_t>(i / 60);
    return kind == 1 ? Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, m, s, 0, 0, 0xF7}
                     : Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, m, s, 9, 0xF7};
}
Bytes reply(std::uint8_t minor) {
    return {0xF0, 0x2C, 0x4D, 0x21, 0x32, minor, 0xF7};
}
// Each data byte as a quarter frame of its own, all in one call.
Bytes quarters(const Bytes& pieces) {
    Bytes bytes;
    for (const std::uint8_t d : pieces) bytes.insert(bytes.end(), {0xF1, d});
    return one(bytes);
}
// Quarter frames for 01:02:03:04, the status of the last piece at the end. Piece 7 gives
// 25 fps, the rate the player starts with, unless the rate is what a case is about.
const Bytes kPiecesUpToSix{0xF1, 0x04, 0xF1, 0x10, 0xF1, 0x23, 0xF1, 0x30,
                           0xF1, 0x42, 0xF1, 0x50, 0xF1, 0x61, 0xF1};

struct Case {
    std::string name;
    std::vector<Bytes> calls;  // one packet list per call of the callback
    // Events handed over to the main thread, the status line, the records and the last start.
    std::string outcome;
};

std::vector<Case> cases() {
    const Bytes whole = reply(0x30), head(whole.begin(), whole.begin() + 4),
                tail(whole.begin() + 4, whole.end());
    std::vector<Case> rows{
        {"an empty packet list does nothing", {listOf({})}, "0 events, '', 0 records"},
        {"five messages rotate through the four slots",
         {one(reply(0x30)), one(reply(0x31)), one(reply(0x32)), one(reply(0x33)), one(reply(0x34))},
         "5 events, '  2.4', 0 records"},
        {"a message split over two packets", {listOf({head, tail})},
         "1 events, '  2.0', 0 records"},
        {"a message split over two calls", {one(head), one(tail)}, "1 events, '  2.0', 0 records"},
        {"an F0 before the end starts the message over",
         {one({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0xF0, 0x2C, 0x4D, 0x21, 0x32, 0x31, 0xF7})},
         "1 events, '  2.1', 0 records"},
        {"a stray F7 never replays a message handled before",
         {one(logEvent(1, 1)), one(logEvent(1, 2)), one(logEvent(1, 3)), one(logEvent(1, 4)),
          one({0xF7}), one({0x90, 0x40, 0x7F, 0xF7})},
         "4 events, '', 4 records, the last at 01:00:04:00"},
        {"a quarter frame's status ending one call pairs with the next call's data byte",
         {one(kPiecesUpToSix), one({0x72})}, "1 events, '  01:02:03:04', 0 records"},
        {"another status byte between a quarter frame's status and data cancels it",
         {one(kPiecesUpToSix), one({0x90, 0x72})}, "0 events, '', 0 records"},
        {"without piece 7 no time", {quarters({0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61})},
         "0 events, '', 0 records"},
        {"odd pieces add the upper bits",
         {quarters({0x0D, 0x11, 0x2B, 0x33, 0x4B, 0x53, 0x67, 0x73})},
         "1 events, '  23:59:59:29', 0 records"},
        {"the rate bits of piece 7 are the rate, not hours",
         {quarters({0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x61, 0x7F})},
         "1 events, '  17:00:00:00  fps set to 30', 0 records"},
        {"played in reverse, the next group's piece 7 shows the time",
         {quarters({0x73, 0x61, 0x51, 0x42, 0x31, 0x23, 0x11, 0x04, 0x72})},
         "2 events, '  01:02:03:04', 0 records"},
        {"a lost piece 7 delays the time to the next group",
         {quarters({0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x02, 0x10, 0x20, 0x30, 0x40, 0x50,
                    0x60, 0x72})},
         "1 events, '  00:00:00:02', 0 records"},
    };
    // Real-time bytes may come anywhere: inside a message and inside a quarter frame.
    for (std::uint8_t b = 0xF8; b != 0; ++b) {
        Bytes start = logEvent(1, 16);
        start.insert(start.begin() + 5, b);
        Bytes pieces = kPiecesUpToSix;
        pieces.insert(pieces.end(), {b, 0x72});
        rows.push_back({"real-time byte " + std::to_string(b) + " inside messages",
                        {one(start), one(pieces)},
                        "2 events, '  01:02:03:04', 1 records, the last at 01:00:16:00"});
    }
    // A list whose byte count or packet count promises more than it holds.
    Bytes longCount = one(reply(0x30)), manyPackets = longCount;
    longCount[12] = 0xFF;
    longCount[13] = 0x7F;
    manyPackets[0] = 200;
    rows.push_back({"a byte count past the end", {longCount}, "1 events, '  2.0', 0 records"});
    rows.push_back({"a packet count past the end", {manyPackets}, "1 events, '  2.0', 0 records"});
    // A log start's list cut anywhere, each cut its own call: none holds the whole message.
    const Bytes list = one(logEvent(1, 1));
    std::vector<Bytes> cuts;
    for (auto end = list.begin(); end != list.end(); ++end) cuts.emplace_back(list.begin(), end);
    rows.push_back({"cut lists read nothing past their end", cuts, "0 events, '', 0 records"});
    return rows;
}

TEST(MidiInputAssembly, EachByteStreamIsReadAsTheInterfaceMeantIt) {
    // The layout other senders write: a count, then a time stamp and a byte count, unpadded.
    const Bytes layout = one(logEvent(1, 1));
    ASSERT_EQ(layout.size(), 4u + 8 + 2 + 11);
    EXPECT_EQ(Bytes(layout.begin() + 14, layout.end()), logEvent(1, 1));
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        fake::App app;
        for (const Bytes& list : c.calls) read(list);
        const int events = app.mainThread.drain();
        const int records = app.app->logStartArray.recordCount();
        std::string outcome = std::to_string(events) + " events, '" + app.windows.statusText.value +
                              "', " + std::to_string(records) + " records";
        if (records > 0)
            outcome += ", the last at " + app.field(records, kFieldStart);
        EXPECT_EQ(outcome, c.outcome);
    }
}

TEST(MidiInputAssembly, ALongMessageStaysInsideItsSlotWithItsClosingByte) {
    fake::App app;
    const auto& buffer = app.app->sysexBuffer;
    for (const std::size_t length : {std::size_t{300}, std::size_t{70'000}}) {
        SCOPED_TRACE(length);
        const int slot = app.app->sysexBufferNr;
        Bytes message{0xF0, 0x2C, 0x4D, 0x21};  // its version bytes repeated up to its F7
        message.resize(length - 1, 0x35);
        message.push_back(0xF7);
        read(one(message));
        EXPECT_EQ(std::tuple(app.mainThread.drain(), app.windows.statusText.value),
                  std::tuple(1, "  5.5"));
        const auto at = buffer.begin() + 256 * slot;
        EXPECT_EQ(Bytes(at, at + 254), Bytes(message.begin(), message.begin() + 254));
        EXPECT_EQ(at[254], 0xF7);
        EXPECT_EQ(at[255], 0) << "position 255 is never written";
    }
    for (std::size_t i = 512; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0) << "byte " << i;
    // The next messages take the last two slots, then the first again.
    for (const int next : {3, 0, 1}) {
        read(one(reply(0x30)));
        ASSERT_EQ(app.app->sysexBufferNr, next);
    }
}

// MIDI that comes after the window has closed finds no controller to reach.
TEST(ThreadHandOver, TheControllerGoneTakesNothingMore) {
    std::make_unique<fake::App>().reset();
    EXPECT_EQ(myGlobalController.load(), nullptr);
}

TEST(ThreadHandOver, OnlyTheStatusFlagChangesOnTheReceiveThreadAndEventsKeepTheirOrder) {
    fake::App app;
    std::thread([] {
        read(one(reply('1')));
        read(one(logEvent(1, 0)));
    }).join();
    // The waiting main thread sees the flag at once; the windows and the log are untouched.
    EXPECT_EQ(app.app->midiStatusReqFlag.load(), 1);
    EXPECT_EQ(app.windows.statusText.writes, 0);
    EXPECT_EQ(app.app->logStartArray.recordCount(), 0);
    EXPECT_EQ(app.mainThread.drain(), 2);
    EXPECT_EQ(app.windows.statusText.value, "  2.1");

    constexpr int kLogs = 200;
    std::thread receiver([] {
        read(one(logEvent(2, 0)));
        for (int i = 1; i < kLogs; ++i) {
            read(one(logEvent(1, i)));
            read(one(logEvent(2, i)));
        }
    });
    // The main thread works through the events while they still arrive.
    while (app.field(kLogs, kFieldStop).empty()) app.mainThread.drain();
    receiver.join();
    ASSERT_EQ(app.mainThread.drain(), 0);
    ASSERT_EQ(app.app->logStartArray.recordCount(), kLogs);
    for (int r = 1; r <= kLogs; ++r) {
        char want[48];
        const int m = (r - 1) / 60, s = (r - 1) % 60;
        std::snprintf(want, sizeof want, "%d 01:%02d:%02d:00-01:%02d:%02d:09", r, m, s, m, s);
        const std::string got = app.field(r, kFieldNumber) + " " + app.field(r, kFieldStart);
        ASSERT_EQ(got + "-" + app.field(r, kFieldStop), want);
    }
}

// A take while the user picks a file to open is logged on the log opened, not the one replaced.
TEST(ThreadHandOver, ATakeWhileAFileIsPickedIsLoggedOnTheLogOpened) {
    fake::App app;
    app.receive(logEvent(1, 0));
    app.propertyLists.files["/d/day.vlg"] = projectfiles::valuesOf(app.app->logStartArray);
    app.app->editChangeFlag = 0;
    app.windows.dialogs.openPath = "/d/day.vlg";
    app.windows.dialogs.whileAsked = [&app, once = true]() mutable {
        if (std::exchange(once, false))
            app.receive(logEvent(1, 5));
    };
    app.app->btnFileOpen();
    app.mainThread.drain();
    EXPECT_EQ(app.field(1, kFieldStart) + " " + app.field(2, kFieldStart),
              "01:00:00:00 01:00:05:00");
}

}  // namespace
