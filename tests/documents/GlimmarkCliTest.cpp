// glimmark-cli as scripts run it: the real program on real files, its exit status, its output
// and the files it leaves. Chained rows convert and export the way editorial's hand-over does.

#include <gtest/gtest.h>

#include <cstdlib>

#include "documents/ProjectFiles.h"

namespace {

using namespace projectfiles;

struct CliRun {
    const char* name;
    const char* input;  // in.vlg's bytes; nullptr: no such file
    std::string args;   // after "glimmark-cli", a shell command line; $G is the program again
    int status;
    const char* err;       // part of standard error, a single line when the status is 1
    std::string out = {};  // the whole standard output
};

class GlimmarkCli : public testing::TestWithParam<CliRun> {};

TEST_P(GlimmarkCli, ExitsWithItsStatusAndWritesWholeFilesOrNone) {
    const CliRun& row = GetParam();
    TempFolder folder;
    if (row.input != nullptr)
        writeFile(folder.file("in.vlg"), row.input);
    const std::string command = "cd '" + folder.path() + "' && G=" GLIMMARK_CLI " && { $G " +
                                row.args + "; } > stdout 2> err";
    const int status = std::system(command.c_str());
    const std::string err = fileText(folder.file("err"));
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, row.status) << err;
    EXPECT_EQ(fileText(folder.file("stdout")), row.out);
    EXPECT_NE(err.find(row.err), std::string::npos) << err;
    EXPECT_TRUE(*row.err != '\0' || err.empty()) << err;
    EXPECT_TRUE(row.status != 1 || std::count(err.begin(), err.end(), '\n') == 1) << err;
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.vlg"))) << "a partial output file";
}

// The golden log, as the writer leaves it on disk.
const std::string kGolden = fileText(GLIMMARK_TEST_DATA "/golden/SmallLog.vlg");
const std::string kSecond =
    "10:00:00:00\t10:00:05:12\t\t09:15:00\ttab here second line\t\t05.12.2026";
const std::string kRecords =
    "1\t10:00:00:00\t10:00:05:12\t\t09:15:00\tTom & Jerry <take 2> \"best\" 'ok' ]]> end\t"
    "Gr\xC3\xBC\xC3\x9F"
    "e, \xE6\x97\xA5\xE6\x9C\xAC, \xF0\x9F\x8E\xAC\t05.12.2026\t";
// A project file of records given as their numbers and their pictures in base64.
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

INSTANTIATE_TEST_SUITE_P(
    Runs, GlimmarkCli,
    testing::Values(
        CliRun{"InfoEscapesTabsAndLineFeeds", kGolden.c_str(), "info in.vlg", 0, "",
               kRecords + "0\n2\t10:00:00:00\t10:00:05:12\t\t09:15:00\ttab\\there\\nsecond "
                          "line\t\t05.12.2026\t60\n"},
        CliRun{"ProjectToProjectIsTheIdentity", kGolden.c_str(),
               "convert in.vlg c.vlg && cmp in.vlg c.vlg", 0, ""},
        // Out as Export Log writes it, back as Import Log reads it: tabs and line feeds blanked.
        CliRun{
            "ExchangeFileThereAndBack", kGolden.c_str(),
            "convert in.vlg x.log && cat x.log && $G convert x.log b.vlg && $G info b.vlg", 0, "",
            "Heading\nFIELD_DELIM TABS\nVIDEO_FORMAT PAL\nTAPE 001\nFPS \n\nColumn\nName\tTracks\t"
            "Start\tEnd\tDuration\ttod\tCOMMENT1\tComment2\tPicturepath\t\n\nData\t\n"
            "Glimmark\tV\tVersion: 1.0\tOstraven\t\t1\t\t\t\t\n1\tV\t" +
                kRecords.substr(2) + "\n2\tV\t" + kSecond + "\t\n" + kRecords + "0\n2\t" + kSecond +
                "\t0\n"},
        CliRun{"PicturesNamedByPositionAndNumberInsideTheFolder", kPictures.c_str(),
               "export-pictures in.vlg . --stem s && ls s_* && base64 s_3_.._3.jpg", 0, "",
               "s_1_1.jpg\ns_3_.._3.jpg\n/9j/2wkIBwYFBAMC\n"},
        CliRun{"AFolderThatIsNotThere", kPictures.c_str(), "export-pictures in.vlg missing", 1,
               "2 failed"},
        CliRun{"Help", nullptr, "--help | grep -o -e export-pictures -e 'Exit status' | sort -u", 0,
               "", "Exit status\nexport-pictures\n"},
        CliRun{"Missing", nullptr, "info in.vlg", 1, "in.vlg: No such file or directory"},
        CliRun{"Empty", "", "info in.vlg", 1, "in.vlg: not a valid XML file"},
        CliRun{"Truncated", "<plist><array><string>Glimmark</str", "convert in.vlg out.vlg", 1,
               "in.vlg: not a valid XML file"},
        CliRun{"BinaryJunk", "bplist00\x01\x02\x03", "info in.vlg", 1,
               "in.vlg: not a valid binary property list"},
        CliRun{"NotGlimmark", "<array><string>glimmark</string></array>", "info in.vlg", 1,
               "in.vlg: not a Glimmark project file"},
        CliRun{"NineEntriesOnly", kNine.c_str(), "info in.vlg", 1,
               "in.vlg: not a Glimmark project file"},
        CliRun{"UnwritableOutput", kSmall.c_str(), "convert in.vlg no/such/out.vlg", 1,
               "no/such/out.vlg: No such file or directory"},
        CliRun{"NoCommand", nullptr, "", 2, "Usage:"},
        CliRun{"UnknownCommand", kSmall.c_str(), "list in.vlg", 2, "unknown command"},
        CliRun{"TooManyArguments", kSmall.c_str(), "info in.vlg in.vlg", 2, "Usage:"},
        CliRun{"UnknownConversion", kSmall.c_str(), "convert in.vlg out.txt", 2, "cannot convert"},
        CliRun{"StemWithoutName", kSmall.c_str(), "export-pictures in.vlg . --stem", 2, "Usage:"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
