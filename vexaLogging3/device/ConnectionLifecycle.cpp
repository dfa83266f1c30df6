// Finding the interface, connecting to it, proving that it answers, and letting go of it.

#include <utility>

#include "vexaLogging3AppDelegate.h"

namespace {

constexpr std::int32_t kNoDevice = 99;
// The interface's MIDI client calls itself exactly this: four letters and a blank.
constexpr std::string_view kInterfaceModel = "vexa ";
constexpr std::chrono::milliseconds kReplyPoll{50};
constexpr int kReplyPolls = 10;

}  // namespace

void vexaLogging3AppDelegate::timer2Callback() {
    platform::MidiSystem& midi = m_services.midi;
    const int destinations = midi.numberOfDestinations();
    devicenr = kNoDevice;
    for (int i = 0; i < destinations; ++i) {
        if (isInterface(midi, midi.destination(i)))
            devicenr = i;  // The last match wins.
    }

    if (devicenr == kNoDevice) {
        outlets.statusText->setText(withRecoveryNotice("  not found"));
        if (midiOpenFlag) {
            outlets.btnEditPlayVal->setEnabled(false);
            closeMidi();
        }
        return;
    }
    // An interface that went and came back between two steps, or a MIDI system that
    // restarted, leaves a connection that leads nowhere while the interface is listed as
    // before: let it go and connect afresh.
    if (midiOpenFlag && !m_sensing &&
        !(midi.portConnected(midiin) && midi.portConnected(midiout))) {
        outlets.btnEditPlayVal->setEnabled(false);
        closeMidi();
    }
    // A connected interface is not sensed again; one being sensed is left to its handshake.
    if (midiOpenFlag || m_sensing)
        return;

    openMidi();
    m_sensing = true;
    vexaSense([this, connection = m_connection](int result) {
        m_sensing = false;
        if (connection != m_connection)
            return;  // Closed while it was sensed: the close has done what there is to do.
        if (result == 0) {
            if (!outlets.chkEditChaseModeVal->isOn())
                outlets.btnEditPlayVal->setEnabled(true);
            return;
        }
        outlets.btnEditPlayVal->setEnabled(false);
        midiOpenFlag = 0;
        closeMidi();
    });
}

bool vexaLogging3AppDelegate::isInterface(platform::MidiSystem& midi,
                                          platform::MidiRef destination) const {
    if (!interfacePort.empty())
        return midi.endpointName(destination) == interfacePort;
    return midi.modelName(destination) == kInterfaceModel;
}

int vexaLogging3AppDelegate::openMidi() {
    platform::MidiSystem& midi = m_services.midi;
    if (midi.clientCreate("TeStInG", midiclient) != 0) {
        midiclient = platform::kNoMidiObject;
        return 1;
    }
    if (midi.outputPortCreate(midiclient, "OuTpUt", midiout) != 0) {
        midiout = platform::kNoMidiObject;
        disposeConnection();
        return 2;
    }
    if (midi.inputPortCreate(midiclient, "InPut", myReadProc, midiin) != 0) {
        midiin = platform::kNoMidiObject;
        disposeConnection();
        return 3;
    }
    const platform::MidiRef destination = midi.destination(devicenr);
    if (destination == platform::kNoMidiObject) {
        disposeConnection();
        return 6;
    }
    // The source that belongs to the same device as the destination, found through the
    // device: on Linux the two lists do not line up by position.
    const platform::MidiRef source = midi.sourceOfDevice(destination);
    if (source == platform::kNoMidiObject) {
        disposeConnection();
        return 4;
    }
    if (midi.portConnectSource(midiin, source) != 0) {
        disposeConnection();
        return 5;
    }
    // Nothing may be sent before the way to the destination is open: the first message,
    // the question for the logging state, would be lost.
    if (midi.portConnectDestination(midiout, destination) != 0) {
        disposeConnection();
        return 6;
    }
    dest = destination;
    midiOpenFlag = 1;
    ++m_connection;
    return 0;
}

void vexaLogging3AppDelegate::disposeConnection() {
    // Each handle becomes the no-object marker as soon as its object is gone, so a second
    // close disposes nothing twice.
    platform::MidiSystem& midi = m_services.midi;
    if (midiout != platform::kNoMidiObject)
        midi.portDispose(std::exchange(midiout, platform::kNoMidiObject));
    if (midiin != platform::kNoMidiObject)
        midi.portDispose(std::exchange(midiin, platform::kNoMidiObject));
    if (midiclient != platform::kNoMidiObject)
        midi.clientDispose(std::exchange(midiclient, platform::kNoMidiObject));
}

void vexaLogging3AppDelegate::closeMidi() {
    // What still waits to be sent belongs to the connection that goes.
    m_sendQueue.dropConnection(m_connection);
    disposeConnection();
    midiOpenFlag = 0;
    ++m_connection;
}

void vexaLogging3AppDelegate::vexaSense(std::function<void(int result)> done) {
    if (!midiOpenFlag) {
        done(1);
        return;
    }
    send(messages.sysexLogAktivRead);
    midiStatusReqFlag.store(0);
    sysexDatPt = messages.sysexStatusSense.data();
    sysexLen = static_cast<std::uint8_t>(messages.sysexStatusSense.size());
    // The wait for the reply starts when the question has actually left and its pause is over.
    queueSelected([this, connection = m_connection, done = std::move(done)]() mutable {
        m_services.timers.singleShot(MidiSendQueue::kSpacing, [this, connection, done] {
            pollStatusReply(0, connection, done);
        });
    });
}

void vexaLogging3AppDelegate::pollStatusReply(int waits, std::uint64_t connection,
                                              std::function<void(int)> done) {
    if (connection != m_connection) {
        done(2);
        return;
    }
    if (waits < kReplyPolls && midiStatusReqFlag.load()) {
        done(0);
        return;
    }
    if (waits == kReplyPolls) {
        outlets.statusText->setText("  Error 01");
        done(2);
        return;
    }
    m_services.timers.singleShot(kReplyPoll, [this, waits, connection, done] {
        pollStatusReply(waits + 1, connection, done);
    });
}
