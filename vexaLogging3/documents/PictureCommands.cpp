// Export Picture… and Export All Pictures…: the stored pictures as JPEG files.

#include "documents/PictureExport.h"
#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

namespace {

constexpr std::string_view kPictureExtension = "jpg";

std::string proposedName(const std::string& path) {
    return path.empty() ? std::string("Untitled")
                        : pictures::withoutExtension(document::lastPathComponent(path));
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void vexaLogging3AppDelegate::btnPictureExport() {
    if (fullScreenMode || !logStartArray.hasRecords())
        return;
    waitForPictures();
    const Picture picture = logStartArray.picture(LogList::indexOf(logEditPos, kFieldPicture));
    if (picture.size() <= 9)
        return;
    const std::optional<std::string> chosen = outlets.dialogs->runSaveDialog(
        proposedName(pathString), kPictureExtension, fileDialog("Export Picture"));
    if (!chosen)
        return;
    const pictures::ExportResult result = pictures::exportPicture(
        picture, pictures::withJpegExtension(*chosen), m_services.pictureConverter);
    if (result.failed > 0)
        outlets.dialogs->runAlert("Glimmark Warning",
                                  "The picture could not be written: " + result.firstError, "OK");
}

void vexaLogging3AppDelegate::btnPictureExportAll() {
    if (fullScreenMode || !logStartArray.hasRecords())
        return;
    // One answer gives the folder and the names' beginning: the dialog says so.
    platform::FileDialogPurpose purpose = fileDialog("Export All Pictures");
    purpose.nameLabel = "Names begin with:";
    purpose.acceptLabel = "Export All";
    const std::optional<std::string> chosen =
        outlets.dialogs->runSaveDialog(proposedName(pathString), kPictureExtension, purpose);
    if (!chosen)
        return;
    // Every file lands in the chosen folder, named from the chosen name less its extension.
    const std::string stemPath = pictures::withoutExtension(pictures::withJpegExtension(*chosen));
    pictures::ExportResult result;
    waitForPictures();
    // A copy shares the pictures with the log: the takes that come meanwhile go into the log.
    const LogList snapshot = logStartArray;
    outlets.dialogs->runCancellableProgress(
        "Exporting pictures…", [&](const platform::Dialogs::CancellableProgress& progress) {
            result = pictures::exportAllPictures(snapshot, folderOf(stemPath),
                                                 document::lastPathComponent(stemPath),
                                                 m_services.pictureConverter, progress);
        });
    if (result.failed > 0 && !result.cancelled)
        outlets.dialogs->runAlert("Glimmark Warning",
                                  "Pictures written: " + std::to_string(result.written) +
                                      ". Not written: " + std::to_string(result.failed) +
                                      ". The first that failed: " + result.firstError,
                                  "OK");
}
