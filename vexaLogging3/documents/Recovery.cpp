// Keeping the unsaved log safe from a crash: a journal of its changes written while it
// changes, what the user is told when that fails, and the offer to restore it at the next
// start.

#include <ctime>

#include "documents/RecoveryFile.h"
#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

namespace {

// A journal entry costs the change, not the log, so the copy can follow the log closely: a
// kill costs at most a second or two of it.
constexpr std::chrono::seconds kRecoveryInterval{1};
constexpr std::chrono::milliseconds kRecoveryCheck{1000};
// How long the status line says that the copy is written again.
constexpr std::chrono::milliseconds kRecoveredNoticeShown{10000};
const std::string kRecoveredNotice = "  Crash copy written again";

std::string localDateTime(std::int64_t secondsSinceEpoch) {
    const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &local);
    return text;
}

}  // namespace

void vexaLogging3AppDelegate::startRecovery() {
    if (recoveryDirectory.empty() || m_recovery)
        return;
    // The report comes from the writing thread; the window hears of it on the main thread.
    m_recovery = std::make_unique<RecoveryFile>(recoveryDirectory, [this](const std::string& why) {
        handOver([this, why] { recoveryWriteReported(why); });
    });
    if (!m_recovery->usable()) {
        m_services.systemLog.write("cannot keep a recovery file in " + recoveryDirectory);
        m_recovery.reset();
        // Nothing guards the unsaved log against a crash in this run: the status line says so
        // for as long as it runs, as it does after a failed write.
        m_recoveryNotice = "  No crash copy: cannot write to " + recoveryDirectory;
        outlets.statusText->setText(m_recoveryNotice);
        return;
    }
    m_services.timers.startRepeating(kRecoveryCheck, [this] { keepRecoveryFile(false); });
}

void vexaLogging3AppDelegate::keepRecoveryFile(bool now) {
    if (!m_recovery || m_documentBusy)
        return;
    // Text typed into the editor and not stored yet is the user's too: the journal carries it
    // in its record, while the log itself waits for the user to close the typing.
    auto typed = typedNotStored();
    // Saved, new or just opened: nothing needs restoring. The journal says so, and goes on
    // following the log, so that the changes after a save are kept as before.
    if (editChangeFlag != 1 && typed.empty()) {
        if (m_recoveryOnDisk) {
            m_recovery->save(logStartArray, pathString, false, std::time(nullptr));
            m_recoveryOnDisk = false;
        }
        return;
    }
    const auto clock = std::chrono::steady_clock::now();
    if (m_recoveryOnDisk && m_recoveryRevision == logStartArray.revision() &&
        typed == m_recoveryTyped)
        return;
    if (!now && m_recoveryOnDisk && clock - m_recoveryWritten < kRecoveryInterval)
        return;
    // A copy of the texts; the pictures are shared, so this stays cheap for a long log.
    LogList snapshot = logStartArray;
    for (const auto& [index, text] : typed) snapshot.replace(index, text);
    m_recovery->save(std::move(snapshot), pathString, true, std::time(nullptr));
    m_recoveryTyped = std::move(typed);
    m_recoveryRevision = logStartArray.revision();
    m_recoveryWritten = clock;
    m_recoveryOnDisk = true;
}

void vexaLogging3AppDelegate::discardRecovery() {
    if (!m_recovery)
        return;
    // The journal goes when the program ends; should it not end after all, the changes that
    // follow are kept again.
    m_recovery->save(logStartArray, pathString, false, std::time(nullptr));
    m_recoveryOnDisk = false;
}

void vexaLogging3AppDelegate::recoveryWriteReported(const std::string& failure) {
    if (failure.empty()) {
        if (m_recoveryFailure.empty())
            return;
        m_recoveryFailure.clear();
        m_recoveryNotice = kRecoveredNotice;
        outlets.statusText->setText(m_recoveryNotice);
        m_services.timers.singleShot(kRecoveredNoticeShown, [this] {
            if (m_recoveryNotice == kRecoveredNotice)
                m_recoveryNotice.clear();
        });
        return;
    }
    // The next change tries again; the user is told once, and the status line keeps saying
    // it until a write succeeds.
    const bool first = m_recoveryFailure.empty();
    m_recoveryFailure = failure;
    m_recoveryNotice = "  No crash copy: " + failure;
    outlets.statusText->setText(m_recoveryNotice);
    if (first)
        outlets.dialogs->runAlert("Glimmark Warning",
                                  "The copy that keeps the unsaved log safe from a crash could not "
                                  "be written to \"" +
                                      m_recovery->directory() + "\": " + failure +
                                      ". It is tried again at the next change.",
                                  "OK");
}

std::string vexaLogging3AppDelegate::withRecoveryNotice(std::string status) const {
    return status + m_recoveryNotice + m_logNumberNotice + m_strayStopNotice + m_rateNotice;
}

void vexaLogging3AppDelegate::offerRecovery() {
    if (recoveryDirectory.empty())
        return;
    // Stills under way find their records by key; a restore puts the records under new keys.
    waitForPictures();
    bool restored = false;
    {
        // Device events wait for the answer, and are then logged on top of the log it leaves.
        DeviceEventHold hold(*this);
        restored = offerLeftBehind();
        // The log goes on where it stood: the newest record on show, so that Follow takes up
        // the takes that come.
        if (restored && logStartArray.hasRecords()) {
            logEditPos = logStartArray.recordCount();
            LogActualWrite();
        }
    }
    // After the events held meanwhile, so that the first copy holds them too.
    if (restored)
        handOver([this] { keepRecoveryFile(true); });
}

recovery::JournalContents vexaLogging3AppDelegate::readProjectCopy(
    const RecoveryFile::LeftBehind& copy) {
    recovery::JournalContents contents;
    if (m_services.propertyLists == nullptr) {
        contents.error = "project files cannot be read here";
        return contents;
    }
    platform::PropertyListFiles::ReadResult read =
        m_services.propertyLists->readArray(copy.file());
    contents.readable = read.error.empty() && read.entries.size() >= kFieldsPerRecord;
    contents.error = read.error.empty() ? "No valid file!" : read.error;
    contents.unsaved = true;
    contents.entries = std::move(read.entries);
    contents.documentPath = copy.documentPathBeside();
    contents.changed = copy.modified();
    return contents;
}

bool vexaLogging3AppDelegate::offerLeftBehind() {
    for (RecoveryFile::LeftBehind& candidate : RecoveryFile::leftBehind(recoveryDirectory)) {
        recovery::JournalContents contents;
        runDocumentWork("Reading the unsaved log…",
                        [&](const platform::Dialogs::Progress&) {
                            contents = candidate.isProjectCopy() ? readProjectCopy(candidate)
                                                                 : candidate.read();
                        });
        if (!contents.readable) {
            const std::string aside = candidate.setAside();
            outlets.dialogs->runAlert("Glimmark Warning",
                                      "The unsaved log in \"" + candidate.file() +
                                          "\" cannot be read: " + contents.error +
                                          ". It was kept as \"" + aside + "\".",
                                      "OK");
            continue;
        }
        if (!contents.unsaved) {
            candidate.remove();
            continue;
        }
        const std::size_t records = contents.entries.size() / kFieldsPerRecord - 1;
        const std::string name = document::displayName(
            contents.documentPath.empty() ? "Untitled" : contents.documentPath);
        // Escape and closing the question answer "Decide Later": the journal stays where it is,
        // offered again at the next start. Only the Discard button gives it up, and even then
        // it is moved aside, not deleted.
        const int answer = outlets.dialogs->runAlert(
            "Glimmark",
            "Restore the unsaved log \"" + name + "\" with " + std::to_string(records) +
                (records == 1 ? " record" : " records") + ", last changed " +
                localDateTime(contents.changed) + "?",
            "Restore", "Decide Later", "Discard");
        if (answer == platform::kAlertOther)
            candidate.discard();
        if (answer != platform::kAlertDefault)
            continue;
        // Takes logged before the question came keep their place after the restored ones.
        std::vector<LogRecord> meanwhile;
        for (int record = 1; record <= logStartArray.recordCount(); ++record) {
            LogRecord values;
            for (int k = 0; k < kFieldsPerRecord; ++k)
                values[k] = logStartArray.value(LogList::indexOf(record, k));
            meanwhile.push_back(std::move(values));
        }
        if (!loadProjectEntries(contents.entries)) {
            const std::string aside = candidate.setAside();
            outlets.dialogs->runAlert(
                "Glimmark Warning",
                "The unsaved log could not be restored: No valid file! It was kept as \"" + aside +
                    "\".",
                "OK");
            continue;
        }
        for (LogRecord& values : meanwhile) {
            values[kFieldNumber] = std::to_string(++logNr);
            logStartArray.append(std::move(values));
        }
        // It is the same document as before the crash, with its changes still unsaved.
        setPathString(contents.documentPath.empty() ? std::string("Untitled")
                                                    : contents.documentPath);
        setWindowTitles();
        editChangeFlag = 1;
        // Until this program's copy is on disk, the old one is all there is.
        if (m_recovery)
            m_recovery->replaces(std::move(candidate));
        return true;
    }
    return false;
}
