// Undo and redo of the user's changes to the log.

#include <algorithm>

#include "vexaLogging3AppDelegate.h"

vexaLogging3AppDelegate::EditStep::EditStep(vexaLogging3AppDelegate& controller, std::string name)
    : m_controller(controller) {
    m_controller.m_editHistory.begin(
        std::move(name), {m_controller.logEditPos, m_controller.logNr, m_controller.mmcFpsAddWert});
}

vexaLogging3AppDelegate::EditStep::~EditStep() {
    m_controller.m_editHistory.commit(
        {m_controller.logEditPos, m_controller.logNr, m_controller.mmcFpsAddWert});
    m_controller.showUndoState();
}

bool vexaLogging3AppDelegate::storeValue(std::size_t index, LogValue value) {
    return m_editHistory.replace(logStartArray, index, std::move(value));
}

bool vexaLogging3AppDelegate::insertRecordValues(int record, LogRecord values,
                                                 LogList::RecordKey key) {
    return m_editHistory.insertRecord(logStartArray, record, std::move(values), key);
}

bool vexaLogging3AppDelegate::removeRecordValues(int record) {
    return m_editHistory.removeRecord(logStartArray, record);
}

void vexaLogging3AppDelegate::btnEditUndo() {
    takeStep(true);
}

void vexaLogging3AppDelegate::btnEditRedo() {
    takeStep(false);
}

void vexaLogging3AppDelegate::takeStep(bool back) {
    if (fullScreenMode)
        return;
    // Comments typed and not yet stored are a change of their own: the first undo takes
    // them back, and a redo cannot be lost to them unseen.
    LogEditCommentSichern();
    // A still landing later would otherwise fill a record the undo takes away or brings back.
    waitForPictures();
    const std::string rate = logStartArray.text(kHeaderFrameRate);
    const std::optional<EditHistory::Move> move =
        back ? m_editHistory.undo(logStartArray) : m_editHistory.redo(logStartArray);
    showUndoState();
    if (!move)
        return;
    // A step that set the rate takes the buttons along, to the rate they showed.
    if (logStartArray.text(kHeaderFrameRate) != rate) {
        showFrameRate(move->to.frameRate);
        showRateNotice("");
    }
    // The running number goes back only while nothing has numbered a log since: a device
    // log after the step keeps its number, and the next one follows it.
    if (logNr == move->from.logNr)
        logNr = move->to.logNr;
    logEditPos = std::clamp(move->to.logEditPos, 1, std::max(1, logStartArray.recordCount()));
    LogActualWrite();
    editChangeFlag = 1;
}

void vexaLogging3AppDelegate::showUndoState() {
    const auto show = [](platform::Button* item, const char* verb, const std::string& step) {
        item->setEnabled(!step.empty());
        item->setTitle(step.empty() ? std::string(verb) : std::string(verb) + " " + step);
    };
    show(outlets.btnMenuUndoVal, "Undo", m_editHistory.undoName());
    show(outlets.btnMenuRedoVal, "Redo", m_editHistory.redoName());
}
