// The logging mode and the manual buttons: what is sent, and which buttons work.

#include <gtest/gtest.h>

#include "platform/fake/FakePlatform.h"

namespace {

// Actions: 0, 1, 2 the user chooses that mode; '-' nothing selected; M, S the manual start and
// stop buttons; x the link is down; r, R after a reconnect the interface reports logging off
// (state 0x02) or on (0x03). Sent: the command byte of each "F0 2C 4D 57 xx F7". Controls: the
// mode shown, then whether the combo box, the manual and the stop buttons work.
struct Case {
    const char* name;
    std::string actions, sent, controls;
};

const Case kCases[] = {
    {"logging on, then failed-frame logging off", "1", "01 04", "1 off off off"},
    {"manual logging turns the interface's logging off", "2", "00 04", "2 off on off"},
    {"logging off disables the manual button", "20", "00 04 00 04", "0 off off off"},
    {"the same mode again sends again", "00", "00 04 00 04", "0 off off off"},
    {"nothing selected sends nothing", "-", "", "-1 off off off"},
    {"manual starts enable the stop button", "2MM", "00 04 06 06", "2 off on on"},
    {"a mode change leaves the stop button", "2M0", "00 04 06 00 04", "0 off off on"},
    {"the manual stop disables itself", "2MS", "00 04 06 07", "2 off on off"},
    {"with the link down the buttons change and nothing is sent", "x2M", "", "2 off on on"},
    {"no choice: the interface's report is shown", "R", "", "1 on off off"},
    {"no choice: the interface reports logging off", "r", "", "0 on off off"},
    {"on chosen, came back off: set again", "1r", "01 04 01 04", "1 on off off"},
    {"on chosen, still on", "1R", "01 04", "1 on off off"},
    {"manual chosen, came back off", "2r", "00 04", "2 on on off"},
    {"manual chosen, came back logging: set again", "2R", "00 04 00 04", "2 on on off"},
};

TEST(LoggingControl, ModesAndButtonsSendTheirCommandsAndTheChosenModeStands) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        fake::App app;
        auto& w = app.windows;
        app.app->midiOpenFlag = 1;
        w.cmbLogSelectVal.enabled = w.btnLogManualVal.enabled = w.btnLogManualStopVal.enabled =
            false;
        for (const char action : c.actions) {
            if (action == 'M')
                app.app->btnLogManual();
            else if (action == 'S')
                app.app->btnLogManualStop();
            else if (action == 'x')
                app.app->midiOpenFlag = 0;
            if (action == '-' || (action >= '0' && action <= '2')) {
                w.cmbLogSelectVal.selected = action == '-' ? -1 : action - '0';
                app.app->cmbLogSelect();
            } else if (action == 'r' || action == 'R') {
                w.cmbLogSelectVal.selected = -1;  // whatever it showed before the link went
                w.btnLogManualVal.enabled = false;
                const std::uint8_t state = action == 'R' ? 0x03 : 0x02;
                app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x00, state, 0xF7});
            }
        }
        app.app->waitForSends();
        std::string sent;
        for (const fake::Bytes& m : app.midi.messages()) {
            const std::string bytes = fake::hex(m);
            ASSERT_EQ(bytes.size(), 17u) << bytes;
            EXPECT_EQ(bytes.substr(0, 12) + bytes.substr(14), "F0 2C 4D 57  F7");
            sent += (sent.empty() ? "" : " ") + bytes.substr(12, 2);
        }
        EXPECT_EQ(sent, c.sent);
        if (const char last = c.actions.back(); last == 'r' || last == 'R') {  // the live page's
            EXPECT_EQ(int{app.app->reportedLoggingState}, last == 'R' ? 1 : 0);
        }
        const auto on = [](bool enabled) { return enabled ? " on" : " off"; };
        EXPECT_EQ(std::to_string(w.cmbLogSelectVal.selected) + on(w.cmbLogSelectVal.enabled) +
                      on(w.btnLogManualVal.enabled) + on(w.btnLogManualStopVal.enabled),
                  c.controls);
    }
}

}  // namespace
