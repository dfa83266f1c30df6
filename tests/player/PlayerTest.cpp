// Playing records on the machine: what is sent, in which order, and what the controls show.

#include <gtest/gtest.h>

#include <functional>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;
using fake::hex;
using Sent = std::vector<std::string>;

const std::string kSetGen = "F0 7F 7F 06 40 03 46 01 0A F7";
const std::string kPlay = "F0 7F 7F 06 02 F7";
const std::string kMmcStop = "F0 7F 7F 06 01 F7";
const fake::Bytes kStopTimeEvent = {0xF0, 0x2C, 0x4D, 0x67, 0x08, 0xF7};
const fake::Bytes kComparisonTimeEvent = {0xF0, 0x2C, 0x4D, 0x67, 0x09, 0xF7};

// One thing the user or the interface does, and what must follow from it.
struct Step {
    std::string what;
    std::function<void()> act;
    Sent sent;
    std::string title;  // of the Play button
    bool navigation;    // the four next/previous controls enabled
    int playStopFlag;
    std::string shownNr;  // the record number in the editor
};

class Player : public ::testing::Test {
protected:
    Player() {
        app.app->midiOpenFlag = 1;
        w.btnEditPlayVal.title = "Play";
    }
    void fiveRecords() {
        addRecord(app, {"1", "10:00:00:00", "10:00:05:00", ""});
        addRecord(app, {"2", "10:00:10:00", "", ""});
        addRecord(app, {"3", "10:00:20:00", "", ""});
        addRecord(app, {"4", "10:00:30:00", "10:00:35:00", ""});
        addRecord(app, {"5", "10:00:40:00", "", ""});
        app.app->LogActualWrite();
    }
    void goTo(int record) {
        app.app->logEditPos = record;
        app.app->LogActualWrite();
    }
    Sent sentHex() {
        app.app->waitForSends();
        Sent out;
        for (const auto& m : app.midi.messages()) out.push_back(hex(m));
        app.midi.clearSent();
        return out;
    }
    void run(const std::vector<Step>& steps) {
        for (const Step& s : steps) {
            SCOPED_TRACE(s.what);
            s.act();
            EXPECT_EQ(sentHex(), s.sent);
            EXPECT_EQ(w.btnEditPlayVal.title, s.title);
            for (const fake::Button* b : {&w.btnLogNaechstesVal, &w.btnMenuEditNextVal,
                                          &w.btnLogVorherVal, &w.btnMenuEditPreviousVal})
                EXPECT_EQ(b->enabled, s.navigation);
            EXPECT_EQ(app.app->playStopFlag, s.playStopFlag);
            EXPECT_EQ(w.txtEditNr.value, s.shownNr);
        }
    }
    std::function<void()> play() {
        return [this] { app.app->btnEditPlay(); };
    }
    std::function<void()> event(const fake::Bytes& bytes) {
        return [this, bytes] { app.receive(bytes); };
    }
    std::function<void()> chase(bool on) {
        return [this, on] {
            w.chkEditChaseModeVal.on = on;
            app.app->chkEditChaseMode();
        };
    }

    fake::App app;
    fake::Windows& w = app.windows;
};

TEST_F(Player, PlaysToTheStopTimeAndTheInterfaceEndsIt) {
    fiveRecords();
    run({{"Play", play(),
          Sent{kSetGen, "F0 7F 7F 06 44 06 01 2A 00 00 00 00 F7", kPlay,
               "F0 2C 4D 57 08 0A 00 05 00 00 F7"},
          "Stop", false, 1, "1"},
         {"stop-time event", event(kStopTimeEvent), Sent{}, "Play", true, 0, "1"}});
}

TEST_F(Player, RecordsWithoutStopPlayOnThroughComparisonTimes) {
    fiveRecords();
    goTo(2);
    run({{"Play on record 2", play(),
          Sent{kSetGen, "F0 7F 7F 06 44 06 01 2A 00 0A 00 00 F7", kPlay,
               "F0 2C 4D 57 09 0A 00 14 00 00 F7"},
          "Stop", false, 1, "2"},
         {"record 3 reached: record 4's start follows", event(kComparisonTimeEvent),
          Sent{"F0 2C 4D 57 09 0A 00 1E 00 00 F7"}, "Stop", false, 1, "3"},
         {"record 4 reached: its own stop follows", event(kComparisonTimeEvent),
          Sent{"F0 2C 4D 57 08 0A 00 23 00 00 F7"}, "Stop", false, 1, "4"},
         {"stop-time event", event(kStopTimeEvent), Sent{}, "Play", true, 0, "4"}});
}

TEST_F(Player, TheLastRecordWithoutStopPlaysUntilStopIsPressed) {
    fiveRecords();
    goTo(5);
    run({{"Play", play(), Sent{kSetGen, "F0 7F 7F 06 44 06 01 2A 00 28 00 00 F7", kPlay}, "Stop",
          false, 1, "5"},
         {"Stop", play(), Sent{kMmcStop}, "Play", true, 0, "5"}});
}

TEST_F(Player, AnEmptyStartFieldPlaysNothing) {
    addRecord(app, {"1", "", "", ""});
    app.app->LogActualWrite();
    run({{"Play", play(), Sent{}, "Play", true, 0, "1"}});
}

TEST_F(Player, WithoutAConnectionNothingLeavesButThePlayerLocksTheEditor) {
    fiveRecords();
    app.app->midiOpenFlag = 0;
    run({{"Play", play(), Sent{}, "Stop", false, 1, "1"}});
}

TEST_F(Player, ChaseDuringPlaybackKeepsTheFlagAndStopLaterSendsTheMmcStop) {
    fiveRecords();
    run({{"Play", play(),
          Sent{kSetGen, "F0 7F 7F 06 44 06 01 2A 00 00 00 00 F7", kPlay,
               "F0 2C 4D 57 08 0A 00 05 00 00 F7"},
          "Stop", false, 1, "1"},
         {"chase on", chase(true), Sent{}, "Stop", false, 1, "1"},
         {"Play ignored while chasing", play(), Sent{}, "Stop", false, 1, "1"},
         {"chase off", chase(false), Sent{}, "Play", true, 1, "1"},
         {"Play (the flag still says playing)", play(), Sent{kMmcStop}, "Play", true, 0, "1"}});
    EXPECT_TRUE(w.btnEditPlayVal.enabled);
}

TEST_F(Player, ChaseDisablesPlayAndLocksTheFieldsAndOffEnablesPlayOnlyWhenConnected) {
    fiveRecords();
    w.chkEditModeVal.on = true;
    app.app->chkEditMode();
    w.txtEditComment1.value = "typed before the chase";
    app.app->midiOpenFlag = 0;
    w.btnEditPlayVal.enabled = false;
    run({{"chase on", chase(true), Sent{}, "Stop", false, 0, "1"}});
    EXPECT_FALSE(w.btnEditPlayVal.enabled);
    EXPECT_FALSE(w.txtEditComment1.editable);
    EXPECT_FALSE(w.txtEditNr.editable);
    EXPECT_EQ(app.field(1, kFieldComment1), "typed before the chase");
    run({{"chase off, not connected", chase(false), Sent{}, "Play", true, 0, "1"}});
    EXPECT_FALSE(w.btnEditPlayVal.enabled);
    EXPECT_TRUE(w.txtEditComment1.editable);
}

TEST_F(Player, EditModeOpensTheFieldsOnlyWhenNoRecordPlays) {
    fiveRecords();
    const auto editable = [&] {
        std::vector<bool> e;
        for (const fake::TextField* f :
             {&w.txtEditComment1, &w.txtEditComment2, &w.txtEditStart, &w.txtEditStop})
            e.push_back(f->editable);
        return e;
    };
    const std::vector<bool> open(4, true), locked(4, false);
    w.chkEditModeVal.on = true;
    app.app->chkEditMode();
    EXPECT_EQ(editable(), open);
    app.app->btnEditPlay();
    EXPECT_EQ(editable(), locked);
    w.chkEditModeVal.on = false;
    app.app->chkEditMode();
    w.chkEditModeVal.on = true;
    app.app->chkEditMode();
    EXPECT_EQ(editable(), locked) << "switched on during playback";
    app.receive(kStopTimeEvent);
    EXPECT_EQ(editable(), open) << "playback over";
    EXPECT_TRUE(w.txtEditNr.editable);
    w.chkEditModeVal.on = false;
    app.app->chkEditMode();
    EXPECT_EQ(editable(), locked);
}

TEST_F(Player, EachFrameRateIsChosenStoredWithTheLogAndUsedForTheLocate) {
    fiveRecords();
    struct Case {
        void (vexaLogging3AppDelegate::*action)();
        fake::Button* button;
        std::string header;
        std::string hoursByte;
    };
    for (const Case& c :
         {Case{&vexaLogging3AppDelegate::btnPlayerFps24, &w.btnPlayerFps24Val, "0", "0A"},
          Case{&vexaLogging3AppDelegate::btnPlayerFps24, &w.btnPlayerFps24Val, "0",
               "0A"},  // the same again: still a change
          Case{&vexaLogging3AppDelegate::btnPlayerFps25, &w.btnPlayerFps25Val, "32", "2A"},
          Case{&vexaLogging3AppDelegate::btnPlayerFps29, &w.btnPlayerFps29Val, "64", "4A"},
          Case{&vexaLogging3AppDelegate::btnPlayerFps30, &w.btnPlayerFps30Val, "96", "6A"}}) {
        SCOPED_TRACE(c.header);
        app.app->editChangeFlag = 0;
        (app.app.get()->*c.action)();
        for (const fake::Button* b : {&w.btnPlayerFps24Val, &w.btnPlayerFps25Val,
                                      &w.btnPlayerFps29Val, &w.btnPlayerFps30Val})
            EXPECT_EQ(b->on, b == c.button);
        EXPECT_EQ(app.field(0, 4), c.header);
        EXPECT_EQ(app.app->editChangeFlag, 1);
        app.app->btnEditPlay();
        app.app->btnEditPlay();
        const Sent sent = sentHex();
        ASSERT_EQ(sent.size(), 5u);
        EXPECT_EQ(sent[1], "F0 7F 7F 06 44 06 01 " + c.hoursByte + " 00 00 00 00 F7");
    }
}

TEST_F(Player, PlayIsDisabledFromStartUpUntilTheInterfaceAnswers) {
    app.app->midiOpenFlag = 0;
    w.btnEditPlayVal.enabled = true;
    app.app->awakeFromNib();
    EXPECT_FALSE(w.btnEditPlayVal.enabled);
}

TEST_F(Player, RenumberPanelRenumbersTheRecordItOpenedOnWhateverMovedTheEditor) {
    fiveRecords();
    goTo(2);
    app.app->btnEditPlay();
    w.panelEditNr.whileModal = [&] {
        app.receive(kComparisonTimeEvent);  // the player steps on to record 3
        w.txtEditNrChangeVal.value = "22";
        app.app->btnEditLogNrOk();
    };
    app.app->btnEditLogNr();
    EXPECT_EQ(app.field(2, kFieldNumber), "22");
    EXPECT_EQ(app.field(3, kFieldNumber), "3");
    EXPECT_EQ(w.txtEditNr.value, "3") << "the editor stays where the player took it";
}

}  // namespace
