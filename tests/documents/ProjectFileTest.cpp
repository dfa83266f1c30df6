// Python's plistlib is the reference reader and writer of the format here.

#include "documents/ProjectFiles.h"
#include "platform/fake/FakePlatform.h"
#include "platform/files/AtomicFile.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using platform::plist::PropertyListFileStore;
using namespace projectfiles;
using namespace std::string_literals;

class PlistlibInterop : public testing::TestWithParam<const char*> {};

// plistlib reads our file and writes it again: as XML, byte for byte ours.
TEST_P(PlistlibInterop, OurFileAndPlistlibsCopyOfItHoldTheSameLog) {
    TempFolder folder;
    PropertyListFileStore store;
    const std::string ours = folder.file("ours.vlg"), theirs = folder.file("theirs.vlg");
    ASSERT_EQ(store.writeArray(ours, goldenLog()), "");
    EXPECT_EQ(folder.entries(), 1u) << "no temporary file is left beside it";
    const std::string command =
        GLIMMARK_PYTHON " -c 'import plistlib as p, sys; a = sys.argv; v = p.load(open(a[1], "
        "\"rb\")); assert type(v) is list; p.dump(v, open(a[2], \"wb\"), fmt=getattr(p, "
        "\"FMT_\" + a[3].upper()))' '" + ours + "' '" + theirs + "' " + GetParam();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(store.readArray(theirs).entries == valuesOf(goldenLog())) << "after plistlib";
    EXPECT_EQ(fileText(ours) == fileText(theirs), std::string(GetParam()) == "xml");
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

// The link's target found from the link's own folder.
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
    EXPECT_EQ(folder.entries(), 1u);
}

struct Fault {
    const char* name;
    mode_t folderMode, fileMode;  // 0: as they are
    rlim_t fileSizeLimit;         // 0: none
    const char* reason;           // part of the reason told; "" when the save is killed
};

class SaveFault : public testing::TestWithParam<Fault> {};

TEST_P(SaveFault, TheOldFileStaysWholeAndTheReasonNamesIt) {
    const Fault& fault = GetParam();
    TempFolder folder;
    const std::string target = folder.file("day.vlg");
    ASSERT_EQ(PropertyListFileStore().writeArray(target, goldenLog()), "");
    const std::string before = fileText(target);
    LogList bigger = goldenLog();
    for (int i = 0; i < 40; ++i)
        bigger.append(record(std::to_string(i + 3), "", "", patternPicture(100 * 1024, i)));

    const ChildRun run = inChild([&] {
        if (fault.folderMode != 0)
            ::chmod(folder.path().c_str(), fault.folderMode);
        if (fault.fileMode != 0)
            ::chmod(target.c_str(), fault.fileMode);
        if ((fault.folderMode | fault.fileMode) != 0 && ::geteuid() == 0) {
            [[maybe_unused]] int dropped = ::setgid(65534) + ::setuid(65534);
        }
        if (fault.fileSizeLimit != 0) {  // as a full disk, write() fails part-way through
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fault.fileSizeLimit, fault.fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        return PropertyListFileStore().writeArray(target, bigger, [&](double done) {
            if (done >= 0.5 && *fault.reason == '\0')
                ::kill(::getpid(), SIGKILL);
        });
    });
    EXPECT_TRUE(fileText(target) == before) << "the old file changed";
    EXPECT_EQ(WIFSIGNALED(run.status), *fault.reason == '\0');
    EXPECT_TRUE(has(run.told, fault.reason) && (*fault.reason == '\0' || has(run.told, target)))
        << run.told;
    if (*fault.reason == '\0') {
        // What a kill leaves behind is cleared by the next save, however new; what a save
        // still under way writes is not.
        EXPECT_EQ(folder.entries(), 2u) << "the killed save's";
        platform::AtomicFile underWay(folder.file("other.vlg"));
        ASSERT_TRUE(underWay.open());
        EXPECT_EQ(PropertyListFileStore().writeArray(target, goldenLog()), "");
        EXPECT_TRUE(std::filesystem::exists(underWay.temporaryPath()));
        EXPECT_EQ(folder.entries(), 2u) << "the one under way beside the file";
    } else {
        EXPECT_EQ(folder.entries(), 1u) << "no temporary file is left beside it";
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, SaveFault,
                         testing::Values(Fault{"ReadOnlyFolder", 0555, 0, 0, "Permission denied"},
                                         Fault{"ReadOnlyFile", 0777, 0444, 0, "Permission denied"},
                                         Fault{"FileSizeLimit", 0, 0, 256 * 1024, "File too large"},
                                         Fault{"KilledHalfWay", 0, 0, 0, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
