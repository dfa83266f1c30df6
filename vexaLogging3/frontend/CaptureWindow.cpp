#include "frontend/CaptureWindow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "frontend/CapturePreview.h"
#include "frontend/DeviceComboBox.h"
#include "frontend/WidgetStyle.h"

CaptureWindow::CaptureWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("windowRec"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    statusText = widget_style::timecodeField(central, "statusText", true);
    statusText->setReadOnly(true);
    statusText->setFocusPolicy(Qt::NoFocus);
    statusText->setAlignment(Qt::AlignCenter);
    layout->addWidget(statusText);
    shareStatus = new QLabel(central);
    shareStatus->setObjectName(QStringLiteral("shareStatus"));
    shareStatus->setAlignment(Qt::AlignCenter);
    shareStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    shareStatus->hide();
    layout->addWidget(shareStatus);

    mCaptureView = new CapturePreview(central);
    mCaptureView->setObjectName(QStringLiteral("mCaptureView"));
    layout->addWidget(mCaptureView, 1);
    // Right under the picture, where the eye goes when the picture is missing.
    captureStatus = widget_style::readOnlyField(central, "captureStatus");
    captureStatus->setAlignment(Qt::AlignCenter);
    captureStatus->setFrame(false);
    QPalette warning = captureStatus->palette();
    warning.setColor(QPalette::Text, QColor(200, 60, 0));
    captureStatus->setPalette(warning);
    layout->addWidget(captureStatus);

    cmbDevicesVal = new DeviceComboBox(central);
    cmbDevicesVal->setObjectName(QStringLiteral("cmbDevicesVal"));
    btnCapture = new QPushButton(tr("Grab Still"), central);
    btnCapture->setObjectName(QStringLiteral("btnCapture"));
    btnCapture->setToolTip(tr("Stores the live picture in the record shown in the editor"));
    auto* deviceRow = new QHBoxLayout;
    deviceRow->addWidget(cmbDevicesVal, 1);
    deviceRow->addWidget(btnCapture);
    layout->addLayout(deviceRow);

    auto* logBox = new QGroupBox(tr("Log"), central);
    auto* form = new QFormLayout(logBox);
    txtLogNr = widget_style::readOnlyField(logBox, "txtLogNr");
    txtLogStart = widget_style::timecodeField(logBox, "txtLogStart");
    txtLogStop = widget_style::timecodeField(logBox, "txtLogStop");
    txtLogDuration = widget_style::timecodeField(logBox, "txtLogDuration");
    for (QLineEdit* shown : {txtLogStart, txtLogStop, txtLogDuration}) {
        shown->setReadOnly(true);
        shown->setFocusPolicy(Qt::NoFocus);
    }
    txtLogTod = widget_style::readOnlyField(logBox, "txtLogTod");
    txtLogDate = widget_style::readOnlyField(logBox, "txtLogDate");
    form->addRow(tr("Number"), txtLogNr);
    form->addRow(tr("Start"), txtLogStart);
    form->addRow(tr("Stop"), txtLogStop);
    form->addRow(tr("Duration"), txtLogDuration);
    form->addRow(tr("Time of day"), txtLogTod);
    form->addRow(tr("Date"), txtLogDate);
    layout->addWidget(logBox);

    auto* modeRow = new QHBoxLayout;
    cmbLogSelectVal = new QComboBox(central);
    cmbLogSelectVal->setObjectName(QStringLiteral("cmbLogSelectVal"));
    cmbLogSelectVal->addItems({tr("Logging off"), tr("Automatic logging"), tr("Manual logging")});
    btnLogManualVal = new QPushButton(tr("Start Log"), central);
    btnLogManualVal->setObjectName(QStringLiteral("btnLogManualVal"));
    btnLogManualStopVal = new QPushButton(tr("Stop Log"), central);
    btnLogManualStopVal->setObjectName(QStringLiteral("btnLogManualStopVal"));
    modeRow->addWidget(cmbLogSelectVal, 1);
    modeRow->addWidget(btnLogManualVal);
    modeRow->addWidget(btnLogManualStopVal);
    layout->addLayout(modeRow);

    setCentralWidget(central);
    resize(460, 640);
}
