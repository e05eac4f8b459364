#pragma once

#include "core/appconfig.h"
#include "core/schedulecontext.h"

#include <functional>
#include <string>
#include <string_view>

namespace ringvale {

// What the start-up needs of the main window. Setting a box here runs none of its handlers.
class StartupView {
public:
    virtual ~StartupView() = default;
    // The program's icon in the notification area, with the tooltip "Ringvale".
    virtual void installTrayIcon() = 0;
    virtual void selectTimetable(int index) = 0;
    virtual void setAutoStartTicked(bool ticked) = 0;
    virtual void setToTrayTicked(bool ticked) = 0;
    virtual void setShutdownTicked(bool ticked) = 0;
    virtual void setShutdownTimeText(std::string_view text) = 0;
    virtual void setCountyText(std::string_view text) = 0;
    virtual void startClock(int periodMs) = 0;
};

// Steps of the start-up that other parts of the program supply.
struct StartupSteps {
    std::function<void()> restoreSongSlots;  // fills the twenty request slots
    std::function<void()> startWeatherCheck; // starts the weather check in the background
};

// Restores the saved settings onto the window, selects and loads the saved timetable and starts
// the clock, in that order. programDir is GBK.
void startUp(ScheduleContext& context, StartupView& view, const AppConfig& config,
             std::string_view programDir, const StartupSteps& steps = {});

} // namespace ringvale
