#pragma once

#include <QRect>
#include <QSize>
#include <functional>
#include <memory>
#include <utility>

class QObject;
class QSettings;
class QWidget;

namespace frontend {

// Where the capture window and the editor go on a first start: side by side within the
// screen's free area, the editor on the right and wider; one above the other when the area
// is too narrow for both side by side. Each rectangle is a window's frame, title bar included.
std::pair<QRect, QRect> sideBySide(const QRect& available, const QSize& captureMinimum,
                                   const QSize& editorMinimum);

// Puts both windows where they were when the program last ended, or side by side on the
// screen they open on the first time (or when a saved place no longer fits a screen).
void placeWindows(QWidget& capture, QWidget& editor, QSettings& settings);
// Remembers the places and sizes of both windows for the next start.
void saveWindowPlaces(const QWidget& capture, const QWidget& editor, QSettings& settings);

// Runs `save` when the program is asked to quit, before the windows are closed for it, so that
// what it saves is the windows as the user left them; or, for an end that closes no windows,
// as the event loop ends. Works while the answer lives.
std::unique_ptr<QObject> saveWhenQuitting(std::function<void()> save);

}  // namespace frontend
