#pragma once

#include "core/belldayfiles.h"
#include "core/belllog.h"
#include "core/clock.h"
#include "core/ringledger.h"
#include "core/schedulestate.h"

#include <cstdint>
#include <vector>

namespace ringvale {

// What today's log says before the start logs anything, read in one pass over the day's file
// (and its ledger):
struct TodaySoFar {
    // The first minute after the last thing logged today (midnight when nothing was): the bells
    // due from then until the start rang nowhere.
    std::int64_t firstUnwatchedMinute = 0;
    // The bells that rang, failed or were skipped today, from the log and the ledger (a bell is in
    // the ledger before it is handed to the output), each as often as the fuller of the two says:
    // a program that starts again inside a bell's minute does not ring that bell again.
    std::vector<RungBell> rung;
};
TodaySoFar readTodaySoFar(const BellDayFiles& files, const Clock& clock);

// Logs those bells as missed ("the program was not running"), on a running day that rings.
void logMissedBellsAtStart(const ScheduleState& state, BellLog& log, const Clock& clock,
                           std::int64_t firstMinute);

// Removes the day files older than the log keeps, and says so.
void removeOldLogFiles(const BellDayFiles& files, BellLog& log, const Clock& clock);

} // namespace ringvale
