// Adding, inserting, deleting, cutting, copying and pasting records, and taking each back.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;

// Every value of the list, pictures as "<bytes>", so two lists compare whole.
std::vector<std::string> dump(const LogList& list) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.count(); ++i) {
        const Picture& p = list.picture(i);
        out.push_back(list.holdsPicture(i) ? "<" + std::string(p.begin(), p.end()) + ">"
                                           : list.text(i));
    }
    return out;
}

// Each record as its number and the last letter of its picture ("2b"), "@" before the one
// the editor shows.
std::string summary(const fake::App& app) {
    std::string out;
    for (int r = 1; r <= app.app->logStartArray.recordCount(); ++r) {
        const Picture& p = app.app->logStartArray.picture(LogList::indexOf(r, kFieldPicture));
        out += std::string(out.empty() ? "" : " ") + (r == app.app->logEditPos ? "@" : "") +
               app.field(r, kFieldNumber) + (p.empty() ? "" : std::string(1, char(p.back())));
    }
    return out;
}

struct Sequence {
    const char* name;
    const char* numbers;  // the records at the start; pictures "JPEGa", "JPEGb"... in turn
    int position;
    // A add, I insert, D delete, C copy, X cut, V paste, N next, F full screen
    const char* steps;
    // To the alerts in turn: y the default button, n the alternate, k the other (keep number)
    const char* answers;
    const char* expected;
    int logNr;
    int flag;
    std::size_t alerts;
    const char* undo;  // the Undo menu item afterwards
};

const Sequence kSequences[] = {
    {"AddOnAnEmptyLog", "", 1, "A", "", "@1", 1, 1, 0, "Undo Add Record"},
    {"InsertOnAnEmptyLog", "", 1, "I", "", "@0", 1, 1, 0, "Undo Insert Record"},
    {"PasteWithAnEmptyClipboard", "", 1, "V", "", "", 0, 0, 0, ""},
    {"DeleteAndCutRefusedOnOneRecord", "1", 1, "DX", "", "@1a", 1, 0, 0, ""},
    {"AddAfter12aMakes13", "1 12a", 1, "A", "", "1a 12ab @13", 3, 1, 0, "Undo Add Record"},
    {"InsertAtThreeOfFive", "1 2 3 4 5", 3, "I", "", "1a 2b @0 3c 4d 5e", 5, 1, 0,
     "Undo Insert Record"},
    {"DeleteFirstShowsTheFormerSecond", "1 2 3", 1, "D", "y", "@2b 3c", 3, 1, 1,
     "Undo Delete Record"},
    {"DeleteLastShowsTheOneBefore", "1 2 3", 3, "D", "y", "1a @2b", 3, 1, 1, "Undo Delete Record"},
    {"DeleteCancelled", "1 2 3", 2, "D", "n", "1a @2b 3c", 3, 0, 1, ""},
    {"CutTheLastShowsTheNewLast", "1 2 3 4", 4, "X", "", "1a 2b @3c", 4, 1, 0, "Undo Cut Record"},
    {"CutSecondShowsTheFormerThird", "1 2 3 4", 2, "X", "", "1a @3c 4d", 4, 1, 0,
     "Undo Cut Record"},
    {"CutTheFirst", "1 2 3", 1, "X", "", "@2b 3c", 3, 1, 0, "Undo Cut Record"},
    {"CutAndPasteMovesRecordAndPicture", "1 2 3 4", 2, "XNV", "", "1a 3c @2b 4d", 4, 1, 0,
     "Undo Paste Record"},
    {"CopyPasteTwiceKeepingTheNumber", "1 2 3", 2, "CVV", "kk", "1a @2b 2b 2b 3c", 3, 1, 2,
     "Undo Paste Record"},
    {"CopyPasteTakesANewNumber", "1 2 9", 2, "CV", "y", "1a @10b 2b 9c", 10, 1, 1,
     "Undo Paste Record"},
    {"CopyPasteCancelled", "1 2", 2, "CV", "n", "1a @2b", 2, 0, 1, "Undo"},
    {"NothingInFullScreen", "1 2 3", 2, "CFAIDXV", "yy", "1a @2b 3c", 3, 0, 0, "Undo"},
};

using Controller = vexaLogging3AppDelegate;
const std::map<char, void (Controller::*)()> kActions{
    {'A', &Controller::btnEditLogAdd},    {'I', &Controller::btnEditLogInsert},
    {'D', &Controller::btnEditLogDelete}, {'C', &Controller::btnEditCopy},
    {'X', &Controller::btnEditCut},       {'V', &Controller::btnEditPaste},
    {'N', &Controller::btnLogNaechstes}};

TEST(RecordEditing, LeavesTheLogAsExpectedAndUndoRestoresItExactly) {
    for (const Sequence& s : kSequences) {
        SCOPED_TRACE(s.name);
        fake::App app;
        vexaLogging3AppDelegate& c = *app.app;
        std::istringstream numbers(s.numbers);
        char letter = 'a';
        for (std::string n; numbers >> n;)
            addRecord(app, {n, "01:00:00:00", "", std::string("JPEG") + letter++});
        c.logEditPos = s.position;
        c.LogActualWrite();
        for (const char* a = s.answers; *a; ++a)
            app.windows.dialogs.answers.push_back(*a == 'y'   ? platform::kAlertDefault
                                                  : *a == 'n' ? platform::kAlertAlternate
                                                              : platform::kAlertOther);
        const std::vector<std::string> before = dump(c.logStartArray);
        const int logNrBefore = c.logNr;

        for (const char* step = s.steps; *step; ++step) {
            if (*step == 'F')
                c.fullScreenMode = 1;
            else
                (c.*kActions.at(*step))();
        }
        c.fullScreenMode = 0;

        EXPECT_EQ(summary(app), s.expected);
        EXPECT_EQ(c.logNr, s.logNr);
        EXPECT_EQ(c.editChangeFlag, s.flag);
        EXPECT_EQ(app.windows.dialogs.alerts.size(), s.alerts);
        EXPECT_EQ(app.windows.btnMenuUndoVal.title, s.undo);
        const std::vector<std::string> after = dump(c.logStartArray);
        ASSERT_GE(after.size(), 10u);
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + 10, after.begin())) << "header";
        EXPECT_EQ(app.windows.txtEditNr.value, app.field(c.logEditPos, kFieldNumber));

        // Back to the start, step by step, and forward again.
        c.editChangeFlag = 0;
        while (app.windows.btnMenuUndoVal.enabled) c.btnEditUndo();
        EXPECT_EQ(dump(c.logStartArray), before);
        EXPECT_EQ(c.logNr, logNrBefore);
        EXPECT_EQ(c.editChangeFlag, s.flag);  // changed again only if anything was undone
        while (app.windows.btnMenuRedoVal.enabled) c.btnEditRedo();
        EXPECT_EQ(dump(c.logStartArray), after);
        EXPECT_EQ(c.logNr, s.logNr);
    }
}

TEST(RecordEditing, NewRecordsAreBlankAndStampedWithTheClock) {
    fake::App app;
    app.app->btnEditLogAdd();
    app.app->btnEditLogInsert();
    const std::vector<std::string> all = dump(app.app->logStartArray);
    EXPECT_EQ(std::vector<std::string>(all.begin() + 10, all.end()),
              (std::vector<std::string>{
                  "0", "00:00:00:00", "", "", "09:05:03", "", "", "07.12.2026", "", "<>",
                  "1", "00:00:00:00", "", "", "09:05:03", "", "", "07.12.2026", "", "<>"}));
}

TEST(RecordEditing, UndoTakesBackCommentsAndRenumberingAndKeepsADeviceLogsNumber) {
    fake::App app;
    addRecord(app, {"1", "01:00:00:00", "", ""});
    addRecord(app, {"2", "01:00:10:00", "", ""});
    app.app->LogActualWrite();
    app.windows.txtEditComment1.value = "typed, not stored";
    app.app->btnEditCopy();  // the copy takes the comment as typed
    EXPECT_EQ(std::get<std::string>(app.app->logEditArrayPuffer.at(kFieldComment1)),
              "typed, not stored");
    EXPECT_EQ(app.windows.btnMenuUndoVal.title, "Undo Comment");
    app.windows.panelEditNr.whileModal = [&] {
        app.windows.txtEditNrChangeVal.value = "77";
        app.app->btnEditLogNrOk();
    };
    app.app->btnEditLogNr();
    app.windows.dialogs.answers = {platform::kAlertDefault};
    app.app->btnLogNaechstes();
    app.app->btnEditLogDelete();
    // The interface logs record 3 while the user thinks it over.
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x02, 0x03, 0x04, 0x02, 0xF7});
    ASSERT_EQ(app.app->logNr, 3);
    for (const char* redo : {"Redo Delete Record", "Redo Renumber Record", "Redo Comment"}) {
        app.app->btnEditUndo();
        EXPECT_EQ(app.windows.btnMenuRedoVal.title, redo);
    }
    EXPECT_EQ(summary(app), "@1 2 3");
    EXPECT_EQ(app.app->logNr, 3);
    EXPECT_EQ(editor_test::editorView(app), "@1 #1 01:00:00:00-  '' [||] *");
    // A new log replaces the old: nothing of it can be undone into the new one.
    app.app->LogEditInit();
    EXPECT_FALSE(app.windows.btnMenuUndoVal.enabled || app.windows.btnMenuRedoVal.enabled);
}

}  // namespace
