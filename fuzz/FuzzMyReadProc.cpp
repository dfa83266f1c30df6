// Arbitrary bytes from the MIDI system: as a packet list of any shape, and as the byte
// stream of well-formed packets, with every effect run on the "main thread" afterwards.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/MidiPacketList.h"
#include "platform/fake/FakePlatform.h"

namespace {

fake::App& app() {
    static fake::App* instance = [] {
        auto* a = new fake::App;
        a->windows.chkEditChaseModeVal.on = true;
        a->app->captureActive = 1;
        a->app->captureOutputDidOutputVideoFrame(std::make_shared<fake::VideoFrame>("frame"));
        return a;
    }();
    return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fake::App& a = app();
    const std::span<const std::uint8_t> bytes(data, size);

    // The raw bytes as a packet list: lying counts, truncated headers, anything.
    myReadProc(bytes, nullptr, nullptr);

    // The same bytes cut into packets of the lengths the first bytes choose.
    platform::MidiPacketList list(65536);
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t length = std::min<std::size_t>(1 + data[pos] % 16, size - pos);
        list.add(0, bytes.subspan(pos, length));
        pos += length;
    }
    myReadProc(list.bytes(), nullptr, nullptr);
    a.mainThread.drain();

    // Keep the log from growing without end over millions of runs.
    if (a.app->logStartArray.recordCount() > 200) {
        a.app->LogStartArrayInit();
        a.app->logEditPos = 1;
    }
    return 0;
}
