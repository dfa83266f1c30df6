#include "support/FakePlatform.h"

#include <cstdio>

#include "platform/MidiPacketList.h"

namespace fake {

int MainThread::drain()
{
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

void MidiSystem::send(platform::MidiRef port, platform::MidiRef destination,
                      std::span<const std::uint8_t> packetList)
{
    std::lock_guard lock(m_mutex);
    m_sent.push_back({port, destination, Bytes(packetList.begin(), packetList.end()),
                      std::chrono::steady_clock::now()});
}

std::vector<Bytes> MidiSystem::messages() const
{
    std::vector<Bytes> out;
    for (const Sent& s : sent()) {
        platform::forEachMidiPacket(s.packetList, [&out](std::span<const std::uint8_t> packet) {
            out.emplace_back(packet.begin(), packet.end());
        });
    }
    return out;
}

platform::Bytes ImageCodec::encodeJpeg(const platform::VideoFrame& frame, double compressionFactor)
{
    ++encodes;
    const auto& f = static_cast<const VideoFrame&>(frame);
    char factor[16];
    std::snprintf(factor, sizeof factor, "%.2f", compressionFactor);
    const std::string data = "JPEG" + f.label + "@" + factor;
    return {data.begin(), data.end()};
}

platform::Outlets Windows::outlets()
{
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
    o.txtEditNrChangeVal = &txtEditNrChangeVal;
    return o;
}

App::App()
    : app(std::make_unique<vexaLogging3AppDelegate>(
          PlatformServices{mainThread, clock, systemLog, midi, codec}, windows.outlets()))
{
}

App::~App()
{
    // Whatever is still queued for the main thread refers to the controller: run it first.
    mainThread.drain();
    app->waitForSends();
}

void App::receive(std::initializer_list<std::uint8_t> bytes)
{
    receive(Bytes(bytes));
}

void App::receive(const Bytes& bytes)
{
    receivePacketList(platform::makeMidiPacketList(bytes));
}

void App::receivePacketList(const Bytes& packetList)
{
    myReadProc(packetList, nullptr, nullptr);
    mainThread.drain();
}

std::string App::field(int record, int k) const
{
    return app->logStartArray.text(LogList::indexOf(record, k));
}

std::string hex(const Bytes& bytes)
{
    std::string out;
    char b[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        out += b;
    }
    return out;
}

}  // namespace fake
