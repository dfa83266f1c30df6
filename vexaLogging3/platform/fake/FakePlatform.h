#pragma once

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
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/ImageFiles.h"
#include "platform/MainThread.h"
#include "platform/Midi.h"
#include "platform/Outlets.h"
#include "platform/PdfWriter.h"
#include "platform/PropertyListFiles.h"
#include "platform/SystemLog.h"
#include "platform/Timers.h"
#include "platform/Video.h"
#include "platform/VideoCapture.h"
#include "vexaLogging3AppDelegate.h"

// Fakes of every platform service, keeping what the controller did to them, and one controller.
namespace fake {

using Bytes = std::vector<std::uint8_t>;

struct TextField final : platform::TextField {
    void setText(std::string_view text) override {
        value = text;
        edited = false;
        ++writes;
    }
    std::string text() const override { return value; }
    void setEditable(bool e) override { editable = e; }
    bool isEdited() const override { return edited; }
    bool hasKeyboard() const override { return keyboard; }
    void type(std::string_view text) {
        value = text;
        edited = keyboard = true;
    }
    std::string value;
    bool editable = true, edited = false, keyboard = false;
    int writes = 0;
};

struct Button final : platform::Button {
    void setEnabled(bool e) override { enabled = e; }
    void setTitle(std::string_view t) override { title = t; }
    void setOn(bool o) override { on = o; }
    bool isOn() const override { return on; }
    bool enabled = true, on = false;
    std::string title;
};

struct ComboBox final : platform::ComboBox {
    void setEnabled(bool e) override { enabled = e; }
    void removeAllItems() override { items.clear(); }
    void addItem(std::string_view text) override { items.emplace_back(text); }
    void selectItem(int index) override { selected = index; }
    int selectedIndex() const override { return selected; }
    bool enabled = false;
    std::vector<std::string> items;
    int selected = -1;
};

// Decodes only what the fake ImageCodec makes: "JPEG" followed by anything.
struct ImageView final : platform::ImageView {
    bool showPicture(const platform::Bytes& encoded) override {
        const bool decodes =
            std::string_view(reinterpret_cast<const char*>(encoded.data()), encoded.size())
                .starts_with("JPEG");
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

struct Window final : platform::Window {
    void setTitle(std::string_view t) override { title = t; }
    void makeKeyAndOrderFront() override {}
    std::string title;
};

// runModal() runs `whileModal` as the user's turn; without its abortModal() the user closed it.
struct ModalPanel final : platform::ModalPanel {
    void setTitle(std::string_view) override {}
    void makeKeyAndOrderFront() override { visible = true; }
    bool runModal() override {
        ++runs;
        visible = true;
        aborted = false;
        if (whileModal)
            whileModal();
        visible = visible && aborted;
        return aborted;
    }
    void abortModal() override { aborted = true; }
    void orderOut() override { visible = false; }
    std::function<void()> whileModal;
    bool visible = true, aborted = false;
    int runs = 0;
};

// Alerts get `answers` in turn (then the alternate button), file dialogs the paths set here.
struct Dialogs final : platform::Dialogs {
    struct Alert {
        std::string title, message;
        std::string buttons;  // default|alternate|other, as the answers name them
    };
    int runAlert(std::string_view title, std::string_view message, std::string_view byDefault,
                 std::string_view alternate, std::string_view other) override {
        alerts.push_back(
            {std::string(title), std::string(message),
             std::string(byDefault) + "|" + std::string(alternate) + "|" + std::string(other)});
        if (whileAsked)
            whileAsked();
        const int answer = answers.empty() ? platform::kAlertAlternate : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    std::optional<std::string> runOpenDialog(std::string_view,
                                             const platform::FileDialogPurpose&) override {
        if (whileAsked)
            whileAsked();
        return openPath;
    }
    std::optional<std::string> runSaveDialog(std::string_view suggestedName, std::string_view,
                                             const platform::FileDialogPurpose& purpose) override {
        saveDialogs.push_back(std::string(suggestedName) + " in " + purpose.documentFolder);
        return savePath;
    }
    std::optional<std::string> runChooseFileDialog(std::string_view) override { return choosePath; }
    // `whileWorking` runs at each step; the user cancels once `cancelAt` of the job is done.
    void runCancellableProgress(
        std::string_view, const std::function<void(const CancellableProgress&)>& work) override {
        work([this](double done) {
            if (whileWorking)
                whileWorking();
            return done < cancelAt;
        });
    }
    // Answers with `text` when set, else accepts what was offered; an empty `text` cancels.
    std::optional<std::string> runTextDialog(std::string_view, std::string_view,
                                             std::string_view initial) override {
        offered.emplace_back(initial);
        if (!text)
            return std::string(initial);
        return text->empty() ? std::nullopt : text;
    }
    void remember(std::string_view key, std::string_view value) override {
        kept[std::string(key)] = value;
    }
    std::optional<std::string> recalled(std::string_view key) override {
        const auto at = kept.find(std::string(key));
        return at == kept.end() ? std::nullopt : std::optional(at->second);
    }
    std::function<void()> whileWorking;
    double cancelAt = 2;
    std::optional<std::string> text;
    std::vector<std::string> offered;
    std::map<std::string, std::string> kept;
    std::deque<int> answers;
    std::function<void()> whileAsked;  // runs while an alert or the Open dialog waits
    std::vector<Alert> alerts;
    std::optional<std::string> openPath, savePath, choosePath;
    std::vector<std::string> saveDialogs;  // the name each suggested "in" the folder it opened
};

// Project files in memory by path; `failWith` fails every write, `duringWrite` runs inside it.
struct PropertyListFiles final : platform::PropertyListFiles {
    std::string writeArray(const std::string& path, const LogList& list, const Progress&) override;
    ReadResult readArray(const std::string& path, const Progress&) override {
        const auto file = files.find(path);
        return file == files.end() ? ReadResult{{}, "No such file or directory"}
                                   : ReadResult{file->second, {}};
    }
    std::map<std::string, std::vector<LogValue>> files;
    std::string failWith;
    std::function<void()> duringWrite;
    int writes = 0;
};

// A path in `pictures` reads as the TIFF bytes given there, any other as no picture.
struct ImageFiles final : platform::ImageFiles {
    std::optional<platform::Bytes> readAsTiff(const std::string& path, std::string& why) override {
        if (const auto found = pictures.find(path); found != pictures.end())
            return found->second;
        why = "not a picture";
        return std::nullopt;
    }
    std::map<std::string, platform::Bytes> pictures;
};

// Work posted (from any thread) waits until the test runs it, as an event loop would later.
class MainThread final : public platform::MainThread {
public:
    void post(std::function<void()> work) override {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(work));
    }
    // Runs everything posted so far, and whatever that posts in turn. Returns how much ran.
    int drain();
    void runPosted() override { drain(); }

private:
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_pending;
};

struct Clock final : platform::Clock {
    platform::LocalTime now() const override { return time; }
    platform::LocalTime time{2026, 12, 7, 9, 5, 3};
};

struct SystemLog final : platform::SystemLog {
    void write(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

// Keeps every packet list sent; `onSend` (on the send queue's thread) plays the device's answer.
class MidiSystem final : public platform::MidiSystem {
public:
    using Ref = platform::MidiRef;
    struct Sent {
        Ref destination;
        Bytes packetList;
        std::chrono::steady_clock::time_point at;
    };
    struct Device {
        std::optional<std::string> model;
        Ref destination, source;  // source kNoMidiObject: the device has no source
    };

    void plug(std::optional<std::string> model, bool withSource = true) {
        const Ref destination = m_next++;
        devices.push_back({std::move(model), destination, withSource ? m_next++ : kNone});
    }
    void unplug(std::size_t index) { devices.erase(devices.begin() + static_cast<long>(index)); }
    int numberOfDestinations() override { return static_cast<int>(devices.size()); }
    Ref destination(int index) override {
        return index >= 0 && index < numberOfDestinations()
                   ? devices[std::size_t(index)].destination
                   : kNone;
    }
    std::optional<std::string> modelName(Ref endpoint) override {
        const Device* d = find(endpoint);
        return d ? d->model : std::nullopt;
    }
    std::optional<std::string> endpointName(Ref endpoint) override {
        const auto named = portNames.find(endpoint);
        return named != portNames.end() ? named->second : modelName(endpoint);
    }
    Ref sourceOfDevice(Ref destination) override {
        const Device* d = find(destination);
        return d ? d->source : kNone;
    }
    int clientCreate(std::string_view name, Ref& client) override {
        return create("client", name, client);
    }
    int outputPortCreate(Ref, std::string_view name, Ref& port) override {
        return create("output", name, port);
    }
    int inputPortCreate(Ref, std::string_view name, platform::MidiReadProc proc,
                        Ref& port) override {
        readProc = proc;
        return create("input", name, port);
    }
    int portConnectSource(Ref, Ref source) override;
    int portConnectDestination(Ref, Ref destination) override {
        calls.push_back("connect destination " + std::to_string(destination));
        return failing == "destination" ? -1 : 0;
    }
    bool portConnected(Ref port) override { return live.count(port) && !brokenPorts.count(port); }
    void portDispose(Ref port) override {
        calls.push_back("dispose port " + std::to_string(port));
        live.erase(port);
    }
    void clientDispose(Ref client) override;
    void send(Ref port, Ref destination, std::span<const std::uint8_t> packetList) override;

    // What the connected source sends.
    void deliver(const Bytes& message);
    std::vector<Sent> sent() const {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }
    std::vector<Bytes> messages() const;  // one per packet of every list, in order
    void clearSent() {
        std::lock_guard lock(m_mutex);
        m_sent.clear();
    }

    std::vector<Device> devices;
    std::map<Ref, std::string> portNames;
    std::function<void(const Bytes& message)> onSend;
    std::string failing;  // "client", "output", "input", "connect" or "destination"
    std::set<Ref> brokenPorts;       // their connection broke while the device stays listed
    std::vector<std::string> calls;  // creations and disposals, in order
    std::set<Ref> live;              // clients and ports not yet disposed
    platform::MidiReadProc readProc = nullptr;
    Ref connectedSource = platform::kNoMidiObject;

private:
    static constexpr Ref kNone = platform::kNoMidiObject;
    const Device* find(Ref endpoint) const;
    int create(const char* what, std::string_view name, Ref& made);
    Ref m_next = 100;
    mutable std::mutex m_mutex;
    std::vector<Sent> m_sent;
};

class Timers final : public platform::Timers {
public:
    void startRepeating(std::chrono::milliseconds interval, std::function<void()> tick) override {
        m_timers.emplace(std::pair(m_now + interval, m_order++), Timer{interval, std::move(tick)});
    }
    void singleShot(std::chrono::milliseconds delay, std::function<void()> work) override {
        m_timers.emplace(std::pair(m_now + delay, m_order++), Timer{{}, std::move(work)});
    }
    void advance(std::chrono::milliseconds by);

private:
    struct Timer {
        std::chrono::milliseconds interval;  // 0: once
        std::function<void()> work;
    };
    std::chrono::milliseconds m_now{0};
    std::map<std::pair<std::chrono::milliseconds, std::uint64_t>, Timer> m_timers;
    std::uint64_t m_order = 0;
};

// A frame with no pixels, known by its label.
struct VideoFrame final : platform::VideoFrame {
    explicit VideoFrame(std::string label) : label(std::move(label)) {}
    int width() const override { return 1920; }
    int height() const override { return 1080; }
    std::optional<platform::YuvPlanes> planes() const override { return std::nullopt; }
    std::string label;
};

struct VideoPreview final : platform::VideoPreview {
    void showFrame(platform::VideoFramePtr) override { text.clear(); }
    void showText(std::string_view t) override { text = t; }
    std::string text;
};

// deliver() hands a frame to the running device's frame callback, then to the preview.
class VideoSystem final : public platform::VideoSystem {
public:
    std::vector<std::string> deviceNames() override { return m_listed = devices; }
    platform::VideoStart start(int index, FrameCallback onFrame, LostCallback onLost) override;
    void stop() override;
    void setPreview(platform::VideoPreview* p) override { preview = p; }
    void deliver(platform::VideoFramePtr frame);
    void loseDevice(const std::string& why) {
        if (auto lost = std::exchange(m_onLost, nullptr))
            lost(why);
    }

    std::vector<std::string> devices;
    std::string failsToOpen, failsAtOutput;  // devices whose start fails there
    std::vector<std::string> calls;          // "start A", "stop A", in order
    std::string running;
    platform::VideoPreview* preview = nullptr;

private:
    std::vector<std::string> m_listed;  // the list start() indexes refer to
    FrameCallback m_onFrame;
    LostCallback m_onLost;
};

// "JPEG" + the frame's label + the compression factor.
struct ImageCodec final : platform::ImageCodec {
    platform::Bytes encodeJpeg(const platform::VideoFrame& frame, double factor) override;
    std::mutex gate;  // held by a test, every encoding waits
};

// Every control of the outlets, by kind and outlet name.
// clang-format off
#define FAKE_CONTROLS(X)                                                                         \
    X(TextField, statusText) X(TextField, txtLogNr) X(TextField, txtLogStart)                    \
    X(TextField, txtLogStop) X(TextField, txtLogDuration) X(TextField, txtLogTod)                \
    X(TextField, txtLogDate) X(ComboBox, cmbLogSelectVal) X(ComboBox, cmbDevicesVal)             \
    X(Button, btnLogManualVal) X(Button, btnLogManualStopVal) X(TextField, txtEditNr)            \
    X(TextField, txtEditStart) X(TextField, txtEditStop) X(TextField, txtEditDuration)           \
    X(TextField, txtEditTod) X(TextField, txtEditDate) X(TextField, txtEditComment1)             \
    X(TextField, txtEditComment2) X(TextField, txtEditNrChangeVal) X(ImageView, imgEditPre)      \
    X(ImageView, imgEdit) X(ImageView, imgEditNext) X(VideoPreview, mCaptureView)                \
    X(Button, btnLogNaechstesVal) X(Button, btnMenuEditNextVal) X(Button, btnLogVorherVal)       \
    X(Button, btnMenuEditPreviousVal) X(Button, btnEditPlayVal) X(Button, chkEditChaseModeVal)   \
    X(Button, chkEditModeVal) X(Button, btnPlayerFps24Val) X(Button, btnPlayerFps25Val)          \
    X(Button, btnPlayerFps29Val) X(Button, btnPlayerFps30Val) X(Button, btnMenuUndoVal)          \
    X(Button, btnMenuRedoVal) X(ModalPanel, panelEditNr) X(Dialogs, dialogs)                    \
    X(Window, windowRec) X(Window, windowEdit) X(TextField, captureStatus)           \
    X(TextField, timecodeStatus)
// clang-format on

// Keeps the calls drawn. Text takes 10 points a line of 4-point characters; pictures beginning
// "bad" do not decode. The file gets "%PDF-fake" and the number of calls, unless `failWith`.
struct PdfCanvas final : platform::PdfCanvas {
    struct Call {
        char kind;  // 't' text, 'p' picture, 'f' frame
        int page;
        std::string text;
        double x, y, width, height;
    };
    double pageWidth() const override { return width; }
    double pageHeight() const override { return height; }
    void newPage() override { ++page; }
    double textHeight(std::string_view utf8, double boxWidth, Style, double) override;
    void text(std::string_view utf8, double x, double y, double w, double h, Style) override {
        calls.push_back({'t', page, std::string(utf8), x, y, w, h});
    }
    bool picture(const platform::Bytes& encoded, double x, double y, double w, double h) override {
        if (encoded.size() >= 3 && encoded[0] == 'b' && encoded[1] == 'a' && encoded[2] == 'd')
            return false;
        calls.push_back({'p', page, std::string(), x, y, w, h});
        return true;
    }
    void frame(double x, double y, double w, double h) override {
        calls.push_back({'f', page, std::string(), x, y, w, h});
    }
    double width = 595.28, height = 841.89;
    int page = 0;
    std::vector<Call> calls;
};

struct PdfWriter final : platform::PdfWriter {
    std::string write(int descriptor, platform::PageSize size, std::string_view,
                      const std::function<void(platform::PdfCanvas&)>& draw) override;
    platform::PageSize preferredPageSize() const override { return platform::PageSize::A4; }
    PdfCanvas canvas;
    std::string failWith;
};

// Thumbnails as "thumb:" and the first byte's value; bytes beginning with "bad" do not decode.
struct PictureScaler final : platform::PictureScaler {
    platform::Bytes jpegThumbnail(const platform::Bytes& encoded, int, int) override {
        if (encoded.size() >= 3 && encoded[0] == 'b' && encoded[1] == 'a' && encoded[2] == 'd')
            return {};
        const std::string text = "thumb:" + std::to_string(encoded.empty() ? 0 : encoded[0]);
        return platform::Bytes(text.begin(), text.end());
    }
};

struct Windows {
    platform::Outlets outlets();

#define FAKE_DECLARE(Kind, name) Kind name;
    FAKE_CONTROLS(FAKE_DECLARE)
#undef FAKE_DECLARE
};

// A fresh controller over fakes of everything it talks to.
struct App {
    // Services to use instead of the fakes of the same name.
    struct Instead {
        platform::MidiSystem* midi = nullptr;
        platform::ImageCodec* codec = nullptr;
        platform::VideoSystem* video = nullptr;
        platform::VideoPreview* preview = nullptr;
    };
    App() : App(Instead{}) {}
    explicit App(platform::MidiSystem& midiSystem) : App(Instead{.midi = &midiSystem}) {}
    explicit App(Instead instead);
    ~App();

    // The bytes as one packet list through the MIDI callback, then what it posted.
    void receive(const Bytes& bytes);
    std::string field(int record, int k) const {
        return app->logStartArray.text(LogList::indexOf(record, k));
    }

    MainThread mainThread;
    Clock clock;
    SystemLog systemLog;
    MidiSystem midi;
    Timers timers;
    ImageCodec codec;
    VideoSystem video;
    PropertyListFiles propertyLists;
    ImageFiles imageFiles;
    PdfWriter pdfWriter;
    PictureScaler pictureScaler;
    Windows windows;
    std::unique_ptr<vexaLogging3AppDelegate> app;
};

// "F0 2C 4D ...": bytes as the MIDI monitor shows them.
std::string hex(const Bytes& bytes);

// The main thread's loop for MIDI on real threads: runs what was posted and moves the timers on
// by the time that really passed, until `done` (returns true) or `timeout`.
bool pumpUntil(App& app, const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace fake
