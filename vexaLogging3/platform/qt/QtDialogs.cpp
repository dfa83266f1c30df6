#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/qt/QtControls.h"

namespace platform::qt {
namespace {

QString filterFor(std::string_view extension) {
    const QString ext = toQString(extension);
    return QObject::tr("Glimmark files (*.%1)").arg(ext);
}

std::optional<std::string> run(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return toStdString(dialog.selectedFiles().constFirst());
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

std::optional<std::string> QtDialogs::runOpenDialog(std::string_view extension) {
    QFileDialog dialog(QApplication::activeWindow(), QObject::tr("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(filterFor(extension));
    return run(dialog);
}

std::optional<std::string> QtDialogs::runSaveDialog(std::string_view suggestedName,
                                                    std::string_view extension) {
    QFileDialog dialog(QApplication::activeWindow(), QObject::tr("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filterFor(extension));
    dialog.selectFile(toQString(suggestedName));
    return run(dialog);
}

}  // namespace platform::qt
