// Files made to hurt, each opened in a child process (its address space capped at 1.5 GB for
// the huge ones, which stream through a named pipe): the child must come back with a refusal
// that names the reason; a crash, a kill or an accepted file fails.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <regex>

#include "documents/ExchangeFile.h"
#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using namespace projectfiles;

struct Hostile {
    const char* name;
    std::string text;                          // the file, or a shell command writing it to "$F"
    const char* reason;                        // a pattern the refusal matches
    enum { File, Command, Piped } how = File;  // Piped: the command feeds a named pipe
    bool exchange = false;  // imported as an exchange file instead of opened as a project
};

const std::string kHead = "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<array>\n";

std::string repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

std::string billionLaughs() {
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n<!ENTITY l0 \"lol\">\n";
    for (int i = 1; i < 10; ++i)
        text += "<!ENTITY l" + std::to_string(i) + " \"" +
                repeated("&l" + std::to_string(i - 1) + ";", 10) + "\">\n";
    return text + "]>\n<plist><array><string>&l9;</string></array></plist>\n";
}

class HostileFile : public testing::TestWithParam<Hostile> {};

TEST_P(HostileFile, IsRefusedWithAReasonWithinBoundedMemory) {
    const Hostile& h = GetParam();
    TempFolder folder;
    const std::string path = folder.file("hostile"), command = "F='" + path + "'; " + h.text;
    if (h.how == Hostile::File)
        writeFile(path, h.text);
    if (h.how == Hostile::Command) {
        ASSERT_EQ(std::system(command.c_str()), 0);
    } else if (h.how == Hostile::Piped) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    }
    const ChildRun run = inChild(
        [&] {
            const rlimit cap{1536l << 20, 1536l << 20};
            if (h.how != Hostile::File && ::setrlimit(RLIMIT_AS, &cap) != 0)
                ::_exit(3);
            return h.exchange ? exchange::readExchangeFile(path).error
                              : platform::plist::PropertyListFileStore().readArray(path).error;
        },
        [&] {
            // Ends early, by SIGPIPE, when the reader gives up.
            if (h.how == Hostile::Piped) [[maybe_unused]]
                const int status = std::system(command.c_str());
        });
    ASSERT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0)
        << "the reader died: status " << run.status;
    EXPECT_TRUE(std::regex_search(run.told, std::regex(h.reason))) << "refusal: " << run.told;
}

std::vector<Hostile> hostileFiles() {
    std::vector<Hostile> files = {
        {"MillionDeepArrays", kHead + repeated("<array>", 1'000'000), "nested too deeply"},
        {"BillionLaughs", billionLaughs(), "declares XML entities"},
        {"ExternalEntity",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [ <!ENTITY x SYSTEM \"file:///etc/passwd\"> ]>"
         "\n<plist><array><string>&x;</string></array></plist>\n",
         "declares XML entities"},
        {"UndefinedEntity", kHead + "<string>&nbsp;</string>", "undefined entity"},
        {"RootIsADictionary", "<plist><dict/></plist>", "root is not an array"},
        {"BinaryWithANestedArray",
         std::string("bplist00\xA2\x01\x02\x58Glimmark\xA1\x03\x51x\x08\x0B\x14\x16\0\0\0\0\0\0\x01"
                     "\x01\0\0\0\0\0\0\0\x04\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x18",
                     60),
         "holds containers"},
    };
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer cannot run under an address-space cap
    // A value past the 1 GiB bound (growing a string to it takes nearly 3 GB, so memory may run
    // out first); 2 GB of records with 64 KB pictures; huge files that are nearly all hole.
    const std::string record =
        repeated("<string>1</string>", 9) + "<data>" + std::string(64 << 10, 'A') + "</data>";
    files.push_back({"OneGiBBase64Element",
                     "{ printf '<plist><array><data>'; yes " + std::string(127, 'A') +
                         " | head -c 1200000000; printf '</data></array></plist>'; } > \"$F\"",
                     "larger than 1 GiB|not enough memory", Hostile::Piped});
    files.push_back({"TwoGBOfPictures",
                     "{ printf '<plist><array>'; yes '" + record +
                         "' | head -c 2147483648; printf '</array></plist>'; } > \"$F\"",
                     "not enough memory", Hostile::Piped});
    files.push_back({"TwoGBBinaryList", "printf bplist00 > \"$F\"; truncate -s 2G \"$F\"",
                     "not enough memory", Hostile::Command});
    files.push_back({"TwoGBExchangeFile", "printf 'Data\\t\\n' > \"$F\"; truncate -s 2G \"$F\"",
                     "too large", Hostile::Command, true});
#endif
    return files;
}

INSTANTIATE_TEST_SUITE_P(All, HostileFile, testing::ValuesIn(hostileFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
