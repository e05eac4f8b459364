#include "core/startbells.h"

#include "core/codepage.h"
#include "core/duebells.h"

#include <algorithm>
#include <map>
#include <optional>

namespace ringvale {

TodaySoFar readTodaySoFar(const BellDayFiles& files, const Clock& clock) {
    LocalTime midnight = localTimeAt(clock.now());
    midnight.hour = midnight.minute = 0;
    const LogDay today = logDayOf(midnight);
    using Key = std::pair<std::int64_t, std::string>;
    const auto count = [&today](std::map<Key, int>& counts, const BellEntry& entry) {
        // A bell that rang and was not heard is counted once, by its rang line.
        const bool bell = entry.event == BellEvent::Rang ||
                          (entry.event == BellEvent::Failed && !entry.detail.starts_with(kNotHeard)) ||
                          entry.event == BellEvent::Skipped;
        if (!bell || entry.due.size() < 5 || entry.file.empty() || entry.row <= 0)
            return;
        LocalTime due = localTimeOfMinute(localMinuteNumber(entry.at));
        due.hour = (entry.due[0] - '0') * 10 + (entry.due[1] - '0');
        due.minute = (entry.due[3] - '0') * 10 + (entry.due[4] - '0');
        if (due.hour < 0 || due.hour > 23 || due.minute < 0 || due.minute > 59 || logDayOf(due) != today)
            return;
        ++counts[{localMinuteNumber(due), gbkFromUtf8(entry.file)}];
    };
    TodaySoFar result;
    result.firstUnwatchedMinute = localMinuteNumber(midnight);
    std::optional<LocalTime> last;
    std::map<Key, int> logged, ledger;
    files.visitDay(today, [&](BellEntry&& entry) {
        last = entry.at;
        count(logged, entry);
    });
    files.visitLedger(today, [&](BellEntry&& entry) { count(ledger, entry); });
    if (last)
        result.firstUnwatchedMinute = std::max(result.firstUnwatchedMinute, localMinuteNumber(*last) + 1);
    for (const auto& [key, times] : ledger)
        logged[key] = std::max(logged[key], times);
    for (const auto& [key, times] : logged)
        for (int i = 0; i < times; ++i)
            result.rung.push_back({key.first, key.second});
    return result;
}

void logMissedBellsAtStart(const ScheduleState& state, BellLog& log, const Clock& clock,
                           std::int64_t firstMinute) {
    if (!state.running || !state.noBellReason.empty())
        return;
    for (BellEntry& entry : bellsDueBefore(state.rules, state.timetablePath, firstMinute, clock.now(),
                                           BellEvent::Missed, std::string(kNotRunning), state.ringsAsWeekday))
        log.record(std::move(entry));
}

void removeOldLogFiles(const BellDayFiles& files, BellLog& log, const Clock& clock) {
    const LogDay today = logDayOf(localTimeAt(clock.now()));
    if (const int removed = files.removeOld(today); removed > 0)
        log.record(systemEntry("removed " + std::to_string(removed) + " log files older than " +
                               std::to_string(BellDayFiles::kKeptDays) + " days"));
}

} // namespace ringvale
