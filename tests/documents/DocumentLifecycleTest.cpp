#include "documents/ProjectFiles.h"
#include "platform/fake/FakePlatform.h"

namespace {

using platform::kAlertAlternate;
using platform::kAlertDefault;
using platform::kAlertOther;
using namespace projectfiles;

struct DocumentApp : fake::App {
    DocumentApp() {
        app->awakeFromNib();
        app->logStartArray.append(record("1", "", "", {'J'}));
        app->logNr = 1;
        app->LogActualWrite();
        app->editChangeFlag = 1;
    }
};

// New, full screen, quitting and Save As; a failed write at the quit offers another place
// before the log is lost with the program. A comment typed into a saved log and not stored yet
// is a change too: the quit asks, and Save writes it.
TEST(Documents, ThePromptGoesOnOnlyOnceTheLogIsSavedOrGivenUp) {
    enum Action { New, FullScreen, Quit, SaveAs };
    struct Case {
        const char* name; Action action; std::string path; int answer;
        std::optional<std::string> chosen;
        std::string failure;  // of the first write
        std::string written; bool wentOn;
        bool typedIntoSaved = false;  // the log saved, then the comment typed
    };
    for (const Case& k : {
             Case{"cancel", New, "Untitled", kAlertAlternate, "/d/x", "", "", false},
             Case{"save", New, "/d/day.vlg", kAlertDefault, {}, "", "/d/day.vlg", true},
             Case{"save untitled", New, "Untitled", kAlertDefault, "/d/n", "", "/d/n.vlg", true},
             Case{"save dialog cancelled", New, "Untitled", kAlertDefault, {}, "", "", false},
             Case{"write fails", New, "/d/day.vlg", kAlertDefault, {}, "Disk full", "", false},
             Case{"no path after a bad open", New, "", kAlertDefault, "/d/x", "", "/d/x.vlg", true},
             Case{"don't save", New, "/d/day.vlg", kAlertOther, {}, "", "", true},
             Case{"screen, cancel", FullScreen, "/d/a.vlg", kAlertAlternate, {}, "", "", false},
             Case{"quit, save", Quit, "/d/day.vlg", kAlertDefault, {}, "", "/d/day.vlg", true},
             Case{"quit, typed into a saved log", Quit, "/d/day.vlg", kAlertDefault, {}, "",
                  "/d/day.vlg", true, true},
             Case{"quit, fails, elsewhere", Quit, "/ro/a.vlg", kAlertDefault, "/d/b", "R",
                  "/d/b.vlg", true},
             Case{"quit, don't save", Quit, "/d/day.vlg", kAlertOther, {}, "", "", true},
             Case{"quit, cancel", Quit, "/d/day.vlg", kAlertAlternate, {}, "", "", false},
             Case{"quit, dialog cancelled", Quit, "Untitled", kAlertDefault, {}, "", "", false},
             Case{"quit, fails, cancelled", Quit, "/ro/a.vlg", kAlertDefault, {}, "R", "", false},
             Case{"save as", SaveAs, "/d/day.vlg", 0, "/d/copy", "", "/d/copy.vlg", true},
             Case{"save as, dialog cancelled", SaveAs, "/d/day.vlg", 0, {}, "", "", false},
         }) {
        SCOPED_TRACE(k.name);
        DocumentApp a;
        a.app->setPathString(k.path);
        a.app->editChangeFlag = k.typedIntoSaved ? 0 : 1;
        a.windows.txtEditComment1.value = "typed";
        a.windows.txtEditComment1.edited = a.windows.txtEditComment1.keyboard = k.typedIntoSaved;
        a.windows.dialogs.answers = {k.answer};
        a.windows.dialogs.savePath = k.chosen;
        a.propertyLists.duringWrite = [&] {
            a.propertyLists.failWith = a.propertyLists.writes == 1 ? k.failure : "";
        };
        if (k.action == New) {
            a.app->btnFileNew();
            EXPECT_EQ(a.app->logStartArray.recordCount(), k.wentOn ? 0 : 1);
            EXPECT_EQ(a.app->editChangeFlag, k.wentOn ? 0 : 1);
        } else if (k.action == FullScreen) {
            a.app->btnFullScreen();
            EXPECT_EQ(a.app->fullScreenMode, k.wentOn);
            EXPECT_EQ(a.windows.imgEdit.fullScreen, k.wentOn);
            EXPECT_EQ(a.app->editChangeFlag, k.written.empty());
        } else if (k.action == SaveAs) {
            a.app->btnFileSaveAs();
            EXPECT_EQ(a.app->pathString, k.wentOn ? k.written : k.path);
        } else {
            EXPECT_EQ(a.app->applicationWillTerminate(), k.wentOn);
            EXPECT_EQ(a.app->editChangeFlag, k.written.empty() ? 1 : 0);
        }
        EXPECT_EQ(a.windows.dialogs.alerts.size(), (k.action != SaveAs) + !k.failure.empty())
            << "told why";
        const auto& alerts = a.windows.dialogs.alerts;
        EXPECT_TRUE(k.action == SaveAs ||
                    (!alerts.empty() && alerts.front().buttons == "Save|Cancel|Don't Save"));
        EXPECT_EQ(a.propertyLists.files.size(), k.written.empty() ? 0u : 1u);
        EXPECT_TRUE(k.written.empty() ||
                    a.propertyLists.files.at(k.written).at(15) == LogValue(std::string("typed")));
    }
}

// Not written, and that is no failure.
TEST(Documents, AQuitWithNothingButTheHeaderGoesOn) {
    fake::App a;
    a.app->awakeFromNib();
    a.app->setPathString("/d/day.vlg");
    a.app->editChangeFlag = 1;
    a.windows.dialogs.answers = {kAlertDefault};
    EXPECT_TRUE(a.app->applicationWillTerminate());
    EXPECT_TRUE(a.propertyLists.files.empty());
}

std::vector<LogValue> project(std::vector<std::string> numbers, std::size_t cutTo = 0,
                              std::string rate = "1", std::string mark = "Glimmark") {
    LogList list;
    LogRecord first = newLogHeader();
    first[0] = mark, first[4] = rate;
    list.append(first);
    for (const std::string& number : numbers) list.append(record(number, number, "", {'J'}));
    std::vector<LogValue> values = valuesOf(list);
    values.resize(cutTo > 0 ? cutTo : values.size());
    return values;
}

// Record 4's cells hold UTF-8 of two, three and four bytes, U+E000 just past the surrogates,
// and the last code point, U+10FFFF.
const std::string kExchange =
    "Heading\n\ndATA\t\nGlimmark\tV\tVersion: 1.0\tOstraven\t\t1\t\t\t\t\n"
    "4\tV\t10:00:00:00\t\xEE\x80\x80\t\xC3\xA9\t\xE3\x81\x82\t\xF0\x9F\x98\x80\t\xF4\x8F\xBF\xBF\tg\t\n"
    "9\tV\ta\tb\tc\td\te\tf\tg\t\n"
    "7\tV\ta\tb\tc\td\te\tf";  // a last row short of a cell is left out

// A file refused leaves the log on show as it was, its path, titles and unsaved changes.
TEST(Documents, OpenAndImportJudgeTheFile) {
    struct Case {
        const char* name; std::vector<LogValue> project; std::string exchange; int records, logNr;
        std::string path;
        std::string alert;  // empty: none
        int fps;
        bool named = false;  // opened by its name, as the command line does
    };
    const std::string vlg = "/d/in.vlg";
    const std::string refused = "No valid file!\nCannot open /d/in.vlg: ";
    const std::string before = "/d/before.vlg", bad = "No valid file!";
    for (const Case& k : {
             Case{"last number counts", project({"30", "12"}, 0, "64"), "", 2, 12, vlg, "", 64},
             Case{"a record cut short, 24 fps, by name", project({"3", "4"}, 25, "0"), "", 2, 3,
                  vlg, "", 0, true},
             Case{"mark in lower case, by name", project({"1"}, 0, "1", "glimmark"), "", 1, 1,
                  before, refused + "not a Glimmark project file", 32, true},
             Case{"nine entries", project({}, 9), "", 1, 1, before,
                  refused + "not a Glimmark project file", 32},
             Case{"last number reads 0", project({"x"}), "", 1, 1, before,
                  refused + "its last record has no number", 32},
             Case{"unreadable", {}, "", 1, 1, before, bad + "\nNo such file or directory", 32},
             Case{"exchange file, marker in any case", {}, kExchange, 2, 9, "Untitled", "", 32},
             Case{"exchange, no marker", {}, "Heading\n", 1, 1, before, bad, 32},
             Case{"marker on the second line", {}, kExchange.substr(8), 2, 9, "Untitled", "", 32},
             Case{"not UTF-8", {}, kExchange + "\xED\xA0\x80", 1, 1, before, bad, 32},
             Case{"a stray continuation", {}, kExchange + "\x80", 1, 1, before, bad, 32},
             Case{"a lead byte without its continuation", {}, kExchange + "\xC3(", 1, 1, before,
                  bad, 32},
             Case{"past U+10FFFF", {}, kExchange + "\xF4\x90\x80\x80", 1, 1, before, bad, 32},
             Case{"NUL in a cell", {}, kExchange + std::string("\tg\0", 3), 1, 1, before, bad, 32},
         }) {
        SCOPED_TRACE(k.name);
        DocumentApp a;
        TempFolder folder;
        a.app->setPathString(before);  // an import is a new document, not this one
        a.app->setWindowTitles();
        a.windows.txtEditComment1.type("a step the file opened must not undo");
        a.app->LogEditCommentSichern();
        if (!k.project.empty())
            a.propertyLists.files[vlg] = k.project;
        writeFile(folder.file("in.log"), k.exchange);
        a.windows.dialogs.openPath = k.exchange.empty() ? vlg : folder.file("in.log");
        a.windows.dialogs.answers = {kAlertOther};
        if (k.named)
            a.app->openFile(vlg);
        else if (k.exchange.empty())
            a.app->btnFileOpen();
        else
            a.app->LogOpenEDL();
        const LogList& log = a.app->logStartArray;
        EXPECT_EQ(std::tuple(log.recordCount(), a.app->logNr, a.app->pathString),
                  std::tuple(k.records, k.logNr, k.path));
        EXPECT_EQ(log.count() % 10, 0u);
        EXPECT_EQ(log.text(0), "Glimmark");
        EXPECT_EQ(a.windows.txtEditNr.value, log.text(LogList::indexOf(1, kFieldNumber)));
        EXPECT_EQ(a.windows.windowEdit.title,
                  "Glimmark Editor - " + std::string(k.path == vlg          ? "in"
                                                     : k.path == "Untitled" ? "Untitled"
                                                                            : "before"));
        EXPECT_EQ(a.app->editChangeFlag, k.alert.empty() && k.exchange.empty() ? 0 : 1);
        const auto& alerts = a.windows.dialogs.alerts;  // the first asks about saving
        EXPECT_EQ(alerts.size() > 1 ? alerts.back().message : "", k.alert);
        EXPECT_EQ(a.app->mmcFpsAddWert, k.fps);
        EXPECT_EQ(a.windows.btnMenuUndoVal.enabled, !k.alert.empty());
        EXPECT_EQ(a.windows.btnPlayerFps29Val.on, k.fps == 64);
        if (k.records > 0) {
            EXPECT_EQ(log.text(LogList::indexOf(1, kFieldStart)), "10:00:00:00");
            EXPECT_EQ(log.picture(LogList::indexOf(1, kFieldPicture)).size(),
                      k.exchange.empty() || !k.alert.empty());
        }
    }
}

// The file holds the log as it was when the save began; behind the prompt of New a take goes
// into the new log, not the one given up.
TEST(Documents, DeviceEventsWaitForTheSaveAndForEveryQuestion) {
    DocumentApp a;
    a.app->setPathString("/d/day.vlg");
    const auto logStart = [&a] {
        a.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF7});
    };
    a.propertyLists.duringWrite = logStart;
    a.windows.txtEditComment1.value = "typed";  // still in the field: the save takes it
    a.app->btnFileSave();
    const auto& file = a.propertyLists.files.at("/d/day.vlg");
    EXPECT_TRUE(file.size() == 20u && std::get<std::string>(file.at(15)) == "typed");
    EXPECT_EQ(a.app->logStartArray.recordCount() * 10 + a.app->editChangeFlag, 21);

    a.app->btnEditLogAdd();  // a step the new log must not be able to undo
    a.windows.dialogs.answers = {kAlertOther};
    a.windows.dialogs.whileAsked = logStart;
    a.app->btnFileNew();
    a.mainThread.drain();
    EXPECT_EQ(a.app->logStartArray.recordCount(), 1);
    EXPECT_EQ(a.field(1, kFieldNumber), "1");
    EXPECT_FALSE(a.windows.btnMenuUndoVal.enabled) << a.windows.btnMenuUndoVal.title;

    // Behind a question the capture window shows the time at once; the chase waits for the answer.
    a.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0xF7});
    a.windows.chkEditChaseModeVal.on = true;
    a.app->chkEditChaseMode();
    std::string whileAsked;
    a.windows.dialogs.answers = {kAlertAlternate};
    a.windows.dialogs.whileAsked = [&a, &whileAsked] {
        a.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 2, 0, 5, 7, 0xF7});
        a.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x03, 0x00, 0x00, 0x00, 0x00, 0xF7});  // a take
        a.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 2, 0, 9, 0, 0xF7});  // passed by the next
        a.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 1, 0, 3, 0, 0xF7});
        whileAsked = a.windows.statusText.value + " @" + std::to_string(a.app->logEditPos) +
                     " " + a.field(0, kHeaderFrameRate);
    };
    a.app->btnEditLogDelete();
    a.mainThread.drain();
    EXPECT_EQ(whileAsked, "  01:00:03:00 @2 1");  // the rate too follows after the answer
    EXPECT_EQ(a.field(0, kHeaderFrameRate), "0");
    EXPECT_EQ(a.app->logEditPos, 1);
    EXPECT_EQ(a.field(3, kFieldStart), "03:00:00:00") << "the take behind the question";

    // Quit right after an answer: the main thread's loop lets the hold go after the controller
    // has gone, and must not reach into it then.
    a.windows.dialogs.whileAsked = nullptr;
    a.windows.dialogs.answers = {kAlertAlternate};
    a.app->btnEditLogDelete();
    a.app.reset();
    a.mainThread.drain();
}

// The question is not asked again for them; the device input is closed by then.
TEST(Documents, TheQuitWritesEveryTakeLoggedUntilTheProgramEnds) {
    const fake::Bytes take{0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF7};
    // When the takes come: p behind the prompt, w during the first write, o on its way to the
    // main thread as the quit begins.
    struct Case {
        const char* name; bool unsaved; int answer; std::string takes; int prompts, writes;
        std::size_t recordsWritten;
    };
    for (const Case& k : {
             Case{"behind the prompt and the write", true, kAlertDefault, "pw", 1, 2, 3},
             Case{"on its way, the log saved before", false, kAlertDefault, "o", 1, 1, 2},
             Case{"on its way, unsaved", true, kAlertDefault, "o", 1, 2, 2},
             Case{"nothing new", false, kAlertDefault, "", 0, 0, 0},
             Case{"don't save", true, kAlertOther, "p", 1, 0, 0}}) {
        SCOPED_TRACE(k.name);
        DocumentApp a;
        a.app->setPathString("/d/day.vlg");
        a.app->editChangeFlag = k.unsaved ? 1 : 0;
        a.midi.plug("vexa ");
        a.app->timer2Callback();
        ASSERT_FALSE(a.midi.live.empty());
        const auto when = [&](char c, bool now = true) {
            if (now && has(k.takes, std::string(1, c)))
                a.receive(take);
        };
        a.windows.dialogs.answers = {k.answer};
        a.windows.dialogs.whileAsked = [&] { when('p'); };
        a.propertyLists.duringWrite = [&] { when('w', a.propertyLists.writes == 1); };
        if (has(k.takes, "o"))
            myReadProc(platform::makeMidiPacketList(take), nullptr, nullptr);
        EXPECT_TRUE(a.app->applicationWillTerminate());
        EXPECT_EQ(a.windows.dialogs.alerts.size(), std::size_t(k.prompts));
        EXPECT_EQ(a.propertyLists.writes, k.writes);
        const auto file = a.propertyLists.files.find("/d/day.vlg");
        EXPECT_EQ(file == a.propertyLists.files.end() ? 0 : file->second.size() / 10 - 1,
                  k.recordsWritten);
        EXPECT_TRUE(a.midi.live.empty()) << "the device input is closed";
        a.app->waitForSends();
    }
}

// The log with what is being typed, never over the project file; a cancel replaces nothing.
TEST(Documents, ExportsWriteWhereTheUserChose) {
    DocumentApp a;
    TempFolder folder;
    auto& dialogs = a.windows.dialogs;
    const auto exported = [&](void (vexaLogging3AppDelegate::*command)(), const std::string& to) {
        dialogs.savePath = folder.file(to);
        (a.app.get()->*command)();
    };
    a.windows.txtEditComment1.value = "typed";
    for (const std::string name : {"day.vlg", "odd.log"}) {
        writeFile(folder.file(name), "project");
        a.app->setPathString(folder.file(name));
        exported(&vexaLogging3AppDelegate::LogSaveEdl, name == "day.vlg" ? "day" : name);
        EXPECT_EQ(fileText(folder.file(name)), "project");
    }
    EXPECT_TRUE(has(fileText(folder.file("day.log")), "\ttyped\t"));
    EXPECT_EQ(dialogs.saveDialogs.at(0), "day.log in " + folder.path());  // the log's own folder
    EXPECT_EQ(dialogs.alerts.size(), 1u) << "the project file named .log is refused";
    const Picture jpeg{0xFF, 0xD8, 0xFF, 'E', 'x', 'i', 'f', 0, 1, 2, 3};
    const std::string jpegText(jpeg.begin(), jpeg.end());
    a.app->logStartArray.append(record("7/\x7F" "b", "", "", jpeg));
    a.app->logStartArray.append(record("8", "", "", Picture(jpeg.begin(), jpeg.end() - 1)));
    a.app->logStartArray.append(record("9", "", "", Picture(12, 'P')));
    exported(&vexaLogging3AppDelegate::btnPictureExportAll, "all");
    a.app->logEditPos = 2;
    exported(&vexaLogging3AppDelegate::btnPictureExport, "shots");  // the one on show
    a.app->logEditPos = 3;
    exported(&vexaLogging3AppDelegate::btnPictureExport, "ten");  // alone, ten bytes are one
    a.app->logStartArray.replace(LogList::indexOf(3, kFieldPicture), Picture(9, 'n'));
    const std::size_t asked = dialogs.saveDialogs.size();
    exported(&vexaLogging3AppDelegate::btnPictureExport, "nine");
    EXPECT_EQ(dialogs.saveDialogs.size(), asked) << "nine bytes are no picture: nothing asked";
    a.app->logEditPos = 4;
    exported(&vexaLogging3AppDelegate::btnPictureExport, "raw.jpg");
    EXPECT_EQ(fileText(folder.file("all_2_7__b.jpg")) + fileText(folder.file("shots.jpg")),
              jpegText + jpegText);
    EXPECT_EQ(fileText(folder.file("ten.jpg")).size(), 10u);
    EXPECT_EQ(folder.entries(), 6u) << "among all, pictures of ten bytes or fewer are none";
    const std::string notJpeg = ": The picture could not be converted to JPEG";
    EXPECT_EQ(dialogs.alerts.at(1).message, "Pictures written: 1. Not written: 1. The first that "
                                            "failed: " + folder.file("all_4_9.jpg") + notJpeg);
    EXPECT_EQ(dialogs.alerts.at(2).message,
              "The picture could not be written: " + folder.file("raw.jpg") + notJpeg);

    // A cell that could not be read back is refused with its record, and nothing is written.
    a.app->logStartArray.append(record("1", std::string("a\0b", 3), "", {}));
    exported(&vexaLogging3AppDelegate::LogSaveEdl, "nul.log");
    EXPECT_FALSE(std::filesystem::exists(folder.file("nul.log")));
    EXPECT_TRUE(dialogs.alerts.back().message.ends_with(
        "Record 5 holds a control character (0), which an exchange file cannot keep"));

    // Cancelled past its first batch: files of its names keep their bytes, no temporary file.
    for (int n = 0; n < 300; ++n) a.app->logStartArray.append(record("9", "", "", jpeg));
    const int records = a.app->logStartArray.recordCount();
    const auto kept = [&](int n) { return folder.file("kept_" + std::to_string(n) + "_9.jpg"); };
    for (const int n : {1, records - 290, records - 20, records}) writeFile(kept(n), "old");
    const std::size_t entries = folder.entries();
    dialogs.cancelAt = 0.95;
    exported(&vexaLogging3AppDelegate::btnPictureExportAll, "kept");
    EXPECT_EQ(folder.entries(), entries);
    for (const int n : {1, records - 290, records - 20, records})
        EXPECT_EQ(fileText(kept(n)), "old") << n;
    EXPECT_EQ(dialogs.alerts.size(), 4u);
    dialogs.cancelAt = 2;  // done to its end, the same export replaces them
    exported(&vexaLogging3AppDelegate::btnPictureExportAll, "kept");
    EXPECT_EQ(folder.entries(), entries + 1 + 300 - 3) << "7/b's, the 300, three replaced";
    for (const int n : {records - 290, records - 20, records})
        EXPECT_EQ(fileText(kept(n)), jpegText) << n;
}

}  // namespace
