#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/holidayfeedfollower.h"
#include "core/holidayfeeds.h"
#include "fakes.h"
#include "httpserver.h"
#include "media/feedfetch.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

std::string event(const char* date, const char* summary) {
    return std::string("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:") + date + "\r\nSUMMARY:" + summary +
           "\r\nEND:VEVENT\r\n";
}

std::string calendar(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nTIMEZONE-ID:Asia/Shanghai\r\n" + events + "END:VCALENDAR\r\n";
}

std::string calendarText(const TempDir& home) {
    return utf8FromGbk(readWholeFile(calendarFilePath(home.path())).bytes);
}

TEST(HolidayFeeds, AFeedIsFollowedReplacingOnlyItsOwnEntriesAndKeptWhenTheServerIsGone) {
    TempDir home;
    auto server = std::make_unique<HttpServer>();
    const std::string url = "http://" + server->host() + "/cn.ics";
    server->respond("/cn.ics", calendar(event("20261001", "国庆节") + event("20270101", "元旦") +
                                        event("20260927", "国庆节(班)")));
    // The operator's own entries: one of the feed's days already named otherwise, one of its own.
    ASSERT_TRUE(writeFileAtomic(calendarFilePath(home.path()),
                                gbkFromUtf8("[不打铃]\r\n2027-01-01=校庆\r\n2026-06-01=运动会\r\n")));

    const FeedFetch first = fetchHolidayFeed(url);
    ASSERT_TRUE(first.ok) << first.error;
    ASSERT_EQ(applyFeed(home.path(), url, first.body, "2026-12-10 08:00:00", FeedSubscription::Add).error,
              "");
    EXPECT_EQ(calendarText(home), "[不打铃]\r\n2027-01-01=校庆\r\n2026-06-01=运动会\r\n2026-10-01=国庆节\r\n"
                                  "[补课]\r\n2026-09-27=国庆节(班)\r\n");

    FakeBellLog log;
    FakeClock clock;
    std::vector<std::function<void()>> posted;
    HolidayFeedFollower follower(
        home.path(), fetchHolidayFeed, [&](std::function<void()> task) { posted.push_back(std::move(task)); },
        log, clock);
    const auto refresh = [&] {
        posted.clear();
        follower.refreshNow();
        ASSERT_TRUE(follower.waitForBackground(std::chrono::seconds(40)));
        ASSERT_EQ(posted.size(), 1u);
        posted.front()();
    };

    // Served again with the national day gone: only that entry goes.
    server->respond("/cn.ics", calendar(event("20270101", "元旦") + event("20260927", "国庆节(班)")));
    refresh();
    EXPECT_EQ(calendarText(home), "[不打铃]\r\n2027-01-01=校庆\r\n2026-06-01=运动会\r\n"
                                  "[补课]\r\n2026-09-27=国庆节(班)\r\n");
    ASSERT_FALSE(log.entries.empty());
    EXPECT_NE(log.entries.back().detail.find(": 1 days without bells, 1 makeup school days"),
              std::string::npos)
        << log.entries.back().detail;

    // The server stopped: everything stays, and the log and the feed's record say why.
    server.reset();
    refresh();
    EXPECT_EQ(calendarText(home), "[不打铃]\r\n2027-01-01=校庆\r\n2026-06-01=运动会\r\n"
                                  "[补课]\r\n2026-09-27=国庆节(班)\r\n");
    EXPECT_NE(log.entries.back().detail.find("the days it brought are kept"), std::string::npos);
    EXPECT_EQ(log.entries.back().detail.find("/cn.ics"), std::string::npos) << "the feed's path is its key";
    const std::vector<HolidayFeed> feeds = readFeeds(home.path());
    ASSERT_EQ(feeds.size(), 1u);
    EXPECT_NE(feeds[0].problem.find("fetch failed"), std::string::npos) << feeds[0].problem;
    EXPECT_EQ(feeds[0].fetched, "2026-01-05 07:30:00") << "the last fetch applied, by the engine's clock";

    // Unsubscribing takes its entries away, except one the operator has changed since.
    ASSERT_TRUE(writeFileAtomic(calendarFilePath(home.path()),
                                readWholeFile(calendarFilePath(home.path())).bytes +
                                    gbkFromUtf8("[作息表]\r\n2026-03-02=夏季作息表\r\n")));
    EXPECT_EQ(unsubscribeFeed(home.path(), url), "");
    EXPECT_EQ(calendarText(home), "[不打铃]\r\n2027-01-01=校庆\r\n2026-06-01=运动会\r\n[补课]\r\n"
                                  "[作息表]\r\n2026-03-02=夏季作息表\r\n");
    EXPECT_TRUE(readFeeds(home.path()).empty());
}

TEST(HolidayFeeds, AddressesAreCheckedAndNamedWithoutTheirKey) {
    struct Case {
        const char* typed;
        const char* url;   // empty: refused
        const char* label; // as logged
    };
    const Case cases[] = {
        {" https://example.org/p/SECRET/basic.ics ", "https://example.org/p/SECRET/basic.ics",
         "https://example.org/…"},
        {"webcal://example.org/cn.ics", "https://example.org/cn.ics", "https://example.org/…"},
        {"HTTP://127.0.0.1:8080", "HTTP://127.0.0.1:8080", "HTTP://127.0.0.1:8080"},
        {"ftp://example.org/cn.ics", "", ""},
        {"https://user:pw@example.org/cn.ics", "", ""},
        {"https://example.org/a b.ics", "", ""},
        {"https:///cn.ics", "", ""},
        {"example.org/cn.ics", "", ""},
    };
    for (const Case& c : cases) {
        const FeedAddress address = feedAddress(c.typed);
        EXPECT_EQ(address.url, c.url) << c.typed;
        EXPECT_EQ(address.error.empty(), *c.url != '\0') << c.typed << ": " << address.error;
        if (*c.url) {
            EXPECT_EQ(feedLabel(address.url), c.label) << c.typed;
        }
    }
}

TEST(HolidayFeeds, TheFeedFileKeepsWhatItHolds) {
    const std::vector<HolidayFeed> feeds = {
        {"https://a.example/x.ics",
         "2026-12-10 08:00:00",
         "",
         {{gbkFromUtf8("不打铃"), "2026-10-01~2026-10-07", gbkFromUtf8("国庆节")}}},
        {"http://b.example/", "", "the server answered HTTP 404", {}},
    };
    EXPECT_EQ(parseFeedFile(feedFileText(feeds)), feeds);
}

} // namespace
