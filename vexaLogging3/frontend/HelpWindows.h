#pragma once

#include <QStringList>

class QWidget;

// The Help menu's windows: the keys and controls, the behaviour notes and About Glimmark.
namespace help {

// A window of its own, left open beside the program's windows; shown again when asked again.
void showKeysAndControls();
// False when the build found no behaviour notes to show.
bool haveBehaviourNotes();
void showBehaviourNotes();
// The program's version (the application's version) and the libraries it runs on: Qt's own,
// then `libraries` as the front end names them.
QString aboutText(const QStringList& libraries);
void showAbout(QWidget* parent, const QStringList& libraries);

}  // namespace help
