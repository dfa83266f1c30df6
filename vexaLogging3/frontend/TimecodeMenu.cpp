#include "frontend/TimecodeMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>

#include "frontend/ApplicationWindows.h"
#include "platform/jack/JackTimecodeSource.h"
#include "platform/qt/QtControls.h"
#include "timecode/ClockTimecodeSource.h"
#include "timecode/MtcReader.h"
#include "timecode/TimecodeSources.h"
#include "vexaLogging3AppDelegate.h"

namespace frontend {

namespace {

using Kind = timecode::SourceChoice::Kind;
using JackSource = platform::jack::JackTimecodeSource;

// The port for LTC or MIDI Time Code, from what JACK offers now; the one chosen before stays
// offered. Nothing when the user cancelled.
std::optional<std::string> askPort(QWidget* parent, JackSource::Kind kind,
                                   const std::string& current) {
    QStringList ports;
    for (const std::string& port : JackSource::listPorts(kind))
        ports << QString::fromStdString(port);
    if (!current.empty() && !ports.contains(QString::fromStdString(current)))
        ports.prepend(QString::fromStdString(current));
    const bool ltc = kind == JackSource::Kind::ltc;
    bool ok = false;
    // Editable: a port that is not there yet can be named, and is read once it comes.
    const QString chosen = QInputDialog::getItem(
        parent, ltc ? QObject::tr("LTC Input") : QObject::tr("MIDI Input"),
        ltc ? QObject::tr("The JACK audio port that carries the LTC:")
            : QObject::tr("The JACK MIDI port:"),
        ports, std::max<qsizetype>(0, ports.indexOf(QString::fromStdString(current))), true, &ok);
    if (!ok || chosen.trimmed().isEmpty())
        return std::nullopt;
    return chosen.trimmed().toStdString();
}

}  // namespace

std::unique_ptr<platform::TimecodeSource> makeTimecodeSource(const timecode::SourceChoice& choice) {
    switch (choice.kind) {
        case Kind::interface:
            return nullptr;
        case Kind::clock:
            return std::make_unique<timecode::ClockTimecodeSource>(choice.rate);
        case Kind::ltc:
        case Kind::mtc: {
            JackSource::Options options;
            options.kind = choice.kind == Kind::ltc ? JackSource::Kind::ltc : JackSource::Kind::mtc;
            options.port = choice.port;
            options.mtcDecoder = [] { return std::make_unique<timecode::MtcReader>(); };
            return std::make_unique<JackSource>(options);
        }
    }
    return nullptr;
}

void connectTimecodeMenu(ApplicationWindows& windows, vexaLogging3AppDelegate& controller,
                         QSettings& settings, std::optional<timecode::SourceChoice> chosen) {
    auto* owner = &windows.windowRec;
    auto* group = new QActionGroup(owner);
    auto* interfaceItem = new QAction(QObject::tr("&Interface"), group);
    auto* ltcItem = new QAction(QObject::tr("&LTC on an Audio Port…"), group);
    auto* mtcItem = new QAction(QObject::tr("&MTC from a MIDI Port…"), group);
    auto* clockItem = new QAction(QObject::tr("&Clock…"), group);
    for (QAction* a : group->actions()) a->setCheckable(true);
    auto* learnKey = new QAction(QObject::tr("Start/Stop MIDI &Key…"), owner);
    auto* startLog = new QAction(QObject::tr("Start &Log"), owner);
    auto* stopLog = new QAction(QObject::tr("Sto&p Log"), owner);
    startLog->setShortcut(Qt::Key_F9);
    stopLog->setShortcut(Qt::Key_F10);
    for (QAction* a : {startLog, stopLog}) a->setShortcutContext(Qt::ApplicationShortcut);
    // Each window's bar gets the menu before Help; the actions are the same everywhere.
    for (QMainWindow* window : std::initializer_list<QMainWindow*>{
             &windows.windowRec, &windows.windowEdit, &windows.windowLog}) {
        auto* menu = new QMenu(QObject::tr("&Timecode"), window);
        menu->addActions(group->actions());
        menu->addSeparator();
        menu->addActions({startLog, stopLog, learnKey});
        QMenuBar* bar = window->menuBar();
        QAction* help = bar->actions().isEmpty() ? nullptr : bar->actions().back();
        bar->insertMenu(help, menu);
    }
    // The buttons' own clicks, so F9 and F10 do exactly what they do, and nothing when off.
    QObject::connect(startLog, &QAction::triggered, owner, [&windows] {
        if (windows.windowRec.btnLogManualVal->isEnabled())
            windows.windowRec.btnLogManualVal->click();
    });
    QObject::connect(stopLog, &QAction::triggered, owner, [&windows] {
        if (windows.windowRec.btnLogManualStopVal->isEnabled())
            windows.windowRec.btnLogManualStopVal->click();
    });

    auto* status = new QLineEdit(owner);
    status->setObjectName(QStringLiteral("timecodeStatus"));
    status->setReadOnly(true);
    status->setFrame(false);
    status->setFocusPolicy(Qt::NoFocus);
    status->setMinimumWidth(320);
    windows.windowRec.statusBar()->addPermanentWidget(status);
    auto* field = new platform::qt::LineEditField(status);
    QObject::connect(status, &QObject::destroyed, [field] { delete field; });
    controller.outlets.timecodeStatus = field;

    TimecodeSourceLink& link = controller.timecodeSources();
    link.chooseLogging(settings.value(kTimecodeLoggingKey, 1).toInt());
    QObject::connect(windows.windowRec.cmbLogSelectVal, &QComboBox::activated, owner,
                     [&link, &settings] {
                         if (link.inUse())
                             settings.setValue(kTimecodeLoggingKey, link.logging());
                     });

    // The foot switch's port, read for its notes and controllers only; each press reaches the
    // controller on the main thread, stamped with when it came.
    auto keys = std::make_shared<std::unique_ptr<JackSource>>();
    const auto readKeys = [owner, &link, keys](const std::string& port) {
        JackSource::Options options;
        options.kind = JackSource::Kind::keys;
        options.port = port;
        options.clientName = "Glimmark keys";
        options.onKey = [owner, &link](std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
                                       std::int64_t at) {
            QMetaObject::invokeMethod(
                owner,
                [&link, status, data1, data2, at] { link.keyEvent(status, data1, data2, at); },
                Qt::QueuedConnection);
        };
        *keys = std::make_unique<JackSource>(options);
        std::string why;
        if (!(*keys)->start({}, why))
            keys->reset();
    };
    link.setTakeKey(settings.value(kTakeKeyKey, 0).toInt());
    if (const QString port = settings.value(kTakeKeyPortKey).toString(); !port.isEmpty())
        readKeys(port.toStdString());
    QObject::connect(learnKey, &QAction::triggered, owner, [owner, &link, &settings, readKeys] {
        const auto port = askPort(owner, JackSource::Kind::mtc,
                                  settings.value(kTakeKeyPortKey).toString().toStdString());
        if (!port)
            return;
        settings.setValue(kTakeKeyPortKey, QString::fromStdString(*port));
        readKeys(*port);
        link.learnKey();
    });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, owner, [&link, &settings, keys] {
        keys->reset();
        settings.setValue(kTakeKeyKey, link.takeKey());
    });

    auto current = std::make_shared<timecode::SourceChoice>();
    const auto use = [&controller, &settings, current, interfaceItem, ltcItem, mtcItem, clockItem](
                         const timecode::SourceChoice& choice, bool remember) {
        *current = choice;
        controller.timecodeSources().use(makeTimecodeSource(choice));
        (choice.kind == Kind::ltc     ? ltcItem
         : choice.kind == Kind::mtc   ? mtcItem
         : choice.kind == Kind::clock ? clockItem
                                      : interfaceItem)
            ->setChecked(true);
        if (remember)
            settings.setValue(kTimecodeSourceKey,
                              QString::fromStdString(timecode::sourceChoiceText(choice)));
    };
    QObject::connect(interfaceItem, &QAction::triggered, owner,
                     [use] { use(timecode::SourceChoice{}, true); });
    for (QAction* item : {ltcItem, mtcItem}) {
        const Kind kind = item == ltcItem ? Kind::ltc : Kind::mtc;
        QObject::connect(item, &QAction::triggered, owner, [use, current, kind, owner] {
            const auto port =
                askPort(owner, kind == Kind::ltc ? JackSource::Kind::ltc : JackSource::Kind::mtc,
                        current->kind == kind ? current->port : std::string());
            if (!port) {
                use(*current, false);  // the check mark back where it was
                return;
            }
            use(timecode::SourceChoice{kind, *port, {}}, true);
        });
    }
    QObject::connect(clockItem, &QAction::triggered, owner, [use, current, owner] {
        const QStringList rates{QStringLiteral("24"), QStringLiteral("25"), QStringLiteral("29.97"),
                                QStringLiteral("30")};
        const QString now = current->rate.dropFrame
                                ? QStringLiteral("29.97")
                                : QString::number(current->rate.framesPerSecond);
        bool ok = false;
        const QString rate = QInputDialog::getItem(
            owner, QObject::tr("Clock"),
            QObject::tr("The clock as timecode at (29.97 counts drop-frame):"), rates,
            // The running clock's own rate is the one preselected, so OK never changes it.
            rates.contains(now) ? rates.indexOf(now) : 1, false, &ok);
        std::string why;
        const auto choice = timecode::parseSourceChoice("clock:" + rate.toStdString(), why);
        use(ok && choice ? *choice : *current, ok && choice);
    });

    std::string why;
    const auto remembered = timecode::parseSourceChoice(
        settings.value(kTimecodeSourceKey, QStringLiteral("interface")).toString().toStdString(),
        why);
    use(chosen.value_or(remembered.value_or(timecode::SourceChoice{})), false);
}

}  // namespace frontend
