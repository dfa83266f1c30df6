#pragma once

#include <QString>

class vexaLogging3AppDelegate;

namespace frontend {

class ApplicationWindows;

// Pictures of the two windows for the documentation: once the log holds three records, the
// editor steps to the second, so that it shows a record with a neighbour on either side, and
// each window is written as a PNG into `directory`; then the program quits. Gives up, and
// quits with status 1, when no third record has come after `patienceMs`.
void grabWindowsOnceLogged(ApplicationWindows& windows, vexaLogging3AppDelegate& controller,
                           const QString& directory, int patienceMs = 30000);

}  // namespace frontend
