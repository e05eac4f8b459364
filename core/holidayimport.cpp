#include "core/holidayimport.h"

#include "core/calendarfile.h"

#include "core/codepage.h"
#include "core/filestore.h"

#include <libical/ical.h>

#include <memory>

namespace ringvale {

namespace {

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

LogDay dayOf(const icaltimetype& time) {
    return {time.year, time.month, time.day};
}

// The first error libical noted in the component tree, or empty.
std::string firstError(icalcomponent* component) {
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY))
        return icalproperty_get_xlicerror(p);
    for (icalcomponent* c = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        if (std::string error = firstError(c); !error.empty())
            return error;
    return {};
}

} // namespace

HolidayImport readHolidays(std::string_view icsText) {
    HolidayImport result;
    const std::string text(icsText);
    Component root(icalparser_parse_string(text.c_str()), &icalcomponent_free);
    if (!root || icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) {
        result.error = "not an iCalendar file (no VCALENDAR)";
        return result;
    }
    if (std::string error = firstError(root.get()); !error.empty()) {
        result.error = "malformed iCalendar file: " + error;
        return result;
    }
    for (icalcomponent* event = icalcomponent_get_first_component(root.get(), ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(root.get(), ICAL_VEVENT_COMPONENT)) {
        const icaltimetype start = icalcomponent_get_dtstart(event);
        if (icaltime_is_null_time(start)) {
            result.error = "malformed iCalendar file: an event without DTSTART";
            return result;
        }
        if (!icaltime_is_date(start)) {
            ++result.timedIgnored;
            continue;
        }
        icaltimetype end = icalcomponent_get_dtend(event); // exclusive for all-day events
        LogDay last = dayOf(start);
        if (!icaltime_is_null_time(end) && icaltime_compare_date_only(end, start) > 0) {
            icaltime_adjust(&end, -1, 0, 0, 0);
            last = dayOf(end);
        }
        const char* summary = icalcomponent_get_summary(event);
        CalendarEntry entry;
        entry.range = {dayOf(start), last, false};
        entry.value = gbkFromUtf8(summary && *summary ? summary : "假日");
        result.entries.push_back(std::move(entry));
    }
    return result;
}

HolidayImport importHolidays(const std::filesystem::path& programDir, const std::filesystem::path& icsFile) {
    const FileRead file = readWholeFile(icsFile);
    if (!file.ok()) {
        HolidayImport result;
        result.error = "cannot read " + icsFile.string();
        return result;
    }
    HolidayImport result = readHolidays(file.bytes);
    if (!result.error.empty())
        return result;
    const std::filesystem::path calendar = calendarFilePath(programDir);
    const CalendarFile current = readCalendarFile(programDir);
    if (current.status == FileRead::Status::Unreadable) {
        result.error = current.problem; // never written over with less
        return result;
    }
    if (!writeFileAtomic(calendar, withNoBellDays(current.text, result.entries)))
        result.error = "cannot write " + calendar.string();
    return result;
}

} // namespace ringvale
