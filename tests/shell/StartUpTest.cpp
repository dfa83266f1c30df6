// What the program looks like, and holds, right after start-up.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"
#include "shell/DocumentName.h"

namespace {

using namespace std::chrono_literals;

TEST(StartUp, LeavesAFreshLogWhateverWasThereBefore) {
    fake::App app;
    editor_test::addRecord(app, {"1", "01:00:00:00", "", "JPEG"});
    app.app->logEditPos = 4;
    app.app->mmcFpsAddWert = 0;
    app.app->fullScreenMode = 1;
    app.app->captureActive = 1;
    app.app->imgBufferArray.push_back({1, 2, 3});
    app.app->logEditArrayPuffer.push_back(std::string("copied"));
    app.windows.txtLogNr.value = "7";
    app.windows.txtEditComment1.value = "left over";

    app.app->awakeFromNib();

    EXPECT_EQ(app.app->logStartArray.count(), 10u);
    EXPECT_EQ(app.field(0, 0), "Glimmark");
    EXPECT_EQ(app.app->logNr, 0);
    EXPECT_EQ(app.app->logEditPos, 1);
    EXPECT_EQ(app.app->pathString, "Untitled");
    EXPECT_EQ(app.app->editChangeFlag, 0);
    EXPECT_EQ(app.app->fullScreenMode, 0);
    EXPECT_EQ(app.app->captureActive, 0);
    EXPECT_EQ(app.app->mmcFpsAddWert, 32);
    EXPECT_TRUE(app.app->imgBufferArray.empty());
    EXPECT_TRUE(app.app->logEditArrayPuffer.empty());
    EXPECT_EQ(app.windows.txtLogNr.value, "");
    EXPECT_EQ(app.windows.txtEditComment1.value, "");
    EXPECT_EQ(vexaLogging3AppDelegate::imgEditKopie, &app.windows.imgEdit);
    EXPECT_EQ(myGlobalController.load(), app.app.get());
}

TEST(StartUp, WindowsComeUpTitledWithTheEditorInFront) {
    fake::App app;
    app.app->awakeFromNib();
    const fake::Windows& w = app.windows;

    EXPECT_EQ(w.windowRec.title, "Glimmark Capture Tool - Untitled");
    EXPECT_EQ(w.windowEdit.title, "Glimmark Editor - Untitled");
    EXPECT_EQ(w.front, (std::vector<std::string>{"windowRec", "windowEdit"}));
    EXPECT_FALSE(w.panelEditNr.visible);

    EXPECT_FALSE(w.btnLogManualVal.enabled);
    EXPECT_FALSE(w.btnLogManualStopVal.enabled);
    EXPECT_EQ(w.cmbLogSelectVal.selected, 0);
    EXPECT_EQ(w.cmbDevicesVal.items, std::vector<std::string>{"Select Video Device"});
    EXPECT_EQ(w.cmbDevicesVal.selected, 0);

    for (const fake::TextField* locked :
         {&w.txtEditComment1, &w.txtEditComment2, &w.txtEditStart, &w.txtEditStop})
        EXPECT_FALSE(locked->editable);
    EXPECT_TRUE(w.txtEditNr.editable);
}

TEST(StartUp, LooksForTheInterfaceAtOnceThenEveryTwoSeconds) {
    fake::App app;
    app.app->awakeFromNib();
    EXPECT_EQ(app.windows.statusText.value, "  not found");
    EXPECT_TRUE(app.midi.calls.empty());

    app.midi.plug("vexa ");
    app.timers.advance(1999ms);
    EXPECT_TRUE(app.midi.calls.empty());
    app.timers.advance(1ms);
    ASSERT_FALSE(app.midi.calls.empty());
    EXPECT_EQ(app.midi.calls.front(), "client TeStInG");
    EXPECT_EQ(app.app->midiOpenFlag, 1);
}

TEST(StartUp, TheFirstSearchConnectsBeforeTheWindowsAreShown) {
    fake::App app;
    app.midi.plug("vexa ");
    app.app->awakeFromNib();
    EXPECT_EQ(app.app->midiOpenFlag, 1);
    EXPECT_NE(app.midi.connectedSource, platform::kNoMidiObject);
}

TEST(DocumentName, TitlesDropOnlyTheProgramsOwnExtension) {
    EXPECT_EQ(document::displayName("Untitled"), "Untitled");
    EXPECT_EQ(document::displayName("/home/crew/Day 1.vlg"), "Day 1");
    EXPECT_EQ(document::displayName("/home/crew/Day 1.log"), "Day 1.log");
    EXPECT_EQ(document::displayName("/home/crew/Day.VLG"), "Day.VLG");
    EXPECT_EQ(document::displayName("/a.vlg/b"), "b");
    EXPECT_EQ(document::displayName(""), "");
    EXPECT_EQ(document::lastPathComponent("/home/crew/Day 1.vlg"), "Day 1.vlg");
}

}  // namespace
