#pragma once

#include <QDialog>

#include "platform/Windows.h"

class QLineEdit;
class QPushButton;

// panelEditNr: a new number for the record on show. Only its OK button stores anything;
// Escape or the window's close button leave the number as it was.
class RenumberPanel final : public QDialog, public platform::ModalPanel {
public:
    explicit RenumberPanel(QWidget* owner);

    void setTitle(std::string_view title) override;
    void makeKeyAndOrderFront() override;
    bool runModal() override;
    void abortModal() override;
    void orderOut() override;

    QLineEdit* txtEditNrChangeVal;
    QPushButton* btnEditLogNrOk;
};
