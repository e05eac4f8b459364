#include "core/holidayimport.h"

#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/filestore.h"

#include <libical/ical.h>

#include <chrono>
#include <ctime>
#include <memory>

namespace ringvale {

namespace {

using Component = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

LogDay dayOf(const icaltimetype& time) {
    return {time.year, time.month, time.day};
}

LogDay dayOfNumber(std::int64_t number) {
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{number}}};
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day()))};
}

// The X-LIC-ERROR libical noted inside one component (not its children), or empty.
std::string errorIn(icalcomponent* component) {
    icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY);
    return p ? icalproperty_get_xlicerror(p) : std::string();
}

std::string propertyText(icalcomponent* event, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY)) {
        const char* propertyName = icalproperty_get_property_name(p);
        if (propertyName && std::string_view(propertyName) == name) {
            const char* value = icalproperty_get_value_as_string(p);
            return value ? value : "";
        }
    }
    return {};
}

// A working day a holiday calendar marks (a makeup school day), which must never silence bells.
bool isWorkday(icalcomponent* event, const std::string& summary) {
    if (propertyText(event, "X-APPLE-SPECIAL-DAY") == "ALTERNATE-WORKDAY")
        return true;
    for (const char* marker : {"(班)", "（班）", "补班", "调休上班", "上班"})
        if (summary.find(marker) != std::string::npos)
            return true;
    return false;
}

struct Occurrences {
    std::int64_t lengthDays = 1;                             // each occurrence's, as the event's own
    std::vector<std::pair<std::int64_t, std::int64_t>> days; // first and last day number
};

void collectOccurrence(icalcomponent*, struct icaltime_span* span, void* data) {
    constexpr std::int64_t kDay = 86400;
    auto* found = static_cast<Occurrences*>(data);
    const std::int64_t first = span->start >= 0 ? span->start / kDay : (span->start - kDay + 1) / kDay;
    found->days.emplace_back(first, first + found->lengthDays - 1);
}

std::string plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::string HolidayImport::leftOut() const {
    std::vector<std::string> parts;
    if (timedIgnored > 0)
        parts.push_back(plural(timedIgnored, "event with a time of day", "events with a time of day"));
    if (cancelledIgnored > 0)
        parts.push_back(plural(cancelledIgnored, "cancelled event", "cancelled events"));
    if (!unreadable.empty())
        parts.push_back(plural(static_cast<int>(unreadable.size()), "event that cannot be read",
                               "events that cannot be read") +
                        " (" + unreadable.front() + ")");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

HolidayImport readHolidays(std::string_view icsText) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return readHolidays(icsText, local.tm_year + 1900);
}

HolidayImport readHolidays(std::string_view icsText, int firstYear) {
    HolidayImport result;
    if (icsText.starts_with("\xEF\xBB\xBF"))
        icsText.remove_prefix(3);
    const std::string text(icsText);
    Component root(icalparser_parse_string(text.c_str()), &icalcomponent_free);
    if (!root || icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) {
        result.error = "not an iCalendar file (no VCALENDAR)";
        return result;
    }
    icaltimetype horizonStart = icaltime_null_date();
    horizonStart.year = firstYear;
    horizonStart.month = 1;
    horizonStart.day = 1;
    horizonStart.is_date = 1;
    icaltimetype horizonEnd = horizonStart;
    horizonEnd.year = firstYear + kRecurrenceYears;
    int events = 0;
    for (icalcomponent* event = icalcomponent_get_first_component(root.get(), ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(root.get(), ICAL_VEVENT_COMPONENT)) {
        ++events;
        const icaltimetype start = icalcomponent_get_dtstart(event);
        if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start)) {
            const std::string why = errorIn(event);
            result.unreadable.push_back(why.empty() ? "an event without a start date" : why);
            continue;
        }
        if (icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED) {
            ++result.cancelledIgnored;
            continue;
        }
        if (!icaltime_is_date(start)) {
            ++result.timedIgnored;
            continue;
        }
        const char* summaryText = icalcomponent_get_summary(event);
        const std::string summary = summaryText && *summaryText ? summaryText : "假日";
        const bool workday = isWorkday(event, summary);
        const bool recurring = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) ||
                               icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY);
        std::vector<std::pair<LogDay, LogDay>> ranges;
        if (recurring) {
            // Only inside the horizon: a rule without an end stops there.
            Occurrences found;
            const icaltimetype end = icalcomponent_get_dtend(event); // exclusive for all-day events
            if (!icaltime_is_null_time(end) && icaltime_compare_date_only(end, start) > 0)
                found.lengthDays = logDayNumber(dayOf(end)) - logDayNumber(dayOf(start));
            icalcomponent_foreach_recurrence(event, horizonStart, horizonEnd, collectOccurrence, &found);
            for (const auto& [first, last] : found.days)
                ranges.emplace_back(dayOfNumber(first), dayOfNumber(last));
        } else {
            icaltimetype end = icalcomponent_get_dtend(event); // exclusive for all-day events
            LogDay last = dayOf(start);
            if (!icaltime_is_null_time(end) && icaltime_compare_date_only(end, start) > 0) {
                icaltime_adjust(&end, -1, 0, 0, 0);
                last = dayOf(end);
            }
            ranges.emplace_back(dayOf(start), last);
        }
        for (const auto& [first, last] : ranges) {
            CalendarEntry entry;
            entry.range = {first, last, false};
            entry.value = gbkFromUtf8(summary);
            (workday ? result.makeupDays : result.entries).push_back(std::move(entry));
        }
    }
    if (events == 0 || (result.entries.empty() && result.makeupDays.empty() &&
                        result.unreadable.size() == static_cast<std::size_t>(events)))
        result.error = events == 0
                           ? "the calendar holds no event"
                           : "no event in the calendar can be read (" + result.unreadable.front() + ")";
    return result;
}

HolidayImport importHolidays(const std::filesystem::path& programDir, const std::filesystem::path& icsFile,
                             bool dryRun) {
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
    std::string text = withNoBellDays(current.text, result.entries);
    static const std::string kMakeup = gbkFromUtf8("补课");
    for (const CalendarEntry& day : result.makeupDays)
        text = withCalendarEntry(text, kMakeup, calendarKeyText(day.range), day.value);
    result.before = current.calendar;
    result.after = parseSchoolCalendar(text);
    if (!dryRun && !writeFileAtomic(calendar, text))
        result.error = "cannot write " + calendar.string();
    return result;
}

} // namespace ringvale
