#include "platform/http/MhdListener.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
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
    share::EventFeed::Cursor cursor;
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

void releaseBody(void* cls) { delete static_cast<std::shared_ptr<const void>*>(cls); }

void addHeaders(MHD_Response* response, const share::Answer& answer) {
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

MhdListener::MhdListener(share::ShareSite& site, share::EventFeed& feed)
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
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        flags |= MHD_USE_IPv6;
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
        MHD_OPTION_CONNECTION_TIMEOUT, 30u,
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
    share::Answer answer = m_site.answer(share::Request{
        method, url, host != nullptr ? host : "", ifNoneMatch != nullptr ? ifNoneMatch : ""});

    MHD_Response* response = nullptr;
    if (answer.eventStream) {
        if (m_streams.load() >= kMaxStreams || m_stopping) {
            answer.status = MHD_HTTP_SERVICE_UNAVAILABLE;
            answer.eventStream = false;
        } else {
            auto* stream = new Stream{this, connection, m_feed.open()};
            response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 4096, &readStream,
                                                         stream, &freeStream);
            if (response == nullptr) {
                delete stream;
                return 0;
            }
            ++m_streams;
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

long MhdListener::read(Stream& stream, char* out, std::size_t max) {
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
    --m_streams;
    delete stream;
}

}  // namespace platform::http
