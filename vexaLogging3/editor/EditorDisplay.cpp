// Showing the current record in the editor and stepping through the log.

#include <algorithm>
#include <iterator>
#include <tuple>
#include <utility>

#include "editor/TimecodeEntry.h"
#include "vexaLogging3AppDelegate.h"

namespace {

// A typed time as committing its field would store it: the start is never empty, an empty
// stop opens the record. Comments are stored as typed.
std::string asStored(int k, std::string text) {
    if (k == kFieldStart || (k == kFieldStop && !text.empty()))
        return timecode_entry::normalise(text);
    return text;
}

}  // namespace

void vexaLogging3AppDelegate::clearEditor() {
    m_shownRecord = 0;
    m_followHeld = 0;
    m_typedSinceCommit = false;
    for (platform::TextField* field :
         {outlets.txtEditNr, outlets.txtEditStart, outlets.txtEditStop, outlets.txtEditDuration,
          outlets.txtEditTod, outlets.txtEditDate, outlets.txtEditComment1,
          outlets.txtEditComment2})
        field->setText("");
    outlets.imgEdit->clearPicture();
    outlets.imgEditNext->clearPicture();
    outlets.imgEditPre->clearPicture();
    outlets.editorPosition->editorShows(0, logStartArray.recordCount());
}

void vexaLogging3AppDelegate::LogEditInit() {
    clearEditor();
    for (platform::TextField* field :
         {outlets.txtLogNr, outlets.txtLogStart, outlets.txtLogStop, outlets.txtLogDuration,
          outlets.txtLogTod, outlets.txtLogDate})
        field->setText("");
    logEditPos = 1;
    // No take of this log has started yet: a stop without one completes the last record.
    m_openTake = 0;
    // The log is starting afresh: steps of the one before must not touch it.
    m_editHistory.clear();
    showUndoState();
}

void vexaLogging3AppDelegate::LogActualWrite() {
    storeTypedText(false);
    if (!logStartArray.hasRecords()) {
        clearEditor();
        return;
    }
    const auto field = [this](int k) {
        return logStartArray.text(LogList::indexOf(logEditPos, k));
    };
    // A device event or a chase step refreshes the editor while the user types. A number
    // being typed is where to go next, whatever record is on show; a time being typed
    // belongs to the record on show and is stored when the user commits it. In full screen
    // nothing is stored: whatever was typed on the record waits in its field.
    const auto typing = [](const platform::TextField* f) {
        return f->isEdited() && f->hasKeyboard();
    };
    const bool sameRecord =
        m_shownRecord != 0 && logStartArray.recordKey(logEditPos) == m_shownRecord;
    const auto waits = [&](const platform::TextField* f) {
        return sameRecord && (typing(f) || (fullScreenMode && f->isEdited()));
    };
    if (!typing(outlets.txtEditNr))
        outlets.txtEditNr->setText(field(kFieldNumber));
    for (const auto& [shown, k] :
         {std::pair{outlets.txtEditStart, kFieldStart}, std::pair{outlets.txtEditStop, kFieldStop},
          std::pair{outlets.txtEditComment1, kFieldComment1},
          std::pair{outlets.txtEditComment2, kFieldComment2}})
        if (!waits(shown))
            shown->setText(field(k));
    if (!sameRecord) {
        // Another record: whatever held Follow back belonged to the one before.
        m_typedSinceCommit = false;
        m_followHeld = 0;
    }
    m_shownRecord = logStartArray.recordKey(logEditPos);
    outlets.txtEditTod->setText(field(kFieldTimeOfDay));
    outlets.txtEditDate->setText(field(kFieldDate));
    // The duration is never stored: it is what the two shown times give.
    outlets.txtEditDuration->setText(
        DurationCalculate(outlets.txtEditStart->text(), outlets.txtEditStop->text()));
    LogImageRefresh();
    outlets.editorPosition->editorShows(logEditPos, logStartArray.recordCount());
}

void vexaLogging3AppDelegate::LogImageRefresh() {
    if (logEditPos < 1 || logEditPos > logStartArray.recordCount())
        return;
    const auto pictureOf = [this](int record) -> const Picture& {
        return logStartArray.picture(LogList::indexOf(record, kFieldPicture));
    };
    // The neighbours first, so that they are decoded while the current picture is (each will
    // be the current one after a step), then the ones a step further, which a step brings into
    // the side views: the next step either way finds its new picture ready.
    const int count = logStartArray.recordCount();
    for (const int away : {1, 2}) {
        platform::ImageView* next = away == 1 ? outlets.imgEdit : outlets.imgEditNext;
        platform::ImageView* previous = away == 1 ? outlets.imgEdit : outlets.imgEditPre;
        if (logEditPos + away <= count)
            next->pictureAhead(pictureOf(logEditPos + away));
        if (logEditPos - away >= 1)
            previous->pictureAhead(pictureOf(logEditPos - away));
    }
    outlets.imgEdit->showPicture(pictureOf(logEditPos));
    if (logEditPos < logStartArray.recordCount())
        outlets.imgEditNext->showPicture(pictureOf(logEditPos + 1));
    else
        outlets.imgEditNext->clearPicture();
    if (logEditPos > 1)
        outlets.imgEditPre->showPicture(pictureOf(logEditPos - 1));
    else
        outlets.imgEditPre->clearPicture();
}

void vexaLogging3AppDelegate::LogEditCommentSichern() {
    if (!logStartArray.hasRecords() || logEditPos < 1 || logEditPos > logStartArray.recordCount())
        return;
    EditStep step(*this, "Comment");
    const auto store = [this](platform::TextField* shown, int k) {
        const std::size_t index = LogList::indexOf(logEditPos, k);
        std::string text = shown->text();
        // Stored, the text is no longer the user's alone: a refresh after an undo must show
        // the record, not put this text back.
        if (shown->isEdited())
            shown->setText(text);
        if (text != logStartArray.text(index)) {
            storeValue(index, std::move(text));
            editChangeFlag = 1;
        }
    };
    store(outlets.txtEditComment1, kFieldComment1);
    store(outlets.txtEditComment2, kFieldComment2);
}

void vexaLogging3AppDelegate::storeTypedText(bool evenWhileTyped) {
    const int record = logStartArray.findRecord(m_shownRecord, logEditPos);
    if (record == 0)
        return;
    // Stored by a refresh, the text is still the user's work in progress.
    for (const platform::TextField* f : {outlets.txtEditComment1, outlets.txtEditComment2,
                                         outlets.txtEditStart, outlets.txtEditStop})
        m_typedSinceCommit = m_typedSinceCommit || (!evenWhileTyped && f->isEdited());
    // Full screen changes nothing in the log: the text waits in its field for the record's
    // return. Only an editor leaving the record takes it along, as a step would.
    if (fullScreenMode && record == logEditPos)
        return;
    if (outlets.txtEditComment1->isEdited() || outlets.txtEditComment2->isEdited()) {
        // The comments go where they were typed, wherever the position has moved meanwhile.
        const int position = std::exchange(logEditPos, record);
        LogEditCommentSichern();
        logEditPos = position;
    }
    for (const auto& [shown, k, name] :
         {std::tuple{outlets.txtEditStart, kFieldStart, "Start Time"},
          std::tuple{outlets.txtEditStop, kFieldStop, "Stop Time"}}) {
        if (!shown->isEdited() || (!evenWhileTyped && record == logEditPos && shown->hasKeyboard()))
            continue;
        std::string text = asStored(k, shown->text());
        shown->setText(text);
        const std::size_t index = LogList::indexOf(record, k);
        if (text != logStartArray.text(index)) {
            EditStep step(*this, name);
            storeValue(index, std::move(text));
            editChangeFlag = 1;
        }
    }
}

std::vector<std::pair<std::size_t, std::string>> vexaLogging3AppDelegate::typedNotStored() const {
    std::vector<std::pair<std::size_t, std::string>> typed;
    const int record = logStartArray.findRecord(m_shownRecord, logEditPos);
    if (record == 0)
        return typed;
    for (const auto& [shown, k] : {std::pair{outlets.txtEditComment1, kFieldComment1},
                                   std::pair{outlets.txtEditComment2, kFieldComment2},
                                   std::pair{outlets.txtEditStart, kFieldStart},
                                   std::pair{outlets.txtEditStop, kFieldStop}}) {
        if (!shown->isEdited())
            continue;
        const std::size_t index = LogList::indexOf(record, k);
        std::string text = asStored(k, shown->text());
        if (text != logStartArray.text(index))
            typed.emplace_back(index, std::move(text));
    }
    return typed;
}

bool vexaLogging3AppDelegate::typingOnShownRecord() const {
    const platform::TextField* fields[] = {outlets.txtEditComment1, outlets.txtEditComment2,
                                           outlets.txtEditStart, outlets.txtEditStop};
    const auto any = [&fields](bool (platform::TextField::*test)() const) {
        return std::any_of(std::begin(fields), std::end(fields),
                           [test](const platform::TextField* f) { return (f->*test)(); });
    };
    // A refresh stores typed comments as they stand; the keyboard left in the field says the
    // user is not done with them.
    return any(&platform::TextField::isEdited) ||
           (m_typedSinceCommit && outlets.chkEditModeVal->isOn() &&
            any(&platform::TextField::hasKeyboard));
}

void vexaLogging3AppDelegate::txtEditCommentChg() {
    // Full screen changes nothing in the log, and a save or an open reads it meanwhile: the
    // text waits in its field.
    if (fullScreenMode || m_documentBusy)
        return;
    const int record = logStartArray.findRecord(m_shownRecord, logEditPos);
    if (record == 0)
        return;
    const int position = std::exchange(logEditPos, record);
    LogEditCommentSichern();
    logEditPos = position;
    m_typedSinceCommit = false;
}

void vexaLogging3AppDelegate::showRecordNumber() {
    const int record = logStartArray.findRecord(m_shownRecord, logEditPos);
    outlets.txtEditNr->setText(
        record == 0 ? std::string() : logStartArray.text(LogList::indexOf(record, kFieldNumber)));
}

void vexaLogging3AppDelegate::LogNaechster() {
    if (!logStartArray.hasRecords())
        return;
    LogEditCommentSichern();
    if (logEditPos < logStartArray.recordCount())
        ++logEditPos;
    LogActualWrite();
}
