#include "core/codepage.h"
#include "core/dayreport.h"
#include "core/filestore.h"
#include "core/holidayimport.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// The shapes published holiday calendars come in, each read as calendar programs read them.
TEST(HolidayImport, WhatCalendarProgramsWriteIsReadAndWhatIsLeftOutIsCounted) {
    const std::string holiday = "BEGIN:VEVENT\r\nUID:h\r\nDTSTART;VALUE=DATE:20261001\r\n"
                                "DTEND;VALUE=DATE:20261004\r\nSUMMARY:国庆节\r\nEND:VEVENT\r\n";
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> keys; // of the entries read
        const char* leftOut;
    };
    const Case cases[] = {
        {"a non-standard property, RFC 7986 NAME and a time zone",
         "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nNAME:中国节假日\r\nTIMEZONE-ID:Asia/Shanghai\r\n"
         "X-WR-TIMEZONE:Asia/Shanghai\r\nBEGIN:VTIMEZONE\r\nTZID:Asia/Shanghai\r\nBEGIN:STANDARD\r\n"
         "DTSTART:19700101T000000\r\nTZOFFSETFROM:+0800\r\nTZOFFSETTO:+0800\r\nEND:STANDARD\r\n"
         "END:VTIMEZONE\r\n" +
             holiday + "END:VCALENDAR\r\n",
         {"2026-10-01~2026-10-03"},
         ""},
        {"a BOM, LF line ends and a folded summary",
         "\xEF\xBB\xBF"
         "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nDTSTART;VALUE=DATE:20270101\nSUMMARY:元\n "
         "旦\nEND:VEVENT\nEND:VCALENDAR\n",
         {"2027-01-01"},
         ""},
        {"makeup working days, a cancelled event and a timed one",
         calendarOf(
             holiday +
             "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261010\r\nSUMMARY:国庆节(班)\r\nEND:VEVENT\r\n"
             "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20260214\r\nSUMMARY:春节\r\n"
             "X-APPLE-SPECIAL-DAY:ALTERNATE-WORKDAY\r\nEND:VEVENT\r\n"
             "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261225\r\nSTATUS:CANCELLED\r\nSUMMARY:x\r\nEND:VEVENT\r\n"
             "BEGIN:VEVENT\r\nDTSTART:20261101T090000\r\nSUMMARY:家长会\r\nEND:VEVENT\r\n"),
         {"2026-10-01~2026-10-03"},
         "1 event with a time of day, 1 cancelled event"},
        {"a yearly rule without an end, one year excepted",
         calendarOf("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20200501\r\nDTEND;VALUE=DATE:20200502\r\n"
                    "RRULE:FREQ=YEARLY\r\nEXDATE;VALUE=DATE:20270501\r\nSUMMARY:劳动节\r\nEND:VEVENT\r\n"),
         {"2026-05-01", "2028-05-01"},
         ""},
        {"an added date and a multi-day yearly holiday",
         calendarOf(
             "BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261001\r\nDTEND;VALUE=DATE:20261003\r\n"
             "RRULE:FREQ=YEARLY;COUNT=2\r\nRDATE;VALUE=DATE:20261110\r\nSUMMARY:校庆\r\nEND:VEVENT\r\n"),
         {"2026-10-01~2026-10-02", "2026-11-10~2026-11-11", "2027-10-01~2027-10-02"},
         ""},
        {"one event that cannot be read beside one that can",
         calendarOf(holiday + "BEGIN:VEVENT\r\nSUMMARY:no start\r\nEND:VEVENT\r\n"),
         {"2026-10-01~2026-10-03"},
         "1 event that cannot be read (an event without a start date)"},
    };
    for (const Case& c : cases) {
        const HolidayImport read = readHolidays(c.text, 2026);
        EXPECT_EQ(read.error, "") << c.name;
        std::vector<std::string> keys;
        for (const CalendarEntry& entry : read.entries)
            keys.push_back(calendarKeyText(entry.range));
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(keys, c.keys) << c.name;
        EXPECT_EQ(read.leftOut(), c.leftOut) << c.name;
    }
}

TEST(HolidayImport, ASecondImportOfTheSameFileChangesNothing) {
    TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir.path() / "in.ics", kHolidays));
    ASSERT_EQ(importHolidays(dir.path(), dir.path() / "in.ics").error, "");
    const std::string once = readWholeFile(dir.path() / std::filesystem::u8path(kCalendarFileName)).bytes;
    ASSERT_EQ(importHolidays(dir.path(), dir.path() / "in.ics").error, "");
    EXPECT_EQ(readWholeFile(dir.path() / std::filesystem::u8path(kCalendarFileName)).bytes, once);
}

TEST(MakeupDays, AMakeupDayRingsTheWeekdayItsTextNamesAndANoBellDayStillWins) {
    const SchoolCalendar calendar = parseSchoolCalendar(gbkFromUtf8(
        "[补课]\r\n2026-10-10=国庆节(班)\r\n2026-10-11=补周五的课\r\n2026-10-17=星期三,夏季作息表\r\n"
        "2026-10-18=周日\r\n2026-10-24=周四\r\n[不打铃]\r\n2026-10-24=运动会\r\n"));
    struct Case {
        LogDay day;
        DayPlan::Kind kind;
        int timetable;
        int ringsAs;
    };
    const Case cases[] = {
        {{2026, 10, 10}, DayPlan::Kind::Selected, -1, 2}, // names no weekday: Monday
        {{2026, 10, 11}, DayPlan::Kind::Selected, -1, 6}, // 补周五的课: Friday
        {{2026, 10, 17}, DayPlan::Kind::Timetable, 1, 4}, // Wednesday, from 夏季作息表
        {{2026, 10, 18}, DayPlan::Kind::Selected, -1, 1}, // 周日
        {{2026, 10, 24}, DayPlan::Kind::NoBells, -1, 0},  // the no-bell day wins
        {{2026, 10, 25}, DayPlan::Kind::Selected, -1, 0}, // an ordinary day
    };
    for (const Case& c : cases) {
        const DayPlan plan = planFor(calendar, c.day);
        EXPECT_EQ(plan.kind, c.kind) << logDayText(c.day);
        EXPECT_EQ(plan.timetable, c.timetable) << logDayText(c.day);
        EXPECT_EQ(plan.ringsAs, c.ringsAs) << logDayText(c.day);
    }
}

TEST(MakeupDays, ImportedWorkdaysBecomeMakeupDaysAndRingOnsSaysWhatTheyRing) {
    TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir.path() / std::filesystem::u8path("春季作息表.INI"),
                                "*{/srv/bell.mp3;1;0;1;1;1;1;1;0;08:00:00;;;;;;;;;;;;;;;;;;;;;}\r\n"));
    ASSERT_TRUE(writeFileAtomic(
        dir.path() / "in.ics",
        calendarOf("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261001\r\nDTEND;VALUE=DATE:20261008\r\n"
                   "SUMMARY:国庆节\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261010\r\n"
                   "SUMMARY:国庆节(班)\r\nEND:VEVENT\r\n")));
    const HolidayImport imported = importHolidays(dir.path(), dir.path() / "in.ics");
    ASSERT_EQ(imported.error, "");
    EXPECT_EQ(imported.makeupDays.size(), 1u);
    EXPECT_EQ(ringsOnReport(dir.path(), {2026, 10, 10}),
              "timetable\t春季作息表\tas\t周一\n08:00:00\tbell.mp3\t1\n");
    EXPECT_EQ(ringsOnReport(dir.path(), {2026, 10, 3}), "no-bells\t国庆节\n");
    EXPECT_EQ(ringsOnReport(dir.path(), {2026, 10, 17}), "timetable\t春季作息表\n"); // an ordinary Saturday
}

TEST(HolidayImport, ADryRunSaysWhatRingsDifferentlyAndWritesNothing) {
    TempDir dir;
    const std::string before = gbkFromUtf8("[作息表]\r\n10-01~10-31=夏季作息表\r\n");
    ASSERT_TRUE(writeFileAtomic(dir.path() / std::filesystem::u8path(kCalendarFileName), before));
    ASSERT_TRUE(writeFileAtomic(
        dir.path() / "in.ics",
        calendarOf("BEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261001\r\nDTEND;VALUE=DATE:20261003\r\n"
                   "SUMMARY:国庆节\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261010\r\n"
                   "SUMMARY:国庆节(班)\r\nEND:VEVENT\r\n")));
    const HolidayImport preview = importHolidays(dir.path(), dir.path() / "in.ics", true);
    ASSERT_EQ(preview.error, "");
    EXPECT_EQ(readWholeFile(dir.path() / std::filesystem::u8path(kCalendarFileName)).bytes, before);
    std::vector<std::string> changes;
    for (const PlanChange& change : planChanges(preview.before, preview.after, {2026, 9, 30}, 56))
        changes.push_back(logDayText(change.day) + " " + change.before + " -> " + change.after);
    EXPECT_EQ(changes, (std::vector<std::string>{
                           "2026-10-01 timetable 夏季作息表 -> no-bells 国庆节",
                           "2026-10-02 timetable 夏季作息表 -> no-bells 国庆节",
                           "2026-10-10 timetable 夏季作息表 -> timetable 夏季作息表 as 周一",
                       }));
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
