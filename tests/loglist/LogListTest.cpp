// The LogList: record layout, whole-record changes, copies.

#include <gtest/gtest.h>

#include "loglist/LogList.h"

namespace {

LogRecord record(const std::string& number, Picture picture = {}) {
    LogRecord r;
    r.fill(std::string());
    r[kFieldNumber] = number;
    r[kFieldPicture] = std::move(picture);
    return r;
}

TEST(LogList, RecordsOfTenFieldsAreInsertedAndRemovedWhole) {
    LogList list;
    list.append(record("H"));
    list.append(record("1", Picture{1, 2, 3}));
    list.append(record("2"));
    EXPECT_EQ(list.picture(LogList::indexOf(1, kFieldPicture)), (Picture{1, 2, 3}));
    // Field 9 of a record without a picture is an empty picture, never a missing value.
    EXPECT_TRUE(list.holdsPicture(LogList::indexOf(2, kFieldPicture)));
    EXPECT_FALSE(list.holdsPicture(LogList::indexOf(2, kFieldDate)));
    // Reading a picture as text, or past the end, gives nothing instead of a crash.
    EXPECT_EQ(list.text(19), "");
    EXPECT_EQ(list.text(30), "");
    EXPECT_TRUE(list.picture(30).empty());

    ASSERT_TRUE(list.insertRecord(2, record("0")));
    ASSERT_TRUE(list.insertRecord(4, record("0")));  // one past the last appends
    EXPECT_EQ(list.recordCount(), 4);
    ASSERT_TRUE(list.removeRecord(1));
    ASSERT_EQ(list.count(), 40u);
    for (const auto& [index, number] : {std::pair{10, "0"}, {20, "2"}, {30, "0"}})
        EXPECT_EQ(list.text(index), number) << "index " << index;

    // Places the list does not have change nothing.
    EXPECT_FALSE(list.insertRecord(5, record("x")));
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
    EXPECT_EQ(copy.picture(19).data(), list.picture(19).data()) << "the bytes are not copied";
    EXPECT_NE(copy.revision(), list.revision());
    list.replace(19, Picture{1});
    EXPECT_EQ(copy.picture(19), Picture(60000, 7));
}

}  // namespace
