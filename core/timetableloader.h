#pragma once

#include "core/appconfig.h"
#include "core/filestore.h"
#include "core/schedulecontext.h"

#include <string>
#include <string_view>

namespace ringvale {

// The timetable file at `timetablePath` (GBK) as every reader takes it: a file saved as UTF-8 by
// an editor that does not know GBK is converted (and `utf8` set), so a save writes it back as GBK.
struct TimetableFileRead {
    FileRead file;
    bool utf8 = false;
};
TimetableFileRead readTimetableFile(std::string_view timetablePath);

// Reads the file at timetablePath and rebuilds the rule list, the rule table, the running state
// and the two status labels. What plays plays on. A missing file leaves the running state and
// the labels as they were; a file that exists but cannot be read shows an empty, stopped table
// and marks the state so that no command rewrites the file.
void loadTimetable(ScheduleContext& context);

// Makes timetable `index` (0-16) the one in use: saved as the chosen one, loaded and logged.
// programDir is GBK.
void switchToTimetable(ScheduleContext& context, const AppConfig& config, std::string_view programDir,
                       int index);

// "系统正在运行中" or "系统已停止运行" (GBK), the status text of a running or stopped system.
const std::string& runningStateText(bool running);

} // namespace ringvale
