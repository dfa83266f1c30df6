// What the program holds and shows right after start-up, and its search for the interface.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"
#include "shell/DocumentName.h"

namespace {

using namespace std::chrono_literals;

TEST(StartUp, LeavesAnUntitledLogAndLooksForTheInterfaceAtOnceThenEveryTwoSeconds) {
    for (const bool pluggedAtStart : {true, false}) {
        SCOPED_TRACE(pluggedAtStart ? "plugged at start" : "plugged later");
        fake::App app;
        if (pluggedAtStart)
            app.midi.plug("vexa ");
        app.app->awakeFromNib();
        EXPECT_EQ(app.app->logStartArray.count(), 10u);
        EXPECT_EQ(app.field(0, 0), "Glimmark");
        EXPECT_EQ(std::tuple(app.app->logNr, app.app->logEditPos, app.app->editChangeFlag,
                             app.app->fullScreenMode, app.app->mmcFpsAddWert),
                  std::tuple(0, 1, 0, 0, 32));
        EXPECT_EQ(app.windows.windowEdit.title, "Glimmark Editor - Untitled");
        EXPECT_EQ(app.windows.windowRec.title, "Glimmark Capture Tool - Untitled");
        EXPECT_EQ(app.app->midiOpenFlag, pluggedAtStart ? 1 : 0);
        app.midi.plug("vexa ");
        app.timers.advance(1999ms);
        EXPECT_EQ(app.app->midiOpenFlag, pluggedAtStart ? 1 : 0);
        app.timers.advance(1ms);
        EXPECT_EQ(app.app->midiOpenFlag, 1);
        EXPECT_NE(app.midi.connectedSource, platform::kNoMidiObject);
    }
}

TEST(DocumentName, TitlesDropOnlyTheProgramsOwnExtension) {
    for (auto [path, name] : {std::pair{"Untitled", "Untitled"},
                              {"/home/Day 1.vlg", "Day 1"},
                              {"/home/Day 1.log", "Day 1.log"},
                              {"/home/Day.VLG", "Day.VLG"},
                              {"/a.vlg/b", "b"},
                              {"", ""}})
        EXPECT_EQ(document::displayName(path), name) << path;
}

}  // namespace
