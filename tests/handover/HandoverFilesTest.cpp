// The hand-over files as the cutting room gets them: glimmark-cli writes each format from a
// real project file with real pictures, and readers of their own (Python's csv and
// html.parser, an EDL and an ALE reader, poppler's pdftotext and pdfimages) compare every
// value with the log, at each of the four rates.

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>

#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using namespace projectfiles;

Picture encoded(int width, int height, const char* format, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 80);
    return Picture(bytes.begin(), bytes.end());
}

struct Take {
    std::string number, start, stop, tod, comment1, comment2, date;
    Picture picture;
};

// Stops missing, earlier than the start (past midnight), a start that is no timecode, frames
// beyond 24 fps, a drop-frame label, a picture stored as PNG, text for quoting and escaping.
std::vector<Take> takes() {
    const Picture jpeg = encoded(1920, 1080, "JPEG", Qt::darkCyan);
    return {
        {"1", "10:00:00:00", "10:00:10:05", "14:03:22", "Wide shot", "", "09.12.2026", jpeg},
        {"2", "10:01:00:00", "", "14:04:00",
         "Caf\xC3\xA9 \xE2\x80\x93 Stra\xC3\x9F" "e, \"quoted\" <b>&amp;</b>",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "09.12.2026", {}},
        {"3", "10:05:59:20", "10:06:01:03", "14:10:31", "line one\nline two", "a,b;c\r\nnext",
         "09.12.2026", encoded(800, 600, "PNG", Qt::yellow)},
        {"12a", "23:59:59:00", "00:00:01:00", "23:59:58", "", "over midnight", "10.12.2026", jpeg},
        {"5", "", "", "00:10:00", "no start", "", "10.12.2026", {}},
        {"6", "11:00:00:27", "11:00:02:00", "00:20:00", "frames past 24", "", "10.12.2026", jpeg},
    };
}

std::string json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The log as a project file, and as the JSON the readers compare with.
void writeLog(const TempFolder& folder, const std::string& rateCode, const std::string& rate,
              const std::string& reel, const std::string& reel8) {
    LogList list;
    LogRecord header = newLogHeader();
    header[4] = rateCode;
    list.append(header);
    std::string records;
    for (const Take& t : takes()) {
        list.append({t.number, t.start, t.stop, std::string(), t.tod, t.comment1, t.comment2,
                     t.date, std::string(), t.picture});
        records += std::string(records.empty() ? "" : ",") + "{\"number\":" + json(t.number) +
                   ",\"start\":" + json(t.start) + ",\"stop\":" + json(t.stop) +
                   ",\"tod\":" + json(t.tod) + ",\"comment1\":" + json(t.comment1) +
                   ",\"comment2\":" + json(t.comment2) + ",\"date\":" + json(t.date) +
                   ",\"picture\":" + (t.picture.empty() ? "false" : "true") + "}";
    }
    ASSERT_EQ(platform::plist::PropertyListFileStore().writeArray(folder.file("day.vlg"), list),
              "");
    writeFile(folder.file("log.json"), "{\"rate\":" + json(rate) + ",\"reel\":" + json(reel) +
                                           ",\"reel8\":" + json(reel8) +
                                           ",\"stem\":\"day\",\"records\":[" + records + "]}");
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct RateCase {
    const char* name;
    std::string rateCode;  // in the log's header
    std::string fpsOption;
    std::string rate;  // as the files name it
};

class HandoverFiles : public testing::TestWithParam<RateCase> {};

TEST_P(HandoverFiles, ReadersFindEveryValueOfTheLog) {
    const RateCase& c = GetParam();
    TempFolder folder;
    const std::string reel = "Day 1 \xE2\x80\x93 Unit B";
    writeLog(folder, c.rateCode, c.rate, reel, "Day_1___");
    std::string check = GLIMMARK_PYTHON " " GLIMMARK_CHECKER " '" + folder.file("log.json") + "'";
    for (const char* format : {"edl", "csv", "ale", "pdf", "html"}) {
        const std::string out = folder.file(std::string("out.") + format);
        const std::string command = GLIMMARK_CLI " export --format " + std::string(format) + " '" +
                                    folder.file("day.vlg") + "' '" + out + "' --title 'Day 1'" +
                                    " --reel '" + reel + "'" + c.fpsOption + " 2>&1";
        ASSERT_EQ(run(command), 0) << command;
        check += std::string(" ") + format + " '" + out + "'";
    }
    EXPECT_EQ(run(check), 0) << check;
}

INSTANTIATE_TEST_SUITE_P(
    Rates, HandoverFiles,
    testing::Values(RateCase{"Fps24", "0", " --fps 24", "24"},
                    RateCase{"Fps25FromTheLog", "32", "", "25"},
                    RateCase{"DropFrameFromTheLog", "64", "", "29.97"},
                    RateCase{"Fps30OverTheLogsRate", "32", " --fps 30", "30"}),
    [](const testing::TestParamInfo<RateCase>& info) { return std::string(info.param.name); });

TEST(HandoverCli, RefusesWrongArgumentsAndKeepsTheOldFileWhenItCannotWrite) {
    TempFolder folder;
    writeLog(folder, "32", "25", "", "");
    const std::string vlg = " '" + folder.file("day.vlg") + "' ";
    EXPECT_EQ(run(GLIMMARK_CLI " export --format edl" + vlg + "x.edl --fps 23.976 2>/dev/null"), 2);
    EXPECT_EQ(run(GLIMMARK_CLI " export --format doc" + vlg + "x.doc 2>/dev/null"), 2);
    EXPECT_EQ(run(GLIMMARK_CLI " export" + vlg + "x.edl 2>/dev/null"), 2);
    EXPECT_EQ(run(GLIMMARK_CLI " export --format csv '" + folder.file("missing.vlg") + "' '" +
                  folder.file("x.csv") + "' 2>/dev/null"),
              1);
    // A target in a folder that is not there, and one the user made read-only.
    EXPECT_EQ(run(GLIMMARK_CLI " export --format csv" + vlg + "'" + folder.file("no/x.csv") +
                  "' 2>/dev/null"),
              1);
    writeFile(folder.file("kept.pdf"), "the old sheet");
    ::chmod(folder.file("kept.pdf").c_str(), 0444);
    EXPECT_EQ(run(GLIMMARK_CLI " export --format pdf" + vlg + "'" + folder.file("kept.pdf") +
                  "' 2>/dev/null"),
              1);
    EXPECT_EQ(fileText(folder.file("kept.pdf")), "the old sheet");
    // The reel comes from the title, which is the file's name, when none is given.
    ASSERT_EQ(run(GLIMMARK_CLI " export --format edl" + vlg + "'" + folder.file("t.edl") + "'"), 0);
    EXPECT_NE(fileText(folder.file("t.edl")).find("001  day      V     C        10:00:00:00"),
              std::string::npos);
}

}  // namespace
