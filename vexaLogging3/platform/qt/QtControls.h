#pragma once

#include <string>
#include <string_view>

#include "platform/Controls.h"

class QAbstractButton;
class QAction;
class QComboBox;
class QLineEdit;
class QString;

// The logic's controls over Qt widgets. Each adapter only forwards; what the user does with a
// widget reaches the controller through the connections made with the windows, never here.
namespace platform::qt {

QString toQString(std::string_view text);
std::string toStdString(const QString& text);

class LineEditField final : public TextField {
public:
    explicit LineEditField(QLineEdit* edit) : m_edit(edit) {}
    void setText(std::string_view text) override;
    std::string text() const override;
    void setEditable(bool editable) override;
    bool isEdited() const override;
    bool hasKeyboard() const override;

private:
    QLineEdit* m_edit;
};

// Push buttons, check boxes and radio buttons.
class ButtonControl final : public Button {
public:
    explicit ButtonControl(QAbstractButton* button) : m_button(button) {}
    void setEnabled(bool enabled) override;
    void setTitle(std::string_view title) override;
    void setOn(bool on) override;
    bool isOn() const override;

private:
    QAbstractButton* m_button;
};

// Menu items.
class ActionControl final : public Button {
public:
    explicit ActionControl(QAction* action) : m_action(action) {}
    void setEnabled(bool enabled) override;
    void setTitle(std::string_view title) override;
    void setOn(bool on) override;
    bool isOn() const override;

private:
    QAction* m_action;
};

// The user's choice arrives as QComboBox::activated, which a selection made here never emits.
class ComboControl final : public ComboBox {
public:
    explicit ComboControl(QComboBox* combo) : m_combo(combo) {}
    void setEnabled(bool enabled) override;
    void removeAllItems() override;
    void addItem(std::string_view text) override;
    void selectItem(int index) override;
    int selectedIndex() const override;

private:
    QComboBox* m_combo;
};

}  // namespace platform::qt
