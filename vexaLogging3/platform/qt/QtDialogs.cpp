#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QEventLoop>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

#include "platform/qt/QtControls.h"

namespace platform::qt {
namespace {

QString filterFor(std::string_view extension) {
    static const std::map<std::string_view, const char*> kKinds{
        {"log", QT_TR_NOOP("Log exchange files")},
        {"jpg", QT_TR_NOOP("JPEG pictures")},
        {"edl", QT_TR_NOOP("Edit decision lists")},
        {"csv", QT_TR_NOOP("Spreadsheets (CSV)")},
        {"ale", QT_TR_NOOP("Avid log exchange files")},
        {"pdf", QT_TR_NOOP("PDF documents")},
        {"html", QT_TR_NOOP("Web pages")},
    };
    const auto kind = kKinds.find(extension);
    return QStringLiteral("%1 (*.%2)")
        .arg(kind == kKinds.end() ? QObject::tr("Glimmark files") : QObject::tr(kind->second),
             toQString(extension));
}

constexpr int kProgressSteps = 1000;
// Jobs shorter than this end before any progress is shown.
constexpr int kShowProgressAfterMs = 500;
constexpr int kProgressRefreshMs = 50;

std::optional<std::string> run(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return toStdString(dialog.selectedFiles().constFirst());
}

QString folderKey(const FileDialogPurpose& purpose) {
    return QStringLiteral("fileDialogs/") + toQString(purpose.title);
}

// A dialog titled by its action, in the folder it should start in.
void prepare(QFileDialog& dialog, const FileDialogPurpose& purpose) {
    dialog.setWindowTitle(toQString(purpose.title));
    QString start = toQString(purpose.documentFolder);
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QSettings().value(folderKey(purpose)).toString();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    dialog.setDirectory(start);
    if (!purpose.nameLabel.empty())
        dialog.setLabelText(QFileDialog::FileName, toQString(purpose.nameLabel));
    if (!purpose.acceptLabel.empty())
        dialog.setLabelText(QFileDialog::Accept, toQString(purpose.acceptLabel));
}

std::optional<std::string> runFor(QFileDialog& dialog, const FileDialogPurpose& purpose) {
    std::optional<std::string> chosen = run(dialog);
    if (chosen)
        QSettings().setValue(folderKey(purpose),
                             QFileInfo(toQString(*chosen)).absolutePath());
    return chosen;
}

}  // namespace

int QtDialogs::runAlert(std::string_view title, std::string_view message,
                        std::string_view defaultButton, std::string_view alternateButton,
                        std::string_view otherButton) {
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Glimmark"));
    box.setText(toQString(title));
    box.setInformativeText(toQString(message));

    QPushButton* byDefault = box.addButton(toQString(defaultButton), QMessageBox::AcceptRole);
    QPushButton* alternate = alternateButton.empty() ? nullptr
                                                     : box.addButton(toQString(alternateButton),
                                                                     QMessageBox::RejectRole);
    QPushButton* other = otherButton.empty()
                             ? nullptr
                             : box.addButton(toQString(otherButton), QMessageBox::DestructiveRole);
    box.setDefaultButton(byDefault);
    box.setEscapeButton(alternate ? alternate : byDefault);
    box.exec();

    const QAbstractButton* pressed = box.clickedButton();
    if (pressed != nullptr && pressed == other)
        return kAlertOther;
    if (pressed != nullptr && pressed == alternate)
        return kAlertAlternate;
    if (pressed == nullptr && alternate != nullptr)
        return kAlertAlternate;
    return kAlertDefault;
}

std::optional<std::string> QtDialogs::runOpenDialog(std::string_view extension,
                                                    const FileDialogPurpose& purpose) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(filterFor(extension));
    prepare(dialog, purpose);
    return runFor(dialog, purpose);
}

void QtDialogs::runModalProgress(std::string_view label,
                                 const std::function<void(const Progress&)>& work) {
    runJob(label, false, [&](const CancellableProgress& progress) {
        work([&progress](double fraction) { progress(fraction); });
    });
}

void QtDialogs::runCancellableProgress(std::string_view label,
                                       const std::function<void(const CancellableProgress&)>& work) {
    runJob(label, true, work);
}

void QtDialogs::runJob(std::string_view label, bool cancellable,
                       const std::function<void(const CancellableProgress&)>& work) {
    std::atomic<int> done{0};
    std::atomic<bool> finished{false};
    std::atomic<bool> cancelled{false};
    QEventLoop loop;
    std::thread worker([&] {
        work([&](double fraction) {
            done.store(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kProgressSteps));
            return !cancelled.load();
        });
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    std::unique_ptr<QProgressDialog> dialog;
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, &loop, [&] {
        if (finished) {
            loop.quit();
            return;
        }
        if (!dialog) {
            dialog = std::make_unique<QProgressDialog>(
                toQString(label), cancellable ? QObject::tr("Cancel") : QString(), 0,
                kProgressSteps, QApplication::activeWindow());
            dialog->setWindowTitle(QStringLiteral("Glimmark"));
            dialog->setMinimumDuration(0);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            if (cancellable) {
                // Modal over every window: the Cancel button takes clicks, nothing else does.
                dialog->setWindowModality(Qt::ApplicationModal);
                // Escape as well as the button: either way the dialog goes, and so must the job.
                const auto cancel = [&] {
                    cancelled = true;
                    loop.exit();
                };
                QObject::connect(dialog.get(), &QProgressDialog::canceled, &loop, cancel);
                QObject::connect(dialog.get(), &QDialog::rejected, &loop, cancel);
            }
            dialog->show();
            refresh.setInterval(kProgressRefreshMs);
            if (cancellable)
                loop.exit();
        }
        dialog->setValue(done.load());
    });
    refresh.start(kShowProgressAfterMs);
    // Clicks and keys wait until the job is over, or go only to its Cancel button; everything
    // else (the windows drawing, timers, the work handed to the main thread) goes on.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    while (!finished) {
        const bool canCancel = dialog && dialog->isVisible() && !cancelled;
        loop.exec(canCancel ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    worker.join();
}

std::optional<std::string> QtDialogs::runTextDialog(std::string_view title, std::string_view label,
                                                    std::string_view initial) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), toQString(title), toQString(label),
                              QLineEdit::Normal, toQString(initial), &accepted);
    if (!accepted)
        return std::nullopt;
    return toStdString(text);
}

void QtDialogs::remember(std::string_view key, std::string_view text) {
    QSettings().setValue(toQString(key), toQString(text));
}

std::optional<std::string> QtDialogs::recalled(std::string_view key) {
    const QVariant value = QSettings().value(toQString(key));
    if (!value.isValid())
        return std::nullopt;
    return toStdString(value.toString());
}

std::optional<std::string> QtDialogs::runSaveDialog(std::string_view suggestedName,
                                                    std::string_view extension,
                                                    const FileDialogPurpose& purpose) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filterFor(extension));
    prepare(dialog, purpose);
    dialog.selectFile(toQString(suggestedName));
    return runFor(dialog, purpose);
}

std::optional<std::string> QtDialogs::runChooseFileDialog(std::string_view message) {
    QFileDialog dialog(QApplication::activeWindow(), toQString(message));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly);
    return run(dialog);
}

}  // namespace platform::qt
