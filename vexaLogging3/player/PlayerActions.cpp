// The player's controls: Play and Stop, chase mode, edit mode and the frame rate.

#include <string>

#include "timecode/TimecodeSources.h"
#include "vexaLogging3AppDelegate.h"

namespace {
// The rate bits of the MMC hours byte, as they also stand in the project's header.
constexpr std::uint8_t kFps24 = 0x00;
constexpr std::uint8_t kFps25 = 0x20;
constexpr std::uint8_t kFps2997 = 0x40;
constexpr std::uint8_t kFps30 = 0x60;
// Header entry that keeps the frame-rate code with the document.
constexpr std::size_t kHeaderFrameRate = 4;
}  // namespace

void vexaLogging3AppDelegate::btnEditPlay() {
    // Chase mode owns the editor; the player stays out of its way.
    if (outlets.chkEditChaseModeVal->isOn())
        return;
    // With another timecode source there is often no interface, so no machine to play: the
    // user is told instead of left waiting for a machine that never moves.
    if (!playStopFlag && !midiOpenFlag && m_timecodeSources->inUse()) {
        m_timecodeSources->showProblem("Play needs the interface's transport");
        return;
    }
    if (playStopFlag) {
        send(messages.sysexMmcStop);
        playStopFlag = 0;
        FelderPlayerOff();
        return;
    }
    // A start typed and not yet committed is what the user means to play.
    storeTypedText(true);
    const std::string start = outlets.txtEditStart->text();
    if (start.empty())
        return;
    messages.patchLocate(start, mmcFpsAddWert);
    // The machine is set up and parked on the start before it rolls; the interface learns
    // where to react only once the machine is on its way.
    send(messages.sysexMmcSetGen);
    send(messages.sysexMmcLocate);
    send(messages.sysexMmcPlay);
    NextStopOrVglwSend();
    playStopFlag = 1;
    FelderPlayerOn();
}

void vexaLogging3AppDelegate::chkEditChaseMode() {
    if (outlets.chkEditChaseModeVal->isOn()) {
        // The chase moves the editor: what was typed goes into its record first.
        LogEditCommentSichern();
        outlets.btnEditPlayVal->setEnabled(false);
        FelderPlayerOn();
        return;
    }
    if (midiOpenFlag)
        outlets.btnEditPlayVal->setEnabled(true);
    FelderPlayerOff();
}

void vexaLogging3AppDelegate::chkEditMode() {
    // While the chase moves the editor, typing would be lost at its next step.
    const bool open =
        outlets.chkEditModeVal->isOn() && playStopFlag == 0 && !outlets.chkEditChaseModeVal->isOn();
    for (platform::TextField* f : {outlets.txtEditComment1, outlets.txtEditComment2,
                                   outlets.txtEditStart, outlets.txtEditStop})
        f->setEditable(open);
}

void vexaLogging3AppDelegate::btnPlayerFps24() {
    chooseFrameRate(outlets.btnPlayerFps24Val, kFps24);
}
void vexaLogging3AppDelegate::btnPlayerFps25() {
    chooseFrameRate(outlets.btnPlayerFps25Val, kFps25);
}
void vexaLogging3AppDelegate::btnPlayerFps29() {
    chooseFrameRate(outlets.btnPlayerFps29Val, kFps2997);
}
void vexaLogging3AppDelegate::btnPlayerFps30() {
    chooseFrameRate(outlets.btnPlayerFps30Val, kFps30);
}

void vexaLogging3AppDelegate::chooseFrameRate(platform::Button* chosen, std::uint8_t code) {
    for (platform::Button* b : {outlets.btnPlayerFps24Val, outlets.btnPlayerFps25Val,
                                outlets.btnPlayerFps29Val, outlets.btnPlayerFps30Val})
        b->setOn(b == chosen);
    mmcFpsAddWert = code;
    // The rate is saved with the log, so choosing one, even the same again, is a change.
    logStartArray.replace(kHeaderFrameRate, std::to_string(code));
    editChangeFlag = 1;
}
