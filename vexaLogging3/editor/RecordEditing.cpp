// Making and removing records by hand: add, insert, delete, and the one-record clipboard.

#include <algorithm>
#include <cstdio>

#include "loglist/Timecode.h"
#include "vexaLogging3AppDelegate.h"

bool vexaLogging3AppDelegate::currentRecordExists() const {
    return logEditPos >= 1 && logEditPos <= logStartArray.recordCount();
}

LogRecord vexaLogging3AppDelegate::blankRecord(std::string number) const {
    // Time of day and date from one reading of the clock.
    const platform::LocalTime now = m_services.clock.now();
    char timeOfDay[32];
    char date[32];
    std::snprintf(timeOfDay, sizeof timeOfDay, "%02d:%02d:%02d", now.hour, now.minute, now.second);
    std::snprintf(date, sizeof date, "%02d.%02d.%04d", now.day, now.month, now.year);
    return {std::move(number), std::string("00:00:00:00"), std::string(),
            std::string(),     std::string(timeOfDay),     std::string(),
            std::string(),     std::string(date),          std::string(),
            Picture()};
}

void vexaLogging3AppDelegate::btnEditLogAdd() {
    if (fullScreenMode)
        return;
    // What was typed into the comments belongs to the record on show, not to the refresh.
    LogEditCommentSichern();
    const int m = static_cast<int>(logStartArray.count() / kFieldsPerRecord);
    // With no record this reads the header's product name, whose value is 0.
    const long long last =
        timecode::intValue(logStartArray.text(LogList::indexOf(m - 1, kFieldNumber)));
    EditStep step(*this, "Add Record");
    if (!insertRecordValues(m, blankRecord(std::to_string(last + 1))))
        return;
    logEditPos = m;
    // Counted, never wrapped: past the highest number the log keeps its highest.
    logNr = static_cast<std::int32_t>(std::min<long long>(logNr + 1LL, INT32_MAX));
    LogActualWrite();
    editChangeFlag = 1;
}

void vexaLogging3AppDelegate::btnEditLogInsert() {
    // Position 0 would put the record before the header; past the end there is no place.
    if (fullScreenMode || logEditPos < 1 || logEditPos > logStartArray.recordCount() + 1)
        return;
    LogEditCommentSichern();
    EditStep step(*this, "Insert Record");
    if (!insertRecordValues(logEditPos, blankRecord("0")))
        return;
    if (logNr == 0)
        logNr = 1;
    LogActualWrite();
    editChangeFlag = 1;
}

void vexaLogging3AppDelegate::btnEditLogDelete() {
    if (fullScreenMode || logStartArray.recordCount() < 2 || !currentRecordExists())
        return;
    if (outlets.dialogs->runAlert("Warning", "Do you want to delete current log?", "Delete",
                                  "Cancel") != platform::kAlertDefault)
        return;
    // A still still being encoded goes into the record first, so an undo brings it back too.
    waitForPictures();
    LogEditCommentSichern();
    EditStep step(*this, "Delete Record");
    removeRecordValues(logEditPos);
    if (logEditPos > 1)
        --logEditPos;
    LogActualWrite();
    editChangeFlag = 1;
}

void vexaLogging3AppDelegate::btnEditCopy() {
    if (fullScreenMode || !currentRecordExists())
        return;
    // The record as the user sees it, comments typed a moment ago included, and with the
    // still of its log start once that is encoded.
    waitForPictures();
    LogEditCommentSichern();
    m_cutRecord = 0;
    logEditArrayPuffer.clear();
    for (int k = 0; k < kFieldsPerRecord; ++k)
        logEditArrayPuffer.push_back(logStartArray.value(LogList::indexOf(logEditPos, k)));
}

void vexaLogging3AppDelegate::btnEditCut() {
    // Any record can be cut, the first too, as long as one stays: the editor always has a
    // record to show once the log has had one.
    if (fullScreenMode || logStartArray.recordCount() < 2 || !currentRecordExists())
        return;
    btnEditCopy();
    m_cutRecord = logStartArray.recordKey(logEditPos);
    EditStep step(*this, "Cut Record");
    removeRecordValues(logEditPos);
    if (static_cast<int>(logStartArray.count() / kFieldsPerRecord) <= logEditPos)
        --logEditPos;
    LogActualWrite();
    editChangeFlag = 1;
}

void vexaLogging3AppDelegate::btnEditPaste() {
    if (fullScreenMode || logEditPos < 1 || logEditPos > logStartArray.recordCount() + 1 ||
        logEditArrayPuffer.size() != static_cast<std::size_t>(kFieldsPerRecord))
        return;
    LogEditCommentSichern();
    LogRecord record;
    std::copy(logEditArrayPuffer.begin(), logEditArrayPuffer.end(), record.begin());
    EditStep step(*this, "Paste Record");
    // Only one record can carry the cut record's key: a second paste is a copy. A move
    // takes its number along, whatever other record shares it, and asks nothing.
    const LogList::RecordKey key =
        logStartArray.findRecord(m_cutRecord, logEditPos) == 0 ? m_cutRecord : 0;
    if ((key == 0 && !numberForPaste(record)) ||
        !insertRecordValues(logEditPos, std::move(record), key))
        return;
    LogActualWrite();
    editChangeFlag = 1;
}

bool vexaLogging3AppDelegate::numberForPaste(LogRecord& record) {
    // A copy would carry the number of a record still in the log, and a jump to that number finds
    // only one of them: the user decides, and by default the copy gets a number no record has.
    const std::string* number = std::get_if<std::string>(&record[kFieldNumber]);
    if (number == nullptr || m_searchIndex.findNumber(logStartArray, *number) == 0)
        return true;
    long long highest = logNr;
    for (int r = 1; r <= logStartArray.recordCount(); ++r)
        highest = std::max<long long>(
            highest, timecode::intValue(logStartArray.text(LogList::indexOf(r, kFieldNumber))));
    const std::string fresh = std::to_string(highest + 1);
    const int answer =
        outlets.dialogs->runAlert("Record number " + *number + " is already in the log.",
                                  "The pasted record can take the new number " + fresh +
                                      ", or keep " + *number + " beside the record that has it.",
                                  "New Number", "Cancel", "Keep Number");
    if (answer == platform::kAlertAlternate)
        return false;
    if (answer == platform::kAlertDefault) {
        record[kFieldNumber] = fresh;
        // The device numbers its next log after this one.
        logNr = static_cast<std::int32_t>(std::min<long long>(highest + 1, INT32_MAX));
    }
    return true;
}
