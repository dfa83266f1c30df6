// The File menu's New, Open, Save and Save As, the prompts about unsaved changes, and the
// prompt when the program quits.

#include <algorithm>

#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

bool vexaLogging3AppDelegate::neverSaved() const {
    // An open that found no usable log leaves the path empty: there is no file to write to
    // either, so the user is asked where, as for a log never saved.
    return pathString == "Untitled" || pathString.empty();
}

platform::FileDialogPurpose vexaLogging3AppDelegate::fileDialog(std::string title) const {
    std::string folder;
    if (!neverSaved()) {
        const std::size_t slash = pathString.rfind('/');
        folder = slash == std::string::npos ? std::string()
                                            : pathString.substr(0, std::max<std::size_t>(slash, 1));
    }
    return {std::move(title), std::move(folder)};
}

bool vexaLogging3AppDelegate::saveAskingForPathIfNeeded() {
    if (neverSaved() && !SaveAsPanel())
        return false;
    return writeProjectFile();
}

bool vexaLogging3AppDelegate::savePromptAllowsGoingOn(const char* question) {
    if (editChangeFlag != 1)
        return true;
    const int answer = outlets.dialogs->runAlert(
        "File \"" + document::lastPathComponent(pathString) + "\" has been modified!", question,
        "Save", "Cancel", "Don't Save");
    if (answer == platform::kAlertAlternate)
        return false;
    // A save that did not happen must not let the log it was meant to keep be replaced.
    if (answer == platform::kAlertDefault)
        return saveAskingForPathIfNeeded();
    // "Don't Save": the changes go with the old log, or stay unsaved in this one.
    return true;
}

void vexaLogging3AppDelegate::btnFileNew() {
    if (fullScreenMode)
        return;
    LogEditCommentSichern();
    if (!savePromptAllowsGoingOn("Save changes before creating a new file?"))
        return;
    LogEditInit();
    CreateNewFile();
    logEditPos = 1;
    LogActualWrite();
}

void vexaLogging3AppDelegate::btnFileOpen() {
    if (fullScreenMode)
        return;
    LogEditCommentSichern();
    if (!savePromptAllowsGoingOn("Do you want to save changes before opening another file?"))
        return;
    LogOpen();
}

void vexaLogging3AppDelegate::btnFileSave() {
    if (fullScreenMode)
        return;
    saveAskingForPathIfNeeded();
}

void vexaLogging3AppDelegate::btnFileSaveAs() {
    if (fullScreenMode)
        return;
    if (SaveAsPanel())
        writeProjectFile();
}

bool vexaLogging3AppDelegate::applicationWillTerminate() {
    // Asked once: once the user chose Save, the takes that come in behind the question, the
    // save dialog and the write are written too, without asking again.
    bool saving = false;
    for (bool askForPath = neverSaved();;) {
        LogEditCommentSichern();
        if (editChangeFlag == 1 && !saving) {
            // Cancel is there because a quit reached by a slip of the keys must not cost the
            // log: Escape and closing the alert answer as Cancel, never as Save or Don't Save.
            const int answer = outlets.dialogs->runAlert(
                "File \"" + document::lastPathComponent(pathString) + "\" has been modified!",
                "Save changes before closing Glimmark?", "Save", "Cancel", "Don't Save");
            if (answer == platform::kAlertAlternate)
                return false;
            // "Don't Save" gives the log up on purpose: nothing is left to restore.
            if (answer != platform::kAlertDefault) {
                endDeviceIntake();
                discardRecovery();
                return true;
            }
            saving = true;
        }
        if (editChangeFlag == 1) {
            // When the write fails (the user has been told why), the save dialog offers another
            // place until the log is saved; giving up on the dialog keeps the program and its
            // log.
            if (askForPath && !SaveAsPanel())
                return false;
            askForPath = true;
            if (!writeProjectFile())
                continue;
            askForPath = false;
        }
        // The answer is final. What the interface logged meanwhile is taken in, and nothing
        // after it: a take it brings is written (or asked about) before the program ends. A
        // log of nothing but its header is not written, so it has nothing left to write.
        endDeviceIntake();
        if (editChangeFlag != 1 || (saving && !logStartArray.hasRecords())) {
            discardRecovery();
            return true;
        }
    }
}

void vexaLogging3AppDelegate::endDeviceIntake() {
    closeMidi();
    // An event that asks a question holds the ones after it until a later round lets go.
    for (int round = 0; round < 8; ++round) {
        m_services.mainThread.runPosted();
        if (!m_documentBusy)
            break;
    }
}
