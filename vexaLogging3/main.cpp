// glimmark: the logging tool with its two windows, against the vexa interface on MIDI or, for
// a first look without hardware, against a simulated one inside the program.

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>
#include <QTimer>
#include <QLabel>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include "platform/Clock.h"
#include "platform/SystemLog.h"
#include "platform/midi/JackMidiSystem.h"
#include "platform/midi/RtMidiSystem.h"
#include "platform/plist/PropertyListFileStore.h"
#include "platform/qt/ApplicationWindows.h"
#include "platform/qt/LiveSharing.h"
#include "platform/qt/QtImageFiles.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/QtPictureConverter.h"
#include "platform/qt/QtTimers.h"
#include "platform/qt/WindowGrab.h"
#include "platform/qt/WindowPlacement.h"
#include "platform/video/GstreamerVideoSystem.h"
#include "platform/video/TurboJpegCodec.h"
#include "vexaLogging3AppDelegate.h"
#include "vexasim/SimulatedMidiSystem.h"

namespace {

std::unique_ptr<platform::MidiSystem> midiSystem(bool simulate) {
    // JACK through libjack directly; RtMidi for the ALSA sequencer.
    if (!simulate && platform::midi::midiApiFromEnvironment() == platform::midi::MidiApi::jack)
        return std::make_unique<platform::midi::JackMidiSystem>();
    if (!simulate)
        return std::make_unique<platform::midi::RtMidiSystem>(platform::midi::MidiApi::alsa);
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

struct CommandLine {
    bool simulate = false;
    QString screenshotDirectory;
    QString file;
    // --serve: share the live log from the start.
    std::optional<share::Endpoint> serve;
};

// Read before the windows exist, so that --help and --version work without a display.
CommandLine readCommandLine(int argc, char* argv[]) {
    QCoreApplication reader(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("glimmark"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GLIMMARK_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Logs the takes of a recording or playback machine through a vexa timecode interface on "
        "MIDI: running timecode, numbered log records with a still picture, and an editor for "
        "them.\n\nWithout options it looks for the interface every two seconds (ALSA sequencer; "
        "set GLIMMARK_MIDI_API=jack for JACK)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral("Run against a simulated vexa interface inside the program, with the video "
                       "test pattern: running timecode and a new log every few seconds, no "
                       "hardware needed."));
    QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Write PNG pictures of both windows into <dir> once three logs exist, then "
                       "quit."),
        QStringLiteral("dir"));
    screenshotOption.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption serveOption(
        QStringLiteral("serve"),
        QStringLiteral("Share the live log as a read-only web page on [ADDRESS:]PORT (the "
                       "loopback address when none is given; 0.0.0.0 for every network, then "
                       "with an access code in the address), and print the page's address."),
        QStringLiteral("[address:]port"));
    parser.addOption(simulateOption);
    parser.addOption(screenshotOption);
    parser.addOption(serveOption);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A project file (.vlg) to open."),
                                 QStringLiteral("[file]"));
    parser.process(reader);
    const QStringList files = parser.positionalArguments();
    CommandLine commandLine{parser.isSet(simulateOption), parser.value(screenshotOption),
                            files.isEmpty() ? QString() : files.front(), std::nullopt};
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

    // Declared in this order so that they go in the reverse one: the controller first, then
    // the services it calls, the windows last.
    platform::qt::ApplicationWindows windows;
    platform::qt::QtMainThread mainThread;
    platform::qt::QtTimers timers;
    platform::SystemClock clock;
    platform::SyslogSystemLog systemLog;
    platform::TurboJpegCodec codec;
    platform::GstreamerVideoSystem video;
    platform::qt::QtImageFiles imageFiles;
    const std::unique_ptr<platform::MidiSystem> midi = midiSystem(simulate);
    platform::plist::PropertyListFileStore projectFiles;
    platform::qt::QtPictureConverter pictureConverter;
    vexaLogging3AppDelegate controller(PlatformServices{.mainThread = mainThread,
                                                        .clock = clock,
                                                        .systemLog = systemLog,
                                                        .midi = *midi,
                                                        .imageCodec = codec,
                                                        .timers = timers,
                                                        .video = video,
                                                        .propertyLists = &projectFiles,
                                                        .pictureConverter = &pictureConverter,
                                                        .imageFiles = &imageFiles},
                                       windows.outlets());

    QSettings settings;
    platform::qt::placeWindows(windows.windowRec, windows.windowEdit, settings);
    windows.windowLog.restoreColumns(settings);
    windows.connectTo(controller);
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
    // Once the windows are up: a log that a crash left behind comes first, then the file the
    // program was asked to open.
    QTimer::singleShot(0, &application, [&controller, file = commandLine.file] {
        controller.offerRecovery();
        if (!file.isEmpty())
            controller.openFile(file.toStdString());
    });
    if (simulate)
        controller.chooseVideoDevice(platform::GstreamerVideoSystem::kTestPatternName);

    LiveSharing sharing(controller, codec, &pictureConverter, windows.windowRec.shareStatus,
                        &windows.windowRec);
    QObject::connect(windows.menus.shareLiveLog, &QAction::triggered, &sharing,
                     [&sharing] { sharing.showDialog(); });
    if (commandLine.serve) {
        std::string why;
        if (!sharing.start(*commandLine.serve, false, why)) {
            std::fprintf(stderr, "glimmark: --serve: %s\n", why.c_str());
            return 2;
        }
        // One line, flushed at once: a script reads the address and goes on.
        std::printf("%s\n", sharing.url().toUtf8().constData());
        std::fflush(stdout);
    }
    if (!commandLine.screenshotDirectory.isEmpty())
        platform::qt::grabWindowsOnceLogged(windows, controller, commandLine.screenshotDirectory);

    const int status = QApplication::exec();
    sharing.stop();
    platform::qt::saveWindowPlaces(windows.windowRec, windows.windowEdit, settings);
    windows.windowLog.saveColumns(settings);
    // No more device input or frames may reach the controller once it starts to go.
    controller.closeMidi();
    video.stop();
    controller.waitForSends();
    return status;
}
