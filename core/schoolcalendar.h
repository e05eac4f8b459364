#pragma once

// The school year: 校历.INI in the program directory (GBK, CRLF, the settings file's format).
//   [作息表]   a date, a yearly date or a range = the timetable that rings on those days
//   [不打铃]   a date, a yearly date or a range = the reason no bell rings then
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
    std::vector<std::string> notUnderstood; // lines kept in the file but not used (GBK)
};

SchoolCalendar parseSchoolCalendar(std::string_view text);

// What a day rings.
struct DayPlan {
    enum class Kind { Selected, Timetable, NoBells };
    Kind kind = Kind::Selected;
    int timetable = -1; // Kind::Timetable
    std::string reason; // Kind::NoBells, GBK
    bool operator==(const DayPlan&) const = default;
};

// Any no-bell entry covering the day wins; else the most specific timetable entry (a dated one
// before a yearly one, then the shorter range, then the earlier line); else the selected one.
DayPlan planFor(const SchoolCalendar& calendar, const LogDay& day);

// The calendar text with `entries` added to [不打铃] (key = range, value = reason, GBK).
std::string withNoBellDays(std::string_view text, const std::vector<CalendarEntry>& entries);

// The calendar text with key `key` of section `section` (both GBK) set to `value`, or, with an
// empty value, removed. Every other line stays as it was.
std::string withCalendarEntry(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value);

// "YYYY-MM-DD" or "MM-DD", joined by "~" for a range of more than a day.
std::string calendarKeyText(const CalendarRange& range);

} // namespace ringvale
