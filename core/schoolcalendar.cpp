#include "core/schoolcalendar.h"

#include "core/codepage.h"
#include "core/profilefile.h"
#include "core/timetable.h"

#include <chrono>
#include <cstdio>

namespace ringvale {

namespace {

constexpr int kLeapYear = 2000;

// "YYYY-MM-DD" (yearly = false) or "MM-DD" (yearly = true, checked against a leap year).
std::optional<std::pair<LogDay, bool>> parseDate(std::string_view text) {
    if (text.size() == 5) {
        const auto day = parseLogDay(std::to_string(kLeapYear) + "-" + std::string(text));
        return day ? std::optional(std::pair{LogDay{0, day->month, day->day}, true}) : std::nullopt;
    }
    const auto day = parseLogDay(text);
    return day ? std::optional(std::pair{*day, false}) : std::nullopt;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string dayText(const LogDay& day, bool yearly) {
    char buffer[16];
    if (yearly)
        std::snprintf(buffer, sizeof buffer, "%02d-%02d", day.month, day.day);
    else
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", day.year, day.month, day.day);
    return buffer;
}

int timetableIndexNamed(std::string_view name) {
    for (int index = 0; index < kTimetableCount; ++index)
        if (timetableName(index) == name)
            return index;
    return -1;
}

} // namespace

bool CalendarRange::covers(const LogDay& day) const {
    if (!yearly)
        return !(day < from) && !(to < day);
    const auto md = [](const LogDay& d) { return d.month * 100 + d.day; };
    const int at = md(day), first = md(from), last = md(to);
    return first <= last ? at >= first && at <= last : at >= first || at <= last;
}

int CalendarRange::length() const {
    if (!yearly)
        return logDayNumber(to) - logDayNumber(from) + 1;
    const int first = logDayNumber({kLeapYear, from.month, from.day}),
              last = logDayNumber({kLeapYear, to.month, to.day});
    return last >= first ? last - first + 1 : last + 366 - first + 1;
}

std::optional<CalendarRange> parseCalendarKey(std::string_view key) {
    key = trimmed(key);
    const std::size_t tilde = key.find('~');
    const auto from = parseDate(trimmed(key.substr(0, tilde)));
    const auto to = tilde == std::string_view::npos ? from : parseDate(trimmed(key.substr(tilde + 1)));
    if (!from || !to || from->second != to->second)
        return std::nullopt;
    CalendarRange range{from->first, to->first, from->second};
    if (!range.yearly && range.to < range.from)
        return std::nullopt;
    return range;
}

SchoolCalendar parseSchoolCalendar(std::string_view text) {
    static const std::string kTimetables = gbkFromUtf8("作息表");
    static const std::string kNoBells = gbkFromUtf8("不打铃");
    static const std::string kMakeup = gbkFromUtf8("补课");
    enum class Section { None, Timetables, NoBells, Makeup, Other } section = Section::None;
    SchoolCalendar calendar;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const std::string_view line = trimmed(raw);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string_view name = trimmed(line.substr(1, line.size() - 2));
            section = name == kTimetables ? Section::Timetables
                      : name == kNoBells  ? Section::NoBells
                      : name == kMakeup   ? Section::Makeup
                                          : Section::Other;
            continue;
        }
        const std::size_t equals = line.find('=');
        const auto range =
            equals == std::string_view::npos ? std::nullopt : parseCalendarKey(line.substr(0, equals));
        const std::string value(equals == std::string_view::npos ? std::string_view()
                                                                 : trimmed(line.substr(equals + 1)));
        if (section == Section::Timetables && range) {
            const int index = timetableIndexNamed(value);
            if (index >= 0) {
                calendar.timetables.push_back({*range, value, index});
                continue;
            }
        } else if (section == Section::NoBells && range && !value.empty()) {
            calendar.noBells.push_back({*range, value, -1});
            continue;
        } else if (section == Section::Makeup && range) {
            int named = -1;
            for (int index = 0; index < kTimetableCount && named < 0; ++index)
                if (value.find(timetableName(index)) != std::string::npos)
                    named = index;
            calendar.makeupDays.push_back({*range, value, named});
            continue;
        }
        calendar.notUnderstood.emplace_back(line);
    }
    return calendar;
}

namespace {

// The most specific entry covering the day: a dated one before a yearly one, then the shorter
// range, then the earlier line.
const CalendarEntry* mostSpecific(const std::vector<CalendarEntry>& entries, const LogDay& day) {
    const CalendarEntry* best = nullptr;
    for (const CalendarEntry& entry : entries) {
        if (!entry.range.covers(day))
            continue;
        if (!best || (best->range.yearly && !entry.range.yearly) ||
            (best->range.yearly == entry.range.yearly && entry.range.length() < best->range.length()))
            best = &entry;
    }
    return best;
}

} // namespace

int makeupWeekday(std::string_view gbkText) {
    const std::string text = utf8FromGbk(gbkText);
    static const char* const kDays[] = {"日", "一", "二", "三", "四", "五", "六"};
    std::size_t earliest = std::string::npos;
    int weekday = 2; // Monday
    for (const char* prefix : {"周", "星期", "礼拜"}) {
        for (int d = 0; d < 7; ++d) {
            for (const std::string& name :
                 {std::string(prefix) + kDays[d], d == 0 ? std::string(prefix) + "天" : ""}) {
                if (name.empty())
                    continue;
                const std::size_t at = text.find(name);
                if (at != std::string::npos && at < earliest) {
                    earliest = at;
                    weekday = d + 1;
                }
            }
        }
    }
    return weekday;
}

std::string weekdayText(int weekday) {
    static const char* const kNames[] = {"周日", "周一", "周二", "周三", "周四", "周五", "周六"};
    return gbkFromUtf8(weekday >= 1 && weekday <= 7 ? kNames[weekday - 1] : "周一");
}

DayPlan planFor(const SchoolCalendar& calendar, const LogDay& day) {
    for (const CalendarEntry& entry : calendar.noBells)
        if (entry.range.covers(day))
            return {DayPlan::Kind::NoBells, -1, entry.value, 0};
    DayPlan plan;
    if (const CalendarEntry* best = mostSpecific(calendar.timetables, day)) {
        plan.kind = DayPlan::Kind::Timetable;
        plan.timetable = best->timetable;
    }
    if (const CalendarEntry* makeup = mostSpecific(calendar.makeupDays, day)) {
        plan.ringsAs = makeupWeekday(makeup->value);
        plan.reason = makeup->value;
        if (makeup->timetable >= 0) {
            plan.kind = DayPlan::Kind::Timetable;
            plan.timetable = makeup->timetable;
        }
    }
    return plan;
}

std::string planText(const DayPlan& plan) {
    std::string text = plan.kind == DayPlan::Kind::NoBells ? "no-bells " + utf8FromGbk(plan.reason)
                       : plan.kind == DayPlan::Kind::Timetable
                           ? "timetable " + utf8FromGbk(timetableName(plan.timetable))
                           : std::string("selected timetable");
    if (plan.ringsAs != 0)
        text += " as " + utf8FromGbk(weekdayText(plan.ringsAs));
    return text;
}

std::vector<PlanChange> planChanges(const SchoolCalendar& before, const SchoolCalendar& after,
                                    const LogDay& from, int days) {
    std::vector<PlanChange> changes;
    const int first = logDayNumber(from);
    for (int n = 0; n < days; ++n) {
        const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{first + n}}};
        const LogDay day{static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                         static_cast<int>(static_cast<unsigned>(date.day()))};
        const DayPlan was = planFor(before, day), will = planFor(after, day);
        if (!(was == will))
            changes.push_back({day, planText(was), planText(will)});
    }
    return changes;
}

std::string calendarKeyText(const CalendarRange& range) {
    std::string key = dayText(range.from, range.yearly);
    if (!(range.from == range.to))
        key += "~" + dayText(range.to, range.yearly);
    return key;
}

std::string withCalendarEntry(std::string_view text, std::string_view section, std::string_view key,
                              std::string_view value) {
    if (!value.empty())
        return withProfileValue(text, section, key, value);
    // Remove the key's line from the section.
    std::string out;
    bool inSection = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
        text.remove_prefix(line.size());
        const std::string_view bare = trimmed(line.substr(0, line.find_first_of("\r\n")));
        if (!bare.empty() && bare.front() == '[' && bare.back() == ']')
            inSection = trimmed(bare.substr(1, bare.size() - 2)) == section;
        const std::size_t equals = bare.find('=');
        if (inSection && equals != std::string_view::npos && trimmed(bare.substr(0, equals)) == key)
            continue;
        out += line;
    }
    return out;
}

std::string withNoBellDays(std::string_view text, const std::vector<CalendarEntry>& entries) {
    static const std::string kNoBells = gbkFromUtf8("不打铃");
    std::string out(text);
    for (const CalendarEntry& entry : entries)
        out = withProfileValue(out, kNoBells, calendarKeyText(entry.range), entry.value);
    return out;
}

} // namespace ringvale
