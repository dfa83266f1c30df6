#include "frontend/RecordEditControls.h"

#include <QHBoxLayout>
#include <QPushButton>

RecordEditControls::RecordEditControls(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    const auto button = [row](const QString& text, const char* name, const QString& tip) {
        auto* b = new QPushButton(text);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        row->addWidget(b);
        return b;
    };
    btnEditLogAdd = button(tr("Add"), "btnEditLogAdd", tr("A blank record at the end of the log"));
    btnEditLogInsert =
        button(tr("Insert"), "btnEditLogInsert", tr("A blank record before the one on show"));
    btnEditLogDelete = button(tr("Delete…"), "btnEditLogDelete", tr("Deletes the record on show"));
    row->addSpacing(12);
    btnEditCut = button(tr("Cut"), "btnEditCut", tr("The record on show into the clipboard"));
    btnEditCopy = button(tr("Copy"), "btnEditCopy", tr("The record on show into the clipboard"));
    btnEditPaste =
        button(tr("Paste"), "btnEditPaste", tr("The clipboard's record before the one on show"));
    row->addStretch(1);
    btnImageChange = button(tr("Replace Picture…"), "btnImageChange",
                            tr("The picture from an image file; or drop one on the picture"));
    btnEditPictureDelete =
        button(tr("Delete Picture…"), "btnEditPictureDelete", tr("Removes the picture"));
}
