#pragma once

#include "core/schoolcalendar.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// The all-day events of an iCalendar text as no-bell entries named by their summaries (GBK).
struct HolidayImport {
    std::vector<CalendarEntry> entries;
    int timedIgnored = 0; // events with a time of day, which are not holidays
    std::string error;    // why the text was refused (UTF-8); empty when it was read
};

HolidayImport readHolidays(std::string_view icsText);

// Reads the file and adds its holidays to the calendar file in `programDir`. On a malformed
// file the calendar is left unchanged and the result carries the error.
HolidayImport importHolidays(const std::filesystem::path& programDir, const std::filesystem::path& icsFile);

} // namespace ringvale
