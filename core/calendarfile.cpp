#include "core/calendarfile.h"

#include "core/codepage.h"

namespace ringvale {

std::filesystem::path calendarFilePath(const std::filesystem::path& programDir) {
    return programDir / std::filesystem::u8path(kCalendarFileName);
}

CalendarFile readCalendarFile(const std::filesystem::path& programDir) {
    const std::filesystem::path path = calendarFilePath(programDir);
    FileRead file = readWholeFile(path);
    CalendarFile result;
    result.status = file.status;
    if (file.status == FileRead::Status::Unreadable) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        result.problem = path.string() + " cannot be read" +
                         (!error && size > kLargestReadableFile
                              ? " (" + std::to_string(size) + " bytes; a calendar holds at most " +
                                    std::to_string(kLargestReadableFile) + ")"
                              : " (not a regular file, or no permission)") +
                         ": no calendar entry holds until it can";
        return result;
    }
    bool utf8 = false;
    result.text = gbkFileText(std::move(file.bytes), &utf8);
    if (utf8)
        result.problem = path.string() +
                         " is saved as UTF-8, not GBK: it was read as UTF-8; a change made in "
                         "the calendar window saves it as GBK";
    result.calendar = parseSchoolCalendar(result.text);
    return result;
}

} // namespace ringvale
