// Export Log… and Import Log…: the log exchange file from the File menu.

#include "documents/ExchangeFile.h"
#include "documents/PictureExport.h"
#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

namespace {
constexpr std::string_view kExchangeExtension = "log";
}  // namespace

void vexaLogging3AppDelegate::LogSaveEdl() {
    if (fullScreenMode)
        return;
    // The exchange file goes where the user says, never over the project file: it holds no
    // pictures, and writing it there would lose them.
    const std::string name =
        pathString.empty() ? std::string("Untitled")
                           : pictures::withoutExtension(document::lastPathComponent(pathString));
    const std::optional<std::string> chosen =
        outlets.dialogs->runSaveDialog(name + ".log", kExchangeExtension, fileDialog("Export Log"));
    if (!chosen)
        return;
    std::string target = *chosen;
    if (!document::hasExtension(target, kExchangeExtension))
        target += ".log";
    if (target == pathString) {
        showFileAlert("The file", target, "it is this log's project file");
        return;
    }
    LogEditCommentSichern();
    const std::string error = exchange::writeExchangeFile(target, logStartArray);
    if (!error.empty())
        showFileAlert("The file", target, error);
}

void vexaLogging3AppDelegate::LogOpenEDL() {
    if (fullScreenMode)
        return;
    LogEditCommentSichern();
    if (!savePromptAllowsGoingOn("Do you want to save changes before opening another file?"))
        return;
    const std::optional<std::string> chosen =
        outlets.dialogs->runOpenDialog(kExchangeExtension, fileDialog("Import Log"));
    if (!chosen)
        return;
    exchange::ExchangeContent content = exchange::readExchangeFile(*chosen);
    if (!content.error.empty() || !content.hasDataMarker) {
        outlets.dialogs->runAlert("Glimmark Warning", "No valid file!", "OK");
        return;
    }
    // The imported log is a new document: saving it asks for a project file of its own
    // rather than writing over the exchange file.
    logStartArray = std::move(content.list);
    logNr = content.lastNumber;
    setPathString("Untitled");
    setWindowTitles();
    editChangeFlag = logStartArray.hasRecords() ? 1 : 0;
    LogEditInit();
    logEditPos = 1;
    LogActualWrite();
}
