#pragma once

#include "core/belldayfiles.h"
#include "core/belllog.h"
#include "core/clock.h"
#include "core/schedulestate.h"

#include <cstdint>

namespace ringvale {

// The first minute of today after the last thing logged today (midnight when nothing was): the
// bells due from then until the start rang nowhere. Read before the start logs anything.
std::int64_t firstMinuteNotWatched(const BellDayFiles& files, const Clock& clock);

// Logs those bells as missed ("the program was not running"), on a running day that rings.
void logMissedBellsAtStart(const ScheduleState& state, BellLog& log, const Clock& clock,
                           std::int64_t firstMinute);

// Removes the day files older than the log keeps, and says so.
void removeOldLogFiles(const BellDayFiles& files, BellLog& log, const Clock& clock);

} // namespace ringvale
