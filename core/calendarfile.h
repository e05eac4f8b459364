#pragma once

#include "core/filestore.h"
#include "core/schoolcalendar.h"

#include <filesystem>
#include <string>

namespace ringvale {

// 校历.INI as every part of the program reads it. A file saved as UTF-8 (by an editor that does
// not know GBK) is read all the same, converted; a file that cannot be read (larger than any
// calendar, not a regular file, no permission) reads as empty. Either is said in `problem`.
struct CalendarFile {
    FileRead::Status status = FileRead::Status::Missing;
    std::string text; // GBK: the file's text, converted when it was UTF-8
    SchoolCalendar calendar;
    std::string problem; // UTF-8, naming the file and why; empty when it read as it should
};

std::filesystem::path calendarFilePath(const std::filesystem::path& programDir);
CalendarFile readCalendarFile(const std::filesystem::path& programDir);

// The calendar's sections as an edit names them.
enum class CalendarSection { Timetables, NoBells, Makeup };
// The section's name in the file (GBK): 作息表, 不打铃, 补课.
std::string calendarSectionName(CalendarSection section);

// One entry set (or, with an empty value, removed) in the calendar as it is on disk, not yet
// written: the new text, or why it is refused (a key that is no date or range, a timetable that
// does not exist, a file that cannot be read), in Chinese (UTF-8), for the window and the console.
struct CalendarEdit {
    CalendarFile current;
    std::string text;    // GBK, the file after the edit
    std::string key;     // the key as the file keeps it
    std::string refused; // UTF-8; empty when the edit can be written
};
CalendarEdit editCalendar(const std::filesystem::path& programDir, CalendarSection section,
                          std::string_view key, std::string_view gbkValue);

} // namespace ringvale
