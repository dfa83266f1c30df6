// Project files: what the writer puts on disk, and what the reader takes and refuses.

#include <gtest/gtest.h>

#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using platform::plist::PropertyListFileStore;
using namespace projectfiles;

const std::string kPrologue =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

std::string plistOf(const std::string& body) {
    return kPrologue + "<array>\n" + body + "</array>\n</plist>\n";
}

TEST(ProjectFile, TheSavedSmallLogEqualsItsGoldenFileByteForByte) {
    TempFolder folder;
    PropertyListFileStore store;
    const LogList log = goldenLog();
    ASSERT_EQ(store.writeArray(folder.file("small.vlg"), log), "");
    EXPECT_EQ(fileText(folder.file("small.vlg")),
              fileText(GLIMMARK_TEST_DATA "/golden/SmallLog.vlg"));
    EXPECT_EQ(folder.entries(), 1u) << "no temporary file is left beside it";

    const auto read = store.readArray(folder.file("small.vlg"));
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.entries, valuesOf(log));
}

struct RoundTrip {
    const char* name;
    std::vector<LogValue> written;
    std::vector<LogValue> readBack;  // empty: the written values themselves
};

class ProjectFileRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(ProjectFileRoundTrip, WrittenValuesReadBack) {
    TempFolder folder;
    PropertyListFileStore store;
    const RoundTrip& row = GetParam();
    ASSERT_EQ(store.writeValues(folder.file("log.vlg"), row.written), "");
    const auto read = store.readArray(folder.file("log.vlg"));
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.entries, row.readBack.empty() ? row.written : row.readBack);
}

std::vector<LogValue> picturesOfEverySize() {
    std::vector<LogValue> values;
    for (std::size_t size : {1, 2, 3, 4, 50, 51, 52, 102, 103, 70000}) {
        values.emplace_back(patternPicture(size, static_cast<unsigned>(size)));
    }
    return values;
}

// 24 MB of pictures with text between them: more than the decoding thread is given at once.
std::vector<LogValue> largePictures() {
    std::vector<LogValue> values;
    for (unsigned i = 0; i < 24; ++i) {
        values.emplace_back(patternPicture((1 << 20) + i, i));
        values.emplace_back(std::to_string(i));
    }
    return values;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProjectFileRoundTrip,
    testing::Values(RoundTrip{"PicturesOfEveryLengthModuloThreeAndLine", picturesOfEverySize(), {}},
                    RoundTrip{"CarriageReturnSurvivesTheParsersLineEnds",
                              {std::string("a\r\nb\rc"), std::string("  lead and trail  ")},
                              {}},
                    RoundTrip{"TextXmlCannotCarryIsMendedNotWrittenBroken",
                              {std::string("bell\x07"
                                           "esc\x1B"
                                           "end"),
                               std::string("bad \xFF\xC3 utf8"),
                               std::string("overlong \xC0\xAF, surrogate \xED\xA0\x80")},
                              {std::string("bellescend"),
                               std::string("bad \xEF\xBF\xBD\xEF\xBF\xBD utf8"),
                               std::string("overlong \xEF\xBF\xBD\xEF\xBF\xBD, surrogate "
                                           "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")}},
                    RoundTrip{"MorePicturesThanTheDecoderQueues", largePictures(), {}},
                    RoundTrip{"AnEmptyArray", {}, {}},
                    RoundTrip{"ALongComment", {std::string(3 << 20, 'x') + "&"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct Reading {
    const char* name;
    std::string file;
    std::vector<LogValue> entries;
    std::string error;  // part of the reason; empty when the file reads
};

class ProjectFileReading : public testing::TestWithParam<Reading> {};

TEST_P(ProjectFileReading, TakesWhatOtherWritersWriteAndRefusesTheRest) {
    TempFolder folder;
    const Reading& row = GetParam();
    const std::string path = folder.file("in.vlg");
    writeFile(path, row.file);
    const auto read = PropertyListFileStore().readArray(path);
    EXPECT_EQ(read.entries, row.entries);
    if (row.error.empty()) {
        EXPECT_EQ(read.error, "");
    } else {
        EXPECT_NE(read.error.find(path), std::string::npos) << read.error;
        EXPECT_NE(read.error.find(row.error), std::string::npos) << read.error;
    }
}

std::string nested(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) open += "<array>", close += "</array>";
    return open + close;
}

const std::string kLaughs =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n <!ENTITY a \"aaaaaaaaaa\">\n"
    " <!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n <!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;\">\n"
    "]>\n<plist><array><string>&c;&c;&c;&c;</string></array></plist>\n";
const std::string kExternal =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [ <!ENTITY x SYSTEM \"file:///etc/passwd\"> ]>\n"
    "<plist><array><string>&x;</string></array></plist>\n";

// plistlib's binary form of ["a", b"\x01\x02", 64, -3, 2.5, True, "é"] and of
// ["Glimmark", ["x"]].
const char kBinaryValues[] =
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xA7\x01\x02\x03\x04\x05\x06\x07\x51\x61\x42\x01\x02"
    "\x10\x40\x13\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFD\x23\x40\x04\x00\x00\x00\x00\x00\x00\x09"
    "\x61\x00\xE9\x08\x10\x12\x15\x17\x20\x29\x2A\x00\x00\x00\x00\x00\x00\x01\x01\x00"
    "\x00\x00\x00\x00\x00\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x2D";
// ["é\\0b", "c"], the first in UTF-16: libplist asserted on its NUL (a fuzzer's find).
const char kBinaryNul[] =
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xA2\x01\x02\x63\x00\xE9\x00\x00\x00\x62\x51\x63"
    "\x08\x0B\x12\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x14";
const char kBinaryNested[] =
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xA2\x01\x02\x58\x47\x6C\x69\x6D\x6D\x61\x72\x6B"
    "\xA1\x03\x51\x78\x08\x0B\x14\x16\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00"
    "\x00\x00\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x18";

INSTANTIATE_TEST_SUITE_P(
    Files, ProjectFileReading,
    testing::Values(
        Reading{"EmptyDataBothWays",
                plistOf("\t<data/>\n\t<data></data>\n\t<data>\n\t</data>\n"),
                {Picture{}, Picture{}, Picture{}},
                ""},
        Reading{"Base64FoldedWithAnyWhiteSpace",
                plistOf("<data>\n  AAEC\r\n\tAwQF Bg\n==\n</data>"),
                {Picture{0, 1, 2, 3, 4, 5, 6}},
                ""},
        Reading{"EntitiesReferencesAndCdata",
                plistOf("<string>&lt;&amp;&gt;&quot;&apos;&#65;&#x263A;</string>"
                        "<string><![CDATA[<raw> & ]]]]><![CDATA[>]]></string>"),
                {std::string("<&>\"'A\xE2\x98\xBA"), std::string("<raw> & ]]>")},
                ""},
        Reading{"NoDoctypeNoPlistWrapperNoIndent",
                "<array><string>a</string><string/></array>",
                {std::string("a"), std::string()},
                ""},
        Reading{"NumbersAndBooleansAsTheirText",
                plistOf("<integer>64</integer><real>2.5</real><true/><false/>"
                        "<date>2026-12-05T10:00:00Z</date>"),
                {std::string("64"), std::string("2.5"), std::string("true"), std::string("false"),
                 std::string("2026-12-05T10:00:00Z")},
                ""},
        Reading{"NestedContainersHoldTheirPlace",
                plistOf("<dict><key>k</key><string>v</string></dict><array><data>AA==</data>"
                        "</array><string>after</string>"),
                {std::string(), std::string(), std::string("after")},
                ""},
        Reading{"Latin1Declared",
                "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><array><string>\xE4</string>"
                "</array>",
                {std::string("\xC3\xA4")},
                ""},
        Reading{"EmptyFile", "", {}, "not a valid XML file"},
        Reading{
            "CutShort", plistOf("<string>a</string>").substr(0, 180), {}, "not a valid XML file"},
        Reading{"RootIsADictionary", kPrologue + "<dict/></plist>", {}, "root is not an array"},
        Reading{"RootIsAString",
                "<plist><string>Glimmark</string></plist>",
                {},
                "root is not an array"},
        Reading{"UnknownElement", plistOf("<blob/>"), {}, "unknown element <blob>"},
        Reading{"ElementInsideAString",
                plistOf("<string>a<b/></string>"),
                {},
                "a value holds an element"},
        Reading{"EntityExpansionBomb", kLaughs, {}, "declares XML entities"},
        Reading{"ExternalEntity", kExternal, {}, "declares XML entities"},
        Reading{"UndefinedEntity", plistOf("<string>&nbsp;</string>"), {}, "undefined entity"},
        Reading{"NestedTooDeeply", plistOf(nested(200)), {}, "nested too deeply"},
        Reading{"RandomBytes",
                std::string("\x89PNG\r\n\x1A\n\0\0\xFF", 11),
                {},
                "not a valid XML file"},
        Reading{"BinaryValuesAsInXml",
                std::string(kBinaryValues, sizeof kBinaryValues - 1),
                {std::string("a"), Picture{1, 2}, std::string("64"), std::string("-3"),
                 std::string("2.5"), std::string("true"), std::string("\xC3\xA9")},
                ""},
        Reading{"BinaryStringHoldingANul",
                std::string(kBinaryNul, sizeof kBinaryNul - 1),
                {std::string("\xC3\xA9\0b", 4), std::string("c")},
                ""},
        Reading{"BinaryWithANestedArray",
                std::string(kBinaryNested, sizeof kBinaryNested - 1),
                {},
                "holds containers"},
        Reading{"BinaryMagicThenJunk",
                std::string("bplist00") + std::string(40, '\xFF'),
                {},
                "not a valid binary property list"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProjectFile, MissingFilesAndFoldersAreReasonsNotCrashes) {
    TempFolder folder;
    PropertyListFileStore store;
    for (const std::string& path : {folder.file("missing.vlg"), folder.path()}) {
        const auto read = store.readArray(path);
        EXPECT_TRUE(read.entries.empty());
        EXPECT_NE(read.error.find(path), std::string::npos) << read.error;
    }
    EXPECT_NE(store.writeArray(folder.file("no/such/folder.vlg"), goldenLog())
                  .find("No such file or directory"),
              std::string::npos);
}

}  // namespace
