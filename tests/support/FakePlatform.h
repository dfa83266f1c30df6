#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/MainThread.h"
#include "platform/Midi.h"
#include "platform/Outlets.h"
#include "platform/SystemLog.h"
#include "platform/Video.h"
#include "vexaLogging3AppDelegate.h"

namespace fake {

using Bytes = std::vector<std::uint8_t>;

class TextField final : public platform::TextField {
public:
    void setText(std::string_view text) override
    {
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
    void removeAllItems() override
    {
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
    bool showPicture(const platform::Bytes& encoded) override
    {
        const bool decodes = encoded.size() >= 4 && std::equal(encoded.begin(), encoded.begin() + 4,
                                                               std::string_view("JPEG").begin());
        shown = decodes ? encoded : platform::Bytes{};
        return decodes;
    }
    void clearPicture() override { shown.clear(); }

    platform::Bytes shown;
};

// Work posted to the main thread waits here until the test runs it, as a real event loop
// would run it later. Posting is safe from any thread.
class MainThread final : public platform::MainThread {
public:
    void post(std::function<void()> work) override
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(std::move(work));
    }
    // Runs everything posted so far, and whatever that posts in turn. Returns how much ran.
    int drain();
    std::size_t pending() const
    {
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

// Records every packet list sent, with when it was sent.
class MidiSystem final : public platform::MidiSystem {
public:
    struct Sent {
        platform::MidiRef port;
        platform::MidiRef destination;
        Bytes packetList;
        std::chrono::steady_clock::time_point at;
    };
    void send(platform::MidiRef port, platform::MidiRef destination,
              std::span<const std::uint8_t> packetList) override;
    std::vector<Sent> sent() const
    {
        std::lock_guard lock(m_mutex);
        return m_sent;
    }
    // The messages sent, one per packet of every list, in order.
    std::vector<Bytes> messages() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Sent> m_sent;
};

class VideoFrame final : public platform::VideoFrame {
public:
    explicit VideoFrame(std::string label, int w = 1920, int h = 1080)
        : label(std::move(label)), w(w), h(h)
    {
    }
    int width() const override { return w; }
    int height() const override { return h; }
    std::string label;
    int w, h;
};

// "JPEG" + the frame's label + the compression factor: tests can see which frame was
// encoded and how.
class ImageCodec final : public platform::ImageCodec {
public:
    platform::Bytes encodeJpeg(const platform::VideoFrame& frame, double compressionFactor) override;
    int encodes = 0;
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
    Button btnLogNaechstesVal, btnMenuEditNextVal, btnLogVorherVal, btnMenuEditPreviousVal,
        btnEditPlayVal, chkEditChaseModeVal, chkEditModeVal, btnPlayerFps24Val, btnPlayerFps25Val,
        btnPlayerFps29Val, btnPlayerFps30Val;
};

// A fresh controller over fakes of everything it talks to.
struct App {
    App();
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
    ImageCodec codec;
    Windows windows;
    std::unique_ptr<vexaLogging3AppDelegate> app;
};

std::string hex(const Bytes& bytes);

}  // namespace fake
