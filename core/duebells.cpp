#include "core/duebells.h"

#include "core/codepage.h"
#include "core/gbktext.h"

#include <cstdio>

namespace ringvale {

std::string minutePrefix(int hour, int minute) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d:%02d:", hour, minute);
    return prefix;
}

const std::string* dueSlot(const PlayRule& rule, int weekday, std::string_view prefix) {
    const std::size_t day = static_cast<std::size_t>(weekday - 1);
    if (day >= rule.days.size() || rule.days[day] == 0)
        return nullptr;
    for (const std::string& slot : rule.times)
        if (!slot.empty() && textFind(slot, prefix) > 0)
            return &slot;
    return nullptr;
}

std::vector<DueBell> dueBellsAt(const std::vector<PlayRule>& rules, const LocalTime& time) {
    const std::string prefix = minutePrefix(time.hour, time.minute);
    std::vector<DueBell> due;
    for (std::size_t k = 0; k < rules.size(); ++k)
        if (const std::string* slot = dueSlot(rules[k], time.weekday, prefix))
            due.push_back({k, *slot});
    return due;
}

std::string timetableNameOfPath(std::string_view timetablePath) {
    std::string name = displayName(timetablePath);
    if (name.size() > 4 && name.ends_with(".INI"))
        name.resize(name.size() - 4);
    return utf8FromGbk(name);
}

BellEntry bellEntryFor(BellEvent event, const std::vector<PlayRule>& rules, std::size_t element,
                       std::string_view slot, std::string_view timetablePath, std::string detail) {
    BellEntry entry;
    entry.event = event;
    entry.due = utf8FromGbk(textTrim(slot));
    entry.timetable = timetableNameOfPath(timetablePath);
    entry.row = static_cast<int>(element);
    if (element < rules.size())
        entry.file = utf8FromGbk(rules[element].musicPath);
    entry.detail = std::move(detail);
    return entry;
}

std::vector<BellEntry> bellsDueBefore(const std::vector<PlayRule>& rules, std::string_view timetablePath,
                                      std::int64_t firstMinute, WallTime now, BellEvent event,
                                      const std::string& detail, int ringsAsWeekday) {
    std::vector<BellEntry> entries;
    const std::int64_t nowMinute = localMinuteNumber(localTimeAt(now));
    for (std::int64_t minute = firstMinute; minute < nowMinute; ++minute) {
        LocalTime time = localTimeOfMinute(minute);
        if (ringsAsWeekday != 0 && minute / 1440 == nowMinute / 1440)
            time.weekday = ringsAsWeekday; // a makeup day rings another weekday's bells
        for (const DueBell& bell : dueBellsAt(rules, time))
            entries.push_back(
                bellEntryFor(event, rules, bell.element, bell.slot, timetablePath,
                             localMinuteExists(minute) ? detail : std::string(kSkippedByClock)));
    }
    return entries;
}

WallTime minuteStart(WallTime instant) {
    const LocalTime local = localTimeAt(instant);
    return instant - std::chrono::seconds(local.second) - std::chrono::milliseconds(local.millisecond);
}

} // namespace ringvale
