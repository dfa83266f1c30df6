// Adding, inserting, deleting, cutting, copying and pasting records, and taking each back.

#include <gtest/gtest.h>

#include <sstream>

#include "documents/ProjectFiles.h"
#include "editor/EditHistory.h"
#include "editor/LogFixture.h"

namespace {

using namespace editor_test;

// Each record as its number, its picture's last letter and its comment 1 ("2b:wide"), "@"
// before the one on show.
std::string summary(const fake::App& app) {
    std::string out;
    for (int r = 1; r <= app.app->logStartArray.recordCount(); ++r) {
        const Picture& p = app.app->logStartArray.picture(LogList::indexOf(r, kFieldPicture));
        const std::string comment = app.field(r, kFieldComment1);
        out += std::string(out.empty() ? "" : " ") + (r == app.app->logEditPos ? "@" : "") +
               app.field(r, kFieldNumber) + (p.empty() ? "" : std::string(1, char(p.back()))) +
               (comment.empty() ? "" : ":" + comment);
    }
    return out;
}

struct Sequence {
    const char* name;
    const char* numbers;  // the records at the start; pictures "JPEGa", "JPEGb"... in turn
    int position;
    // A add, I insert, D delete, C copy, X cut, V paste, N next, F full screen, P delete the
    // picture, R/r replace it with a picture/text file chosen, c choose none, O/o drop one,
    // K type a comment and store it not
    const char* steps;
    // To the alerts in turn: y the default button, n the alternate, k the other (keep number)
    const char* answers;
    const char* expected;
    int logNr, flag;
    const char* alerts;  // the first letter of each alert's title
    const char* undo;    // the Undo menu item afterwards
};

const Sequence kSequences[] = {
    {"AddOnAnEmptyLog", "", 1, "A", "", "@1", 1, 1, "", "Undo Add Record"},
    {"InsertOnAnEmptyLog", "", 1, "I", "", "@0", 1, 1, "", "Undo Insert Record"},
    {"PasteWithAnEmptyClipboard", "", 1, "V", "", "", 0, 0, "", ""},
    {"NoPictureWithoutARecord", "", 1, "PRO", "yy", "", 0, 0, "", ""},
    {"DeleteAndCutRefusedOnOneRecord", "1", 1, "DX", "", "@1a", 1, 0, "", ""},
    {"AddAfter12aMakes13", "1 12a", 1, "A", "", "1a 12ab @13", 3, 1, "", "Undo Add Record"},
    {"DeleteFirstShowsTheFormerSecond", "1 2 3", 1, "D", "y", "@2b 3c", 3, 1, "W",
     "Undo Delete Record"},
    {"CutTheLastShowsTheNewLast", "1 2 3 4", 4, "X", "", "1a 2b @3c", 4, 1, "", "Undo Cut Record"},
    {"CutTheFirst", "1 2 3", 1, "X", "", "@2b 3c", 3, 1, "", "Undo Cut Record"},
    {"CutAndPasteMovesRecordAndPicture", "1 2 3 4", 2, "XNV", "", "1a 3c @2b 4d", 4, 1, "",
     "Undo Paste Record"},
    {"CutAndPasteOfASharedNumberAsksNothing", "1 2 2 3", 2, "XNV", "", "1a 2c @2b 3d", 4, 1, "",
     "Undo Paste Record"},
    {"CopyPasteTwiceKeepingTheNumber", "1 2 3", 2, "CVV", "kk", "1a @2b 2b 2b 3c", 3, 1, "RR",
     "Undo Paste Record"},
    {"CopyPasteTakesANewNumber", "1 2 9", 2, "CV", "y", "1a @10b 2b 9c", 10, 1, "R",
     "Undo Paste Record"},
    {"CopyPasteCancelled", "1 2", 2, "CV", "n", "1a @2b", 2, 0, "R", "Undo"},
    {"CopyPasteOfTheFirstAsksToo", "1 2", 1, "CV", "y", "@3a 1a 2b", 3, 1, "R",
     "Undo Paste Record"},
    {"NothingInFullScreen", "1 2 3", 2, "CFAIDXVPRO", "yyyy", "1a @2b 3c", 3, 0, "", "Undo"},
    {"PictureDeleted", "1 2 3", 2, "P", "y", "1a @2 3c", 3, 1, "W", "Undo Delete Picture"},
    {"PictureDeleteCancelled", "1 2 3", 2, "P", "n", "1a @2b 3c", 3, 0, "W", ""},
    {"PictureOfTheOnlyRecordDeleted", "1", 1, "P", "y", "@1", 1, 1, "W", "Undo Delete Picture"},
    {"PictureReplaced", "1 2", 2, "R", "", "1a @2z", 2, 1, "", "Undo Replace Picture"},
    {"PictureReplaceCancelled", "1 2", 2, "c", "", "1a @2b", 2, 0, "", ""},
    {"PictureFromATextFileRefused", "1 2", 2, "r", "", "1a @2b", 2, 0, "T", ""},
    {"PictureDropped", "1 2", 1, "O", "y", "@1z 2b", 2, 1, "W", "Undo Replace Picture"},
    {"PictureDropCancelled", "1 2", 1, "O", "n", "@1a 2b", 2, 0, "W", ""},
    {"TextFileDroppedAsksNothing", "1 2", 1, "o", "y", "@1a 2b", 2, 0, "T", ""},
    // The comment typed stays with its record when a record is inserted before it, or its
    // picture replaced.
    {"InsertKeepsTheCommentTyped", "1", 1, "KI", "", "@0 1a:typed", 1, 1, "",
     "Undo Insert Record"},
    {"ReplaceKeepsTheCommentTyped", "1 2", 2, "KR", "", "1a @2z:typed", 2, 1, "",
     "Undo Replace Picture"},
};

const std::string kPng = "/pictures/shot.png";
const std::string kText = "/pictures/notes.jpg";

TEST(RecordEditing, LeavesTheLogAsExpectedAndUndoRestoresItExactly) {
    for (const Sequence& s : kSequences) {
        SCOPED_TRACE(s.name);
        fake::App app;
        vexaLogging3AppDelegate& c = *app.app;
        std::istringstream numbers(s.numbers);
        char letter = 'a';
        for (std::string n; numbers >> n;)
            addRecord(app, n, "01:00:00:00", "", std::string("JPEG") + letter++);
        app.imageFiles.pictures[kPng] = {'J', 'P', 'E', 'G', 'z'};
        c.logEditPos = s.position;
        c.LogActualWrite();
        for (const char* a = s.answers; *a; ++a)
            app.windows.dialogs.answers.push_back(*a == 'y'   ? platform::kAlertDefault
                                                  : *a == 'n' ? platform::kAlertAlternate
                                                              : platform::kAlertOther);
        const std::vector<LogValue> before = projectfiles::valuesOf(c.logStartArray);
        const int logNrBefore = c.logNr;

        for (const char* step = s.steps; *step; ++step) {
            if (*step == 'F')
                c.fullScreenMode = 1;
            else if (*step == 'K')
                app.windows.txtEditComment1.value = "typed";
            else if (*step == 'R' || *step == 'r' || *step == 'c') {
                app.windows.dialogs.choosePath = *step == 'R'   ? std::optional(kPng)
                                                 : *step == 'r' ? std::optional(kText)
                                                                : std::nullopt;
                c.btnImageChange();
            } else if (*step == 'O' || *step == 'o')
                c.imgEditFileDropped(*step == 'O' ? kPng : kText);
            else
                (c.*kActions.at(*step))();
        }
        c.fullScreenMode = 0;

        std::string alerts;
        for (const auto& alert : app.windows.dialogs.alerts) alerts += alert.title.substr(0, 1);
        EXPECT_EQ(std::tuple(summary(app), c.logNr, int(c.editChangeFlag), alerts,
                             app.windows.btnMenuUndoVal.title),
                  std::tuple(s.expected, s.logNr, s.flag, s.alerts, s.undo));
        const std::vector<LogValue> after = projectfiles::valuesOf(c.logStartArray);
        ASSERT_GE(after.size(), 10u);
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + 10, after.begin())) << "header";
        // The editor shows the log as it now stands, as a fresh look at the record would.
        const std::string view = editorView(app);
        c.LogActualWrite();
        EXPECT_EQ(editorView(app), view);

        // Back to the start, step by step, and forward again.
        c.editChangeFlag = 0;
        while (app.windows.btnMenuUndoVal.enabled) c.btnEditUndo();
        EXPECT_EQ(projectfiles::valuesOf(c.logStartArray), before);
        EXPECT_EQ(std::tuple(c.logNr, c.logEditPos), std::tuple(logNrBefore, s.position));
        EXPECT_EQ(c.editChangeFlag, s.flag);  // changed again only if anything was undone
        while (app.windows.btnMenuRedoVal.enabled) c.btnEditRedo();
        EXPECT_EQ(projectfiles::valuesOf(c.logStartArray), after);
        EXPECT_EQ(std::tuple(c.logNr, summary(app)), std::tuple(s.logNr, s.expected));
    }
}

TEST(RecordEditing, UndoTakesBackCommentsAndRenumberingAndKeepsADeviceLogsNumber) {
    fake::App app;
    addRecord(app, "1", "01:00:00:00", "", "");
    addRecord(app, "2", "01:00:10:00", "", "");
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
    app.windows.txtEditComment1.value = "typed on 2";  // the deleted record's undo brings it back
    app.app->btnEditLogDelete();
    // The interface logs record 3 while the user thinks it over.
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x02, 0x03, 0x04, 0x00, 0xF7});
    ASSERT_EQ(app.app->logNr, 3);
    for (const char* redo : {"Redo Delete Record typed on 2", "Redo Comment ",
                             "Redo Renumber Record ", "Redo Comment "}) {
        app.app->btnEditUndo();
        EXPECT_EQ(app.windows.btnMenuRedoVal.title + " " + app.field(2, kFieldComment1), redo);
    }
    EXPECT_EQ(summary(app), "@1 2 3");
    EXPECT_EQ(app.app->logNr, 3);
    EXPECT_EQ(editorView(app) + app.windows.txtEditTod.value,
              "@1 #1 01:00:00:00-  '' [||] *10:00:00");
    app.app->btnEditLogAdd();
    EXPECT_FALSE(app.windows.btnMenuRedoVal.enabled) << "a new edit ends what can be redone";
    // A new log replaces the old: nothing of it can be undone or redone into the new one.
    app.app->btnEditUndo();
    app.app->LogEditInit();
    EXPECT_FALSE(app.windows.btnMenuUndoVal.enabled || app.windows.btnMenuRedoVal.enabled);
    EXPECT_EQ(app.windows.txtEditNr.value + app.windows.txtEditStart.value +
                  app.windows.txtEditComment1.value + app.windows.txtEditTod.value,
              "");
}

// A long day of edits keeps the newest hundred steps, each taken back in turn.
TEST(RecordEditing, UndoReachesBackAHundredStepsAndNoFurther) {
    LogList list;
    list.append(newLogHeader());
    list.append({"1", "01:00:00:00"});
    const std::size_t comment = LogList::indexOf(1, kFieldComment1);
    EditHistory history;
    for (int step = 1; step <= 102; ++step) {
        history.begin("Comment", {});
        history.replace(list, comment, std::to_string(step));
        history.commit({});
    }
    int undone = 0;
    while (history.undo(list))
        ++undone;
    EXPECT_EQ(std::pair(undone, list.text(comment)), std::pair(100, std::string("2")));
}

}  // namespace
