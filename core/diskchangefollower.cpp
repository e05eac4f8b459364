#include "core/diskchangefollower.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/gbktext.h"
#include "core/raingate.h"
#include "core/timetable.h"

namespace ringvale {

namespace {

bool isTimetableFile(std::string_view path, int index) {
    return displayName(path) == timetableName(index) + ".INI";
}

} // namespace

DiskChangeFollower::DiskChangeFollower(ScheduleState& state, const AppConfig& config, BellLog& log,
                                       Reload reload, SwitchTimetable switchTimetable)
    : m_state(state), m_config(config), m_log(log), m_reload(std::move(reload)),
      m_switch(std::move(switchTimetable)) {}

void DiskChangeFollower::settle() {
    m_settingsStamp = fileStampOf(m_config.path());
}

void DiskChangeFollower::follow() {
    if (const FileStamp settings = fileStampOf(m_config.path()); settings != m_settingsStamp) {
        m_settingsStamp = settings;
        using namespace settings;
        const std::string shutdownTime = textTrim(m_config.read(machineSection(), shutdownTimeKey()));
        if (shutdownTime != m_state.shutdownTime) {
            m_state.shutdownTime = shutdownTime;
            m_log.record(
                systemEntry("the settings file changed: power-off time now " +
                            (shutdownTime.empty() ? std::string("none") : utf8FromGbk(shutdownTime))));
        }
        const int index = textToInt(m_config.read(systemSection(), timetableKey()));
        if (index >= 0 && index < kTimetableCount && !isTimetableFile(m_state.timetablePath, index) &&
            m_switch) {
            m_switch(index);
            return; // the switch loaded the timetable
        }
    }
    if (m_state.timetablePath.empty())
        return;
    if (fileStampOf(toFileName(m_state.timetablePath)) == m_state.timetableStamp &&
        fileStampOf(rainGatePath(m_state.timetablePath)) == m_state.rainGateStamp)
        return;
    m_log.record(systemEntry("timetable " + timetableNameOfPath(m_state.timetablePath) +
                             " changed on disk; loaded again"));
    if (m_reload)
        m_reload();
}

} // namespace ringvale
