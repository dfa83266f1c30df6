#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The controls the logic writes to and reads from. Each front end (the Qt windows,
// the tests' fakes) supplies its own; the logic never sees a toolkit type.
namespace platform {

using Bytes = std::vector<std::uint8_t>;

class TextField {
public:
    virtual ~TextField() = default;
    virtual void setText(std::string_view text) = 0;
    virtual std::string text() const = 0;
    virtual void setEditable(bool editable) = 0;
    // The user has changed the text since the program last set it. A field nobody types into
    // (a stand-in, a label) never is.
    virtual bool isEdited() const { return false; }
    // The field has the keyboard: what is typed goes into it.
    virtual bool hasKeyboard() const { return false; }
};

class Button {
public:
    virtual ~Button() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setTitle(std::string_view title) = 0;
    // Radio buttons and check boxes are buttons with a state.
    virtual void setOn(bool on) = 0;
    virtual bool isOn() const = 0;
};

class ComboBox {
public:
    virtual ~ComboBox() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual void removeAllItems() = 0;
    virtual void addItem(std::string_view text) = 0;
    // Selecting from the program never runs the user action of the control.
    virtual void selectItem(int index) = 0;
    // -1 when nothing is selected.
    virtual int selectedIndex() const = 0;
};

class ImageView {
public:
    virtual ~ImageView() = default;
    // Shows the picture decoded from encoded image bytes (JPEG, TIFF, ...). Bytes that do
    // not decode, empty ones included, leave the view empty; the answer says which it was.
    virtual bool showPicture(const Bytes& encoded) = 0;
    virtual void clearPicture() = 0;
    // A picture this view is likely to show soon; a view may get it ready meanwhile.
    virtual void pictureAhead(const Bytes& /*encoded*/) {}

    // Filling the main screen with the picture, for a close look. Only the editor's main
    // picture can; any other view stays where it is and answers that it is not full screen.
    virtual void enterFullScreenMode() {}
    virtual void exitFullScreenMode() {}
    virtual bool isInFullScreenMode() const { return false; }
};

}  // namespace platform
