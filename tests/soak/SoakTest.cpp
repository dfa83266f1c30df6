// A shoot day without pause: the simulated interface runs timecode through the real MIDI
// callback and controller as fast as they take it, logging automatically with a fresh
// picture per log, and the log is saved as a project file every so many logs. At the end
// every log must be in the file, and memory must not have grown beyond what the log holds.
//
// GLIMMARK_SOAK_HOURS sets the length in hours of timecode (default 1; 12 is a full day).

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "documents/TempFolder.h"
#include "loglist/Timecode.h"
#include "platform/plist/PropertyListFileStore.h"
#include "support/FakePlatform.h"
#include "vexasim/SimulatedInterface.h"

#if defined(__SANITIZE_ADDRESS__)
#define GLIMMARK_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLIMMARK_SOAK_ASAN 1
#endif
#endif

namespace {

constexpr int kFps = 30;
// 2,000 logs in twelve hours: one every 21.6 s, each running 10 s.
constexpr int kLogEveryFrames = 648;
constexpr int kLogLengthFrames = 300;
constexpr std::size_t kPictureBytes = 60 * 1024;

double hoursOfTimecode() {
    const char* hours = std::getenv("GLIMMARK_SOAK_HOURS");
    const double value = hours != nullptr ? std::atof(hours) : 0.0;
    return value > 0 ? value : 1.0;
}

long residentBytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * ::sysconf(_SC_PAGESIZE);
}

// The camera's frame for the n-th log: as large as a real picture, and different per log,
// so that the file shows which picture went with which log.
platform::VideoFramePtr frameForLog(int n) {
    std::string label(kPictureBytes, static_cast<char>('a' + n % 26));
    label += "#" + std::to_string(n);
    return std::make_shared<fake::VideoFrame>(label);
}

struct Observed {
    std::string start, stop;
};

TEST(Soak, ADayOfLogsIsSavedWholeAndMemoryStaysFlat) {
    const double hours = hoursOfTimecode();
    const long long quarterFrames = static_cast<long long>(hours * 3600 * kFps * 4);
    const int expectedLogs = static_cast<int>(quarterFrames / 4 / kLogEveryFrames);
    // Ten saves over the run: every 200 logs in a full day.
    const int saveEvery = std::max(1, std::min(200, expectedLogs / 10));

    documents_test::TempFolder folder;
    const std::string path = folder / "day.vlg";
    platform::plist::PropertyListFileStore store;
    fake::App app;
    std::vector<Observed> logs;
    vexasim::SimulatedInterface sim([&](std::span<const std::uint8_t> list) {
        platform::forEachMidiPacket(list, [&](std::span<const std::uint8_t> m) {
            if (m.size() > 4 && m[0] == 0xF0 && m[1] == 0x2C && m[3] == 0x67) {
                const auto t = sim.timecode();
                const std::string text = timecode::format(t.hours, t.minutes, t.seconds, t.frames);
                if (m[4] == 0x01)
                    logs.push_back({text, ""});
                else if (m[4] == 0x02 && !logs.empty())
                    logs.back().stop = text;
            }
        });
        myReadProc(list, nullptr, nullptr);
    });
    app.app->captureActive = 1;
    app.app->captureOutputDidOutputVideoFrame(frameForLog(1));
    sim.setFrameRate(vexasim::FrameRate::fps30);
    sim.locate({8, 0, 0, 0});
    sim.setAutoLogTiming(kLogEveryFrames, kLogLengthFrames);
    sim.receive(platform::makeMidiPacketList(app.app->messages.sysexLogAktivOn));
    sim.play();
    app.mainThread.drain();
    // The first log may start with the timecode.
    app.app->captureOutputDidOutputVideoFrame(frameForLog(static_cast<int>(logs.size()) + 1));

    const LogList& list = app.app->logStartArray;
    const long rssStart = residentBytes();
    long rssPeak = rssStart;
    int saves = 0;
    int savedAt = 0;
    const auto began = std::chrono::steady_clock::now();
    for (long long done = 0; done < quarterFrames; ++done) {
        const std::size_t logsBefore = logs.size();
        sim.advanceQuarterFrames(1);
        app.mainThread.drain();
        if (logs.size() != logsBefore) {
            app.app->captureOutputDidOutputVideoFrame(
                frameForLog(static_cast<int>(logs.size()) + 1));
        }
        const int records = list.recordCount();
        if (records >= savedAt + saveEvery && !sim.logOpen()) {
            app.app->waitForPictures();
            ASSERT_EQ(store.writeArray(path, list), "");
            savedAt = records;
            ++saves;
        }
        if (done % 100'000 == 0)
            rssPeak = std::max(rssPeak, residentBytes());
    }
    sim.stop();
    app.mainThread.drain();
    app.app->waitForPictures();
    ASSERT_EQ(store.writeArray(path, list), "");
    ++saves;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    const long rssEnd = residentBytes();
    rssPeak = std::max(rssPeak, rssEnd);

    long logBytes = 0;
    for (std::size_t i = 0; i < list.count(); ++i)
        logBytes +=
            static_cast<long>(list.holdsPicture(i) ? list.picture(i).size() : list.text(i).size());
    const auto fileBytes = std::filesystem::file_size(path);
    std::printf(
        "soak: %.1f h of timecode, %lld quarter frames in %.1f s (%.0f quarter frames/s), "
        "%zu logs, %d saves\n"
        "soak: RSS %.1f MB at start, %.1f MB at end, %.1f MB peak; log holds %.1f MB; "
        "file %.1f MB\n",
        hours, quarterFrames, seconds, quarterFrames / seconds, logs.size(), saves, rssStart / 1e6,
        rssEnd / 1e6, rssPeak / 1e6, logBytes / 1e6, fileBytes / 1e6);

    ASSERT_GE(static_cast<int>(logs.size()), expectedLogs - 1);
    ASSERT_EQ(list.recordCount(), static_cast<int>(logs.size()));
#ifndef GLIMMARK_SOAK_ASAN
    // What the process holds beyond the log: the log's own bytes, the allocator's slack over
    // them, and a fixed margin. A leak per quarter frame or per save would pass it by far.
    EXPECT_LT(rssPeak - rssStart, logBytes + logBytes / 4 + (48l << 20));
#endif

    const auto read = store.readArray(path);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.entries.size(), list.count());
    int wrong = 0;
    for (int r = 1; r <= list.recordCount() && wrong < 5; ++r) {
        const auto text = [&](int k) {
            return std::get<std::string>(read.entries[LogList::indexOf(r, k)]);
        };
        const Picture& picture =
            std::get<Picture>(read.entries[LogList::indexOf(r, kFieldPicture)]);
        const std::string label =
            std::string(kPictureBytes, static_cast<char>('a' + r % 26)) + "#" + std::to_string(r);
        const bool same = text(kFieldNumber) == std::to_string(r) &&
                          text(kFieldStart) == logs[r - 1].start &&
                          text(kFieldStop) == logs[r - 1].stop &&
                          std::string(picture.begin(), picture.end()) == "JPEG" + label + "@0.50";
        if (!same) {
            ++wrong;
            ADD_FAILURE() << "record " << r << ": " << text(kFieldNumber) << " "
                          << text(kFieldStart) << "-" << text(kFieldStop) << ", expected "
                          << logs[r - 1].start << "-" << logs[r - 1].stop << ", picture of "
                          << picture.size() << " bytes ending "
                          << std::string(picture.end() - std::min<std::size_t>(picture.size(), 12),
                                         picture.end());
        }
    }
}

}  // namespace
