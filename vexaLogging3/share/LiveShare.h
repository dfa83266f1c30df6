#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "loglist/LogList.h"
#include "share/EventFeed.h"
#include "share/ShareSite.h"
#include "share/ShareSnapshot.h"

namespace share {

using platform::web::Listener;

// Where to listen: "[ADDRESS:]PORT", the address numeric (IPv6 in brackets); without one,
// the loopback address.
struct Endpoint {
    std::string address = "127.0.0.1";
    int port = 0;
};
std::optional<Endpoint> parseEndpoint(std::string_view text, std::string& why);
bool isLoopback(std::string_view address);
// 128 random bits from the kernel, as 32 hex digits.
std::string newToken();

// The shared web view, run from the main thread: it starts and stops the listener, and on each
// tick hands the site a snapshot of the log when the log changed, and the feed the events of
// the change and the running timecode.
class LiveShare {
public:
    struct Sources {
        const LogList* log = nullptr;
        std::function<std::string()> timecode;   // the running timecode, "" when none
        std::function<int()> loggingState;       // -1 unknown, 0 off, 1 on
        std::function<std::string()> title;      // the project's name, for the exports
    };
    LiveShare(Sources sources, ShareSite& site, EventFeed& feed, Listener& listener);
    ~LiveShare();

    // Starts sharing on `endpoint`; an address other than a loopback one, or `withToken`,
    // puts a new token in every URL.
    bool start(const Endpoint& endpoint, bool withToken, std::string& why);
    void stop();
    bool running() const { return m_running; }
    // The page's full address, token included; "" while not running.
    std::string url() const;
    const std::string& token() const { return m_token; }

    // Called every kTick on the main thread while running.
    void tick();
    static constexpr std::chrono::milliseconds kTick{100};

private:
    std::string title() const;
    Sources m_sources;
    ShareSite& m_site;
    EventFeed& m_feed;
    Listener& m_listener;
    SnapshotMaker m_maker;
    SnapshotPtr m_snapshot;
    std::uint64_t m_revision = 0;
    bool m_running = false;
    std::string m_address;
    std::string m_token;
    unsigned m_ticks = 0;
    std::string m_timecodeEvent;
};

}  // namespace share
