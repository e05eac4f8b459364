#include "core/calendarfile.h"

#include "core/codepage.h"
#include "core/gbktext.h"
#include "core/timetable.h"

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

std::string calendarSectionName(CalendarSection section) {
    return gbkFromUtf8(section == CalendarSection::NoBells  ? "不打铃"
                       : section == CalendarSection::Makeup ? "补课"
                                                            : "作息表");
}

CalendarEdit editCalendar(const std::filesystem::path& programDir, CalendarSection section,
                          std::string_view key, std::string_view gbkValue) {
    CalendarEdit edit;
    const auto range = parseCalendarKey(key);
    if (!range) {
        edit.refused = "日期应写作 YYYY-MM-DD、MM-DD 或 A~B：" + utf8FromGbk(key);
        return edit;
    }
    const std::string value = textTrim(gbkValue);
    if (section == CalendarSection::Timetables && !value.empty()) {
        bool known = false;
        for (int index = 0; index < kTimetableCount; ++index)
            known = known || timetableName(index) == value;
        if (!known) {
            edit.refused = "没有这套作息表：" + utf8FromGbk(value);
            return edit;
        }
    }
    edit.current = readCalendarFile(programDir);
    if (edit.current.status == FileRead::Status::Unreadable) {
        edit.refused = "校历文件无法读取，没有修改。";
        return edit;
    }
    edit.key = calendarKeyText(*range);
    edit.text = withCalendarEntry(edit.current.text, calendarSectionName(section), edit.key, value);
    return edit;
}

} // namespace ringvale
