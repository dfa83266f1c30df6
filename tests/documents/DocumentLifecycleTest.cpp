// New, Open, Save, Save As and the quit prompt over in-memory project files: what the log,
// the path, the titles and the modified flag hold after each answer the user can give.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using platform::kAlertAlternate;
using platform::kAlertDefault;
using platform::kAlertOther;

std::vector<LogValue> header(std::string mark = "Glimmark", std::string rate = "1") {
    return {mark,
            std::string("Version: 1.0"),
            std::string("Ostraven"),
            std::string(),
            rate,
            std::string(),
            std::string(),
            std::string(),
            std::string(),
            std::string()};
}

std::vector<LogValue> withRecord(std::vector<LogValue> file, std::string number) {
    for (LogValue v : {LogValue(number), LogValue(std::string("01:00:00:00")),
                       LogValue(std::string("01:00:10:00")), LogValue(std::string()),
                       LogValue(std::string("10:00:00")), LogValue(std::string("c1")),
                       LogValue(std::string("c2")), LogValue(std::string("07.12.2026")),
                       LogValue(std::string()), LogValue(Picture{'J', 'P', 'E', 'G'})})
        file.push_back(v);
    return file;
}

// A controller with one unsaved record on show.
struct DocumentApp {
    DocumentApp() {
        app.app->awakeFromNib();
        editor_test::addRecord(app, {"1", "01:00:00:00", "01:00:10:00", "JPEG-one"});
        app.app->LogActualWrite();
        app.app->editChangeFlag = 1;
    }
    vexaLogging3AppDelegate& c() { return *app.app; }
    void expectTitles(const std::string& name) {
        EXPECT_EQ(w.windowRec.title, "Glimmark Capture Tool - " + name);
        EXPECT_EQ(w.windowEdit.title, "Glimmark Editor - " + name);
    }

    fake::App app;
    fake::Windows& w = app.windows;
    fake::PropertyListFiles& files = app.propertyLists;
};

class Documents : public ::testing::Test, public DocumentApp {};

// The prompt before New: Cancel and every save that does not happen keep the log; Save and
// Don't Save go on to a new, empty, untitled log.
TEST_F(Documents, NewAfterEachAnswerOfThePrompt) {
    struct Case {
        const char* name;
        std::string path;
        int answer;
        std::optional<std::string> chosen;
        std::string failure;
        bool replaced;
        std::string written;
    };
    const Case cases[] = {
        {"cancel", "Untitled", kAlertAlternate, {}, "", false, ""},
        {"save, titled", "/d/day.vlg", kAlertDefault, {}, "", true, "/d/day.vlg"},
        {"save, untitled", "Untitled", kAlertDefault, "/d/new", "", true, "/d/new.vlg"},
        {"save, dialog cancelled", "Untitled", kAlertDefault, {}, "", false, ""},
        {"save, write fails", "/d/day.vlg", kAlertDefault, {}, "Disk full", false, ""},
        {"save, no path after a bad open", "", kAlertDefault, "/d/x.vlg", "", true, "/d/x.vlg"},
        {"don't save", "/d/day.vlg", kAlertOther, {}, "", true, ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        DocumentApp fresh;
        fresh.c().setPathString(k.path);
        fresh.w.dialogs.answers = {k.answer};
        fresh.w.dialogs.savePath = k.chosen;
        fresh.files.failWith = k.failure;
        fresh.c().btnFileNew();
        EXPECT_EQ(fresh.w.dialogs.alerts.at(0).message, "Save changes before creating a new file?");
        EXPECT_EQ(fresh.c().logStartArray.count(), k.replaced ? 10u : 20u);
        EXPECT_EQ(fresh.c().editChangeFlag, k.replaced ? 0 : 1);
        if (k.replaced) {
            EXPECT_EQ(fresh.c().pathString, "Untitled");
            EXPECT_EQ(fresh.c().logNr, 0);
            fresh.expectTitles("Untitled");
            EXPECT_EQ(fresh.w.txtEditNr.value, "");
        }
        EXPECT_EQ(fresh.files.files.size(), k.written.empty() ? 0u : 1u);
        if (!k.written.empty()) {
            EXPECT_EQ(fresh.files.files.count(k.written), 1u);
        }
    }
}

TEST_F(Documents, SaveAsNamesThePathAndTheTitles) {
    struct Case {
        std::string before, typed, path, title;
    };
    for (const Case& k : {Case{"Untitled", "/d/show", "/d/show.vlg", "show"},
                          Case{"Untitled", "/d/show.txt", "/d/show.txt.vlg", "show.txt"},
                          Case{"/d/a.vlg", "/d/show.VLG", "/d/show.VLG.vlg", "show.VLG"},
                          Case{"/d/a.vlg", "/d/show.vlg", "/d/show.vlg", "show"}}) {
        SCOPED_TRACE(k.typed);
        DocumentApp fresh;
        fresh.c().setPathString(k.before);
        fresh.w.dialogs.savePath = k.typed;
        fresh.c().btnFileSaveAs();
        EXPECT_EQ(fresh.w.dialogs.saveDialogs.at(0).extension, "vlg");
        EXPECT_EQ(fresh.c().pathString, k.path);
        fresh.expectTitles(k.title);
        EXPECT_EQ(fresh.files.files.count(k.path), 1u);
        EXPECT_EQ(fresh.c().editChangeFlag, 0);
    }
}

TEST_F(Documents, SaveAsProposesTheNameWithItsExtension) {
    for (auto [path, proposed] : {std::pair{"Untitled", "Untitled.vlg"},
                                  {"/d/day 1.vlg", "day 1.vlg"},
                                  {"/d/notes.txt", "notes.txt.vlg"},
                                  {"", "Untitled.vlg"}}) {
        c().setPathString(path);
        w.dialogs.saveDialogs.clear();
        c().SaveAsPanel();
        EXPECT_EQ(w.dialogs.saveDialogs.at(0).suggestedName, proposed) << path;
    }
}

TEST_F(Documents, ACancelledSaveAsLeavesPathAndTitles) {
    c().setPathString("/d/day.vlg");
    c().setWindowTitles();
    c().btnFileSaveAs();
    EXPECT_EQ(c().pathString, "/d/day.vlg");
    expectTitles("day");
    EXPECT_EQ(files.writes, 0);
    EXPECT_EQ(c().editChangeFlag, 1);
}

TEST_F(Documents, AFailedSaveIsToldAndTheChangesStayUnsaved) {
    c().setPathString("/d/day.vlg");
    files.failWith = "No space left on device";
    c().btnFileSave();
    ASSERT_EQ(w.dialogs.alerts.size(), 1u);
    EXPECT_NE(w.dialogs.alerts[0].message.find("/d/day.vlg"), std::string::npos);
    EXPECT_NE(w.dialogs.alerts[0].message.find("No space left on device"), std::string::npos);
    EXPECT_EQ(c().editChangeFlag, 1);
}

TEST_F(Documents, SaveWritesTheLogWithTypedCommentsAndClearsTheFlag) {
    c().setPathString("/d/day.vlg");
    w.txtEditComment1.value = "typed";
    c().btnFileSave();
    const auto& file = files.files.at("/d/day.vlg");
    ASSERT_EQ(file.size(), 20u);
    EXPECT_EQ(std::get<std::string>(file[15]), "typed");
    EXPECT_EQ(std::get<Picture>(file[19]), (Picture{'J', 'P', 'E', 'G', '-', 'o', 'n', 'e'}));
    EXPECT_EQ(c().editChangeFlag, 0);
    EXPECT_TRUE(w.dialogs.saveDialogs.empty());
}

TEST_F(Documents, AHeaderOnlyLogIsNotWrittenAndNothingIsSaid) {
    c().LogStartArrayInit();
    c().setPathString("/d/day.vlg");
    c().btnFileSave();
    EXPECT_EQ(files.writes, 0);
    EXPECT_TRUE(w.dialogs.alerts.empty());
}

TEST_F(Documents, WithoutAStoreSaveSaysSo) {
    fake::App bare;
    vexaLogging3AppDelegate controller(
        PlatformServices{bare.mainThread, bare.clock, bare.systemLog, bare.midi, bare.codec,
                         bare.timers, bare.video},
        bare.windows.outlets());
    controller.awakeFromNib();
    controller.logStartArray.append({std::string("1")});
    controller.setPathString("/d/day.vlg");
    controller.editChangeFlag = 1;
    controller.btnFileSave();
    EXPECT_EQ(bare.windows.dialogs.alerts.size(), 1u);
    EXPECT_EQ(controller.editChangeFlag, 1);
}

// What an opened file leaves: the log, logNr, the path, the alert, the frame rate.
TEST_F(Documents, OpenJudgesTheFile) {
    struct Case {
        const char* name;
        std::optional<std::vector<LogValue>> file;  // nothing: the file cannot be read
        int records;
        int logNr;
        std::string path;
        bool alert;
        int fps;
    };
    const std::string chosen = "/d/in.vlg";
    auto nine = header();
    nine.pop_back();
    auto twelve = withRecord(withRecord(header("Glimmark", "64"), "30"), "12");
    auto zero = withRecord(header(), "none");
    auto partial = withRecord(withRecord(header(), "3"), "4");
    partial.resize(25);
    partial[15] = std::string("7");
    const Case cases[] = {
        {"last number counts", twelve, 2, 12, chosen, false, 64},
        {"mark in lower case", withRecord(header("glimmark"), "1"), 0, 0, "", true, 32},
        {"nine entries", nine, 0, 0, "", true, 32},
        {"header only", header(), 0, 0, "", true, 32},
        {"last number reads 0", zero, 0, 0, "", true, 32},
        {"unreadable", std::nullopt, 0, 0, "", true, 32},
        {"a record cut short is completed", partial, 2, 7, chosen, false, 32},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        DocumentApp fresh;
        if (k.file)
            fresh.files.files[chosen] = *k.file;
        fresh.w.dialogs.openPath = chosen;
        fresh.w.dialogs.answers = {kAlertOther};
        fresh.c().btnFileOpen();
        EXPECT_EQ(fresh.w.dialogs.alerts.at(0).message,
                  "Do you want to save changes before opening another file?");
        EXPECT_EQ(fresh.w.dialogs.openDialogs.at(0), "vlg");
        EXPECT_EQ(fresh.c().logStartArray.recordCount(), k.records);
        EXPECT_EQ(fresh.c().logStartArray.count() % 10, 0u);
        EXPECT_EQ(fresh.c().logStartArray.text(0), "Glimmark");
        EXPECT_EQ(fresh.c().logNr, k.logNr);
        EXPECT_EQ(fresh.c().pathString, k.path);
        fresh.expectTitles("in");
        EXPECT_EQ(fresh.c().editChangeFlag, 0);
        EXPECT_EQ(fresh.c().logEditPos, 1);
        EXPECT_EQ(fresh.w.dialogs.alerts.size(), k.alert ? 2u : 1u);
        if (k.alert) {
            EXPECT_EQ(fresh.w.dialogs.alerts.back().message, "No valid file!");
        }
        EXPECT_EQ(fresh.c().mmcFpsAddWert, k.fps);
        EXPECT_EQ(fresh.w.btnPlayerFps29Val.on, k.fps == 64);
    }
}

TEST_F(Documents, ACancelledOpenChangesNothing) {
    c().setPathString("/d/day.vlg");
    w.dialogs.answers = {kAlertOther};
    c().btnFileOpen();
    EXPECT_EQ(c().logStartArray.recordCount(), 1);
    EXPECT_EQ(c().pathString, "/d/day.vlg");
    EXPECT_EQ(c().editChangeFlag, 1);
}

TEST_F(Documents, InFullScreenTheFileActionsDoNothing) {
    c().editChangeFlag = 0;
    c().btnFullScreen();
    c().editChangeFlag = 1;
    w.dialogs.savePath = "/d/x";
    w.dialogs.openPath = "/d/y.vlg";
    for (auto action :
         {&vexaLogging3AppDelegate::btnFileNew, &vexaLogging3AppDelegate::btnFileOpen,
          &vexaLogging3AppDelegate::btnFileSave, &vexaLogging3AppDelegate::btnFileSaveAs,
          &vexaLogging3AppDelegate::LogOpenEDL, &vexaLogging3AppDelegate::LogSaveEdl,
          &vexaLogging3AppDelegate::btnPictureExport,
          &vexaLogging3AppDelegate::btnPictureExportAll})
        (c().*action)();
    EXPECT_TRUE(w.dialogs.alerts.empty());
    EXPECT_TRUE(w.dialogs.saveDialogs.empty());
    EXPECT_TRUE(w.dialogs.openDialogs.empty());
    EXPECT_EQ(c().logStartArray.recordCount(), 1);
}

// The quit prompt has no Cancel. A write that fails offers another place before the log is
// lost with the program.
TEST_F(Documents, QuitAsksOnceAndSavesWhenTold) {
    struct Case {
        const char* name;
        std::uint8_t changed;
        std::string path;
        std::deque<int> answers;
        std::optional<std::string> chosen;
        std::string failure;
        std::string written;
    };
    const Case cases[] = {
        {"nothing changed", 0, "/d/day.vlg", {}, {}, "", ""},
        {"don't save", 1, "/d/day.vlg", {kAlertOther}, {}, "", ""},
        {"save", 1, "/d/day.vlg", {kAlertDefault}, {}, "", "/d/day.vlg"},
        {"save, untitled", 1, "Untitled", {kAlertDefault}, "/d/new", "", "/d/new.vlg"},
        {"save, dialog cancelled", 1, "Untitled", {kAlertDefault}, {}, "", ""},
        {"save fails, then elsewhere",
         1,
         "/ro/day.vlg",
         {kAlertDefault},
         "/d/other",
         "",
         "/d/other.vlg"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        DocumentApp fresh;
        fresh.c().setPathString(k.path);
        fresh.c().editChangeFlag = k.changed;
        fresh.w.dialogs.answers = k.answers;
        fresh.w.dialogs.savePath = k.chosen;
        if (k.path == "/ro/day.vlg")
            fresh.files.duringWrite = [&fresh] {
                fresh.files.failWith = fresh.files.writes == 1 ? "Read-only file system" : "";
            };
        fresh.c().applicationWillTerminate();
        if (k.changed) {
            EXPECT_EQ(fresh.w.dialogs.alerts.at(0).message,
                      "Save changes before closing Glimmark?");
            EXPECT_EQ(fresh.w.dialogs.alerts.at(0).alternateButton, "");
        } else {
            EXPECT_TRUE(fresh.w.dialogs.alerts.empty());
        }
        EXPECT_EQ(fresh.files.files.size(), k.written.empty() ? 0u : 1u);
        if (!k.written.empty()) {
            EXPECT_EQ(fresh.files.files.count(k.written), 1u);
        }
    }
}

// A device log that arrives while the file is being written waits: the file holds the log as
// it was when the save began, and the new record follows once the save is over.
TEST_F(Documents, DeviceEventsWaitForTheSave) {
    c().setPathString("/d/day.vlg");
    files.duringWrite = [this] {
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF7});
    };
    c().btnFileSave();
    EXPECT_EQ(files.files.at("/d/day.vlg").size(), 20u);
    EXPECT_EQ(c().logStartArray.recordCount(), 2);
    EXPECT_EQ(c().editChangeFlag, 1);
    EXPECT_EQ(w.dialogs.progressLabels, std::vector<std::string>{"Saving \"day.vlg\"…"});
}

}  // namespace
