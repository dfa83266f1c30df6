// What following the timecode costs with a long log: FindLogToTimecode runs for every
// complete timecode while chase mode is on. The goal is 120 calls a second in under 1% of one
// core, that is under 83 microseconds a call, with 10,000 records.

#include <benchmark/benchmark.h>

#include "loglist/Timecode.h"
#include "support/FakePlatform.h"

namespace {

constexpr int kRecords = 10000;
constexpr int kSecondsApart = 8;
constexpr int kSecondsLong = 4;

std::string at(int second, int frame = 0) {
    return timecode::format(second / 3600, second / 60 % 60, second % 60, frame);
}

void fillLog(fake::App& app) {
    for (int i = 0; i < kRecords; ++i) {
        const int start = i * kSecondsApart;
        app.app->logStartArray.append({std::to_string(i + 1), at(start), at(start + kSecondsLong),
                                       std::string(), std::string("10:00:00"), std::string(),
                                       std::string(), std::string("07.12.2026"), std::string(),
                                       Picture()});
    }
    app.app->logNr = kRecords;
    app.windows.chkEditChaseModeVal.on = true;
}

// Timecode inside one record, the same one each time: the search runs, the editor stays.
void BM_ChaseSameRecord(benchmark::State& state) {
    fake::App app;
    fillLog(app);
    const std::string tc = at(kRecords / 2 * kSecondsApart + 1);
    app.app->FindLogToTimecode(tc);
    for (auto _ : state) app.app->FindLogToTimecode(tc);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChaseSameRecord)->Unit(benchmark::kMicrosecond);

// Timecode running through the whole log, so the editor moves to a new record now and then
// and refreshes its fields and pictures.
void BM_ChaseRunningTimecode(benchmark::State& state) {
    fake::App app;
    fillLog(app);
    std::vector<std::string> running;
    for (int s = 0; s < kRecords * kSecondsApart; s += 3) running.push_back(at(s, s % 25));
    std::size_t next = 0;
    for (auto _ : state) {
        app.app->FindLogToTimecode(running[next]);
        next = (next + 1) % running.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChaseRunningTimecode)->Unit(benchmark::kMicrosecond);

}  // namespace
