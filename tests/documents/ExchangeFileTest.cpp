// The log exchange file on disk: its bytes, reading it back, and Export Log… and Import Log…
// over the controller.

#include "documents/ExchangeFile.h"

#include <gtest/gtest.h>

#include "documents/TempFolder.h"
#include "editor/LogFixture.h"

namespace {

using documents_test::contents;
using documents_test::TempFolder;

const std::string kHeading =
    "Heading\nFIELD_DELIM TABS\nVIDEO_FORMAT PAL\nTAPE 001\nFPS \n\nColumn\n"
    "Name\tTracks\tStart\tEnd\tDuration\ttod\tCOMMENT1\tComment2\tPicturepath\t\n\nData\t\n";
const std::string kHeaderRow = "Glimmark\tV\tVersion: 1.0\tOstraven\t\t1\t\t\t\t\n";

LogList logOf(std::initializer_list<LogRecord> records) {
    LogList list;
    list.append(newLogHeader());
    for (const LogRecord& r : records) list.append(r);
    return list;
}

LogRecord record(std::string number, std::string comment1 = "", std::string comment2 = "") {
    return {std::move(number),   std::string("01:00:00:00"), std::string("01:00:10:00"),
            std::string(),       std::string("10:00:00"),    std::move(comment1),
            std::move(comment2), std::string("05.12.2026"),  std::string(),
            Picture{1, 2, 3}};
}

TEST(ExchangeFile, WritesTheFixedLinesThenOneRowPerRecord) {
    TempFolder folder;
    ASSERT_EQ(exchange::writeExchangeFile(folder / "day.log", logOf({record("3")})), "");
    EXPECT_EQ(
        contents(folder / "day.log"),
        kHeading + kHeaderRow + "3\tV\t01:00:00:00\t01:00:10:00\t\t10:00:00\t\t\t05.12.2026\t\n");
}

// What comes back from a file: the cells that can be written unchanged come back unchanged;
// a tab or line feed, which would shift every later cell, comes back as a blank.
TEST(ExchangeFile, RoundTripsFieldsZeroToSeven) {
    struct Case {
        const char* name;
        std::string comment, readBack;
    };
    for (const Case& k : {Case{"ascii", "wide shot", "wide shot"},
                          Case{"utf-8",
                               "Gr\xC3\xBC\xC3\x9F"
                               "e \xE6\x97\xA5",
                               "Gr\xC3\xBC\xC3\x9F"
                               "e \xE6\x97\xA5"},
                          Case{"tab", "a\tb", "a b"}, Case{"line feed", "a\nb", "a b"}}) {
        SCOPED_TRACE(k.name);
        TempFolder folder;
        const LogList written = logOf({record("1", k.comment, "after"), record("2")});
        ASSERT_EQ(exchange::writeExchangeFile(folder / "x.log", written), "");
        const exchange::ExchangeContent read = exchange::readExchangeFile(folder / "x.log");
        ASSERT_EQ(read.error, "");
        ASSERT_EQ(read.list.recordCount(), 2);
        for (int field = 0; field <= kFieldDate; ++field) {
            const std::size_t i = LogList::indexOf(1, field);
            EXPECT_EQ(read.list.text(i), field == kFieldComment1 ? k.readBack : written.text(i));
        }
        EXPECT_TRUE(read.list.holdsPicture(LogList::indexOf(2, kFieldPicture)));
        EXPECT_TRUE(read.list.picture(LogList::indexOf(2, kFieldPicture)).empty());
        EXPECT_EQ(read.lastNumber, 2);
    }
}

TEST(ExchangeFile, ReadingJudgesTheText) {
    struct Case {
        const char* name;
        std::string text;
        bool marker;
        int records;
        int lastNumber;
        bool error;
    };
    const std::string row = "7\tV\ta\tb\tc\td\te\tf\tg\t\n";
    const Case cases[] = {
        {"header only", kHeading + kHeaderRow, true, 0, 0, false},
        {"marker in capitals", "DATA\t\n" + kHeaderRow + row, true, 1, 7, false},
        {"marker in small letters", "data\t\n" + kHeaderRow + row, true, 1, 7, false},
        {"no marker", "Heading\nrows\t\n", false, 0, 0, false},
        {"marker, no complete row", "Data\t\nGlimmark\tV\tVersion", true, 0, 0, false},
        {"a trailing row lacking cells", "Data\t\n" + kHeaderRow + "8\tV\ta\t", true, 0, 0, false},
        {"not UTF-8", "Data\t\n\xFF\xFE", false, 0, 0, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const exchange::ExchangeContent read = exchange::parseExchangeText(k.text);
        EXPECT_EQ(read.hasDataMarker, k.marker);
        EXPECT_EQ(!read.error.empty(), k.error);
        EXPECT_EQ(read.lastNumber, k.lastNumber);
        if (k.marker) {
            // Never an empty list: at least the header the rest of the program relies on.
            EXPECT_EQ(read.list.recordCount(), k.records);
            EXPECT_EQ(read.list.text(0), "Glimmark");
            EXPECT_EQ(read.list.text(1), "Version: 1.0");
        }
    }
}

TEST(ExchangeFile, AFailedWriteSaysWhyAndLeavesNoFile) {
    TempFolder folder;
    EXPECT_NE(exchange::writeExchangeFile(folder / "missing/x.log", logOf({})), "");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path));
}

class ExchangeCommands : public ::testing::Test {
protected:
    ExchangeCommands() {
        app.app->awakeFromNib();
        editor_test::addRecord(app, {"1", "01:00:00:00", "01:00:10:00", "JPEG-one"});
        app.app->LogActualWrite();
    }
    fake::App app;
    fake::Windows& w = app.windows;
    TempFolder folder;
};

TEST_F(ExchangeCommands, ExportAsksWhereAndNeverWritesOverTheProjectFile) {
    app.app->setPathString(folder / "day.vlg");
    documents_test::write(folder / "day.vlg", "project");
    w.dialogs.savePath = folder / "day";
    app.app->LogSaveEdl();
    ASSERT_EQ(w.dialogs.saveDialogs.size(), 1u);
    EXPECT_EQ(w.dialogs.saveDialogs[0].suggestedName, "day.log");
    EXPECT_EQ(w.dialogs.saveDialogs[0].extension, "log");
    EXPECT_EQ(contents(folder / "day.log").substr(0, kHeading.size()), kHeading);
    EXPECT_EQ(contents(folder / "day.vlg"), "project");

    // A project file named .log is refused as the target.
    app.app->setPathString(folder / "odd.log");
    documents_test::write(folder / "odd.log", "project");
    w.dialogs.savePath = folder / "odd.log";
    app.app->LogSaveEdl();
    EXPECT_EQ(contents(folder / "odd.log"), "project");
    EXPECT_EQ(w.dialogs.alerts.size(), 1u);

    w.dialogs.savePath = folder / "missing/x.log";
    app.app->LogSaveEdl();
    EXPECT_EQ(w.dialogs.alerts.size(), 2u);
}

TEST_F(ExchangeCommands, ImportAsksFirstThenMakesANewUnsavedLog) {
    app.app->setPathString("/d/day.vlg");
    app.app->editChangeFlag = 1;
    documents_test::write(
        folder / "in.log",
        kHeading + kHeaderRow + "4\tV\ta\tb\tc\td\te\tf\tg\t\n" + "9\tV\ta\tb\tc\td\te\tf\tg\t\n");
    w.dialogs.openPath = folder / "in.log";
    w.dialogs.answers = {platform::kAlertAlternate};
    app.app->LogOpenEDL();
    EXPECT_EQ(w.dialogs.alerts.at(0).title, "File \"day.vlg\" has been modified!");
    EXPECT_TRUE(w.dialogs.openDialogs.empty());
    EXPECT_EQ(app.field(1, kFieldNumber), "1");

    w.dialogs.answers = {platform::kAlertOther};
    app.app->LogOpenEDL();
    EXPECT_EQ(w.dialogs.openDialogs.at(0), "log");
    EXPECT_EQ(app.app->logStartArray.recordCount(), 2);
    EXPECT_EQ(app.app->logNr, 9);
    EXPECT_EQ(app.app->pathString, "Untitled");
    EXPECT_EQ(w.windowEdit.title, "Glimmark Editor - Untitled");
    EXPECT_EQ(app.app->editChangeFlag, 1);
    EXPECT_EQ(w.txtEditNr.value, "4");
}

TEST_F(ExchangeCommands, ImportOfAFileWithoutMarkerChangesNothing) {
    documents_test::write(folder / "in.log", "no marker here\n");
    w.dialogs.openPath = folder / "in.log";
    app.app->LogOpenEDL();
    EXPECT_EQ(w.dialogs.alerts.at(0).message, "No valid file!");
    EXPECT_EQ(app.field(1, kFieldNumber), "1");
    EXPECT_EQ(app.app->pathString, "Untitled");
}

}  // namespace
