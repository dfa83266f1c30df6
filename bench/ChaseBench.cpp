// What following the timecode costs with a long log: FindLogToTimecode runs for every
// complete timecode while chase mode is on, 12 to 15 times a second. The goal is under 2
// microseconds a call with 10,000 records and under 5 with 100,000. The argument is the
// number of records.

#include <benchmark/benchmark.h>

#include "loglist/Timecode.h"
#include "platform/fake/FakePlatform.h"

namespace {

constexpr int kSecondsApart = 8;
constexpr int kSecondsLong = 4;

std::string at(int second, int frame = 0) {
    return timecode::format(second / 3600, second / 60 % 60, second % 60, frame);
}

void fillLog(fake::App& app, int records) {
    for (int i = 0; i < records; ++i) {
        const int start = i * kSecondsApart;
        app.app->logStartArray.append({std::to_string(i + 1), at(start), at(start + kSecondsLong),
                                       std::string(), std::string("10:00:00"), std::string(),
                                       std::string(), std::string("07.12.2026"), std::string(),
                                       Picture()});
    }
    app.app->logNr = records;
    app.windows.chkEditChaseModeVal.on = true;
}

// Timecode inside one record, the same one each time: the search runs, the editor stays.
void BM_ChaseSameRecord(benchmark::State& state) {
    fake::App app;
    const int records = static_cast<int>(state.range(0));
    fillLog(app, records);
    const std::string tc = at(records / 2 * kSecondsApart + 1);
    app.app->FindLogToTimecode(tc);
    for (auto _ : state) app.app->FindLogToTimecode(tc);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChaseSameRecord)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Timecode running through the whole log, so the editor moves to a new record now and then
// and refreshes its fields and pictures.
void BM_ChaseRunningTimecode(benchmark::State& state) {
    fake::App app;
    const int records = static_cast<int>(state.range(0));
    fillLog(app, records);
    std::vector<std::string> running;
    for (int s = 0; s < records * kSecondsApart; s += 3) running.push_back(at(s, s % 25));
    std::size_t next = 0;
    for (auto _ : state) {
        app.app->FindLogToTimecode(running[next]);
        next = (next + 1) % running.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChaseRunningTimecode)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A log start or an edit while chasing: the first search after a change of the list
// rebuilds the index.
void BM_ChaseFirstSearchAfterAChange(benchmark::State& state) {
    fake::App app;
    const int records = static_cast<int>(state.range(0));
    fillLog(app, records);
    const std::string tc = at(records / 2 * kSecondsApart + 1);
    const std::size_t comment = LogList::indexOf(records, kFieldComment1);
    for (auto _ : state) {
        app.app->logStartArray.replace(comment, std::string("take 2"));
        app.app->FindLogToTimecode(tc);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChaseFirstSearchAfterAChange)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The copy of the log that the recovery file is written from, taken on the main thread: a
// shoot day of 2,000 records with 60 KB pictures. Pictures are shared, so only texts are copied.
void BM_RecoverySnapshot(benchmark::State& state) {
    fake::App app;
    fillLog(app, static_cast<int>(state.range(0)));
    for (int k = 1; k <= app.app->logStartArray.recordCount(); ++k)
        app.app->logStartArray.replace(LogList::indexOf(k, kFieldPicture), Picture(60000, 0x55));
    for (auto _ : state) {
        LogList snapshot = app.app->logStartArray;
        benchmark::DoNotOptimize(snapshot);
    }
}
BENCHMARK(BM_RecoverySnapshot)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
