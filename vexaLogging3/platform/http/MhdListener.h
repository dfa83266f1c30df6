#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <string>

#include "platform/WebServer.h"

struct MHD_Daemon;
struct MHD_Connection;

namespace platform::http {

// The shared web view's server on libmicrohttpd. Chosen by measuring the load it must carry
// (hundreds of event streams held open at once, beside ordinary requests, on two cores):
// libmicrohttpd runs every connection on one internal epoll thread and parks an idle event
// stream (suspend/resume), so a held stream costs a few hundred bytes and no thread.
// cpp-httplib keeps a thread per connection (200 streams and 1,000 idle connections would be
// 1,200 threads), and Qt's HTTP server in Qt 6.4 has no streamed answers.
//
// Connections: at most kMaxRequestConnections that are not event streams, the one idle
// longest closed first to make room. A connection idle for less than kGrace is spared: a
// burst of new ones (a room of phones opening the page at once) would otherwise close each
// other before their requests arrived; past the library's own limit new ones then wait.
// At most kMaxStreams event streams; a new one beyond them pushes out the oldest whose client
// has stopped reading, else the oldest. A stream that cannot send for kStallTime (its client
// reads nothing and its buffers are full) is closed, as is any connection idle that long: the
// library's connection timeout counts from the last byte that went out or came in, and a
// parked stream, which has nothing to send, is not subject to it.
// Request line and headers must fit in kHeaderLimit bytes.
class MhdListener final : public web::Listener {
public:
    static constexpr int kMaxRequestConnections = 64;
    static constexpr int kMaxStreams = 256;
    static constexpr std::size_t kHeaderLimit = 16 * 1024;
    static constexpr std::chrono::milliseconds kGrace{100};
    static constexpr std::chrono::seconds kStallTime{30};
    // The library's own limit: room beyond the two above for a burst of new connections and
    // for those being closed.
    static constexpr std::size_t kConnectionLimit = kMaxRequestConnections + kMaxStreams + 128;

    MhdListener(web::Site& site, web::EventStreams& feed);
    ~MhdListener() override;

    bool start(const std::string& address, int port, std::string& why) override;
    int port() const override { return m_port; }
    bool dualStack() const override { return m_dualStack; }
    void stop() override;
    // How long a stream may fail to send, or any connection stay idle, before it is closed;
    // from the next start() on. Tests shorten it.
    void setStallTime(std::chrono::seconds stall) { m_stallTime = stall; }

    // Connections open now, for the tests: all, and event streams.
    int openConnections() const { return m_open.load(); }
    int openStreams() const { return m_streams.load(); }

    // The server thread's book of connections; public for the library's callbacks.
    struct Connection {
        int fd = -1;
        std::uint64_t lastActive = 0;
        std::chrono::steady_clock::time_point lastActiveAt;
        bool busy = false;
        bool stream = false;
        bool closing = false;
    };
    struct Stream;
    bool admit();
    void opened(void** context, MHD_Connection* connection);
    void closed(void** context);
    void requestStarted(MHD_Connection* connection);
    void requestDone(MHD_Connection* connection);
    int handle(MHD_Connection* connection, const char* url, const char* method);
    long read(Stream& stream, char* out, std::size_t max);
    void streamFreed(Stream* stream);
    void makeRoom();

private:
    web::Site& m_site;
    web::EventStreams& m_feed;
    MHD_Daemon* m_daemon = nullptr;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_open{0};
    std::atomic<int> m_streams{0};
    // Touched only on the server's thread.
    std::list<Connection> m_connections;
    std::uint64_t m_clock = 0;
    // The event streams, oldest first, and how many of them are being pushed out.
    std::list<Stream*> m_streamList;
    int m_leaving = 0;
    bool m_dualStack = false;
    std::chrono::seconds m_stallTime = kStallTime;
};

}  // namespace platform::http
