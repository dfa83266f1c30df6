#include "frontend/WindowGrab.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "frontend/ApplicationWindows.h"
#include "vexaLogging3AppDelegate.h"

namespace frontend {
namespace {

constexpr int kRecordsWanted = 3;
constexpr int kPollMs = 200;
// Long enough for the running timecode and the preview to show a fresh picture.
constexpr int kSettleMs = 1500;

bool save(QWidget& window, const QString& path) {
    const bool written = window.grab().save(path, "PNG");
    std::fprintf(stderr, "%s %s\n", written ? "wrote" : "could not write", qPrintable(path));
    return written;
}

// The editor's menus that the README shows, each as it drops down.
bool saveMenus(QMainWindow& window, const QDir& dir) {
    bool ok = true;
    for (QAction* item : window.menuBar()->actions()) {
        QMenu* menu = item->menu();
        QString name = item->text().remove(QLatin1Char('&')).toLower();
        if (menu == nullptr || !QStringList{"edit", "window", "help"}.contains(name))
            continue;
        menu->ensurePolished();
        menu->resize(menu->sizeHint());
        ok = save(*menu, dir.filePath(QStringLiteral("menu-%1.png").arg(name))) && ok;
    }
    return ok;
}

}  // namespace

void grabWindowsOnceLogged(ApplicationWindows& windows, vexaLogging3AppDelegate& controller,
                           const QString& directory, int patienceMs) {
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    auto* poll = new QTimer(&windows.windowEdit);
    QObject::connect(
        poll, &QTimer::timeout, poll, [&windows, &controller, directory, patienceMs, waited, poll] {
            if (controller.logStartArray.recordCount() < kRecordsWanted) {
                if (waited->elapsed() > patienceMs) {
                    std::fprintf(stderr, "no %d records after %d ms\n", kRecordsWanted, patienceMs);
                    QCoreApplication::exit(1);
                }
                return;
            }
            poll->stop();
            controller.btnLogNaechstes();
            windows.windowLog.show();
            QTimer::singleShot(kSettleMs, &windows.windowEdit, [&windows, directory] {
                QDir().mkpath(directory);
                const QDir dir(directory);
                const bool ok =
                    save(windows.windowRec, dir.filePath(QStringLiteral("capture-window.png"))) &&
                    save(windows.windowEdit, dir.filePath(QStringLiteral("editor-window.png"))) &&
                    save(windows.windowLog, dir.filePath(QStringLiteral("log-window.png"))) &&
                    saveMenus(windows.windowEdit, dir);
                QCoreApplication::exit(ok ? 0 : 1);
            });
        });
    poll->start(kPollMs);
}

}  // namespace frontend
