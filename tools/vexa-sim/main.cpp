// glimmark-vexa-sim: the simulated vexa interface as a device on JACK MIDI.

#include <signal.h>

#include <atomic>
#include <memory>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "SimOptions.h"
#include "vexasim/JackVirtualInterface.h"
#include "vexasim/LtcPlayer.h"

namespace {

std::atomic<bool> g_jackGone{false};

const char* rateName(vexasim::FrameRate rate) {
    switch (rate) {
        case vexasim::FrameRate::fps24:
            return "24";
        case vexasim::FrameRate::fps25:
            return "25";
        case vexasim::FrameRate::fps2997DropFrame:
            return "29.97 drop-frame";
        case vexasim::FrameRate::fps30:
            return "30";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options =
        vexasim::parseSimOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        std::fprintf(stderr, "glimmark-vexa-sim: %s\n\n%s", error.c_str(),
                     vexasim::simUsage().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(vexasim::simUsage().c_str(), stdout);
        return 0;
    }
    if (options->showVersion) {
        std::puts("glimmark-vexa-sim " GLIMMARK_VERSION);
        return 0;
    }

    // Interrupts are taken by sigtimedwait below, never by the JACK or driver threads, which
    // inherit this mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    vexasim::JackVirtualInterface::Options o;
    o.clientName = options->clientName;
    o.rate = options->rate;
    o.startAt = options->startAt;
    o.play = options->play;
    o.version = options->version;
    o.onShutdown = [] { g_jackGone = true; };
    if (options->print) {
        o.onReceived = [](vexasim::JackVirtualInterface::Message m) {
            const std::string line =
                vexasim::hexLine(std::vector<unsigned char>(m.begin(), m.end()));
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        };
    }
    auto sim = vexasim::JackVirtualInterface::open(std::move(o), &error);
    if (!sim) {
        std::fprintf(stderr, "glimmark-vexa-sim: %s\n", error.c_str());
        return 1;
    }
    sim->driver().withInterface(
        [&](vexasim::SimulatedInterface& s) { vexasim::configure(s, *options); });
    const auto& start = options->startAt;
    std::fprintf(stderr,
                 "glimmark-vexa-sim: ports \"%s\" and \"%s\", %s fps from %02d:%02d:%02d:%02d%s\n",
                 sim->inputPortName().c_str(), sim->outputPortName().c_str(),
                 rateName(options->rate), start.hours, start.minutes, start.seconds, start.frames,
                 options->play ? ", running" : ", waiting for MMC play");

    std::unique_ptr<vexasim::LtcPlayer> ltc;
    if (options->ltc) {
        vexasim::LtcPlayer::Options l;
        l.rate = options->rate;
        l.startAt = options->startAt;
        l.runSeconds = options->ltcRunSeconds;
        l.pauseSeconds = options->ltcPauseSeconds;
        ltc = vexasim::LtcPlayer::open(l, &error);
        if (!ltc) {
            std::fprintf(stderr, "glimmark-vexa-sim: --ltc: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "glimmark-vexa-sim: LTC on \"%s\"\n", ltc->portName().c_str());
    }

    const timespec poll{0, 200'000'000};
    while (!g_jackGone.load()) {
        if (sigtimedwait(&stopSignals, nullptr, &poll) > 0)
            break;
    }
    if (g_jackGone.load()) {
        std::fprintf(stderr, "glimmark-vexa-sim: the JACK server went away\n");
        return 1;
    }
    return 0;
}
