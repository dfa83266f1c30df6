// The logging mode: what is sent to the interface for it.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

// The mode the user chose goes out with failed-frame logging off, and is set again when the
// interface comes back from a lost link logging otherwise. Actions: 1 the user chooses logging
// on; r, R the interface reports logging off (state 0x02) or on (0x03). Sent: the command byte
// of each "F0 2C 4D 57 xx F7".
TEST(LoggingControl, ModesAndButtonsSendTheirCommandsAndTheChosenModeStands) {
    const std::tuple<const char*, std::string, std::string> rows[] = {
        {"logging on, then failed-frame logging off", "1", "01 04"},
        {"on chosen, came back off: set again", "1r", "01 04 01 04"},
        {"on chosen, still on", "1R", "01 04"},
    };
    for (const auto& [name, actions, expected] : rows) {
        SCOPED_TRACE(name);
        fake::App app;
        app.app->midiOpenFlag = 1;
        for (const char action : actions) {
            if (action == '1') {
                app.windows.cmbLogSelectVal.selected = 1;
                app.app->cmbLogSelect();
            } else {
                const std::uint8_t state = action == 'R' ? 0x03 : 0x02;
                app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x00, state, 0xF7});
            }
        }
        app.app->waitForSends();
        std::string sent;
        for (const fake::Bytes& m : app.midi.messages()) {
            const std::string bytes = fake::hex(m);
            ASSERT_EQ(bytes.size(), 17u) << bytes;
            sent += (sent.empty() ? "" : " ") + bytes.substr(12, 2);
        }
        EXPECT_EQ(sent, expected);
    }
}

}  // namespace
