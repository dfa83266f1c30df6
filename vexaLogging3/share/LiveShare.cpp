#include "share/LiveShare.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/random.h>

#include <charconv>

namespace share {
namespace {

bool numericAddress(const std::string& address) {
    in_addr v4{};
    in6_addr v6{};
    return inet_pton(AF_INET, address.c_str(), &v4) == 1 ||
           inet_pton(AF_INET6, address.c_str(), &v6) == 1;
}

// For a server on every address of a family, the one a phone on the same network would reach:
// the first address of that family of an interface that is up and not the loopback one (of
// IPv6, one that needs no interface named beside it); the loopback address when there is none.
std::string reachableAddress(int family) {
    std::string found = family == AF_INET ? "127.0.0.1" : "::1";
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return found;
    for (const ifaddrs* at = list; at != nullptr; at = at->ifa_next) {
        if (at->ifa_addr == nullptr || at->ifa_addr->sa_family != family ||
            (at->ifa_flags & IFF_UP) == 0 || (at->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        char text[INET6_ADDRSTRLEN] = {};
        const void* address = &reinterpret_cast<const sockaddr_in*>(at->ifa_addr)->sin_addr;
        if (family == AF_INET6) {
            const in6_addr* v6 = &reinterpret_cast<const sockaddr_in6*>(at->ifa_addr)->sin6_addr;
            if (IN6_IS_ADDR_LINKLOCAL(v6))
                continue;
            address = v6;
        }
        if (inet_ntop(family, address, text, sizeof text) != nullptr) {
            found = text;
            break;
        }
    }
    freeifaddrs(list);
    return found;
}

}  // namespace

bool isLoopback(std::string_view address) {
    return address.starts_with("127.") || address == "::1" || address == "localhost";
}

std::optional<Endpoint> parseEndpoint(std::string_view text, std::string& why) {
    Endpoint endpoint;
    std::string_view port = text;
    if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        std::string_view address = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (address.size() >= 2 && address.front() == '[' && address.back() == ']')
            address = address.substr(1, address.size() - 2);
        else if (address.find(':') != std::string_view::npos)
            address = {};  // an IPv6 address must be in brackets before its port
        endpoint.address = address == "localhost" ? "127.0.0.1" : std::string(address);
        if (!numericAddress(endpoint.address)) {
            why = "\"" + std::string(text) + "\" does not start with a numeric address";
            return std::nullopt;
        }
    }
    int number = -1;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || number < 0 ||
        number > 65535) {
        why = "\"" + std::string(port) + "\" is not a port number (0 to 65535)";
        return std::nullopt;
    }
    endpoint.port = number;
    return endpoint;
}

std::string newToken() {
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    static const char kHex[] = "0123456789abcdef";
    std::string token;
    for (const unsigned char b : bytes) {
        token += kHex[b >> 4];
        token += kHex[b & 0x0F];
    }
    return token;
}

LiveShare::LiveShare(Sources sources, ShareSite& site, EventFeed& feed, Listener& listener)
    : m_sources(std::move(sources)), m_site(site), m_feed(feed), m_listener(listener) {}

LiveShare::~LiveShare() { stop(); }

bool LiveShare::start(const Endpoint& endpoint, bool withToken, std::string& why) {
    stop();
    m_token = withToken || !isLoopback(endpoint.address) ? newToken() : std::string();
    m_site.setToken(m_token);
    m_snapshot = m_maker.make(*m_sources.log, title());
    m_revision = m_sources.log->revision();
    m_site.setSnapshot(m_snapshot);
    if (!m_listener.start(endpoint.address, endpoint.port, why)) {
        m_token.clear();
        return false;
    }
    // The printed address must answer: of the IPv6 any-address, an IPv4 one only where the
    // listener takes IPv4 too.
    if (endpoint.address == "0.0.0.0")
        m_address = reachableAddress(AF_INET);
    else if (endpoint.address == "::")
        m_address = reachableAddress(m_listener.dualStack() ? AF_INET : AF_INET6);
    else
        m_address = endpoint.address;
    m_running = true;
    m_ticks = 0;
    tick();
    return true;
}

std::string LiveShare::title() const {
    return m_sources.title ? m_sources.title() : std::string();
}

void LiveShare::stop() {
    if (!m_running)
        return;
    m_running = false;
    m_listener.stop();
    m_token.clear();
}

std::string LiveShare::url() const {
    if (!m_running)
        return {};
    const bool v6 = m_address.find(':') != std::string::npos;
    std::string url = "http://" + (v6 ? "[" + m_address + "]" : m_address) + ":" +
                      std::to_string(m_listener.port()) + "/";
    if (!m_token.empty())
        url += m_token + "/";
    return url;
}

void LiveShare::tick() {
    if (!m_running)
        return;
    ++m_ticks;
    if (m_sources.log->revision() != m_revision) {
        SnapshotPtr next = m_maker.make(*m_sources.log, title());
        m_revision = m_sources.log->revision();
        std::vector<std::string> events = changeEvents(*m_snapshot, *next);
        m_site.setSnapshot(next);
        m_snapshot = std::move(next);
        m_feed.publish(std::move(events));
    }
    // The timecode at most five times a second, however often the ticks come.
    if (m_ticks % 2 == 1) {
        const std::string timecode = m_sources.timecode ? m_sources.timecode() : std::string();
        const int state = m_sources.loggingState ? m_sources.loggingState() : -1;
        std::string event = "event: timecode\ndata: {\"timecode\":" + jsonString(timecode) +
                            ",\"logging\":" + std::to_string(state) + "}\n\n";
        if (event != m_timecodeEvent) {
            m_timecodeEvent = event;
            m_feed.publishTimecode(std::move(event));
        }
    }
    // Every two seconds every idle stream writes a line: a reader that went away is found out
    // and its place freed within seconds, for the pages waiting for one.
    if (m_ticks % 20 == 0)
        m_feed.publishKeepAlive();
}

}  // namespace share
