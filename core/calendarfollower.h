#pragma once

#include "core/appconfig.h"
#include "core/belllog.h"
#include "core/clock.h"
#include "core/schedulestate.h"
#include "core/schoolcalendar.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace ringvale {

// Makes today's timetable and no-bell state what 校历.INI says: at start, at each local midnight
// and whenever the file changes. A switch by hand holds until the next of those.
class CalendarFollower {
public:
    using SwitchTimetable = std::function<void(int index)>; // switches and logs the switch

    CalendarFollower(const std::filesystem::path& programDir, ScheduleState& state, const AppConfig& config,
                     BellLog& log, const Clock& clock, SwitchTimetable switchTimetable);

    // Reads the file and applies it now.
    void apply() { apply(m_clock.now()); }
    // Applies it when the day or the file changed since the last time. Called on each tick
    // before the tick rings, with the boundary the tick's timer aimed at, so the first tick of a
    // day already rings (or silences) by that day's plan.
    void follow(WallTime due = {});

private:
    void apply(WallTime now);
    std::optional<std::filesystem::file_time_type> fileStamp() const;

    std::filesystem::path m_programDir;
    std::filesystem::path m_path;
    std::string m_problem; // what was last said of the file, so it is said once
    ScheduleState& m_state;
    const AppConfig& m_config;
    BellLog& m_log;
    const Clock& m_clock;
    SwitchTimetable m_switch;
    LogDay m_day;                                           // the day it was last applied to
    std::optional<std::filesystem::file_time_type> m_stamp; // of the file then (none: no file)
};

} // namespace ringvale
