// The log start with the live log shared: its own cost on the main thread while pages hold
// their event streams open, and what a tick of the sharing costs the main thread (a snapshot
// of the log and the events of the change).

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/MidiPacketList.h"
#include "platform/fake/FakePlatform.h"
#include "platform/http/MhdListener.h"
#include "share/EventFeed.h"
#include "share/LiveShare.h"
#include "share/ShareSite.h"

namespace {

using fake::Bytes;
using Clock = std::chrono::steady_clock;

// `count` pages' event streams, read as fast as they come on a thread of their own.
class Pages {
public:
    Pages(int port, const std::string& prefix, int count) {
        for (int i = 0; i < count; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(static_cast<std::uint16_t>(port));
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
                close(fd);
                continue;
            }
            const std::string request =
                "GET " + prefix + "/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
            send(fd, request.data(), request.size(), MSG_NOSIGNAL);
            m_fds.push_back(pollfd{fd, POLLIN, 0});
        }
        m_reader = std::thread([this] {
            char buffer[65536];
            while (!m_stop) {
                if (poll(m_fds.data(), m_fds.size(), 50) <= 0)
                    continue;
                for (pollfd& p : m_fds)
                    if ((p.revents & POLLIN) != 0)
                        m_bytes += std::max<ssize_t>(0, recv(p.fd, buffer, sizeof buffer, 0));
            }
        });
    }
    ~Pages() {
        m_stop = true;
        m_reader.join();
        for (const pollfd& p : m_fds)
            close(p.fd);
    }
    std::int64_t bytes() const { return m_bytes; }

private:
    std::vector<pollfd> m_fds;
    std::atomic<bool> m_stop{false};
    std::atomic<std::int64_t> m_bytes{0};
    std::thread m_reader;
};

struct Codec final : platform::ImageCodec {
    Bytes encodeJpeg(const platform::VideoFrame&, double) override { return {}; }
};

// state.range(0): pages open. The timed part is the log start as the main thread handles it;
// each round then runs the sharing's tick, untimed, so that every start reaches the pages.
void BM_LogStartWithPagesOpen(benchmark::State& state) {
    fake::App app;
    app.app->captureActive = 1;
    app.app->captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("frame"));
    Codec codec;
    share::ShareSite site("<html></html>", codec, nullptr);
    share::EventFeed feed;
    platform::http::MhdListener listener(site, feed);
    share::LiveShare live({&app.app->logStartArray, [] { return std::string("01:00:00:00"); },
                           [] { return 1; }, {}},
                          site, feed, listener);
    std::string why;
    if (!live.start(share::Endpoint{"127.0.0.1", 0}, true, why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    Pages pages(listener.port(), "/" + live.token(), static_cast<int>(state.range(0)));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const Bytes start =
        platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 2, 3, 4, 0, 0xF7});
    const Bytes stop =
        platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, 2, 9, 4, 0xF7});
    std::vector<double> starts;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        myReadProc(start, nullptr, nullptr);
        app.mainThread.drain();
        starts.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        state.PauseTiming();
        myReadProc(stop, nullptr, nullptr);
        app.mainThread.drain();
        live.tick();
        if (app.app->logStartArray.recordCount() >= 500)
            app.app->LogStartArrayInit();
        state.ResumeTiming();
    }
    std::sort(starts.begin(), starts.end());
    if (!starts.empty()) {
        state.counters["median_ms"] = starts[starts.size() / 2];
        state.counters["p99_ms"] = starts[std::min(starts.size() - 1, starts.size() * 99 / 100)];
    }
    state.counters["streamed_MB"] = static_cast<double>(pages.bytes()) / 1e6;
}
BENCHMARK(BM_LogStartWithPagesOpen)->Arg(0)->Arg(50)->Iterations(2000)->UseRealTime();

// state.range(0): records in the log. One record's comment changes, then the tick: the
// snapshot of the whole log and the events of the change, on the main thread.
void BM_ShareTick(benchmark::State& state) {
    LogList log;
    log.append(newLogHeader());
    for (int i = 1; i <= state.range(0); ++i) {
        LogRecord record;
        for (auto& value : record)
            value = std::string("01:00:00:00");
        record[kFieldComment1] = "take " + std::to_string(i) + " wide shot, slate on the left";
        record[kFieldPicture] = Bytes(60 * 1024, 0xFF);
        log.append(std::move(record));
    }
    Codec codec;
    share::ShareSite site("<html></html>", codec, nullptr);
    share::EventFeed feed;
    platform::http::MhdListener listener(site, feed);
    share::LiveShare live({&log, {}, {}, {}}, site, feed, listener);
    std::string why;
    if (!live.start(share::Endpoint{"127.0.0.1", 0}, true, why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    int n = 0;
    for (auto _ : state) {
        log.replace(LogList::indexOf(1 + n % static_cast<int>(state.range(0)), kFieldComment2),
                    std::to_string(n));
        ++n;
        live.tick();
    }
}
BENCHMARK(BM_ShareTick)->Arg(100)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
