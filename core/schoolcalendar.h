#pragma once

// The school year: 校历.INI in the program directory (GBK, CRLF, the settings file's format).
//   [作息表]   a date, a yearly date or a range = the timetable that rings on those days
//   [不打铃]   a date, a yearly date or a range = the reason no bell rings then
//   [补课]     a date, a yearly date or a range = a text naming the weekday whose bells ring then
//             (周一 … 周日 or 星期一 … 星期日; none: Monday's) and, if it names one, the timetable:
//             a makeup school day, such as a Saturday that rings as a Friday
// Keys: YYYY-MM-DD, MM-DD, or A~B of one kind (both ends included; a yearly range may run over
// the year's end).

#include "core/belldayfiles.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

inline constexpr const char* kCalendarFileName = "校历.INI";

struct CalendarRange {
    LogDay from;
    LogDay to;
    bool yearly = false; // then only month and day count

    bool covers(const LogDay& day) const;
    // Days in the range (a yearly range counted in a leap year).
    int length() const;
};

// A key of the calendar file, or nullopt when it is not one.
std::optional<CalendarRange> parseCalendarKey(std::string_view key);

struct CalendarEntry {
    CalendarRange range;
    std::string value;  // GBK: a timetable name, or a reason
    int timetable = -1; // the timetable's index, for [作息表] entries
};

struct SchoolCalendar {
    std::vector<CalendarEntry> timetables;
    std::vector<CalendarEntry> noBells;
    std::vector<CalendarEntry> makeupDays;  // timetable: the one its text names, or -1
    std::vector<std::string> notUnderstood; // lines kept in the file but not used (GBK)
};

SchoolCalendar parseSchoolCalendar(std::string_view text);

// What a day rings.
struct DayPlan {
    enum class Kind { Selected, Timetable, NoBells };
    Kind kind = Kind::Selected;
    int timetable = -1; // Kind::Timetable
    std::string reason; // Kind::NoBells, GBK; a makeup day: its text
    int ringsAs = 0;    // a makeup day: the weekday whose bells ring (1 = Sunday … 7); 0: its own
    bool operator==(const DayPlan&) const = default;
};

// The weekday a makeup day's text names (周一 … 周日, 星期一 … 星期日, 周天; 1 = Sunday … 7), or
// Monday when it names none.
int makeupWeekday(std::string_view gbkText);
// "周一" … "周日" (GBK) for weekday 1 = Sunday … 7.
std::string weekdayText(int weekday);

// Any no-bell entry covering the day wins; else the most specific timetable entry (a dated one
// before a yearly one, then the shorter range, then the earlier line) names the timetable, and
// the most specific makeup entry the weekday it rings as (and its timetable, when it names one);
// else the selected one.
DayPlan planFor(const SchoolCalendar& calendar, const LogDay& day);

// A day that rings differently under another calendar: what each says of it (UTF-8, English
// keywords for scripts: "timetable NAME", "selected timetable", "no-bells REASON", "… as 周N").
struct PlanChange {
    LogDay day;
    std::string before;
    std::string after;
};
std::string planText(const DayPlan& plan);
// The days from `from` on, for `days` days, that `after` plans otherwise than `before`.
std::vector<PlanChange> planChanges(const SchoolCalendar& before, const SchoolCalendar& after,
                                    const LogDay& from, int days);

// The calendar text with `entries` added to [不打铃] (key = range, value = reason, GBK).
std::string withNoBellDays(std::string_view text, const std::vector<CalendarEntry>& entries);

// The calendar text with key `key` of section `section` (both GBK) set to `value`, or, with an
// empty value, removed. Every other line stays as it was.
std::string withCalendarEntry(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value);

// "YYYY-MM-DD" or "MM-DD", joined by "~" for a range of more than a day.
std::string calendarKeyText(const CalendarRange& range);

} // namespace ringvale
