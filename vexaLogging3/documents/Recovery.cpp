// Keeping the unsaved log safe from a crash: a copy written now and then while it changes,
// and the offer to restore it at the next start.

#include <ctime>

#include "documents/RecoveryFile.h"
#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

namespace {

// Often enough that a crash costs seconds, seldom enough that a long log with its pictures
// is not written over and over while the interface logs.
constexpr std::chrono::seconds kRecoveryInterval{5};
constexpr std::chrono::milliseconds kRecoveryCheck{1000};

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
    if (recoveryDirectory.empty() || m_services.propertyLists == nullptr || m_recovery)
        return;
    m_recovery = std::make_unique<RecoveryFile>(*m_services.propertyLists, recoveryDirectory);
    if (!m_recovery->usable()) {
        m_services.systemLog.write("cannot keep a recovery file in " + recoveryDirectory);
        m_recovery.reset();
        return;
    }
    m_services.timers.startRepeating(kRecoveryCheck, [this] { keepRecoveryFile(false); });
}

void vexaLogging3AppDelegate::keepRecoveryFile(bool now) {
    if (!m_recovery || m_documentBusy)
        return;
    // Saved, new or just opened: nothing on disk needs restoring.
    if (editChangeFlag != 1) {
        if (m_recoveryOnDisk) {
            m_recovery->discard();
            m_recoveryOnDisk = false;
        }
        return;
    }
    const auto clock = std::chrono::steady_clock::now();
    if (m_recoveryOnDisk && m_recoveryRevision == logStartArray.revision())
        return;
    if (!now && m_recoveryOnDisk && clock - m_recoveryWritten < kRecoveryInterval)
        return;
    // A copy of the texts; the pictures are shared, so this stays cheap for a long log.
    m_recovery->save(logStartArray, pathString);
    m_recoveryRevision = logStartArray.revision();
    m_recoveryWritten = clock;
    m_recoveryOnDisk = true;
}

void vexaLogging3AppDelegate::discardRecovery() {
    if (!m_recovery)
        return;
    m_recovery->discard();
    m_recovery.reset();
    m_recoveryOnDisk = false;
}

void vexaLogging3AppDelegate::offerRecovery() {
    if (recoveryDirectory.empty() || m_services.propertyLists == nullptr)
        return;
    const std::vector<RecoveryFile::LeftBehind> found = RecoveryFile::leftBehind(recoveryDirectory);
    if (found.empty())
        return;
    const RecoveryFile::LeftBehind& newest = found.front();
    const int answer = outlets.dialogs->runAlert(
        "Glimmark", "Restore the unsaved log from " + localDateTime(newest.modified) + "?",
        "Restore", "Discard");
    if (answer != platform::kAlertDefault) {
        RecoveryFile::remove(newest);
        return;
    }
    platform::PropertyListFiles::ReadResult read = m_services.propertyLists->readArray(newest.file);
    if (!loadProjectEntries(read.entries)) {
        // Kept for a later try: the file may only have been out of reach this time.
        outlets.dialogs->runAlert(
            "Glimmark Warning",
            "The unsaved log could not be restored: " +
                (read.error.empty() ? std::string("No valid file!") : read.error),
            "OK");
        return;
    }
    // It is the same document as before the crash, with its changes still unsaved.
    setPathString(newest.documentPath.empty() ? std::string("Untitled") : newest.documentPath);
    setWindowTitles();
    editChangeFlag = 1;
    RecoveryFile::remove(newest);
    keepRecoveryFile(true);
}
