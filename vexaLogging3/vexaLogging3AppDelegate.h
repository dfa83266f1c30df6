#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/StillEncoder.h"
#include "device/MessageSet.h"
#include "device/MidiSendQueue.h"
#include "documents/ChangeFlag.h"
#include "documents/PictureExport.h"
#include "documents/RecoveryFile.h"
#include "editor/EditHistory.h"
#include "handover/Handover.h"
#include "loglist/LogList.h"
#include "loglist/LogSearchIndex.h"
#include "platform/Clock.h"
#include "platform/ImageFiles.h"
#include "platform/MainThread.h"
#include "platform/Midi.h"
#include "platform/MidiPacketList.h"
#include "platform/Outlets.h"
#include "platform/PdfWriter.h"
#include "platform/PictureConverter.h"
#include "platform/PropertyListFiles.h"
#include "platform/SystemLog.h"
#include "platform/TimecodeSource.h"
#include "platform/Timers.h"
#include "platform/Video.h"
#include "platform/VideoCapture.h"

class TimecodeSourceLink;

// The platform services the controller calls. A front end passes its real ones; the tests
// pass fakes. All of them outlive the controller.
struct PlatformServices {
    platform::MainThread& mainThread;
    platform::Clock& clock;
    platform::SystemLog& systemLog;
    platform::MidiSystem& midi;
    platform::ImageCodec& imageCodec;
    platform::Timers& timers;
    // The capture session: the video inputs and the one running device.
    platform::VideoSystem& video;
    // Project files. Without one (a front end that has not wired it), Save tells the user
    // that it cannot save rather than pretending to.
    platform::PropertyListFiles* propertyLists = nullptr;
    // Turns a stored picture that is not JPEG (one replaced from a file) into JPEG for the
    // picture export. Without one, such pictures are reported as not written.
    platform::PictureConverter* pictureConverter = nullptr;
    // Image files read for a replaced picture. Without one, pictures cannot be replaced.
    platform::ImageFiles* imageFiles = nullptr;
    // The contact sheet's PDF. Without one, the contact sheet reports that it was not written.
    platform::PdfWriter* pdfWriter = nullptr;
    // The report's small pictures. Without one, the report is written without pictures.
    platform::PictureScaler* pictureScaler = nullptr;
};

// The controller: every behaviour of the program is one of its operations, and the state
// the whole program shares lives in its members under the names the program has always
// used. The operations are spread over one source file per subsystem.
//
// Threads: myReadProc runs on the MIDI receive thread. It assembles the bytes there, and the
// interpreter and the quarter-frame reader decode them there, but the only thing they change
// on that thread is midiStatusReqFlag; everything else a device event does is handed to the
// main thread, in the order the bytes arrived. So the LogList, the editor and the windows are
// only ever touched on the main thread and need no lock.
class vexaLogging3AppDelegate {
public:
    vexaLogging3AppDelegate(PlatformServices services, platform::Outlets outlets);
    ~vexaLogging3AppDelegate();
    vexaLogging3AppDelegate(const vexaLogging3AppDelegate&) = delete;
    vexaLogging3AppDelegate& operator=(const vexaLogging3AppDelegate&) = delete;

    // ---- Input: timecode and device events (MIDI receive thread) ----
    // Assembles the bytes of one packet list: System Exclusive into the slots of sysexBuffer,
    // quarter frames into usbQuarterTime.
    void readPacketList(std::span<const std::uint8_t> packetList);
    void sysexInterpreter();
    void MTC_QF_Reader();

    // ---- Log list ----
    void LogStartArrayInit();
    std::string DurationCalculate(std::string_view start, std::string_view stop) const;

    // ---- Device link (main thread) ----
    // One scan-and-connect step, every two seconds: finds the interface among the MIDI
    // destinations, connects and senses it, or closes the connection when it is gone.
    void timer2Callback();
    // Whether a destination of a MIDI system is the interface: the one whose port is called
    // `interfacePort` when that is set, otherwise the one whose client calls itself as the
    // interface does.
    bool isInterface(platform::MidiSystem& midi, platform::MidiRef destination) const;
    // The port the user picked as the interface's; empty: found by its client's name.
    // Main thread.
    std::string interfacePort;
    // 0 success; 1 client, 2 output port, 3 input port not created; 4 no source;
    // 5 source not connected; 6 no destination.
    int openMidi();
    void closeMidi();
    // The status handshake. Asks the interface for its logging state and its status, and
    // reports 0 when the status reply came in time, 1 when there is no connection (nothing is
    // sent), 2 when no reply came. The wait runs on timers, so the window never blocks on it;
    // `done` runs on the main thread.
    void vexaSense(std::function<void(int result)> done);
    // Logging control: the mode combo box and the manual start and stop buttons.
    void cmbLogSelect();
    void btnLogManual();
    void btnLogManualStop();
    void sendMidi();
    // Selects a message and sends it: the usual pair of assignments and the send.
    template <std::size_t N>
    void send(const std::array<std::uint8_t, N>& message) {
        sysexDatPt = message.data();
        sysexLen = static_cast<std::uint8_t>(N);
        sendMidi();
    }
    // Blocks until every message handed to the wire so far has left.
    void waitForSends() { m_sendQueue.waitUntilIdle(); }

    // ---- Editor: display, navigation, record editing and undo (main thread) ----
    void LogEditInit();
    void LogActualWrite();
    void LogImageRefresh();
    void LogEditCommentSichern();
    void LogNaechster();
    void FindLogToTimecode(std::string_view timecodeText);
    // The user is done with a comment field (Return, or the keyboard left it): what was typed
    // goes into the record on show.
    void txtEditCommentChg();
    // Follow, the log window's box: while the editor shows the newest record, a take moves it
    // to the new one, unless the user is at work in its fields.
    bool followTakes = true;
    void btnLogNaechstes();
    void btnLogVorher();
    void txtEditLogNr();
    void btnEditLogNr();
    void btnEditLogNrOk();
    // Shows the record at that place, as a jump to its number would: the first and the newest
    // record by key, and the row chosen in the log table. Refused in full screen, during a
    // playback and under the chase, as typed numbers are.
    void LogEditGoTo(int record);
    void btnEditLogAdd();
    void btnEditLogInsert();
    void btnEditLogDelete();
    void btnEditCopy();
    void btnEditCut();
    void btnEditPaste();
    void btnEditPictureDelete();
    void btnImageChange();
    // An image file dropped onto the editor's picture replaces it, once the user agrees.
    void imgEditFileDropped(const std::string& path);
    // Take back the last change of records, pictures, numbers, times or comments, and make
    // it again.
    void btnEditUndo();
    void btnEditRedo();

    // ---- Player: playback, chase, rate and timecode entry (main thread) ----
    void FelderPlayerOn();
    void FelderPlayerOff();
    void NextStopOrVglwSend();
    void btnEditPlay();
    void chkEditChaseMode();
    void chkEditMode();
    void btnPlayerFps24();
    void btnPlayerFps25();
    void btnPlayerFps29();
    void btnPlayerFps30();
    // The user committed the text of the start or the stop field.
    void txtEditStartChg();
    void txtEditStopChg();

    // ---- Documents: project file, exchange file, exports, crash recovery (main thread) ----
    void btnFileNew();
    void btnFileOpen();
    void btnFileSave();
    void btnFileSaveAs();
    // The platform's notice that the program is about to quit: asks about unsaved changes and
    // saves, while the windows still exist. False when the user chose to stay (Cancel, or a
    // save dialog given up): the program must go on as it was. True once the device input is
    // closed and what it brought meanwhile is written (or given up with "Don't Save").
    bool applicationWillTerminate();
    void CreateNewFile();
    void LogSave();
    void LogOpen();
    // True when the user confirmed a path; the path and the titles change only then.
    bool SaveAsPanel();
    bool OpenFileDialog();
    // Export Log…: the exchange file, to a path the user chooses.
    void LogSaveEdl();
    // Import Log…: a new, unsaved log from an exchange file.
    void LogOpenEDL();
    void btnPictureExport();
    void btnPictureExportAll();
    // File > Export: the log for the cutting room, to a path the user chooses.
    void exportEdl();
    void exportCsv();
    void exportAle();
    void exportContactSheet();
    void exportReport();
    // A save, open or export is running; device events wait until it is over.
    bool documentBusy() const { return m_documentBusy; }
    // Where the copy of the unsaved log is kept; empty (as in tests) keeps none. Set before
    // awakeFromNib.
    std::string recoveryDirectory;
    // Asks whether to restore a log left behind by a program that did not end cleanly.
    void offerRecovery();
    // Opens a project file named on the command line, as Open does once a file is chosen.
    void openFile(const std::string& path);
    // Writes the copy when the log has changed since the last one: at most every few
    // seconds, or at once when `now`. Removes it once the log is saved or new.
    void keepRecoveryFile(bool now);
    // Blocks until the copy asked for last is on disk.
    void waitForRecoveryFile() {
        if (m_recovery)
            m_recovery->waitUntilIdle();
    }

    // ---- Capture: the video input and the stills of log starts ----
    // The device list is about to open: capture stops and the list is filled afresh.
    void comboBoxWillPopUp();
    // The user chose an item of the device list: "None" or a device to start.
    void cmbDevices();
    // Chooses the device of that name as the user would; true when it runs. At start, the one
    // chosen last time (or the demo's test pattern); one that is not there is named in the
    // capture status until a device is chosen.
    bool chooseVideoDevice(std::string_view name);
    // The device the user chose last, empty for "None" or none chosen yet: what to choose at
    // the next start.
    const std::string& chosenVideoDevice() const { return m_chosenVideoDevice; }
    // The frame callback of the video input (capture thread): keeps the latest frame.
    void captureOutputDidOutputVideoFrame(platform::VideoFramePtr frame);
    void CapturePicture();
    // Grabs a still into the record shown in the editor.
    void btnCapture();
    // JPEG quality of every still, from 0.0 (smallest file) to 1.0 (best picture): the one a
    // picture converted on export gets too, so both give the same files.
    static constexpr double kJpegCompressionFactor = pictures::kJpegCompressionFactor;
    // A log start's record is in the LogList at once; its picture is encoded on a thread of
    // its own and stored into that record a few milliseconds later. Whatever writes the log
    // out (save, export) calls this first: it blocks until every picture under way is
    // encoded, and stores them, so no record is written without the picture it will get.
    void waitForPictures();

    // ---- Shell: start-up, titles, full screen (main thread) ----
    // Prepares the program-wide state once the windows are connected; runs once.
    void awakeFromNib();
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    void setPathString(std::string path) { pathString = std::move(path); }
    // The open document's name without its extension, "Untitled" for a new log.
    std::string projectName() const;
    // Both window titles from the display name of pathString.
    void setWindowTitles();
    void btnFullScreen();
    void btnExitFullScreen();
    // Leaves full screen for the picture view's Escape key, which has no controller at hand.
    static void ExitFullScreen();

    // ---- Timecode from a source other than the interface (main thread) ----
    // Chooses the source, and makes takes from it by key and by record run.
    TimecodeSourceLink& timecodeSources() { return *m_timecodeSources; }

    // ---- The state the whole program shares ----
    // Log list and editor.
    LogList logStartArray;
    std::int32_t logNr = 0;
    std::int32_t logEditPos = 1;
    std::vector<LogValue> logEditArrayPuffer;
    std::vector<Picture> imgBufferArray;
    ChangeFlag editChangeFlag{outlets};
    // Shell, capture and player.
    std::uint8_t fullScreenMode = 0;
    std::uint8_t captureActive = 0;
    std::uint8_t playStopFlag = 0;
    std::uint8_t mmcFpsAddWert = 32;
    std::string pathString;
    // What the status line last showed of the running timecode ("" before any), and the
    // logging state the interface last reported (-1 before any report, else 0 or 1): read on
    // the main thread by the views that show them elsewhere.
    std::string runningTimecodeText;
    std::int8_t reportedLoggingState = -1;
    // The view that goes full screen, reachable without a controller; set at start-up.
    static inline platform::ImageView* imgEditKopie = nullptr;
    // Device link.
    std::uint8_t midiOpenFlag = 0;
    // Set on the receive thread by the status reply while the main thread waits for it.
    std::atomic<std::uint8_t> midiStatusReqFlag{0};
    std::int32_t devicenr = 99;
    platform::MidiRef midiclient = platform::kNoMidiObject;
    platform::MidiRef midiin = platform::kNoMidiObject;
    platform::MidiRef midiout = platform::kNoMidiObject;
    platform::MidiRef dest = platform::kNoMidiObject;
    MessageSet messages;
    const std::uint8_t* sysexDatPt = nullptr;
    std::uint8_t sysexLen = 0;
    // Input, on the receive thread: four slots of 256 bytes for System Exclusive messages.
    static constexpr std::size_t kSysexSlotSize = 256;
    static constexpr std::size_t kSysexSlots = 4;
    std::array<std::uint8_t, kSysexSlots * kSysexSlotSize> sysexBuffer{};
    std::uint8_t sysexBufferNr = 0;
    std::uint8_t usbQuarterTime = 0;
    // Frames, seconds, minutes, hours of the running timecode, as the quarter frames spell it.
    std::array<std::uint8_t, 4> usbMidiTime{};

    platform::Outlets outlets;

private:
    // ---- Input ----
    struct MidiInputState {
        std::uint8_t receiveStatus = 0;
        std::int32_t sysexBufferPt = 0;
        // A message begun with F0 and not yet closed: only such a message reaches the
        // interpreter, so the old bytes of a slot never act as a new event.
        bool sysexOpen = false;
        // Length, F7 included, of the message the interpreter is looking at.
        std::size_t messageLength = 0;
        // A quarter-frame status seen, its data byte not yet.
        bool quarterFramePending = false;
    };
    void readByte(std::uint8_t b);
    // Device events run on the main thread in arrival order; while a document operation
    // reads the LogList on a worker thread they wait, still in order, until it is over.
    void handOver(std::function<void()> work);
    // The running timecode and its rate code (-1: none told), handed over as the other events
    // are; while they are held, the capture window still shows it and only the chase step
    // waits. Only the timecode of the source in use is shown: the interface's, or the other
    // source's (`fromSource`).
    void handOverRunningTimecode(int hours, int minutes, int seconds, int frames, int rate,
                                 bool fromSource = false);
    // The effects of device events, on the main thread.
    void showVersion(int major, int minor);
    void loggingStateEvent(std::uint8_t state);
    void logStartEvent(const std::array<std::uint8_t, 10>& message, platform::LocalTime now,
                       platform::VideoFramePtr frame);
    void logStopEvent(const std::array<std::uint8_t, 10>& message);
    void stopTimeEvent();
    void comparisonTimeEvent();
    void showRunningTimecode(int hours, int minutes, int seconds, int frames, int rate);

    // ---- Device link ----
    // Queues the selected message; `afterSent` runs on the main thread once it has left.
    void queueSelected(std::function<void()> afterSent);
    void pollStatusReply(int waits, std::uint64_t connection, std::function<void(int)> done);
    void disposeConnection();

    // ---- Editor ----
    // Empties the editor's fields and its three pictures.
    void clearEditor();
    // What the user typed into the fields of the record on show and has not stored goes into
    // that record, as a step on would store it, so that no refresh of the editor loses it. A
    // start or stop still being typed stays in its field while it has the keyboard and the
    // record stays on show, unless `evenWhileTyped`.
    void storeTypedText(bool evenWhileTyped);
    // The number field back to the number of the record on show, over whatever was typed.
    void showRecordNumber();
    // What is typed into the fields of the record on show and not stored, as storing it would
    // store it: (index in the log, value).
    std::vector<std::pair<std::size_t, std::string>> typedNotStored() const;
    // The user is at work on the record on show: typed text not stored yet, or the keyboard
    // still in one of its fields in edit mode after typing that no Return, step or leaving
    // the field has closed.
    bool typingOnShownRecord() const;
    // A take has come with Follow on and the newest record on show.
    void followNewTake();
    // While one lives, the changes made through storeValue, insertRecordValues and
    // removeRecordValues are one step of undo; steps opened inside it join it.
    class EditStep {
    public:
        EditStep(vexaLogging3AppDelegate& controller, std::string name);
        ~EditStep();
        EditStep(const EditStep&) = delete;
        EditStep& operator=(const EditStep&) = delete;

    private:
        vexaLogging3AppDelegate& m_controller;
    };
    bool storeValue(std::size_t index, LogValue value);
    // `key`: the key the record had when it was cut; 0 gives a new one.
    bool insertRecordValues(int record, LogRecord values, LogList::RecordKey key = 0);
    bool removeRecordValues(int record);
    bool currentRecordExists() const;
    LogRecord blankRecord(std::string number) const;
    // The clipboard's record, numbered afresh when its number is taken and the user wants
    // that; false when the user cancelled.
    bool numberForPaste(LogRecord& record);
    // The common end of the picture change and the dropped picture: false, the user told,
    // when the file gives no picture.
    bool readPictureFile(const std::string& path, Picture& tiff);
    void storePicture(Picture tiff);
    void takeStep(bool back);
    // The undo and redo menu items: enabled, and named for the step they would take.
    void showUndoState();

    // ---- Player ----
    // The navigation, the fields and the Play button's title while a playback or the chase
    // holds the editor, or once neither does.
    void showPlayerLocks(bool locked);
    // The rate code (0 24, 1 25, 2 29.97 drop-frame, 3 30) the machine's timecode came with:
    // when it changed, the player's rate follows it.
    void followMachineRate(int rate);
    // The rate buttons and the rate Play locates at, for a code of the MMC hours byte.
    void showFrameRate(std::uint8_t code);
    // The rate shown and stored with the log, as one step of undo.
    void setFrameRate(std::uint8_t code);
    void chooseFrameRate(std::uint8_t code);
    void showRateNotice(std::string notice);
    void storeTypedTimecode(platform::TextField& field, int recordField, bool emptyAllowed);

    // ---- Documents ----
    // The save prompt before New, Open and full screen: false when the action must not go on
    // (cancelled, or the save failed).
    bool savePromptAllowsGoingOn(const char* question);
    // Saves to pathString, asking for a path first when the log has none. False when the user
    // cancelled or the write failed (the user has been told).
    bool saveAskingForPathIfNeeded();
    bool neverSaved() const;
    // A file dialog titled by its action, starting in the folder of the open document.
    platform::FileDialogPurpose fileDialog(std::string title) const;
    // Writes the project file; false (the user told) when it failed.
    bool writeProjectFile();
    // The program is ending: the device input closes, and what it handed over runs now.
    void endDeviceIntake();
    // Holds the device events: while one lives, each event handed over still reaches the main
    // thread in order but waits in m_heldEvents instead of running. The last hold to go runs
    // them, in order, from its destructor, so a hold must end where the LogList may change: on
    // the main thread, with no worker reading the log. A held question's hold lives in a task
    // posted to the main thread's loop and ends when that task is destroyed, after the answer's
    // action is over; an event run then may ask a question itself, which holds the ones after
    // it again.
    // Held around every read or change of the LogList that runs off the main thread, so the
    // list never changes under it.
    struct DeviceEventHold {
        explicit DeviceEventHold(vexaLogging3AppDelegate& controller);
        ~DeviceEventHold();
        DeviceEventHold(const DeviceEventHold&) = delete;
        DeviceEventHold& operator=(const DeviceEventHold&) = delete;
        vexaLogging3AppDelegate& controller;
        // The hold of a question is let go by the main thread's loop, which may be torn down
        // after the controller when the program quits right after the answer.
        std::weak_ptr<void> controllerAlive;
    };
    // Runs `work` off the main thread, with progress when it takes long, and returns when it
    // is done. Only ever inside a DeviceEventHold.
    void runDocumentWork(std::string_view label,
                         const std::function<void(const platform::Dialogs::Progress&)>& work);
    void showFileAlert(const std::string& what, const std::string& path, const std::string& reason);
    void exportHandover(handover::Format format, const char* command);
    void restoreFrameRate();
    // Puts the entries of a valid project file in place of the log; false (nothing changed)
    // when they are no log.
    bool loadProjectEntries(std::vector<LogValue>& entries);
    // Reads the project file at pathString; a file that cannot be taken leaves the log on show
    // and puts `previousPath` back.
    void readProjectAtPath(const std::string& previousPath);
    void startRecovery();
    // The log is given up or saved on purpose as the program ends: nothing is left to offer.
    void discardRecovery();
    // Offers the journals left behind, newest first; true when one was restored.
    bool offerLeftBehind();
    recovery::JournalContents readProjectCopy(const RecoveryFile::LeftBehind& copy);
    // The writing thread's word on a write: empty when it reached the disk.
    void recoveryWriteReported(const std::string& failure);
    // A status text with what the status line must keep saying: about the crash copy, that
    // the log has run out of numbers, and that the rate is the machine's.
    std::string withRecoveryNotice(std::string status) const;

    // ---- Capture ----
    platform::VideoFramePtr latestFrame();
    void videoDeviceLost(std::uint64_t device, const std::string& why);
    void CapturePicture(const platform::VideoFramePtr& frame);
    // Capture has stopped: the preview and the capture status say so, never a frozen frame.
    void showCaptureOff();
    // Whether the log start just appended gets a still; a log without one is counted and named
    // in the capture status, so a shoot cannot go on for long without pictures unnoticed.
    void countLogPicture(bool stillTaken);
    void showCaptureState();
    // Stores the stills the encoder has finished into their records.
    void storeFinishedPictures(bool evenWhileHeld = false);

    // ---- Timecode sources (timecode/TimecodeSources.cpp) ----
    friend class TimecodeSourceLink;
    using TimecodeSourceLinkPtr =
        std::unique_ptr<TimecodeSourceLink, void (*)(TimecodeSourceLink*)>;
    static TimecodeSourceLinkPtr makeTimecodeSources(vexaLogging3AppDelegate& controller);

    // ---- Private state, by subsystem ----
    PlatformServices m_services;
    // Input.
    MidiInputState m_input;
    platform::MidiPacketList m_packetbuffer{4024};
    // Device link. Counts connections opened; a handshake that outlives its connection is
    // ignored.
    std::uint64_t m_connection = 0;
    bool m_sensing = false;
    // The logging mode the user last chose (combo box index), -1 before any choice; the
    // interface is set to it again whenever it reports another one.
    std::int8_t m_chosenLoggingMode = -1;
    // Editor. Typing on the record on show since the user last closed it; a refresh may have
    // stored the text meanwhile, and the user still types on.
    bool m_typedSinceCommit = false;
    // The record on show when a take was left to wait for the user's typing: Follow holds on
    // it, and the take after the typing is closed is followed.
    LogList::RecordKey m_followHeld = 0;
    // The record the editor's fields show, by key: records put in or taken out before it
    // move it, and typed text must still reach it. 0 while the editor shows none.
    LogList::RecordKey m_shownRecord = 0;
    // The record the interface's most recent log start made, until its stop has come: the
    // stop belongs to it. 0 while no take of this run is open.
    LogList::RecordKey m_openTake = 0;
    // The key of the record the clipboard holds when it was cut, not copied: pasted where no
    // record has it, the record moves with its key, and the stop of a take cut and pasted
    // while it runs still finds it.
    LogList::RecordKey m_cutRecord = 0;
    EditHistory m_editHistory;
    // Chase and the jump to a number search long logs through it.
    LogSearchIndex m_searchIndex;
    // Player. Said in the status line while the rate is the one the machine set; a new notice
    // takes the old one's place.
    std::string m_rateNotice;
    // The rate code the machine's timecode last came with; -1 before any.
    int m_machineRate = -1;
    // The record the renumber panel was opened for; 0 while it is closed. The chase and the
    // player may move the editor while the panel waits for the user.
    std::int32_t m_renumberPos = 0;
    // Capture.
    int m_logsWithoutPicture = 0;
    std::string m_lastLogWithoutPicture;
    std::string m_chosenVideoDevice;
    // The device chosen last time that was not there at start, until the user chooses one.
    std::string m_missingVideoDevice;
    // Counts video devices started; word that an earlier one failed is stale.
    std::uint64_t m_videoDevice = 0;
    // Guards mCurrentImageBuffer, which the capture thread swaps while grabs read it.
    std::recursive_mutex m_frameLock;
    platform::VideoFramePtr mCurrentImageBuffer;
    // Documents. Holds open: they may end in any order, and the events wait until the last
    // has ended.
    int m_documentBusy = 0;
    struct HeldEvent {
        std::function<void()> work;
        bool runningTimecode = false;
    };
    std::deque<HeldEvent> m_heldEvents;
    std::shared_ptr<void> m_alive = std::make_shared<int>(0);
    // Set while takes arrive with no log number left to give them.
    std::string m_logNumberNotice;
    // Set by a log stop that changed no record, until the next log start.
    std::string m_strayStopNotice;
    // The typed text the journal was last given, over the log it was given.
    std::vector<std::pair<std::size_t, std::string>> m_recoveryTyped;
    // The journal holds changes that are not saved.
    bool m_recoveryOnDisk = false;
    std::uint64_t m_recoveryRevision = 0;
    std::chrono::steady_clock::time_point m_recoveryWritten;
    std::string m_recoveryFailure;
    std::string m_recoveryNotice;
    // Timecode sources: set while a source other than the interface gives the timecode. Read
    // on the MIDI receive thread and the source's.
    std::atomic<bool> m_timecodeFromSource{false};

    // ---- Threads of their own, last and in this order: each stops before what it reaches ----
    MidiSendQueue m_sendQueue{MidiSendQueue::defaultSleep(),
                              [this](std::string_view line) { m_services.systemLog.write(line); }};
    std::unique_ptr<RecoveryFile> m_recovery;
    // Every question and dialog of the program, asked with device events held: what the
    // interface logs meanwhile is applied once the answer has had its effect.
    std::unique_ptr<platform::Dialogs> m_heldDialogs;
    StillEncoder m_stills;
    TimecodeSourceLinkPtr m_timecodeSources = makeTimecodeSources(*this);
};

// How the MIDI input callback reaches the controller: set when the controller starts up,
// before any MIDI port exists.
extern std::atomic<vexaLogging3AppDelegate*> myGlobalController;

// The read callback of the MIDI input port, with the MIDI system's context values (unused).
void myReadProc(std::span<const std::uint8_t> packetList, void* readProcRefCon,
                void* srcConnRefCon);
