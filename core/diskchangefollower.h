#pragma once

#include "core/appconfig.h"
#include "core/belllog.h"
#include "core/filestore.h"
#include "core/schedulestate.h"

#include <functional>

namespace ringvale {

// Follows what another program (or a hand) changes on disk, as the editor's save would: the
// timetable in use and its rain flags are loaded again, and a settings file that names another
// timetable or another power-off time is taken up. Called on each tick, before the tick rings;
// a reload inside a bell's minute never rings again what already rang (the tick's ledger).
class DiskChangeFollower {
public:
    using Reload = std::function<void()>;             // loads the timetable in use, as a save does
    using SwitchTimetable = std::function<void(int)>; // switches and logs the switch

    DiskChangeFollower(ScheduleState& state, const AppConfig& config, BellLog& log, Reload reload,
                       SwitchTimetable switchTimetable);

    // Takes the settings file's present stamp as seen (after the start-up has read it).
    void settle();
    void follow();

private:
    ScheduleState& m_state;
    const AppConfig& m_config;
    BellLog& m_log;
    Reload m_reload;
    SwitchTimetable m_switch;
    FileStamp m_settingsStamp;
};

} // namespace ringvale
