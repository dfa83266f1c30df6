#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::sendMidi() {
    queueSelected({});
}

void vexaLogging3AppDelegate::queueSelected(std::function<void()> afterSent) {
    if (!midiOpenFlag || sysexDatPt == nullptr)
        return;
    // The message is copied as it stands now; the send queue puts it on the wire, and the
    // pause the interface needs between messages is spent there, not on this thread.
    m_packetbuffer.init();
    m_packetbuffer.add(0, std::span(sysexDatPt, sysexLen));
    m_sendQueue.push([&midi = m_services.midi, &mainThread = m_services.mainThread, port = midiout,
                      destination = dest,
                      list = std::vector<std::uint8_t>(m_packetbuffer.bytes().begin(),
                                                       m_packetbuffer.bytes().end()),
                      afterSent = std::move(afterSent)] {
        midi.send(port, destination, list);
        if (afterSent)
            mainThread.post(afterSent);
    });
    m_packetbuffer.init();
}
