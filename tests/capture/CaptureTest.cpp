// Choosing the video device, and the stills the log gets from it.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "capture/StillEncoder.h"
#include "platform/fake/FakePlatform.h"

namespace {

// One step of a row's script. The log start comes as the MIDI thread gets it: the main
// thread's part waits for "drain", the encoder's for "release" after a "hold".
void step(fake::App& a, std::unique_lock<std::mutex>& encoder, const std::string& s) {
    const std::string last = s.substr(s.rfind(' ') + 1);
    const int n = std::isdigit(last[0]) ? std::stoi(last) : 0;
    if (s == "open") {
        a.app->comboBoxWillPopUp();
    } else if (s.starts_with("choose ") || s.starts_with("pick ")) {
        if (s[0] == 'c')
            a.app->comboBoxWillPopUp();
        a.windows.cmbDevicesVal.selectItem(n);
        a.app->cmbDevices();
    } else if (s.starts_with("again ")) {  // as the next start chooses the one remembered
        a.app->chooseVideoDevice(s.substr(6));
    } else if (s.starts_with("chosen")) {  // what the next start is to choose
        EXPECT_EQ(a.app->chosenVideoDevice(), s.substr(std::min<std::size_t>(s.size(), 7)));
    } else if (s.starts_with("frame ")) {
        a.video.deliver(std::make_shared<const fake::VideoFrame>(last));
    } else if (s == "log") {
        const fake::Bytes logStart{0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7};
        myReadProc(platform::makeMidiPacketList(logStart), nullptr, nullptr);
    } else if (s == "waiting" || s == "live" || s == "no video") {  // what the preview shows
        EXPECT_EQ(a.windows.mCaptureView.text, s == "waiting" ? "waiting for signal"
                                               : s == "live"  ? ""
                                                              : "No video");
    } else if (s.starts_with("status")) {  // what the capture status says
        EXPECT_EQ(a.windows.captureStatus.value, s.substr(std::min<std::size_t>(s.size(), 7)));
    } else if (s == "on show") {  // in the editor as soon as it is made, without a save or a step
        EXPECT_TRUE(fake::pumpUntil(a, [&] { return !a.windows.imgEdit.shown.empty(); }));
    } else if (s == "beside") {  // the next record's, beside the one on show, as soon as made
        EXPECT_TRUE(fake::pumpUntil(a, [&] { return !a.windows.imgEditNext.shown.empty(); }));
    } else if (s == "lose") {
        a.video.loseDevice("unplugged");
    } else if (s.starts_with("picked ")) {  // the device list's choice as the user sees it
        EXPECT_EQ(a.windows.cmbDevicesVal.selected, n);
    } else if (s == "drain") {
        a.mainThread.drain();
    } else if (s == "unplug") {
        a.video.devices.pop_back();
    } else if (s.starts_with("show ")) {
        a.app->logEditPos = n;
    } else if (s == "grab" || s == "undo") {
        s == "grab" ? a.app->btnCapture() : a.app->btnEditUndo();
    } else if (s == "saved") {  // as a save leaves it: the stills under way stored
        a.app->waitForPictures();
        a.app->editChangeFlag = 0;
    } else if (s == "ask") {  // a question open until the main thread's loop runs again
        a.app->outlets.dialogs->runAlert("Glimmark", "Save?", "Save");
    } else if (s == "hold" || s == "release") {
        s == "hold" ? encoder.lock() : encoder.unlock();
    } else if (s.starts_with("delete ")) {
        a.app->logStartArray.removeRecord(n);
    } else if (s.starts_with("insert ")) {
        a.app->logStartArray.insertRecord(n, {"0", "00:00:00:00", "", "", "", "", "", "", "", {}});
    } else if (s.starts_with("by hand ")) {
        a.app->logStartArray.replace(LogList::indexOf(n, kFieldPicture), fake::Bytes{'T'});
    } else {
        ADD_FAILURE() << "no such step: " << s;
    }
}

TEST(Capture, DevicesChosenWhatTheUserIsToldAndTheStillEachRecordGets) {
    // After the steps (separated by "; "): the video system's starts and stops, what the user
    // is told (system log lines, then alerts with their first line) and each record's still
    // (the frame's label, or "-" for none).
    struct Row {
        const char* name;
        int captureActive, modified;
        std::string steps;
        const char *calls, *told, *pictures;
    };
    // Three logs whose stills wait in the encoder while the log changes.
    const std::string kHeld = "choose 1; hold; frame A; log; frame B; log; frame C; log; drain; ";
    const Row rows[] = {
        {"the list opened", 0, 0, "choose 1; open", "start Cam A, stop Cam A", "", ""},
        {"None starts nothing", 0, 0, "choose 0", "", "", ""},
        {"None ends the wait for a signal", 0, 0,
         "choose 1; waiting; status; choose 0; no video; status Capture off: new logs get no "
         "picture",
         "start Cam A, stop Cam A", "", ""},
        {"the choice is remembered, None too", 0, 0, "choose 2; chosen Card B; choose 0; chosen",
         "start Card B, stop Card B", "", ""},
        {"chosen again at the next start", 1, 0, "again Card B; waiting; chosen Card B",
         "start Card B", "", ""},
        {"one not there at the next start is named until a choice", 0, 1,
         "again Cam X; status Capture off (\"Cam X\" not found): new logs get no picture; log; "
         "drain; status Capture off (\"Cam X\" not found): 1 log without a picture, the last 1; "
         "choose 0; status Capture off: 1 log without a picture, the last 1",
         "", "", "-"},
        {"a device that will not open: not a word", 0, 0, "choose 3", "start Dead C", "", ""},
        {"no output: error3, the system's words", 0, 0, "choose 4", "start Mute D",
         "error3, No picture from Mute D: not negotiated", ""},
        {"one unplugged while the list was open", 0, 0, "open; unplug; pick 4", "", "", ""},
        {"lost: no more stills, the user told", 0, 1,
         "choose 1; picked 1; frame A; lose; log; drain; picked 0; no video; "
         "status Capture off: 1 log without a picture, the last 1",
         "start Cam A, stop Cam A",
         "video input lost: unplugged, The video input has stopped.: unplugged", "-"},
        {"a loss after another choice", 1, 0, "choose 1; lose; choose 2; drain",
         "start Cam A, stop Cam A, start Card B", "", ""},
        {"a log start keeps the frame of its moment", 1, 1,
         "choose 1; frame A; log; frame B; drain; on show", "start Cam A", "", "A"},
        {"no still of the device before", 1, 1,
         "choose 1; frame A; choose 2; waiting; log; drain; status No signal: 1 log without a "
         "picture, the last 1; frame B; live; log; drain; status",
         "start Cam A, stop Cam A, start Card B", "", "-, B"},
        {"capture off: no stills, the logs named", 0, 1,
         "choose 1; frame A; open; no video; log; log; drain; "
         "status Capture off: 2 logs without a picture, the last 2",
         "start Cam A, stop Cam A", "", "-, -"},
        {"a still beside the record on show", 1, 1,
         "choose 1; frame A; log; drain; saved; hold; frame B; log; drain; show 1; release; beside",
         "start Cam A", "", "A, B"},
        {"a grab replaces the still on show", 1, 1,
         "choose 1; frame A; log; log; drain; saved; show 1; frame B; grab", "start Cam A", "",
         "B, A"},
        {"a grab taken back", 1, 1, "choose 1; frame A; log; drain; saved; frame B; grab; undo",
         "start Cam A", "", "A"},
        {"capture off: grabs wait", 0, 0, "choose 1; frame A; log; drain; saved; open; grab",
         "start Cam A, stop Cam A", "", "A"},
        {"grab, no frame yet", 1, 0, "choose 1; log; drain; saved; grab", "start Cam A", "", "-"},
        {"a grab on an empty log, then one on a take", 1, 1,
         "choose 1; frame A; grab; log; drain; saved; frame B; grab", "start Cam A", "", "B"},
        {"deleted meanwhile", 1, 1, kHeld + "delete 2; release", "start Cam A", "", "A, C"},
        {"inserted meanwhile", 1, 1, kHeld + "insert 2; release", "start Cam A", "", "A, -, B, C"},
        {"a still by hand meanwhile", 1, 1, kHeld + "by hand 2; release", "start Cam A", "",
         "A, T, C"},
        {"a save from a question", 1, 0, kHeld + "ask; release; saved", "start Cam A",
         "Glimmark: Save?", "A, B, C"},
    };
    const auto join = [](const std::vector<std::string>& parts) {
        std::string out;
        for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
        return out;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fake::App a;
        a.video.devices = {"Cam A", "Card B", "Dead C", "Mute D"};
        a.video.failsToOpen = "Dead C";
        a.video.failsAtOutput = "Mute D";
        std::unique_lock encoder(a.codec.gate, std::defer_lock);
        for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + 2) {
            end = row.steps.find("; ", at);
            step(a, encoder, row.steps.substr(at, end - at));
        }
        a.app->waitForPictures();
        a.mainThread.drain();
        std::vector<std::string> told = a.systemLog.lines, pictures;
        for (const auto& alert : a.windows.dialogs.alerts)
            told.push_back(alert.title + ": " + alert.message.substr(0, alert.message.find('\n')));
        for (int r = 1; r <= a.app->logStartArray.recordCount(); ++r) {
            const Picture& p = a.app->logStartArray.picture(LogList::indexOf(r, kFieldPicture));
            const std::string label(p.begin(), p.end());
            pictures.push_back(p.empty()                   ? "-"
                               : label.starts_with("JPEG") ? label.substr(4, p.size() - 9)
                                                           : label);
        }
        EXPECT_EQ(std::tuple(int(a.app->captureActive), join(a.video.calls), join(told),
                             join(pictures), int(a.app->editChangeFlag)),
                  std::tuple(row.captureActive, row.calls, row.told, row.pictures, row.modified));
        if (!a.windows.cmbDevicesVal.items.empty()) {
            EXPECT_EQ(join(a.windows.cmbDevicesVal.items), "None, Cam A, Card B, Dead C, Mute D");
        }
    }
}

// A save waits for the still being encoded, not only for those still queued: its take keeps it.
TEST(StillEncoder, AWaitEndsOnlyWhenTheStillBeingEncodedIsDone) {
    struct SlowCodec final : platform::ImageCodec {
        platform::Bytes encodeJpeg(const platform::VideoFrame&, double) override {
            started = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return {'J'};
        }
        std::atomic<bool> started = false;
    } codec;
    StillEncoder encoder(codec, 0.5, [] {});
    encoder.encode(7, 1, std::make_shared<const fake::VideoFrame>("A"));
    while (!codec.started)
        std::this_thread::yield();
    encoder.waitUntilIdle();
    const auto stills = encoder.takeFinished();
    ASSERT_EQ(stills.size(), 1u);
    EXPECT_EQ(stills[0].record, 7u);
}

}  // namespace
