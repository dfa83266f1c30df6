#pragma once

// RtMidi as a test scripts it: the device ports the MIDI system lists, every object made and
// what each sent, and messages delivered to the inputs.

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/midi/RtMidiSeam.h"

namespace fake {

class RtMidi final : public platform::midi::RtBackend {
    using Api = platform::midi::MidiApi;
    using Errors = platform::midi::RtErrorHandler;
    using PortPtr = std::unique_ptr<platform::midi::RtPort>;

public:
    using Bytes = std::vector<std::uint8_t>;

    // Ports of devices, as RtMidi names them; this program's own open ports are added to the
    // lists as the MIDI system shows them.
    std::vector<std::string> destinations, sources;
    bool opens = true;         // the MIDI system can be opened
    bool throwOnMake = false;  // RtMidi cannot reach it and throws from its constructor
    bool openFails = false;    // opening a port reports an error through the handler
    std::vector<std::pair<std::string, Bytes>> sent;  // destination port, message
    int made = 0;

    int live() const { return static_cast<int>(m_ports.size()); }
    // A message from a source to every input open to it.
    void deliver(const std::string& source, const Bytes& message) {
        for (Port* p : m_ports) {
            if (p->input && p->open && p->openTo == source && p->handler != nullptr)
                p->handler(std::vector<unsigned char>(message.begin(), message.end()),
                           p->handlerContext);
        }
    }

    bool systemOpens(Api, std::string& why) override {
        if (!opens)
            why = "No such file or directory";
        return opens;
    }
    PortPtr makeOutput(Api api, const std::string& client, Errors errors, void* ctx) override {
        return make(false, api, client, errors, ctx);
    }
    PortPtr makeInput(Api api, const std::string& client, Errors errors, void* ctx) override {
        return make(true, api, client, errors, ctx);
    }

private:
    struct Port final : platform::midi::RtPort {
        RtMidi& rt;
        bool input;
        std::string client;  // as the MIDI system shows it
        Errors errors;
        void* context;
        bool open = false;
        std::string ownName, openTo;
        platform::midi::RtMessageHandler handler = nullptr;
        void* handlerContext = nullptr;

        Port(RtMidi& r, bool in, std::string c, Errors e, void* ctx)
            : rt(r), input(in), client(std::move(c)), errors(e), context(ctx) {}
        ~Port() override { rt.m_ports.erase(this); }
        std::vector<std::string> list() const { return rt.listed(!input); }
        unsigned portCount() override { return static_cast<unsigned>(list().size()); }
        std::string portName(unsigned index) override {
            const std::vector<std::string> names = list();
            if (index < names.size())
                return names[index];
            errors(true, "no such port", context);
            return {};
        }
        void openPort(unsigned index, const std::string& name) override {
            const std::vector<std::string> names = list();
            if (rt.openFails || index >= names.size())
                return errors(true, "cannot connect", context);
            open = true;
            ownName = name;
            openTo = names[index];
        }
        void closePort() override { open = false; }
        bool isPortOpen() const override { return open; }
        void sendMessage(const unsigned char* bytes, std::size_t size) override {
            if (!open)
                return errors(true, "cannot send", context);
            rt.sent.emplace_back(openTo, Bytes(bytes, bytes + size));
        }
        void receiveWith(platform::midi::RtMessageHandler h, void* ctx) override {
            handler = h;
            handlerContext = ctx;
        }
    };

    PortPtr make(bool input, Api api, const std::string& client, Errors errors, void* context) {
        if (throwOnMake || !opens)
            throw std::runtime_error("MidiInJack::initialize: JACK server not running?");
        ++made;
        // JACK numbers each further client of a name: "TeStInG-01".
        std::string shown = client;
        if (api == Api::jack) {
            int same = 0;
            for (const Port* p : m_ports) same += p->client.rfind(client, 0) == 0 ? 1 : 0;
            if (same > 0)
                shown += (same < 10 ? "-0" : "-") + std::to_string(same);
        }
        auto port = std::make_unique<Port>(*this, input, shown, errors, context);
        m_ports.insert(port.get());
        return port;
    }
    // Destinations (or sources): the devices' ports, then this program's open ports that take
    // input (or give output).
    std::vector<std::string> listed(bool destinationsWanted) const {
        std::vector<std::string> names = destinationsWanted ? destinations : sources;
        for (const Port* p : m_ports) {
            if (p->open && p->input == destinationsWanted)
                names.push_back(p->client + ":" + p->ownName);
        }
        return names;
    }

    std::set<Port*> m_ports;
};

}  // namespace fake
