// Takes from a timecode source other than the interface, into the log, windows and stills.

#include <gtest/gtest.h>

#include <ctime>
#include <future>
#include <sstream>

#include "platform/fake/FakePlatform.h"
#include "timecode/ClockTimecodeSource.h"
#include "timecode/MtcReader.h"
#include "timecode/SourceChoice.h"
#include "timecode/TimecodeSources.h"

namespace {

// Hands the test the callbacks; its clock is the test's.
struct ScriptedSource final : platform::TimecodeSource {
    std::string name() const override { return "LTC test:out"; }
    bool start(Callbacks c, std::string& why) override {
        why = refuse;
        callbacks = std::move(c);
        return refuse.empty();
    }
    void stop() override { callbacks = {}; }
    std::int64_t now() const override { return *clock; }
    Callbacks callbacks;
    std::int64_t* clock;
    std::string refuse;
};

platform::SourceFrame frameOf(const std::string& label, int fps, bool df, std::int64_t micros) {
    const auto at = [&](int i) { return timecode::intValueAt(label, i); };
    return {at(0), at(3), at(6), at(9), fps, df, false, micros};
}

// One step of a row's script, its moment after "@" in ms: "run25 10:00:00:00 x10" frames at 25
// (24, 30, df for 29.97 drop-frame) a frame apart, "rev25" counting down, "/2" every second one;
// "look" the clock moves on with no frame; "late TC" a frame that waits for a main thread that
// looks first; "start", "stop", "play" the buttons; "mode 2" the logging choice; "frame A" a
// video frame; "learn" learning the MIDI key; "midi 90 3C 7F" a MIDI message (hex).
struct Script {
    fake::App& a;
    ScriptedSource* source;
    std::int64_t now = 0;  // the source's clock

    void step(const std::string& s) {
        std::istringstream in(s);
        std::string what, label, count;
        in >> what;
        if (const auto at = s.find('@'); at != std::string::npos)
            now = std::stoll(s.substr(at + 1)) * 1000;
        if (what.starts_with("run") || what.starts_with("rev")) {
            in >> label >> count;
            const bool df = what.ends_with("df");
            const int fps = df ? 30 : std::stoi(what.substr(3, 2));
            const int every = what.ends_with("/2") ? 2 : 1;
            const timecode::FrameRate rate{fps, df};
            const auto known = timecode::frameOf(label, rate);
            if (!known)  // a label no timecode has, as a misread gives
                source->callbacks.frame(frameOf(label, fps, df, now));
            const std::int64_t first = known.value_or(0);
            const double frameMicros = df ? 1001000.0 / 30 : 1e6 / fps;
            for (int i = 0; known && i < std::stoi(count.substr(1)); ++i) {
                const std::int64_t n = what[2] == 'v' ? first - i * every : first + i * every;
                auto f = frameOf(timecode::labelOf(n, rate), fps, df,
                                 now + static_cast<std::int64_t>(i * every * frameMicros));
                f.reverse = what[2] == 'v';
                source->callbacks.frame(f);
            }
        } else if (what == "look") {
            a.timers.advance(std::chrono::milliseconds(20));
        } else if (what == "late") {  // frames wait for the main thread while it looks
            in >> label;
            source->callbacks.frame(frameOf(label, 25, false, now));
            a.timers.advance(std::chrono::milliseconds(20));
        } else if (what == "start") {
            a.app->btnLogManual();
        } else if (what == "stop") {
            a.app->btnLogManualStop();
        } else if (what == "play") {
            a.app->btnEditPlay();
        } else if (what == "learn") {
            a.app->timecodeSources().learnKey();
        } else if (what == "midi") {
            int status = 0, data1 = 0, data2 = 0;
            in >> std::hex >> status >> data1 >> data2;
            a.app->timecodeSources().keyEvent(std::uint8_t(status), std::uint8_t(data1),
                                              std::uint8_t(data2), now);
        } else if (what == "mode") {
            a.windows.cmbLogSelectVal.selectItem(std::stoi(s.substr(5)));
            a.app->cmbLogSelect();
        } else if (what == "frame") {
            a.video.deliver(std::make_shared<const fake::VideoFrame>(s.substr(6)));
        }
        a.mainThread.drain();
    }
};

struct Case {
    const char* name;
    std::vector<std::string> script;
    std::vector<std::string> records;  // number|start|stop|the still's frame
    std::string status;                // the capture window's start / the timecode status
    std::string buttons = "";  // whether the logging choice, Start Log and Stop Log work
};

// clang-format off
const Case kCases[] = {
    {"a run is a take from its first frame to its last, its still from the first",
     {"frame A", "run25 10:00:00:00 x3 @0", "frame B", "run25 10:00:00:03 x7 @120", "look @380",
      "run25 10:00:00:10 x2 @400", "look @1000"},
     {"1|10:00:00:00|10:00:00:11|A"}, "10:00:00:00 / LTC test:out  no signal"},
    {"a main thread late with the frames does not take its delay for a lost signal",
     {"run25 10:00:00:00 x5 @0", "late 10:00:00:05 @600", "run25 10:00:00:06 x3 @640"},
     {"1|10:00:00:00||"}, "10:00:00:00 / LTC test:out  25 fps"},
    {"a pause between two runs makes two takes", {"run25 10:00:00:00 x5 @0", "look @600",
      "run25 10:00:01:00 x5 @1000", "look @1600"}, {"1|10:00:00:00|10:00:00:04|",
      "2|10:00:01:00|10:00:01:04|"}, "10:00:01:00 / LTC test:out  no signal"},
    {"two frames are no take", {"run25 10:00:00:00 x2 @0", "look @600"}, {}, ""},
    {"midnight's frame is a frame like any other", {"run25 00:00:00:00 x3 @0", "look @600",
      "run25 23:59:59:23 x4 @1000", "look @1600"}, {"1|00:00:00:00|00:00:00:02|",
      "2|23:59:59:23|00:00:00:01|"}, "23:59:59:23 / LTC test:out  no signal"},
    {"standing timecode ends the take at the last frame that ran",
     {"run25 10:00:00:00 x6 @0", "run25 10:00:00:05 x1 @240"}, {"1|10:00:00:00|10:00:00:05|"},
     "10:00:00:00 / LTC test:out  25 fps"},
    {"a jump ends the take and the new reel makes the next",
     {"frame A", "run25 10:00:00:00 x5 @0", "frame B", "run25 20:00:00:00 x4 @200"},
     {"1|10:00:00:00|10:00:00:04|A", "2|20:00:00:00||B"}, "20:00:00:00 / LTC test:out  25 fps  "
     "Timecode jumped from 10:00:00:04 to 20:00:00:00: take ended at 10:00:00:04"},
    {"a change of rate ends the take and begins the next, with the still of its first frame",
     {"run25 10:00:00:00 x5 @0", "frame C", "run30 10:00:00:05 x6 @200"},
     {"1|10:00:00:00|10:00:00:04|", "2|10:00:00:05||C"}, "10:00:00:05 / LTC test:out  30 fps  "
     "Timecode rate changed from 25 to 30: take ended at 10:00:00:04"},
    {"a misread frame in a run, or a frame number past the rate, breaks nothing",
     {"run25 10:00:00:00 x5 @0", "run25 10:00:11:10 x1 @200", "run25 10:00:00:27 x1 @220",
      "run25 10:00:00:06 x4 @240", "look @800"},
     {"1|10:00:00:00|10:00:00:09|"}, "10:00:00:00 / LTC test:out  no signal"},
    {"MIDI Time Code spelling every second frame runs on", {"run30/2 01:00:00:00 x5 @0",
      "look @900"}, {"1|01:00:00:00|01:00:00:08|"}, "01:00:00:00 / LTC test:out  no signal"},
    {"drop-frame runs over the minute, its start shown with semicolons",
     {"rundf 00:00:59:27 x5 @0"}, {"1|00:00:59:27||"}, "00;00;59;27 / LTC test:out  29.97 fps "
     "drop-frame"},
    {"reverse play is a take from its first frame", {"rev24 10:00:01:00 x4 @0", "look @800"},
     {"1|10:00:01:00|10:00:00:21|"}, "10:00:01:00 / LTC test:out  no signal"},
    {"by key in reverse play the take starts on the frame the key went down in",
     {"mode 2", "rev24 10:00:01:00 x3 @0", "start @170"}, {"1|10:00:00:20||"}, ""},
    {"with logging off frames make no take", {"mode 0", "run25 10:00:00:00 x9 @0"}, {}, ""},
    {"by key the take starts and stops on the frames the keys went down in",
     {"mode 2", "run25 10:00:00:00 x3 @0", "frame K", "start @175", "frame L",
      "run25 10:00:00:05 x5 @200", "stop @285"},
     {"1|10:00:00:04|10:00:00:07|K"}, "10:00:00:04 / LTC test:out  25 fps", "on on off"},
    {"a learned MIDI note starts and stops by key; its release and other notes do nothing",
     {"mode 2", "learn", "midi 91 3C 7F @0", "run25 10:00:00:00 x3 @0", "midi 91 3D 7F @90",
      "midi 81 3C 00 @90", "midi 91 3C 00 @90", "midi 91 3C 40 @130", "run25 10:00:00:04 x5 @160",
      "midi 91 3C 7F @330"}, {"1|10:00:00:03|10:00:00:08|"},
     "10:00:00:03 / LTC test:out  25 fps  Note 60 on channel 2 is Start/Stop"},
    {"a learned controller presses at 64 and above",
     {"mode 2", "learn", "midi B1 40 7F @0", "run25 10:00:00:00 x3 @0", "midi B1 40 40 @90",
      "midi B1 40 3F @130", "run25 10:00:00:04 x5 @160", "midi B1 40 40 @330"},
     {"1|10:00:00:02|10:00:00:08|"}, ""},
    {"a learned note takes nothing with logging off", {"mode 2", "learn", "midi 91 3C 7F @0",
      "mode 0", "run25 10:00:00:00 x3 @0", "midi 91 3C 7F @90"}, {}, ""},
    {"an odd frame before a silence is forgotten with it",
     {"run25 10:00:00:00 x5 @0", "run25 12:00:00:00 x1 @200", "look @800",
      "run25 11:00:00:00 x5 @1000"},
     {"1|10:00:00:00|10:00:00:04|", "2|11:00:00:00||"}, "11:00:00:00 / LTC test:out  25 fps"},
    {"Play without the interface says so", {"play"}, {},
     " / LTC test:out  no signal  Play needs the interface's transport"},
    {"by key without a signal nothing is logged and the status says so", {"mode 2",
      "run25 10:00:00:00 x3 @0", "start @590", "look @600", "start @600"}, {},
     " / LTC test:out  no signal  No timecode: Start Log logged nothing"},
    {"a jump during a take by key leaves it open for its Stop Log", {"mode 2",
      "run25 10:00:00:00 x3 @0", "start @100", "run25 11:00:00:00 x3 @120", "stop @200"},
     {"1|10:00:00:02|11:00:00:02|"},
     "10:00:00:02 / LTC test:out  25 fps  Timecode jumped from 10:00:00:02 to 11:00:00:00"},
    {"Start Log by key makes Stop Log work", {"mode 2", "run25 10:00:00:00 x3 @0", "start @100"},
     {"1|10:00:00:02||"}, "", "on on on"},
    {"Stop Log goes with by key, the take staying open",
     {"mode 2", "run25 10:00:00:00 x3 @0", "start @100", "mode 1"}, {"1|10:00:00:02||"}, "",
     "on off off"},
    {"a key down on a frame's first moment, the next frame in, takes that frame",
     {"mode 2", "run25 10:00:00:00 x5 @0", "start @120"}, {"1|10:00:00:03||"}, ""},
    {"a run after a jump from too few frames for a take has the still of its own first frame",
     {"frame A", "run25 10:00:00:00 x2 @0", "frame B", "run25 20:00:00:00 x3 @100"},
     {"1|20:00:00:00||B"}, ""},
    {"learning a key asks for it", {"learn"}, {},
     " / LTC test:out  no signal  Press the MIDI note or controller for Start/Stop"},
};
// clang-format on

TEST(TimecodeSources, MakeTheTakesTheInterfaceWould) {
    for (const Case& row : kCases) {
        SCOPED_TRACE(row.name);
        fake::App a;
        a.video.devices = {"Camera"};
        a.app->comboBoxWillPopUp();
        a.windows.cmbDevicesVal.selectItem(1);
        a.app->cmbDevices();
        auto source = std::make_unique<ScriptedSource>();
        Script script{a, source.get()};
        source->clock = &script.now;
        ASSERT_TRUE(a.app->timecodeSources().use(std::move(source)));
        for (const std::string& s : row.script) script.step(s);
        a.app->waitForPictures();
        std::vector<std::string> records;
        for (int r = 1; r <= a.app->logStartArray.recordCount(); ++r) {
            const Picture& p = a.app->logStartArray.picture(LogList::indexOf(r, kFieldPicture));
            const std::string still(p.begin(), p.end());
            records.push_back(a.field(r, kFieldNumber) + "|" + a.field(r, kFieldStart) + "|" +
                              a.field(r, kFieldStop) + "|" +
                              (still.empty() ? "" : still.substr(4, 1)));
        }
        EXPECT_EQ(records, row.records);
        if (!row.status.empty()) {
            EXPECT_EQ(a.windows.txtLogStart.value + " / " + a.windows.timecodeStatus.value,
                      row.status);
        }
        const auto on = [](bool enabled) { return std::string(enabled ? "on" : "off"); };
        const auto& w = a.windows;
        if (!row.buttons.empty()) {
            EXPECT_EQ(on(w.cmbLogSelectVal.enabled) + " " + on(w.btnLogManualVal.enabled) + " " +
                          on(w.btnLogManualStopVal.enabled),
                      row.buttons);
        }
    }
}

// The running timecode of the source in use only: the interface's is not shown over it, and
// shows again once the interface is the source.
TEST(TimecodeSources, ShowOnlyTheChosenRunningTimecode) {
    fake::App a;
    std::int64_t clock = 0;
    auto source = std::make_unique<ScriptedSource>();
    source->clock = &clock;
    ScriptedSource* scripted = source.get();
    ASSERT_TRUE(a.app->timecodeSources().use(std::move(source)));
    EXPECT_EQ(a.windows.cmbLogSelectVal.items,
              (std::vector<std::string>{"Logging off", "Record run", "By key"}));
    scripted->callbacks.frame(frameOf("10:00:00:00", 25, false, 0));
    a.mainThread.drain();
    // At 25 frames, the rate the log has: the rate does not move and says nothing.
    const fake::Bytes fullFrame{0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x21, 2, 3, 4, 0xF7};
    a.receive(fullFrame);
    EXPECT_EQ(a.windows.statusText.value, "  10:00:00:00");
    ASSERT_TRUE(a.app->timecodeSources().use(nullptr));
    a.receive(fullFrame);
    EXPECT_EQ(a.windows.statusText.value, "  01:02:03:04");
    EXPECT_EQ(a.windows.timecodeStatus.value, "");
    EXPECT_EQ(a.windows.cmbLogSelectVal.items.at(1) + " " +
                  std::to_string(a.windows.cmbLogSelectVal.selected),
              "Automatic logging 0");  // nothing chosen yet

    auto refusing = std::make_unique<ScriptedSource>();
    refusing->refuse = "no such port";
    EXPECT_FALSE(a.app->timecodeSources().use(std::move(refusing)));
    EXPECT_EQ(a.windows.timecodeStatus.value, "LTC test:out: no such port");
    a.receive(fullFrame);
    EXPECT_EQ(a.windows.statusText.value, "  01:02:03:04");
    a.app->timecodeSources().learnKey();  // a prompt left from before is not the next source's
    auto next = std::make_unique<ScriptedSource>();
    next->clock = &clock;
    ASSERT_TRUE(a.app->timecodeSources().use(std::move(next)));
    EXPECT_EQ(a.windows.timecodeStatus.value, "LTC test:out  no signal");
}

// MIDI Time Code from a port other than the interface: the frames made of bytes timed as given.
TEST(MtcReader, SpellsFramesFromWholeGroupsAndFullFrames) {
    using Bytes = std::vector<std::uint8_t>;
    // Quarter frames spelling 01:02:03:04 at a rate code, each its own event 10 apart.
    const auto group = [](int rate, std::int64_t at) {
        std::vector<std::pair<std::int64_t, Bytes>> events;
        const std::uint8_t pieces[8] = {0x04, 0x10, 0x23, 0x30,
                                        0x42, 0x50, 0x61, std::uint8_t(0x70 | rate << 1)};
        for (int i = 0; i < 8; ++i) events.push_back({at + 10 * i, {0xF1, pieces[i]}});
        return events;
    };
    struct Row {
        const char* name;
        std::vector<std::pair<std::int64_t, Bytes>> events;
        std::vector<std::string> frames;  // "label fps[df] @began"
    };
    auto twoGroups = group(1, 100);
    for (auto& e : group(2, 200)) twoGroups.push_back(e);
    auto missing = group(3, 100);
    missing.erase(missing.begin() + 3);
    for (auto& e : group(0, 200)) missing.push_back(e);
    // Backwards: piece 7 first, piece 0 last and in the frame spelled; a piece 7 that then
    // starts the next group, which the machine stops before it is whole, spells nothing more.
    auto backwards = group(1, 100);
    for (int i = 0; i < 8; ++i) backwards[i].second = group(1, 0)[7 - i].second;
    backwards.push_back({180, {0xF1, 0x72}});
    backwards.push_back({190, {0xF1, 0x61}});
    auto interrupted = group(0, 100);
    interrupted[2].second = {0xF1, 0xF8, 0x23};  // a clock byte between status and data
    interrupted[5].second = {0xF1, 0x90, 0x50};  // a note where the data byte should be
    const Row rows[] = {
        {"whole groups, stamped at piece 0, rate from piece 7", twoGroups,
         {"01:02:03:04 25 @100", "01:02:03:04 30df @200"}},
        {"a missing piece spells nothing until the next whole group",
         missing,
         {"01:02:03:04 24 @200"}},
        {"a group from piece 7 down is read backwards, stamped at piece 0", backwards,
         {"01:02:03:04 25 reverse @170"}},
        {"real-time bytes pass, a lost data byte spoils the group", interrupted, {}},
        {"a full frame with its rate, stamped at its arrival",
         {{50, {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x3B, 0x3B, 0x1D, 0xF7}}},
         {"01:59:59:29 30 @50"}},
        {"a full frame cut short, not real-time, or to another sub-id, is none",
         {{50, {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x90, 0x3B, 0x3B, 0x1D, 0xF7}},
          {55, {0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x61, 0x3B, 0x3B, 0xF7}},
          {60, {0xF0, 0x7F, 0x7F, 0x01, 0x02, 0x61, 0x3B, 0x3B, 0x1D, 0xF7}},
          {65, {0xF0, 0x7E, 0x7F, 0x01, 0x01, 0x61, 0x3B, 0x3B, 0x1D, 0xF7}},
          {70, {0xF0, 0x7F, 0x7F, 0x02, 0x01, 0x61, 0x3B, 0x3B, 0x1D, 0xF7}}}, {}},
    };
    for (const Row& row : rows) {
        timecode::MtcReader reader;
        std::vector<std::string> frames;
        for (const auto& [at, bytes] : row.events)
            for (const std::uint8_t b : bytes)
                if (const auto f = reader.byte(b, at))
                    frames.push_back(timecode::format(f->hours, f->minutes, f->seconds, f->frames) +
                                     " " + std::to_string(f->framesPerSecond) +
                                     (f->dropFrame ? "df" : "") + (f->reverse ? " reverse" : "") +
                                     " @" + std::to_string(f->beganAt));
        EXPECT_EQ(frames, row.frames) << row.name;
    }
}

TEST(SourceChoice, ReadsWhatTheCommandLineAndTheMenuWrite) {
    using C = timecode::SourceChoice;
    const std::string midiThrough = "Midi Through:Midi Through Port-0 14:0";
    struct Row {
        std::string text;
        std::optional<C> choice;
        std::string written;  // sourceChoiceText of the choice; the text itself when empty
    };
    const Row rows[] = {
        // clang-format off
        {"interface", C{}, ""}, {"ltc", C{C::Kind::ltc, "", {25, false}}, ""},
        {"ltc:system:capture_1", C{C::Kind::ltc, "system:capture_1", {25, false}}, ""},
        {"mtc:" + midiThrough, C{C::Kind::mtc, midiThrough, {25, false}}, ""},
        {"clock", C{C::Kind::clock, "", {25, false}}, "clock:25"},
        {"clock:24", C{C::Kind::clock, "", {24, false}}, ""},
        {"clock:25", C{C::Kind::clock, "", {25, false}}, ""},
        {"clock:29.97", C{C::Kind::clock, "", {30, true}}, ""},
        {"clock:30df", C{C::Kind::clock, "", {30, true}}, "clock:29.97"},
        {"clock:29.97df", C{C::Kind::clock, "", {30, true}}, "clock:29.97"},
        {"clock:30", C{C::Kind::clock, "", {30, false}}, ""}, {"clock:26", std::nullopt, ""},
        {"interface:x", std::nullopt, ""}, {"smpte", std::nullopt, ""}, {"", std::nullopt, ""},
        // clang-format on
    };
    for (const Row& row : rows) {
        std::string why;
        const auto choice = timecode::parseSourceChoice(row.text, why);
        EXPECT_EQ(choice, row.choice) << row.text;
        EXPECT_EQ(why.empty(), row.choice.has_value()) << row.text;
        if (choice) {
            EXPECT_EQ(timecode::sourceChoiceText(*choice),
                      row.written.empty() ? row.text : row.written)
                << row.text;
        }
    }
}

// The clock's labels keep pace with the time of day, drop-frame ones too, and a frame's
// start is where the label changes.
TEST(ClockTimecode, LabelsTheTimeOfDay) {
    struct Row {
        std::int64_t micros;
        timecode::FrameRate rate;
        const char* label;
        std::int64_t next;  // where the next frame begins
    };
    constexpr timecode::FrameRate kDf{30, true}, k25{25, false};
    // clang-format off
    const Row rows[] = {
        {0, k25, "00:00:00:00", 40'000}, {1'039'999, k25, "00:00:01:00", 1'040'000},
        {1'040'000, k25, "00:00:01:01", 1'080'000},
        {36'000'500'000, {24, false}, "10:00:00:12", 36'000'541'667},
        {86'399'999'999, {30, false}, "23:59:59:29", 86'400'000'000},
        {0, kDf, "00;00;00;00", 33'367}, {59'993'300, kDf, "00;00;59;28", 60'026'634},
        {60'100'000, kDf, "00;01;00;03", 60'126'734},
        {600'000'000, kDf, "00;10;00;00", 600'032'767},
        {3'600'000'000, kDf, "01;00;00;00", 3'600'029'767},
    };
    // clang-format on
    for (const Row& row : rows) {
        const platform::SourceFrame f = timecode::clockFrame(row.micros, row.rate);
        // Labelled as the frame says it is: its rate and drop-frame flag are the takes'.
        const std::string label =
            f.dropFrame ? timecode::formatDropFrame(f.hours, f.minutes, f.seconds, f.frames)
                        : timecode::format(f.hours, f.minutes, f.seconds, f.frames);
        EXPECT_EQ(label, row.label) << row.micros;
        EXPECT_EQ(f.framesPerSecond, row.rate.framesPerSecond) << row.micros;
        EXPECT_EQ(timecode::nextClockFrame(row.micros, row.rate), row.next) << row.micros;
        EXPECT_EQ(timecode::clockFrameStart(row.next, row.rate), row.next) << row.micros;
    }
}

// The running clock is the local time of day: here five and a half hours from UTC.
TEST(ClockTimecode, RunsOnTheLocalTimeOfDay) {
    const char* const zone = std::getenv("TZ");
    const std::string before = zone != nullptr ? zone : "";
    ::setenv("TZ", "<+0530>-05:30", 1);
    ::tzset();
    std::promise<platform::SourceFrame> first;
    timecode::ClockTimecodeSource clock({25, false});
    std::string why;
    clock.start({[&first, taken = false](const platform::SourceFrame& f) mutable {
                     if (!std::exchange(taken, true))
                         first.set_value(f);
                 },
                 {}},
                why);
    std::future<platform::SourceFrame> frame = first.get_future();
    ASSERT_EQ(frame.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const platform::SourceFrame f = frame.get();
    clock.stop();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    // Minutes apart, over midnight too; a minute may turn meanwhile.
    const int apart = (f.hours * 60 + f.minutes - local.tm_hour * 60 - local.tm_min + 1440) % 1440;
    EXPECT_TRUE(apart <= 1 || apart == 1439) << f.hours << ":" << f.minutes;
    zone != nullptr ? ::setenv("TZ", before.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

}  // namespace
