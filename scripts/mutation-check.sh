#!/usr/bin/env bash
# Hand-made mutants all over the program: each one is a fault a hurried change could make and
# a shoot day would suffer from (a flipped comparison, a shifted offset, a wrong constant, a
# line left out). Each is put into the source for one build, the test binaries its row names
# run against it, and the file is put back. Every mutant must make a test fail (KILLED); the
# script exits non-zero if one SURVIVED, did not build, or its text is gone (STALE).
#
#   bash scripts/mutation-check.sh [build-dir]        (default: build)
#   MUTATION_SUBSET=2/5 bash scripts/mutation-check.sh   the 2nd of five interleaved slices
#   MUTATION_SUBSET=day/5 ...                           the slice of today (days since 1970)
#   MUTATION_ROWS="3 17" ...                            only these mutants, by number
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")

# Binaries a row names, with the gtest filter each runs under (the CLI's hostile files take
# minutes and test no mutant here).
declare -A filters=(
    [core_tests]='*' [plist_tests]='*' [share_tests]='*' [cli_tests]='Runs/*' [qt_tests]='*'
    [vexasim_tests]='*' [midi_jack_tests]='LinkOverJack.EachOfTwoHundred*:LinkOverJack.AHungServer*:LinkOverJack.NoServer*' [timecode_jack_tests]='LtcRate.*:LtcDecoding.*:JackTimecode.APortThatGoes*' [handover_file_tests]='*'
    [midi_tests]='*' [video_tests]='PreviewImage.*:TurboJpegCodec.*:CaptureWithGstreamer.TheStill*'
)

# binaries | file | exact text | replacement | what a user would lose
# "¶" in a text stands for a line break, " or " for the C++ operator.
mutants=(
    # input
    "core_tests|vexaLogging3/input/MidiInputAssembly.cpp|if (b >= 0xF8)|if (b > 0xF8)|a MIDI clock byte inside a SysEx ends it"
    "core_tests|vexaLogging3/input/MidiInputAssembly.cpp|const bool closesMessage = b == 0xF7 && in.sysexOpen;|const bool closesMessage = b == 0xF7;|a stray F7 replays the message an old slot holds"
    "core_tests|vexaLogging3/input/MidiInputAssembly.cpp|if (b == 0xF1)|if (b == 0xF2)|the running timecode never moves"
    "core_tests|vexaLogging3/input/QuarterFrames.h|(d & 0x01) * 16|(d & 0x03) * 16|the rate bits of piece 7 go into the hours"
    "core_tests|vexaLogging3/input/QuarterFrames.h|t[kMinutes] = n;|t[kMinutes] = d;|the piece's number lands in the running minutes"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|B[9] == kDropFrameRate|B[9] >= kDropFrameRate|30 fps non-drop starts shown as drop-frame"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|setText(timecode::format(B[5], B[6], B[7], B[8]))|setText(timecode::format(B[4], B[5], B[6], B[7]))|the log stop read one byte early"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|static_cast<int>(B[5]) - 0x30|static_cast<int>(B[5]) - 0x31|the interface's version shown one too low"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|frames = B[8] & 0x1F|frames = B[8] & 0x3F|a full frame's rate bits shown as frames"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|const bool loggingOn = (state & 0x01) != 0;|const bool loggingOn = (state & 0x02) != 0;|the interface's logging state read from the wrong bit"
    # loglist
    "core_tests|vexaLogging3/loglist/LogList.cpp|indexOf(record, 0) > m_values.size()|indexOf(record, 0) >= m_values.size()|no record can be inserted after the last one"
    "core_tests|vexaLogging3/loglist/LogList.cpp|indexOf(record, 0) + kFieldsPerRecord > m_values.size()|indexOf(record, 0) + kFieldsPerRecord >= m_values.size()|the last record cannot be deleted"
    "core_tests|vexaLogging3/loglist/LogList.cpp|if (m_places.empty() or m_places.back().first < key)|if (true)|a record brought back at the end is not found by its key, and its take's stop goes astray"
    "core_tests|vexaLogging3/loglist/Timecode.cpp|if (s8(ef - sf) < 0)|if (s8(ef - sf) <= 0)|equal frames borrow a second from the duration"
    "core_tests|vexaLogging3/loglist/Timecode.cpp|h = s8(h + 24);|h = s8(h + 23);|a take over midnight an hour short"
    "core_tests|vexaLogging3/loglist/Timecode.cpp|\"%02d;%02d;%02d;%02d\"|\"%02d:%02d:%02d;%02d\"|drop-frame starts shown as non-drop"
    "core_tests|vexaLogging3/loglist/LogSearchIndex.cpp|!(tc < stop(n.maxStopClosed))|tc > stop(n.maxStopClosed)|a record's stop counts as inside it"
    "core_tests|vexaLogging3/loglist/LogSearchIndex.cpp|m_numbers[list.text(LogList::indexOf(k, kFieldNumber))] = k;|m_numbers.emplace(list.text(LogList::indexOf(k, kFieldNumber)), k);|a number used twice finds the first record, not the last"
    "core_tests|vexaLogging3/loglist/LogSearchIndex.cpp|m_closed[at] = m_stops[at].size() == timecode::kLength;|m_closed[at] = !m_stops[at].empty();|a malformed stop hides a record from the chase"
    # device
    "core_tests|vexaLogging3/device/MessageSet.cpp|message[5 + k]|message[4 + k]|the stop time is written over the command byte"
    "core_tests|vexaLogging3/device/MessageSet.cpp|static_cast<std::uint8_t>(tc[0] + frameRateCode)|static_cast<std::uint8_t>(tc[0])|the locate forgets the frame rate"
    "core_tests|vexaLogging3/device/MessageSet.cpp|sysexMmcLocate[10] = tc[3];|sysexMmcLocate[10] = tc[2];|the locate lands on the wrong frame"
    "core_tests|vexaLogging3/device/MidiSendQueue.cpp|m_pending.size() >= kBound|m_pending.size() > kBound|one message more than the bound waits"
    "core_tests|vexaLogging3/device/MidiSendQueue.cpp|firstOverflow = !std::exchange(m_overflowing, true);|firstOverflow = !std::exchange(m_overflowing, false);|the system log gets a line for every message dropped"
    "core_tests|vexaLogging3/device/MidiSendQueue.cpp|dropped.push_back(std::exchange(*older, std::move(message)));|dropped.push_back(std::move(*older)), m_pending.erase(older), m_pending.push_back(std::move(message));|a newer stop time waits behind messages queued after the one it replaces"
    "core_tests|vexaLogging3/device/MidiSendQueue.cpp|m_sleep(kSpacing);|m_sleep(kSpacing / 10);|the interface gets messages faster than it can take them"
    "core_tests|vexaLogging3/device/SendMidi.cpp|sysexDatPt == messages.sysexSendVergltime.data();|sysexDatPt == messages.sysexSendStoptime.data();|stale comparison times pile up in the send queue"
    "core_tests|vexaLogging3/device/ConnectionLifecycle.cpp|return midi.modelName(destination) == kInterfaceModel;|return midi.modelName(destination).value_or(\"\").starts_with(\"vexa\");|any device named vexa-something is taken for the interface"
    "core_tests|vexaLogging3/device/ConnectionLifecycle.cpp|constexpr int kReplyPolls = 10;|constexpr int kReplyPolls = 4;|a slow interface is given up before it can answer"
    "core_tests|vexaLogging3/device/ConnectionLifecycle.cpp|kReplyPoll{50}|kReplyPoll{100}|an interface that answers too late is taken all the same"
    "core_tests|vexaLogging3/device/LoggingControl.cpp|case 2:|case 3:|manual logging cannot be chosen"
    # editor
    "core_tests|vexaLogging3/editor/EditHistory.cpp|m_done.pop_front();¶    m_undone.clear();|m_done.pop_front();|Redo after a new edit brings back a step on top of it"
    "core_tests|vexaLogging3/editor/Navigation.cpp|if (logEditPos > 1)|if (logEditPos > 0)|Previous on the first record shows the header"
    "core_tests|vexaLogging3/editor/Navigation.cpp|    LogEditCommentSichern();¶    logEditPos = target;|    logEditPos = target;|a comment typed just before a jump by number is lost"
    "core_tests|vexaLogging3/editor/RecordEditing.cpp|(key == 0 && !numberForPaste(record))|(!numberForPaste(record))|a cut record pasted elsewhere asks for a new number"
    "core_tests|vexaLogging3/editor/UndoRedo.cpp|if (logNr == move->from.logNr)|if (logNr >= move->from.logNr)|an undo renumbers the next device log over an existing one"
    "core_tests|vexaLogging3/editor/UndoRedo.cpp|std::clamp(move->to.logEditPos, 1,|std::clamp(move->from.logEditPos, 1,|Undo leaves the editor on a record the step did not touch"
    # player
    "core_tests|vexaLogging3/player/PlayerActions.cpp|constexpr std::uint8_t kFps2997 = 0x40;|constexpr std::uint8_t kFps2997 = 0x60;|29.97 locates as 30 fps"
    "core_tests|vexaLogging3/player/PlayerActions.cpp|if (start.empty())|if (!start.empty())|Play does nothing"
    "core_tests|vexaLogging3/player/PlayerActions.cpp|rate == std::exchange(m_machineRate, rate)|false|every timecode overrides the rate the user chose"
    "core_tests|vexaLogging3/player/PlayerFields.cpp|const int next = logEditPos + 1;|const int next = logEditPos + 2;|a record without a stop plays past the next record"
    # capture
    "core_tests|vexaLogging3/capture/FrameGrab.cpp|if (!logStartArray.picture(index).empty())|if (false)|a still overwrites the picture the user put in"
    "core_tests|vexaLogging3/capture/FrameGrab.cpp|const int place = logStartArray.findRecord(still.record, still.place);|const int place = still.place;|a still lands on the wrong take after a delete"
    "core_tests|vexaLogging3/capture/FrameGrab.cpp|EditStep step(*this, \"Grab Still\");|;|a grab over a picture cannot be taken back"
    "core_tests|vexaLogging3/capture/VideoDevices.cpp|mCurrentImageBuffer.reset();|;|a take gets a still of the device before"
    "core_tests|vexaLogging3/capture/StillEncoder.cpp|        m_finished();|        (void)m_finished;|a take's still reaches the log only at the next save"
    "core_tests|vexaLogging3/capture/FrameGrab.cpp|if (onShow)|if (false)|the editor goes on showing no picture for a take that has one"
    # documents
    "core_tests|vexaLogging3/documents/ExchangeFile.cpp|hasDataMarker = equalsIgnoringCase(token, \"Data\");|hasDataMarker = token == \"Data\";|an exchange file written as DATA is refused"
    "core_tests cli_tests|vexaLogging3/documents/ExchangeFile.cpp| or (code >= 0xD800 && code <= 0xDFFF))|)|an exchange file with a broken character is imported into the log"
    "core_tests|vexaLogging3/documents/ExchangeCommands.cpp|LogEditCommentSichern();¶    const std::string error = exchange::writeExchangeFile|const std::string error = exchange::writeExchangeFile|the comment being typed is left out of the exported log"
    "core_tests|vexaLogging3/documents/ExchangeCommands.cpp|    setPathString(\"Untitled\");|    ;|Save after an import writes the imported log over the project file"
    "core_tests|vexaLogging3/documents/PictureCommands.cpp|picture, pictures::withJpegExtension(*chosen), m_services.pictureConverter);|picture, *chosen, m_services.pictureConverter);|Export Picture writes a file without .jpg"
    "core_tests cli_tests|vexaLogging3/documents/ExchangeFile.cpp|out.push_back(c == '\\t' or c == '\\n' ? ' ' : c);|out.push_back(c == '\\t' ? ' ' : c);|a comment with a line break breaks the exchange file"
    "core_tests|vexaLogging3/documents/ExchangeCommands.cpp|logNr = content.lastNumber;|logNr = content.list.recordCount();|the next device log after an import repeats a number"
    "core_tests|vexaLogging3/documents/ProjectFile.cpp|else if (lastRecordNumber(read.entries) == 0)|else if (false)|a file whose last number reads 0 opens as a log and is saved over"
    "core_tests|vexaLogging3/documents/PictureCommands.cpp|document::lastPathComponent(stemPath)|stemPath|Export All Pictures writes nothing"
    "core_tests cli_tests|vexaLogging3/documents/PictureExport.cpp|if (picture.size() > kAllPicturesMinimum)|if (picture.size() > kSinglePictureMinimum)|a ten-byte scrap exported as a picture"
    "cli_tests|vexaLogging3/documents/ExchangeFile.cpp|return platform::writeFileAtomically(path, exchangeText(list));|return platform::writeFileAtomically(path, exchangeText(list)), std::string();|a failed export reported as done"
    "core_tests|vexaLogging3/documents/PictureExport.cpp|            if (pending.replaces) {|            if (false) {|a cancelled export of all pictures has already replaced files of their names"
    "core_tests|vexaLogging3/timecode/MtcReader.cpp|        m_reverse = number == 7;|        m_reverse = false;|MIDI Time Code played backwards shows no timecode and makes no take"
    # platform writers and readers, the clock
    "plist_tests|vexaLogging3/platform/plist/XmlPlistWriter.cpp|constexpr std::size_t kDataBytesPerLine = 51;|constexpr std::size_t kDataBytesPerLine = 57;|project files no longer byte-equal to what other writers make"
    "plist_tests|vexaLogging3/platform/plist/XmlPlistWriter.cpp|out.put(\"&#13;\");|out.put(\"\\r\");|a carriage return in a comment read back as a line feed"
    "plist_tests|vexaLogging3/platform/plist/XmlPlistWriter.cpp|c != '&' && c != '<' && c != '>'|c != '&' && c != '<'|a comment holding ]]> makes the project file unreadable"
    "plist_tests|vexaLogging3/platform/plist/XmlPlistWriter.cpp|if (lead >= 0xC2 && lead <= 0xDF) {|if (lead >= 0xC0 && lead <= 0xDF) {|an overlong character in a comment is written into the project file"
    "plist_tests|vexaLogging3/platform/plist/PropertyListFileStore.cpp|isBinaryPropertyList(magic, sizeof magic)|false|binary project files are refused"
    "plist_tests|vexaLogging3/platform/plist/Base64.cpp|if (m_count == 3)|if (m_count == 2)|pictures of some lengths lose their last byte"
    "plist_tests|vexaLogging3/platform/plist/Base64.cpp|if (m_count >= 2 && m_count + ++m_pads >= 4)|if (m_count + ++m_pads >= 4)|a stray = refuses a project file that opened before"
    "core_tests|vexaLogging3/platform/SystemClock.cpp|local.tm_mon + 1|local.tm_mon|every record dated a month early"
    "core_tests|vexaLogging3/platform/SystemClock.cpp|local.tm_year + 1900|local.tm_year|every record dated in the year 126"
    # shell
    "core_tests|vexaLogging3/shell/DocumentName.cpp|name.size() > extension.size() + 1|name.size() > extension.size()|a file named only .vlg loses its whole name in the title"
    "core_tests|vexaLogging3/shell/FullScreen.cpp|controller->fullScreenMode = 0;|controller->fullScreenMode = 1;|Escape leaves the file actions blocked"
    "core_tests|vexaLogging3/shell/StartUp.cpp|mmcFpsAddWert = 32;|mmcFpsAddWert = 0;|a new log locates at 24 fps while 25 is shown"
    "core_tests|vexaLogging3/shell/StartUp.cpp|        field->setEditable(false);¶¶    imgEditKopie|        field->setEditable(true);¶¶    imgEditKopie|comments can be typed over at start without edit mode"
    "core_tests|vexaLogging3/shell/StartUp.cpp|kDeviceScanInterval{2000}|kDeviceScanInterval{5000}|a plugged interface is found late"
    # tools
    "cli_tests|tools/glimmark-cli/ProjectCommands.cpp|if (from == \"log\" && to == \"vlg\")|if (from == \"log\" && to == \"log\")|the CLI cannot import an exchange file"
    "cli_tests|tools/glimmark-cli/ProjectCommands.cpp|field <= kFieldDate; ++field|field < kFieldDate; ++field|the listing drops the date"
    # the live moment: typed text, the take's stop, held events, recovery, quitting, capture off
    "core_tests|vexaLogging3/editor/EditorDisplay.cpp|    storeTypedText(false);¶|¶|a comment typed across a log stop is cut"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|    m_openTake = logStartArray.recordKey(place);|    m_openTake = 0;|a take's stop lands on a blank record added during the take"
    "core_tests|vexaLogging3/player/PlayerFields.cpp|showPlayerLocks(playStopFlag != 0 or outlets.chkEditChaseModeVal->isOn());|showPlayerLocks(playStopFlag != 0);|a stop time during chase unlocks the fields"
    "core_tests|vexaLogging3/documents/DocumentWork.cpp|        if (!m_documentBusy) {|        if (true) {|the chase moves the editor under an open question"
    "core_tests|vexaLogging3/documents/RecoveryJournal.cpp|if (static_cast<std::uint32_t>(in.gcount()) != size or crc32(payload) != sum)|if (static_cast<std::uint32_t>(in.gcount()) != size)|a garbled journal is restored with wrong texts or pictures"
    "core_tests|vexaLogging3/documents/Recovery.cpp|    if (first)|    if (true)|an alert every second while the disk is full"
    "core_tests|vexaLogging3/documents/RecoveryFile.cpp|        if (projectCopy && lockedByARunningProgram|        if (false && lockedByARunningProgram|a running older program's copy is offered to a second one"
    "core_tests qt_tests|vexaLogging3/documents/FileCommands.cpp|\"Save changes before closing Glimmark?\", \"Save\", \"Cancel\", \"Don't Save\");|\"Save changes before closing Glimmark?\", \"Save\", \"\", \"Don't Save\");|Escape at the quit saves and quits"
    "core_tests|vexaLogging3/capture/VideoDevices.cpp|    outlets.mCaptureView->showText(\"No video\");|    outlets.mCaptureView->showText(\"\");|nothing says capture is off"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|    m_openTake = 0;¶    const int last|    const int last|a second stop stretches a finished take"
    "core_tests|vexaLogging3/documents/Recovery.cpp|        if (answer == platform::kAlertOther)¶            candidate.discard();|        if (answer != platform::kAlertDefault)¶            candidate.remove();|Escape at the restore question deletes the crashed log"
    "core_tests|vexaLogging3/documents/FileCommands.cpp|        endDeviceIntake();¶        if (editChangeFlag != 1|        closeMidi();¶        if (editChangeFlag != 1|the takes logged behind the quit prompt are not in the file it saves"
    "core_tests|vexaLogging3/capture/VideoDevices.cpp|    m_chosenVideoDevice = listed ?|    m_chosenVideoDevice = false ?|the camera is not chosen again after a restart"
    "qt_tests|vexaLogging3/frontend/QuitPrompt.cpp|return w != closing && w->isVisible() && keepsTheProgramRunning(w);|return w != closing && w->isVisible() && w->inherits(\"QMainWindow\");|the quit question comes while a Help window keeps the program running"
    "vexasim_tests|tools/vexasim/ClockDriver.cpp|if (!m_sim.playing() && !m_sim.waitingToRecord()) {|if (!m_sim.playing()) {|the demo never records again after a playback"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|if (logNr == std::numeric_limits<std::int32_t>::max()) {|if (logNr == std::numeric_limits<std::int32_t>::min()) {|record numbers wrap to negative"
    "cli_tests|vexaLogging3/platform/files/AtomicFile.cpp|if (exists && ((old.st_mode & 0222) == 0 or ::access(|if (exists && (false or ::access(|a read-only file is replaced"
    # hand-over to editorial
    'core_tests handover_file_tests|vexaLogging3/loglist/Timecode.cpp|    if (s == 0 && m % 10 != 0 && f < kDroppedPerMinute)|    if (s == 0 && m % 10 != 0 && f < 0)|a drop-frame take logged on a skipped label lands two frames early'
    'core_tests|vexaLogging3/loglist/Timecode.cpp|        frame += 9 * kDroppedPerMinute * tens;|        frame += 8 * kDroppedPerMinute * tens;|drop-frame timecodes past ten minutes are written wrong'
    'handover_file_tests|vexaLogging3/handover/Takes.cpp|((*out - *in) % day + day) % day|(*out - *in)|a take across midnight lasts one frame in the EDL and the ALE'
    'core_tests handover_file_tests|vexaLogging3/handover/Edl.cpp|        recordAt += span->length;|        recordAt += 1;|the EDL events overlap on the record side'
    'handover_file_tests|vexaLogging3/handover/Csv.cpp|    out += "\xEF\xBB\xBF";¶|¶|spreadsheets show the comments as mojibake'
    'core_tests|vexaLogging3/handover/ContactSheet.cpp|if (top + height > bottom && top > kMargin) {|if (top > bottom && top > kMargin) {|the contact sheet prints takes over the page foot'
    'core_tests handover_file_tests|vexaLogging3/handover/HtmlReport.cpp|                out += "&lt;";|                out += "<";|a comment with markup breaks the report'
    'core_tests handover_file_tests|vexaLogging3/handover/ExportFile.cpp|        return file.commit() ? std::string() : file.reason();|        return std::string();|the contact sheet is never written, and no one is told'
    'core_tests share_tests|vexaLogging3/handover/Csv.cpp|    if (formulaLike(text))|    if (false)|a comment or a project name runs as a formula in the spreadsheets of the cutting room'
    'core_tests|vexaLogging3/handover/Edl.cpp|if (!span or untimed(log, n, rate))|if (!span)|a blank record cuts a frame of midnight into the programme'
    'share_tests|vexaLogging3/platform/http/MhdListener.cpp|if (backlog.unsent > 0 or backlog.window < stream->openWindow / 2) {|if (false) {|a page that reads is pushed out for clients that never do'
    "qt_tests|vexaLogging3/platform/qt/WindowControl.h|for (QWidget* window : m_windows) window->setWindowModified(unsaved);|for (QWidget* window : m_windows) window->setWindowModified(!unsaved);|the unsaved mark shows on a saved log"
    # The log table: the unsaved mark told as it changes, the window's place, thumbnails, cells.
    "qt_tests|vexaLogging3/frontend/ApplicationWindows.h|    platform::qt::ModifiedMark m_modifiedMark{{&windowRec, &windowEdit}};|    platform::qt::ModifiedMark m_modifiedMark{{&windowRec}};|the editor's title never shows unsaved changes"
    "qt_tests|vexaLogging3/frontend/LogTableWindow.cpp|    return settings.value(kOpenKey, false).toBool();|    return false;|the log window left open does not come back"
    "qt_tests|vexaLogging3/frontend/LogTableWindow.cpp|    restoreGeometry(settings.value(kGeometryKey).toByteArray());|    ;|the log window forgets where it was"
    "qt_tests|vexaLogging3/frontend/LogTableModel.cpp|        if (record >= 1 && rowOfRecord(record) < m_rows) {|        if (record >= 1 && rowOfRecord(record) < m_rows) { const Changing change(*this);|each thumbnail yanks the table back to the editor's record"
    "qt_tests|vexaLogging3/frontend/LogCellDelegate.cpp|    painter->drawStaticText(QPointF(area.left(), top), shown);|    (void)top;|the table's rows show no text"
    "qt_tests|vexaLogging3/frontend/LogCellDelegate.cpp|                                                  ? QPalette::HighlightedText|                                                  ? QPalette::Text|the chosen row's text is unreadable on its highlight"
    # the MIDI system chosen by itself, the interface's port by name, the RtMidi adapter
    "core_tests|vexaLogging3/platform/SwitchingMidiSystem.cpp|    if (answering[current] && listsInterface(current))|    if (false)|a working ALSA connection is torn down when JACK lists the interface too"
    "core_tests|vexaLogging3/platform/SwitchingMidiSystem.cpp|if (i != current && answering[i] && listsInterface(i))|if (false)|the interface on the ALSA sequencer is not found while a JACK server runs"
    "core_tests|vexaLogging3/platform/SwitchingMidiSystem.cpp|    return static_cast<MidiRef>(member << kTagShift) + ref;|    return ref;|a port of one MIDI system sends to the other's endpoint of the same number"
    "core_tests|vexaLogging3/device/ConnectionLifecycle.cpp|return midi.endpointName(destination) == interfacePort;|return midi.modelName(destination) == interfacePort;|the port picked for the interface is never found"
    "midi_tests|vexaLogging3/platform/midi/RtMidiSystem.cpp|if (names.empty() && m_api == MidiApi::jack) {|if (false) {|after a JACK server restart RtMidi never finds the interface again"
    "midi_tests|vexaLogging3/platform/midi/RtMidiSystem.cpp|client.compare(0, name.size(), name) == 0 && client[name.size()] == '-' &&|client.compare(0, name.size(), name) == 0 && client[name.size()] == '_' &&|the program's own second JACK client is offered as a device"

    # live log on the web
    "share_tests|vexaLogging3/share/ShareSite.cpp|if (request.method != \"GET\" && request.method != \"HEAD\") {|if (request.method == \"DELETE\") {|a POST or PUT to the shared page is answered as a GET"
    "share_tests|vexaLogging3/share/ShareSite.cpp|} else if (!loopbackHost(request.host)) {|} else if (false) {|a web page elsewhere reads the log through a name rebound to this machine"
    "share_tests|vexaLogging3/share/ShareSite.cpp|path[prefix.size()] != '/')|path[prefix.size()] == 0)|a path that only starts like the token reaches the log"
    "share_tests|vexaLogging3/share/EventFeed.cpp|if (cursor.next < m_first) {|if (cursor.next < m_first && false) {|a page that fell behind silently misses takes"
    "share_tests|vexaLogging3/share/ShareSnapshot.cpp|if (was.stop != take.stop)|if (false)|the open pages never see a take's stop"
    "share_tests|vexaLogging3/share/ShareSnapshot.cpp|out += kHex[c >> 4];|out += kHex[c & 0x0F];|a comment with < or & shows as other characters on the page"
    "share_tests|vexaLogging3/platform/http/MhdListener.cpp|shutdown(idle[closing]->fd, SHUT_RDWR);|(void)idle[closing];|idle connections pile up until no new page can connect"
    "share_tests|vexaLogging3/platform/http/MhdListener.cpp|MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(m_stallTime.count()),|MHD_OPTION_CONNECTION_TIMEOUT, 0u,|clients that never read keep their streams, and the live page out, for good"
    "share_tests|vexaLogging3/share/ShareSnapshot.cpp|if (newSeen)|if (false)|a record inserted in the middle shows at the top of the page"
    "share_tests|vexaLogging3/share/ShareSite.cpp|        m_logCsv.reset();|        ;|the shared CSV stays the one of the first request, later takes missing"

    # the log table's thumbnails: newest first, a bounded queue, rows scrolled past dropped
    "qt_tests|vexaLogging3/frontend/LogThumbnails.cpp|            request = std::move(m_waiting.back());¶            m_waiting.pop_back();|            request = std::move(m_waiting.front());¶            m_waiting.pop_front();|the thumbnails of the rows scrolled to wait behind every page scrolled past"
    "qt_tests|vexaLogging3/frontend/LogThumbnails.cpp|        while (m_waiting.size() > static_cast<std::size_t>(kMaxWaiting)) {|        while (m_waiting.size() > static_cast<std::size_t>(kMaxWaiting) * 100) {|a fast scroll through a long log queues thousands of decodes"
    "qt_tests|vexaLogging3/frontend/LogThumbnails.cpp|        [&](const Request& request) { return wanted.contains(request.key); });|        [&](const Request& request) { return !wanted.isEmpty() or request.key == 0; });|rows scrolled past are still decoded before those on show"
    "qt_tests|vexaLogging3/frontend/LogThumbnails.cpp|        m_pending.remove(request.key);|        ;|a row scrolled past and back never shows its thumbnail"
    "qt_tests|vexaLogging3/frontend/LogTableWindow.cpp|            viewport()->scroll(0, down - verticalHeader()->offset());|            (void)down;|the rows of a long log move under the drawn ones and takes seem to vanish"
    "qt_tests|vexaLogging3/frontend/LogTableWindow.cpp|            viewport()->update(0, top, viewport()->width(), viewport()->height() - top);|            viewport()->update(0, top + rowHeight(inserted), viewport()->width(), viewport()->height());|a new take's row stays blank in a short log"
    "handover_file_tests|vexaLogging3/handover/HtmlReport.cpp|                    out.push_back('\\n');|                    ;|a comment with old-Mac line breaks runs its lines together in the report"
    # timecode sources other than the interface
    "core_tests|vexaLogging3/timecode/TimecodeRun.cpp|        out.stop = m_lastRunning;|        out.stop = m_runFirst;|a record-run take stops on its own first frame"
    "core_tests|vexaLogging3/timecode/TimecodeRun.cpp|    const std::int64_t steps = framesIn(at - m_last->beganAt, *m_last);|    const std::int64_t steps = 0;|a take by key starts on the newest frame, not the one the key went down in"
    "core_tests|vexaLogging3/documents/DocumentWork.cpp|    if (fromSource != m_timecodeFromSource.load())|    if (false)|the interface's timecode flickers over the chosen source's"
    "core_tests|vexaLogging3/timecode/TimecodeSources.cpp|    if (!m_source or m_framesTaken < m_framesDelivered.load())|    if (!m_source)|a busy window splits a record-run take in two"
    # what a screen reader finds in the log window and the editor
    "qt_tests|vexaLogging3/frontend/LogTableWindow.cpp|    search->setAccessibleName(tr(\"Search\"));|    ;|a screen reader finds no search field in the log window"
    "qt_tests|vexaLogging3/frontend/EditorWindow.cpp|    recordPosition->setAccessibleDescription(tr(\"Place of the record on show in the log\"));|    ;|a screen reader cannot tell what \"Record 3 of 9\" is"

    # JACK: ports kept for the client's life, a client opened within a limit
    "midi_jack_tests|vexaLogging3/platform/midi/JackMidiSystem.cpp|        jack_port_disconnect(m_client, port.jackPort);|        (void)port.jackPort;|a closed connection leaves the interface connected to the program's ports"
    "midi_jack_tests|vexaLogging3/platform/midi/JackMidiSystem.cpp|    if (kept == nullptr) {|    if (true) {|every connection after the first fails: the port's name is still taken"
    "midi_jack_tests|vexaLogging3/platform/midi/JackMidiSystem.cpp|        m_opening->answered.wait_for(lock, kOpenLimit, [&] { return m_opening->done; });|        m_opening->answered.wait(lock, [&] { return m_opening->done; });|a hung JACK server freezes the window"
    "midi_jack_tests|vexaLogging3/platform/midi/JackMidiSystem.cpp|    if (started)¶        m_opening|    if (true)¶        m_opening|every scan waits a second while a JACK server hangs"
    "core_tests|vexaLogging3/editor/Navigation.cpp|    if (typingOnShownRecord() or fullScreenMode|    if (fullScreenMode|Follow moves the editor under a comment being typed and splits it over takes"
    "core_tests|vexaLogging3/documents/Recovery.cpp|    for (const auto& [index, text] : typed) snapshot.replace(index, text);|    (void)snapshot;|a comment on screen when the program dies is gone after the restore"
    "core_tests|vexaLogging3/input/SysexInterpreter.cpp|    keepRecoveryFile(true);|    keepRecoveryFile(false);|a crash a moment after a take costs its stop"
    "core_tests|vexaLogging3/editor/RecordEditing.cpp|        return;¶    LogEditCommentSichern();¶    EditStep step(*this, \"Insert Record\");|        return;¶    EditStep step(*this, \"Insert Record\");|a comment typed before Insert Record is lost"
    # faults planted by people who had not read the tests, and caught since
    'core_tests|vexaLogging3/documents/ProjectFile.cpp|if (code == 0 or code == 32|if (code == 32|opening a log saved at 24 fps does not restore the 24 fps rate buttons'
    'core_tests|vexaLogging3/documents/RecoveryFile.cpp|if (!m_unsavedOnDisk or !m_unsavedAsked)|if (!m_unsavedOnDisk && !m_unsavedAsked)|a log saved after its last journal write still leaves its journal behind, so the next start offers to restore an already saved log'
    'core_tests|vexaLogging3/documents/HandoverCommands.cpp|if (format == handover::Format::Edl or format == handover::Format::Ale) {|if (format == handover::Format::Edl) {|ALE export never asks for the reel/tape name and writes the project name as tape'
    'core_tests|vexaLogging3/editor/TimecodeEntry.cpp|>= kGroups[k].limit)|> kGroups[k].limit)|typed timecodes like 24:00:00:00 or frames 30 are stored instead of being clamped to 23/59/29'
    'core_tests|vexaLogging3/editor/EditorDisplay.cpp|if (k == kFieldStart or (k == kFieldStop && !text.empty()))|if (k == kFieldStart or k == kFieldStop)|a stop field emptied and stored by a refresh becomes 00:00:00:00 instead of reopening the record'
    'core_tests|vexaLogging3/device/MidiSendQueue.cpp|        if (m_pending.empty())¶            return;|        if (m_stopping)¶            return;|messages still queued at shutdown (e.g. the MMC stop) are dropped instead of sent'
    'core_tests|vexaLogging3/handover/HtmlReport.cpp|for (; at + 3 <= bytes.size(); at += 3) {|for (; at + 3 < bytes.size(); at += 3) {|thumbnails whose size is a multiple of three get a corrupt base64 tail and show broken in the HTML report'
    'core_tests|vexaLogging3/timecode/TimecodeRun.cpp|(newest + (m_last->reverse ? -steps : steps))|(newest + steps)|a key take while the timecode runs backwards is logged at a frame ahead instead of behind the last one'
    "core_tests|vexaLogging3/shell/DocumentName.cpp|name.ends_with(extension) &&¶           name[name.size() - extension.size() - 1] == '.';|name.ends_with(extension);|a name like \"backlog\" counts as having the .log extension, so exports and saves get no extension appended"
    'share_tests|vexaLogging3/share/ShareSite.cpp|        m_logJson.reset();¶        m_logCsv.reset();|        m_logCsv.reset();|log.json keeps serving the first rendering after the log changes, so the page shows stale takes'
    'share_tests|vexaLogging3/share/ShareSite.cpp|auto& cache = kind == Kind::thumbnail ? m_thumbnails : m_pictures;|auto& cache = kind == Kind::picture ? m_thumbnails : m_pictures;|a full picture request is answered from the thumbnail cache (and vice versa), so the wrong image is served'
    'share_tests|vexaLogging3/platform/http/MhdListener.cpp|    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");¶||links followed from the shared page leak the URL with its access token in the Referer header'
    'plist_tests|vexaLogging3/platform/plist/XmlPlistReader.cpp|} else if (name == "true" or name == "false") {|} else if (name == "true") {|a property list holding <false/> is refused as having an unknown element'
    'plist_tests|vexaLogging3/platform/plist/BinaryPlistReader.cpp|return std::to_string(static_cast<std::int64_t>(number));|return std::to_string(number);|negative integers in a binary property list are read as huge positive numbers'
    'qt_tests|vexaLogging3/frontend/LogTableWindow.cpp|settings.value(kFollowKey, true).toBool()|settings.value(kFollowKey, false).toBool()|on a first start Follow is off, so new takes are not chosen as they are logged'
    'qt_tests|vexaLogging3/frontend/LogCellDelegate.cpp|    laid->setTextFormat(Qt::PlainText);¶||a comment that looks like HTML (e.g. "<b>") is shown as rich text in the log table instead of literally'
    'qt_tests|vexaLogging3/platform/qt/QtDialogs.cpp|    if (!accepted)¶        return std::nullopt;¶    return toStdString(text);|    return toStdString(text);|cancelling a text dialog returns an empty text as if the user had confirmed it'
    'qt_tests|vexaLogging3/platform/qt/QtImageFiles.cpp|    reader.setAutoTransform(true);¶||pictures from phones and cameras are imported sideways or upside down, ignoring their EXIF orientation'
    'vexasim_tests|tools/vexasim/SimulatedInterface.cpp|} else if (b >= 0xF8) {|} else if (b > 0xF8) {|A MIDI clock byte inside a System Exclusive message aborts it, so the simulator drops the command'
    "cli_tests|tools/glimmark-cli/ProjectCommands.cpp|            case '\\\\':¶                out << \"\\\\\\\\\";¶                break;¶||glimmark-cli info writes backslashes unescaped, so \"\\n\" in a comment cannot be told from a line feed"
    'core_tests|vexaLogging3/documents/DocumentWork.cpp|if (!m_heldEvents.empty() && m_heldEvents.back().runningTimecode)|if (!m_heldEvents.empty())|while a question is open, a timecode step replaces the last held device event, so a log start/stop that came in meanwhile is lost'
    'qt_tests|vexaLogging3/frontend/CapturePreview.cpp|    if (!planes or fit.width <= 0 or fit.height <= 0) {¶        m_pictureOnItsWay.store(false);|    if (!planes or fit.width <= 0 or fit.height <= 0) {|after one frame that cannot be previewed (or while the view is collapsed), the live preview freezes for good'
    "qt_tests|vexaLogging3/frontend/LogCellDelegate.cpp|const QString key = QString::number(width) + QLatin1Char('\\n') + text;|const QString key = text;|after a column is resized, log cells keep text cut to the old width (truncated or elided wrongly)"
    "qt_tests|vexaLogging3/frontend/LogThumbnails.cpp|    m_cache.remove(key);¶    m_pending.remove(key);¶}|    m_cache.remove(key);¶}|when a record's picture is replaced while its old thumbnail is still decoding, the list keeps showing the old picture"
    'qt_tests|vexaLogging3/frontend/TimecodeMenu.cpp|use(chosen.value_or(remembered.value_or(timecode::SourceChoice{})), false);|use(chosen.value_or(remembered.value_or(timecode::SourceChoice{})), true);|a timecode source given for one run on the command line overwrites the saved choice, so later plain starts use it too'
    "qt_tests|vexaLogging3/frontend/WindowPlacement.cpp|) &&¶        editor.restoreGeometry|) or¶        editor.restoreGeometry|when only the capture window's place was saved, the editor window is never placed and opens wherever the toolkit puts it (often over the capture window)"
    'video_tests|vexaLogging3/platform/video/PreviewImage.cpp|const Tables& t = frameHeight > 576 ? bt709 : bt601;|const Tables& t = frameHeight > 720 ? bt709 : bt601;|a 720p HD source is previewed with SD (BT.601) colours, so its colours look off'
    'qt_tests|vexaLogging3/frontend/LogTableModel.cpp|index(row, kPictureColumn + 1), index(row, kColumnCount - 1)|index(row, kStartColumn), index(row, kColumnCount - 1)|renumbering a record leaves the old number shown in the log table'
    'vexasim_tests|tools/vexa-sim/SimOptions.cpp|parseCount(v->substr(comma + 1))|parseCount(v->substr(comma))|--ltc-takes 10,3 is refused as malformed because the pause is parsed with the comma in front'
    "vexasim_tests|tools/vexa-sim/SimOptions.cpp|(text[8] != ':' && text[8] != ';')|text[8] != ':'|a drop-frame start time such as 10:00:00;00 is refused by --start"
    "core_tests|vexaLogging3/capture/FrameGrab.cpp|(place >= logEditPos - 1 && place <= logEditPos + 1)|place == logEditPos|a still that lands in the record next to or before the one on show leaves the editor's side picture blank"
    "core_tests|vexaLogging3/documents/HandoverCommands.cpp|const bool saved = !path.empty() && path != \"Untitled\";|const bool saved = !path.empty();|unsaved logs share one remembered reel name, so exporting a new untitled log's EDL never asks for its reel"
    'core_tests|vexaLogging3/editor/EditorDisplay.cpp|storeValue(index, std::move(text));¶            editChangeFlag = 1;¶        }¶    };|storeValue(index, std::move(text));¶        }¶    };|editing only a comment does not mark the log unsaved, so quitting loses the comment without a prompt'
    'qt_tests|vexaLogging3/frontend/HelpWindows.cpp|showDocument(window, QObject::tr("Behaviour notes"), kBehaviourNotesMarkdown);|showDocument(window, QObject::tr("Behaviour notes"), kKeysAndControlsMarkdown);|help > Behaviour notes opens the Keys and Controls text instead'
    'qt_tests|vexaLogging3/frontend/LogTableModel.cpp|index(row, kColumnCount - 1)|index(row, kColumnCount - 2)|editing Comment 2 does not refresh that column in the log table'
    'qt_tests|vexaLogging3/platform/qt/QtControls.cpp|return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));|return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));|non-ASCII comments and names are shown garbled in every field'
    'qt_tests|vexaLogging3/platform/qt/QtMainThread.cpp|Qt::QueuedConnection|Qt::AutoConnection|work posted from the main thread runs at once instead of later, so held device events are released too early'
    'video_tests|vexaLogging3/platform/video/TurboJpegCodec.cpp|if (w >= maxWidth && w < scaledWidth)|if (w > maxWidth && w < scaledWidth)|a thumbnail whose scale exactly meets the wanted width is made at a larger size'
    'cli_tests|vexaLogging3/platform/files/AtomicFile.cpp|    if (name.size() == kMark.size() + 6 && name.starts_with(kMark))|    if (name.size() == kMark.size() + 6 or name.starts_with(kMark))|a file or folder of the user whose name is sixteen characters long is taken for a temporary and removed'
    'core_tests|vexaLogging3/handover/Takes.cpp|int more = lead >= 0xF0 ? 3 : lead >= 0xE0|int more = lead >= 0xF0 ? 2 : lead >= 0xE0|an emoji in a comment turns into two unknown letters in the EDL, one more than the character'
    'qt_tests|vexaLogging3/frontend/ApplicationWindows.cpp|{menus.exportAle, &vexaLogging3AppDelegate::exportAle}|{menus.exportAle, &vexaLogging3AppDelegate::exportCsv}|File > Export > ALE writes a CSV'
    "vexasim_tests|tools/vexasim/SimulatedInterface.cpp|setRecordAfterPlayback(seconds * framesPerSecondLabel(m_rate));|setRecordAfterPlayback(seconds * 25);|the simulator's recorder waits its seconds at 25 fps whatever its rate"
    'qt_tests|vexaLogging3/frontend/MyImageView.cpp|    m_picture = QImage();¶    update();¶|    m_picture = QImage();¶|a record without a picture leaves the last one drawn in the editor'
    'core_tests|vexaLogging3/player/PlayerActions.cpp|chooseFrameRate(kFps24);|chooseFrameRate(kFps25);|the 24 fps button sets 25'
    'core_tests|vexaLogging3/documents/ProjectFile.cpp|    setPathString(path);¶    setWindowTitles();¶    readProjectAtPath(previousPath);|    setPathString(path);¶    readProjectAtPath(previousPath);|a log opened from the command line keeps the old name in the titles'
    'core_tests|vexaLogging3/editor/EditHistory.cpp|        m_done.pop_front();|        ;|the undo history grows without end over a day of edits'
    'share_tests|vexaLogging3/share/ShareSnapshot.cpp|out += "\\r";|out += "\\n";|a carriage return in a comment reads as a line break on the live page'
    'qt_tests|vexaLogging3/frontend/LogTableWindow.cpp|    connect(table, &QAbstractItemView::doubleClicked, this, [this] {¶        if (openRecord && chosenRecord() != 0)|    connect(table, &QAbstractItemView::doubleClicked, this, [this] {¶        if (openRecord && chosenRecord() == 0)|a double click on a row of the log table does nothing'
    'qt_tests|vexaLogging3/frontend/LogTableModel.cpp|        emit dataChanged(index(row, kPictureColumn), index(row, kPictureColumn));¶||a replaced picture keeps its old thumbnail in the log table'
    'core_tests|vexaLogging3/documents/FileCommands.cpp|    if (SaveAsPanel())¶        writeProjectFile();|    SaveAsPanel();|Save As takes the new name and writes nothing'
    "vexasim_tests|tools/vexasim/ClockDriver.cpp|        m_countedRate = rate;¶        m_countFrom = now;¶        m_quartersSent = 0;|        m_countedRate = rate;¶        m_countFrom = now;|after a stop and a play the simulator's timecode stands still for as long as it ran"
    'core_tests|vexaLogging3/timecode/ClockTimecodeSource.cpp|localtime_r(&seconds, &local);|gmtime_r(&seconds, &local);|the clock source logs UTC instead of the local time of day'
    'qt_tests|vexaLogging3/frontend/TimecodeMenu.cpp|options.kind = choice.kind == Kind::ltc ? JackSource::Kind::ltc : JackSource::Kind::mtc;|options.kind = choice.kind == Kind::mtc ? JackSource::Kind::ltc : JackSource::Kind::mtc;|LTC chosen reads the port as MIDI Time Code, and MTC as LTC'
    'qt_tests|vexaLogging3/platform/qt/QtPictureConverter.cpp|TurboJpegCodec::quality(compressionFactor)|static_cast<int>(compressionFactor)|pictures that are no JPEG go out at quality 0'
    'qt_tests|vexaLogging3/frontend/CapturePreview.cpp|    m_picture = QImage();¶    update();|    update();|the capture window keeps the last frame of a device that is gone'
    'qt_tests|vexaLogging3/frontend/EditorWindow.cpp|btnPlayerFps25Val->setChecked(true);|btnPlayerFps30Val->setChecked(true);|the editor starts with 30 fps ticked while the program runs at 25'
    "qt_tests|vexaLogging3/frontend/LogThumbnails.cpp|reader.setScaledSize(full.scaled(kSize, Qt::KeepAspectRatio));|reader.setScaledSize(full.scaled(kSize, Qt::IgnoreAspectRatio));|a 4:3 picture's thumbnail is stretched to 16:9"
    'midi_jack_tests|vexaLogging3/platform/midi/JackMidiSystem.cpp|if (made != 0 && made != EEXIST)|if (made != 0)|an interface a patchbay connected first is taken for one that cannot be reached'
    "vexasim_tests|tools/vexasim/SimulatedMidiSystem.cpp|        if (port.input && port.connected && port.readProc)|        if (port.input && port.readProc)|the demo's interface talks into ports not yet connected to it"
    'qt_tests|vexaLogging3/frontend/CaptureWindow.cpp|    cmbLogSelectVal->addItems({tr("Logging off"), tr("Automatic logging"), tr("Manual logging")});|    cmbLogSelectVal->addItems({tr("Logging off"), tr("Manual logging"), tr("Automatic logging")});|the logging list offers Manual where Automatic is and the other way round'
    "qt_tests|vexaLogging3/frontend/LogTableModel.cpp|        return platform::qt::toQString(m_duration(text(kFieldStart), text(kFieldStop)));|        return platform::qt::toQString(m_duration(text(kFieldStop), text(kFieldStart)));|the log table's durations are counted from stop to start"
    'qt_tests|vexaLogging3/frontend/WidgetStyle.cpp|    font.setPointSizeF(font.pointSizeF() * (large ? 1.9 : 1.3));|    font.setPointSizeF(font.pointSizeF() * (large ? 1.3 : 1.9));|the running timecode is drawn small and every other time large'
    'qt_tests|vexaLogging3/platform/qt/QtTimers.cpp|    QObject::connect(timer, &QTimer::timeout, &m_owner, std::move(tick));¶    timer->start();|    QObject::connect(timer, &QTimer::timeout, &m_owner, std::move(tick));|repeating timers never start: the interface is never looked for again'
    'share_tests|vexaLogging3/share/ShareSite.cpp|        moved.location = "/" + token + "/";|        moved.location = "/" + token;|the shared address without its last slash sends the browser round in a loop'
    'share_tests|vexaLogging3/platform/http/MhdListener.cpp|anyAddress ? MHD_USE_DUAL_STACK : MHD_USE_IPv6|anyAddress ? MHD_USE_IPv6 : MHD_USE_DUAL_STACK|the live page on every address is IPv6 only: phones on IPv4 cannot reach it'
    'vexasim_tests|tools/vexasim/Timecode.cpp|tc.frames < 2 && tc.seconds == 0|tc.frames <= 2 && tc.seconds == 0|a drop-frame start on frame 02 of a dropping minute is refused'
    'qt_tests|vexaLogging3/frontend/LiveSharing.cpp|            else if (!network)¶                endpoint.address = "127.0.0.1";¶||unticking Share on the network keeps the live log on every address'
    'qt_tests|vexaLogging3/frontend/LogTableWindow.cpp|return LogTableModel::recordOfRow(m_filter->mapToSource(chosen.first()).row());|return LogTableModel::recordOfRow(chosen.first().row());|behind a search, a row chosen in the log table opens another record'
    'qt_tests|vexaLogging3/frontend/MyImageView.cpp|    target.moveCenter(rect().center());¶||the picture is drawn in the corner of its view, not the middle'
    'qt_tests|vexaLogging3/frontend/WindowGrab.cpp|QCoreApplication::exit(ok ? 0 : 1);|QCoreApplication::exit(0);|the screenshot run ends in success when a picture could not be written'
    'core_tests|vexaLogging3/platform/Outlets.cpp|        return kAlertAlternate;|        return kAlertDefault;|without windows, every question is answered with the button that deletes or discards'
    'qt_tests|vexaLogging3/frontend/MyImageView.cpp|        !data->urls().constFirst().isLocalFile())|        data->urls().constFirst().isLocalFile())|dropping an image file on the editor’s picture is refused, so a picture can no longer be replaced by drag and drop'
    'qt_tests|vexaLogging3/frontend/WindowGrab.cpp|ok = save(*menu, dir.filePath(QStringLiteral("menu-%1.png").arg(name))) && ok;|ok = save(*menu, dir.filePath(QStringLiteral("menu-%1.png").arg(name)));|--screenshot exits 0 although an earlier menu picture could not be written, as long as the last one was'
    'core_tests|vexaLogging3/platform/Dialogs.h|work([](double) { return true; });|work([](double) { return false; });|with the plain dialogs (no window front end) every cancellable export is cancelled at once and writes nothing, silently'
    'timecode_jack_tests|vexaLogging3/platform/jack/JackTimecodeSource.cpp|frame.beganAt = record.beganAt - latency;|frame.beganAt = record.beganAt + latency;|LTC frames are timed later than they arrived by the capture latency instead of earlier, so takes by key land on the wrong frame'
    'soak_tests|vexaLogging3/documents/PictureExport.h|inline constexpr double kJpegCompressionFactor = 0.5;|inline constexpr double kJpegCompressionFactor = 0.75;|pictures converted to JPEG on export are written at another quality than the grabs, giving different files'
    'video_tests|vexaLogging3/platform/video/GstreamerVideoSystem.cpp|long long height = width * running.sourceHeight / running.sourceWidth;|long long height = width * running.sourceWidth / running.sourceHeight;|the live picture takes the view’s width when the view is taller than the picture’s shape, and the wrong height'
    'video_tests|vexaLogging3/platform/video/GstreamerVideoSystem.cpp|        if (height > box.height) {|        if (height < box.height) {|the live picture overflows a view it should fit when the view is wide'
    'video_tests|vexaLogging3/platform/video/GstreamerVideoSystem.cpp|            width = height * running.sourceWidth / running.sourceHeight;|            width = box.width;|the live picture is stretched across a wide view'
    'vexasim_tests|tools/vexa-sim/SimOptions.cpp|(a == "--log-every" ? o.autoLogEveryFrames : o.autoLogLengthFrames) = *frames;|(a == "--log-every" ? o.autoLogLengthFrames : o.autoLogEveryFrames) = *frames;|--log-every sets the log length and --log-length the interval: the simulator logs at the wrong spacing and length'
    'qt_tests|vexaLogging3/documents/ChangeFlag.h|        const bool was = m_value != 0;¶        m_value = value;|        m_value = value;¶        const bool was = m_value != 0;|the unsaved mark in the window titles never turns on or off as the log changes or is saved'
    'qt_tests|vexaLogging3/frontend/WindowPlacement.cpp|const QRect editor(capture.right() + 1 + kGap, available.top(),|const QRect editor(capture.right() + kGap, available.top(),|side by side, the editor window starts one pixel into the gap and ends one pixel short of the screen’s right edge'
    'core_tests|vexaLogging3/handover/ContactSheet.cpp|const double x = kMargin + (n - row.first) * (cellWidth + kGutter);|const double x = kMargin + (n - row.first) * cellWidth;|the contact sheet’s columns touch and the last cell of a row ends short of the right margin'
    'qt_tests|vexaLogging3/frontend/CapturePreview.h|return {m_viewWidth.load(), m_viewHeight.load()};|return {m_viewHeight.load(), m_viewWidth.load()};|the capture thread scales preview frames to the view’s height by width: the live picture is distorted'
    'share_tests|vexaLogging3/share/ShareSite.h|static constexpr int kThumbnailWidth = 160;|static constexpr int kThumbnailWidth = 16;|the shared live page’s thumbnails are made 16 pixels wide, too small to see'
    'core_tests|vexaLogging3/documents/FileCommands.cpp|    for (bool askForPath = neverSaved();;) {¶        LogEditCommentSichern();|    for (bool askForPath = neverSaved();;) {¶        ;|a comment typed into a saved log just before the quit is lost without a question'
    'cli_tests|vexaLogging3/documents/PictureExport.cpp|            if (::rename(r.written.c_str(), r.replaced.c_str()) == 0) {|            if (::rename(r.written.c_str(), r.replaced.c_str()) == 1) {|a picture that replaced one already there is reported as not written'
    'qt_tests|vexaLogging3/frontend/LogCellDelegate.cpp|    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);|    ;|the log table shows no selection: the chosen row is drawn like the others'
    'core_tests|vexaLogging3/documents/FileCommands.cpp|    std::string folder;¶    if (!neverSaved()) {|    std::string folder;¶    if (neverSaved()) {|a file dialog for a saved log opens somewhere else than the log’s own folder'
    'core_tests|vexaLogging3/capture/StillEncoder.cpp|m_changed.wait(lock, [this] { return m_jobs.empty() && !m_encoding; });|m_changed.wait(lock, [this] { return m_jobs.empty(); });|a save right after a grab can miss the still being encoded'
    'core_tests|vexaLogging3/handover/HtmlReport.cpp|                out += "&quot;";|                out += "\"";|a quote in a take number ends the report picture’s alt text and breaks its markup'
    'qt_tests|vexaLogging3/platform/qt/QtPdfWriter.cpp|    const QPageSize page(size == PageSize::Letter ? QPageSize::Letter : QPageSize::A4);|    const QPageSize page(size == PageSize::A4 ? QPageSize::Letter : QPageSize::A4);|a contact sheet asked for on A4 comes out on Letter, and Letter on A4'
    'share_tests|vexaLogging3/resources/share-page.html|  for (const name of ["take", "stop", "comment", "renumber", "change", "remove"])|  for (const name of ["take", "stop", "comment", "change", "remove"])|a record renumbered keeps its old number on the live page until it is reloaded'
    'share_tests|vexaLogging3/platform/http/MhdListener.h|    static constexpr int kMaxStreams = 256;|    static constexpr int kMaxStreams = 32;|past 32 viewers each new live page pushes out another’s event stream'
    'midi_jack_tests|vexaLogging3/platform/midi/JackMidiSystem.h|        std::string clientName = "Glimmark";|        std::string clientName = "glimmark";|the program’s JACK ports appear under another client name than Glimmark'
    'qt_tests|vexaLogging3/platform/qt/QtDialogs.cpp|    if (pressed == nullptr && alternate != nullptr)¶        return kAlertAlternate;|    if (pressed == nullptr && alternate != nullptr)¶        return kAlertDefault;|an alert closed without a button answers its default, Delete or Save, instead of Cancel'
    'qt_tests|vexaLogging3/platform/qt/QtPictureConverter.cpp|if (!image.save(&buffer, "JPEG", TurboJpegCodec::quality(compressionFactor)))|if (!image.save(&buffer, "JPEG"))|pictures converted on export ignore the quality asked for'
    'qt_tests|vexaLogging3/frontend/TimecodeMenu.h|inline const QString kTakeKeyKey = QStringLiteral("timecode/key");|inline const QString kTakeKeyKey = QStringLiteral("timecode/keyPort");|the learned Start/Stop key is stored over its port’s setting and both are lost at the next start'
    'core_tests|vexaLogging3/platform/MidiPacketList.h|static constexpr std::size_t kPacketHeaderSize = 8 + 2;|static constexpr std::size_t kPacketHeaderSize = 8 + 4;|packet lists get padding after each byte count, unlike the layout other senders write'
    'core_tests|vexaLogging3/documents/ProjectFile.cpp|    appendAsRecords(logStartArray, entries);¶    restoreFrameRate();|    appendAsRecords(logStartArray, entries);|a log restored after a crash keeps the rate buttons of the start, not its own rate'
    'core_tests|vexaLogging3/handover/Takes.cpp|    return {25, false};¶}|    return {24, false};¶}|a log that names no rate is handed over at 24 fps'
    'core_tests|vexaLogging3/handover/Takes.cpp|            return "edl";|            return {};|the EDL export suggests a name without its extension'
    'qt_tests|vexaLogging3/frontend/WindowPlacement.cpp|    window.move(frame.topLeft());|    ;|at the first start both windows open in the corner over each other instead of side by side'
    'timecode_jack_tests|vexaLogging3/platform/jack/JackTimecodeSource.cpp|        jack_free(ports);¶    }¶    return names;|        jack_free(ports);¶    }¶    return {};|the Timecode menu offers no JACK port to read LTC or MIDI Time Code from'
    'timecode_jack_tests|vexaLogging3/platform/jack/JackTimecodeSource.cpp|++m_disagreeing >= (strong ? 3 : 8)|--m_disagreeing >= (strong ? 3 : 8)|LTC that changes its rate is read at the first rate for ever'
    'vexasim_tests|tools/vexasim/Timecode.cpp|return rate == FrameRate::fps2997DropFrame && tc.frames < 2 && tc.seconds == 0 &&|return rate == FrameRate::fps2997DropFrame && tc.frames < 1 && tc.seconds == 0 &&|vexa-sim takes a drop-frame start on the label 01 that the minute skips'
    'qt_tests|vexaLogging3/frontend/DecodedPictures.cpp|if (it->hash == hash && it->encoded == encoded) {|if (it->hash == hash) {|two pictures alike in size and at both ends share one decoded picture, and the editor shows the other record’s'
    'midi_jack_tests|vexaLogging3/platform/midi/JackMidiSystem.h|bool m_reachable = true;  // as last reported|bool m_reachable = false;  // as last reported|with no JACK server at the start the user is never told'
    'share_tests|vexaLogging3/share/EventFeed.h|explicit EventFeed(std::size_t keep = 4096) : m_keep(keep) {}|explicit EventFeed(std::size_t keep = 256) : m_keep(keep) {}|a live page 256 changes behind reloads the whole log instead of catching up'
    'core_tests|vexaLogging3/timecode/TimecodeSources.cpp|(kind == 0xB0 && data2 >= 64)|(kind == 0xB0 && data2 > 64)|a learned controller that sends exactly 64 for pressed starts and stops nothing'
    'video_tests|vexaLogging3/platform/video/PreviewImage.cpp|clamp[((l + green[u] + greenFromV[v]) >> 16)|clamp[((l - green[u] + greenFromV[v]) >> 16)|the live picture’s green takes the blue difference with the wrong sign'
    'qt_tests|vexaLogging3/frontend/MidiMenu.cpp|name == QLatin1String("jack")   ? std::optional<std::size_t>(0)|name == QLatin1String("jack")   ? std::optional<std::size_t>(1)|--midi=jack, the setting or the menu’s JACK item makes the program look for the interface on the ALSA sequencer'
    'qt_tests|vexaLogging3/platform/qt/QtDialogs.cpp|    dialog.selectFile(toQString(suggestedName));¶|¶|every save and export dialog offers an empty file name'
    'qt_tests|vexaLogging3/frontend/LiveSharing.cpp|if (network && share::isLoopback(endpoint.address))|if (network && !share::isLoopback(endpoint.address))|ticking the network in Share Live Log leaves the page on this computer only'
    'core_tests|vexaLogging3/handover/ContactSheet.cpp|first + (first.empty() or second.empty() ? "" : "\n") + second|first + (first.empty() && second.empty() ? "" : "\n") + second|a take with one comment gets an empty line in its contact-sheet cell'
    'vexasim_tests|tools/vexa-sim/SimOptions.cpp|    if (text == "30")¶        return FrameRate::fps30;|    if (text == "30")¶        return FrameRate::fps25;|vexa-sim --fps 30 runs the demo at 25 fps'
    'vexasim_tests|tools/vexasim/SimulatedInterface.h|std::string_view version = "21");|std::string_view version = "12");|the demo interface answers as version 1.2'
    'vexasim_tests|vexaLogging3/platform/Midi.h|virtual bool portConnected(MidiRef /*port*/) { return true; }|virtual bool portConnected(MidiRef /*port*/) { return false; }|the demo closes its link and opens it again at every device scan'
    'qt_tests|vexaLogging3/documents/ChangeFlag.h|const bool was = m_value != 0;¶        m_value = value;|m_value = value;¶        const bool was = m_value != 0;|the windows never show that the log holds unsaved changes'
    'video_tests|vexaLogging3/documents/PictureExport.h|kJpegCompressionFactor = 0.5;|kJpegCompressionFactor = 0.05;|every still is grabbed at JPEG quality 5'
    'share_tests|vexaLogging3/platform/http/MhdListener.cpp|MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION,|MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_LOCATION,|the shared address without its slash redirects nowhere'
    "qt_tests|vexaLogging3/frontend/RecordEditControls.cpp|    btnEditCut = button(tr(\"Cut\"), \"btnEditCut\", tr(\"The record on show into the clipboard\"));¶    btnEditCopy = button(tr(\"Copy\"), \"btnEditCopy\", tr(\"The record on show into the clipboard\"));|    btnEditCopy = button(tr(\"Cut\"), \"btnEditCut\", tr(\"The record on show into the clipboard\"));¶    btnEditCut = button(tr(\"Copy\"), \"btnEditCopy\", tr(\"The record on show into the clipboard\"));|the editor's Copy button takes the record out of the log"
    'core_tests|vexaLogging3/platform/Controls.h|    virtual bool isEdited() const { return false; }|    virtual bool isEdited() const { return true; }|a window-less run treats its stand-in fields as typed into'
    'qt_tests|vexaLogging3/frontend/MidiMenu.h|inline const QString kInterfacePortKey = QStringLiteral("midi/interfacePort");|inline const QString kInterfacePortKey = QStringLiteral("midi/system");|the interface port and the MIDI system saved under one settings key'
    'qt_tests|vexaLogging3/frontend/WindowPlacement.cpp|std::clamp(width * 2 / 5, least, most)|std::clamp(width * 3 / 5, least, most)|on first start the capture window takes the larger share of the screen'
    'core_tests|vexaLogging3/platform/SwitchingMidiSystem.h|    std::atomic<std::size_t> m_active{0};|    std::atomic<std::size_t> m_active{1};|at start the ALSA side counts as in use and keeps the interface JACK lists too'
    'timecode_jack_tests|vexaLogging3/platform/jack/JackTimecodeSource.h|        std::string clientName = "Glimmark timecode";|        std::string clientName = "Glimmark";|the timecode input registers under the name of the MIDI client'
    'video_tests|vexaLogging3/platform/video/GstreamerSources.cpp|        "video/x-raw, width=(int)[1,1920], height=(int)[1,1080], framerate=(fraction)[0/1,30/1]; "|        "video/x-raw, width=(int)[1,1280], height=(int)[1,720], framerate=(fraction)[0/1,30/1]; "|raw 1080p camera modes are never chosen'
    'core_tests|vexaLogging3/documents/RecoveryFile.h|    bool usable() const { return m_fd >= 0; }|    bool usable() const { return !m_directory.empty(); }|a journal folder that cannot be made counts as usable'
    'video_tests|vexaLogging3/platform/Video.h|    int chromaRowShift = 1;  // a chroma row per 2^shift luma rows|    int chromaRowShift = 0;  // a chroma row per 2^shift luma rows|the preview reads an I420 chroma row per picture row'
    'video_tests|vexaLogging3/platform/video/TurboJpegCodec.cpp|            scaledHeight = TJSCALED(height, factors[i]);|            scaledHeight = TJSCALED(width, factors[i]);|thumbnails come out square'
    'qt_tests|vexaLogging3/frontend/LogTableModel.cpp|kFieldDate, kFieldComment1,  kFieldComment2}|kFieldDate, kFieldComment2,  kFieldComment1}|the log table shows each comment under the heading of the other'
    'share_tests|vexaLogging3/platform/WebServer.h|std::uint64_t timecodeSeen = 0;|std::uint64_t timecodeSeen = 1;|a page opened after one timecode never gets it'
    'core_tests|vexaLogging3/timecode/SourceChoice.cpp|    frame.framesPerSecond = rate.framesPerSecond;¶    frame.dropFrame = rate.dropFrame;¶|    frame.framesPerSecond = rate.framesPerSecond;¶|the 29.97 clock hands out frames marked plain 30'
    'midi_jack_tests|tools/vexa-sim/main.cpp|    o.startAt = options->startAt;¶    o.play = options->play;|    o.play = options->play;|vexa-sim runs from its default start whatever --start asks'
    'qt_tests|vexaLogging3/frontend/LogCellDelegate.cpp|    if (font != m_font) {¶        m_texts.clear();¶        m_font = font;|    if (font != m_font) {¶        m_font = font;|cells keep the text cut for the font before'
    'handover_file_tests|vexaLogging3/handover/Handover.h|platform::PageSize pageSize = platform::PageSize::A4;|platform::PageSize pageSize = platform::PageSize::Letter;|contact sheets from the command line come out on Letter paper'
    'core_tests|vexaLogging3/documents/HeldDialogs.h|m_dialogs.runAlert(title, message, defaultButton, alternateButton, otherButton);|m_dialogs.runAlert(title, message, defaultButton, otherButton, alternateButton);|the held dialogs pass the alternate and other buttons swapped'
    'core_tests|vexaLogging3/documents/Recovery.cpp|    m_services.timers.startRepeating(kRecoveryCheck, [this] { keepRecoveryFile(false); });|    ;|the journal follows only log stops, not edits'
    'core_tests|vexaLogging3/documents/Recovery.cpp|            m_recovery->save(logStartArray, pathString, false, std::time(nullptr));|            m_recovery->save(logStartArray, pathString, true, std::time(nullptr));|a saved log stays unsaved in the journal and is offered after a crash'
    'core_tests|vexaLogging3/documents/Recovery.cpp|        if (!contents.unsaved) {¶            candidate.remove();|        if (!contents.unsaved) {¶            ;|journals of saved logs pile up in the state folder'
    'core_tests|vexaLogging3/editor/RecordEditing.cpp|    LogEditCommentSichern();¶    EditStep step(*this, "Delete Record");|    EditStep step(*this, "Delete Record");|a comment typed on a deleted record is gone from its undo'
    "core_tests|vexaLogging3/loglist/Timecode.cpp|c == ' ' or c == '\\t' or c == '\\n'|c == ' ' && c == '\\t' or c == '\\n'|a typed number with blanks before it reads 0"
    'core_tests|vexaLogging3/editor/EditorDisplay.cpp|            storeValue(index, std::move(text));¶            editChangeFlag = 1;¶        }¶    }¶}|            storeValue(index, std::move(text));¶            editChangeFlag = 0;¶        }¶    }¶}|a typed start stored on the way leaves the log marked saved'
    'core_tests|vexaLogging3/input/SysexInterpreter.cpp|        ++logNr;¶        m_logNumberNotice.clear();|        ++logNr;|the no-number notice stays once takes are numbered again'
    'core_tests|vexaLogging3/documents/ExchangeFile.cpp|            if ((next & 0xC0) != 0x80)¶                return false;|            if ((next & 0xC0) != 0x80)¶                return true;|an exchange file with a lead byte alone is taken for UTF-8'
    'core_tests|vexaLogging3/documents/ExchangeFile.cpp|code <= 0xDFFF))|code <= 0xE000))|U+E000 in an exchange file is refused as a surrogate'
    'core_tests|vexaLogging3/handover/Takes.cpp|    if (code >= 0xC0 && code <= 0xFF)|    if (code >= 0xc1 && code <= 0xFF)|an A grave in a comment is a question mark in the EDL'
    'core_tests|vexaLogging3/handover/Takes.cpp|        case 0x2019:|        case 0x201a:|a curly apostrophe is a question mark in the EDL'
    'core_tests|vexaLogging3/handover/Takes.cpp|    return picture.size() > 10;|    return picture.size() > 9;|the CSV names a picture file Export All Pictures never writes'
    'core_tests|vexaLogging3/documents/HandoverCommands.cpp|        if (std::optional<std::string> known = dialogs.recalled(key))¶            return known;|        if (std::optional<std::string> known = dialogs.recalled(key))¶            return {};|a saved log loses its reel at the next export'
    'share_tests|vexaLogging3/share/ShareSite.cpp|std::erase_if(m_pictures, [&](const auto& entry) { return !ids.contains(entry.first); });|std::erase_if(m_pictures, [&](const auto& entry) { return ids.contains(entry.first); });|a converted picture is still served once its take is gone'
    'share_tests|vexaLogging3/share/ShareSite.cpp|    if (bytes == nullptr)¶        return plain(404, "Not found\n");|    if (bytes == nullptr)¶        return plain(405, "Not found\n");|a picture that is gone is answered 405'
    'core_tests|vexaLogging3/editor/EditorPictures.cpp|void vexaLogging3AppDelegate::storePicture(Picture tiff) {¶    LogEditCommentSichern();|void vexaLogging3AppDelegate::storePicture(Picture tiff) {|a comment typed before a picture is replaced is lost'
    'core_tests|vexaLogging3/editor/Navigation.cpp|    if (fullScreenMode or !logStartArray.hasRecords()|    if (fullScreenMode && !logStartArray.hasRecords()|a click in the log table moves the editor in full screen'
    'core_tests|vexaLogging3/input/SysexInterpreter.cpp|            outlets.statusText->setText(outlets.statusText->text() + m_logNumberNotice);|            ;|the no-number notice waits for the next timecode'
    'core_tests|vexaLogging3/handover/ContactSheet.cpp|    const double firstTop = kMargin + titleHeight + aboutHeight + 2 * kGutter;|    const double firstTop = kMargin - titleHeight + aboutHeight + 2 * kGutter;|the contact sheet draws the first take over its heading'
    'core_tests|vexaLogging3/handover/Edl.cpp|    for (int n = 1; n <= log.recordCount(); ++n) {|    for (int n = 0; n <= log.recordCount(); ++n) {|an imported header with a start is an EDL event'
    'core_tests|vexaLogging3/handover/Takes.cpp|        if (at >= text.size() or (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)|        if (at >= text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)|a stray Latin-1 byte eats the next letter of an EDL comment'
    'share_tests|vexaLogging3/share/ShareSite.cpp|    for (std::size_t i = 0; i < a.size(); ++i)|    for (std::size_t i = 1; i < a.size(); ++i)|a token path without its slash is answered'
    'share_tests|vexaLogging3/share/ShareSnapshot.cpp|            good = !(c == 0xE0 && second < 0xA0) && !(c == 0xED && second >= 0xA0);|            good = !(c == 0xE0 && second <= 0xA0) && !(c == 0xED && second >= 0xA0);|U+0800 on the live page is three replacement characters'
    'core_tests|vexaLogging3/documents/DocumentWork.cpp|            m_heldEvents.back() = std::move(step);|            ;|the chase behind a question goes to a timecode passed by a later one'
    "core_tests|vexaLogging3/editor/EditHistory.cpp|    m_done.clear();¶    m_undone.clear();|    m_done.clear();|Redo after New puts the old log's step into the new one"
    'core_tests|vexaLogging3/input/SysexInterpreter.cpp|    reportedLoggingState = loggingOn ? 1 : 0;|    reportedLoggingState = loggingOn ? 1 : 1;|the live page says logging on when the interface reports it off'
    'core_tests|vexaLogging3/loglist/Timecode.cpp|ef = s8(intValueAt(stop, 9));|ef = s8(intValueAt(stop, 8));|a stop whose frames pass the start borrows a second from the duration'
    'core_tests|vexaLogging3/handover/ContactSheet.cpp|    const double textWidth = cellWidth - 2 * kPadding;|    const double textWidth = cellWidth - 3 * kPadding;|contact sheet pictures sit off the middle of their cells'
    'core_tests|vexaLogging3/handover/Takes.cpp|    if (code >= 0xC0 && code <= 0xFF)|    if (code >= 0xC0 && code < 0xFF)|a y diaeresis is a question mark in the EDL'
    'core_tests|vexaLogging3/handover/Takes.cpp|            return "z";|            return {};|a z caron in a comment breaks the EDL export'
    'core_tests|vexaLogging3/handover/Takes.cpp|        case 0x201E:|        case 0x201f:|a low opening quote is a question mark in the EDL'
    'core_tests|vexaLogging3/documents/PictureCommands.cpp|    if (picture.size() <= 9)|    if (picture.size() < 9)|a picture of nine bytes is offered for export alone'
    'core_tests|vexaLogging3/documents/ProjectFile.cpp|            LogEditInit();¶            logNr = lastRecordNumber(read.entries);|            logNr = lastRecordNumber(read.entries);|Undo after Open takes a step of the log before into the opened one'
    'share_tests|vexaLogging3/share/ShareSnapshot.cpp|!(c == 0xF4 && second >= 0x90)|!(c == 0xF5 && second >= 0x90)|a code point past U+10FFFF reaches the live page'
    'cli_tests|vexaLogging3/platform/files/AtomicFile.cpp|(old.st_mode & 0222) == 0|(old.st_mode & 0223) == 0|a read-only file with an execute bit is replaced when root exports over it'
    'core_tests|vexaLogging3/timecode/TimecodeSources.cpp|    if (outcome.start or (outcome.stop && !outcome.beginsRun))|    if (outcome.start or outcome.stop)|a take after a jump or a new rate has no still'
    'core_tests|vexaLogging3/timecode/MtcReader.cpp|    if (m_inOrder > 0 && number == m_lastPiece|    if (m_inOrder > 0 or number == m_lastPiece|MTC pieces of a broken group mix into the next frame'
    "core_tests|vexaLogging3/timecode/TimecodeRun.cpp|-((-scaled + unit - 1) / unit)|-((-scaled + unit + 1) / unit)|a key down on a frame's first moment takes the frame before"
    "core_tests|vexaLogging3/timecode/TimecodeRun.cpp|out.beginsRun = out.beginsRun or next.beginsRun;|out.beginsRun = out.beginsRun && next.beginsRun;|a run after a short one has the earlier run's still"
    'core_tests|vexaLogging3/timecode/TimecodeSources.cpp|    m_keyTakeOpen = false;¶    c.outlets.btnLogManualStopVal->setEnabled(false);|    m_keyTakeOpen = false;¶    c.outlets.btnLogManualStopVal->setEnabled(true);|Stop Log stays on after a stop by key'
    'core_tests|vexaLogging3/timecode/TimecodeSources.cpp|    m_learning = true;¶    showProblem("Press the MIDI note|    m_learning = true;¶    (void)("Press the MIDI note|learning a key asks for nothing'
    'core_tests|vexaLogging3/timecode/TimecodeSources.cpp|    m_keyTakeOpen = false;¶    m_problem.clear();|    m_keyTakeOpen = false;|the key prompt stays on the status line of the next source'
    'core_tests|vexaLogging3/timecode/TimecodeSources.cpp|selectItem(c.m_chosenLoggingMode < 0 ? 0|selectItem(c.m_chosenLoggingMode < 0 ? 1|back on the interface with nothing chosen, automatic logging is shown'
)

current=""
backup=$(mktemp)
log=$(mktemp)
restore() {
    if [[ -n "$current" ]]; then
        cp "$backup" "$current"
        current=""
    fi
}
trap 'restore; rm -f "$backup" "$log"' EXIT
trap 'exit 130' INT TERM

# Which rows run: all, a numbered list, or one slice of an interleaved split.
total=${#mutants[@]}
selected=()
if [[ -n "${MUTATION_ROWS:-}" ]]; then
    read -r -a selected <<<"$MUTATION_ROWS"
elif [[ -n "${MUTATION_SUBSET:-}" ]]; then
    slice=${MUTATION_SUBSET%/*}
    slices=${MUTATION_SUBSET#*/}
    [[ "$slice" == day ]] && slice=$(($(date -u +%s) / 86400 % slices + 1))
    for ((n = slice; n <= total; n += slices)); do selected+=("$n"); done
else
    for ((n = 1; n <= total; n++)); do selected+=("$n"); done
fi

needed=()
for n in "${selected[@]}"; do
    IFS='|' read -r binaries _ <<<"${mutants[n - 1]}"
    needed+=($binaries)
done
mapfile -t needed < <(printf '%s\n' "${needed[@]}" | sort -u)

build_tests() {
    cmake --build "$build" --target "$@" -j2 >"$log" 2>&1
}

if [[ ! -f "$build/build.ninja" && ! -f "$build/Makefile" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
fi
build_tests "${needed[@]}" || { cat "$log"; echo "the unmutated tree does not build"; exit 2; }

started=$SECONDS
killed=0
for number in "${selected[@]}"; do
    IFS='|' read -r binaries file from to why <<<"${mutants[number - 1]}"
    read -r -a binaries <<<"$binaries"
    path="$root/$file"
    cp "$path" "$backup"
    current="$path"
    if ! FROM="$from" TO="$to" python3 - "$path" <<'EOF'; then
import os, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
unescape = lambda s: s.replace("¶", "\n").replace(" or ", " || ")
old, new = unescape(os.environ["FROM"]), unescape(os.environ["TO"])
found = text.count(old)
if found != 1:
    sys.exit(f"{path}: the mutated text occurs {found} times, not once")
open(path, "w", encoding="utf-8").write(text.replace(old, new))
EOF
        restore
        echo "mutant $number ($file): STALE, the text to mutate is not there once"
        continue
    fi
    if ! build_tests "${binaries[@]}"; then
        restore
        echo "mutant $number ($file): DID NOT BUILD"
        tail -20 "$log"
        continue
    fi
    killers=()
    for binary in "${binaries[@]}"; do
        exe=$(find "$build" -type f -name "$binary" -perm -u+x | head -n 1)
        [[ -n "$exe" ]] || { echo "no test binary $binary in $build"; exit 2; }
        # The JACK tests take the lock their ctest entry takes: one run on the machine at a time.
        wrapper=()
        [[ "$binary" == *_jack_tests ]] && wrapper=(flock /tmp/glimmark-jack-tests.lock)
        if ! QT_QPA_PLATFORM=offscreen timeout 300 "${wrapper[@]}" "$exe" --gtest_brief=1 \
            --gtest_filter="${filters[$binary]:-*}" >"$log" 2>&1; then
            mapfile -t failed < <(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_/]*\.[A-Za-z0-9_/]*\).*/\1/p' "$log" |
                sort -u)
            killers+=("$binary:" "${failed[@]:-crashed or timed out}")
        fi
    done
    restore
    if ((${#killers[@]})); then
        echo "mutant $number ($file: $why): KILLED by ${killers[*]}"
        killed=$((killed + 1))
    else
        echo "mutant $number ($file: $why): SURVIVED"
    fi
done

# Leave the build as the tree stands again.
build_tests "${needed[@]}" || echo "warning: the restored tree did not rebuild; see $build"
echo "killed $killed of ${#selected[@]} (of $total mutants) in $((SECONDS - started)) s"
((killed == ${#selected[@]}))
