// Every message the interface sends, through the MIDI callback, into the windows and the log.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using fake::Bytes;

Bytes start(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f, std::uint8_t rate) {
    return {0xF0, 0x2C, 0x4D, 0x67, 0x01, h, m, s, f, rate, 0xF7};
}
Bytes stop(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f) {
    return {0xF0, 0x2C, 0x4D, 0x67, 0x02, h, m, s, f, 0xF7};
}
Bytes fullFrame(std::uint8_t h, std::uint8_t m, std::uint8_t s, std::uint8_t f) {
    return {0xF0, 0x7F, 0x7F, 0x01, 0x01, h, m, s, f, 0xF7};
}

// `windows`: the status line; log start, stop and duration in the capture window; the status
// flag; the start and stop in the editor, which shows the new record only at its position.
struct Case {
    const char* name;
    std::vector<Bytes> received;
    std::string windows;
    const char* rate = "1";  // set by a drop-frame start and the rate bits of a full frame
    std::int32_t lastNumber = 0;  // the log's last record number before the messages arrive
    int changed = 1;  // a log start or a new rate is a change to save
};

const Case kCases[] = {
    {"a drop-frame start is shown with semicolons and stored with colons", {start(1, 2, 3, 4, 2)},
     "  fps set to 29.97 DF|01;02;03;04|||0 01:02:03:04-", "64"},
    {"a stop after a drop-frame start has no duration", {start(1, 0, 0, 0, 2), stop(1, 0, 10, 5)},
     "  fps set to 29.97 DF|01;00;00;00|01:00:10:05||0 01:00:00:00-01:00:10:05", "64"},
    {"a stop whose start was never seen leaves a finished take alone, and says so until a start",
     {start(1, 0, 0, 0, 0), start(1, 0, 5, 0, 0), stop(1, 0, 9, 0), stop(1, 0, 11, 0),
      fullFrame(0x21, 0, 12, 0)},
     "  01:00:12:00  Log stop 01:00:11:00 without its start: no record changed|01:00:05:00|"
     "01:00:11:00||0 01:00:05:00-01:00:09:00"},
    {"the next start ends the notice",
     {start(1, 0, 0, 0, 0), stop(1, 0, 9, 0), stop(1, 0, 11, 0), start(1, 0, 20, 0, 0),
      fullFrame(0x21, 0, 21, 0)},
     "  01:00:21:00|01:00:20:00|||0 01:00:20:00-"},
    {"past the highest number a take is still logged, as 0, and the status line says why",
     {fullFrame(0x21, 0, 0, 0), start(1, 0, 0, 0, 0), start(1, 0, 5, 0, 0),
      fullFrame(0x21, 0, 6, 0)},
     "  01:00:06:00  No log number left: take logged as 0|01:00:05:00|||0 -", "1", 2147483646},
    {"a full frame's rate bits are its rate", {fullFrame(0x61, 2, 3, 4)},
     "  01:02:03:04  fps set to 30||||0 -", "96"},
    {"a full frame reads five bits of hours and frames, six of minutes and seconds",
     {fullFrame(0x3F, 0x7F, 0x7F, 0x7F)}, "  31:63:63:31||||0 -", "1", 0, 0},
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
        for (const Bytes& message : c.received) app.receive(message);

        const LogList& log = app.app->logStartArray;
        for (std::size_t i = 0; i < kFieldsPerRecord; ++i)
            EXPECT_EQ(log.text(i), i == kHeaderFrameRate ? c.rate : header.text(i));
        const auto& w = app.windows;
        EXPECT_EQ(w.statusText.value + "|" + w.txtLogStart.value + "|" + w.txtLogStop.value + "|" +
                      w.txtLogDuration.value + "|" +
                      std::to_string(app.app->midiStatusReqFlag.load()) + " " +
                      w.txtEditStart.value + "-" + w.txtEditStop.value,
                  c.windows);
        EXPECT_EQ(app.app->editChangeFlag, c.changed);
    }
}

}  // namespace
