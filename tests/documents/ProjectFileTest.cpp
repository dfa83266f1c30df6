// Project files: the bytes the writer puts on disk, what Python's plistlib (the reference
// reader and writer of the format here) makes of them and back, and what the reader takes.

#include <gtest/gtest.h>

#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using platform::plist::PropertyListFileStore;
using namespace projectfiles;

// plistlib reads our file and writes it again, as XML (byte for byte the golden file, as we
// write it) or binary; we read back the values we wrote.
class PlistlibInterop : public testing::TestWithParam<const char*> {};

TEST_P(PlistlibInterop, OurGoldenFileAndPlistlibsCopyOfItHoldTheSameLog) {
    TempFolder folder;
    PropertyListFileStore store;
    const std::string ours = folder.file("ours.vlg"), theirs = folder.file("theirs.vlg");
    ASSERT_EQ(store.writeArray(ours, goldenLog()), "");
    EXPECT_EQ(fileText(ours), fileText(GLIMMARK_TEST_DATA "/golden/SmallLog.vlg"));
    EXPECT_EQ(folder.entries(), 1u) << "no temporary file is left beside it";

    const std::string command = std::string(GLIMMARK_PYTHON) +
                                " " GLIMMARK_TEST_DATA "/plistlib_echo.py '" + ours + "' '" +
                                theirs + "' " + GetParam();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto read = store.readArray(theirs);
    EXPECT_EQ(read.error, "");
    EXPECT_TRUE(read.entries == valuesOf(goldenLog())) << "values differ after plistlib";
    EXPECT_EQ(fileText(ours) == fileText(theirs), std::string(GetParam()) == "xml");
}

INSTANTIATE_TEST_SUITE_P(Forms, PlistlibInterop, testing::Values("xml", "binary"),
                         [](const auto& info) { return std::string(info.param); });

struct Taken {
    const char* name;
    std::string file;  // the file's bytes; empty: `written`, as our writer writes it
    std::vector<LogValue> written;
    std::vector<LogValue> read;  // empty: `written`
};

class ProjectFileReading : public testing::TestWithParam<Taken> {};

TEST_P(ProjectFileReading, TakesWhatWritersWrite) {
    TempFolder folder;
    const Taken& row = GetParam();
    const std::string path = folder.file("in.vlg");
    PropertyListFileStore store;
    if (row.file.empty())
        ASSERT_EQ(store.writeValues(path, row.written), "");
    else
        writeFile(path, row.file);
    const auto read = store.readArray(path);
    EXPECT_EQ(read.error, "");
    EXPECT_TRUE(read.entries == (row.read.empty() ? row.written : row.read));
}

std::vector<LogValue> picturesOfEverySize() {
    std::vector<LogValue> values;
    for (std::size_t size : {1, 2, 3, 4, 50, 51, 52, 102, 103, 70000})
        values.emplace_back(patternPicture(size, static_cast<unsigned>(size)));
    // 24 MB of pictures with text between them: more than the decoding thread takes at once.
    for (unsigned i = 0; i < 24; ++i) {
        values.emplace_back(patternPicture((1 << 20) + i, i));
        values.emplace_back(std::string(i == 7 ? 3 << 20 : 1, 'x') + "&");
    }
    return values;
}

std::string plistOf(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array>\n" + body +
           "</array>\n</plist>\n";
}

// plistlib's binary form of ["a", b"\x01\x02", 64, -3, 2.5, True, "é"].
const char kBinaryValues[] =
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xA7\x01\x02\x03\x04\x05\x06\x07\x51\x61\x42\x01\x02"
    "\x10\x40\x13\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFD\x23\x40\x04\x00\x00\x00\x00\x00\x00\x09"
    "\x61\x00\xE9\x08\x10\x12\x15\x17\x20\x29\x2A\x00\x00\x00\x00\x00\x00\x01\x01\x00"
    "\x00\x00\x00\x00\x00\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x2D";
// ["é\\0b", "c"], the first in UTF-16: a NUL inside a string (a fuzzer's find).
const char kBinaryNul[] =
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xA2\x01\x02\x63\x00\xE9\x00\x00\x00\x62\x51\x63"
    "\x08\x0B\x12\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x14";

INSTANTIATE_TEST_SUITE_P(
    Files, ProjectFileReading,
    testing::Values(
        Taken{"PicturesOfEveryLengthAndLargeOnes", "", picturesOfEverySize(), {}},
        Taken{"CarriageReturnsAndSpacesSurvive",
              "",
              {std::string("a\r\nb\rc"), std::string(" ")},
              {}},
        Taken{"TextXmlCannotCarryIsMendedNotWrittenBroken",
              "",
              {std::string("bell\x07"
                           "end"),
               std::string("bad \xFF\xC3 utf8, surrogate \xED\xA0\x80")},
              {std::string("bellend"), std::string("bad \xEF\xBF\xBD\xEF\xBF\xBD utf8, surrogate "
                                                   "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")}},
        Taken{"EmptyDataBase64FoldedAnyWayEntitiesAndCdata",
              plistOf("<data/><data>\n\t</data><data>\n  AAEC\r\n\tAwQF Bg\n==\n</data>"
                      "<string>&lt;&amp;&gt;&quot;&apos;&#65;&#x263A;</string>"
                      "<string><![CDATA[<raw> & ]]]]><![CDATA[>]]></string>"),
              {},
              {Picture{}, Picture{}, Picture{0, 1, 2, 3, 4, 5, 6},
               std::string("<&>\"'A\xE2\x98\xBA"), std::string("<raw> & ]]>")}},
        Taken{"NumbersAndNestedContainersAsTextAndPlaceholders",
              "<array><integer>64</integer><real>2.5</real><true/><date>2026-12-05T10:00:00Z"
              "</date><dict><key>k</key><string>v</string></dict><string/></array>",
              {},
              {std::string("64"), std::string("2.5"), std::string("true"),
               std::string("2026-12-05T10:00:00Z"), std::string(), std::string()}},
        Taken{"Latin1Declared",
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><array><string>\xE4</string></array>",
              {},
              {std::string("\xC3\xA4")}},
        Taken{"BinaryValuesAsInXml",
              std::string(kBinaryValues, sizeof kBinaryValues - 1),
              {},
              {std::string("a"), Picture{1, 2}, std::string("64"), std::string("-3"),
               std::string("2.5"), std::string("true"), std::string("\xC3\xA9")}},
        Taken{"BinaryStringHoldingANul",
              std::string(kBinaryNul, sizeof kBinaryNul - 1),
              {},
              {std::string("\xC3\xA9\0b", 4), std::string("c")}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
