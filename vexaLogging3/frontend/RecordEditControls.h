#pragma once

#include <QWidget>

class QPushButton;

// The editor's buttons that make and remove records and change the record's picture. Widgets
// only; the connections are made with the windows.
class RecordEditControls final : public QWidget {
public:
    explicit RecordEditControls(QWidget* parent = nullptr);

    QPushButton* btnEditLogAdd;
    QPushButton* btnEditLogInsert;
    QPushButton* btnEditLogDelete;
    QPushButton* btnEditCut;
    QPushButton* btnEditCopy;
    QPushButton* btnEditPaste;
    QPushButton* btnImageChange;
    QPushButton* btnEditPictureDelete;
};
