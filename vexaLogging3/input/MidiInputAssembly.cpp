// Splits the byte stream from the interface into System Exclusive messages and quarter
// frames, on the MIDI receive thread.

#include "vexaLogging3AppDelegate.h"

std::atomic<vexaLogging3AppDelegate*> myGlobalController{nullptr};

void myReadProc(std::span<const std::uint8_t> packetList, void* /*readProcRefCon*/,
                void* /*srcConnRefCon*/) {
    if (vexaLogging3AppDelegate* controller = myGlobalController.load())
        controller->readPacketList(packetList);
}

void vexaLogging3AppDelegate::readPacketList(std::span<const std::uint8_t> packetList) {
    // Packets are one byte stream: a message split over packets or calls is assembled as if
    // it had come in one piece.
    platform::forEachMidiPacket(packetList, [this](std::span<const std::uint8_t> packet) {
        for (const std::uint8_t b : packet) readByte(b);
    });
}

void vexaLogging3AppDelegate::readByte(std::uint8_t b) {
    MidiInputState& in = m_input;

    // The data byte of a quarter frame is the next data byte after its F1, even when the F1
    // ended the previous packet. Real-time bytes may come in between; any other status
    // byte means the data byte was lost.
    if (in.quarterFramePending) {
        if (b < 0x80) {
            in.quarterFramePending = false;
            usbQuarterTime = b;
            MTC_QF_Reader();
        } else if (b < 0xF8) {
            in.quarterFramePending = false;
        }
    }

    // Real-time bytes (clock, active sensing...) may come between any two bytes of any
    // message, a System Exclusive one included: they neither end nor enter it, and nothing
    // here acts on them.
    if (b >= 0xF8)
        return;
    if (b >= 0x80)
        in.receiveStatus = b;
    if (b == 0xF0) {
        in.sysexBufferPt = 0;
        in.sysexOpen = true;
    }
    // A stray F7, with no F0 since the last one, is neither stored nor interpreted: the slot
    // it would close still holds the bytes of a message handled long ago.
    const bool closesMessage = b == 0xF7 && in.sysexOpen;
    if ((in.receiveStatus == 0xF0 || in.receiveStatus == 0xF7) && (b != 0xF7 || closesMessage)) {
        // Positions 0 to 253 take the first bytes of a message; every later byte lands on
        // 254, so a message too long for the slot keeps its head and its closing F7.
        const std::size_t at =
            kSysexSlotSize * sysexBufferNr + static_cast<std::size_t>(in.sysexBufferPt);
        sysexBuffer[at] = b;
        if (closesMessage)
            in.messageLength = static_cast<std::size_t>(in.sysexBufferPt) + 1;
        if (++in.sysexBufferPt == 255)
            in.sysexBufferPt = 254;
    }
    if (closesMessage) {
        in.sysexOpen = false;
        sysexInterpreter();
        sysexBufferNr = sysexBufferNr == kSysexSlots - 1 ? 0 : sysexBufferNr + 1;
    }
    if (b == 0xF1)
        in.quarterFramePending = true;
}
