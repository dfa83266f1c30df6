// Folds MIDI Time Code quarter frames into the running timecode.

#include "input/QuarterFrames.h"
#include "loglist/Timecode.h"
#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::MTC_QF_Reader() {
    auto& t = usbMidiTime;
    // No transmission delay is added: the time shown is the one the pieces spell, and piece 7
    // tells the rate the machine runs at.
    if (!mtc::foldQuarterFrame(t, usbQuarterTime))
        return;
    const auto value = [&t](int i) { return static_cast<int>(static_cast<std::int8_t>(t[i])); };
    handOverRunningTimecode(value(mtc::kHours), value(mtc::kMinutes), value(mtc::kSeconds),
                            value(mtc::kFrames), mtc::rateOfPiece7(usbQuarterTime));
}
