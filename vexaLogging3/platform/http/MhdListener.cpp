#include "platform/http/MhdListener.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <linux/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <algorithm>
#include <cstring>
#include <vector>
#include <memory>
#include <thread>

namespace platform::http {

struct MhdListener::Stream {
    MhdListener* listener = nullptr;
    MHD_Connection* connection = nullptr;
    web::EventStreams::Cursor cursor;
    int fd = -1;
    // The room the client's side offered when the stream opened.
    std::uint32_t openWindow = 0;
    // Pushed out to make room: it ends at its next turn.
    bool leaving = false;
};

namespace {

MhdListener& listenerOf(void* cls) { return *static_cast<MhdListener*>(cls); }

MhdListener::Connection* recordOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info == nullptr ? nullptr : static_cast<MhdListener::Connection*>(info->socket_context);
}

MHD_Result acceptPolicy(void* cls, const sockaddr*, socklen_t) {
    return listenerOf(cls).admit() ? MHD_YES : MHD_NO;
}

void notifyConnection(void* cls, MHD_Connection* connection, void** context,
                      MHD_ConnectionNotificationCode code) {
    if (code == MHD_CONNECTION_NOTIFY_STARTED)
        listenerOf(cls).opened(context, connection);
    else
        listenerOf(cls).closed(context);
}

void requestCompleted(void* cls, MHD_Connection* connection, void**, MHD_RequestTerminationCode) {
    listenerOf(cls).requestDone(connection);
}

MHD_Result accessHandler(void* cls, MHD_Connection* connection, const char* url,
                         const char* method, const char*, const char*, std::size_t* uploadSize,
                         void** state) {
    // Answered once the whole request is in: an answer queued before it would make the
    // library close the connection after it. A body that came with a request is read and
    // dropped: nothing here takes one.
    static int marker;
    if (*state == nullptr) {
        *state = &marker;
        listenerOf(cls).requestStarted(connection);
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        *uploadSize = 0;
        return MHD_YES;
    }
    return listenerOf(cls).handle(connection, url, method) != 0 ? MHD_YES : MHD_NO;
}

ssize_t readStream(void* cls, std::uint64_t, char* out, std::size_t max) {
    auto* stream = static_cast<MhdListener::Stream*>(cls);
    return stream->listener->read(*stream, out, max);
}

void freeStream(void* cls) {
    auto* stream = static_cast<MhdListener::Stream*>(cls);
    stream->listener->streamFreed(stream);
}

// The room the client's side has for more bytes now, and the bytes still waiting here for it.
struct Backlog {
    std::uint32_t window = 0;
    std::uint32_t unsent = 0;
};
Backlog backlogOf(int fd) {
    tcp_info info{};
    socklen_t size = sizeof info;
    if (fd < 0 || getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return {};
    return {info.tcpi_snd_wnd, info.tcpi_notsent_bytes + info.tcpi_unacked};
}

void releaseBody(void* cls) { delete static_cast<std::shared_ptr<const void>*>(cls); }

void addHeaders(MHD_Response* response, const web::Answer& answer) {
    if (!answer.contentType.empty())
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.contentType.c_str());
    if (!answer.etag.empty())
        MHD_add_response_header(response, MHD_HTTP_HEADER_ETAG, answer.etag.c_str());
    if (!answer.cacheControl.empty())
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL,
                                answer.cacheControl.c_str());
    if (!answer.location.empty())
        MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, answer.location.c_str());
    if (answer.status == 405)
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    // The token is in every URL: no other site may learn it from a link or a frame.
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    MHD_add_response_header(response, "X-Frame-Options", "DENY");
    MHD_add_response_header(response, "Content-Security-Policy",
                            "default-src 'none'; img-src 'self'; connect-src 'self'; "
                            "style-src 'unsafe-inline'; script-src 'unsafe-inline'; "
                            "frame-ancestors 'none'");
}

}  // namespace

MhdListener::MhdListener(web::Site& site, web::EventStreams& feed)
    : m_site(site), m_feed(feed) {}

MhdListener::~MhdListener() { stop(); }

bool MhdListener::start(const std::string& address, int port, std::string& why) {
    stop();
    sockaddr_storage storage{};
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        const bool anyAddress = IN6_IS_ADDR_UNSPECIFIED(&v6->sin6_addr);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        // Both families on the IPv6 socket where the system allows it.
        flags |= anyAddress ? MHD_USE_DUAL_STACK : MHD_USE_IPv6;
    } else {
        why = "\"" + address + "\" is not a numeric address";
        return false;
    }
    m_stopping = false;
    m_daemon = MHD_start_daemon(
        flags, static_cast<std::uint16_t>(port), &acceptPolicy, this, &accessHandler, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&storage),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<std::size_t>(kHeaderLimit),
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(kConnectionLimit),
        MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(m_stallTime.count()),
        MHD_OPTION_LISTEN_BACKLOG_SIZE, 1024u,
        MHD_OPTION_NOTIFY_CONNECTION, &notifyConnection, this,
        MHD_OPTION_NOTIFY_COMPLETED, &requestCompleted, this,
        MHD_OPTION_END);
    if (m_daemon == nullptr) {
        why = "cannot listen on " + address + " port " + std::to_string(port) + ": " +
              std::strerror(errno);
        return false;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    m_port = info != nullptr ? info->port : port;
    m_dualStack = false;
    if (storage.ss_family == AF_INET6) {
        const MHD_DaemonInfo* socket = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_LISTEN_FD);
        int v6only = 1;
        socklen_t size = sizeof v6only;
        m_dualStack = socket != nullptr &&
                      getsockopt(socket->listen_fd, IPPROTO_IPV6, IPV6_V6ONLY, &v6only, &size) ==
                          0 &&
                      v6only == 0;
    }
    return true;
}

void MhdListener::stop() {
    if (m_daemon == nullptr)
        return;
    // Parked streams are woken to end themselves: the library cannot close a connection it
    // has put aside.
    m_stopping = true;
    m_feed.wakeAll();
    for (int wait = 0; wait < 200 && m_streams.load() > 0; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    m_port = 0;
    m_connections.clear();
    m_streamList.clear();
    m_leaving = 0;
}

bool MhdListener::admit() {
    // The library refuses every new connection at its own limit, before asking here: close to
    // it, even a connection within its grace makes room.
    const bool crowded = m_connections.size() + 32 >= kConnectionLimit;
    const auto spared = std::chrono::steady_clock::now() - kGrace;
    std::vector<Connection*> idle;
    int requests = 0;
    for (Connection& c : m_connections) {
        if (c.stream || c.closing)
            continue;
        ++requests;
        if (!c.busy && (crowded || c.lastActiveAt <= spared))
            idle.push_back(&c);
    }
    std::sort(idle.begin(), idle.end(),
              [](const Connection* a, const Connection* b) { return a->lastActive < b->lastActive; });
    // Room for this one: the connections idle longest go first, down to the limit (or one,
    // when crowded).
    std::size_t closing = 0;
    while (closing < idle.size() &&
           (requests >= kMaxRequestConnections || (crowded && closing == 0))) {
        // The library has no call that closes one connection; a socket shut down under it
        // is seen at its next turn and closed as any connection its client ended.
        shutdown(idle[closing]->fd, SHUT_RDWR);
        idle[closing]->closing = true;
        ++closing;
        --requests;
    }
    return true;
}

void MhdListener::opened(void** context, MHD_Connection* connection) {
    Connection& c = m_connections.emplace_back();
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    c.fd = info != nullptr ? info->connect_fd : -1;
    c.lastActive = ++m_clock;
    c.lastActiveAt = std::chrono::steady_clock::now();
    *context = &c;
    ++m_open;
}

void MhdListener::closed(void** context) {
    const auto* record = static_cast<Connection*>(*context);
    m_connections.remove_if([record](const Connection& c) { return &c == record; });
    *context = nullptr;
    --m_open;
}

void MhdListener::requestDone(MHD_Connection* connection) {
    if (Connection* c = recordOf(connection)) {
        c->busy = false;
        c->lastActive = ++m_clock;
        c->lastActiveAt = std::chrono::steady_clock::now();
    }
}

void MhdListener::requestStarted(MHD_Connection* connection) {
    if (Connection* record = recordOf(connection)) {
        record->busy = true;
        record->lastActive = ++m_clock;
        record->lastActiveAt = std::chrono::steady_clock::now();
    }
}

int MhdListener::handle(MHD_Connection* connection, const char* url, const char* method) {
    Connection* record = recordOf(connection);
    const char* host = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_HOST);
    const char* ifNoneMatch =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH);
    web::Answer answer = m_site.answer(web::Request{
        method, url, host != nullptr ? host : "", ifNoneMatch != nullptr ? ifNoneMatch : ""});

    MHD_Response* response = nullptr;
    if (answer.eventStream) {
        if (m_streams.load() - m_leaving >= kMaxStreams && !m_stopping)
            makeRoom();
        if (m_streams.load() - m_leaving >= kMaxStreams || m_stopping) {
            answer.status = MHD_HTTP_SERVICE_UNAVAILABLE;
            answer.eventStream = false;
        } else {
            auto* stream = new Stream{this, connection, m_feed.open()};
            stream->fd = record != nullptr ? record->fd : -1;
            stream->openWindow = backlogOf(stream->fd).window;
            response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 4096, &readStream,
                                                         stream, &freeStream);
            if (response == nullptr) {
                delete stream;
                return 0;
            }
            ++m_streams;
            m_streamList.push_back(stream);
            if (record != nullptr)
                record->stream = true;
        }
    }
    if (response == nullptr) {
        auto* keep = new std::shared_ptr<const void>(std::move(answer.keep));
        response = MHD_create_response_from_buffer_with_free_callback_cls(
            answer.body.size(), const_cast<char*>(answer.body.data()), &releaseBody, keep);
        if (response == nullptr) {
            delete keep;
            return 0;
        }
    }
    addHeaders(response, answer);
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
    MHD_destroy_response(response);
    return queued == MHD_YES ? 1 : 0;
}

void MhdListener::makeRoom() {
    // A reader that has stopped taking what it is sent has bytes waiting here, or has let
    // the room its side offered shrink to less than half: such streams go first, the oldest of
    // them; else the oldest of all. A page pushed out comes back by itself and reads the log
    // again, so it misses nothing; a page that asks while the server is full need not wait
    // for clients that never read to let go.
    Stream* victim = nullptr;
    for (Stream* stream : m_streamList) {
        if (stream->leaving)
            continue;
        const Backlog backlog = backlogOf(stream->fd);
        if (backlog.unsent > 0 || backlog.window < stream->openWindow / 2) {
            victim = stream;
            break;
        }
        if (victim == nullptr)
            victim = stream;
    }
    if (victim == nullptr)
        return;
    victim->leaving = true;
    ++m_leaving;
    // A stream blocked on a full socket is seen at once; a parked one at its wake-up.
    shutdown(victim->fd, SHUT_RDWR);
    m_feed.wake(reinterpret_cast<std::uintptr_t>(victim));
}

long MhdListener::read(Stream& stream, char* out, std::size_t max) {
    if (stream.leaving)
        return MHD_CONTENT_READER_END_WITH_ERROR;
    if (m_stopping)
        return MHD_CONTENT_READER_END_OF_STREAM;
    MHD_Connection* connection = stream.connection;
    const std::size_t n = m_feed.readOrPark(
        reinterpret_cast<std::uintptr_t>(&stream), stream.cursor, out, max,
        [this, connection] {
            if (m_stopping)
                return false;
            MHD_suspend_connection(connection);
            return true;
        },
        [connection] { MHD_resume_connection(connection); });
    if (n == 0 && m_stopping)
        return MHD_CONTENT_READER_END_OF_STREAM;
    return static_cast<long>(n);
}

void MhdListener::streamFreed(Stream* stream) {
    m_feed.close(reinterpret_cast<std::uintptr_t>(stream));
    m_streamList.remove(stream);
    if (stream->leaving)
        --m_leaving;
    --m_streams;
    delete stream;
}

}  // namespace platform::http
