#include "platform/fake/FakePlatform.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <utility>

#include "platform/MidiPacketList.h"

namespace fake {

std::string PropertyListFiles::writeArray(const std::string& path, const LogList& list,
                                          const Progress&) {
    ++writes;
    if (duringWrite)
        duringWrite();
    std::vector<LogValue> entries;
    for (std::size_t i = 0; i < list.count(); ++i) entries.push_back(list.value(i));
    if (failWith.empty())
        files[path] = std::move(entries);
    return failWith;
}

int MainThread::drain() {
    int ran = 0;
    for (std::unique_lock lock(m_mutex); !m_pending.empty(); ++ran) {
        const std::function<void()> next = std::move(m_pending.front());
        m_pending.pop_front();
        lock.unlock();  // what runs may post more
        next();
        lock.lock();
    }
    return ran;
}

const MidiSystem::Device* MidiSystem::find(Ref endpoint) const {
    for (const Device& d : devices)
        if (d.destination == endpoint)
            return &d;
    return nullptr;
}

int MidiSystem::create(const char* what, std::string_view name, Ref& made) {
    calls.push_back(what + (" " + std::string(name)));
    if (failing == what)
        return -1;
    made = m_next++;
    live.insert(made);
    return 0;
}

int MidiSystem::portConnectSource(Ref, Ref source) {
    calls.push_back("connect " + std::to_string(source));
    if (failing == "connect")
        return -1;
    connectedSource = source;
    return 0;
}

void MidiSystem::clientDispose(Ref client) {
    calls.push_back("dispose client " + std::to_string(client));
    live.erase(client);
    readProc = nullptr;
    connectedSource = kNone;
}

void MidiSystem::send(Ref, Ref destination, std::span<const std::uint8_t> packetList) {
    {
        std::lock_guard lock(m_mutex);
        m_sent.push_back({destination, Bytes(packetList.begin(), packetList.end()),
                          std::chrono::steady_clock::now()});
    }
    if (onSend)
        platform::forEachMidiPacket(
            packetList, [this](auto packet) { onSend(Bytes(packet.begin(), packet.end())); });
}

void MidiSystem::deliver(const Bytes& message) {
    if (readProc && connectedSource != kNone)
        readProc(platform::makeMidiPacketList(message), nullptr, nullptr);
}

std::vector<Bytes> MidiSystem::messages() const {
    std::vector<Bytes> out;
    for (const Sent& s : sent())
        platform::forEachMidiPacket(s.packetList,
                                    [&out](auto p) { out.emplace_back(p.begin(), p.end()); });
    return out;
}

void Timers::advance(std::chrono::milliseconds by) {
    const auto until = m_now + by;
    while (!m_timers.empty() && m_timers.begin()->first.first <= until) {
        auto due = m_timers.extract(m_timers.begin());
        m_now = due.key().first;
        if (due.mapped().interval.count() > 0)
            m_timers.emplace(std::pair(m_now + due.mapped().interval, m_order++), due.mapped());
        due.mapped().work();
    }
    m_now = until;
}

platform::VideoStart VideoSystem::start(int index, FrameCallback onFrame, LostCallback onLost) {
    stop();
    const std::string name = m_listed.at(static_cast<std::size_t>(index));
    calls.push_back("start " + name);
    if (name == failsToOpen)
        return {platform::VideoStart::kDeviceFailed, "no such device", {}};
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
}

void VideoSystem::deliver(platform::VideoFramePtr frame) {
    if (running.empty())
        return;
    m_onFrame(frame);
    if (preview)
        preview->showFrame(std::move(frame));
}

platform::Bytes ImageCodec::encodeJpeg(const platform::VideoFrame& frame, double factor) {
    std::lock_guard hold(gate);
    char text[16];
    std::snprintf(text, sizeof text, "@%.2f", factor);
    const std::string data = "JPEG" + static_cast<const VideoFrame&>(frame).label + text;
    return {data.begin(), data.end()};
}

platform::Outlets Windows::outlets() {
    platform::Outlets o;
#define FAKE_CONNECT(Kind, name) o.name = &name;
    FAKE_CONTROLS(FAKE_CONNECT)
#undef FAKE_CONNECT
    return o;
}

double PdfCanvas::textHeight(std::string_view utf8, double boxWidth, Style, double) {
    const auto perLine = static_cast<std::size_t>(std::max(1.0, boxWidth / 4));
    std::size_t lines = 0, inLine = 0;
    for (const char c : utf8) {
        if (c == '\n' || inLine == perLine) {
            ++lines;
            inLine = 0;
        }
        if (c != '\n')
            ++inLine;
    }
    return static_cast<double>(lines + 1) * 10;
}

std::string PdfWriter::write(int descriptor, platform::PageSize, std::string_view,
                             const std::function<void(platform::PdfCanvas&)>& draw) {
    canvas = PdfCanvas();
    draw(canvas);
    if (!failWith.empty())
        return failWith;
    const std::string bytes = "%PDF-fake " + std::to_string(canvas.calls.size());
    return ::write(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size())
               ? std::string()
               : std::string("short write");
}

App::App(Instead instead) {
    platform::Outlets outlets = windows.outlets();
    if (instead.preview)
        outlets.mCaptureView = instead.preview;
    // No picture converter: exported pictures that are not JPEG already are left out.
    app = std::make_unique<vexaLogging3AppDelegate>(
        PlatformServices{mainThread, clock, systemLog, instead.midi ? *instead.midi : midi,
                         instead.codec ? *instead.codec : codec, timers,
                         instead.video ? *instead.video : video, &propertyLists, nullptr,
                         &imageFiles, &pdfWriter, &pictureScaler},
        outlets);
}

App::~App() {
    // Whatever is still queued for the main thread refers to the controller: run it first.
    mainThread.drain();
    if (app)
        app->waitForSends();
}

void App::receive(const Bytes& bytes) {
    myReadProc(platform::makeMidiPacketList(bytes), nullptr, nullptr);
    mainThread.drain();
}

std::string hex(const Bytes& bytes) {
    std::string out;
    char b[4];
    for (const std::uint8_t byte : bytes)
        out.append(b, std::snprintf(b, sizeof b, out.empty() ? "%02X" : " %02X", byte));
    return out;
}

bool pumpUntil(App& app, const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (Clock::time_point last = start;;
         std::this_thread::sleep_for(std::chrono::milliseconds(1))) {
        app.mainThread.drain();
        if (done())
            return true;
        const auto passed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last);
        if (Clock::now() - start > timeout)
            return false;
        app.timers.advance(passed);
        last += passed;
    }
}

}  // namespace fake
