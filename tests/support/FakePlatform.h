#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/ImageFiles.h"
#include "platform/MainThread.h"
#include "platform/Midi.h"
#include "platform/Outlets.h"
#include "platform/PictureConverter.h"
#include "platform/PropertyListFiles.h"
#include "platform/SystemLog.h"
#include "platform/Timers.h"
#include "platform/Video.h"
#include "platform/VideoCapture.h"
#include "vexaLogging3AppDelegate.h"

namespace fake {

using Bytes = std::vector<std::uint8_t>;

class TextField final : public platform::TextField {
public:
    void setText(std::string_view text) override {
        value = text;
        ++writes;
    }
    std::string text() const override { return value; }
    void setEditable(bool e) override { editable = e; }

    std::string value;
    bool editable = true;
    int writes = 0;
};

class Button final : public platform::Button {
public:
    void setEnabled(bool e) override { enabled = e; }
    void setTitle(std::string_view t) override { title = t; }
    void setOn(bool o) override { on = o; }
    bool isOn() const override { return on; }

    bool enabled = true;
    bool on = false;
    std::string title;
};

class ComboBox final : public platform::ComboBox {
public:
    void setEnabled(bool e) override { enabled = e; }
    void removeAllItems() override {
        items.clear();
        selected = -1;
    }
    void addItem(std::string_view text) override { items.emplace_back(text); }
    void selectItem(int index) override { selected = index; }
    int selectedIndex() const override { return selected; }

    bool enabled = false;
    std::vector<std::string> items;
    int selected = -1;
};

// Decodes only what FakeImageCodec makes: "JPEG" followed by anything.
class ImageView final : public platform::ImageView {
public:
    bool showPicture(const platform::Bytes& encoded) override {
        const bool decodes = encoded.size() >= 4 && std::equal(encoded.begin(), encoded.begin() + 4,
                                                               std::string_view("JPEG").begin());
        shown = decodes ? encoded : platform::Bytes{};
        return decodes;
    }
    void clearPicture() override { shown.clear(); }
    void enterFullScreenMode() override { fullScreen = true; }
    void exitFullScreenMode() override { fullScreen = false; }
    bool isInFullScreenMode() const override { return fullScreen; }

    platform::Bytes shown;
    bool fullScreen = false;
};

// Notes, in `front`, the order in which windows were brought to the front.
class Window : public platform::Window {
public:
    Window(std::string name, std::vector<std::string>& front)
        : name(std::move(name)), m_front(front) {}
    void setTitle(std::string_view t) override { title = t; }
    void makeKeyAndOrderFront() override {
        visible = true;
        m_front.push_back(name);
    }

    std::string name;
    std::string title;
    bool visible = false;

private:
    std::vector<std::string>& m_front;
};

// runModal() runs `whileModal` as the user's turn in the panel (typing, pressing OK); the
// loop ends when that called abortModal(), else it counts as closed by the user.
class ModalPanel final : public platform::ModalPanel {
public:
    void setTitle(std::string_view t) override { title = t; }
    void makeKeyAndOrderFront() override { visible = true; }
    bool runModal() override {
        ++runs;
        visible = true;
        m_aborted = false;
        if (whileModal)
            whileModal();
        if (!m_aborted)
            visible = false;
        return m_aborted;
    }
    void abortModal() override { m_aborted = true; }
    void orderOut() override { visible = false; }

    std::function<void()> whileModal;
    std::string title;
    bool visible = true;
    int runs = 0;

private:
    bool m_aborted = false;
};

// Answers alerts from `answers` in turn (the alternate button when it runs dry) and keeps
// what each alert said.
class Dialogs final : public platform::Dialogs {
public:
    struct Alert {
        std::string title, message, defaultButton, alternateButton, otherButton;
    };
    int runAlert(std::string_view title, std::string_view message, std::string_view defaultButton,
                 std::string_view alternateButton, std::string_view otherButton) override {
        alerts.push_back({std::string(title), std::string(message), std::string(defaultButton),
                          std::string(alternateButton), std::string(otherButton)});
        if (answers.empty())
            return platform::kAlertAlternate;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> runOpenDialog(std::string_view extension) override {
        openDialogs.emplace_back(extension);
        return openPath;
    }
    std::optional<std::string> runSaveDialog(std::string_view suggestedName,
                                             std::string_view extension) override {
        saveDialogs.push_back({std::string(suggestedName), std::string(extension)});
        return savePath;
    }
    void runModalProgress(std::string_view label,
                          const std::function<void(const Progress&)>& work) override {
        progressLabels.emplace_back(label);
        work([](double) {});
    }

    std::optional<std::string> runChooseFileDialog(std::string_view message) override {
        chooseMessages.emplace_back(message);
        return choosePath;
    }

    std::deque<int> answers;
    std::vector<Alert> alerts;
    std::optional<std::string> openPath, savePath;
    // What each dialog was shown with: the extensions offered, the names proposed.
    std::vector<std::string> openDialogs;
    struct SaveDialog {
        std::string suggestedName, extension;
    };
    std::vector<SaveDialog> saveDialogs;
    std::vector<std::string> progressLabels;
    // The file the user picks in the any-file dialog, and what each such dialog said.
    std::optional<std::string> choosePath;
    std::vector<std::string> chooseMessages;
};

// Project files in memory, keyed by path. `failWith` makes every write fail with that
// reason; `duringWrite` runs in the middle of each write, while the list is being read.
class PropertyListFiles final : public platform::PropertyListFiles {
public:
    std::string writeArray(const std::string& path, const LogList& list,
                           const Progress& progress) override;
    ReadResult readArray(const std::string& path, const Progress& progress) override;

    std::map<std::string, std::vector<LogValue>> files;
    std::string failWith;
    std::function<void()> duringWrite;
    int writes = 0;
};

// The JPEG start marker (FF D8 FF) + the bytes it was given, for anything that does not start
// with "BAD".
class PictureConverter final : public platform::PictureConverter {
public:
    platform::Bytes toJpeg(const platform::Bytes& encoded, double compressionFactor) override;
    int conversions = 0;
};

// Image files by path: a path in `pictures` reads as the TIFF bytes given there, any other as
// no picture at all.
class ImageFiles final : public platform::ImageFiles {
public:
    std::optional<platform::Bytes> readAsTiff(const std::string& path, std::string& why) override {
        reads.push_back(path);
        const auto found = pictures.find(path);
        if (found == pictures.end()) {
            why = "not a picture";
            return std::nullopt;
        }
        return found->second;
    }
    std::map<std::string, platform::Bytes> pictures;
    std::vector<std::string> reads;
};

// Work posted to the main thread waits here until the test runs it, as a real event loop
// would run it later. Posting is safe from any thread.
class MainThread final : public platform::MainThread {
public:
    void post(std::function<void()> work) override {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(work));
    }
    // Runs everything posted so far, and whatever that posts in turn. Returns how much ran.
    int drain();
    std::size_t pending() const {
        std::lock_guard lock(m_mutex);
        return m_pending.size();
    }

private:
    mutable std::mutex m_mutex;
    std::deque<std::function<void()>> m_pending;
};

class Clock final : public platform::Clock {
public:
    platform::LocalTime now() const override { return time; }
    platform::LocalTime time{2026, 12, 7, 9, 5, 3};
};

class SystemLog final : public platform::SystemLog {
public:
    void write(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

// A MIDI system with scriptable devices. Records every packet list sent, with when it was
// sent; `onSend` lets a test play the device's answer (called on the send queue's thread).
class MidiSystem final : public platform::MidiSystem {
public:
    struct Sent {
        platform::MidiRef port;
        platform::MidiRef destination;
        Bytes packetList;
        std::chrono::steady_clock::time_point at;
    };
    struct Device {
        std::optional<std::string> model;
        platform::MidiRef destination;
        platform::MidiRef source;  // kNoMidiObject: the device has no source
    };

    // Puts a device at the end of the destination list; its refs are made up here.
    void plug(std::optional<std::string> model, bool withSource = true);
    void unplug(std::size_t index);

    int numberOfDestinations() override;
    platform::MidiRef destination(int index) override;
    std::optional<std::string> modelName(platform::MidiRef endpoint) override;
    platform::MidiRef sourceOfDevice(platform::MidiRef destination) override;
    int clientCreate(std::string_view name, platform::MidiRef& client) override;
    int outputPortCreate(platform::MidiRef client, std::string_view name,
                         platform::MidiRef& port) override;
    int inputPortCreate(platform::MidiRef client, std::string_view name,
                        platform::MidiReadProc readProc, platform::MidiRef& port) override;
    int portConnectSource(platform::MidiRef inputPort, platform::MidiRef source) override;
    int portConnectDestination(platform::MidiRef outputPort,
                               platform::MidiRef destination) override;
    // A live port not in `brokenPorts`.
    bool portConnected(platform::MidiRef port) override;
    void portDispose(platform::MidiRef port) override;
    void clientDispose(platform::MidiRef client) override;
    void send(platform::MidiRef port, platform::MidiRef destination,
              std::span<const std::uint8_t> packetList) override;

    // What the connected source sends, through the input port's read callback.
    void deliver(const Bytes& message);

    std::vector<Sent> sent() const {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }
    // The messages sent, one per packet of every list, in order.
    std::vector<Bytes> messages() const;
    void clearSent() {
        std::lock_guard lock(m_mutex);
        m_sent.clear();
    }

    std::vector<Device> devices;
    std::function<void(const Bytes& message)> onSend;
    // A step that fails: "client", "output", "input", "connect" or "destination".
    std::string failing;
    // Ports whose connection broke while the device stays listed.
    std::set<platform::MidiRef> brokenPorts;
    std::vector<std::string> calls;    // creations and disposals, in order
    std::set<platform::MidiRef> live;  // clients and ports not yet disposed
    platform::MidiReadProc readProc = nullptr;
    platform::MidiRef connectedSource = platform::kNoMidiObject;

private:
    platform::MidiRef m_next = 100;
    mutable std::mutex m_mutex;
    std::vector<Sent> m_sent;
};

// Virtual time: nothing runs until the test moves the clock on.
class Timers final : public platform::Timers {
public:
    void startRepeating(std::chrono::milliseconds interval, std::function<void()> tick) override;
    void singleShot(std::chrono::milliseconds delay, std::function<void()> work) override;
    // Moves time on, running each timer that falls due, in time order.
    void advance(std::chrono::milliseconds by);
    std::chrono::milliseconds now{0};

private:
    struct Timer {
        std::chrono::milliseconds due;
        std::chrono::milliseconds interval;  // 0: once
        std::function<void()> work;
        std::uint64_t order;
    };
    std::vector<Timer> m_timers;
    std::uint64_t m_order = 0;
};

class VideoFrame final : public platform::VideoFrame {
public:
    explicit VideoFrame(std::string label, int w = 1920, int h = 1080)
        : label(std::move(label)), w(w), h(h) {}
    int width() const override { return w; }
    int height() const override { return h; }
    std::optional<platform::YuvPlanes> planes() const override { return std::nullopt; }
    std::string label;
    int w, h;
};

// Keeps the labels of the frames it was shown, not the frames, and the text it shows.
class VideoPreview final : public platform::VideoPreview {
public:
    void showFrame(platform::VideoFramePtr frame) override {
        shown.push_back(static_cast<const VideoFrame&>(*frame).label);
        text.clear();
    }
    void showText(std::string_view t) override { text = t; }
    std::vector<std::string> shown;
    std::string text;
};

// Video devices a test plugs in and pulls out. The running device's frames are whatever the
// test passes to deliver(), handed over at once on the calling thread, as the capture thread
// would: to the frame callback, then to the preview.
class VideoSystem final : public platform::VideoSystem {
public:
    std::vector<std::string> deviceNames() override {
        listed = devices;
        return listed;
    }
    platform::VideoStart start(int index, FrameCallback onFrame, LostCallback onLost) override;
    void stop() override;
    void setPreview(platform::VideoPreview* p) override { preview = p; }

    // Nothing happens when no device runs.
    void deliver(platform::VideoFramePtr frame);
    // The running device fails, as an unplugged camera would.
    void loseDevice(const std::string& why);

    std::vector<std::string> devices;
    // A device whose start fails at opening, and one whose start fails at its output.
    std::string failsToOpen, failsAtOutput;
    // Starts and stops of devices by name ("start A", "stop A"), in order.
    std::vector<std::string> calls;
    std::string running;
    platform::VideoPreview* preview = nullptr;

private:
    std::vector<std::string> listed;  // the list start() indexes refer to
    FrameCallback m_onFrame;
    LostCallback m_onLost;
};

// "JPEG" + the frame's label + the compression factor: tests can see which frame was
// encoded and how.
class ImageCodec final : public platform::ImageCodec {
public:
    platform::Bytes encodeJpeg(const platform::VideoFrame& frame,
                               double compressionFactor) override;
    std::atomic<int> encodes{0};
    // A test that holds this keeps every encoding waiting until it lets go.
    std::mutex gate;
};

// One fake for every control the controller reaches.
struct Windows {
    platform::Outlets outlets();

    TextField statusText, txtLogNr, txtLogStart, txtLogStop, txtLogDuration, txtLogTod, txtLogDate;
    ComboBox cmbLogSelectVal, cmbDevicesVal;
    Button btnLogManualVal, btnLogManualStopVal;
    TextField txtEditNr, txtEditStart, txtEditStop, txtEditDuration, txtEditTod, txtEditDate,
        txtEditComment1, txtEditComment2, txtEditNrChangeVal;
    ImageView imgEditPre, imgEdit, imgEditNext;
    VideoPreview mCaptureView;
    Button btnLogNaechstesVal, btnMenuEditNextVal, btnLogVorherVal, btnMenuEditPreviousVal,
        btnEditPlayVal, chkEditChaseModeVal, chkEditModeVal, btnPlayerFps24Val, btnPlayerFps25Val,
        btnPlayerFps29Val, btnPlayerFps30Val;
    Button btnMenuUndoVal, btnMenuRedoVal;
    std::vector<std::string> front;
    Window windowRec{"windowRec", front}, windowEdit{"windowEdit", front};
    ModalPanel panelEditNr;
    Dialogs dialogs;
};

// A fresh controller over fakes of everything it talks to.
struct App {
    App();
    // The same controller over a real MIDI system (or a simulated one) instead of the fake.
    explicit App(platform::MidiSystem& midiSystem);
    ~App();

    // Feeds raw MIDI bytes as one packet list through the MIDI callback, then runs what the
    // callback handed to the main thread.
    void receive(std::initializer_list<std::uint8_t> bytes);
    void receive(const Bytes& bytes);
    void receivePacketList(const Bytes& packetList);

    std::string field(int record, int k) const;

    MainThread mainThread;
    Clock clock;
    SystemLog systemLog;
    MidiSystem midi;
    Timers timers;
    ImageCodec codec;
    VideoSystem video;
    PropertyListFiles propertyLists;
    PictureConverter pictureConverter;
    ImageFiles imageFiles;
    Windows windows;
    std::unique_ptr<vexaLogging3AppDelegate> app;
};

std::string hex(const Bytes& bytes);

}  // namespace fake
