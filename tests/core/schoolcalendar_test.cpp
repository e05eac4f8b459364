#include "core/codepage.h"
#include "core/schoolcalendar.h"

#include <gtest/gtest.h>

using namespace ringvale;

namespace {

const std::string kCalendar = gbkFromUtf8("; 本校校历\r\n"
                                          "[作息表]\r\n"
                                          "05-01~09-30=夏季作息表\r\n"
                                          "10-01~04-30=冬季作息表\r\n"
                                          "12-20~01-10=第6套作息表\r\n"
                                          "2027-01-04=第5套作息表\r\n"
                                          "2027-01-01~2027-01-31=第7套作息表\r\n"
                                          "02-29=第8套作息表\r\n"
                                          "03-01=没有这套作息表\r\n"
                                          "2027-02-30=第9套作息表\r\n"
                                          "[不打铃]\r\n"
                                          "2026-10-01~2026-10-07=国庆节\r\n"
                                          "2027-01-21~2027-02-28=寒假\r\n"
                                          "01-04=开学前一天\r\n");

TEST(SchoolCalendar, ADayRingsItsMostSpecificTimetableUnlessANoBellEntryCoversIt) {
    const SchoolCalendar calendar = parseSchoolCalendar(kCalendar);
    struct Case {
        LogDay day;
        DayPlan plan;
    };
    const auto timetable = [](int index) { return DayPlan{DayPlan::Kind::Timetable, index, {}}; };
    const auto noBells = [](const char* reason) {
        return DayPlan{DayPlan::Kind::NoBells, -1, gbkFromUtf8(reason)};
    };
    for (const Case& c : {
             Case{{2026, 6, 15}, timetable(1)},         // summer
             Case{{2026, 4, 30}, timetable(3)},         // a yearly range over the year's end, last day
             Case{{2026, 12, 25}, timetable(5)},        // the shorter yearly range
             Case{{2027, 1, 5}, timetable(6)},          // dated before yearly
             Case{{2027, 1, 4}, noBells("开学前一天")}, // no-bell days first, even over a dated day
             Case{{2026, 10, 3}, noBells("国庆节")},
             Case{{2027, 2, 28}, noBells("寒假")},
             Case{{2028, 2, 29}, timetable(7)}, // 29 February in a leap year
             Case{{2027, 3, 1}, timetable(3)},  // the unknown name does not count
             Case{{2026, 10, 8}, timetable(3)},
         })
        EXPECT_EQ(planFor(calendar, c.day), c.plan) << logDayText(c.day);
    EXPECT_EQ(calendar.notUnderstood.size(), 2u); // the unknown timetable and 2027-02-30
    EXPECT_EQ(planFor(parseSchoolCalendar(""), {2026, 6, 1}), DayPlan{});
}

TEST(SchoolCalendar, KeysAndTheirTexts) {
    for (const char* key : {"2026-10-01~2026-10-07", "05-01~09-30", "12-31~01-01", "02-29", "2027-01-04"})
        EXPECT_EQ(calendarKeyText(*parseCalendarKey(key)), key);
    for (const char* bad : {"2026-10-07~2026-10-01", "05-01~2026-09-30", "13-01", "2026-1-1", "", "~"})
        EXPECT_FALSE(parseCalendarKey(bad)) << bad;
    EXPECT_EQ(parseCalendarKey("12-31~01-01")->length(), 2);
    const std::string added =
        withNoBellDays(kCalendar, {{*parseCalendarKey("2027-05-01~2027-05-03"), gbkFromUtf8("劳动节")}});
    EXPECT_TRUE(added.starts_with(kCalendar.substr(0, kCalendar.size() - 2)));
    EXPECT_EQ(planFor(parseSchoolCalendar(added), {2027, 5, 2}).reason, gbkFromUtf8("劳动节"));
}

} // namespace
