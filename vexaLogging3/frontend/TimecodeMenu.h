#pragma once

#include <memory>
#include <optional>

#include <QString>

#include "platform/TimecodeSource.h"
#include "timecode/SourceChoice.h"

class QSettings;
class vexaLogging3AppDelegate;

namespace frontend {

class ApplicationWindows;

// Settings keys: the timecode source as `--timecode` writes it, and the logging choice for a
// source other than the interface.
inline const QString kTimecodeSourceKey = QStringLiteral("timecode/source");
inline const QString kTimecodeLoggingKey = QStringLiteral("timecode/logging");
// The MIDI port of a foot switch or a DAW, and its learned Start/Stop note or controller.
inline const QString kTakeKeyPortKey = QStringLiteral("timecode/keyPort");
inline const QString kTakeKeyKey = QStringLiteral("timecode/key");

// The source of a choice: LTC and MIDI Time Code on JACK, the clock; null for the interface.
std::unique_ptr<platform::TimecodeSource> makeTimecodeSource(const timecode::SourceChoice& choice);

// The Timecode menu in every window (the source, Start Log F9 and Stop Log F10, which work
// from any window, and a MIDI note or controller learned as Start/Stop), and the capture window's
// status bar naming the source, its rate and its signal. Starts with `chosen` (from the command
// line) or else the remembered choice; a choice in the menu is remembered in `settings`.
void connectTimecodeMenu(ApplicationWindows& windows, vexaLogging3AppDelegate& controller,
                         QSettings& settings, std::optional<timecode::SourceChoice> chosen);

}  // namespace frontend
