// Files made to hurt, each opened in a child process (its address space capped at 1.5 GB for
// the huge ones, which stream through a named pipe): the child must come back with a refusal
// that names the reason; a crash, a kill or an accepted file fails.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <regex>

#include "documents/ExchangeFile.h"
#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using namespace projectfiles;

struct Hostile {
    const char* name;
    std::string head;    // the file's start; the whole file when `size` is 0
    const char* reason;  // a pattern the refusal matches
    long long size = 0;  // then the rest up to this size is a hole, or `body` over and over
    std::string body = {};
    std::string tail = {};
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
    const std::string path = folder.file("hostile");
    if (!h.body.empty()) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    } else {
        writeFile(path, h.head);
        ASSERT_EQ(::truncate(path.c_str(), std::max<long long>(h.size, h.head.size())), 0);
    }
    const ChildRun run = inChild(
        [&] {
            const rlimit cap{1536l << 20, 1536l << 20};
            if (h.size > 0 && ::setrlimit(RLIMIT_AS, &cap) != 0)
                ::_exit(3);
            return h.exchange ? exchange::readExchangeFile(path).error
                              : platform::plist::PropertyListFileStore().readArray(path).error;
        },
        [&] {
            if (h.body.empty())
                return;
            ::signal(SIGPIPE, SIG_IGN);  // the reader may give up early
            const int fd = ::open(path.c_str(), O_WRONLY);
            const auto put = [fd](const std::string& t) {
                return ::write(fd, t.data(), t.size()) > 0;
            };
            bool going = put(h.head);
            for (long long left = h.size; going && left > 0; left -= h.body.size())
                going = put(h.body);
            going = going && put(h.tail);
            ::close(fd);
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
    // A 1 GiB value: growing a string to the bound takes nearly 3 GB at the last doubling, so
    // memory may run out first. Then 2 GB of records of 1 MB pictures; then huge empty files.
    const std::string mb(1 << 20, 'A'), end = "</array></plist>";
    const std::string record = repeated("<string>1</string>", 9) + "<data>" + mb + "</data>";
    files.push_back({"OneGiBBase64Element", kHead + "<data>", "larger than 1 GiB|not enough memory",
                     (1ll << 30) + (4 << 20), mb, "</data>" + end});
    files.push_back({"TwoGBOfPictures", kHead, "not enough memory", 2ll << 30, record, end});
    files.push_back({"TwoGBBinaryList", "bplist00", "not enough memory", 2ll << 30});
    files.push_back({"TwoGBExchangeFile", "Data\t\n", "too large", 2ll << 30, "", "", true});
#endif
    return files;
}

INSTANTIATE_TEST_SUITE_P(All, HostileFile, testing::ValuesIn(hostileFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
