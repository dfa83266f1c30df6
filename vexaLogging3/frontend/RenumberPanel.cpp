#include "frontend/RenumberPanel.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/QtControls.h"

RenumberPanel::RenumberPanel(QWidget* owner) : QDialog(owner) {
    setWindowTitle(tr("Record Number"));
    setWindowModality(Qt::ApplicationModal);
    setObjectName(QStringLiteral("panelEditNr"));

    txtEditNrChangeVal = new QLineEdit(this);
    txtEditNrChangeVal->setObjectName(QStringLiteral("txtEditNrChangeVal"));
    txtEditNrChangeVal->setMaxLength(8);
    btnEditLogNrOk = new QPushButton(tr("OK"), this);
    btnEditLogNrOk->setObjectName(QStringLiteral("btnEditLogNrOk"));
    // Return in the field presses OK.
    btnEditLogNrOk->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(tr("New number (1 to 999):"), txtEditNrChangeVal);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(btnEditLogNrOk, 0, Qt::AlignRight);
}

void RenumberPanel::setTitle(std::string_view title) {
    setWindowTitle(platform::qt::toQString(title));
}

void RenumberPanel::makeKeyAndOrderFront() {
    show();
    raise();
    activateWindow();
}

bool RenumberPanel::runModal() {
    adjustSize();
    if (QWidget* owner = parentWidget()) {
        QRect frame = geometry();
        frame.moveCenter(owner->window()->geometry().center());
        move(frame.topLeft());
    }
    txtEditNrChangeVal->selectAll();
    txtEditNrChangeVal->setFocus();
    return exec() == QDialog::Accepted;
}

void RenumberPanel::abortModal() {
    done(QDialog::Accepted);
}

void RenumberPanel::orderOut() {
    hide();
}
