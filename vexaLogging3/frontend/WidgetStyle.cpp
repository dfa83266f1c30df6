#include "frontend/WidgetStyle.h"

#include <QFontDatabase>
#include <QLineEdit>

namespace widget_style {

QLineEdit* readOnlyField(QWidget* parent, const char* objectName) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

QLineEdit* timecodeField(QWidget* parent, const char* objectName, bool large) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(font.pointSizeF() * (large ? 1.9 : 1.3));
    font.setBold(large);
    field->setFont(font);
    // "HH:MM:SS:FF" and a little room.
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00:00")) +
                           24);
    return field;
}

}  // namespace widget_style
