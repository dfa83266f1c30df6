#pragma once

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/RecordPosition.h"
#include "platform/VideoCapture.h"
#include "platform/Windows.h"

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
    VideoPreview* mCaptureView;
    // Whether new logs get pictures: capture off, and the logs made without one.
    TextField* captureStatus;
    // The timecode source in use other than the interface: its name, its rate, whether its
    // signal is there, and what went wrong last.
    TextField* timecodeStatus;

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
    // The undo and redo menu items, titled for the change they would take back or make again.
    Button* btnMenuUndoVal;
    Button* btnMenuRedoVal;

    // Told whenever the editor shows another record or the same one afresh.
    RecordPosition* editorPosition;

    // Renumber panel.
    TextField* txtEditNrChangeVal;

    // The windows themselves, and the alerts and file dialogs shown over them. Unconnected,
    // a panel closes at once as if cancelled and an alert answers as its alternate button.
    Window* windowRec;
    Window* windowEdit;
    ModalPanel* panelEditNr;
    Dialogs* dialogs;
    // Shows editChangeFlag: on while the log holds changes not yet saved.
    UnsavedMark* unsavedMark;
};

}  // namespace platform
