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

struct Codec final : platform::ImageCodec, platform::PictureConverter {
    platform::Bytes encodeJpeg(const platform::VideoFrame&, double) override { return {}; }
    platform::Bytes toJpeg(const platform::Bytes& tiff, double) override {
        platform::Bytes made{0xFF, 0xD8, 0xFF};
        made.insert(made.end(), tiff.begin(), tiff.end());
        return made;
    }
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

TEST(ShareSnapshot, EventsNameWhatChangedAndAnInsertInTheMiddleResetsThePage) {
    LogList log;
    log.append(newLogHeader());
    log.append(take("1", "", "a"));
    log.append(take("2"));
    share::SnapshotMaker maker;
    const auto first = maker.make(log);
    ASSERT_EQ(first->takes.size(), 2u);
    EXPECT_NE(first->takes[0].pictureId, 0u);
    EXPECT_EQ(first->takes[1].pictureId, 0u);
    EXPECT_EQ(maker.make(log)->takes[0].pictureId, first->takes[0].pictureId);

    log.append(take("3"));
    log.replace(LogList::indexOf(1, kFieldStop), std::string("01:00:01:00"));
    log.replace(LogList::indexOf(2, kFieldComment1), std::string("wide"));
    auto second = maker.make(log);
    const std::string events = joined(share::changeEvents(*first, *second));
    EXPECT_EQ(events.find("event: stop\ndata: {\"key\":" + std::to_string(log.recordKey(1))), 0u);
    EXPECT_TRUE(has(events, "event: comment\ndata: {\"key\":" + std::to_string(log.recordKey(2))));
    EXPECT_TRUE(has(events, "event: take\ndata: {\"key\":" + std::to_string(log.recordKey(3))));
    EXPECT_EQ(share::changeEvents(*second, *maker.make(log)).size(), 0u);

    log.replace(LogList::indexOf(1, kFieldPicture), jpegBytes("b"));
    log.replace(LogList::indexOf(3, kFieldNumber), std::string("30"));
    auto third = maker.make(log);
    EXPECT_NE(third->takes[0].pictureId, second->takes[0].pictureId);
    const std::string changed = joined(share::changeEvents(*second, *third));
    EXPECT_EQ(changed.find("event: change\n"), 0u);
    EXPECT_TRUE(has(changed, "event: renumber\n"));

    const auto removedKey = log.recordKey(2);
    log.removeRecord(2);
    auto fourth = maker.make(log);
    EXPECT_EQ(joined(share::changeEvents(*third, *fourth)),
              "event: remove\ndata: {\"key\":" + std::to_string(removedKey) + "}\n\n");

    log.insertRecord(1, take("0"));
    EXPECT_EQ(joined(share::changeEvents(*fourth, *maker.make(log))), "event: reset\ndata: {}\n\n");
}

TEST(ShareSnapshot, JsonKeepsGoodUtf8AndReplacesWhatIsNot) {
    EXPECT_EQ(share::jsonString("take \"5\"\n\\\r\t\x01\x7F"),
              "\"take \\\"5\\\"\\n\\\\\\r\\t\\u0001\\u007f\"");
    EXPECT_EQ(share::jsonString("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC \xE0\xA0\x80"),
              "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC \xE0\xA0\x80\"");
    EXPECT_EQ(share::jsonString("a\xE9z"), "\"a\\ufffdz\"");                    // Latin-1
    EXPECT_EQ(share::jsonString("\xC3"), "\"\\ufffd\"");                        // cut short
    EXPECT_EQ(share::jsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");  // a surrogate
    EXPECT_EQ(share::jsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");             // overlong
    EXPECT_EQ(share::jsonString("\xF5\xFF"), "\"\\ufffd\\ufffd\"");              // no lead byte
    EXPECT_EQ(share::jsonString("\xF4\x90\x80\x80"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");  // too high
    EXPECT_EQ(share::jsonString("\xF0\x8F\xBF\xBF"), "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");  // overlong
    EXPECT_EQ(share::jsonString("</script>\x01"), "\"\\u003c/script\\u003e\\u0001\"");
}

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
    // The one timecode of a parked machine, published before the page came, reaches it too.
    share::EventFeed kept;
    kept.publishTimecode("tc\n\n");
    auto late = kept.open();
    for (int n = 0; n < 1000; ++n) kept.publish({"x\n\n"});
    std::string all;
    while (const std::size_t got = kept.readOrPark(9, late, buffer, sizeof buffer,
                                                   [] { return false; }, [] {}))
        all.append(buffer, got);
    EXPECT_TRUE(count(all, "x\n\n") == 1000 && !has(all, "reset")) << all.size();
    EXPECT_EQ(count(all, "tc\n\n"), 1);
}

TEST(ShareEndpoint, ReadsAddressAndPortAndTellsWhatIsWrong) {
    std::string why;
    for (const auto& [text, address, port, loopback] :
         {std::tuple{"8080", "127.0.0.1", 8080, true}, std::tuple{"0.0.0.0:0", "0.0.0.0", 0, false},
          std::tuple{"[::1]:9", "::1", 9, true}}) {
        const auto endpoint = share::parseEndpoint(text, why);
        ASSERT_TRUE(endpoint) << text;
        EXPECT_EQ(endpoint->address, address);
        EXPECT_EQ(endpoint->port, port);
        EXPECT_EQ(share::isLoopback(endpoint->address), loopback) << text;
    }
    for (const char* bad : {"", "65536", "-1", "80x", "host.example:80", "::1:80", "1.2.3:80"})
        EXPECT_FALSE(share::parseEndpoint(bad, why)) << bad;
    std::set<std::pair<std::size_t, char>> seen;  // 128 random bits: any digit in either half
    for (int n = 0; n < 20; ++n)
        for (std::size_t i = 0; const char c : share::newToken()) seen.emplace(i++ % 2, c);
    EXPECT_EQ(seen.size(), 32u);
}

// `receiveBuffer`: the socket's receive buffer in bytes, 0 for the system's.
class Client {
public:
    explicit Client(int port, const std::string& address = "127.0.0.1", int receiveBuffer = 0) {
        addrinfo hints{AI_NUMERICHOST, AF_UNSPEC, SOCK_STREAM, 0, 0, nullptr, nullptr, nullptr};
        addrinfo* to = nullptr;
        getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &to);
        m_fd = socket(to->ai_family, SOCK_STREAM, 0);
        if (receiveBuffer > 0)
            setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        m_connected = connect(m_fd, to->ai_addr, to->ai_addrlen) == 0;
        freeaddrinfo(to);
    }
    ~Client() { close(m_fd); }
    bool connected() const { return m_connected; }
    void send(const std::string& text) { ::send(m_fd, text.data(), text.size(), MSG_NOSIGNAL); }
    // Reads until `until` appears in what was read, the peer closes, or the time runs out.
    std::string read(const std::string& until, std::chrono::milliseconds limit = 5s) {
        const auto end = std::chrono::steady_clock::now() + limit;
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
    // Whether the server ends the connection within `limit`, what it sends before read.
    bool closes(std::chrono::milliseconds limit) {
        read("\x01never", limit);
        return m_closed;
    }

private:
    int m_fd = -1;
    bool m_connected = false, m_closed = false;
    std::string m_in;
};

int status(const std::string& response) {
    return response.starts_with("HTTP/1.") ? std::stoi(response.substr(9, 3)) : 0;
}

std::string request(const std::string& method, const std::string& path,
                    const std::string& extra = {}) {
    return method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "\r\n";
}

std::string fetch(int port, const std::string& method, const std::string& path,
                  const std::string& extra = {}, const std::string& address = "127.0.0.1") {
    Client client(port, address);
    client.send(request(method, path, extra + "Connection: close\r\n"));
    return client.read("\x01never");
}

struct Sharing : ::testing::Test {
    LogList log;
    std::string timecode = "01:00:00:00";
    Codec codec;
    share::ShareSite site{"<html>page</html>", codec, &codec};
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
    std::string get(const std::string& path, const std::string& extra = {}) {
        return fetch(port(), "GET", prefix + path, extra);
    }
    // A page's event stream, `receiveBuffer` as a Client's.
    std::unique_ptr<Client> stream(int receiveBuffer = 0) {
        auto client = std::make_unique<Client>(port(), "127.0.0.1", receiveBuffer);
        client->send(request("GET", prefix + "/events"));
        return client;
    }
    void logTake(const std::string& number, const std::string& comment = {}) {
        log.append(take(number, comment));
        live.tick();
    }
    static bool sees(Client& client, const std::string& number) {
        const std::string wanted = "\"number\":\"" + number + "\"";
        return has(client.read(wanted), wanted);
    }
};

// Pictures come once by their tag; the hand-over files are the log as it stands now.
TEST_F(Sharing, WithATokenOnlyItsPathsAreAnsweredAndOnlyWhatTheTableNames) {
    LogRecord first = take("7", "first", "one");
    first[kFieldStop] = "01:00:10:00";
    first[kFieldComment2] = "=1+1";
    log.append(first);
    start(true);
    ASSERT_EQ(live.token().size(), 32u);
    EXPECT_EQ(live.url(), "http://127.0.0.1:" + std::to_string(port()) + prefix + "/");
    std::vector<std::string> paths = {"/", "/log.json", "/events", "/thumb/1.jpg",
                                      "/../etc/passwd", prefix + "x/log.json",
                                      prefix.substr(0, 20) + "/"};
    for (const std::size_t at : {0, 1, 16, 32}) {  // one off: the slash, first, middle, last
        paths.push_back(prefix + "/log.json");
        paths.back()[at] = paths.back()[at] == 'a' ? 'b' : 'a';
    }
    for (const std::string& path : paths)
        for (const std::string method : {"GET", "HEAD", "POST"}) {
            const std::string answer = fetch(port(), method, path);
            EXPECT_TRUE(status(answer) == 403 && !has(answer, "first")) << method << path << answer;
        }
    for (const std::string method : {"POST", "PUT", "DELETE", "OPTIONS"}) {
        const std::string answer =
            fetch(port(), method, prefix + "/log.json", "Content-Length: 4\r\n\r\nbody");
        EXPECT_TRUE(status(answer) == 405 && has(answer, "Allow: GET, HEAD")) << method << answer;
    }
    for (const std::string path :
         {"/../log.json", "/./log.json", "/log.json/", "/thumb/../log.json", "/thumb/1.png",
          "/thumb/-1.jpg", "/thumb/.jpg", "/thumb/%2e%2e%2flog.json", "/picture/0.jpg",
          "/picture/zz.jpg", "//log.json", "/log.csv/", "/log.edlx",
          "/thumb/12345678901234567.jpg"})
        EXPECT_EQ(status(get(path)), 404) << path;
    const std::string head = fetch(port(), "HEAD", prefix + "/log.json");
    EXPECT_TRUE(status(head) == 200 && !has(head, "first")) << head;
    const std::string moved = get("");  // the address without its last slash
    EXPECT_TRUE(status(moved) == 308 && has(moved, "\r\nLocation: " + prefix + "/\r\n")) << moved;
    const std::string page = get("/");  // the token in its address stays with it
    EXPECT_TRUE(has(page, "<html>page</html>") && has(page, "Referrer-Policy: no-referrer") &&
                has(page, "X-Frame-Options: DENY") && has(page, "nosniff")) << page;

    const std::string json = get("/log.json");
    EXPECT_TRUE(has(json, "\"comment1\":\"first\"") && has(json, "\"duration\":\"00:00:10\""));
    const auto at = json.find("\"thumb\":\"");
    ASSERT_NE(at, std::string::npos);
    const std::string thumb = json.substr(at + 9, json.find('"', at + 9) - at - 9);
    const std::string once = get("/" + thumb);
    EXPECT_TRUE(has(once, "THUMB160\xFF\xD8\xFFone"));  // as wide as a row's picture
    const auto tagAt = once.find("ETag: ");
    ASSERT_NE(tagAt, std::string::npos);
    const std::string tag = once.substr(tagAt + 6, once.find("\r\n", tagAt) - tagAt - 6);
    const std::string again = get("/" + thumb, "If-None-Match: " + tag + "\r\n");
    EXPECT_TRUE(status(again) == 304 && !has(again, "THUMB")) << again;
    const std::string picture = get("/picture" + thumb.substr(5));
    EXPECT_TRUE(has(picture, "\xFF\xD8\xFFone") && !has(picture, "THUMB"));

    const std::string csv = get("/log.csv");
    EXPECT_TRUE(has(csv, "Content-Type: text/csv; charset=utf-8"));
    EXPECT_TRUE(has(csv, "\r\n7,01:00:00:00,01:00:10:00,")) << csv;
    EXPECT_TRUE(has(csv, R"(,"=""=1+1""",)")) << csv;
    EXPECT_TRUE(has(get("/log.edl"), "01:00:00:00 01:00:10:00"));
    logTake("8", "second take");  // the next request has it: never a stale copy
    EXPECT_TRUE(has(get("/log.csv"), "second take") && has(get("/log.json"), "second take"));
    EXPECT_EQ(count(get("/log.edl"), "* FROM CLIP NAME:"), 2);
    // A picture stored in another format is sent as the JPEG made of it, and not once it is gone.
    log.replace(LogList::indexOf(2, kFieldPicture), Picture{'t', 'i', 'f'});
    live.tick();
    const std::string listed = get("/log.json");
    const auto from = listed.rfind("\"picture/") + 1;
    const std::string tiff = "/" + listed.substr(from, listed.find('"', from) - from);
    EXPECT_TRUE(has(get(tiff), "\xFF\xD8\xFFtif")) << tiff;
    log.removeRecord(2);
    live.tick();
    EXPECT_EQ(status(get(tiff)), 404);
}

// Against a name rebound to this machine by a page elsewhere.
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

TEST_F(Sharing, OversizedAndMalformedRequestsAreRefusedAndTheServerGoesOn) {
    start(true);
    const std::string big = get("/log.json", "X-Big: " + std::string(64 * 1024, 'a') + "\r\n");
    EXPECT_TRUE(status(big) == 431 || status(big) == 413 || big.empty()) << big.substr(0, 80);
    EXPECT_FALSE(has(big, "takes"));
    EXPECT_NE(status(get("/" + std::string(40 * 1024, 'p'))), 200);
    for (const std::string junk : {"\x16\x03\x01\x02\x00garbage\r\n\r\n", "GET\r\n\r\n",
                                   "GET / HTTP/9.9\r\n\r\n", "\r\n\r\n\r\n"}) {
        Client client(port());
        client.send(junk);
        EXPECT_NE(status(client.read("\r\n\r\n", 2s)), 200);
    }
    EXPECT_EQ(status(get("/log.json")), 200);
}

TEST_F(Sharing, AThousandIdleConnectionsDoNotStopNewOnesBeingServed) {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 4096);
    setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 2300)
        GTEST_SKIP() << "no room for 1,000 connections: open files limited to " << files.rlim_cur;
    start(true);
    std::vector<std::unique_ptr<Client>> idle;
    for (int i = 0; i < 1000; ++i) {
        idle.push_back(std::make_unique<Client>(port()));
        ASSERT_TRUE(idle.back()->connected()) << i;
    }
    // Half of them half-way into a request, as a slow client leaves it.
    for (int i = 0; i < 1000; i += 2)
        idle[static_cast<std::size_t>(i)]->send("GET " + prefix + "/log.json HTTP/1.1\r\nHost: 1");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(status(get("/log.json")), 200) << i;
    EXPECT_LT(listener.openConnections(),
              static_cast<int>(platform::http::MhdListener::kConnectionLimit));
    // Once the burst is over, new connections close the idle ones down to the limit.
    std::this_thread::sleep_for(platform::http::MhdListener::kGrace * 2);
    for (int i = 0; i < 100; ++i) Client(port()).send(request("GET", prefix + "/log.json"));
    EXPECT_EQ(status(get("/log.json")), 200);
    int stillOpen = 0;
    for (auto& client : idle) stillOpen += client->closes(0ms) ? 0 : 1;
    EXPECT_LE(stillOpen, platform::http::MhdListener::kMaxRequestConnections);
}

// Turned off, every connection closes, streams included; started again, the old token is refused.
TEST_F(Sharing, EveryEventStreamSeesEveryChangeUntilSharingIsTurnedOff) {
    start(true);
    std::vector<std::unique_ptr<Client>> streams;
    for (int i = 0; i < 5; ++i) {
        streams.push_back(stream());
        ASSERT_TRUE(has(streams.back()->read("retry:"), "text/event-stream"));
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
        EXPECT_EQ(count(seen, "event: take\n"), 30);
        for (int n = 1; n <= 30; ++n) EXPECT_TRUE(sees(*stream, std::to_string(n))) << n;
        for (const char* event :
             {"event: stop\ndata: {\"key\":", "\"stop\":\"01:00:10:00\"", "event: comment\n",
              "a \\u003cb\\u003e \\u0026 \\\"q\\\"", "event: renumber\n", "event: remove\n",
              "\"timecode\":\"01:02:03:04\",\"logging\":1"})
            EXPECT_TRUE(has(seen, event)) << event;
        // The page the program serves listens for every kind of event the stream carried.
        for (std::size_t at = seen.find("event: "); at != std::string::npos;
             at = seen.find("event: ", at + 1)) {
            const std::string name = seen.substr(at + 7, seen.find('\n', at) - at - 7);
            const bool heard = share::sharePage().find('"' + name + '"') != std::string::npos;
            EXPECT_TRUE(heard) << name;
        }
    }
    Client idle(port());
    idle.send(request("GET", prefix + "/log.json"));
    idle.read("takes");
    live.stop();
    EXPECT_FALSE(live.running());
    for (Client* client : {streams.front().get(), &idle}) EXPECT_TRUE(client->closes(3s));
    EXPECT_EQ(listener.openStreams(), 0);
    const std::string old = prefix;
    start(true);
    EXPECT_NE(prefix, old);
    EXPECT_EQ(status(fetch(port(), "GET", old + "/log.json")), 403);
}

TEST_F(Sharing, AtTheStreamLimitAReaderThatStoppedMakesRoomForANewPage) {
    start(true);
    auto reader = stream();
    reader->read("retry:");
    // A room of 256 phones is served whole before any stream has to make room.
    std::vector<std::unique_ptr<Client>> silent;
    while (silent.size() + 1 < 256)
        silent.push_back(stream());
    for (int wait = 0; wait < 500 && listener.openStreams() < 256; ++wait)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(listener.openStreams(), 256);
    for (int n = 1; n <= 96; ++n) {
        logTake(std::to_string(n), std::string(1000, 'x'));
        sees(*reader, std::to_string(n));
    }
    auto late = stream();
    EXPECT_EQ(status(late->read("retry:")), 200);
    logTake("last");
    EXPECT_TRUE(sees(*reader, "last") && sees(*late, "last"));
    EXPECT_TRUE(silent.front()->closes(2s));
}

// Once its buffers are full and nothing has gone out for the stall time, server full or not.
TEST_F(Sharing, AStreamWhoseClientStopsReadingIsClosedAndItsPlaceFreed) {
    listener.setStallTime(1s);
    start(true);
    auto reader = stream();
    reader->read("retry:");
    std::vector<std::unique_ptr<Client>> silent;
    for (int n = 0; n < 8; ++n) silent.push_back(stream(4096));
    for (int wait = 0; wait < 500 && listener.openStreams() < 9; ++wait)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(listener.openStreams(), 9);
    // A few megabytes fill a silent client's buffers and the server's; the bound is short of the
    // 30 seconds a stall time not taken up would need.
    const auto giveUp = std::chrono::steady_clock::now() + 25s;
    int n = 0;
    while (listener.openStreams() > 1 && std::chrono::steady_clock::now() < giveUp) {
        ++n;
        logTake(std::to_string(n), std::string(16000, 'x'));
        ASSERT_TRUE(sees(*reader, std::to_string(n))) << n;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(listener.openStreams(), 1) << "after " << n << " takes";
    for (auto& client : silent) EXPECT_TRUE(client->closes(10s));
    auto late = stream();
    EXPECT_EQ(status(late->read("retry:")), 200);
    logTake("after");
    EXPECT_TRUE(sees(*late, "after"));
    EXPECT_FALSE(reader->closes(0ms));
}

// On the IPv6 any-address, whichever family the printed address is of.
TEST_F(Sharing, ThePrintedAddressAnswersAndOneThatCannotBeHadSaysWhy) {
    std::string why;
    if (!live.start(share::Endpoint{"::", 0}, true, why))
        GTEST_SKIP() << "no IPv6 here: " << why;
    const std::string url = live.url();
    const std::string host = url.substr(7, url.rfind(':') - 7);
    const bool six = host.front() == '[';
    EXPECT_EQ(six, !listener.dualStack()) << url;
    const std::string address = six ? host.substr(1, host.size() - 2) : host;
    // On a network (one with a route), the address printed is one a phone there can reach.
    const bool routed = count(projectfiles::fileText("/proc/net/route"), "\n") > 1;
    EXPECT_FALSE(routed && !six && share::isLoopback(address)) << url;
    EXPECT_EQ(status(fetch(port(), "GET", "/" + live.token() + "/log.json", {}, address)), 200)
        << url;
    EXPECT_TRUE(Client(port(), "127.0.0.1").connected()) << "IPv4 too, as phones on a set's Wi-Fi";
    EXPECT_FALSE(live.start(share::Endpoint{"198.51.100.7", 0}, true, why));
    EXPECT_TRUE(has(why, "198.51.100.7") && has(why, "address")) << why;
}

}  // namespace
