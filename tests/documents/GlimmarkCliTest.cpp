#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using namespace projectfiles;

struct CliRun {
    const char* name;
    std::string input, args;  // in.vlg's bytes; a shell command line, $G the program
    int status;
    const char* err;       // what standard error holds, one line when the status is 1 (a regex)
    std::string out = {};  // the whole standard output
};

class GlimmarkCli : public testing::TestWithParam<CliRun> {};

TEST_P(GlimmarkCli, ExitsWithItsStatusAndWritesWholeFilesOrNone) {
    const CliRun& row = GetParam();
    TempFolder folder;
    writeFile(folder.file("in.vlg"), row.input);
    const std::string command =
        "cd '" + folder.path() + "' && G=" GLIMMARK_CLI " && { " + row.args + "; } > stdout 2> err";
    const int status = std::system(command.c_str());
    const std::string err = fileText(folder.file("err"));
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, row.status) << err;
    EXPECT_EQ(fileText(folder.file("stdout")), row.out);
    EXPECT_TRUE(std::regex_search(err, std::regex(row.err)) && (*row.err != '\0' || err.empty()) &&
                (row.status != 1 || std::count(err.begin(), err.end(), '\n') == 1)) << err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.vlg"))) << "a partial output file";
}

const std::string kGolden = [] {
    TempFolder folder;
    platform::plist::PropertyListFileStore().writeArray(folder.file("g.vlg"), goldenLog());
    return fileText(folder.file("g.vlg"));
}();
const std::string kSecond =
    "10:00:00:00\t10:00:05:12\t\t09:15:00\ttab here second\\line\t\t05.12.2026";
// As info writes it, the backslash escaped.
const std::string kSecondInfo = kSecond.substr(0, kSecond.find('\\')) + '\\' +
                                kSecond.substr(kSecond.find('\\'));
const std::string kRecords =
    "1\t10:00:00:00\t10:00:05:12\t\t09:15:00\tTom & Jerry <take 2> \"best\" 'ok' ]]> end\t"
    "Gr\xC3\xBC\xC3\x9F"
    "e, \xE6\x97\xA5\xE6\x9C\xAC, \xF0\x9F\x8E\xAC\t05.12.2026\t";
std::string project(std::initializer_list<std::pair<const char*, const char*>> records) {
    std::string text = "<array><string>Glimmark</string>";
    for (int i = 0; i < 9; ++i) text += "<string/>";
    for (auto [number, picture] : records) {
        text += "<string>" + std::string(number) + "</string>";
        for (int i = 0; i < 8; ++i) text += "<string/>";
        text += "<data>" + std::string(picture) + "</data>";
    }
    return text + "</array>";
}
const std::string kSmall = project({{"1", ""}});
const std::string kNine = project({}).replace(32, 9, "");
const std::string kPictures =
    project({{"1", "/9j/4AECAwQFBgcI"}, {"2", ""}, {"../3", "/9j/2wkIBwYFBAMC"}});
const std::string kFull = "(ulimit -f 1; $G ";  // past 1 KB files fail to grow, as on a full disk

std::string repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

std::vector<CliRun> runs() {
    const std::string info = "$G info in.vlg";
    std::string laughs = "<!DOCTYPE plist [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" +
                  repeated("&l" + std::to_string(i - 1) + ";", 10) + "\">";
    return {
        CliRun{"InfoEscapesTabsLineFeedsAndBackslashes", kGolden, "$G info in.vlg", 0, "",
               kRecords + "0\n2\t10:00:00:00\t10:00:05:12\t\t09:15:00\ttab\\there\\nsecond\\\\"
                          "line\t\t05.12.2026\t60\n"},
        CliRun{"ProjectToProjectIsTheIdentity", kGolden,
               "$G convert in.vlg c.vlg && cmp in.vlg c.vlg", 0, ""},
        // Out as Export Log writes it, back as Import Log reads it: tabs and line feeds blanked.
        CliRun{
            "ExchangeFileThereAndBack", kGolden,
            "$G convert in.vlg x.log && cat x.log && $G convert x.log b.vlg && $G info b.vlg", 0,
            "",
            "Heading\nFIELD_DELIM TABS\nVIDEO_FORMAT PAL\nTAPE 001\nFPS \n\nColumn\nName\tTracks\t"
            "Start\tEnd\tDuration\ttod\tCOMMENT1\tComment2\tPicturepath\t\n\nData\t\n"
            "Glimmark\tV\tVersion: 1.0\tOstraven\t\t1\t\t\t\t\n1\tV\t" +
                kRecords.substr(2) + "\n2\tV\t" + kSecond + "\t\n" + kRecords + "0\n2\t" +
                kSecondInfo + "\t0\n"},
        // What a killed export of an earlier release left goes; the user's files of the same
        // length stay; a picture there already is replaced.
        CliRun{"PicturesNamedByPositionAndNumberInsideTheFolder", kPictures,
               "mkdir -p .glimmark-Ab12Cd/x keep_this_folder && touch keep_this_file.x "
               "s_1_1.jpg && $G export-pictures in.vlg . --stem s && "
               "ls -A | grep -e s_ -e glimmark -e keep && base64 s_3_.._3.jpg",
               0, "",
               "2 pictures written to .\nkeep_this_file.x\nkeep_this_folder\ns_1_1.jpg\n"
               "s_3_.._3.jpg\n/9j/2wkIBwYFBAMC\n"},
        CliRun{"AFolderThatIsNotThere", kPictures,
               "$G export-pictures in.vlg new && ls new && $G export-pictures in.vlg no/new", 1,
               "^Cannot make the folder no/new: No such file or directory\n$",
               "2 pictures written to new\nin_1_1.jpg\nin_3_.._3.jpg\n"},
        // The image library's own complaints stay off standard error: one line tells.
        CliRun{"ADamagedPicture", project({{"1", "SUkqAAgAAAD/////////////////////////////////"}}),
               "$G export-pictures in.vlg .", 1,
               "^Cannot export the pictures of in.vlg: 0 written, 1 failed, the first "
               "./in_1_1.jpg: .*\n$"},
        CliRun{"HelpAndVersion", "",
               "$G --help | grep -oE '^  [a-z][a-z-]* ' && $G export --help > h && sed -n 2p h | "
               "cut -c1-24 && $G --version",
               0, "",
               "  info \n  convert \n  export-pictures \n  export \n  export --format FORMAT\n"
               "glimmark-cli " GLIMMARK_VERSION "\n"},
        CliRun{"ExchangeFileCutShort", project({{std::string(3000, '7').c_str(), ""}}),
               "echo old > x.log; " + kFull + "convert in.vlg x.log); cat x.log", 0,
               "Cannot save x.log: File too large", "old\n"},
        CliRun{"PictureCutShort", project({{"1", ("/9j/" + std::string(4000, 'A')).c_str()}}),
               "echo old > in_1_1.jpg; " + kFull + "export-pictures in.vlg .); cat in_1_1.jpg", 0,
               "in_1_1.jpg: File too large", "old\n"},
        CliRun{"Missing", "", "$G info no.vlg", 1, "no.vlg: No such file or directory"},
        CliRun{"Truncated", "<plist><array><string>Glimmark</str", "$G convert in.vlg out.vlg", 1,
               "in.vlg: not a valid XML file"},
        CliRun{"BinaryJunk", "bplist00\x01\x02\x03", "$G info in.vlg", 1,
               "in.vlg: not a valid binary property list"},
        CliRun{"NotGlimmark", "<array><string>glimmark</string></array>", "$G info in.vlg", 1,
               "in.vlg: not a Glimmark project file"},
        CliRun{"NineEntriesOnly", kNine, "$G info in.vlg", 1,
               "in.vlg: not a Glimmark project file"},
        CliRun{"UnwritableOutput", kSmall, "$G convert in.vlg no/such/out.vlg", 1,
               "no/such/out.vlg: No such file or directory"},
        // Refused by its mode bits even for root, and left as it was; a link is written through.
        CliRun{
            "ReadOnlyTargetKept", kPictures,
            "echo old > x.log; chmod 444 x.log; $G convert in.vlg x.log; s=$?; cat x.log; exit $s",
            1, "x.log: Permission denied", "old\n"},
        CliRun{"LinkedTargetsWrittenThrough", kPictures,
               "echo old > r.log; ln -s r.log x.log; ln -s s_1_1.jpg p.jpg; $G convert in.vlg "
               "x.log && head -1 r.log && $G export-pictures in.vlg . --stem s && readlink x.log",
               0, "", "Heading\n2 pictures written to .\nr.log\n"},
        CliRun{"PipesRefusedAtOnce", kSmall,
               "mkfifo p.vlg p.log; $G info p.vlg 2>&1; $G convert p.log out.vlg", 1,
               "p.log: The file is a pipe or a device",
               "Cannot open p.vlg: a pipe or a device, not a regular file\n"},
        CliRun{"ControlByteInACellRefused", kSmall,
               "printf 'Data\\t\\n0\\tV\\t\\t\\t\\t\\t\\t\\t\\t\\n1\\tV\\ta\\000b\\t' > "
               "c.log; printf '\\t\\t\\t\\t\\t\\t\\t\\n' >> c.log; $G convert c.log out.vlg",
               1, "c.log: Row 2 holds a control character \\(0\\)"},
        // Hand-over exports: arguments refused, a file kept when it cannot be replaced, the reel
        // named after the title, which is the file's name, when none is given.
        CliRun{"ExportOfAMissingFile", "", "$G export --format csv no.vlg x.csv", 1,
               "no.vlg: No such file or directory"},
        CliRun{"ExportIntoAMissingFolder", kGolden, "$G export --format csv in.vlg no/x.csv", 1,
               "^Cannot save no/x.csv: No such file or directory\n$"},
        CliRun{"ExportKeepsAReadOnlyFile", kGolden,
               "echo old > x.pdf; chmod 555 x.pdf; $G export --format pdf in.vlg x.pdf; s=$?; "
               "cat x.pdf; exit $s",
               1, "x.pdf: Permission denied", "old\n"},
        CliRun{"ExportNamesTheReelAfterTheFile", kGolden,
               "$G export --format edl in.vlg t.edl && grep -c '^001  in       V     C ' t.edl", 0,
               "", "1\n"},
        CliRun{"UsageRefused", kGolden,
               "for a in '' 'list in.vlg' 'convert in.vlg out.txt' 'export in.vlg x.edl' "
               "'export --format doc in.vlg x.doc' 'export --format edl in.vlg x.edl --fps "
               "23.976'; do $G $a 2>> e; echo $?; done; cat e >&2",
               0,
               "Usage:[\\s\\S]*unknown command[\\s\\S]*cannot convert[\\s\\S]*needs "
               "--format[\\s\\S]*unknown format doc[\\s\\S]*--fps takes 24, 25, 29.97 or 30",
               "2\n2\n2\n2\n2\n2\n"},
        CliRun{"MillionDeepArrays", "<plist>" + repeated("<array>", 1'000'000), info, 1,
               "nested too deeply"},
        CliRun{"BillionLaughs", laughs + "]><plist><array><string>&l9;</string></array></plist>",
               info, 1, "declares XML entities"},
        CliRun{"UndefinedEntity", "<array><string>&nbsp;</string>", info, 1, "undefined entity"},
        CliRun{"RootIsADictionary", "<plist><dict/></plist>", info, 1, "root is not an array"},
        // A lone last character, which no bytes encode to.
        CliRun{"DataOneCharacterShort", project({{"1", "/9j/4AEC"}, {"2", "QUJDR"}}), info, 1,
               "value 30 is <data> that is not Base64"},
        // plistlib's binary form of ["Glimmark", ["x"]]
        CliRun{"BinaryWithANestedArray",
               std::string(
                   "bplist00\xA2\x01\x02\x58Glimmark\xA1\x03\x51x\x08\x0B\x14\x16\0\0\0\0\0\0\x01"
                   "\x01\0\0\0\0\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x18",
                   60),
               info, 1, "holds containers"}};
}

INSTANTIATE_TEST_SUITE_P(Runs, GlimmarkCli, testing::ValuesIn(runs()),
                         [](const auto& info) { return std::string(info.param.name); });

// Files that take more memory than the program may have, opened by the program capped at
// 256 MB of address space (which AddressSanitizer cannot run under): 384 MB of records with
// 64 KB pictures, 2 GB files that are nearly all hole; and, at 1.5 GB, the most records a
// project file holds, and one more.
std::vector<CliRun> hostileRuns() {
    std::vector<CliRun> runs;
#if !defined(__SANITIZE_ADDRESS__)
    const std::string capped = "ulimit -v 262144; ", info = capped + "$G info in.vlg";
    const std::string log = "{ printf 'Data\\t\\nGlimmark\\tV\\t\\t\\t\\t\\t\\t\\t\\t\\n'; seq ";
    const std::string rows = " | sed 's/$/\\tV\\t\\t\\t\\t\\t\\t\\t\\t/'; } > in.log; ";
    const std::string record = repeated("<string>1</string>", 9) + "<data>$(head -c 65536 " +
                               "/dev/zero | tr '\\0' A)</data>";
    runs = {{"PicturesPastTheMemory", "",
             "{ echo '<plist><array>'; yes \"" + record +
                 "\" | head -c 402653184; } > in.vlg 2> /dev/null; " + info,
             1, "in.vlg: not enough memory"},
            {"TwoGBBinaryList", "", "printf bplist00 > in.vlg; truncate -s 2G in.vlg; " + info, 1,
             "in.vlg: not enough memory"},
            {"TwoGBExchangeFile", "",
             "printf 'Data\\t\\n' > in.log; truncate -s 2G in.log; " + capped +
                 "$G convert in.log out.vlg",
             1, "in.log: .*too large"},
            {"AMillionRecordsAndOneMore", "",
             "ulimit -v 1572864; " + log + "999999" + rows +
                 "$G convert in.log x.vlg && $G info x.vlg | tail -1 && " + log + "1000000" +
                 rows + "$G convert in.log out.vlg",
             1, "in.log: The log holds more than 999999 records", "999999\t\t\t\t\t\t\t\t0\n"}};
#endif
    return runs;
}

INSTANTIATE_TEST_SUITE_P(Hostile, GlimmarkCli, testing::ValuesIn(hostileRuns()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
