#include "core/startup.h"

#include "core/gbktext.h"
#include "core/timetable.h"
#include "core/timetableloader.h"

namespace ringvale {

void startUp(ScheduleContext& context, StartupView& view, const AppConfig& config,
             std::string_view programDir, const StartupSteps& steps) {
    using namespace settings;
    view.installTrayIcon();

    // A saved index outside the seventeen timetables selects the first one, on screen and on disk alike.
    int index = textToInt(config.read(systemSection(), timetableKey()));
    if (index < 0 || index >= kTimetableCount)
        index = 0;
    view.selectTimetable(index);
    context.state.timetablePath = timetablePath(programDir, index);

    if (config.readFlag(systemSection(), autoStartKey()))
        view.setAutoStartTicked(true);
    if (config.readFlag(systemSection(), toTrayKey()))
        view.setToTrayTicked(true);

    if (steps.restoreSongSlots)
        steps.restoreSongSlots();

    const std::string shutdownTime = textTrim(config.read(machineSection(), shutdownTimeKey()));
    context.state.shutdownTime = shutdownTime;
    if (!shutdownTime.empty())
        view.setShutdownTicked(true);
    view.setShutdownTimeText(shutdownTime);

    view.setCountyText(config.read(machineSection(), countyKey()));

    if (steps.startWeatherCheck)
        steps.startWeatherCheck();

    loadTimetable(context);
    view.startClock(500);
}

} // namespace ringvale
