// Readers of their own (Python's csv and html.parser, an EDL and an ALE reader, poppler's
// pdftotext and pdfimages) compare every value of the files glimmark-cli writes with the log.

#include <QBuffer>
#include <QImage>

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

// Stops missing, earlier than the start (past midnight), a start that is no timecode, frames
// beyond 24 fps, a drop-frame label, a picture stored as PNG, text for quoting and escaping.
// The readers take the log from the project file itself, as plistlib reads it.
void writeLog(const TempFolder& folder, const std::string& rateCode) {
    const Picture jpeg = encoded(1920, 1080, "JPEG", Qt::darkCyan);
    const std::string none;
    LogRecord header = newLogHeader();
    header[4] = rateCode;
    LogList list;
    for (LogRecord r : std::initializer_list<LogRecord>{
             header,
             {"1", "10:00:00:00", "10:00:10:05", none, "14:03:22", "Wide shot", none, "09.12.2026",
              none, jpeg},
             {"2", "10:01:00:00", none, none, "14:04:00",
              "Caf\xC3\xA9 \xE2\x80\x93 Stra\xC3\x9F" "e, \"quoted\" <b>&amp;</b>",
              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "09.12.2026", none, Picture()},
             {"3", "10:05:59:20", "10:06:01:03", none, "14:10:31", "line one\nline two",
              "a,b;c\r\nnext\rlast", "09.12.2026", none, encoded(800, 600, "PNG", Qt::yellow)},
             {"12a", "23:59:59:00", "00:00:01:00", none, "23:59:58", none, "over midnight",
              "10.12.2026", none, jpeg},
             {"5", none, none, none, "00:10:00", "no start", none, "10.12.2026", none, Picture()},
             {"6", "11:00:00:27", "11:00:02:00", none, "00:20:00", "frames past 24", none,
              "10.12.2026", none, jpeg}})
        list.append(std::move(r));
    ASSERT_EQ(platform::plist::PropertyListFileStore().writeArray(folder.file("day.vlg"), list),
              "");
}

struct RateCase {
    const char *name, *rateCode /* in the log's header */, *fpsOption, *rate /* as named */;
};

class HandoverFiles : public testing::TestWithParam<RateCase> {};

TEST_P(HandoverFiles, ReadersFindEveryValueOfTheLog) {
    const RateCase& c = GetParam();
    TempFolder folder;
    const std::string reel = "Day 1 \xE2\x80\x93 Unit B";
    writeLog(folder, c.rateCode);
    std::string check = GLIMMARK_PYTHON " " GLIMMARK_CHECKER " '" + folder.file("day.vlg") + "' " +
                        std::string(c.rate) + " '" + reel + "' Day_1___";
    for (const char* format : {"edl", "csv", "ale", "pdf", "html"}) {
        const std::string out = folder.file(std::string("out.") + format);
        const std::string command = GLIMMARK_CLI " export --format " + std::string(format) + " '" +
                                    folder.file("day.vlg") + "' '" + out + "' --title 'Day 1'" +
                                    " --reel '" + reel + "'" + std::string(c.fpsOption) + " 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        check += std::string(" ") + format + " '" + out + "'";
    }
    EXPECT_EQ(std::system(check.c_str()), 0) << check;
}

INSTANTIATE_TEST_SUITE_P(
    Rates, HandoverFiles,
    testing::Values(RateCase{"Fps24", "0", " --fps 24", "24"},
                    RateCase{"Fps25FromTheLog", "32", "", "25"},
                    RateCase{"DropFrameFromTheLog", "64", "", "29.97"},
                    RateCase{"Fps30OverTheLogsRate", "32", " --fps 30", "30"}),
    [](const testing::TestParamInfo<RateCase>& info) { return std::string(info.param.name); });

}  // namespace
