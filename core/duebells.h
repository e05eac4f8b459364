#pragma once

// Which rules are due when, and the log entries that name them.

#include "core/belllog.h"
#include "core/clock.h"
#include "core/playrule.h"

#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// "HH:MM:", the prefix a slot of minute hour:minute starts with.
std::string minutePrefix(int hour, int minute);

// The first slot of `rule` due on weekday w (1 = Sunday) in the minute of `prefix`, or null.
const std::string* dueSlot(const PlayRule& rule, int weekday, std::string_view prefix);

struct DueBell {
    std::size_t element; // the rule's place in the list, which is its table row
    std::string slot;    // GBK, HH:MM:SS as stored
};

// The rules due in the local minute of `time`, in list order, each once.
std::vector<DueBell> dueBellsAt(const std::vector<PlayRule>& rules, const LocalTime& time);

// The name of the timetable whose file is `timetablePath` (GBK), in UTF-8: "春季作息表".
std::string timetableNameOfPath(std::string_view timetablePath);

// A log entry naming rule `element` of `rules` and its slot.
BellEntry bellEntryFor(BellEvent event, const std::vector<PlayRule>& rules, std::size_t element,
                       std::string_view slot, std::string_view timetablePath, std::string detail = {});

// Why a due bell did not ring, as the log says it (the window shows each in Chinese).
inline constexpr std::string_view kNotRunning = "the program was not running";
inline constexpr std::string_view kSystemStopped = "system stopped";
inline constexpr std::string_view kNoTickCame =
    "no tick came in its minute (the clock stepped or the machine slept)";
inline constexpr std::string_view kSkippedByClock =
    "the clock skipped its minute (summer time began); it cannot ring";

// Entries of `event` for every bell due in the local minutes from `firstMinute` (a
// localMinuteNumber) up to, not including, the minute of `now`, oldest first. A bell of a
// minute the clock skipped says so instead of `detail`.
std::vector<BellEntry> bellsDueBefore(const std::vector<PlayRule>& rules, std::string_view timetablePath,
                                      std::int64_t firstMinute, WallTime now, BellEvent event,
                                      const std::string& detail, int ringsAsWeekday = 0);

// The start of the local minute of `instant`.
WallTime minuteStart(WallTime instant);

} // namespace ringvale
