#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::sendMidi()
{
    if (!midiOpenFlag || sysexDatPt == nullptr)
        return;
    // The message is copied as it stands now; the send queue puts it on the wire, and the
    // pause the interface needs between messages is spent there, not on this thread.
    m_packetbuffer.init();
    m_packetbuffer.add(0, std::span(sysexDatPt, sysexLen));
    m_sendQueue.push([&midi = m_services.midi, port = midiout, destination = dest,
                      list = std::vector<std::uint8_t>(m_packetbuffer.bytes().begin(),
                                                       m_packetbuffer.bytes().end())] {
        midi.send(port, destination, list);
    });
    m_packetbuffer.init();
}
