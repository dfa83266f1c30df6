#pragma once

#include "platform/Controls.h"

namespace platform {

// The controls of the two windows and the renumber panel that the controller reaches,
// under the names the program has always given them. A front end connects each to one of
// its own controls; whatever it leaves unconnected is a silent stand-in, so a window-less
// run (the command-line tools) works with the same logic.
struct Outlets {
    Outlets();

    // Capture window.
    TextField* statusText;
    TextField* txtLogNr;
    TextField* txtLogStart;
    TextField* txtLogStop;
    TextField* txtLogDuration;
    TextField* txtLogTod;
    TextField* txtLogDate;
    ComboBox* cmbLogSelectVal;
    Button* btnLogManualVal;
    Button* btnLogManualStopVal;
    ComboBox* cmbDevicesVal;

    // Editor window.
    TextField* txtEditNr;
    TextField* txtEditStart;
    TextField* txtEditStop;
    TextField* txtEditDuration;
    TextField* txtEditTod;
    TextField* txtEditDate;
    TextField* txtEditComment1;
    TextField* txtEditComment2;
    ImageView* imgEditPre;
    ImageView* imgEdit;
    ImageView* imgEditNext;
    Button* btnLogNaechstesVal;
    Button* btnMenuEditNextVal;
    Button* btnLogVorherVal;
    Button* btnMenuEditPreviousVal;
    Button* btnEditPlayVal;
    Button* chkEditChaseModeVal;
    Button* chkEditModeVal;
    Button* btnPlayerFps24Val;
    Button* btnPlayerFps25Val;
    Button* btnPlayerFps29Val;
    Button* btnPlayerFps30Val;

    // Renumber panel.
    TextField* txtEditNrChangeVal;
};

}  // namespace platform
