#pragma once

#include "core/schoolcalendar.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// The all-day events of an iCalendar text as no-bell entries named by their summaries (GBK). What
// calendar programs put in besides (unknown, non-standard and X- properties and components,
// time zones) is ignored; recurring events (RRULE, RDATE, EXDATE) are expanded over the years
// from `firstYear` to two years after it. What was left out is counted by kind.
struct HolidayImport {
    std::vector<CalendarEntry> entries;
    int timedIgnored = 0;     // events with a time of day, which are not holidays
    int cancelledIgnored = 0; // STATUS:CANCELLED
    // Makeup school days (班, 补班, 上班, ALTERNATE-WORKDAY): [补课] entries, never no-bell days.
    std::vector<CalendarEntry> makeupDays;
    std::vector<std::string> unreadable; // why each event that could not be read was left out (UTF-8)
    std::string error;                   // why the text was refused (UTF-8); empty when it was read
    SchoolCalendar before, after;        // importHolidays: the calendar before and after the import

    // "2 events with a time of day, 1 cancelled event, …" (UTF-8); empty when nothing was left out.
    std::string leftOut() const;
};

// The years a recurring holiday is expanded over, from this year on.
inline constexpr int kRecurrenceYears = 3;

HolidayImport readHolidays(std::string_view icsText, int firstYear);
// From the current year.
HolidayImport readHolidays(std::string_view icsText);

// Reads the file and adds its holidays to the calendar file in `programDir`. On a malformed
// file the calendar is left unchanged and the result carries the error.
// With `dryRun`, nothing is written: `before` and `after` hold the calendar as it is and as the
// import would leave it, so what rings differently can be shown first.
HolidayImport importHolidays(const std::filesystem::path& programDir, const std::filesystem::path& icsFile,
                             bool dryRun = false);

} // namespace ringvale
