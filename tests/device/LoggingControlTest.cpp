// The logging mode and the manual buttons: what is sent and which buttons work.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

using fake::hex;

class LoggingControl : public ::testing::Test {
protected:
    LoggingControl() { app.app->midiOpenFlag = 1; }
    void choose(int index) {
        app.windows.cmbLogSelectVal.selected = index;
        app.app->cmbLogSelect();
    }
    std::vector<std::string> sentHex() {
        app.app->waitForSends();
        std::vector<std::string> out;
        for (const auto& m : app.midi.messages()) out.push_back(hex(m));
        app.midi.clearSent();
        return out;
    }

    fake::App app;
};

using Sent = std::vector<std::string>;

TEST_F(LoggingControl, EachModeSendsItsCommandThenFailedFrameOff) {
    choose(1);
    EXPECT_EQ(sentHex(), (Sent{"F0 2C 4D 57 01 F7", "F0 2C 4D 57 04 F7"}));
    EXPECT_FALSE(app.windows.btnLogManualVal.enabled);
    choose(2);
    EXPECT_EQ(sentHex(), (Sent{"F0 2C 4D 57 00 F7", "F0 2C 4D 57 04 F7"}));
    EXPECT_TRUE(app.windows.btnLogManualVal.enabled);
    choose(0);
    EXPECT_EQ(sentHex(), (Sent{"F0 2C 4D 57 00 F7", "F0 2C 4D 57 04 F7"}));
    EXPECT_FALSE(app.windows.btnLogManualVal.enabled);
    choose(0);
    EXPECT_EQ(sentHex().size(), 2u) << "the same mode again sends again";
    choose(-1);
    EXPECT_TRUE(sentHex().empty());
    EXPECT_FALSE(app.windows.btnLogManualVal.enabled);
}

TEST_F(LoggingControl, ManualStartAndStop) {
    choose(2);
    sentHex();
    app.windows.btnLogManualStopVal.enabled = false;
    app.app->btnLogManual();
    app.app->btnLogManual();
    EXPECT_EQ(sentHex(), (Sent{"F0 2C 4D 57 06 F7", "F0 2C 4D 57 06 F7"}));
    EXPECT_TRUE(app.windows.btnLogManualStopVal.enabled);
    EXPECT_TRUE(app.windows.btnLogManualVal.enabled) << "a further start stays possible";

    choose(0);
    sentHex();
    EXPECT_TRUE(app.windows.btnLogManualStopVal.enabled) << "a mode change leaves the stop button";
    app.app->btnLogManualStop();
    EXPECT_EQ(sentHex(), (Sent{"F0 2C 4D 57 07 F7"}));
    EXPECT_FALSE(app.windows.btnLogManualStopVal.enabled);
}

TEST_F(LoggingControl, DisconnectedTheButtonsChangeAndNothingIsSent) {
    app.app->midiOpenFlag = 0;
    choose(2);
    app.app->btnLogManual();
    EXPECT_TRUE(app.windows.btnLogManualVal.enabled);
    EXPECT_TRUE(app.windows.btnLogManualStopVal.enabled);
    app.app->btnLogManualStop();
    EXPECT_FALSE(app.windows.btnLogManualStopVal.enabled);
    EXPECT_TRUE(sentHex().empty());
}

TEST_F(LoggingControl, TheInterfacesReportShowsItsModeUntilTheUserChoosesOneThenTheChoiceStands) {
    struct Case {
        const char* name;
        int chosen;  // -1: the user never chose
        std::uint8_t reported;
        int selected;
        bool manualButton;
        Sent sent;
    };
    const Case cases[] = {
        {"no choice, logging on", -1, 0x01, 1, false, {}},
        {"no choice, logging off", -1, 0x00, 0, false, {}},
        {"on chosen, interface came back off",
         1,
         0x00,
         1,
         false,
         {"F0 2C 4D 57 01 F7", "F0 2C 4D 57 04 F7"}},
        {"on chosen, still on", 1, 0x01, 1, false, {}},
        {"manual chosen, came back off", 2, 0x00, 2, true, {}},
        {"manual chosen, came back logging",
         2,
         0x01,
         2,
         true,
         {"F0 2C 4D 57 00 F7", "F0 2C 4D 57 04 F7"}},
        {"off chosen, came back logging",
         0,
         0x01,
         0,
         false,
         {"F0 2C 4D 57 00 F7", "F0 2C 4D 57 04 F7"}},
    };
    for (const Case& c : cases) {
        fake::App fresh;
        fresh.app->midiOpenFlag = 1;
        if (c.chosen >= 0) {
            fresh.windows.cmbLogSelectVal.selected = c.chosen;
            fresh.app->cmbLogSelect();
            fresh.app->waitForSends();
            fresh.midi.clearSent();
        }
        fresh.windows.cmbLogSelectVal.selected = -1;  // as after a reconnect, whatever it showed
        fresh.windows.btnLogManualVal.enabled = false;
        fresh.receive({0xF0, 0x2C, 0x4D, 0x67, 0x00, c.reported, 0xF7});
        fresh.app->waitForSends();
        Sent sent;
        for (const auto& m : fresh.midi.messages()) sent.push_back(hex(m));
        EXPECT_EQ(fresh.windows.cmbLogSelectVal.selected, c.selected) << c.name;
        EXPECT_EQ(fresh.windows.btnLogManualVal.enabled, c.manualButton) << c.name;
        EXPECT_EQ(sent, c.sent) << c.name;
    }
}

}  // namespace
