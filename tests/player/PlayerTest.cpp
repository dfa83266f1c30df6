// Playing records on the machine: the bytes sent, in order, and what the controls show.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using namespace editor_test;
using Sent = std::vector<std::string>;

const std::string kSetGen = "F0 7F 7F 06 40 03 46 01 0A F7";
const std::string kPlay = "F0 7F 7F 06 02 F7";
const std::string kMmcStop = "F0 7F 7F 06 01 F7";
// Locate to 10:00:ss:00 at the given rate (hours byte).
std::string locate(const char* ss, const char* hours = "2A") {
    return std::string("F0 7F 7F 06 44 06 01 ") + hours + " 00 " + ss + " 00 00 F7";
}
// The interface's stop time (08) or comparison time (09) at 10:00:ss:00.
std::string timeAt(const char* kind, const char* ss) {
    return std::string("F0 2C 4D 57 ") + kind + " 0A 00 " + ss + " 00 00 F7";
}

// 'P' Play/Stop pressed, 'S' stop-time event, 'V' comparison-time event, 'C'/'c' chase box
// on/off, 'E'/'e' edit-mode box on/off, 'D' connection lost, 'X' start field emptied, 'Z'
// record 3's start emptied in the log, 'n' 4 typed into the number field, 'J' 5 typed and
// Return pressed, a digit the editor put on that record.
struct Step {
    char act;
    Sent sent;
    std::string state;  // as state() below spells it
};
struct Script {
    const char* name;
    std::vector<Step> steps;
};

class Player : public ::testing::TestWithParam<Script> {
protected:
    Player() {
        for (int r = 1; r <= 6; ++r) {  // records 1 and 4 stopped 5 seconds in
            const std::string at = "10:00:" + std::to_string(r - 1);
            addRecord(app, std::to_string(r), at + "0:00", r % 3 == 1 ? at + "5:00" : "", "");
        }
        app.app->midiOpenFlag = 1;
        w.btnEditPlayVal.enabled = true;
        w.btnEditPlayVal.title = "Play";
        app.app->chkEditMode();  // edit mode off: the fields locked
    }
    void act(char a) {
        if (a == 'P')
            app.app->btnEditPlay();
        else if (a == 'S' || a == 'V')
            app.receive({0xF0, 0x2C, 0x4D, 0x67, std::uint8_t(a == 'S' ? 0x08 : 0x09), 0xF7});
        else if (a == 'C' || a == 'c') {
            w.chkEditChaseModeVal.on = a == 'C';
            app.app->chkEditChaseMode();
        } else if (a == 'E' || a == 'e') {
            w.chkEditModeVal.on = a == 'E';
            app.app->chkEditMode();
        } else if (a == 'D')
            app.app->midiOpenFlag = 0;
        else if (a == 'X')
            w.txtEditStart.value.clear();
        else if (a == 'n' || a == 'J') {
            w.txtEditNr.type(a == 'n' ? "4" : "5");
            if (a == 'J')
                app.app->txtEditLogNr();
        } else if (a == 'Z')
            app.app->logStartArray.replace(LogList::indexOf(3, kFieldStart), "");
        else if (a >= '1' && a <= '9') {
            app.app->logEditPos = a - '0';
            app.app->LogActualWrite();
        }
    }
    Sent sent() {
        app.app->waitForSends();
        Sent out;
        for (const auto& m : app.midi.messages()) out.push_back(fake::hex(m));
        app.midi.clearSent();
        return out;
    }
    // The Play button's title and the record shown, then "flag" playStopFlag, "nav" the four
    // next/previous controls enabled and the number field editable, "typing" the start and
    // comment fields editable, "off" the Play button disabled.
    std::string state() const {
        const auto all = [](std::initializer_list<bool> on, const char* name) {
            const auto n = static_cast<std::size_t>(std::count(on.begin(), on.end(), true));
            return n == 0 ? std::string() : std::string(n == on.size() ? " " : " some ") + name;
        };
        return w.btnEditPlayVal.title + " #" + w.txtEditNr.value +
               (app.app->playStopFlag ? " flag" : "") +
               all({w.btnLogNaechstesVal.enabled, w.btnMenuEditNextVal.enabled,
                    w.btnLogVorherVal.enabled, w.btnMenuEditPreviousVal.enabled,
                    w.txtEditNr.editable},
                   "nav") +
               all({w.txtEditStart.editable, w.txtEditStop.editable, w.txtEditComment1.editable,
                    w.txtEditComment2.editable},
                   "typing") +
               (w.btnEditPlayVal.enabled ? "" : " off");
    }

    fake::App app;
    fake::Windows& w = app.windows;
};

TEST_P(Player, SendsAndShows) {
    app.app->LogActualWrite();
    for (const Step& step : GetParam().steps) {
        SCOPED_TRACE(std::string(1, step.act) + " -> " + step.state);
        act(step.act);
        EXPECT_EQ(sent(), step.sent);
        EXPECT_EQ(state(), step.state);
    }
}

// Play from records 1, 2 and 5: set the generator, locate, play, and the time to stop at.
const Sent kPlay1{kSetGen, locate("00"), kPlay, timeAt("08", "05")};
const Sent kPlay2{kSetGen, locate("0A"), kPlay, timeAt("09", "14")};

INSTANTIATE_TEST_SUITE_P(
    Scripts, Player,
    ::testing::Values(
        Script{"StopTimeEndsItAndChaseKeepsThePlaybackRunning",
               {{'P', kPlay1, "Stop #1 flag"}, {'S', {}, "Play #1 nav"},
                {'P', kPlay1, "Stop #1 flag"}, {'C', {}, "Stop #1 flag off"},
                {'P', {}, "Stop #1 flag off"}, {'c', {}, "Stop #1 flag"},
                {'P', {kMmcStop}, "Play #1 nav"}}},
        Script{"ChaseOnAndOffDuringAPlaybackWithoutAStopKeepsTheLocksAndTheNumberTrue",
               {{'2', {}, "Play #2 nav"}, {'n', {}, "Play #4 nav"},
                {'P', kPlay2, "Stop #2 flag"}, {'C', {}, "Stop #2 flag off"},
                {'c', {}, "Stop #2 flag"}, {'J', {}, "Stop #2 flag"},
                {'V', {timeAt("09", "1E")}, "Stop #3 flag"}, {'C', {}, "Stop #3 flag off"},
                {'S', {}, "Stop #3 off"}, {'c', {}, "Play #3 nav"}, {'J', {}, "Play #5 nav"}}},
        Script{"ComparisonTimesPlayOnToTheNextStopOrUntilStop",
               {{'2', {}, "Play #2 nav"}, {'P', kPlay2, "Stop #2 flag"},
                {'V', {timeAt("09", "1E")}, "Stop #3 flag"},
                {'V', {timeAt("08", "23")}, "Stop #4 flag"},
                {'S', {}, "Play #4 nav"}, {'5', {}, "Play #5 nav"},
                {'P', {kSetGen, locate("28"), kPlay, timeAt("09", "32")}, "Stop #5 flag"},
                {'V', {}, "Stop #6 flag"}, {'P', {kMmcStop}, "Play #6 nav"}}},
        Script{"UnconnectedOrEmptyStartSendsNothing",
               {{'D', {}, "Play #1 nav"}, {'P', {}, "Stop #1 flag"}, {'P', {}, "Play #1 nav"},
                {'X', {}, "Play #1 nav"}, {'P', {}, "Play #1 nav"}}},
        Script{"AnEmptyNextStartLeavesThePlaybackToStop",
               {{'Z', {}, "Play #1 nav"}, {'2', {}, "Play #2 nav"},
                {'P', {kSetGen, locate("0A"), kPlay}, "Stop #2 flag"},
                {'P', {kMmcStop}, "Play #2 nav"}}},
        Script{"EditModeWaitsForThePlaybackAndTheChase",
               {{'E', {}, "Play #1 nav typing"}, {'P', kPlay1, "Stop #1 flag"},
                {'e', {}, "Stop #1 flag"}, {'E', {}, "Stop #1 flag"},
                {'S', {}, "Play #1 nav typing"}, {'D', {}, "Play #1 nav typing"},
                {'C', {}, "Stop #1 off"}, {'c', {}, "Play #1 nav typing off"},
                {'e', {}, "Play #1 nav off"}}}),
    [](const ::testing::TestParamInfo<Script>& info) { return std::string(info.param.name); });

// A start typed and not yet committed is what the user means to play: stored, then played.
TEST_F(Player, PlayStoresAndPlaysATypedStart) {
    app.app->LogActualWrite();
    act('E');
    w.txtEditStart.type("10:0:3");
    app.app->btnEditPlay();
    EXPECT_EQ(sent(), (Sent{kSetGen, locate("03"), kPlay, timeAt("08", "05")}));
    EXPECT_EQ(app.field(1, kFieldStart) + (app.app->editChangeFlag ? " unsaved" : ""),
              "10:00:03:00 unsaved");
}

// The machine's rate is followed when it changes, as one step of undo; the user's choice stands
// until then. Steps: quarter frames 'q', a full frame 'f' or a log start 's' at a rate code, a
// click 'c' on the rate code's button, 'u' undo, 'r' redo; then the button on, the log's code,
// the Undo item, '*' for a change (a log start is one) and '+' for the status line's notice.
TEST_F(Player, TheRateFollowsTheMachineAndTheUsersChoiceStandsUntilItChanges) {
    using C = vexaLogging3AppDelegate;
    const std::tuple<const char*, fake::Button*, void (C::*)()> rates[] = {
        {"24", &w.btnPlayerFps24Val, &C::btnPlayerFps24},
        {"25", &w.btnPlayerFps25Val, &C::btnPlayerFps25},
        {"29.97", &w.btnPlayerFps29Val, &C::btnPlayerFps29},
        {"30", &w.btnPlayerFps30Val, &C::btnPlayerFps30}};
    w.btnPlayerFps25Val.on = true;  // as the window starts
    for (const auto& [step, shown] : std::initializer_list<std::pair<const char*, const char*>>{
             {"q1", "25 1 "}, {"q2", "29.97 64 Undo Frame Rate * +"},
             {"f2", "29.97 64 Undo Frame Rate +"}, {"c1", "25 32 Undo Frame Rate *"},
             {"q2", "25 32 Undo Frame Rate"}, {"s2", "25 32 Undo Frame Rate *"},
             {"f3", "30 96 Undo Frame Rate * +"}, {"s0", "30 96 Undo Frame Rate * +"},
             {"u", "25 32 Undo Frame Rate *"}, {"u", "29.97 64 Undo Frame Rate *"},
             {"u", "25 1 Undo *"}, {"r", "29.97 64 Undo Frame Rate *"},
             {"c0", "24 0 Undo Frame Rate *"}, {"c3", "30 96 Undo Frame Rate *"},
             {"c2", "29.97 64 Undo Frame Rate *"}}) {
        SCOPED_TRACE(step);
        app.app->editChangeFlag = 0;
        const std::uint8_t rate = static_cast<std::uint8_t>(step[1] - '0');
        if (*step == 'q')
            for (const std::uint8_t piece :
                 {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x6A, 0x70 | rate << 1})
                app.receive({0xF1, piece});
        else if (*step == 'f')
            app.receive(
                {0xF0, 0x7F, 0x7F, 0x01, 0x01, std::uint8_t(rate << 5 | 10), 0, 0, 0, 0xF7});
        else if (*step == 's')
            app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 10, 1, 0, 0, rate, 0xF7});
        else if (*step == 'c')
            (app.app.get()->*std::get<2>(rates[rate]))();
        else
            (app.app.get()->*(*step == 'u' ? &C::btnEditUndo : &C::btnEditRedo))();
        std::string now;
        for (const auto& [label, button, click] : rates)
            now += button->on ? label : "";
        now += " " + app.field(0, kHeaderFrameRate) + " " + w.btnMenuUndoVal.title +
               (app.app->editChangeFlag ? " *" : "") +
               (w.statusText.value.find("fps set to") != std::string::npos ? " +" : "");
        EXPECT_EQ(now, shown);
    }
    // Play locates at the rate followed.
    app.app->btnEditPlay();
    EXPECT_EQ(sent().at(1), locate("00", "4A"));
}

}  // namespace
