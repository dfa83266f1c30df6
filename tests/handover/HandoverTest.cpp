#include "documents/ProjectFiles.h"
#include "handover/Handover.h"
#include "support/FakePlatform.h"

namespace {

using namespace projectfiles;

LogList logOf(const std::string& rateCode, int records) {
    LogList list;
    LogRecord header = newLogHeader();
    header[4] = rateCode;
    list.append(header);
    for (int n = 1; n <= records; ++n)
        list.append(record(std::to_string(n), "take " + std::to_string(n), "", {}));
    return list;
}

handover::Options titled(std::string title) {
    handover::Options options;
    options.title = std::move(title);
    return options;
}

// Add's blank record at the end, Insert's before take 2; a take at midnight with a stop is one.
TEST(HandoverEdl, RecordsNobodyTimedAreNoEventsButStayRows) {
    LogList list = logOf("32", 2);
    LogRecord blank = record("0", "", "", {});
    blank[kFieldStart] = "00:00:00:00";
    blank[kFieldStop] = "";
    list.insertRecord(2, blank);
    list.append(blank);
    blank[kFieldStart] = "";
    list.append(blank);
    blank[kFieldStart] = "00:00:00:00";
    blank[kFieldStop] = "00:00:01:00";
    blank[kFieldDate] = blank[kFieldTimeOfDay] = "";  // and nobody knows when it was logged
    list.append(blank);
    // A character of four bytes is one unknown letter, not two.
    list.replace(LogList::indexOf(1, kFieldComment1), "a\xF0\x9F\x8E\xAC\xC3\xA9" "b");
    const std::string edl = handover::edl(list, {});
    EXPECT_TRUE(has(edl, "\r\n* COMMENT: a?eb\r\n")) << edl;
    EXPECT_TRUE(edl.ends_with("01:00:10:24 01:00:11:24\r\n* FROM CLIP NAME: 0\r\n")) << edl;
    EXPECT_EQ(count(edl, "* FROM CLIP NAME:"), 3) << edl;
    EXPECT_TRUE(has(edl, "\r\n002  AX       V     C        10:00:00:00 10:00:05:12 "
                         "01:00:05:12 01:00:10:24\r\n* FROM CLIP NAME: 2\r\n"));
    EXPECT_TRUE(has(edl, "\r\n003  AX       V     C        00:00:00:00 00:00:01:00 "
                         "01:00:10:24 01:00:11:24\r\n"));
    EXPECT_EQ(count(handover::csv(list, {}), "\r\n"), 7);
    EXPECT_EQ(count(handover::ale(list, {}), "\tV\t"), 6);
    // A log that names no rate is taken for 25 fps, the rate the interface starts with.
    EXPECT_TRUE(has(handover::ale(logOf("", 1), {}), "\nFPS\t25\n"));
}

// Every record gets a cell of its own, with its picture or a framed place where a picture is not;
// a picture in every third record, one that does not decode, a comment longer than a page.
TEST(ContactSheet, DrawsEveryRecordWithinItsPageAndNumbersThePages) {
    LogList list = logOf("32", 40);
    int pictured = 0;
    for (int n = 1; n <= 40; n += 3, ++pictured)
        list.replace(LogList::indexOf(n, kFieldPicture), patternPicture(40, n * 7));
    list.replace(LogList::indexOf(2, kFieldPicture),
                 Picture{'b', 'a', 'd', 0, 0, 0, 0, 0, 0, 0, 0, 0});
    list.replace(LogList::indexOf(19, kFieldComment1), std::string(20000, 'w'));
    fake::PdfCanvas canvas;
    double lastProgress = 0;
    handover::drawContactSheet(list, titled("Day 3"), canvas, [&](double done) {
        lastProgress = done;
        return true;
    });
    EXPECT_DOUBLE_EQ(lastProgress, 1.0);
    const int pages = canvas.page + 1;
    ASSERT_GT(pages, 2);
    int pictures = 0, placeholders = 0;
    std::vector<fake::PdfCanvas::Call> cells;
    for (const auto& call : canvas.calls) {
        if (call.kind == 'f' && call.width > 163)
            cells.push_back(call);
        placeholders += call.kind == 'f' && call.width <= 163;  // where a picture is not
        pictures += call.kind == 'p';
        // A comment of a line is drawn whole.
        const auto& cell = cells.empty() ? call : cells.back();
        if (call.kind == 't' && call.text.starts_with("take ") && cell.height < 300) {
            EXPECT_EQ(call.text.find('\n'), std::string::npos) << call.text;
        }
    }
    EXPECT_EQ(pictures, pictured);
    EXPECT_EQ(placeholders, 40 - pictures) << "the bad picture's place framed too";
    ASSERT_EQ(cells.size(), 40u);
    for (std::size_t a = 0; a < cells.size(); ++a)
        for (std::size_t b = a + 1; b < cells.size(); ++b)
            EXPECT_TRUE(cells[a].page != cells[b].page ||
                        cells[a].x + cells[a].width < cells[b].x ||
                        cells[b].x + cells[b].width < cells[a].x ||
                        cells[a].y + cells[a].height < cells[b].y ||
                        cells[b].y + cells[b].height < cells[a].y)
                << "cells " << a << " and " << b << " overlap";
}

using Command = void (vexaLogging3AppDelegate::*)();
using D = vexaLogging3AppDelegate;

// A saved log of three records, two with pictures.
struct Exported {
    fake::App a;
    TempFolder folder;
    fake::Dialogs& dialogs = a.windows.dialogs;
    Exported() {
        a.app->awakeFromNib();
        LogList list = logOf("32", 3);
        for (const int n : {1, 2})
            list.replace(LogList::indexOf(n, kFieldPicture), patternPicture(40, n == 1 ? 2 : 146));
        a.app->logStartArray = list;
        a.app->setPathString(folder.file("Day 4.vlg"));
        a.app->editChangeFlag = 0;
    }
    std::string run(Command command, const std::string& to) {
        dialogs.savePath = folder.file(to);
        (a.app.get()->*command)();
        return fileText(folder.file(to));
    }
};

// A take the interface logs meanwhile is in the log at once, not in the file; a cancelled
// export leaves no file behind.
TEST(ExportCommands, TakesGoOnIntoTheLogAndACancelLeavesNoFile) {
    Exported e;
    e.a.app->logStartArray.replace(LogList::indexOf(1, kFieldComment1), std::string("<b>"));
    e.a.app->logStartArray.replace(LogList::indexOf(2, kFieldNumber), std::string("2\"b"));
    std::vector<int> records;
    e.dialogs.whileWorking = [&] {
        if (records.empty())
            e.a.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF7});
        records.push_back(e.a.app->logStartArray.recordCount());
    };
    const std::string html = e.run(&D::exportReport, "day.html");
    EXPECT_TRUE(count(html, "<tr id=") == 3 && has(html, "&lt;b&gt;") &&
                has(html, "<img alt=\"2&quot;b\" src=")) << html;
    // The thumbnails ("thumb:2", "thumb:146"), the second a whole number of base64 groups.
    EXPECT_TRUE(has(html, "base64,dGh1bWI6Mg==\"") && has(html, "base64,dGh1bWI6MTQ2\""));
    EXPECT_EQ(records, (std::vector<int>{4, 4, 4, 4}));
    e.dialogs.cancelAt = 0.5;
    for (const auto& [command, name] : std::initializer_list<std::pair<Command, std::string>>{
             {&D::exportEdl, "old.edl"}, {&D::exportCsv, "old.csv"}, {&D::exportAle, "old.ale"},
             {&D::exportContactSheet, "old.pdf"}, {&D::exportReport, "old.html"}}) {
        writeFile(e.folder.file(name), "old");
        e.run(command, name);
    }
    EXPECT_EQ(e.folder.entries(), 6u);
    EXPECT_TRUE(e.dialogs.alerts.empty());
}

// Why a file was not written is told and the old one kept; a project file chosen by mistake gets
// the export beside it.
TEST(ExportCommands, TellWhyAFileWasNotWrittenAndKeepTheOldOne) {
    Exported e;
    e.run(&D::exportAle, "missing/day.ale");
    EXPECT_EQ(e.dialogs.offered, std::vector<std::string>{"Day 4"}) << "the ALE's reel";
    writeFile(e.folder.file("old.pdf"), "old");
    e.a.pdfWriter.failWith = "the printer ran dry";
    EXPECT_EQ(e.run(&D::exportContactSheet, "old.pdf"), "old");
    ASSERT_EQ(e.dialogs.alerts.size(), 2u);
    EXPECT_TRUE(has(e.dialogs.alerts[1].message, "the printer ran dry"));
    EXPECT_EQ(handover::writeExport(handover::Format::Pdf, e.a.app->logStartArray, {},
                                    e.folder.file("none.pdf"), {}),
              "no PDF writer is available");
    writeFile(e.folder.file("Day 4.vlg"), "project");
    e.run(&D::exportReport, "Day 4.vlg");
    EXPECT_TRUE(has(fileText(e.folder.file("Day 4.vlg.html")), "<h1>Day 4</h1>"));
    // An untitled log's reel is asked each time: the next untitled log is another source.
    e.a.app->setPathString("Untitled");
    e.run(&D::exportEdl, "a.edl");
    e.run(&D::exportEdl, "b.edl");
    EXPECT_EQ(e.dialogs.offered.size(), 3u);
    // In full screen an export waits, no file dialog; an untitled log is offered as Untitled.
    e.a.app->fullScreenMode = 1;
    e.run(&D::exportEdl, "full");
    ASSERT_EQ(e.dialogs.saveDialogs.size(), 5u);
    EXPECT_TRUE(e.dialogs.saveDialogs[4].starts_with("Untitled.edl in "));
}

}  // namespace
