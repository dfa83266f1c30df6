// Python's plistlib is the reference reader and writer of the format here.

#include "documents/ProjectFiles.h"
#include "platform/files/AtomicFile.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using platform::plist::PropertyListFileStore;
using namespace projectfiles;
using namespace std::string_literals;

class PlistlibInterop : public testing::TestWithParam<const char*> {};

// plistlib reads our file and writes it again in either form, and we read its copy as the log.
TEST_P(PlistlibInterop, OurFileAndPlistlibsCopyOfItHoldTheSameLog) {
    TempFolder folder;
    PropertyListFileStore store;
    const std::string ours = folder.file("ours.vlg"), theirs = folder.file("theirs.vlg");
    ASSERT_EQ(store.writeArray(ours, goldenLog()), "");
    const std::string command =
        GLIMMARK_PYTHON " -c 'import plistlib as p, sys; a = sys.argv; v = p.load(open(a[1], "
        "\"rb\")); assert type(v) is list; p.dump(v, open(a[2], \"wb\"), fmt=getattr(p, "
        "\"FMT_\" + a[3].upper()))' '" + ours + "' '" + theirs + "' " + GetParam();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(store.readArray(theirs).entries == valuesOf(goldenLog())) << "after plistlib";
}

INSTANTIATE_TEST_SUITE_P(Forms, PlistlibInterop, testing::Values("xml", "binary"),
                         [](const auto& info) { return std::string(info.param); });

struct Taken {
    const char* name;
    std::string file;            // the file's bytes; empty: `written`, as our writer writes it
    std::vector<LogValue> read;  // empty: `written`
    std::vector<LogValue> written = {};
};

std::vector<LogValue> picturesOfEverySize() {
    std::vector<LogValue> values;
    for (std::size_t size : {1, 2, 3, 4, 50, 51, 52, 102, 103, 70000})
        values.emplace_back(patternPicture(size, static_cast<unsigned>(size)));
    // 24 MB of pictures with text between them: more than the decoding thread takes at once.
    for (unsigned i = 0; i < 24; ++i) {
        values.emplace_back(patternPicture((1 << 20) + i, i));
        values.emplace_back(std::string(i == 7 ? 3 << 20 : 1, 'x') + "&");
    }
    values.insert(values.end(), {std::string("a\r\nb\rc"), std::string(" ")});
    return values;
}

// ["é\\0b", "c"], the first in UTF-16: a NUL inside a string (a fuzzer's find).
const std::string kBinaryNul =
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xA2\x01\x02\x63\x00\xE9\x00\x00\x00\x62\x51\x63"
    "\x08\x0B\x12\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x14"s;

// plistlib's binary [-5, True, False, "c"].
const std::string kBinaryOthers =
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xA4\x01\x02\x03\x04\x13\xFF\xFF\xFF\xFF\xFF\xFF"
    "\xFF\xFB\x09\x08\x51\x63\x08\x0D\x16\x17\x18\x00\x00\x00\x00\x00\x00\x01\x01\x00"
    "\x00\x00\x00\x00\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x1A"s;

// plistlib's binary ["a\0b", "c"], an ASCII string that libplist alone would cut at its NUL.
const std::string kBinaryAsciiNul =
    "\x62\x70\x6C\x69\x73\x74\x30\x30\xA2\x01\x02\x53\x61\x00\x62\x51\x63\x08\x0B\x0F"
    "\x00\x00\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x11"s;

TEST(ProjectFile, ReadsBackWhatWritersWrite) {
    PropertyListFileStore store;
    // Values a project file never holds, from either form: read as the text of each.
    const std::vector<LogValue> others = {"-5"s, "true"s, "false"s, "c"s};
    for (const Taken& row :
         {Taken{"PicturesOfEveryLengthAndLargeOnes", "", {}, picturesOfEverySize()},
          Taken{"TextXmlCannotCarryIsMendedNotWrittenBroken",
                "",
                {std::string("bellend"),
                 std::string("bad \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD, "
                             "surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"),
                 std::string("good at the edges: \xDF\xBF\xE0\xA0\x80"),
                 std::string("not characters: \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD "
                             "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")},
                {std::string("bell\aend"),
                 std::string("bad \xFF\xC3\xC0\xAF, surrogate \xED\xA0\x80"),
                 std::string("good at the edges: \xDF\xBF\xE0\xA0\x80"),
                 std::string("not characters: \xEF\xBF\xBE \xEF\xBF\xBF")}},
          Taken{"BinaryStringHoldingANul", kBinaryNul, {"\xC3\xA9\0b"s, "c"s}},
          Taken{"BinaryAsciiStringHoldingANul", kBinaryAsciiNul, {"a\0b"s, "c"s}},
          Taken{"OtherValuesAsText", kBinaryOthers, others},
          Taken{"XmlOtherValuesAsText",
                "<plist><array><integer>-5</integer><true/><false/><string>c</string></array>"
                "</plist>",
                others},
          Taken{"Base64SpreadOverLinesAndPadded",
                "<plist><array><data>\n\tQU\r\n JD\nRA==\n</data><data>QQ==</data></array></plist>",
                {Picture{'A', 'B', 'C', 'D'}, Picture{'A'}}},
          // As plistlib reads them: stray characters passed over, the padding ends the value.
          Taken{"Base64AsPlistlibReadsIt",
                "<plist><array><data>QU!JDRA==</data><data>QUJDRA==QUJD</data>"
                "<data>=QUJDR===A=Q=x</data><data>QU=JDQU=JD</data></array></plist>",
                {Picture{'A', 'B', 'C', 'D'}, Picture{'A', 'B', 'C', 'D'},
                 Picture{'A', 'B', 'C', 'D', 4}, Picture{'A', 'B', 'C', 'A', 'B', 'C'}}}}) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        const std::string path = folder.file("in.vlg");
        if (row.file.empty())
            ASSERT_EQ(store.writeValues(path, row.written), "");
        else
            writeFile(path, row.file);
        EXPECT_TRUE(store.readArray(path).entries == (row.read.empty() ? row.written : row.read));
    }
}

// A save through a link replaces the file it leads to, found from the link's own folder, and
// keeps its permissions.
TEST(AtomicFile, WritesThroughARelativeLinkAndKeepsTheMode) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("a"));
    writeFile(folder.file("a/y.vlg"), "old");
    ::chmod(folder.file("a/y.vlg").c_str(), 0604);
    std::filesystem::create_symlink("y.vlg", folder.file("a/x.vlg"));
    const ChildRun run = inChild([&] {  // from another folder than the link's
        return ::chdir(folder.path().c_str()) == 0
                   ? platform::writeFileAtomically(folder.file("a/x.vlg"), "new")
                   : std::string("no folder");
    });
    EXPECT_EQ(run.told, "");
    EXPECT_TRUE(fileText(folder.file("a/y.vlg")) == "new" &&
                std::filesystem::is_symlink(folder.file("a/x.vlg")));
    EXPECT_EQ(std::filesystem::status(folder.file("a/y.vlg")).permissions(),
              std::filesystem::perms(0604));
}

}  // namespace
