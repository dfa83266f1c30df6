// What the shared web view makes of the log: snapshots, the events between two of them, JSON,
// the event feed's fan-out, and where it listens.

#include <gtest/gtest.h>

#include <string>

#include "loglist/LogList.h"
#include "share/EventFeed.h"
#include "share/LiveShare.h"
#include "share/ShareSnapshot.h"

namespace {

LogRecord record(const std::string& number, platform::Bytes picture = {}) {
    LogRecord r;
    for (auto& value : r)
        value = std::string();
    r[kFieldNumber] = number;
    if (!picture.empty())
        r[kFieldPicture] = std::move(picture);
    return r;
}

std::string joined(const std::vector<std::string>& events) {
    std::string all;
    for (const auto& e : events)
        all += e;
    return all;
}

TEST(ShareSnapshot, EventsNameWhatChangedAndAnInsertInTheMiddleResetsThePage) {
    LogList log;
    log.append(newLogHeader());
    log.append(record("1", {0xFF, 0xD8, 0xFF, 1}));
    log.append(record("2"));
    share::SnapshotMaker maker;
    const auto first = maker.make(log);
    ASSERT_EQ(first->takes.size(), 2u);
    EXPECT_NE(first->takes[0].pictureId, 0u);
    EXPECT_EQ(first->takes[1].pictureId, 0u);
    EXPECT_EQ(maker.make(log)->takes[0].pictureId, first->takes[0].pictureId);

    log.append(record("3"));
    log.replace(LogList::indexOf(1, kFieldStop), std::string("01:00:01:00"));
    log.replace(LogList::indexOf(2, kFieldComment1), std::string("wide"));
    auto second = maker.make(log);
    const std::string events = joined(share::changeEvents(*first, *second));
    EXPECT_EQ(events.find("event: stop\ndata: {\"key\":" + std::to_string(log.recordKey(1))), 0u);
    EXPECT_NE(events.find("event: comment\ndata: {\"key\":" + std::to_string(log.recordKey(2))),
              std::string::npos);
    EXPECT_NE(events.find("event: take\ndata: {\"key\":" + std::to_string(log.recordKey(3))),
              std::string::npos);
    EXPECT_EQ(share::changeEvents(*second, *maker.make(log)).size(), 0u);

    log.replace(LogList::indexOf(1, kFieldPicture), platform::Bytes{0xFF, 0xD8, 0xFF, 2});
    log.replace(LogList::indexOf(3, kFieldNumber), std::string("30"));
    auto third = maker.make(log);
    EXPECT_NE(third->takes[0].pictureId, second->takes[0].pictureId);
    const std::string changed = joined(share::changeEvents(*second, *third));
    EXPECT_EQ(changed.find("event: change\n"), 0u);
    EXPECT_NE(changed.find("event: renumber\n"), std::string::npos);

    const auto removedKey = log.recordKey(2);
    log.removeRecord(2);
    auto fourth = maker.make(log);
    EXPECT_EQ(joined(share::changeEvents(*third, *fourth)),
              "event: remove\ndata: {\"key\":" + std::to_string(removedKey) + "}\n\n");

    log.insertRecord(1, record("0"));
    EXPECT_EQ(joined(share::changeEvents(*fourth, *maker.make(log))), "event: reset\ndata: {}\n\n");
}

TEST(ShareSnapshot, JsonKeepsGoodUtf8AndReplacesWhatIsNot) {
    EXPECT_EQ(share::jsonString("take \"5\"\n\\"), "\"take \\\"5\\\"\\n\\\\\"");
    EXPECT_EQ(share::jsonString("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC"),
              "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC\"");
    EXPECT_EQ(share::jsonString("a\xE9z"), "\"a\\ufffdz\"");          // Latin-1
    EXPECT_EQ(share::jsonString("\xC3"), "\"\\ufffd\"");              // cut short
    EXPECT_EQ(share::jsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");  // a surrogate
    EXPECT_EQ(share::jsonString("\xC0\xAF"), "\"\\ufffd\\ufffd\"");   // overlong
    EXPECT_EQ(share::jsonString("</script>\x01"), "\"\\u003c/script\\u003e\\u0001\"");
}

TEST(EventFeed, AParkedStreamIsWokenByThePublishAndOneFallenBehindIsToldToReload) {
    share::EventFeed feed(3);
    auto cursor = feed.open();
    char buffer[256];
    std::size_t n = feed.readOrPark(1, cursor, buffer, sizeof buffer, [] { return true; }, [] {});
    EXPECT_EQ(std::string(buffer, n), "retry: 1000\n\n");
    int parks = 0;
    int wakes = 0;
    EXPECT_EQ(feed.readOrPark(1, cursor, buffer, sizeof buffer, [&] { return ++parks > 0; },
                              [&] { ++wakes; }),
              0u);
    EXPECT_EQ(feed.parkedCount(), 1u);
    feed.publish({"a\n\n", "b\n\n"});
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(feed.parkedCount(), 0u);
    // A small buffer takes the bytes in turns, none lost.
    std::string got;
    while ((n = feed.readOrPark(1, cursor, buffer, 3, [] { return false; }, [] {})) > 0)
        got.append(buffer, n);
    EXPECT_EQ(got, "a\n\nb\n\n");

    feed.publish({"c\n\n", "d\n\n", "e\n\n", "f\n\n"});
    n = feed.readOrPark(1, cursor, buffer, sizeof buffer, [] { return false; }, [] {});
    EXPECT_EQ(std::string(buffer, n), "event: reset\ndata: {}\n\nd\n\ne\n\nf\n\n");

    // A refused park keeps no wake-up; a closed stream's is forgotten.
    feed.readOrPark(2, cursor, buffer, sizeof buffer, [] { return false; }, [&] { ++wakes; });
    feed.readOrPark(3, cursor, buffer, sizeof buffer, [] { return true; }, [&] { ++wakes; });
    feed.close(3);
    feed.publishTimecode("event: timecode\n\n");
    EXPECT_EQ(wakes, 1);
}

TEST(ShareEndpoint, ReadsAddressAndPortAndTellsWhatIsWrong) {
    std::string why;
    auto plain = share::parseEndpoint("8080", why);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->address, "127.0.0.1");
    EXPECT_EQ(plain->port, 8080);
    auto any = share::parseEndpoint("0.0.0.0:0", why);
    ASSERT_TRUE(any);
    EXPECT_EQ(any->address, "0.0.0.0");
    EXPECT_FALSE(share::isLoopback(any->address));
    auto v6 = share::parseEndpoint("[::1]:9", why);
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->address, "::1");
    EXPECT_TRUE(share::isLoopback(v6->address));
    for (const char* bad : {"", "65536", "-1", "80x", "host.example:80", "::1:80", "1.2.3:80"})
        EXPECT_FALSE(share::parseEndpoint(bad, why)) << bad;
    EXPECT_NE(share::newToken(), share::newToken());
}

}  // namespace
