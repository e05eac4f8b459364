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
    std::string_view text = file.bytes;
    if (looksLikeUtf8(text)) {
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        result.text = gbkFromUtf8(text);
        result.problem = path.string() +
                         " is saved as UTF-8, not GBK: it was read as UTF-8; a change made in "
                         "the calendar window saves it as GBK";
    } else {
        result.text = std::move(file.bytes);
    }
    result.calendar = parseSchoolCalendar(result.text);
    return result;
}

} // namespace ringvale
