// The editor's picture filling the screen, and the way back.

#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::btnFullScreen() {
    if (fullScreenMode)
        return;
    // "Save" saves first (asking where for a log never saved) and stays windowed when that
    // is cancelled or fails; "Don't Save" leaves the changes unsaved, so quitting still asks.
    if (!savePromptAllowsGoingOn(
            "Do you want to save the changes before showing the picture full screen?"))
        return;
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
