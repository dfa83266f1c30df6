// Export Picture… and Export All Pictures… into a real folder: the names, the bytes, what is
// skipped, what is converted and what is reported.

#include "documents/PictureExport.h"

#include <gtest/gtest.h>

#include <set>

#include "documents/TempFolder.h"
#include "editor/LogFixture.h"

namespace {

using documents_test::contents;
using documents_test::TempFolder;

const std::string kJpeg =
    "\xFF\xD8\xFF"
    "grabbed picture bytes";

std::set<std::string> filesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class PictureExport : public ::testing::Test {
protected:
    PictureExport() {
        app.app->awakeFromNib();
        app.app->setPathString("/d/day.vlg");
        editor_test::addRecord(app, {"1", "", "", kJpeg});
        editor_test::addRecord(app, {"2", "", "", ""});
        editor_test::addRecord(app, {"3", "", "",
                                     std::string("\xFF\xD8\xFF"
                                                 "1234567",
                                                 10)});
        // A picture replaced from a file (TIFF here) and a number that names a path.
        editor_test::addRecord(app, {"../up", "", "", std::string("II*\0 a tiff picture", 19)});
        app.app->LogActualWrite();
    }
    fake::App app;
    fake::Windows& w = app.windows;
    TempFolder folder;
};

TEST_F(PictureExport, AllPicturesAreNamedByPositionAndNumberInsideTheChosenFolder) {
    struct Case {
        std::string typed;
        std::set<std::string> names;
    };
    for (const Case& k : {Case{"shots", {"shots_1_1.jpg", "shots_4_.._up.jpg"}},
                          Case{"shots.jpg", {"shots_1_1.jpg", "shots_4_.._up.jpg"}},
                          Case{"shots.png", {"shots.png_1_1.jpg", "shots.png_4_.._up.jpg"}}}) {
        SCOPED_TRACE(k.typed);
        TempFolder into;
        w.dialogs.savePath = into / k.typed;
        app.app->btnPictureExportAll();
        EXPECT_EQ(w.dialogs.saveDialogs.back().suggestedName, "day");
        EXPECT_EQ(w.dialogs.saveDialogs.back().extension, "jpg");
        EXPECT_EQ(filesIn(into.path), k.names);
        EXPECT_EQ(contents(into / *k.names.begin()), kJpeg);
        // Stored as TIFF, written as JPEG.
        EXPECT_EQ(contents(into / *k.names.rbegin()).substr(0, 3), "\xFF\xD8\xFF");
        EXPECT_TRUE(filesIn(into.path.parent_path()).count("up.jpg") == 0);
    }
    EXPECT_TRUE(w.dialogs.alerts.empty());
}

TEST_F(PictureExport, FailuresAreToldOnceWithTheCountsAndTheExportGoesOn) {
    editor_test::addRecord(app, {std::string(300, 'n'), "", "", kJpeg});
    editor_test::addRecord(app, {"6", "", "", "BAD, no picture"});
    editor_test::addRecord(app, {"7", "", "", kJpeg});
    w.dialogs.savePath = folder / "shots";
    app.app->btnPictureExportAll();
    ASSERT_EQ(w.dialogs.alerts.size(), 1u);
    const std::string& message = w.dialogs.alerts[0].message;
    EXPECT_NE(message.find("Pictures written: 3. Not written: 2."), std::string::npos) << message;
    EXPECT_NE(message.find("shots_5_nnn"), std::string::npos) << message;
    EXPECT_EQ(filesIn(folder.path).count("shots_7_7.jpg"), 1u);
}

TEST_F(PictureExport, OnePictureGoesWhereTheUserSays) {
    struct Case {
        const char* name;
        int record;
        std::optional<std::string> typed;
        bool dialog;
        std::string file;
    };
    const Case cases[] = {
        {"grabbed", 1, "one", true, "one.jpg"},
        {"ten bytes are a picture here", 3, "three.jpg", true, "three.jpg"},
        {"no picture: no dialog", 2, "two", false, ""},
        {"cancelled", 1, std::nullopt, true, ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TempFolder into;
        w.dialogs.saveDialogs.clear();
        w.dialogs.savePath = k.typed ? std::optional(into / *k.typed) : std::nullopt;
        app.app->logEditPos = k.record;
        app.app->btnPictureExport();
        EXPECT_EQ(w.dialogs.saveDialogs.size(), k.dialog ? 1u : 0u);
        EXPECT_EQ(filesIn(into.path).size(), k.file.empty() ? 0u : 1u);
        if (!k.file.empty()) {
            const Picture& stored =
                app.app->logStartArray.picture(LogList::indexOf(k.record, kFieldPicture));
            EXPECT_EQ(contents(into / k.file), std::string(stored.begin(), stored.end()));
        }
    }
    app.app->logEditPos = 1;
    w.dialogs.savePath = folder / "missing/one";
    app.app->btnPictureExport();
    ASSERT_EQ(w.dialogs.alerts.size(), 1u);
    EXPECT_NE(w.dialogs.alerts[0].message.find("missing/one.jpg"), std::string::npos);
}

TEST(PictureNames, NumbersCannotLeaveTheFolder) {
    for (auto [number, name] : {std::pair{"12", "s_1_12.jpg"},
                                {"../../etc/x", "s_1_.._.._etc_x.jpg"},
                                {"a\tb\nc", "s_1_a_b_c.jpg"}})
        EXPECT_EQ(pictures::exportFileName("s", 1, number), name);
}

}  // namespace
