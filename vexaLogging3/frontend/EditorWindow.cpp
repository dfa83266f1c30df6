#include "frontend/EditorWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "frontend/MyImageView.h"
#include "frontend/RecordEditControls.h"
#include "frontend/WidgetStyle.h"

namespace {

// A picture with its caption, in a slot of its own: the main picture leaves that slot for
// full screen and comes back to it.
MyImageView* addPicture(QGridLayout* grid, int column, const QString& caption, const char* name,
                        int stretch) {
    auto* slot = new QWidget;
    auto* slotLayout = new QVBoxLayout(slot);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    auto* view = new MyImageView(slot);
    view->setObjectName(QString::fromLatin1(name));
    slotLayout->addWidget(view);
    grid->addWidget(slot, 0, column);
    grid->addWidget(new QLabel(caption), 1, column, Qt::AlignHCenter);
    grid->setColumnStretch(column, stretch);
    return view;
}

QPushButton* button(const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

EditorWindow::EditorWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("windowEdit"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(pictureStrip(), 1);
    layout->addWidget(recordFields());
    layout->addWidget(recordEdit = new RecordEditControls);
    layout->addWidget(playerControls());
    setCentralWidget(central);
    // The keyboard starts where a record is looked for by its number.
    txtEditNr->setFocus();
    resize(960, 700);
}

QWidget* EditorWindow::pictureStrip() {
    auto* strip = new QWidget;
    auto* grid = new QGridLayout(strip);
    imgEditPre = addPicture(grid, 0, tr("Previous"), "imgEditPre", 1);
    imgEdit = addPicture(grid, 1, tr("Current"), "imgEdit", 2);
    imgEditNext = addPicture(grid, 2, tr("Next"), "imgEditNext", 1);
    grid->setRowStretch(0, 1);
    imgEdit->setMinimumSize(384, 216);
    return strip;
}

QWidget* EditorWindow::recordFields() {
    auto* box = new QGroupBox(tr("Record"));
    auto* grid = new QGridLayout(box);

    txtEditNr = new QLineEdit;
    txtEditNr->setObjectName(QStringLiteral("txtEditNr"));
    txtEditNr->setToolTip(tr("Type a record number and press Return to go to it"));
    txtEditNr->setMaximumWidth(90);
    txtEditNr->setAccessibleName(tr("Record number"));
    btnEditLogNr = button(tr("Renumber…"), "btnEditLogNr");
    btnLogVorherVal = button(tr("◀ Previous"), "btnLogVorherVal");
    btnLogNaechstesVal = button(tr("Next ▶"), "btnLogNaechstesVal");

    txtEditStart = widget_style::timecodeField(box, "txtEditStart", true);
    txtEditStop = widget_style::timecodeField(box, "txtEditStop", true);
    txtEditDuration = widget_style::timecodeField(box, "txtEditDuration", true);
    txtEditDuration->setReadOnly(true);
    txtEditDuration->setFocusPolicy(Qt::NoFocus);
    txtEditTod = widget_style::readOnlyField(box, "txtEditTod");
    txtEditDate = widget_style::readOnlyField(box, "txtEditDate");
    txtEditComment1 = new QLineEdit;
    txtEditComment1->setObjectName(QStringLiteral("txtEditComment1"));
    txtEditComment2 = new QLineEdit;
    txtEditComment2->setObjectName(QStringLiteral("txtEditComment2"));

    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(txtEditNr);
    numberRow->addWidget(btnEditLogNr);
    recordPosition = new QLabel;
    recordPosition->setObjectName(QStringLiteral("recordPosition"));
    // Its text ("Record 12 of 71") is what a screen reader speaks; this says what it tells.
    recordPosition->setAccessibleDescription(tr("Place of the record on show in the log"));
    numberRow->addWidget(recordPosition);
    numberRow->addStretch(1);
    numberRow->addWidget(btnLogVorherVal);
    numberRow->addWidget(btnLogNaechstesVal);

    grid->addWidget(new QLabel(tr("Number")), 0, 0);
    grid->addLayout(numberRow, 0, 1, 1, 5);
    grid->addWidget(new QLabel(tr("Start")), 1, 0);
    grid->addWidget(txtEditStart, 1, 1);
    grid->addWidget(new QLabel(tr("Stop")), 1, 2);
    grid->addWidget(txtEditStop, 1, 3);
    grid->addWidget(new QLabel(tr("Duration")), 1, 4);
    grid->addWidget(txtEditDuration, 1, 5);
    grid->addWidget(new QLabel(tr("Time of day")), 2, 0);
    grid->addWidget(txtEditTod, 2, 1);
    grid->addWidget(new QLabel(tr("Date")), 2, 2);
    grid->addWidget(txtEditDate, 2, 3);
    grid->addWidget(new QLabel(tr("Comment 1")), 3, 0);
    grid->addWidget(txtEditComment1, 3, 1, 1, 5);
    grid->addWidget(new QLabel(tr("Comment 2")), 4, 0);
    grid->addWidget(txtEditComment2, 4, 1, 1, 5);
    // Tab goes through the fields in reading order, the times among them; the fields were made
    // in another order than they are laid out.
    QWidget* const order[] = {txtEditNr,          btnEditLogNr, btnLogVorherVal,
                              btnLogNaechstesVal, txtEditStart, txtEditStop,
                              txtEditComment1,    txtEditComment2};
    for (std::size_t k = 1; k < std::size(order); ++k)
        QWidget::setTabOrder(order[k - 1], order[k]);
    return box;
}

QWidget* EditorWindow::playerControls() {
    auto* box = new QGroupBox(tr("Player"));
    auto* row = new QHBoxLayout(box);
    btnEditPlayVal = button(tr("Play"), "btnEditPlayVal");
    chkEditChaseModeVal = new QCheckBox(tr("Chase"));
    chkEditChaseModeVal->setObjectName(QStringLiteral("chkEditChaseModeVal"));
    chkEditModeVal = new QCheckBox(tr("Edit mode"));
    chkEditModeVal->setObjectName(QStringLiteral("chkEditModeVal"));
    btnFullScreen = button(tr("Full Screen"), "btnFullScreen");

    auto* rates = new QButtonGroup(box);
    const auto rate = [&](const QString& text, const char* name) {
        auto* radio = new QRadioButton(text);
        radio->setObjectName(QString::fromLatin1(name));
        rates->addButton(radio);
        return radio;
    };
    btnPlayerFps24Val = rate(tr("24"), "btnPlayerFps24Val");
    btnPlayerFps25Val = rate(tr("25"), "btnPlayerFps25Val");
    btnPlayerFps29Val = rate(tr("29.97"), "btnPlayerFps29Val");
    btnPlayerFps30Val = rate(tr("30"), "btnPlayerFps30Val");
    // The rate the program starts with.
    btnPlayerFps25Val->setChecked(true);

    row->addWidget(btnEditPlayVal);
    row->addWidget(chkEditChaseModeVal);
    row->addWidget(chkEditModeVal);
    row->addStretch(1);
    row->addWidget(new QLabel(tr("fps")));
    for (QRadioButton* r :
         {btnPlayerFps24Val, btnPlayerFps25Val, btnPlayerFps29Val, btnPlayerFps30Val})
        row->addWidget(r);
    row->addStretch(1);
    row->addWidget(btnFullScreen);
    return box;
}
