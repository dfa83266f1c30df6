#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform::web {

// A request as the server library hands it over: only what the answer depends on.
struct Request {
    std::string_view method;
    std::string_view path;  // without the query
    std::string_view host;  // the Host header, "" when none came
    std::string_view ifNoneMatch;
};

// The answer to one request. The body is shared, never copied per request: a page, a log
// rendered once per snapshot, a cached thumbnail.
struct Answer {
    int status = 200;
    std::string contentType;
    // The bytes, and what keeps them alive while they are sent.
    std::string_view body;
    std::shared_ptr<const void> keep;
    std::string etag;
    std::string cacheControl;
    std::string location;
    // The server keeps the connection and streams the events of an EventStreams.
    bool eventStream = false;
};

// What a web server answers, asked on the server's own thread.
class Site {
public:
    virtual ~Site() = default;
    virtual Answer answer(const Request& request) = 0;
};

// The bytes of every open event stream, read by the server's thread at each stream's own pace.
class EventStreams {
public:
    // Where one stream stands.
    struct Cursor {
        std::uint64_t next = 0;  // the next logged event it reads
        std::uint64_t timecodeSeen = 0;
        std::uint64_t keepAliveSeen = 0;
        std::string pending;  // bytes taken from the feed, not yet written out
        std::size_t pendingAt = 0;
    };
    using Wake = std::function<void()>;

    virtual ~EventStreams() = default;
    // A cursor for a new stream.
    virtual Cursor open() = 0;
    // Copies up to `max` bytes for the stream into `out`, and answers how many. With nothing
    // to send it calls `park` and, when that agrees, keeps `wake` for the next event, both
    // under one lock so that no event falls between them; it answers 0 then. `id` names the
    // stream.
    virtual std::size_t readOrPark(std::uintptr_t id, Cursor& cursor, char* out, std::size_t max,
                                   const std::function<bool()>& park, Wake wake) = 0;
    // Forgets a stream's wake-up: its connection is gone. A wake-up already taken may still
    // run; the server keeps a parked stream's connection until it does.
    virtual void close(std::uintptr_t id) = 0;
    // Runs one stream's wake-up, if it is parked.
    virtual void wake(std::uintptr_t id) = 0;
    // Runs every parked stream's wake-up and forgets them all.
    virtual void wakeAll() = 0;
};

// Serves a Site and its EventStreams over HTTP, on threads of its own.
class Listener {
public:
    virtual ~Listener() = default;
    // Listens on the numeric address and port (0 picks a free one). false, with `why` in words
    // for the user, when it cannot.
    virtual bool start(const std::string& address, int port, std::string& why) = 0;
    virtual int port() const = 0;
    // Whether a listener on the IPv6 any-address takes IPv4 connections too.
    virtual bool dualStack() const { return false; }
    // Closes every connection, event streams included, and stops listening.
    virtual void stop() = 0;
};

}  // namespace platform::web
