#include "core/calendarfile.h"
#include "core/calendarfollower.h"
#include "core/codepage.h"
#include "core/dayreport.h"
#include "core/timetableloader.h"
#include "fakes.h"
#include "records.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

const std::string kNationalDay = "[不打铃]\r\n2026-10-01~2026-10-07=国庆节\r\n";

TEST(CalendarFile, ATooLargeOrUtf8CalendarIsSaidAndAUtf8OneStillHolds) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* problem; // a part of it; empty: none
        const char* ringsOn; // the first line of --rings-on 2026-10-03
    };
    const Case cases[] = {
        {"GBK", gbkFromUtf8(kNationalDay), "", "no-bells\t国庆节"},
        {"UTF-8", kNationalDay, "is saved as UTF-8, not GBK", "no-bells\t国庆节"},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + kNationalDay, "is saved as UTF-8",
         "no-bells\t国庆节"},
        {"over 4 MiB", gbkFromUtf8(kNationalDay) + std::string(kLargestReadableFile, ';'),
         "cannot be read (4194344 bytes; a calendar holds at most 4194304)", "timetable\t春季作息表"},
    };
    for (const Case& c : cases) {
        TempDir home;
        ASSERT_TRUE(writeFileAtomic(calendarFilePath(home.path()), c.bytes));
        const CalendarFile file = readCalendarFile(home.path());
        EXPECT_EQ(file.problem.empty(), std::string(c.problem).empty()) << c.name << ": " << file.problem;
        EXPECT_NE(file.problem.find(c.problem), std::string::npos) << c.name << ": " << file.problem;
        const std::string report = ringsOnReport(home.path(), {2026, 10, 3});
        EXPECT_EQ(report.substr(0, report.find('\n')), c.ringsOn) << c.name;

        // The running program says it once, however often it looks.
        FakeBellLog log;
        ScheduleState state;
        FakeClock clock;
        const AppConfig config(home.path());
        CalendarFollower follower(home.path(), state, config, log, clock, {});
        follower.apply();
        follower.apply();
        const auto said = std::count_if(log.entries.begin(), log.entries.end(), [](const BellEntry& entry) {
            return entry.detail.find("校历.INI") != std::string::npos;
        });
        EXPECT_EQ(said, std::string(c.problem).empty() ? 0 : 1) << c.name;
    }
}

TEST(CalendarFile, ATimetableSavedAsUtf8IsReadAndSaid) {
    TempDir home;
    FakeSchedule fake;
    fake.state.timetablePath = fromFileName(home.path()) + "/" + gbkFromUtf8("春季作息表.INI");
    ASSERT_TRUE(writeFileAtomic(
        toFileName(fake.state.timetablePath),
        utf8FromGbk(record(gbkFromUtf8("D:\\铃声\\上课.mp3"), "1", "0111110", {"08:00:00"}))));
    loadTimetable(fake.context);
    ASSERT_EQ(fake.state.rules.size(), 2u);
    EXPECT_EQ(fake.state.rules[1].musicPath, gbkFromUtf8("D:\\铃声\\上课.mp3"));
    ASSERT_FALSE(fake.log.entries.empty());
    EXPECT_NE(fake.log.entries[0].detail.find("is saved as UTF-8, not GBK"), std::string::npos);
}

} // namespace
