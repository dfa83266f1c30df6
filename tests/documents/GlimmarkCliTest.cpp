// glimmark-cli as scripts run it: the real program, real files, exit status and output.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "documents/ExchangeFile.h"
#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using platform::plist::PropertyListFileStore;
using namespace projectfiles;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs glimmark-cli with `args` (a shell word list) in `folder`.
CliRun cli(const TempFolder& folder, const std::string& args) {
    const std::string errFile = folder.file(".stderr");
    const std::string command =
        "cd '" + folder.path() + "' && " GLIMMARK_CLI " " + args + " 2> '" + errFile + "'";
    CliRun run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.out.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = fileText(errFile);
    std::remove(errFile.c_str());
    return run;
}

TEST(GlimmarkCli, InfoListsEveryRecordWithEscapesAndPictureSizes) {
    TempFolder folder;
    ASSERT_EQ(PropertyListFileStore().writeArray(folder.file("day.vlg"), goldenLog()), "");
    const CliRun run = cli(folder, "info day.vlg");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "1\t10:00:00:00\t10:00:05:12\t\t09:15:00\tTom & Jerry <take 2> \"best\" 'ok' ]]> "
        "end\tGr\xC3\xBC\xC3\x9F"
        "e, \xE6\x97\xA5\xE6\x9C\xAC, \xF0\x9F\x8E\xAC\t"
        "05.12.2026\t0\n"
        "2\t10:00:00:00\t10:00:05:12\t\t09:15:00\ttab\\there\\nsecond line\t\t05.12.2026\t60\n");
    EXPECT_EQ(run.err, "");
}

TEST(GlimmarkCli, InfoCompletesAShortLastRecordAsOpenDoes) {
    TempFolder folder;
    std::vector<LogValue> values = valuesOf(goldenLog());
    values.resize(23);
    ASSERT_EQ(PropertyListFileStore().writeValues(folder.file("short.vlg"), values), "");
    const CliRun run = cli(folder, "info short.vlg");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), "2\t10:00:00:00\t10:00:05:12\t\t\t\t\t\t0\n");
}

TEST(GlimmarkCli, ConvertingAProjectToAProjectIsTheIdentity) {
    TempFolder folder;
    ASSERT_EQ(PropertyListFileStore().writeArray(folder.file("day.vlg"), goldenLog()), "");
    const CliRun run = cli(folder, "convert day.vlg copy.vlg");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fileText(folder.file("copy.vlg")) == fileText(folder.file("day.vlg")));
}

TEST(GlimmarkCli, ConvertsToTheExchangeFileAsExportWritesItAndBackAsImportReadsIt) {
    TempFolder folder;
    const LogList log = goldenLog();
    ASSERT_EQ(PropertyListFileStore().writeArray(folder.file("day.vlg"), log), "");
    CliRun run = cli(folder, "convert day.vlg day.log");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fileText(folder.file("day.log")), exchange::exchangeText(log));

    run = cli(folder, "convert day.log back.vlg && " GLIMMARK_CLI " info back.vlg");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "1\t10:00:00:00\t10:00:05:12\t\t09:15:00\tTom & Jerry <take 2> \"best\" 'ok' ]]> "
              "end\tGr\xC3\xBC\xC3\x9F"
              "e, \xE6\x97\xA5\xE6\x9C\xAC, \xF0\x9F\x8E\xAC\t"
              "05.12.2026\t0\n"
              "2\t10:00:00:00\t10:00:05:12\t\t09:15:00\ttab here second line\t\t05.12.2026\t0\n");
}

TEST(GlimmarkCli, ExportsEveryPictureAsExportAllPicturesNamesIt) {
    TempFolder folder;
    const Picture jpeg1{0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const Picture jpeg3{0xFF, 0xD8, 0xFF, 0xDB, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    LogList log;
    log.append(header());
    log.append(record("1", "", "", jpeg1));
    log.append(record("../2", "", "", {}));
    log.append(record("../3", "", "", jpeg3));
    ASSERT_EQ(PropertyListFileStore().writeArray(folder.file("day.vlg"), log), "");
    std::filesystem::create_directory(folder.file("out"));

    CliRun run = cli(folder, "export-pictures day.vlg out");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fileText(folder.file("out/day_1_1.jpg")) ==
                std::string(jpeg1.begin(), jpeg1.end()));
    EXPECT_TRUE(fileText(folder.file("out/day_3_.._3.jpg")) ==
                std::string(jpeg3.begin(), jpeg3.end()));
    EXPECT_EQ(folder.entries(), 2u) << "nothing lands beside the folder";

    run = cli(folder, "export-pictures day.vlg out --stem shots");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(folder.file("out/shots_1_1.jpg")));

    run = cli(folder, "export-pictures day.vlg missing");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("2 failed"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

struct BadInput {
    const char* name;
    std::string content;  // written as in.vlg unless the row is about a missing file
    const char* args;
    int status;
    const char* reason;  // part of the one line on stderr, naming the file
};

class GlimmarkCliRefuses : public testing::TestWithParam<BadInput> {};

TEST_P(GlimmarkCliRefuses, WithTheRightStatusAndOneLineAndNoOutputFile) {
    TempFolder folder;
    const BadInput& row = GetParam();
    if (std::string(row.name) != "Missing")
        writeFile(folder.file("in.vlg"), row.content);
    const CliRun run = cli(folder, row.args);
    EXPECT_EQ(run.status, row.status);
    EXPECT_NE(run.err.find(row.reason), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    if (row.status == 1) {
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.vlg"))) << "a partial output file";
}

const std::string kSmall =
    "<plist><array><string>Glimmark</string><string/><string/><string/><string>1</string>"
    "<string/><string/><string/><string/><string/><string>1</string></array></plist>";

INSTANTIATE_TEST_SUITE_P(
    Inputs, GlimmarkCliRefuses,
    testing::Values(
        BadInput{"Missing", "", "info in.vlg", 1, "in.vlg: No such file or directory"},
        BadInput{"Empty", "", "info in.vlg", 1, "in.vlg: not a valid XML file"},
        BadInput{"Truncated", kSmall.substr(0, 60), "convert in.vlg out.vlg", 1,
                 "in.vlg: not a valid XML file"},
        BadInput{"Binary", std::string("bplist00\x01\x02\x03", 11), "info in.vlg", 1,
                 "in.vlg: not a valid binary property list"},
        BadInput{"Random", std::string("\x9C\x01\xFF\x00\x7F garbage \x80", 15),
                 "convert in.vlg out.vlg", 1, "in.vlg: not a valid XML file"},
        BadInput{"NotGlimmark", "<array><string>glimmark</string></array>", "info in.vlg", 1,
                 "in.vlg: not a Glimmark project file"},
        BadInput{"NineEntriesOnly",
                 "<array><string>Glimmark</string>" + std::string(8 * 9, ' ') + "</array>",
                 "info in.vlg", 1, "in.vlg: not a Glimmark project file"},
        BadInput{"UnwritableOutput", kSmall, "convert in.vlg no/such/out.vlg", 1,
                 "no/such/out.vlg: No such file or directory"},
        BadInput{"NoCommand", kSmall, "", 2, "Usage:"},
        BadInput{"UnknownCommand", kSmall, "list in.vlg", 2, "unknown command"},
        BadInput{"TooManyArguments", kSmall, "info in.vlg in.vlg", 2, "Usage:"},
        BadInput{"UnknownConversion", kSmall, "convert in.vlg out.txt", 2, "cannot convert"},
        BadInput{"StemWithoutName", kSmall, "export-pictures in.vlg . --stem", 2, "Usage:"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GlimmarkCli, HelpListsEveryCommand) {
    TempFolder folder;
    const CliRun run = cli(folder, "--help");
    EXPECT_EQ(run.status, 0);
    for (const char* word : {"info", "convert", "export-pictures", "--stem", "Exit status"}) {
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
    }
}

}  // namespace
