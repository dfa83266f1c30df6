// The player's controls: Play and Stop, chase mode, edit mode and the frame rate.

#include <string>
#include <utility>

#include "timecode/TimecodeSources.h"
#include "vexaLogging3AppDelegate.h"

namespace {
// The rate bits of the MMC hours byte, as they also stand in the project's header.
constexpr std::uint8_t kFps24 = 0x00;
constexpr std::uint8_t kFps25 = 0x20;
constexpr std::uint8_t kFps2997 = 0x40;
constexpr std::uint8_t kFps30 = 0x60;
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
    chooseFrameRate(kFps24);
}
void vexaLogging3AppDelegate::btnPlayerFps25() {
    chooseFrameRate(kFps25);
}
void vexaLogging3AppDelegate::btnPlayerFps29() {
    chooseFrameRate(kFps2997);
}
void vexaLogging3AppDelegate::btnPlayerFps30() {
    chooseFrameRate(kFps30);
}

void vexaLogging3AppDelegate::showFrameRate(std::uint8_t code) {
    const std::pair<std::uint8_t, platform::Button*> buttons[] = {
        {kFps24, outlets.btnPlayerFps24Val},
        {kFps25, outlets.btnPlayerFps25Val},
        {kFps2997, outlets.btnPlayerFps29Val},
        {kFps30, outlets.btnPlayerFps30Val}};
    for (const auto& [rate, button] : buttons) button->setOn(rate == code);
    mmcFpsAddWert = code;
}

void vexaLogging3AppDelegate::setFrameRate(std::uint8_t code) {
    EditStep step(*this, "Frame Rate");
    showFrameRate(code);
    if (logStartArray.text(kHeaderFrameRate) != std::to_string(code))
        storeValue(kHeaderFrameRate, std::to_string(code));
}

void vexaLogging3AppDelegate::showRateNotice(std::string notice) {
    const std::string before = std::exchange(m_rateNotice, std::move(notice));
    std::string status = outlets.statusText->text();
    if (!before.empty() && status.ends_with(before))
        status.resize(status.size() - before.size());
    outlets.statusText->setText(status + m_rateNotice);
}

void vexaLogging3AppDelegate::chooseFrameRate(std::uint8_t code) {
    // The user's choice stands until the machine changes its rate.
    showRateNotice("");
    setFrameRate(code);
    // The rate is saved with the log, so choosing one, even the same again, is a change.
    editChangeFlag = 1;
}

void vexaLogging3AppDelegate::followMachineRate(int rate) {
    // A log counted at another rate than the machine's plays back and exports at the wrong
    // frames: the player takes the machine's rate, and says so. Only a change of it counts,
    // so a rate the user chose since stays until the machine runs at another one.
    if (rate < 0 || rate > 3 || rate == std::exchange(m_machineRate, rate))
        return;
    const auto code = static_cast<std::uint8_t>(rate << 5);
    if (code == mmcFpsAddWert)
        return;
    setFrameRate(code);
    editChangeFlag = 1;
    // Short: the running timecode before it must stay in view.
    static const char* const names[] = {"24", "25", "29.97 DF", "30"};
    showRateNotice(std::string("  fps set to ") + names[rate]);
}
