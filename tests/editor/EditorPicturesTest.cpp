// Deleting the record's picture, and replacing it from an image file chosen or dropped.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;
using editor_test::shown;

const std::string kPng = "/pictures/shot.png";
const std::string kText = "/pictures/notes.jpg";
const std::string kNotAPicture = "The file \"notes.jpg\" is not a picture.";

TEST(EditorPictures, ChangeThePictureOnlyWhenAskedAndReadable) {
    struct Case {
        const char* name;
        int records;  // pictures "JPEG-1", "JPEG-2"...
        int position;
        char action;  // D delete, C change through the file dialog, R dropped, F any in full screen
        std::optional<std::string> file;  // chosen in the dialog, or dropped
        bool confirm;
        std::string picture;  // of the record at the position afterwards
        std::string alert;    // the title of the one alert, if any
    } const cases[] = {
        {"DeleteConfirmed", 3, 2, 'D', {}, true, "", "Warning"},
        {"DeleteCancelled", 3, 2, 'D', {}, false, "JPEG-2", "Warning"},
        {"DeleteOnALogOfOneRecord", 1, 1, 'D', {}, true, "", "Warning"},
        {"ChangeFromAPicture", 2, 2, 'C', kPng, true, "JPEG-tiff", ""},
        {"ChangeCancelled", 2, 2, 'C', std::nullopt, true, "JPEG-2", ""},
        {"ChangeFromATextFile", 2, 2, 'C', kText, true, "JPEG-2", kNotAPicture},
        {"DropConfirmed", 2, 1, 'R', kPng, true, "JPEG-tiff", "Warning"},
        {"DropCancelled", 2, 1, 'R', kPng, false, "JPEG-1", "Warning"},
        {"DropOfATextFileAsksNothing", 2, 1, 'R', kText, true, "JPEG-1", kNotAPicture},
        {"NothingInFullScreen", 2, 2, 'F', kPng, true, "JPEG-2", ""},
        {"NothingWithoutARecord", 0, 1, 'F', kPng, true, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake::App app;
        vexaLogging3AppDelegate& a = *app.app;
        for (int r = 1; r <= c.records; ++r)
            addRecord(app, {std::to_string(r), "01:00:00:00", "", "JPEG-" + std::to_string(r)});
        app.imageFiles.pictures[kPng] = {'J', 'P', 'E', 'G', '-', 't', 'i', 'f', 'f'};
        a.logEditPos = c.position;
        a.LogActualWrite();
        app.windows.dialogs.answers.assign(
            3, c.confirm ? platform::kAlertDefault : platform::kAlertAlternate);
        app.windows.dialogs.choosePath = c.file;
        const std::string before = shown(app.windows.imgEdit);

        a.fullScreenMode = c.action == 'F' && c.records > 0;
        if (c.action == 'D' || c.action == 'F')
            a.btnEditPictureDelete();
        if (c.action == 'C' || c.action == 'F')
            a.btnImageChange();
        if (c.action == 'R' || c.action == 'F')
            a.imgEditFileDropped(c.file.value_or(""));
        a.fullScreenMode = 0;

        if (c.records > 0) {
            const Picture& p = a.logStartArray.picture(LogList::indexOf(c.position, kFieldPicture));
            EXPECT_EQ(std::string(p.begin(), p.end()), c.picture);
        }
        EXPECT_EQ(shown(app.windows.imgEdit), c.picture);
        const auto& alerts = app.windows.dialogs.alerts;
        EXPECT_EQ(alerts.empty() ? "" : alerts.front().title, c.alert);
        EXPECT_LE(alerts.size(), 1u);
        EXPECT_EQ(a.editChangeFlag, c.picture == before ? 0 : 1);
        EXPECT_EQ(shown(app.windows.imgEditPre),
                  c.position > 1 ? "JPEG-" + std::to_string(c.position - 1) : "");
        EXPECT_EQ(app.windows.dialogs.chooseMessages,
                  std::vector<std::string>(c.action == 'C', "Select Picture"));
        if (c.action == 'F') {
            EXPECT_TRUE(app.imageFiles.reads.empty());
        }

        a.btnEditUndo();
        EXPECT_EQ(shown(app.windows.imgEdit), before);
    }
}

}  // namespace
