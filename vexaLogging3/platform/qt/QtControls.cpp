#include "platform/qt/QtControls.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QString>

namespace platform::qt {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toStdString(const QString& text) {
    return text.toStdString();
}

void LineEditField::setText(std::string_view text) {
    const QString shown = toQString(text);
    // The same text again leaves the cursor and the selection where the user has them: a
    // refresh in the middle of typing must not send the cursor to the end.
    if (shown == m_edit->text()) {
        m_edit->setModified(false);
        return;
    }
    m_edit->setText(shown);
}

std::string LineEditField::text() const {
    return toStdString(m_edit->text());
}

void LineEditField::setEditable(bool editable) {
    m_edit->setReadOnly(!editable);
}

bool LineEditField::isEdited() const {
    return m_edit->isModified();
}

bool LineEditField::hasKeyboard() const {
    return m_edit->hasFocus();
}

void ButtonControl::setEnabled(bool enabled) {
    m_button->setEnabled(enabled);
}

void ButtonControl::setTitle(std::string_view title) {
    m_button->setText(toQString(title));
}

void ButtonControl::setOn(bool on) {
    m_button->setChecked(on);
}

bool ButtonControl::isOn() const {
    return m_button->isChecked();
}

void ActionControl::setEnabled(bool enabled) {
    m_action->setEnabled(enabled);
}

void ActionControl::setTitle(std::string_view title) {
    m_action->setText(toQString(title));
}

void ActionControl::setOn(bool on) {
    m_action->setChecked(on);
}

bool ActionControl::isOn() const {
    return m_action->isChecked();
}

void ComboControl::setEnabled(bool enabled) {
    m_combo->setEnabled(enabled);
}

void ComboControl::removeAllItems() {
    const QSignalBlocker quiet(m_combo);
    m_combo->clear();
}

void ComboControl::addItem(std::string_view text) {
    const QSignalBlocker quiet(m_combo);
    m_combo->addItem(toQString(text));
}

void ComboControl::selectItem(int index) {
    const QSignalBlocker quiet(m_combo);
    m_combo->setCurrentIndex(index);
}

int ComboControl::selectedIndex() const {
    return m_combo->currentIndex();
}

}  // namespace platform::qt
