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
    // The pictures still being encoded belong to their takes. What is being typed in the
    // editor is not taken in: an export leaves the log as it is.
    waitForPictures();
    handover::Options options;
    options.title = project;
    options.pictureStem = project;
    if (m_services.pdfWriter != nullptr)
        options.pageSize = m_services.pdfWriter->preferredPageSize();
    const handover::Services services{m_services.pdfWriter, m_services.pictureScaler};
    std::string error;
    {
        DeviceEventHold hold(*this);
        runDocumentWork("Exporting…", [&](const platform::Dialogs::Progress& progress) {
            error = handover::writeExport(format, logStartArray, options, target, services,
                                          progress);
        });
    }
    if (!error.empty())
        showFileAlert("The file", target, error);
}
