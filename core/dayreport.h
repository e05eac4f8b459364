#pragma once

#include "core/belldayfiles.h"
#include "core/schoolcalendar.h"

#include <filesystem>
#include <string>

namespace ringvale {

// What a date rings, from the program directory's calendar, settings and timetable files, as
// `ringvale --rings-on` prints it (UTF-8): "timetable<TAB>NAME" or "no-bells<TAB>REASON", then one
// line per bell in time order, "HH:MM:SS<TAB>FILE NAME<TAB>COUNT".
std::string ringsOnReport(const std::filesystem::path& programDir, const LogDay& day);
// The same under `calendar` instead of the calendar file (what a change would make the day ring).
std::string ringsOnReport(const std::filesystem::path& programDir, const SchoolCalendar& calendar,
                          const LogDay& day);

} // namespace ringvale
