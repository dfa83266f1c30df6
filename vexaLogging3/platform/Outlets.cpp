#include "platform/Outlets.h"

#include <string>

namespace platform {
namespace {

class UnconnectedTextField final : public TextField {
public:
    void setText(std::string_view) override {}
    std::string text() const override { return {}; }
    void setEditable(bool) override {}
};

class UnconnectedButton final : public Button {
public:
    void setEnabled(bool) override {}
    void setTitle(std::string_view) override {}
    void setOn(bool) override {}
    bool isOn() const override { return false; }
};

class UnconnectedComboBox final : public ComboBox {
public:
    void setEnabled(bool) override {}
    void removeAllItems() override {}
    void addItem(std::string_view) override {}
    void selectItem(int) override {}
    int selectedIndex() const override { return -1; }
};

class UnconnectedImageView final : public ImageView {
public:
    bool showPicture(const Bytes&) override { return false; }
    void clearPicture() override {}
};

class UnconnectedPreview final : public VideoPreview {
public:
    void showFrame(VideoFramePtr) override {}
};

class UnconnectedPosition final : public RecordPosition {
public:
    void editorShows(int, int) override {}
};

class UnconnectedPanel final : public ModalPanel {
public:
    void setTitle(std::string_view) override {}
    void makeKeyAndOrderFront() override {}
    bool runModal() override { return false; }
    void abortModal() override {}
    void orderOut() override {}
};

class UnconnectedDialogs final : public Dialogs {
public:
    int runAlert(std::string_view, std::string_view, std::string_view, std::string_view,
                 std::string_view) override {
        return kAlertAlternate;
    }
    std::optional<std::string> runOpenDialog(std::string_view, const FileDialogPurpose&) override {
        return std::nullopt;
    }
    std::optional<std::string> runSaveDialog(std::string_view, std::string_view,
                                             const FileDialogPurpose&) override {
        return std::nullopt;
    }
};

UnconnectedTextField g_textField;
UnconnectedButton g_button;
UnconnectedComboBox g_comboBox;
UnconnectedImageView g_imageView;
UnconnectedPreview g_preview;
UnconnectedPosition g_position;
class UnconnectedMark final : public UnsavedMark {
public:
    void showUnsaved(bool) override {}
};

UnconnectedPanel g_panel;
UnconnectedMark g_mark;
UnconnectedDialogs g_dialogs;

}  // namespace

Outlets::Outlets()
    : statusText(&g_textField),
      txtLogNr(&g_textField),
      txtLogStart(&g_textField),
      txtLogStop(&g_textField),
      txtLogDuration(&g_textField),
      txtLogTod(&g_textField),
      txtLogDate(&g_textField),
      cmbLogSelectVal(&g_comboBox),
      btnLogManualVal(&g_button),
      btnLogManualStopVal(&g_button),
      cmbDevicesVal(&g_comboBox),
      mCaptureView(&g_preview),
      captureStatus(&g_textField),
      timecodeStatus(&g_textField),
      txtEditNr(&g_textField),
      txtEditStart(&g_textField),
      txtEditStop(&g_textField),
      txtEditDuration(&g_textField),
      txtEditTod(&g_textField),
      txtEditDate(&g_textField),
      txtEditComment1(&g_textField),
      txtEditComment2(&g_textField),
      imgEditPre(&g_imageView),
      imgEdit(&g_imageView),
      imgEditNext(&g_imageView),
      btnLogNaechstesVal(&g_button),
      btnMenuEditNextVal(&g_button),
      btnLogVorherVal(&g_button),
      btnMenuEditPreviousVal(&g_button),
      btnEditPlayVal(&g_button),
      chkEditChaseModeVal(&g_button),
      chkEditModeVal(&g_button),
      btnPlayerFps24Val(&g_button),
      btnPlayerFps25Val(&g_button),
      btnPlayerFps29Val(&g_button),
      btnPlayerFps30Val(&g_button),
      btnMenuUndoVal(&g_button),
      btnMenuRedoVal(&g_button),
      editorPosition(&g_position),
      txtEditNrChangeVal(&g_textField),
      windowRec(&g_panel),
      windowEdit(&g_panel),
      panelEditNr(&g_panel),
      dialogs(&g_dialogs),
      unsavedMark(&g_mark) {}

}  // namespace platform
