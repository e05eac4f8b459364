#include "core/startbells.h"

#include "core/duebells.h"

#include <algorithm>

namespace ringvale {

std::int64_t firstMinuteNotWatched(const BellDayFiles& files, const Clock& clock) {
    LocalTime midnight = localTimeAt(clock.now());
    midnight.hour = midnight.minute = 0;
    std::int64_t first = localMinuteNumber(midnight);
    const std::vector<BellEntry> today = files.readDay(logDayOf(midnight));
    if (!today.empty())
        first = std::max(first, localMinuteNumber(today.back().at) + 1);
    return first;
}

void logMissedBellsAtStart(const ScheduleState& state, BellLog& log, const Clock& clock,
                           std::int64_t firstMinute) {
    if (!state.running || !state.noBellReason.empty())
        return;
    for (BellEntry& entry : bellsDueBefore(state.rules, state.timetablePath, firstMinute, clock.now(),
                                           BellEvent::Missed, "the program was not running"))
        log.record(std::move(entry));
}

void removeOldLogFiles(const BellDayFiles& files, BellLog& log, const Clock& clock) {
    const LogDay today = logDayOf(localTimeAt(clock.now()));
    if (const int removed = files.removeOld(today); removed > 0)
        log.record(systemEntry("removed " + std::to_string(removed) + " log files older than " +
                               std::to_string(BellDayFiles::kKeptDays) + " days"));
}

} // namespace ringvale
