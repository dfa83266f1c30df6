// The record's picture in the editor: deleted, or replaced from an image file.

#include "shell/DocumentName.h"
#include "vexaLogging3AppDelegate.h"

void vexaLogging3AppDelegate::btnEditPictureDelete() {
    // A log of one record has a picture to delete as much as a longer one.
    if (fullScreenMode || !currentRecordExists())
        return;
    const std::size_t index = LogList::indexOf(logEditPos, kFieldPicture);
    if (logStartArray.picture(index).empty())
        return;
    if (outlets.dialogs->runAlert("Warning", "Do you want to delete this picture?", "Delete",
                                  "Cancel") != platform::kAlertDefault)
        return;
    LogEditCommentSichern();
    {
        EditStep step(*this, "Delete Picture");
        storeValue(index, Picture());
    }
    LogActualWrite();
    editChangeFlag = 1;
}

void vexaLogging3AppDelegate::btnImageChange() {
    if (fullScreenMode || !currentRecordExists())
        return;
    const std::optional<std::string> path = outlets.dialogs->runChooseFileDialog("Select Picture");
    Picture tiff;
    if (!path || !readPictureFile(*path, tiff))
        return;
    storePicture(std::move(tiff));
}

void vexaLogging3AppDelegate::imgEditFileDropped(const std::string& path) {
    if (fullScreenMode || !currentRecordExists())
        return;
    Picture tiff;
    if (!readPictureFile(path, tiff))
        return;
    // A drop is easily made by mistake; the picture it would replace is asked about first.
    if (outlets.dialogs->runAlert("Warning",
                                  "Do you want to replace this picture with \"" +
                                      document::lastPathComponent(path) + "\"?",
                                  "Replace", "Cancel") != platform::kAlertDefault)
        return;
    storePicture(std::move(tiff));
}

bool vexaLogging3AppDelegate::readPictureFile(const std::string& path, Picture& tiff) {
    std::string why = "Pictures cannot be read here.";
    std::optional<Picture> read;
    if (m_services.imageFiles != nullptr)
        read = m_services.imageFiles->readAsTiff(path, why);
    if (read && !read->empty()) {
        tiff = std::move(*read);
        return true;
    }
    // The record keeps its picture, and the user learns why nothing changed.
    outlets.dialogs->runAlert(
        "The file \"" + document::lastPathComponent(path) + "\" is not a picture.",
        path + "\n" + why, "OK");
    return false;
}

void vexaLogging3AppDelegate::storePicture(Picture tiff) {
    LogEditCommentSichern();
    {
        EditStep step(*this, "Replace Picture");
        storeValue(LogList::indexOf(logEditPos, kFieldPicture), std::move(tiff));
    }
    // The strip shows what the record now holds.
    LogImageRefresh();
    editChangeFlag = 1;
}
