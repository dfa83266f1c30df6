#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <numeric>
#include <thread>

#include "documents/ProjectFiles.h"
#include "platform/Video.h"
#include "platform/http/MhdListener.h"
#include "share/EventFeed.h"
#include "share/LiveShare.h"
#include "share/SharePage.h"
#include "share/ShareSite.h"
#include "share/ShareSnapshot.h"

namespace {

using namespace std::chrono_literals;
using projectfiles::count;
using projectfiles::has;

struct Codec final : platform::ImageCodec {
    platform::Bytes encodeJpeg(const platform::VideoFrame&, double) override { return {}; }
    platform::Bytes thumbnailJpeg(const platform::Bytes& jpeg, int width) override {
        const std::string made =
            "THUMB" + std::to_string(width) + std::string(jpeg.begin(), jpeg.end());
        return platform::Bytes(made.begin(), made.end());
    }
};

platform::Bytes jpegBytes(const std::string& label) {
    const std::string bytes = "\xFF\xD8\xFF" + label;
    return platform::Bytes(bytes.begin(), bytes.end());
}

LogRecord take(const std::string& number, const std::string& comment = {},
               const std::string& picture = {}) {
    LogRecord record{};
    record[kFieldNumber] = number;
    record[kFieldStart] = "01:00:00:00";
    record[kFieldComment1] = comment;
    if (!picture.empty())
        record[kFieldPicture] = jpegBytes(picture);
    return record;
}

std::string joined(const std::vector<std::string>& events) {
    return std::accumulate(events.begin(), events.end(), std::string());
}

// A page is told of each change to the log by its kind, the record named by its key.
TEST(ShareSnapshot, EventsNameWhatChangedAndAnInsertInTheMiddleResetsThePage) {
    LogList log;
    log.append(newLogHeader());
    log.append(take("1", "", "a"));
    log.append(take("2"));
    share::SnapshotMaker maker;
    const auto first = maker.make(log);

    log.append(take("3"));
    log.replace(LogList::indexOf(1, kFieldStop), std::string("01:00:01:00"));
    log.replace(LogList::indexOf(2, kFieldComment1), std::string("wide"));
    auto second = maker.make(log);
    const std::string events = joined(share::changeEvents(*first, *second));
    EXPECT_EQ(events.find("event: stop\ndata: {\"key\":" + std::to_string(log.recordKey(1))), 0u);
    EXPECT_TRUE(has(events, "event: comment\ndata: {\"key\":" + std::to_string(log.recordKey(2))));

    log.replace(LogList::indexOf(1, kFieldPicture), jpegBytes("b"));
    log.replace(LogList::indexOf(3, kFieldNumber), std::string("30"));
    auto third = maker.make(log);
    const std::string changed = joined(share::changeEvents(*second, *third));
    EXPECT_EQ(changed.find("event: change\n"), 0u);
    EXPECT_TRUE(has(changed, "event: renumber\n"));
}

// Comments reach the page as typed, and bytes that are not UTF-8 cannot break its JSON or HTML.
TEST(ShareSnapshot, JsonKeepsGoodUtf8AndReplacesWhatIsNot) {
    EXPECT_EQ(share::jsonString("take \"5\"\n\\\r\t\x01\x7F"),
              "\"take \\\"5\\\"\\n\\\\\\r\\t\\u0001\\u007f\"");
    EXPECT_EQ(share::jsonString("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC"),
              "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC\"");
    EXPECT_EQ(share::jsonString("\xF0\x8F\xBF\xBF"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");  // overlong
    EXPECT_EQ(share::jsonString("</script>\x01"), "\"\\u003c/script\\u003e\\u0001\"");
}

// A page waiting on its stream gets every change, in turns if its buffer is small.
TEST(EventFeed, AParkedStreamIsWokenByThePublishAndOneFallenBehindIsToldToReload) {
    share::EventFeed feed(3);
    feed.publish({"old\n\n"});  // before the page opened its stream: not for it
    auto cursor = feed.open();
    char buffer[256];
    int wakes = 0;
    // Stream `id` reads up to `size` bytes, or parks if `parks` (counting a wake-up then).
    const auto read = [&](std::uintptr_t id, std::size_t size, bool parks = false) {
        return std::string(buffer, feed.readOrPark(
                                       id, cursor, buffer, size, [=] { return parks; },
                                       [&] { ++wakes; }));
    };
    EXPECT_EQ(read(1, sizeof buffer, true), "retry: 1000\n\n");
    EXPECT_EQ(read(1, sizeof buffer, true), "");
    EXPECT_EQ(feed.parkedCount(), 1u);
    feed.publish({"a\n\n", "b\n\n"});
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(feed.parkedCount(), 0u);
    std::string got;  // a small buffer takes the bytes in turns, none lost
    for (std::string part; !(part = read(1, 3)).empty();) got += part;
    EXPECT_EQ(got, "a\n\nb\n\n");
    feed.publish({"c\n\n", "d\n\n", "e\n\n", "f\n\n"});
    EXPECT_EQ(read(1, sizeof buffer), "event: reset\ndata: {}\n\nd\n\ne\n\nf\n\n");
    // A refused park keeps no wake-up; a closed stream's is forgotten.
    read(2, sizeof buffer), read(3, sizeof buffer, true);
    feed.close(3);
    feed.publishTimecode("event: timecode\n\n");
    EXPECT_EQ(wakes, 1);
    // As the live page keeps them: a page a thousand changes behind catches up, no reload.
    share::EventFeed kept;
    auto late = kept.open();
    for (int n = 0; n < 1000; ++n) kept.publish({"x\n\n"});
    std::string all;
    while (const std::size_t got = kept.readOrPark(9, late, buffer, sizeof buffer,
                                                   [] { return false; }, [] {}))
        all.append(buffer, got);
    EXPECT_TRUE(count(all, "x\n\n") == 1000 && !has(all, "reset")) << all.size();
}

class Client {
public:
    explicit Client(int port) {
        addrinfo hints{AI_NUMERICHOST, AF_INET, SOCK_STREAM, 0, 0, nullptr, nullptr, nullptr};
        addrinfo* to = nullptr;
        getaddrinfo("127.0.0.1", std::to_string(port).c_str(), &hints, &to);
        m_fd = socket(to->ai_family, SOCK_STREAM, 0);
        m_connected = connect(m_fd, to->ai_addr, to->ai_addrlen) == 0;
        freeaddrinfo(to);
    }
    ~Client() { close(m_fd); }
    bool connected() const { return m_connected; }
    void send(const std::string& text) { ::send(m_fd, text.data(), text.size(), MSG_NOSIGNAL); }
    // Reads until `until` appears in what was read, the peer closes, or `wait` passes.
    std::string read(const std::string& until, std::chrono::milliseconds wait = 5s) {
        const auto end = std::chrono::steady_clock::now() + wait;
        pollfd p{m_fd, POLLIN, 0};
        char buffer[16384];
        while (m_in.find(until) == std::string::npos && !m_closed &&
               poll(&p, 1, std::max(0, int((end - std::chrono::steady_clock::now()) / 1ms))) > 0) {
            const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
            m_closed = n <= 0;
            m_in.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
        }
        return m_in;
    }

private:
    int m_fd = -1;
    bool m_connected = false, m_closed = false;
    std::string m_in;
};

int status(const std::string& response) {
    return response.starts_with("HTTP/1.") ? std::stoi(response.substr(9, 3)) : 0;
}

std::string request(const std::string& path, const std::string& extra = {}) {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n";
}

struct Sharing : ::testing::Test {
    LogList log;
    std::string timecode = "01:00:00:00";
    Codec codec;
    share::ShareSite site{"<html>page</html>", codec, nullptr};
    share::EventFeed feed;
    platform::http::MhdListener listener{site, feed};
    share::LiveShare live{
        {&log, [this] { return timecode; }, [] { return 1; }, {}}, site, feed, listener};
    std::string prefix;  // "/TOKEN" or ""

    void SetUp() override { log.append(newLogHeader()); }
    void start(bool withToken) {
        std::string why;
        ASSERT_TRUE(live.start(share::Endpoint{"127.0.0.1", 0}, withToken, why)) << why;
        prefix = live.token().empty() ? "" : "/" + live.token();
    }
    int port() const { return listener.port(); }
    std::string get(const std::string& path) {
        Client client(port());
        client.send(request(prefix + path, "Connection: close\r\n"));
        return client.read("\x01never");
    }
    // A page's event stream.
    std::unique_ptr<Client> stream() {
        auto client = std::make_unique<Client>(port());
        client->send(request(prefix + "/events"));
        return client;
    }
    void logTake(const std::string& number, const std::string& comment = {}) {
        log.append(take(number, comment));
        live.tick();
    }
};

// The address without its last slash leads to the page, which keeps its token to itself; a row's picture comes as wide as the row shows it, and
// whole on its own path; the hand-over files are the log as it stands now, never a stale copy,
// with a comment a spreadsheet would run kept as typed.
TEST_F(Sharing, WithATokenOnlyItsPathsAreAnsweredAndOnlyWhatTheTableNames) {
    LogRecord first = take("7", "first", "one");
    first[kFieldStop] = "01:00:10:00";
    first[kFieldComment2] = "=1+1";
    log.append(first);
    start(true);
    ASSERT_EQ(live.token().size(), 32u);
    // A token one letter off (first, middle, last) or none at all reads nothing.
    for (const std::size_t at : {1, 16, 32, 0}) {
        std::string path = at ? prefix + "/log.json" : "/log.json";
        path[at] = at ? (path[at] == 'a' ? 'b' : 'a') : path[at];
        Client client(port());
        client.send(request(path, "Connection: close\r\n"));
        const std::string answer = client.read("\x01never");
        EXPECT_TRUE(status(answer) == 403 && !has(answer, "first")) << path << answer;
    }
    const std::string moved = get("");  // the address without its last slash
    EXPECT_TRUE(status(moved) == 308 && has(moved, "Location: " + prefix + "/\r\n")) << moved;
    const std::string page = get("/");  // the token in its address stays with it
    EXPECT_TRUE(has(page, "<html>page</html>") && has(page, "Referrer-Policy: no-referrer") &&
                has(page, "X-Frame-Options: DENY") && has(page, "nosniff")) << page;
    const std::string json = get("/log.json");
    const auto at = json.find("\"thumb\":\"");
    ASSERT_NE(at, std::string::npos);
    const std::string thumb = json.substr(at + 9, json.find('"', at + 9) - at - 9);
    EXPECT_TRUE(has(get("/" + thumb), "THUMB160\xFF\xD8\xFFone"));
    const std::string picture = get("/picture" + thumb.substr(5));
    EXPECT_TRUE(has(picture, "\xFF\xD8\xFFone") && !has(picture, "THUMB"));
    const std::string csv = get("/log.csv");
    EXPECT_TRUE(has(csv, "Content-Type: text/csv; charset=utf-8"));
    EXPECT_TRUE(has(csv, "\r\n7,01:00:00:00,01:00:10:00,")) << csv;
    EXPECT_TRUE(has(csv, R"(,"=""=1+1""",)")) << csv;
    EXPECT_TRUE(has(get("/log.edl"), "01:00:00:00 01:00:10:00"));
    logTake("8", "second take");
    EXPECT_TRUE(has(get("/log.csv"), "second take") && has(get("/log.json"), "second take"));
    EXPECT_EQ(count(get("/log.edl"), "* FROM CLIP NAME:"), 2);
}

// Hostile or broken requests from the network are refused without the log, and the page goes on.
TEST_F(Sharing, OversizedAndMalformedRequestsAreRefusedAndTheServerGoesOn) {
    start(true);
    const auto ask = [this](const std::string& text) {
        Client client(port());
        client.send(text);
        return client.read("\r\n\r\n", 1s);
    };
    const std::string big = ask(request(prefix + "/log.json", "X-Big: " + std::string(64 * 1024, 'a') + "\r\n"));
    EXPECT_TRUE(status(big) == 431 || status(big) == 413 || big.empty()) << big.substr(0, 80);
    EXPECT_FALSE(has(big, "takes"));
    EXPECT_NE(status(get("/" + std::string(40 * 1024, 'p'))), 200);
    for (const std::string junk : {"\x16\x03\x01\x02\x00garbage\r\n\r\n", "GET\r\n\r\n",
                                   "GET / HTTP/9.9\r\n\r\n", "\r\n\r\n\r\n"})
        EXPECT_NE(status(ask(junk)), 200);
    EXPECT_EQ(status(get("/log.json")), 200);
}

// Against a name rebound to this machine by a page elsewhere: the log is not read through it.
TEST_F(Sharing, OnLoopbackWithoutATokenOnlyLoopbackHostNamesAreAnswered) {
    start(false);
    EXPECT_TRUE(live.token().empty());
    const std::string p = ":" + std::to_string(port());
    for (const auto& [host, answer] :
         {std::pair{"127.0.0.1" + p, 200}, {"localhost", 200}, {"[::1]" + p, 200}, {"[::1]", 200},
          {"attacker.example" + p, 403}, {"[::1" + p, 403}, {"[::2]" + p, 403},
          {"localhost.example", 403}}) {
        Client client(port());
        client.send("GET /log.json HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(status(client.read("\x01never")), answer) << host;
    }
}

// Every page open on the log hears of every kind of change, and the page listens for each.
TEST_F(Sharing, EveryEventStreamSeesEveryChangeUntilSharingIsTurnedOff) {
    start(true);
    std::vector<std::unique_ptr<Client>> streams;
    for (int i = 0; i < 5; ++i) {
        streams.push_back(stream());
        streams.back()->read("retry:");  // open before the takes come
    }
    for (int n = 1; n <= 30; ++n) logTake(std::to_string(n));
    const std::vector<std::function<void()>> changes = {
        [&] { log.replace(LogList::indexOf(3, kFieldStop), std::string("01:00:10:00")); },
        [&] { log.replace(LogList::indexOf(4, kFieldComment2), std::string("a <b> & \"q\"")); },
        [&] { log.replace(LogList::indexOf(5, kFieldNumber), std::string("105")); },
        [&] { log.removeRecord(6); }, [&] { timecode = "01:02:03:04"; }, [] {}};
    for (const auto& change : changes) {
        change();
        live.tick();
    }
    for (auto& stream : streams) {
        const std::string seen = stream->read("02:03:04");
        for (const char* event :
             {"event: stop\ndata: {\"key\":", "\"stop\":\"01:00:10:00\"", "event: comment\n",
              "a \\u003cb\\u003e \\u0026 \\\"q\\\"", "event: renumber\n", "event: remove\n",
              "\"timecode\":\"01:02:03:04\",\"logging\":1"})
            EXPECT_TRUE(has(seen, event)) << event;
        for (std::size_t at = seen.find("event: "); at != std::string::npos;
             at = seen.find("event: ", at + 1)) {
            const std::string name = seen.substr(at + 7, seen.find('\n', at) - at - 7);
            const bool heard = share::sharePage().find('"' + name + '"') != std::string::npos;
            EXPECT_TRUE(heard) << name;
        }
    }
}

// A room of 256 phones is served whole, each with its own event stream.
TEST_F(Sharing, AtTheStreamLimitAReaderThatStoppedMakesRoomForANewPage) {
    start(true);
    auto reader = stream();
    reader->read("retry:");
    std::vector<std::unique_ptr<Client>> silent;
    while (silent.size() + 1 < 256)
        silent.push_back(stream());
    for (int wait = 0; wait < 500 && listener.openStreams() < 256; ++wait)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(listener.openStreams(), 256);
}

// Shared on the IPv6 any-address, the log is still reached over IPv4, as phones on a set's Wi-Fi.
TEST_F(Sharing, ThePrintedAddressAnswersAndOneThatCannotBeHadSaysWhy) {
    std::string why;
    if (!live.start(share::Endpoint{"::", 0}, true, why))
        GTEST_SKIP() << "no IPv6 here: " << why;
    EXPECT_TRUE(Client(port()).connected());
}

}  // namespace
