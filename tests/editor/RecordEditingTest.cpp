// Adding, inserting, deleting, cutting, copying and pasting records, and taking each back.

#include <gtest/gtest.h>

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

enum class Do { Add, Insert, Delete, Copy, Cut, Paste, Next, FullScreen };

struct Sequence {
    const char* name;
    std::vector<std::string> numbers;  // the records at the start; pictures "JPEGa", "JPEGb"...
    int position;
    std::vector<Do> steps;
    std::deque<int> answers;  // to the alerts, in turn
    // Each record as its number and the letter of its picture: "2b"; "0" has no picture.
    std::vector<std::string> expected;
    int expectedPosition;
    int expectedLogNr;
    int expectedFlag;
    int expectedAlerts;
};

void PrintTo(const Sequence& c, std::ostream* os) {
    *os << c.name;
}

std::vector<std::string> summary(const LogList& list) {
    std::vector<std::string> out;
    for (int r = 1; r <= list.recordCount(); ++r) {
        const Picture& p = list.picture(LogList::indexOf(r, kFieldPicture));
        out.push_back(list.text(LogList::indexOf(r, kFieldNumber)) +
                      (p.empty() ? "" : std::string(1, static_cast<char>(p.back()))));
    }
    return out;
}

class RecordEditing : public ::testing::TestWithParam<Sequence> {
protected:
    void run(vexaLogging3AppDelegate& c, Do step) {
        switch (step) {
            case Do::Add:
                c.btnEditLogAdd();
                break;
            case Do::Insert:
                c.btnEditLogInsert();
                break;
            case Do::Delete:
                c.btnEditLogDelete();
                break;
            case Do::Copy:
                c.btnEditCopy();
                break;
            case Do::Cut:
                c.btnEditCut();
                break;
            case Do::Paste:
                c.btnEditPaste();
                break;
            case Do::Next:
                c.btnLogNaechstes();
                break;
            case Do::FullScreen:
                c.fullScreenMode = 1;
                break;
        }
    }
    fake::App app;
};

constexpr int kConfirm = platform::kAlertDefault;
constexpr int kCancel = platform::kAlertAlternate;
constexpr int kKeepNumber = platform::kAlertOther;
const std::vector<std::string> kFive{"1", "2", "3", "4", "5"};

TEST_P(RecordEditing, LeavesTheLogAsExpectedAndUndoRestoresItExactly) {
    const Sequence& s = GetParam();
    vexaLogging3AppDelegate& c = *app.app;
    char letter = 'a';
    for (const std::string& n : s.numbers)
        addRecord(app, {n, "01:00:00:00", "", std::string("JPEG") + letter++});
    c.logEditPos = s.position;
    c.LogActualWrite();
    app.windows.dialogs.answers = s.answers;
    const std::vector<std::string> before = dump(c.logStartArray);
    const int logNrBefore = c.logNr;

    for (Do step : s.steps) run(c, step);
    c.fullScreenMode = 0;

    EXPECT_EQ(summary(c.logStartArray), s.expected);
    EXPECT_EQ(c.logEditPos, s.expectedPosition);
    EXPECT_EQ(c.logNr, s.expectedLogNr);
    EXPECT_EQ(c.editChangeFlag, s.expectedFlag);
    EXPECT_EQ(app.windows.dialogs.alerts.size(), static_cast<std::size_t>(s.expectedAlerts));
    const std::vector<std::string> after = dump(c.logStartArray);
    ASSERT_GE(after.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + 10),
              std::vector<std::string>(before.begin(), before.begin() + 10))
        << "the header";
    // The editor shows the record at the position.
    EXPECT_EQ(app.windows.txtEditNr.value, app.field(c.logEditPos, kFieldNumber));

    // Back to the start, step by step, and forward again.
    c.editChangeFlag = 0;
    while (app.windows.btnMenuUndoVal.enabled) c.btnEditUndo();
    EXPECT_EQ(dump(c.logStartArray), before);
    EXPECT_EQ(c.logNr, logNrBefore);
    EXPECT_EQ(c.editChangeFlag, s.expectedFlag);  // changed again only if anything was undone
    while (app.windows.btnMenuRedoVal.enabled) c.btnEditRedo();
    EXPECT_EQ(dump(c.logStartArray), after);
    EXPECT_EQ(c.logNr, s.expectedLogNr);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, RecordEditing,
    ::testing::Values(
        Sequence{"AddOnAnEmptyLog", {}, 1, {Do::Add}, {}, {"1"}, 1, 1, 1, 0},
        Sequence{"InsertOnAnEmptyLog", {}, 1, {Do::Insert}, {}, {"0"}, 1, 1, 1, 0},
        Sequence{"PasteWithAnEmptyClipboard", {}, 1, {Do::Paste}, {}, {}, 1, 0, 0, 0},
        Sequence{"DeleteAndCutRefusedOnOneRecord",
                 {"1"},
                 1,
                 {Do::Delete, Do::Cut},
                 {},
                 {"1a"},
                 1,
                 1,
                 0,
                 0},
        Sequence{
            "AddAfter12aMakes13", {"1", "12a"}, 1, {Do::Add}, {}, {"1a", "12ab", "13"}, 3, 3, 1, 0},
        Sequence{"InsertAtThreeOfFive",
                 kFive,
                 3,
                 {Do::Insert},
                 {},
                 {"1a", "2b", "0", "3c", "4d", "5e"},
                 3,
                 5,
                 1,
                 0},
        Sequence{"DeleteFirstOfThreeShowsTheFormerSecond",
                 {"1", "2", "3"},
                 1,
                 {Do::Delete},
                 {kConfirm},
                 {"2b", "3c"},
                 1,
                 3,
                 1,
                 1},
        Sequence{"DeleteLastShowsTheOneBefore",
                 {"1", "2", "3"},
                 3,
                 {Do::Delete},
                 {kConfirm},
                 {"1a", "2b"},
                 2,
                 3,
                 1,
                 1},
        Sequence{"DeleteCancelled",
                 {"1", "2", "3"},
                 2,
                 {Do::Delete},
                 {kCancel},
                 {"1a", "2b", "3c"},
                 2,
                 3,
                 0,
                 1},
        Sequence{"CutTheLastShowsTheNewLast",
                 {"1", "2", "3", "4"},
                 4,
                 {Do::Cut},
                 {},
                 {"1a", "2b", "3c"},
                 3,
                 4,
                 1,
                 0},
        Sequence{"CutSecondOfFourShowsTheFormerThird",
                 {"1", "2", "3", "4"},
                 2,
                 {Do::Cut},
                 {},
                 {"1a", "3c", "4d"},
                 2,
                 4,
                 1,
                 0},
        Sequence{"CutTheFirstRecord", {"1", "2", "3"}, 1, {Do::Cut}, {}, {"2b", "3c"}, 1, 3, 1, 0},
        Sequence{"CutAndPasteMovesTheRecordWithItsPicture",
                 {"1", "2", "3", "4"},
                 2,
                 {Do::Cut, Do::Next, Do::Paste},
                 {},
                 {"1a", "3c", "2b", "4d"},
                 3,
                 4,
                 1,
                 0},
        Sequence{"CopyPasteTwiceKeepingTheNumber",
                 {"1", "2", "3"},
                 2,
                 {Do::Copy, Do::Paste, Do::Paste},
                 {kKeepNumber, kKeepNumber},
                 {"1a", "2b", "2b", "2b", "3c"},
                 2,
                 3,
                 1,
                 2},
        Sequence{"CopyPasteTakesANewNumber",
                 {"1", "2", "9"},
                 2,
                 {Do::Copy, Do::Paste},
                 {kConfirm},
                 {"1a", "10b", "2b", "9c"},
                 2,
                 10,
                 1,
                 1},
        Sequence{"CopyPasteCancelled",
                 {"1", "2"},
                 2,
                 {Do::Copy, Do::Paste},
                 {kCancel},
                 {"1a", "2b"},
                 2,
                 2,
                 0,
                 1},
        Sequence{"NothingInFullScreen",
                 {"1", "2", "3"},
                 2,
                 {Do::Copy, Do::FullScreen, Do::Add, Do::Insert, Do::Delete, Do::Cut, Do::Paste},
                 {kConfirm, kConfirm},
                 {"1a", "2b", "3c"},
                 2,
                 3,
                 0,
                 0}),
    [](const ::testing::TestParamInfo<Sequence>& info) { return std::string(info.param.name); });

TEST(RecordEditingFields, AddAndInsertMakeBlankRecordsStampedWithTheClock) {
    fake::App app;
    app.app->btnEditLogAdd();
    app.app->btnEditLogInsert();
    const std::vector<std::string> blank{"", "00:00:00:00", "", "",  "09:05:03", "",
                                         "", "07.12.2026",  "", "<>"};
    for (int r = 1; r <= 2; ++r) {
        std::vector<std::string> fields = dump(app.app->logStartArray);
        fields =
            std::vector<std::string>(fields.begin() + r * 10 + 1, fields.begin() + r * 10 + 10);
        EXPECT_EQ(fields, std::vector<std::string>(blank.begin() + 1, blank.end())) << r;
    }
    EXPECT_EQ(app.field(1, kFieldNumber), "0");  // inserted before the added one
    EXPECT_EQ(app.field(2, kFieldNumber), "1");
}

TEST(RecordEditingFields, CopyTakesTheCommentsAsTypedAndUndoTakesThemBackFirst) {
    fake::App app;
    addRecord(app, {"1", "01:00:00:00", "", ""});
    addRecord(app, {"2", "01:00:10:00", "", ""});
    app.app->LogActualWrite();
    app.windows.txtEditComment1.value = "typed, not stored";
    app.app->btnEditCopy();
    ASSERT_EQ(app.app->logEditArrayPuffer.size(), 10u);
    EXPECT_EQ(std::get<std::string>(app.app->logEditArrayPuffer[kFieldComment1]),
              "typed, not stored");
    EXPECT_EQ(app.windows.btnMenuUndoVal.title, "Undo Comment");

    app.app->btnEditUndo();
    EXPECT_EQ(app.field(1, kFieldComment1), "");
    EXPECT_EQ(app.windows.txtEditComment1.value, "");
    EXPECT_EQ(app.windows.btnMenuRedoVal.title, "Redo Comment");
    EXPECT_FALSE(app.windows.btnMenuUndoVal.enabled);
}

TEST(RecordEditingUndo, RenumberingIsTakenBackAndADeviceLogInBetweenKeepsItsNumber) {
    fake::App app;
    addRecord(app, {"1", "01:00:00:00", "", ""});
    addRecord(app, {"2", "01:00:10:00", "", ""});
    app.app->LogActualWrite();
    app.windows.panelEditNr.whileModal = [&] {
        app.windows.txtEditNrChangeVal.value = "77";
        app.app->btnEditLogNrOk();
    };
    app.app->btnEditLogNr();
    app.windows.dialogs.answers = {kConfirm};
    app.app->btnLogNaechstes();
    app.app->btnEditLogDelete();
    EXPECT_EQ(app.windows.btnMenuUndoVal.title, "Undo Delete Record");
    // The interface logs record 3 while the user thinks it over.
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x02, 0x03, 0x04, 0x02, 0xF7});
    ASSERT_EQ(app.app->logNr, 3);

    app.app->btnEditUndo();
    app.app->btnEditUndo();
    EXPECT_EQ(summary(app.app->logStartArray), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(app.app->logNr, 3);
    EXPECT_EQ(app.app->logEditPos, 1);
    EXPECT_EQ(app.windows.txtEditNr.value, "1");

    // A new log replaces the old: nothing of it can be undone into the new one.
    app.app->LogEditInit();
    EXPECT_FALSE(app.windows.btnMenuUndoVal.enabled);
    EXPECT_FALSE(app.windows.btnMenuRedoVal.enabled);
}

TEST(RecordEditingUndo, TypedTimesAreTakenBackOneByOne) {
    fake::App app;
    addRecord(app, {"1", "01:00:00:00", "01:00:10:00", ""});
    app.app->LogActualWrite();
    const std::vector<std::string> before = dump(app.app->logStartArray);
    app.windows.txtEditStart.value = "2:0:0:0";
    app.app->txtEditStartChg();
    app.windows.txtEditStop.value = "";
    app.app->txtEditStopChg();
    ASSERT_EQ(app.field(1, kFieldStart), "02:00:00:00");
    EXPECT_EQ(app.windows.btnMenuUndoVal.title, "Undo Stop Time");

    app.app->btnEditUndo();
    EXPECT_EQ(app.windows.txtEditStop.value, "01:00:10:00");
    EXPECT_EQ(app.windows.btnMenuUndoVal.title, "Undo Start Time");
    app.app->btnEditUndo();
    EXPECT_EQ(dump(app.app->logStartArray), before);
    EXPECT_EQ(app.windows.txtEditDuration.value, "00:00:10");
}

}  // namespace
