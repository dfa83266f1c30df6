#include "frontend/MidiMenu.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include "frontend/ApplicationWindows.h"
#include "platform/SwitchingMidiSystem.h"
#include "vexaLogging3AppDelegate.h"

namespace frontend {

using platform::SwitchingMidiSystem;

namespace {

constexpr int kStatusRefreshMs = 500;

struct PortItem {
    QString text;      // what the list shows
    std::string name;  // what is remembered
};

std::vector<PortItem> portItems(SwitchingMidiSystem& midi) {
    std::vector<PortItem> items;
    for (const SwitchingMidiSystem::Member& m : midi.members()) {
        if (m.answers && !m.answers())
            continue;
        const int count = m.system->numberOfDestinations();
        for (int i = 0; i < count; ++i) {
            if (const auto name = m.system->endpointName(m.system->destination(i)))
                items.push_back({QString::fromStdString(m.name + ": " + *name), *name});
        }
    }
    return items;
}

}  // namespace

void forceMidiSystem(SwitchingMidiSystem& midi, const QString& name) {
    midi.force(name == QLatin1String("jack")   ? std::optional<std::size_t>(0)
               : name == QLatin1String("alsa") ? std::optional<std::size_t>(1)
                                               : std::nullopt);
}

void connectMidiMenu(ApplicationWindows& windows, SwitchingMidiSystem& midi,
                     vexaLogging3AppDelegate& controller, QSettings& settings,
                     const QString& fixedBy) {
    ApplicationMenus& menus = windows.menus;
    const auto forced = midi.forced();
    (forced ? (*forced == 0 ? menus.midiJack : menus.midiAlsa) : menus.midiAuto)->setChecked(true);

    // A pick in the menu rules from then on, whatever forced the system at start-up.
    auto fixed = std::make_shared<QString>(fixedBy);
    const auto pick = [&midi, &settings, fixed](const char* key) {
        forceMidiSystem(midi, QString::fromLatin1(key));
        settings.setValue(kMidiSystemKey, QString::fromLatin1(key));
        fixed->clear();
    };
    QObject::connect(menus.midiAuto, &QAction::triggered, [pick] { pick("auto"); });
    QObject::connect(menus.midiJack, &QAction::triggered, [pick] { pick("jack"); });
    QObject::connect(menus.midiAlsa, &QAction::triggered, [pick] { pick("alsa"); });

    QObject::connect(
        menus.interfacePort, &QAction::triggered, [&windows, &midi, &controller, &settings] {
            const std::vector<PortItem> ports = portItems(midi);
            QStringList texts{QObject::tr("Found by its name (“vexa ”)")};
            int current = 0;
            for (const PortItem& port : ports) {
                if (port.name == controller.interfacePort)
                    current = static_cast<int>(texts.size());
                texts << port.text;
            }
            // A port picked before and not there now stays offered, so the dialog does not
            // drop it silently.
            if (!controller.interfacePort.empty() && current == 0) {
                current = static_cast<int>(texts.size());
                texts << QObject::tr("%1 (not found now)")
                             .arg(QString::fromStdString(controller.interfacePort));
            }
            bool ok = false;
            const QString chosen = QInputDialog::getItem(
                &windows.windowRec, QObject::tr("Interface Port"),
                QObject::tr("The MIDI port of the vexa interface:"), texts, current, false, &ok);
            if (!ok)
                return;
            const auto index = texts.indexOf(chosen);
            if (index == 0)
                controller.interfacePort.clear();
            else if (index > 0 && index <= static_cast<qsizetype>(ports.size()))
                controller.interfacePort = ports[static_cast<std::size_t>(index - 1)].name;
            settings.setValue(kInterfacePortKey, QString::fromStdString(controller.interfacePort));
        });

    auto* label = new QLabel(&windows.windowRec);
    label->setObjectName(QStringLiteral("midiSystemText"));
    windows.windowRec.statusBar()->addPermanentWidget(label);
    const auto show = [label, &midi, fixed] {
        QString text = QObject::tr("MIDI: %1").arg(QString::fromStdString(midi.activeName()));
        if (!midi.forced())
            text += QObject::tr(" (chosen by itself)");
        else if (!fixed->isEmpty())
            text += QObject::tr(" (set by %1)").arg(*fixed);
        label->setText(text);
    };
    show();
    auto* timer = new QTimer(label);
    QObject::connect(timer, &QTimer::timeout, label, show);
    timer->start(kStatusRefreshMs);
}

}  // namespace frontend
