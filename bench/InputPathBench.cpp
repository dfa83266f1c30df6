// What the input path costs: quarter frames and log messages through the MIDI callback,
// including the work handed to the main thread.

#include <benchmark/benchmark.h>

#include "platform/MidiPacketList.h"
#include "platform/fake/FakePlatform.h"

namespace {

using fake::Bytes;

// One quarter frame per packet list, as a MIDI backend delivers them.
std::vector<Bytes> quarterFrameGroup() {
    std::vector<Bytes> lists;
    const std::uint8_t data[8] = {0x04, 0x10, 0x23, 0x30, 0x42, 0x50, 0x61, 0x72};
    for (std::uint8_t d : data) lists.push_back(platform::makeMidiPacketList(Bytes{0xF1, d}));
    return lists;
}

void fillLog(fake::App& app, int records) {
    for (int i = 0; i < records; ++i) {
        const auto m = static_cast<std::uint8_t>(i / 60 % 60),
                   s = static_cast<std::uint8_t>(i % 60);
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, m, s, 0, 0, 0xF7});
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, m, s, 12, 0xF7});
    }
}

// state.range(0): records in the log; chase mode is on, so every eighth piece also runs the
// search for the record that contains the timecode.
void BM_QuarterFrames(benchmark::State& state) {
    fake::App app;
    fillLog(app, static_cast<int>(state.range(0)));
    app.windows.chkEditChaseModeVal.on = true;
    const auto group = quarterFrameGroup();
    for (auto _ : state) {
        for (const Bytes& list : group) myReadProc(list, nullptr, nullptr);
        app.mainThread.drain();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(group.size()));
}
BENCHMARK(BM_QuarterFrames)->Arg(0)->Arg(100)->Arg(10000);

void BM_LogStartAndStop(benchmark::State& state) {
    fake::App app;
    app.app->captureActive = 1;
    app.app->captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("frame"));
    const Bytes start =
        platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 2, 3, 4, 0, 0xF7});
    const Bytes stop =
        platform::makeMidiPacketList(Bytes{0xF0, 0x2C, 0x4D, 0x67, 0x02, 1, 2, 9, 4, 0xF7});
    for (auto _ : state) {
        myReadProc(start, nullptr, nullptr);
        myReadProc(stop, nullptr, nullptr);
        app.mainThread.drain();
        if (app.app->logStartArray.recordCount() >= 10000) {
            state.PauseTiming();
            app.app->LogStartArrayInit();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_LogStartAndStop);

}  // namespace
