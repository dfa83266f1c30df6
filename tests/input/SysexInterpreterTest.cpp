// Every message the interface sends, through the MIDI callback, into the windows and the log.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using fake::Bytes;

Bytes start(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f, std::uint8_t rate) {
    return {0xF0, 0x2C, 0x4D, 0x67, 0x01, h, m, s, f, rate, 0xF7};
}
Bytes stop(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f) {
    return {0xF0, 0x2C, 0x4D, 0x67, 0x02, h, m, s, f, 0xF7};
}
Bytes reply(std::uint8_t major, std::uint8_t minor) {
    return {0xF0, 0x2C, 0x4D, 0x21, major, minor, 0xF7};
}
Bytes fullFrame(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f) {
    return {0xF0, 0x7F, 0x7F, 0x01, 0x01, h, m, s, f, 0xF7};
}
const Bytes kUnknownEvent{0xF0, 0x2C, 0x4D, 0x67, 0x05, 0xF7};

// `windows`: the status line; log start, stop and duration in the capture window; the status
// flag; the start and stop in the editor, which shows the new record only at its position.
struct Case {
    const char* name;
    std::vector<Bytes> received;  // one byte: the letter of an editing action the user takes
    std::vector<std::string> records;  // fields 0 to 4 of each record, joined by "|"
    std::string windows;
    const char* rate = "1";  // set by a drop-frame start and the rate bits of a full frame
    std::int32_t lastNumber = 0;  // the log's last record number before the messages arrive
};

const Case kCases[] = {
    {"a status reply shows the version", {reply('2', '1')}, {}, "  2.1||||1 -"},
    {"a major version below 2 asks for an update", {reply('1', '9')}, {}, "  update||||1 -"},
    {"a negative major version asks for an update", {reply(0x00, '5')}, {}, "  update||||1 -"},
    {"a drop-frame start is shown with semicolons and stored with colons", {start(1, 2, 3, 4, 2)},
     {"1|01:02:03:04|||17:08:09"},
     "  fps set to 29.97 DF|01;02;03;04|||0 01:02:03:04-", "64"},
    {"a 30 fps start is not drop-frame", {start(23, 59, 59, 29, 3)}, {"1|23:59:59:29|||17:08:09"},
     "|23:59:59:29|||0 23:59:59:29-"},
    {"a stop completes the last record; the next start clears the stop and its duration",
     {start(1, 0, 0, 0, 0), stop(1, 0, 10, 5), start(1, 0, 20, 7, 0)},
     {"1|01:00:00:00|01:00:10:05||17:08:09", "2|01:00:20:07|||17:08:09"},
     "|01:00:20:07|||0 01:00:20:07-"},
    {"a take's duration counts hours of two digits, and frames past the start's borrow nothing",
     {start(12, 0, 0, 3, 0), stop(13, 0, 10, 5)}, {"1|12:00:00:03|13:00:10:05||17:08:09"},
     "|12:00:00:03|13:00:10:05|01:00:10|0 12:00:00:03-13:00:10:05"},
    {"a stop after a drop-frame start has no duration", {start(1, 0, 0, 0, 2), stop(1, 0, 10, 5)},
     {"1|01:00:00:00|01:00:10:05||17:08:09"},
     "  fps set to 29.97 DF|01;00;00;00|01:00:10:05||0 01:00:00:00-01:00:10:05", "64"},
    {"a stop whose start was never seen leaves a finished take alone, and says so until a start",
     {start(1, 0, 0, 0, 0), start(1, 0, 5, 0, 0), stop(1, 0, 9, 0), stop(1, 0, 11, 0),
      fullFrame(0x21, 0, 12, 0)},
     {"1|01:00:00:00|||17:08:09", "2|01:00:05:00|01:00:09:00||17:08:09"},
     "  01:00:12:00  Log stop 01:00:11:00 without its start: no record changed|01:00:05:00|"
     "01:00:11:00||0 01:00:05:00-01:00:09:00"},
    {"the next start ends the notice",
     {start(1, 0, 0, 0, 0), stop(1, 0, 9, 0), stop(1, 0, 11, 0), start(1, 0, 20, 0, 0),
      fullFrame(0x21, 0, 21, 0)},
     {"1|01:00:00:00|01:00:09:00||17:08:09", "2|01:00:20:00|||17:08:09"},
     "  01:00:21:00|01:00:20:00|||0 01:00:20:00-"},
    {"a stop goes to its take when records were added after it, or it was deleted and undone",
     {start(1, 0, 0, 0, 0), start(1, 0, 5, 0, 0), {'A'}, {'B'}, {'D'}, {'U'}, stop(1, 0, 10, 5)},
     {"1|01:00:00:00|||17:08:09", "2|01:00:05:00|01:00:10:05||17:08:09",
      "3|00:00:00:00|||17:08:09"},
     "|01:00:05:00|01:00:10:05|00:00:05|0 01:00:05:00-01:00:10:05"},
    {"a stop follows its take cut and pasted before the older record",
     {start(1, 0, 0, 0, 0), start(1, 0, 5, 0, 0), {'N'}, {'X'}, {'V'}, stop(1, 0, 10, 5)},
     {"2|01:00:05:00|01:00:10:05||17:08:09", "1|01:00:00:00|||17:08:09"},
     "|01:00:05:00|01:00:10:05|00:00:05|0 01:00:05:00-01:00:10:05"},
    {"with its take deleted a stop goes to the last record, the editor left alone",
     {start(1, 0, 0, 0, 0), start(1, 0, 5, 0, 0), {'N'}, {'D'}, {'I'}, stop(1, 0, 10, 5)},
     {"0|00:00:00:00|||17:08:09", "1|01:00:00:00|01:00:10:05||17:08:09"},
     "|01:00:05:00|01:00:10:05|00:00:05|0 00:00:00:00-"},
    {"a stop with only the header changes nothing", {stop(1, 0, 10, 5)}, {},
     "  Log stop 01:00:10:05 without its start: no record changed||01:00:10:05||0 -"},
    {"unknown, foreign and cut-short (by one byte) messages change nothing",
     {kUnknownEvent, {0xF0, 0x2C, 0x4D, 0x67, 0x0A, 0xF7}, {0xF0, 0x2C, 0x4E, 0x21, '2', '1', 0xF7},
      {0xF0, 0x2C, 0x4D, 0x22, 0x01, 1, 2, 3, 4, 0, 0xF7}, {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7},
      {0xF0, 0x7F, 0x00, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0xF7},
      {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x02, 0x03, 0x04, 0x00, 0xF7},
      {0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 2, 3, 4, 0xF7},
      {0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, 2, 3, 0xF7}, {0xF0, 0x2C, 0x4D, 0x67, 0xF7},
      {0xF0, 0x2C, 0x4D, 0x21, '2', 0xF7}, {0xF0, 0x2C, 0x4D, 0x67, 0x00, 0xF7}},
     {}, "||||0 -"},
    {"a short log start never reads the bytes an older message left in its slot",
     {start(9, 9, 9, 9, 0), kUnknownEvent, kUnknownEvent, kUnknownEvent,
      {0xF0, 0x2C, 0x4D, 0x67, 0x01, 0xF7}},
     {"1|09:09:09:09|||17:08:09"}, "|09:09:09:09|||0 09:09:09:09-"},
    {"past the highest number a take is still logged, as 0, and the status line says why",
     {fullFrame(0x21, 0, 0, 0), start(1, 0, 0, 0, 0), start(1, 0, 5, 0, 0),
      fullFrame(0x21, 0, 6, 0)},
     {"2147483647|01:00:00:00|||17:08:09", "0|01:00:05:00|||17:08:09"},
     "  01:00:06:00  No log number left: take logged as 0|01:00:05:00|||0 -", "1", 2147483646},
    {"the notice shows with the take", {start(1, 0, 0, 0, 0)}, {"0|01:00:00:00|||17:08:09"},
     "  No log number left: take logged as 0|01:00:00:00|||0 -", "1", 2147483647},
    {"a number free again, after the Add that took the last is undone, ends that notice",
     {{'A'}, start(1, 0, 0, 0, 0), {'U'}, start(1, 0, 5, 0, 0), fullFrame(0x21, 0, 6, 0)},
     {"0|01:00:00:00|||17:08:09", "2147483647|01:00:05:00|||17:08:09"},
     "  01:00:06:00|01:00:05:00|||0 01:00:05:00-", "1", 2147483646},
    {"a full frame's rate bits are its rate", {fullFrame(0x61, 2, 3, 4)}, {},
     "  01:02:03:04  fps set to 30||||0 -", "96"},
    {"a full frame reads five bits of hours and frames, six of minutes and seconds",
     {fullFrame(0x3F, 0x7F, 0x7F, 0x7F)}, {}, "  31:63:63:31||||0 -"},
};

TEST(SysexInterpreter, EachMessageHasItsEffectOnTheLogAndTheWindows) {
    LogList header;
    header.append(newLogHeader());
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        fake::App app;
        app.clock.time = {2026, 3, 4, 17, 8, 9};
        app.windows.dialogs.answers = {platform::kAlertDefault};
        app.app->logNr = c.lastNumber;
        for (const Bytes& message : c.received) {
            if (message.size() == 1)
                (app.app.get()->*editor_test::kActions.at(char(message[0])))();
            else
                app.receive(message);
        }

        const LogList& log = app.app->logStartArray;
        ASSERT_EQ(log.recordCount(), static_cast<int>(c.records.size()));
        for (std::size_t i = 0; i < kFieldsPerRecord; ++i)
            EXPECT_EQ(log.text(i), i == kHeaderFrameRate ? c.rate : header.text(i));
        for (int r = 1; r <= log.recordCount(); ++r) {
            std::string fields = app.field(r, 0);
            for (int k = 1; k <= 4; ++k) fields += "|" + app.field(r, k);
            EXPECT_EQ(fields, c.records[static_cast<std::size_t>(r - 1)]);
            EXPECT_EQ(app.field(r, kFieldDate), "04.03.2026");
        }
        const auto& w = app.windows;
        EXPECT_EQ(w.statusText.value + "|" + w.txtLogStart.value + "|" + w.txtLogStop.value + "|" +
                      w.txtLogDuration.value + "|" +
                      std::to_string(app.app->midiStatusReqFlag.load()) + " " +
                      w.txtEditStart.value + "-" + w.txtEditStop.value,
                  c.windows);
        EXPECT_FALSE(w.cmbLogSelectVal.enabled) << "no whole logging state among these";
        EXPECT_EQ(app.app->editChangeFlag, c.records.empty() && *c.rate == '1' ? 0 : 1);
        EXPECT_EQ(app.app->logNr, c.lastNumber > 0 ? std::min(c.lastNumber + 1LL, 0x7FFFFFFFLL)
                                                   : log.recordCount());
        app.app->waitForSends();
        EXPECT_TRUE(app.midi.sent().empty());
    }
}

}  // namespace
