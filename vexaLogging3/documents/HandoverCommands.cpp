// File > Export: EDL, CSV, ALE, Contact Sheet (PDF) and Report (HTML), for the cutting room.

#include "documents/PictureExport.h"
#include "handover/Handover.h"
#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::exportEdl() {
    exportHandover(handover::Format::Edl, "Export EDL");
}

void vexaLogging3AppDelegate::exportCsv() {
    exportHandover(handover::Format::Csv, "Export CSV");
}

void vexaLogging3AppDelegate::exportAle() {
    exportHandover(handover::Format::Ale, "Export ALE");
}

void vexaLogging3AppDelegate::exportContactSheet() {
    exportHandover(handover::Format::Pdf, "Export Contact Sheet");
}

void vexaLogging3AppDelegate::exportReport() {
    exportHandover(handover::Format::Html, "Export Report");
}

// The project's name names the files, heads them and gives the reel, as it names the pictures
// Export All Pictures writes.
std::string vexaLogging3AppDelegate::projectName() const {
    return pathString.empty() ? std::string("Untitled")
                              : pictures::withoutExtension(document::lastPathComponent(pathString));
}

namespace {

// The reel or tape name of a log saved as a file is asked once and kept for that file; an
// unsaved log has no file to keep it for, and is asked at each export. Nothing when the user
// cancels.
std::optional<std::string> reelFor(platform::Dialogs& dialogs, const std::string& path,
                                   const std::string& project) {
    const bool saved = !path.empty() && path != "Untitled";
    const std::string key = "reels/" + path;
    if (saved) {
        if (std::optional<std::string> known = dialogs.recalled(key))
            return known;
    }
    std::optional<std::string> reel =
        dialogs.runTextDialog("Reel or Tape Name", "The source's reel or tape name:", project);
    if (reel && saved)
        dialogs.remember(key, *reel);
    return reel;
}

}  // namespace

void vexaLogging3AppDelegate::exportHandover(handover::Format format, const char* command) {
    if (fullScreenMode)
        return;
    const std::string extension(handover::extensionOf(format));
    const std::string project = projectName();
    const std::optional<std::string> chosen = outlets.dialogs->runSaveDialog(
        project + "." + extension, extension, fileDialog(command));
    if (!chosen)
        return;
    std::string target = *chosen;
    if (!document::hasExtension(target, extension))
        target += "." + extension;
    if (target == pathString) {
        showFileAlert("The file", target, "it is this log's project file");
        return;
    }
    handover::Options options;
    options.title = project;
    options.pictureStem = project;
    if (format == handover::Format::Edl || format == handover::Format::Ale) {
        const std::optional<std::string> reel = reelFor(*outlets.dialogs, pathString, project);
        if (!reel)
            return;
        options.reel = *reel;
    }
    if (m_services.pdfWriter != nullptr)
        options.pageSize = m_services.pdfWriter->preferredPageSize();
    // The pictures still being encoded belong to their takes. What is being typed in the
    // editor is not taken in: an export leaves the log as it is. The copy shares the
    // pictures' bytes with the log, so it costs the texts only; the export reads it on a
    // thread of its own while the takes that come meanwhile go into the log and the live page.
    waitForPictures();
    const LogList snapshot = logStartArray;
    const handover::Services services{m_services.pdfWriter, m_services.pictureScaler};
    std::string error;
    outlets.dialogs->runCancellableProgress(
        "Exporting…", [&](const platform::Dialogs::CancellableProgress& progress) {
            error = handover::writeExport(format, snapshot, options, target, services, progress);
        });
    if (!error.empty() && error != handover::kCancelled)
        showFileAlert("The file", target, error);
}
