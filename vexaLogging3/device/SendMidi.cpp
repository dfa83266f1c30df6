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
    MidiSendQueue::Message message;
    message.send = [&midi = m_services.midi, port = midiout, destination = dest,
                    list = std::vector<std::uint8_t>(m_packetbuffer.bytes().begin(),
                                                     m_packetbuffer.bytes().end())] {
        midi.send(port, destination, list);
    };
    // Runs whether the message left or was dropped, so a handshake waiting on it ends.
    if (afterSent)
        message.settled = [&mainThread = m_services.mainThread, afterSent = std::move(afterSent)] {
            mainThread.post(afterSent);
        };
    message.connection = m_connection;
    // Only the latest stop or comparison time matters to the interface.
    message.playerTime = sysexDatPt == messages.sysexSendStoptime.data() ||
                         sysexDatPt == messages.sysexSendVergltime.data();
    m_sendQueue.push(std::move(message));
    m_packetbuffer.init();
}
