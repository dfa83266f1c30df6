// Files made to hurt: each is opened in a child process whose address space is capped
// (1.5 GB for most), so that "never eats all memory" is proven rather than hoped. The child must
// come back with a refusal that names the reason; a crash, a kill or an accepted file fails. The
// largest ones stream through a named pipe, so no gigabytes are written to disk.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "documents/ExchangeFile.h"
#include "documents/TempFolder.h"
#include "platform/plist/PropertyListFileStore.h"

#if defined(__SANITIZE_ADDRESS__)
#define GLIMMARK_HOSTILE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLIMMARK_HOSTILE_ASAN 1
#endif
#endif

namespace {

using documents_test::TempFolder;

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array>\n";

// Writes `total` bytes: `head`, then `body` over and over, then `tail`. Stops quietly when
// the reader has gone.
bool stream(int fd, const std::string& head, const std::string& body, long long total,
            const std::string& tail) {
    auto put = [fd](const std::string& text) {
        for (std::size_t at = 0; at < text.size();) {
            const ssize_t wrote = ::write(fd, text.data() + at, text.size() - at);
            if (wrote <= 0)
                return false;
            at += static_cast<std::size_t>(wrote);
        }
        return true;
    };
    if (!put(head))
        return false;
    for (long long left = total - static_cast<long long>(head.size() + tail.size()); left > 0;
         left -= static_cast<long long>(body.size())) {
        if (!put(left >= static_cast<long long>(body.size()) ? body : body.substr(0, left)))
            return false;
    }
    return put(tail);
}

struct Hostile {
    const char* name;
    // Makes the file at the path (a plain file), or leaves it to `feed` (a named pipe).
    std::function<void(const std::string&)> make;
    std::function<bool(int)> feed;
    bool exchange;  // imported as an exchange file instead of opened as a project
    std::vector<const char*> reasons;  // the refusal names one of these
    // The address-space cap in MB, 0 for none; AddressSanitizer cannot run under one.
    rlim_t capMB;
};

std::string deepArrays() {
    std::string text = kHead;
    for (int i = 0; i < 1'000'000; ++i) text += "<array>";
    return text;
}

std::string billionLaughs() {
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [\n<!ENTITY l0 \"lol\">\n";
    for (int i = 1; i < 10; ++i) {
        text += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) text += "&l" + std::to_string(i - 1) + ";";
        text += "\">\n";
    }
    return text + "]>\n<plist><array><string>&l9;</string></array></plist>\n";
}

// A file of `size` bytes holding nothing but `start`: the rest is a hole.
void sparse(const std::string& path, const std::string& start, off_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, start.data(), start.size()), static_cast<ssize_t>(start.size()));
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

// One record of 1 MB of picture, repeated: 2 GB of well-formed project file.
std::string recordWithPicture() {
    std::string text;
    for (int i = 0; i < 9; ++i) text += "\t<string>1</string>\n";
    return text + "\t<data>" + std::string(1 << 20, 'A') + "</data>\n";
}

const std::vector<Hostile> kHostile = {
    {"MillionDeepArrays",
     [](const std::string& p) { documents_test::write(p, deepArrays()); },
     nullptr,
     false,
     {"nested too deeply"},
     0},
    {"BillionLaughs",
     [](const std::string& p) { documents_test::write(p, billionLaughs()); },
     nullptr,
     false,
     {"declares XML entities"},
     0},
    // Growing a string to the 1 GiB bound on values takes nearly 3 GB at the last doubling, so
    // under the cap memory runs out first; either way the file is refused.
    {"OneGiBBase64Element",
     nullptr,
     [](int fd) {
         return stream(fd, kHead + "<data>", std::string(1 << 20, 'A'), (1ll << 30) + (4 << 20),
                       "</data></array></plist>");
     },
     false,
     {"larger than 1 GiB", "not enough memory"},
     1536},
    {"TwoGBOfPictures",
     nullptr,
     [](int fd) { return stream(fd, kHead, recordWithPicture(), 2ll << 30, "</array></plist>\n"); },
     false,
     {"not enough memory"},
     1536},
    {"TwoGBBinaryList",
     [](const std::string& p) { sparse(p, "bplist00", 2ll << 30); },
     nullptr,
     false,
     {"not enough memory"},
     1536},
    {"TwoGBExchangeFile",
     [](const std::string& p) { sparse(p, "Data\t\n", 2ll << 30); },
     nullptr,
     true,
     {"too large"},
     1536},
};

class HostileFile : public testing::TestWithParam<Hostile> {};

TEST_P(HostileFile, IsRefusedWithAReasonWithinBoundedMemory) {
    const Hostile& h = GetParam();
#ifdef GLIMMARK_HOSTILE_ASAN
    if (h.capMB > 0)
        GTEST_SKIP() << "the address-space cap does not work under AddressSanitizer";
#endif
    TempFolder folder;
    const std::string path = folder / "hostile";
    if (h.feed)
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    else
        h.make(path);

    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe[0]);
        const rlimit cap{h.capMB << 20, h.capMB << 20};
        if (h.capMB > 0 && ::setrlimit(RLIMIT_AS, &cap) != 0)
            ::_exit(3);
        const std::string error =
            h.exchange ? exchange::readExchangeFile(path).error
                       : platform::plist::PropertyListFileStore().readArray(path).error;
        const bool written =
            ::write(pipe[1], error.data(), error.size()) == static_cast<ssize_t>(error.size());
        ::_exit(written ? 0 : 4);
    }
    ::close(pipe[1]);
    if (h.feed) {
        ::signal(SIGPIPE, SIG_IGN);
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        h.feed(fd);
        ::close(fd);
    }
    std::string error;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        error.append(buffer, got);
    ::close(pipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the reader died of signal " << WTERMSIG(status);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    bool named = false;
    for (const char* reason : h.reasons) named = named || error.find(reason) != std::string::npos;
    EXPECT_TRUE(named) << "refusal: \"" << error << "\"";
    std::printf("%s: %s\n", h.name, error.c_str());
}

INSTANTIATE_TEST_SUITE_P(All, HostileFile, testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
