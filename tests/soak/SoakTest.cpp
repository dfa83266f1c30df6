// A shoot day through the real MIDI callback and controller, a picture per log, saved every
// so many logs: every log ends in the file with its own picture, and memory grows by no more
// than the log holds. GLIMMARK_SOAK_HOURS: hours of timecode (default 1).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "documents/ProjectFiles.h"
#include "platform/fake/FakePlatform.h"
#include "platform/plist/PropertyListFileStore.h"
#include "vexasim/SimulatedInterface.h"

namespace {

// 2,000 logs in twelve hours at 30 fps: one every 21.6 s, each running 10 s.
constexpr int kLogEveryFrames = 648;
constexpr std::size_t kPictureBytes = 60 * 1024;

long residentBytes() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

std::string labelOf(int n) {
    return std::string(kPictureBytes, static_cast<char>('a' + n % 26)) + "#" + std::to_string(n);
}

TEST(Soak, ADayOfLogsIsSavedWholeAndMemoryStaysFlat) {
    const char* env = std::getenv("GLIMMARK_SOAK_HOURS");
    const double hours = env != nullptr && std::atof(env) > 0 ? std::atof(env) : 1;
    const long long quarterFrames = static_cast<long long>(hours * 3600 * 30 * 4);
    const int expectedLogs = static_cast<int>(quarterFrames / 4 / kLogEveryFrames);
    const int saveEvery = std::max(1, std::min(200, expectedLogs / 10));  // ten saves a run

    projectfiles::TempFolder folder;
    const std::string path = folder.file("day.vlg");
    platform::plist::PropertyListFileStore store;
    fake::App app;
    vexasim::SimulatedInterface sim([](auto list) { myReadProc(list, nullptr, nullptr); });
    const auto showFrameForNextLog = [&] {
        app.app->captureOutputDidOutputVideoFrame(
            std::make_shared<fake::VideoFrame>(labelOf(sim.logsStarted() + 1)));
    };
    app.app->captureActive = 1;
    showFrameForNextLog();
    sim.setFrameRate(vexasim::FrameRate::fps30);
    sim.locate({8, 0, 0, 0});
    sim.setAutoLogTiming(kLogEveryFrames, 300);
    sim.receive(platform::makeMidiPacketList(app.app->messages.sysexLogAktivOn));
    sim.play();
    app.mainThread.drain();
    showFrameForNextLog();  // the first log may have begun with the timecode

    const LogList& list = app.app->logStartArray;
    const long rssStart = residentBytes();
    long rssPeak = rssStart;
    for (long long done = 0, savedAt = 0; done < quarterFrames; ++done) {
        const int logsBefore = sim.logsStarted();
        sim.advanceQuarterFrames(1);
        app.mainThread.drain();
        if (sim.logsStarted() != logsBefore)
            showFrameForNextLog();
        if (list.recordCount() >= savedAt + saveEvery && !sim.logOpen()) {
            app.app->waitForPictures();
            ASSERT_EQ(store.writeArray(path, list), "");
            savedAt = list.recordCount();
            rssPeak = std::max(rssPeak, residentBytes());
        }
    }
    sim.stop();
    app.mainThread.drain();
    app.app->waitForPictures();
    ASSERT_EQ(store.writeArray(path, list), "");
    rssPeak = std::max(rssPeak, residentBytes());
    ASSERT_GE(list.recordCount(), expectedLogs - 1);
    ASSERT_EQ(list.recordCount(), sim.logsStarted());
#if !defined(__SANITIZE_ADDRESS__)
    // The pictures held, the allocator's slack and a margin: a leak per quarter frame or per
    // save passes it by far.
    const long pictureBytes = static_cast<long>(kPictureBytes) * list.recordCount();
    EXPECT_LT(rssPeak - rssStart, pictureBytes + pictureBytes / 4 + (48l << 20))
        << hours << " h, " << list.recordCount() << " logs";
#endif

    const auto read = store.readArray(path);
    ASSERT_TRUE(read.error.empty() && read.entries == projectfiles::valuesOf(list))
        << "the file differs from the log: " << read.error;
    for (int r = 1; r <= list.recordCount(); ++r) {
        const Picture& picture = list.picture(LogList::indexOf(r, kFieldPicture));
        ASSERT_TRUE(list.text(LogList::indexOf(r, kFieldNumber)) == std::to_string(r) &&
                    std::string(picture.begin(), picture.end()) == "JPEG" + labelOf(r) + "@0.50")
            << "record " << r << " lacks its number or its own picture";
    }
}

}  // namespace
