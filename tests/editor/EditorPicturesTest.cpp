// Deleting the record's picture, and replacing it from an image file chosen or dropped.

#include <gtest/gtest.h>

#include "editor/LogFixture.h"

namespace {

using editor_test::addRecord;
using editor_test::shown;

enum class Do { Delete, Change, Drop };

struct PictureCase {
    const char* name;
    int records;  // pictures "JPEG-1", "JPEG-2"...
    int position;
    Do action;
    std::optional<std::string> file;  // chosen in the dialog, or dropped
    std::deque<int> answers;
    std::string expectedPicture;  // of the record at the position afterwards
    std::vector<std::string> expectedAlertTitles;
    int expectedFlag;
};

const std::string kPng = "/pictures/shot.png";
const std::string kText = "/pictures/notes.jpg";
constexpr int kConfirm = platform::kAlertDefault;
constexpr int kCancel = platform::kAlertAlternate;

void PrintTo(const PictureCase& c, std::ostream* os) {
    *os << c.name;
}

class EditorPictures : public ::testing::TestWithParam<PictureCase> {
protected:
    fake::App app;
};

TEST_P(EditorPictures, ChangeThePictureOnlyWhenAskedAndReadable) {
    const PictureCase& c = GetParam();
    vexaLogging3AppDelegate& a = *app.app;
    for (int r = 1; r <= c.records; ++r)
        addRecord(app, {std::to_string(r), "01:00:00:00", "", "JPEG-" + std::to_string(r)});
    app.imageFiles.pictures[kPng] = {'J', 'P', 'E', 'G', '-', 't', 'i', 'f', 'f'};
    a.logEditPos = c.position;
    a.LogActualWrite();
    app.windows.dialogs.answers = c.answers;
    app.windows.dialogs.choosePath = c.file;
    const std::string before = shown(app.windows.imgEdit);

    if (c.action == Do::Delete)
        a.btnEditPictureDelete();
    else if (c.action == Do::Change)
        a.btnImageChange();
    else
        a.imgEditFileDropped(c.file.value_or(""));

    const Picture& stored = a.logStartArray.picture(LogList::indexOf(c.position, kFieldPicture));
    EXPECT_EQ(std::string(stored.begin(), stored.end()), c.expectedPicture);
    EXPECT_EQ(shown(app.windows.imgEdit), c.expectedPicture);
    std::vector<std::string> titles;
    for (const auto& alert : app.windows.dialogs.alerts) titles.push_back(alert.title);
    EXPECT_EQ(titles, c.expectedAlertTitles);
    EXPECT_EQ(a.editChangeFlag, c.expectedFlag);
    // The neighbours keep theirs.
    if (c.position > 1) {
        EXPECT_EQ(shown(app.windows.imgEditPre), "JPEG-" + std::to_string(c.position - 1));
    }
    if (c.action == Do::Change) {
        EXPECT_EQ(app.windows.dialogs.chooseMessages, std::vector<std::string>{"Select Picture"});
    }

    a.btnEditUndo();
    EXPECT_EQ(shown(app.windows.imgEdit), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorPictures,
    ::testing::Values(
        PictureCase{"DeleteConfirmed", 3, 2, Do::Delete, {}, {kConfirm}, "", {"Warning"}, 1},
        PictureCase{"DeleteCancelled", 3, 2, Do::Delete, {}, {kCancel}, "JPEG-2", {"Warning"}, 0},
        PictureCase{
            "DeleteOnALogOfOneRecord", 1, 1, Do::Delete, {}, {kConfirm}, "", {"Warning"}, 1},
        PictureCase{"ChangeFromAPicture", 2, 2, Do::Change, kPng, {}, "JPEG-tiff", {}, 1},
        PictureCase{"ChangeCancelled", 2, 2, Do::Change, std::nullopt, {}, "JPEG-2", {}, 0},
        PictureCase{"ChangeFromATextFile",
                    2,
                    2,
                    Do::Change,
                    kText,
                    {},
                    "JPEG-2",
                    {"The file \"notes.jpg\" is not a picture."},
                    0},
        PictureCase{"DropConfirmed", 2, 1, Do::Drop, kPng, {kConfirm}, "JPEG-tiff", {"Warning"}, 1},
        PictureCase{"DropCancelled", 2, 1, Do::Drop, kPng, {kCancel}, "JPEG-1", {"Warning"}, 0},
        PictureCase{"DropOfATextFileAsksNothing",
                    2,
                    1,
                    Do::Drop,
                    kText,
                    {kConfirm},
                    "JPEG-1",
                    {"The file \"notes.jpg\" is not a picture."},
                    0}),
    [](const ::testing::TestParamInfo<PictureCase>& info) { return std::string(info.param.name); });

TEST(EditorPicturesGuards, NothingHappensInFullScreenOrWithoutARecord) {
    fake::App app;
    app.imageFiles.pictures[kPng] = {'J', 'P', 'E', 'G'};
    app.windows.dialogs.choosePath = kPng;
    app.windows.dialogs.answers = {kConfirm, kConfirm, kConfirm};
    const auto tryAll = [&] {
        app.app->btnEditPictureDelete();
        app.app->btnImageChange();
        app.app->imgEditFileDropped(kPng);
    };
    tryAll();  // an empty log
    addRecord(app, {"1", "01:00:00:00", "", "JPEG-1"});
    app.app->LogActualWrite();
    app.app->fullScreenMode = 1;
    tryAll();
    EXPECT_EQ(app.windows.dialogs.alerts.size(), 0u);
    EXPECT_EQ(app.windows.dialogs.chooseMessages.size(), 0u);
    EXPECT_EQ(app.imageFiles.reads.size(), 0u);
    EXPECT_EQ(shown(app.windows.imgEdit), "JPEG-1");
    EXPECT_EQ(app.app->editChangeFlag, 0);
}

}  // namespace
