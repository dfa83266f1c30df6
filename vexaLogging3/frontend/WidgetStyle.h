#pragma once

class QLineEdit;
class QWidget;

// The look the two windows share.
namespace widget_style {

// A field the logic fills: read-only for the user, in the window's text colour.
QLineEdit* readOnlyField(QWidget* parent, const char* objectName);
// A timecode, large and with figures of equal width, so running digits do not jitter.
QLineEdit* timecodeField(QWidget* parent, const char* objectName, bool large = false);

}  // namespace widget_style
