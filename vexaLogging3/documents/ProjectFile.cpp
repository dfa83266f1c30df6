// The project file: writing the LogList, reading one back, and the document's path and
// name that go with it.

#include "loglist/Timecode.h"
#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

namespace {

constexpr std::string_view kProjectExtension = "vlg";
constexpr std::size_t kHeaderEntries = 10;

bool isValidProject(const std::vector<LogValue>& entries) {
    if (entries.size() <= 9)
        return false;
    const auto* mark = std::get_if<std::string>(&entries.front());
    return mark != nullptr && *mark == "Glimmark";
}

// The number field of the last record: the entry ten places before the end.
std::int32_t lastRecordNumber(const std::vector<LogValue>& entries) {
    const auto* number = std::get_if<std::string>(&entries[entries.size() - kHeaderEntries]);
    return number == nullptr ? 0 : timecode::intValue(*number);
}

// The list holds whole records only; a file whose entries do not fill its last record gets
// that record completed with empty values rather than losing what it holds.
void appendAsRecords(LogList& list, std::vector<LogValue>& entries) {
    // Built aside and moved in whole, so that a view of the log takes a long file in as one
    // change rather than one per record.
    LogList built = list;
    for (std::size_t first = 0; first < entries.size(); first += kFieldsPerRecord) {
        LogRecord record{std::string(), std::string(), std::string(), std::string(), std::string(),
                         std::string(), std::string(), std::string(), std::string(), Picture()};
        for (std::size_t k = 0; k < kFieldsPerRecord && first + k < entries.size(); ++k)
            record[k] = std::move(entries[first + k]);
        built.append(std::move(record));
    }
    list = std::move(built);
}

}  // namespace

void vexaLogging3AppDelegate::CreateNewFile() {
    LogStartArrayInit();
    editChangeFlag = 0;
    setPathString("Untitled");
    setWindowTitles();
}

void vexaLogging3AppDelegate::LogSave() {
    writeProjectFile();
}

bool vexaLogging3AppDelegate::writeProjectFile() {
    // A log of nothing but its header is not written, and that is no failure.
    if (logStartArray.count() <= kHeaderEntries)
        return true;
    LogEditCommentSichern();
    waitForPictures();
    const std::string path = pathString;
    std::string error;
    if (m_services.propertyLists == nullptr) {
        error = "this program cannot write project files";
    } else if (path.empty()) {
        error = "no file name";
    } else {
        DeviceEventHold hold(*this);
        runDocumentWork("Saving \"" + document::lastPathComponent(path) + "\"…",
                        [&](const platform::Dialogs::Progress& progress) {
                            error =
                                m_services.propertyLists->writeArray(path, logStartArray, progress);
                        });
        // Cleared before the held device events run: a log that arrived meanwhile is not in
        // the file and counts as a change.
        if (error.empty())
            editChangeFlag = 0;
    }
    if (!error.empty()) {
        // The changes are still only in memory: the flag keeps saying so.
        showFileAlert("The file", path, error);
        return false;
    }
    return true;
}

bool vexaLogging3AppDelegate::SaveAsPanel() {
    std::string proposed =
        pathString.empty() ? std::string("Untitled") : document::lastPathComponent(pathString);
    if (!document::hasExtension(proposed, kProjectExtension))
        proposed += ".vlg";
    const std::optional<std::string> chosen =
        outlets.dialogs->runSaveDialog(proposed, kProjectExtension, fileDialog("Save Log As"));
    if (!chosen)
        return false;
    // The titles show the name as typed, the file gets the program's extension.
    std::string path = *chosen;
    if (!document::hasExtension(path, kProjectExtension))
        path += ".vlg";
    setPathString(std::move(path));
    setWindowTitles();
    return true;
}

bool vexaLogging3AppDelegate::OpenFileDialog() {
    const std::optional<std::string> chosen =
        outlets.dialogs->runOpenDialog(kProjectExtension, fileDialog("Open Log"));
    if (!chosen)
        return false;
    setPathString(*chosen);
    setWindowTitles();
    return true;
}

void vexaLogging3AppDelegate::LogOpen() {
    const std::string previousPath = pathString;
    if (!OpenFileDialog())
        return;
    readProjectAtPath(previousPath);
}

void vexaLogging3AppDelegate::openFile(const std::string& path) {
    if (!savePromptAllowsGoingOn("Do you want to save changes before opening another file?"))
        return;
    const std::string previousPath = pathString;
    setPathString(path);
    setWindowTitles();
    readProjectAtPath(previousPath);
}

void vexaLogging3AppDelegate::readProjectAtPath(const std::string& previousPath) {
    std::string refusal;
    {
        DeviceEventHold hold(*this);
        platform::PropertyListFiles::ReadResult read;
        const std::string path = pathString;
        if (m_services.propertyLists != nullptr) {
            runDocumentWork("Opening \"" + document::lastPathComponent(path) + "\"…",
                            [&](const platform::Dialogs::Progress& progress) {
                                read = m_services.propertyLists->readArray(path, progress);
                            });
        }
        // The reasons are glimmark-cli's, so that the window and a script tell the same story.
        if (!read.error.empty())
            refusal = read.error;
        else if (!isValidProject(read.entries))
            refusal = "Cannot open " + path + ": not a Glimmark project file";
        else if (lastRecordNumber(read.entries) == 0)
            refusal = "Cannot open " + path + ": its last record has no number";
        if (!refusal.empty()) {
            // What could not be read replaces nothing: the log on show stays, with its path,
            // its titles and its unsaved changes, as after an exchange file that is refused.
            setPathString(previousPath);
            setWindowTitles();
        } else {
            logStartArray.clear();
            LogEditInit();
            logNr = lastRecordNumber(read.entries);
            appendAsRecords(logStartArray, read.entries);
            restoreFrameRate();
            logEditPos = 1;
            editChangeFlag = 0;
            LogActualWrite();
        }
    }
    if (!refusal.empty())
        outlets.dialogs->runAlert("Glimmark Warning", "No valid file!\n" + refusal, "OK");
}

void vexaLogging3AppDelegate::restoreFrameRate() {
    // The log's own rate now stands, not one the machine set. A code that names no rate
    // leaves the buttons as they are.
    showRateNotice("");
    const int code = timecode::intValue(logStartArray.text(kHeaderFrameRate));
    if (code == 0 || code == 32 || code == 64 || code == 96)
        showFrameRate(static_cast<std::uint8_t>(code));
}

bool vexaLogging3AppDelegate::loadProjectEntries(std::vector<LogValue>& entries) {
    if (!isValidProject(entries) || lastRecordNumber(entries) == 0)
        return false;
    logStartArray.clear();
    LogEditInit();
    logNr = lastRecordNumber(entries);
    appendAsRecords(logStartArray, entries);
    restoreFrameRate();
    logEditPos = 1;
    LogActualWrite();
    return true;
}
