#pragma once

#include <QMainWindow>

class MyImageView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class RecordEditControls;

// windowEdit: one record at a time with the pictures of its neighbours, its fields, the
// steps through the log and the player. Widgets only; the connections are made elsewhere.
class EditorWindow final : public QMainWindow {
public:
    explicit EditorWindow(QWidget* parent = nullptr);

    MyImageView* imgEditPre;
    MyImageView* imgEdit;
    MyImageView* imgEditNext;

    QLineEdit* txtEditNr;
    QLineEdit* txtEditStart;
    QLineEdit* txtEditStop;
    QLineEdit* txtEditDuration;
    QLineEdit* txtEditTod;
    QLineEdit* txtEditDate;
    QLineEdit* txtEditComment1;
    QLineEdit* txtEditComment2;

    // "Record 12 of 71": where the record on show stands in the log.
    QLabel* recordPosition;

    QPushButton* btnEditLogNr;
    QPushButton* btnLogVorherVal;
    QPushButton* btnLogNaechstesVal;
    QPushButton* btnFullScreen;
    QPushButton* btnEditPlayVal;
    QCheckBox* chkEditChaseModeVal;
    QCheckBox* chkEditModeVal;
    QRadioButton* btnPlayerFps24Val;
    QRadioButton* btnPlayerFps25Val;
    QRadioButton* btnPlayerFps29Val;
    QRadioButton* btnPlayerFps30Val;
    RecordEditControls* recordEdit;

private:
    QWidget* pictureStrip();
    QWidget* recordFields();
    QWidget* playerControls();
};
