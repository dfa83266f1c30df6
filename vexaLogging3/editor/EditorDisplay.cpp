// Showing the current record in the editor and stepping through the log.

#include <tuple>
#include <utility>

#include "editor/TimecodeEntry.h"
#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::clearEditor() {
    m_shownRecord = 0;
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
    // belongs to the record on show and is stored when the user commits it.
    const auto typing = [](const platform::TextField* f) {
        return f->isEdited() && f->hasKeyboard();
    };
    const bool sameRecord =
        m_shownRecord != 0 && logStartArray.recordKey(logEditPos) == m_shownRecord;
    if (!typing(outlets.txtEditNr))
        outlets.txtEditNr->setText(field(kFieldNumber));
    if (!(sameRecord && typing(outlets.txtEditStart)))
        outlets.txtEditStart->setText(field(kFieldStart));
    if (!(sameRecord && typing(outlets.txtEditStop)))
        outlets.txtEditStop->setText(field(kFieldStop));
    m_shownRecord = logStartArray.recordKey(logEditPos);
    outlets.txtEditTod->setText(field(kFieldTimeOfDay));
    outlets.txtEditDate->setText(field(kFieldDate));
    outlets.txtEditComment1->setText(field(kFieldComment1));
    outlets.txtEditComment2->setText(field(kFieldComment2));
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
        // As committing the field would store it: the start is never empty, an empty stop
        // opens the record.
        std::string text = shown->text();
        if (!(k == kFieldStop && text.empty()))
            text = timecode_entry::normalise(text);
        shown->setText(text);
        const std::size_t index = LogList::indexOf(record, k);
        if (text != logStartArray.text(index)) {
            EditStep step(*this, name);
            storeValue(index, std::move(text));
            editChangeFlag = 1;
        }
    }
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
