#include "frontend/HelpWindows.h"

#include <HelpTexts.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>

namespace help {
namespace {

void showDocument(QPointer<QTextBrowser>& window, const QString& title, const char* markdown) {
    if (window.isNull()) {
        window = new QTextBrowser;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(title);
        window->setOpenExternalLinks(true);
        window->setMarkdown(QString::fromUtf8(markdown));
        window->resize(900, 640);
        // Escape closes it, as it closes every other window the program opens over its own.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

void showKeysAndControls() {
    static QPointer<QTextBrowser> window;
    showDocument(window, QObject::tr("Keys and Controls"), kKeysAndControlsMarkdown);
}

bool haveBehaviourNotes() {
    return sizeof(kBehaviourNotesMarkdown) > 1;
}

void showBehaviourNotes() {
    static QPointer<QTextBrowser> window;
    showDocument(window, QObject::tr("Behaviour notes"), kBehaviourNotesMarkdown);
}

QString aboutText(const QStringList& libraries) {
    QStringList lines{QStringLiteral("<b>Glimmark %1</b>").arg(QCoreApplication::applicationVersion()),
                      QObject::tr("Logs the takes of a vexa timecode interface, with a picture "
                                  "of each."),
                      QString(), QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()))};
    lines += libraries;
    return lines.join(QStringLiteral("<br>"));
}

void showAbout(QWidget* parent, const QStringList& libraries) {
    QMessageBox::about(parent, QObject::tr("About Glimmark"), aboutText(libraries));
}

}  // namespace help
