#include "core/codepage.h"
#include "core/dayreport.h"
#include "core/filestore.h"
#include "core/holidayimport.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

std::string calendarOf(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//CN\r\n" + events + "END:VCALENDAR\r\n";
}

const std::string kHolidays =
    calendarOf("BEGIN:VEVENT\r\nUID:1\r\nDTSTART;VALUE=DATE:20270101\r\nSUMMARY:元旦\r\nEND:VEVENT\r\n"
               "BEGIN:VEVENT\r\nUID:2\r\nDTSTART;VALUE=DATE:20270211\r\n"
               "DTEND;VALUE=DATE:20270218\r\nSUMMARY:春节\r\nEND:VEVENT\r\n"
               "BEGIN:VEVENT\r\nUID:3\r\nDTSTART:20270301T090000\r\nSUMMARY:家长会\r\nEND:VEVENT\r\n");

TEST(HolidayImport, AllDayEventsBecomeNoBellDaysAndTimedOnesAreCounted) {
    const HolidayImport read = readHolidays(kHolidays);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(calendarKeyText(read.entries[0].range), "2027-01-01");
    EXPECT_EQ(calendarKeyText(read.entries[1].range), "2027-02-11~2027-02-17"); // DTEND is exclusive
    EXPECT_EQ(read.entries[1].value, gbkFromUtf8("春节"));
    EXPECT_EQ(read.timedIgnored, 1);
}

TEST(HolidayImport, AMalformedFileLeavesTheCalendarAsItWas) {
    TempDir dir;
    const std::string before = gbkFromUtf8("[不打铃]\r\n2026-10-01~2026-10-07=国庆节\r\n");
    ASSERT_TRUE(writeFileAtomic(dir.path() / std::filesystem::u8path(kCalendarFileName), before));
    for (const std::string& bad :
         {std::string("not a calendar"),
          calendarOf("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:2027XX01\r\nEND:VEVENT\r\n"),
          calendarOf("BEGIN:VEVENT\r\nSUMMARY:no start\r\nEND:VEVENT\r\n")}) {
        ASSERT_TRUE(writeFileAtomic(dir.path() / "in.ics", bad));
        EXPECT_NE(importHolidays(dir.path(), dir.path() / "in.ics").error, "") << bad;
    }
    EXPECT_EQ(readWholeFile(dir.path() / std::filesystem::u8path(kCalendarFileName)).bytes, before);

    ASSERT_TRUE(writeFileAtomic(dir.path() / "in.ics", kHolidays));
    EXPECT_EQ(importHolidays(dir.path(), dir.path() / "in.ics").entries.size(), 2u);
    EXPECT_EQ(ringsOnReport(dir.path(), {2027, 2, 17}), "no-bells\t春节\n");
    EXPECT_EQ(ringsOnReport(dir.path(), {2026, 10, 7}), "no-bells\t国庆节\n");
}

TEST(DayReport, ADaysBellsInTimeOrderFromTheDaysTimetable) {
    TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir.path() / std::filesystem::u8path(kCalendarFileName),
                                gbkFromUtf8("[作息表]\r\n2027-03-01=夏季作息表\r\n")));
    ASSERT_TRUE(writeFileAtomic(
        dir.path() / std::filesystem::u8path("夏季作息表.INI"),
        gbkFromUtf8("*{/srv/上课.mp3;2;0;1;1;1;1;1;0;14:00:00;08:00:00;;;;;;;;;;;;;;;;;;;;}\r\n"
                    "*{D:\\\\下课.mp3;1;0;1;0;0;0;0;0;08:45:00;;;;;;;;;;;;;;;;;;;;;}\r\n")));
    ASSERT_TRUE(
        writeFileAtomic(dir.path() / std::filesystem::u8path("夏季作息表.INI.雨天"),
                        gbkFromUtf8("*{D:\\\\下课.mp3;1;0;1;0;0;0;0;0;08:45:00;;;;;;;;;;;;;;;;;;;;;}\r\n")));
    // Monday 1 March 2027: both rules; Tuesday 2 March, the selected (spring) timetable: none.
    EXPECT_EQ(ringsOnReport(dir.path(), {2027, 3, 1}),
              "timetable\t夏季作息表\n08:00:00\t上课.mp3\t2\n08:45:00\t下课.mp3\t1\t"
              "rain-gated\n14:00:00\t上课.mp3\t2\n");
    EXPECT_EQ(ringsOnReport(dir.path(), {2027, 3, 2}), "timetable\t春季作息表\n");
}

} // namespace
