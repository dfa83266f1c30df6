// Project files and Python's plistlib, the reference reader and writer of this format here.

#include <gtest/gtest.h>

#include "documents/ProjectFiles.h"
#include "platform/plist/PropertyListFileStore.h"

namespace {

using platform::plist::PropertyListFileStore;
using namespace projectfiles;

// Everything plistlib must carry unchanged: XML's special characters, non-ASCII comments,
// empty pictures and a 1 MB picture.
LogList interopLog() {
    LogList list = goldenLog();
    list.append(record("3", "<![CDATA[ & ]]> &amp; &#65;", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                       patternPicture(1 << 20, 3)));
    list.append(record("4", "", "", {}));
    return list;
}

struct Form {
    const char* name;
    bool sameBytes;  // plistlib writes XML exactly as we do
};

class PlistlibInterop : public testing::TestWithParam<Form> {};

TEST_P(PlistlibInterop, PlistlibReadsOurFileAndWeReadWhatItWrites) {
    TempFolder folder;
    PropertyListFileStore store;
    const LogList log = interopLog();
    const std::string ours = folder.file("ours.vlg");
    const std::string theirs = folder.file("theirs.vlg");
    ASSERT_EQ(store.writeArray(ours, log), "");

    const std::string command = std::string(GLIMMARK_PYTHON) +
                                " " GLIMMARK_TEST_DATA "/plistlib_echo.py '" + ours + "' '" +
                                theirs + "' " + GetParam().name;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const auto read = store.readArray(theirs);
    EXPECT_EQ(read.error, "");
    EXPECT_TRUE(read.entries == valuesOf(log)) << "values differ after plistlib";
    if (GetParam().sameBytes) {
        EXPECT_TRUE(fileText(ours) == fileText(theirs));
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, PlistlibInterop,
                         testing::Values(Form{"xml", true}, Form{"binary", false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
