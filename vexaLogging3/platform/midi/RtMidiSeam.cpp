#include "platform/midi/RtMidiSeam.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>

#include <type_traits>

namespace platform::midi {

namespace {

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

RtMidi::Api rtApi(MidiApi api) {
    return api == MidiApi::jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

template <class Rt>
class RealPort final : public RtPort {
public:
    RealPort(MidiApi api, const std::string& clientName, RtErrorHandler errors, void* context)
        : m_errors(errors), m_context(context), m_rt(rtApi(api), clientName) {
        m_rt.setErrorCallback(&RealPort::onError, this);
    }
    unsigned portCount() override { return m_rt.getPortCount(); }
    std::string portName(unsigned index) override { return m_rt.getPortName(index); }
    void openPort(unsigned index, const std::string& ownName) override {
        m_rt.openPort(index, ownName);
    }
    void closePort() override { m_rt.closePort(); }
    bool isPortOpen() const override { return m_rt.isPortOpen(); }
    void sendMessage(const unsigned char* bytes, std::size_t size) override {
        if constexpr (std::is_same_v<Rt, RtMidiOut>)
            m_rt.sendMessage(bytes, size);
    }
    void receiveWith(RtMessageHandler handler, void* context) override {
        if constexpr (std::is_same_v<Rt, RtMidiIn>) {
            m_handler = handler;
            m_handlerContext = context;
            m_rt.setCallback(&RealPort::onMessage, this);
            // RtMidi passes System Exclusive and timing by only when told.
            m_rt.ignoreTypes(false, false, true);
        }
    }

private:
    static void onError(RtMidiError::Type type, const std::string& text, void* self) {
        const auto* p = static_cast<RealPort*>(self);
        p->m_errors(type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING, text,
                    p->m_context);
    }
    static void onMessage(double, std::vector<unsigned char>* message, void* self) {
        const auto* p = static_cast<RealPort*>(self);
        if (message != nullptr && p->m_handler != nullptr)
            p->m_handler(*message, p->m_handlerContext);
    }

    RtErrorHandler m_errors;
    void* m_context;
    RtMessageHandler m_handler = nullptr;
    void* m_handlerContext = nullptr;
    // Last: it goes first, and with it RtMidi's thread that calls onMessage.
    Rt m_rt;
};

class RealBackend final : public RtBackend {
public:
    bool systemOpens(MidiApi api, std::string& why) override {
        if (api != MidiApi::alsa)
            return true;
        // alsa-lib writes every failure to standard error itself; what matters reaches the
        // program as a result code and is said once.
        snd_lib_error_set_handler(&quietAlsa);
        snd_seq_t* seq = nullptr;
        const int opened = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0);
        if (opened < 0) {
            why = snd_strerror(opened);
            return false;
        }
        snd_seq_close(seq);
        return true;
    }
    std::unique_ptr<RtPort> makeOutput(MidiApi api, const std::string& clientName,
                                       RtErrorHandler errors, void* context) override {
        return std::make_unique<RealPort<RtMidiOut>>(api, clientName, errors, context);
    }
    std::unique_ptr<RtPort> makeInput(MidiApi api, const std::string& clientName,
                                      RtErrorHandler errors, void* context) override {
        return std::make_unique<RealPort<RtMidiIn>>(api, clientName, errors, context);
    }
};

}  // namespace

std::unique_ptr<RtBackend> makeRtMidiBackend() {
    return std::make_unique<RealBackend>();
}

std::string rtMidiLibraryVersion() {
    return "RtMidi " + RtMidi::getVersion() + ", ALSA " + snd_asoundlib_version();
}

}  // namespace platform::midi
