// The LogList: header, record layout, whole-record changes.

#include <gtest/gtest.h>

#include "support/FakePlatform.h"

namespace {

LogRecord record(const std::string& number, Picture picture = {}) {
    return {number,
            std::string("01:00:00:00"),
            std::string(),
            std::string(),
            std::string("10:00:00"),
            std::string(),
            std::string(),
            std::string("01.01.2026"),
            std::string(),
            std::move(picture)};
}

TEST(LogList, AFreshControllerHoldsOnlyTheHeader) {
    fake::App app;
    const LogList& list = app.app->logStartArray;
    ASSERT_EQ(list.count(), 10u);
    EXPECT_EQ(list.recordCount(), 0);
    EXPECT_FALSE(list.hasRecords());
    const std::vector<std::string> header{
        "Glimmark", "Version: 1.0", "Ostraven", "", "1", "", "", "", "", ""};
    for (std::size_t i = 0; i < header.size(); ++i)
        EXPECT_EQ(list.text(i), header[i]) << "header field " << i;
    EXPECT_EQ(app.app->logNr, 0);
    EXPECT_EQ(app.app->logEditPos, 1);
    EXPECT_EQ(app.app->mmcFpsAddWert, 32);
    EXPECT_EQ(app.app->editChangeFlag, 0);
}

TEST(LogList, LogStartArrayInitRebuildsTheHeaderInPlace) {
    fake::App app;
    app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 1, 0, 0, 0, 0, 0xF7});
    app.app->logStartArray.replace(4, std::string("64"));
    app.app->logEditPos = 1;
    app.app->editChangeFlag = 1;
    app.app->LogStartArrayInit();
    EXPECT_EQ(app.app->logStartArray.count(), 10u);
    EXPECT_EQ(app.app->logStartArray.text(4), "1");
    EXPECT_EQ(app.app->logNr, 0);
    EXPECT_EQ(app.app->editChangeFlag, 1) << "the modified flag is not its business";
}

TEST(LogList, RecordsAreAddressedByTenFieldsEach) {
    LogList list;
    list.append(record("H"));
    list.append(record("1", Picture{1, 2, 3}));
    list.append(record("2"));
    EXPECT_EQ(list.count(), 30u);
    EXPECT_EQ(list.recordCount(), 2);
    EXPECT_TRUE(list.hasRecords());
    EXPECT_EQ(list.text(LogList::indexOf(2, kFieldNumber)), "2");
    EXPECT_EQ(list.picture(LogList::indexOf(1, kFieldPicture)), (Picture{1, 2, 3}));
    // Field 9 of a record without a picture is an empty picture, never a missing value.
    EXPECT_TRUE(list.holdsPicture(LogList::indexOf(2, kFieldPicture)));
    EXPECT_FALSE(list.holdsPicture(LogList::indexOf(2, kFieldDate)));
    // Reading a picture as text, or past the end, gives nothing instead of a crash.
    EXPECT_EQ(list.text(19), "");
    EXPECT_EQ(list.text(30), "");
    EXPECT_TRUE(list.picture(30).empty());
}

TEST(LogList, InsertAndRemoveMoveWholeRecords) {
    LogList list;
    list.append(record("H"));
    list.append(record("1"));
    list.append(record("2"));
    ASSERT_TRUE(list.insertRecord(2, record("0")));
    EXPECT_EQ(list.text(20), "0");
    EXPECT_EQ(list.text(30), "2");
    ASSERT_TRUE(list.insertRecord(4, record("0")));  // one past the last appends
    EXPECT_EQ(list.recordCount(), 4);
    EXPECT_EQ(list.text(40), "0") << "equal numbers coexist; positions stay distinct";

    ASSERT_TRUE(list.removeRecord(1));
    EXPECT_EQ(list.count(), 40u);
    EXPECT_EQ(list.text(10), "0");
    EXPECT_EQ(list.text(20), "2");

    // Places the list does not have change nothing.
    EXPECT_FALSE(list.insertRecord(9, record("x")));
    EXPECT_FALSE(list.removeRecord(4));
    EXPECT_FALSE(list.removeRecord(-1));
    EXPECT_FALSE(list.replace(40, std::string("x")));
    EXPECT_EQ(list.count(), 40u);
}

TEST(LogList, ACopySharesThePicturesAndGoesItsOwnWay) {
    LogList list;
    list.append(record("H"));
    list.append(record("1", Picture(60000, 7)));
    const LogList copy = list;
    const std::size_t at = LogList::indexOf(1, kFieldPicture);
    EXPECT_EQ(copy.picture(at).data(), list.picture(at).data()) << "the bytes are not copied";
    EXPECT_NE(copy.revision(), list.revision());

    list.replace(at, Picture{1});
    list.replace(LogList::indexOf(1, kFieldNumber), std::string("2"));
    EXPECT_EQ(copy.picture(at), Picture(60000, 7));
    EXPECT_EQ(copy.text(LogList::indexOf(1, kFieldNumber)), "1");
    EXPECT_EQ(std::get<Picture>(list.value(at)), Picture{1});
    EXPECT_EQ(std::get<std::string>(list.value(at - 1)), "");
}

}  // namespace
