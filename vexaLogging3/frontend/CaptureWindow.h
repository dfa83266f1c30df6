#pragma once

#include <QMainWindow>

class CapturePreview;
class DeviceComboBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// windowRec: the running timecode, the log being made, how the interface logs, and the live
// picture of the video input. Widgets only; the connections are made elsewhere.
class CaptureWindow final : public QMainWindow {
public:
    explicit CaptureWindow(QWidget* parent = nullptr);

    QLineEdit* statusText;
    // Under the status line while the log is shared as a web page: its address.
    QLabel* shareStatus;
    QLineEdit* txtLogNr;
    QLineEdit* txtLogStart;
    QLineEdit* txtLogStop;
    QLineEdit* txtLogDuration;
    QLineEdit* txtLogTod;
    QLineEdit* txtLogDate;
    QComboBox* cmbLogSelectVal;
    QPushButton* btnLogManualVal;
    QPushButton* btnLogManualStopVal;
    DeviceComboBox* cmbDevicesVal;
    QPushButton* btnCapture;
    CapturePreview* mCaptureView;
    QLineEdit* captureStatus;
};
