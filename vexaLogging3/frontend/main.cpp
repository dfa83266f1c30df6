// glimmark: the logging tool with its two windows, against the vexa interface on MIDI or, for
// a first look without hardware, against a simulated one inside the program.

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QTimer>
#include <QLabel>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "frontend/ApplicationWindows.h"
#include "frontend/DeviceComboBox.h"
#include "frontend/LiveSharing.h"
#include "frontend/MidiMenu.h"
#include "frontend/TimecodeMenu.h"
#include "frontend/WindowGrab.h"
#include "frontend/WindowPlacement.h"
#include "platform/Clock.h"
#include "platform/SwitchingMidiSystem.h"
#include "platform/SystemLog.h"
#include "platform/midi/JackMidiSystem.h"
#include "platform/midi/RtMidiSystem.h"
#include "platform/plist/PropertyListFileStore.h"
#include "platform/qt/QtImageFiles.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/QtPdfWriter.h"
#include "platform/qt/QtPictureConverter.h"
#include "platform/qt/QtTimers.h"
#include "platform/video/GstreamerVideoSystem.h"
#include "platform/video/TurboJpegCodec.h"
#include "timecode/TimecodeSources.h"
#include "vexaLogging3AppDelegate.h"
#include "vexasim/JackVirtualInterface.h"
#include "vexasim/LtcPlayer.h"
#include "vexasim/SimulatedMidiSystem.h"

namespace {

std::unique_ptr<platform::MidiSystem> simulatedMidiSystem() {
    // A machine already recording, and an interface that logs by itself, so the windows show
    // running timecode and new records within seconds. The program reads the logging state
    // from the interface like any other time; it switches nothing on by itself. A playback
    // from the editor halts the machine at its end; a few seconds later it records on, so
    // the demo does not stop at the first Play.
    vexasim::SimulatedMidiSystem::Options options;
    options.play = true;
    options.loggingOn = true;
    options.recordAfterPlaybackSeconds = 3;
    return std::make_unique<vexasim::SimulatedMidiSystem>(options);
}

// --simulate=ltc and --simulate=mtc: timecode played into JACK inside the program, on ports of
// its own, and read back as the timecode source, as a sync box's or a recorder's would be. It
// runs ten seconds and stands three, over and over, as a recorder's record-run timecode does.
struct SimulatedTimecode {
    std::unique_ptr<vexasim::LtcPlayer> ltc;
    std::unique_ptr<vexasim::JackVirtualInterface> mtc;
    static constexpr int kRunSeconds = 10;
    static constexpr int kStandSeconds = 3;

    // The source to read it with; nothing, with the reason, when JACK would not play it.
    std::optional<timecode::SourceChoice> start(const QString& kind, std::string& why) {
        using Kind = timecode::SourceChoice::Kind;
        if (kind == QLatin1String("ltc")) {
            vexasim::LtcPlayer::Options options;
            options.clientName = "Glimmark LTC demo";
            options.runSeconds = kRunSeconds;
            options.pauseSeconds = kStandSeconds;
            ltc = vexasim::LtcPlayer::open(options, &why);
            if (!ltc)
                return std::nullopt;
            return timecode::SourceChoice{Kind::ltc, ltc->portName(), {}};
        }
        // The simulated machine under a name that is not the interface's: plain MIDI Time Code.
        vexasim::JackVirtualInterface::Options options;
        options.clientName = "Glimmark MTC demo";
        mtc = vexasim::JackVirtualInterface::open(options, &why);
        if (!mtc)
            return std::nullopt;
        auto* runs = new QTimer(qApp);
        QObject::connect(runs, &QTimer::timeout, runs, [this, runs, running = true]() mutable {
            running = !running;
            mtc->driver().withInterface(
                [running](vexasim::SimulatedInterface& machine) {
                    running ? machine.play() : machine.stop();
                });
            runs->start((running ? kRunSeconds : kStandSeconds) * 1000);
        });
        runs->start(kRunSeconds * 1000);
        return timecode::SourceChoice{Kind::mtc, mtc->outputPortName(), {}};
    }
};

struct CommandLine {
    bool simulate = false;
    // --simulate=ltc or --simulate=mtc: that timecode played inside the program, the interface
    // not simulated.
    QString simulatedTimecode;
    QString screenshotDirectory;
    QString file;
    QString midi;  // "auto", "jack", "alsa" or empty
    // --serve: share the live log from the start.
    std::optional<share::Endpoint> serve;
    // --timecode: the source for this session, over the Timecode menu's remembered one.
    std::optional<timecode::SourceChoice> timecode;
};

// The MIDI system asked for ("auto", "jack", "alsa"): by --midi, else GLIMMARK_MIDI_API, else
// the menu's last choice. `by` gets what fixed it, empty for the settings or nothing.
QString requestedMidiSystem(const CommandLine& commandLine, const QSettings& settings,
                            QString& by) {
    if (!commandLine.midi.isEmpty()) {
        by = QStringLiteral("--midi");
        return commandLine.midi;
    }
    if (const auto api = platform::midi::midiApiFromEnvironment()) {
        by = QStringLiteral("GLIMMARK_MIDI_API");
        return QString::fromStdString(std::string(platform::midi::midiApiName(*api)));
    }
    by.clear();
    return settings.value(frontend::kMidiSystemKey, QStringLiteral("auto")).toString();
}

// Read before the windows exist, so that --help and --version work without a display.
CommandLine readCommandLine(int argc, char* argv[]) {
    QCoreApplication reader(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("glimmark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GLIMMARK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Logs the takes of a recording or playback machine through a vexa timecode interface on "
        "MIDI: running timecode, numbered log records with a still picture, and an editor for "
        "them.\n\nWithout options it looks for the interface every two seconds, on JACK when a "
        "JACK server (jackd or PipeWire's) answers, otherwise on the ALSA sequencer; a system "
        "that lists the interface wins. --midi, GLIMMARK_MIDI_API=jack|alsa or the MIDI menu "
        "fix the system; the capture window's status bar names the one in use."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral("Run against a simulated vexa interface inside the program, with the video "
                       "test pattern: running timecode and a new log every few seconds, no "
                       "hardware needed. --simulate=ltc plays LTC into a JACK audio port of the "
                       "program's own and reads it as the timecode source, --simulate=mtc MIDI "
                       "Time Code into a JACK MIDI port; either runs ten seconds and stands "
                       "three, a take by record run each time (a JACK server must run)."));
    QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Write PNG pictures of both windows into <dir> once three logs exist, then "
                       "quit."),
        QStringLiteral("dir"));
    screenshotOption.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption midiOption(
        QStringLiteral("midi"),
        QStringLiteral("The MIDI system to find the interface on: auto (JACK when a JACK server "
                       "answers, else the ALSA sequencer), jack or alsa. Overrides "
                       "GLIMMARK_MIDI_API and the MIDI menu's choice."),
        QStringLiteral("auto|jack|alsa"));
    const QCommandLineOption serveOption(
        QStringLiteral("serve"),
        QStringLiteral("Share the live log as a read-only web page on [ADDRESS:]PORT (the "
                       "loopback address when none is given; 0.0.0.0 for every network, then "
                       "with an access code in the address), and print the page's address."),
        QStringLiteral("[address:]port"));
    parser.addOption(simulateOption);
    parser.addOption(midiOption);
    parser.addOption(screenshotOption);
    const QCommandLineOption timecodeOption(
        QStringLiteral("timecode"),
        QStringLiteral("Where the timecode comes from for this session: the interface (the "
                       "default), LTC on a JACK audio port, MIDI Time Code from a JACK MIDI port "
                       "(PORT as JACK names it, e.g. ltc:system:capture_1; without one, the "
                       "first there is), or the computer's clock at 24, 25, 29.97 (drop-frame) or "
                       "30 frames. Overrides the Timecode menu's choice."),
        QStringLiteral("interface|ltc[:PORT]|mtc[:PORT]|clock[:RATE]"));
    parser.addOption(serveOption);
    parser.addOption(timecodeOption);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A project file (.vlg) to open."),
                                 QStringLiteral("[file]"));
    // --simulate=KIND: Qt's parser takes no value after an option that has none.
    QStringList arguments = QCoreApplication::arguments();
    QString simulatedTimecode;
    for (QString& argument : arguments) {
        if (argument == QLatin1String("--simulate=ltc") ||
            argument == QLatin1String("--simulate=mtc")) {
            simulatedTimecode = argument.mid(11);
            argument = QStringLiteral("--simulate");
        } else if (argument.startsWith(QLatin1String("--simulate="))) {
            std::fprintf(stderr, "glimmark: --simulate takes ltc or mtc, not \"%s\"\n",
                         qPrintable(argument.mid(11)));
            std::exit(2);
        }
    }
    parser.process(arguments);
    const QString midi = parser.value(midiOption);
    if (parser.isSet(midiOption) && midi != QLatin1String("auto") &&
        !platform::midi::parseMidiApi(midi.toStdString())) {
        std::fprintf(stderr, "glimmark: --midi takes auto, jack or alsa, not \"%s\"\n",
                     qPrintable(midi));
        std::exit(EXIT_FAILURE);
    }
    const QStringList files = parser.positionalArguments();
    CommandLine commandLine;
    commandLine.simulatedTimecode = simulatedTimecode;
    commandLine.simulate = parser.isSet(simulateOption) && simulatedTimecode.isEmpty();
    commandLine.screenshotDirectory = parser.value(screenshotOption);
    commandLine.file = files.isEmpty() ? QString() : files.front();
    commandLine.midi = midi;
    if (parser.isSet(timecodeOption)) {
        std::string why;
        commandLine.timecode =
            timecode::parseSourceChoice(parser.value(timecodeOption).toStdString(), why);
        if (!commandLine.timecode) {
            std::fprintf(stderr, "glimmark: --timecode: %s\n", why.c_str());
            std::exit(2);
        }
    }
    if (parser.isSet(serveOption)) {
        std::string why;
        commandLine.serve = share::parseEndpoint(parser.value(serveOption).toStdString(), why);
        if (!commandLine.serve) {
            std::fprintf(stderr, "glimmark: --serve: %s\n", why.c_str());
            std::exit(2);
        }
    }
    return commandLine;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Past a file size limit a save must fail with a reason the user is shown; by default
    // the signal would end the program and take the unsaved log with it.
    std::signal(SIGXFSZ, SIG_IGN);
    const CommandLine commandLine = readCommandLine(argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("glimmark"));
    QApplication::setOrganizationName(QStringLiteral("glimmark"));
    QApplication::setApplicationVersion(QStringLiteral(GLIMMARK_VERSION));
    // No display name: the platform would append it to every window title, which already
    // names the program and the document.
    const bool simulate = commandLine.simulate;
    SimulatedTimecode simulatedTimecode;
    std::optional<timecode::SourceChoice> chosenTimecode = commandLine.timecode;
    if (!commandLine.simulatedTimecode.isEmpty()) {
        std::string why;
        chosenTimecode = simulatedTimecode.start(commandLine.simulatedTimecode, why);
        if (!chosenTimecode) {
            std::fprintf(stderr, "glimmark: --simulate=%s: %s\n",
                         qPrintable(commandLine.simulatedTimecode), why.c_str());
            return 1;
        }
    }

    // Declared in this order so that they go in the reverse one: the controller first, then
    // the services it calls, the windows last.
    frontend::ApplicationWindows windows;
    platform::qt::QtMainThread mainThread;
    platform::qt::QtTimers timers;
    platform::SystemClock clock;
    platform::SyslogSystemLog systemLog;
    platform::TurboJpegCodec codec;
    platform::GstreamerVideoSystem video;
    platform::qt::QtImageFiles imageFiles;
    QSettings settings;

    // JACK through libjack directly, the ALSA sequencer through RtMidi; every scan picks one
    // unless one is fixed. Complaints that no JACK server runs are for a user who asked for
    // JACK: by itself, the program goes on to the ALSA sequencer.
    QString midiFixedBy;
    const QString requested = requestedMidiSystem(commandLine, settings, midiFixedBy);
    const vexaLogging3AppDelegate* scanner = nullptr;
    platform::SwitchingMidiSystem* switching = nullptr;
    platform::midi::JackMidiSystem::Options jackOptions;
    jackOptions.report = [&switching](std::string_view line) {
        if (switching != nullptr && switching->forced() == std::size_t{0})
            std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    };
    platform::midi::JackMidiSystem jackMidi(jackOptions);
    platform::midi::RtMidiSystem alsaMidi(platform::midi::MidiApi::alsa);
    platform::SwitchingMidiSystem linuxMidi(
        {{"JACK", &jackMidi, [&jackMidi] { return jackMidi.serverAnswers(); }},
         {"ALSA", &alsaMidi, {}}},
        [&scanner](platform::MidiSystem& system, platform::MidiRef destination) {
            return scanner != nullptr && scanner->isInterface(system, destination);
        });
    switching = &linuxMidi;
    frontend::forceMidiSystem(linuxMidi, requested);
    const std::unique_ptr<platform::MidiSystem> simulated =
        simulate ? simulatedMidiSystem() : nullptr;
    platform::MidiSystem& midi = simulate ? *simulated : linuxMidi;
    platform::plist::PropertyListFileStore projectFiles;
    platform::qt::QtPictureConverter pictureConverter;
    platform::qt::QtPdfWriter pdfWriter;
    platform::qt::QtPictureScaler pictureScaler;
    vexaLogging3AppDelegate controller(PlatformServices{.mainThread = mainThread,
                                                        .clock = clock,
                                                        .systemLog = systemLog,
                                                        .midi = midi,
                                                        .imageCodec = codec,
                                                        .timers = timers,
                                                        .video = video,
                                                        .propertyLists = &projectFiles,
                                                        .pictureConverter = &pictureConverter,
                                                        .imageFiles = &imageFiles,
                                                        .pdfWriter = &pdfWriter,
                                                        .pictureScaler = &pictureScaler},
                                       windows.outlets());
    scanner = &controller;
    controller.interfacePort =
        settings.value(frontend::kInterfacePortKey).toString().toStdString();
    if (!simulate) {
        frontend::connectMidiMenu(windows, linuxMidi, controller, settings, midiFixedBy);
    } else {
        for (QAction* a : {windows.menus.midiAuto, windows.menus.midiJack, windows.menus.midiAlsa,
                           windows.menus.interfacePort})
            a->setEnabled(false);
    }

    frontend::placeWindows(windows.windowRec, windows.windowEdit, settings);
    windows.connectTo(controller);
    // Once the table has its columns, which the saved sizes and choices are for.
    const bool logWasOpen = windows.windowLog.restoreSettings(settings);
    windows.aboutLibraries = {
        QString::fromStdString(platform::GstreamerVideoSystem::libraryVersion()),
        QString::fromStdString(platform::midi::JackMidiSystem::libraryVersion()),
        QString::fromStdString(platform::midi::RtMidiSystem::libraryVersion()),
        QString::fromStdString(platform::TurboJpegCodec::libraryVersion())};
    application.setQuitOnLastWindowClosed(
        controller.applicationShouldTerminateAfterLastWindowClosed());
    // Pictures of the windows are no shoot day: nothing to keep, nothing to offer.
    if (commandLine.screenshotDirectory.isEmpty())
        controller.recoveryDirectory = RecoveryFile::defaultDirectory();
    controller.awakeFromNib();
    // Once the windows are connected and set up: the source's logging choice goes into them.
    frontend::connectTimecodeMenu(windows, controller, settings, chosenTimecode);
    // The demo's takes come by record run, whatever the user last chose; not remembered.
    if (simulatedTimecode.ltc || simulatedTimecode.mtc)
        controller.timecodeSources().chooseLogging(TimecodeSourceLink::kRecordRun);
    // Once the windows are up: a log that a crash left behind comes first, then the file the
    // program was asked to open.
    QTimer::singleShot(0, &application, [&controller, file = commandLine.file] {
        controller.offerRecovery();
        if (!file.isEmpty())
            controller.openFile(file.toStdString());
    });
    if (logWasOpen)
        windows.windowLog.show();
    // Saved while the windows are still as the user left them: a Quit closes them all, a
    // close of the last window has closed the log too.
    const auto logWindowSaver = frontend::saveWhenQuitting(
        [&windows, &settings] { windows.windowLog.saveSettings(settings); });
    // The camera chosen last time comes back before the restore question, so that the takes
    // logged under it get their pictures; the demo starts on the test pattern until one is
    // chosen. Every choice is remembered at once: a crash must not forget it.
    const QString videoDeviceKey = QStringLiteral("capture/videoDevice");
    if (settings.contains(videoDeviceKey)) {
        const std::string remembered = settings.value(videoDeviceKey).toString().toStdString();
        if (!remembered.empty())
            controller.chooseVideoDevice(remembered);
    } else if (simulate || !commandLine.simulatedTimecode.isEmpty()) {
        controller.chooseVideoDevice(platform::GstreamerVideoSystem::kTestPatternName);
    }
    QObject::connect(windows.windowRec.cmbDevicesVal, &QComboBox::activated, &settings,
                     [&settings, &controller, videoDeviceKey] {
                         settings.setValue(videoDeviceKey,
                                           QString::fromStdString(controller.chosenVideoDevice()));
                         settings.sync();
                     });

    LiveSharing sharing(controller, codec, &pictureConverter, windows.windowRec.shareStatus,
                        &windows.windowRec);
    QObject::connect(windows.menus.shareLiveLog, &QAction::triggered, &sharing,
                     [&sharing] { sharing.showDialog(); });
    if (commandLine.serve) {
        std::string why;
        // A well-formed address that cannot be listened on is a failure, not a wrong argument.
        if (!sharing.start(*commandLine.serve, false, why)) {
            std::fprintf(stderr, "glimmark: --serve: %s\n", why.c_str());
            return 1;
        }
        // One line, flushed at once: a script reads the address and goes on.
        std::printf("%s\n", sharing.url().toUtf8().constData());
        std::fflush(stdout);
    }
    if (!commandLine.screenshotDirectory.isEmpty())
        frontend::grabWindowsOnceLogged(windows, controller, commandLine.screenshotDirectory);

    const int status = QApplication::exec();
    sharing.stop();
    frontend::saveWindowPlaces(windows.windowRec, windows.windowEdit, settings);
    // No more device input or frames may reach the controller once it starts to go.
    controller.closeMidi();
    video.stop();
    controller.waitForSends();
    return status;
}
