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

} // namespace ringvale
