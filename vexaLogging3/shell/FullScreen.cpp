// The editor's picture filling the screen, and the way back.

#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::btnFullScreen() {
    if (fullScreenMode)
        return;
    if (editChangeFlag == 1) {
        const int answer = outlets.dialogs->runAlert(
            "File \"" + document::lastPathComponent(pathString) + "\" has been modified!",
            "Do you want to save the changes before showing the picture full screen?", "Save",
            "Cancel", "Don't Save");
        if (answer == platform::kAlertAlternate)
            return;
        if (answer == platform::kAlertDefault) {
            // Logs cannot be written to a file yet, so "Save" cannot be honoured: the picture
            // stays windowed and the changes keep counting as unsaved.
            return;
        }
        // The changes are given up: quitting later does not ask about them again.
        editChangeFlag = 0;
    }
    fullScreenMode = 1;
    outlets.imgEdit->enterFullScreenMode();
}

void vexaLogging3AppDelegate::btnExitFullScreen() {
    if (!fullScreenMode)
        return;
    fullScreenMode = 0;
    outlets.imgEdit->exitFullScreenMode();
}

void vexaLogging3AppDelegate::ExitFullScreen() {
    // The view's own state decides, not fullScreenMode: it is what the user is looking at.
    platform::ImageView* view = imgEditKopie;
    if (view == nullptr || !view->isInFullScreenMode())
        return;
    if (vexaLogging3AppDelegate* controller = myGlobalController.load())
        controller->fullScreenMode = 0;
    view->exitFullScreenMode();
}
