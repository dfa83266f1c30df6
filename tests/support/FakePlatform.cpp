#include "support/FakePlatform.h"

#include <cstdio>
#include <utility>

#include "platform/MidiPacketList.h"

namespace fake {

int MainThread::drain() {
    int ran = 0;
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty())
                return ran;
            next = std::move(m_pending.front());
            m_pending.pop_front();
        }
        next();
        ++ran;
    }
}

void MidiSystem::plug(std::optional<std::string> model, bool withSource) {
    const platform::MidiRef destination = m_next++;
    const platform::MidiRef source = withSource ? m_next++ : platform::kNoMidiObject;
    devices.push_back({std::move(model), destination, source});
}

void MidiSystem::unplug(std::size_t index) {
    if (devices[index].source == connectedSource)
        connectedSource = platform::kNoMidiObject;
    devices.erase(devices.begin() + static_cast<long>(index));
}

int MidiSystem::numberOfDestinations() {
    return static_cast<int>(devices.size());
}

platform::MidiRef MidiSystem::destination(int index) {
    if (index < 0 || index >= static_cast<int>(devices.size()))
        return platform::kNoMidiObject;
    return devices[static_cast<std::size_t>(index)].destination;
}

std::optional<std::string> MidiSystem::modelName(platform::MidiRef endpoint) {
    for (const Device& d : devices) {
        if (d.destination == endpoint)
            return d.model;
    }
    return std::nullopt;
}

platform::MidiRef MidiSystem::sourceOfDevice(platform::MidiRef destination) {
    for (const Device& d : devices) {
        if (d.destination == destination)
            return d.source;
    }
    return platform::kNoMidiObject;
}

int MidiSystem::clientCreate(std::string_view name, platform::MidiRef& client) {
    calls.push_back("client " + std::string(name));
    if (failing == "client")
        return -1;
    client = m_next++;
    live.insert(client);
    return 0;
}

int MidiSystem::outputPortCreate(platform::MidiRef, std::string_view name,
                                 platform::MidiRef& port) {
    calls.push_back("output " + std::string(name));
    if (failing == "output")
        return -1;
    port = m_next++;
    live.insert(port);
    return 0;
}

int MidiSystem::inputPortCreate(platform::MidiRef, std::string_view name,
                                platform::MidiReadProc proc, platform::MidiRef& port) {
    calls.push_back("input " + std::string(name));
    if (failing == "input")
        return -1;
    port = m_next++;
    live.insert(port);
    readProc = proc;
    return 0;
}

int MidiSystem::portConnectSource(platform::MidiRef, platform::MidiRef source) {
    calls.push_back("connect " + std::to_string(source));
    if (failing == "connect")
        return -1;
    connectedSource = source;
    return 0;
}

int MidiSystem::portConnectDestination(platform::MidiRef, platform::MidiRef destination) {
    calls.push_back("connect destination " + std::to_string(destination));
    return failing == "destination" ? -1 : 0;
}

bool MidiSystem::portConnected(platform::MidiRef port) {
    return live.count(port) > 0 && brokenPorts.count(port) == 0;
}

void MidiSystem::portDispose(platform::MidiRef port) {
    calls.push_back("dispose port " + std::to_string(port));
    live.erase(port);
}

void MidiSystem::clientDispose(platform::MidiRef client) {
    calls.push_back("dispose client " + std::to_string(client));
    live.erase(client);
    readProc = nullptr;
    connectedSource = platform::kNoMidiObject;
}

void MidiSystem::send(platform::MidiRef port, platform::MidiRef destination,
                      std::span<const std::uint8_t> packetList) {
    {
        std::lock_guard lock(m_mutex);
        m_sent.push_back({port, destination, Bytes(packetList.begin(), packetList.end()),
                          std::chrono::steady_clock::now()});
    }
    if (onSend) {
        platform::forEachMidiPacket(packetList, [this](std::span<const std::uint8_t> packet) {
            onSend(Bytes(packet.begin(), packet.end()));
        });
    }
}

void MidiSystem::deliver(const Bytes& message) {
    if (readProc && connectedSource != platform::kNoMidiObject)
        readProc(platform::makeMidiPacketList(message), nullptr, nullptr);
}

void Timers::startRepeating(std::chrono::milliseconds interval, std::function<void()> tick) {
    m_timers.push_back({now + interval, interval, std::move(tick), m_order++});
}

void Timers::singleShot(std::chrono::milliseconds delay, std::function<void()> work) {
    m_timers.push_back({now + delay, std::chrono::milliseconds(0), std::move(work), m_order++});
}

void Timers::advance(std::chrono::milliseconds by) {
    const auto until = now + by;
    for (;;) {
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->due <= until && (next == m_timers.end() || it->due < next->due ||
                                     (it->due == next->due && it->order < next->order)))
                next = it;
        }
        if (next == m_timers.end())
            break;
        now = next->due;
        std::function<void()> work = next->work;
        if (next->interval.count() > 0) {
            next->due += next->interval;
            next->order = m_order++;
        } else {
            m_timers.erase(next);
        }
        work();
    }
    now = until;
}

std::vector<Bytes> MidiSystem::messages() const {
    std::vector<Bytes> out;
    for (const Sent& s : sent()) {
        platform::forEachMidiPacket(s.packetList, [&out](std::span<const std::uint8_t> packet) {
            out.emplace_back(packet.begin(), packet.end());
        });
    }
    return out;
}

platform::Bytes ImageCodec::encodeJpeg(const platform::VideoFrame& frame,
                                       double compressionFactor) {
    std::lock_guard hold(gate);
    ++encodes;
    const auto& f = static_cast<const VideoFrame&>(frame);
    char factor[16];
    std::snprintf(factor, sizeof factor, "%.2f", compressionFactor);
    const std::string data = "JPEG" + f.label + "@" + factor;
    return {data.begin(), data.end()};
}

platform::VideoStart VideoSystem::start(int index, FrameCallback onFrame, LostCallback onLost) {
    stop();
    if (index < 0 || index >= static_cast<int>(listed.size())) {
        calls.push_back("start ?");
        return {platform::VideoStart::kDeviceFailed, "no such device", {}};
    }
    const std::string& name = listed[static_cast<std::size_t>(index)];
    calls.push_back("start " + name);
    if (name == failsToOpen)
        return {platform::VideoStart::kDeviceFailed, "busy", {}};
    if (name == failsAtOutput)
        return {platform::VideoStart::kOutputFailed, "No picture from " + name, "not negotiated"};
    running = name;
    m_onFrame = std::move(onFrame);
    m_onLost = std::move(onLost);
    return {platform::VideoStart::kStarted, {}, {}};
}

void VideoSystem::stop() {
    if (running.empty())
        return;
    calls.push_back("stop " + running);
    running.clear();
    m_onFrame = nullptr;
    m_onLost = nullptr;
}

void VideoSystem::loseDevice(const std::string& why) {
    if (auto lost = std::exchange(m_onLost, nullptr))
        lost(why);
}

void VideoSystem::deliver(platform::VideoFramePtr frame) {
    if (running.empty())
        return;
    m_onFrame(frame);
    if (preview)
        preview->showFrame(std::move(frame));
}

platform::Outlets Windows::outlets() {
    platform::Outlets o;
    o.statusText = &statusText;
    o.txtLogNr = &txtLogNr;
    o.txtLogStart = &txtLogStart;
    o.txtLogStop = &txtLogStop;
    o.txtLogDuration = &txtLogDuration;
    o.txtLogTod = &txtLogTod;
    o.txtLogDate = &txtLogDate;
    o.cmbLogSelectVal = &cmbLogSelectVal;
    o.btnLogManualVal = &btnLogManualVal;
    o.btnLogManualStopVal = &btnLogManualStopVal;
    o.cmbDevicesVal = &cmbDevicesVal;
    o.mCaptureView = &mCaptureView;
    o.txtEditNr = &txtEditNr;
    o.txtEditStart = &txtEditStart;
    o.txtEditStop = &txtEditStop;
    o.txtEditDuration = &txtEditDuration;
    o.txtEditTod = &txtEditTod;
    o.txtEditDate = &txtEditDate;
    o.txtEditComment1 = &txtEditComment1;
    o.txtEditComment2 = &txtEditComment2;
    o.imgEditPre = &imgEditPre;
    o.imgEdit = &imgEdit;
    o.imgEditNext = &imgEditNext;
    o.btnLogNaechstesVal = &btnLogNaechstesVal;
    o.btnMenuEditNextVal = &btnMenuEditNextVal;
    o.btnLogVorherVal = &btnLogVorherVal;
    o.btnMenuEditPreviousVal = &btnMenuEditPreviousVal;
    o.btnEditPlayVal = &btnEditPlayVal;
    o.chkEditChaseModeVal = &chkEditChaseModeVal;
    o.chkEditModeVal = &chkEditModeVal;
    o.btnPlayerFps24Val = &btnPlayerFps24Val;
    o.btnPlayerFps25Val = &btnPlayerFps25Val;
    o.btnPlayerFps29Val = &btnPlayerFps29Val;
    o.btnPlayerFps30Val = &btnPlayerFps30Val;
    o.btnMenuUndoVal = &btnMenuUndoVal;
    o.btnMenuRedoVal = &btnMenuRedoVal;
    o.txtEditNrChangeVal = &txtEditNrChangeVal;
    o.windowRec = &windowRec;
    o.windowEdit = &windowEdit;
    o.panelEditNr = &panelEditNr;
    o.dialogs = &dialogs;
    return o;
}

std::string PropertyListFiles::writeArray(const std::string& path, const LogList& list,
                                          const Progress& progress) {
    ++writes;
    std::vector<LogValue> entries;
    for (std::size_t i = 0; i < list.count(); ++i) {
        if (list.holdsPicture(i))
            entries.emplace_back(list.picture(i));
        else
            entries.emplace_back(list.text(i));
        if (i == list.count() / 2 && duringWrite)
            duringWrite();
    }
    if (progress)
        progress(1.0);
    if (!failWith.empty())
        return failWith;
    files[path] = std::move(entries);
    return {};
}

PropertyListFiles::ReadResult PropertyListFiles::readArray(const std::string& path,
                                                           const Progress&) {
    const auto file = files.find(path);
    if (file == files.end())
        return {{}, "No such file or directory"};
    return {file->second, {}};
}

platform::Bytes PictureConverter::toJpeg(const platform::Bytes& encoded, double) {
    ++conversions;
    if (encoded.size() >= 3 &&
        std::string_view(reinterpret_cast<const char*>(encoded.data()), 3) == "BAD")
        return {};
    platform::Bytes jpeg{0xFF, 0xD8, 0xFF};
    jpeg.insert(jpeg.end(), encoded.begin(), encoded.end());
    return jpeg;
}

App::App() : App(midi) {}

App::App(platform::MidiSystem& midiSystem)
    : app(std::make_unique<vexaLogging3AppDelegate>(
          PlatformServices{.mainThread = mainThread,
                           .clock = clock,
                           .systemLog = systemLog,
                           .midi = midiSystem,
                           .imageCodec = codec,
                           .timers = timers,
                           .video = video,
                           .propertyLists = &propertyLists,
                           .pictureConverter = &pictureConverter,
                           .imageFiles = &imageFiles},
          windows.outlets())) {}

App::~App() {
    // Whatever is still queued for the main thread refers to the controller: run it first.
    mainThread.drain();
    app->waitForSends();
}

void App::receive(std::initializer_list<std::uint8_t> bytes) {
    receive(Bytes(bytes));
}

void App::receive(const Bytes& bytes) {
    receivePacketList(platform::makeMidiPacketList(bytes));
}

void App::receivePacketList(const Bytes& packetList) {
    myReadProc(packetList, nullptr, nullptr);
    mainThread.drain();
}

std::string App::field(int record, int k) const {
    return app->logStartArray.text(LogList::indexOf(record, k));
}

std::string hex(const Bytes& bytes) {
    std::string out;
    char b[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        out += b;
    }
    return out;
}

}  // namespace fake
