#pragma once

#include <optional>

#include <QString>

class QSettings;
class vexaLogging3AppDelegate;

namespace platform {
class SwitchingMidiSystem;
}

namespace frontend {

class ApplicationWindows;

// Settings keys: the MIDI system ("auto", "jack" or "alsa") and the interface's port name
// (empty: found by its client's name).
inline const QString kMidiSystemKey = QStringLiteral("midi/system");
inline const QString kInterfacePortKey = QStringLiteral("midi/interfacePort");

// Forces the system a setting or the command line names ("jack", "alsa"); anything else
// ("auto", nothing) leaves the choice to the scans. The menu's items force through it too.
void forceMidiSystem(platform::SwitchingMidiSystem& midi, const QString& name);

// The MIDI menu and the capture window's status bar, which names the MIDI system in use.
// `fixedBy` names what forced a system at start-up ("--midi", "GLIMMARK_MIDI_API"), empty
// when the settings did or nothing; the menu may change it for the session all the same.
// A choice in the menu is remembered in `settings`.
void connectMidiMenu(ApplicationWindows& windows, platform::SwitchingMidiSystem& midi,
                     vexaLogging3AppDelegate& controller, QSettings& settings,
                     const QString& fixedBy);

}  // namespace frontend
