#pragma once

#include "core/appconfig.h"
#include "core/belllog.h"
#include "core/dialogs.h"
#include "core/schedulestate.h"
#include "media/weatherprobe.h"
#include "shell/systemservices.h"

#include <filesystem>

namespace ringvale {

class MainWindow;

// The settings controls left of the help text. Each writes its setting the moment it changes.
class SettingsPanel {
public:
    SettingsPanel(MainWindow& window, const AppConfig& config, SystemServices& system, ScheduleState& state,
                  Dialogs& dialogs, const WeatherProbe& weather, std::filesystem::path executable,
                  BellLog& log);

    void autoStartClicked();
    void toTrayClicked();
    void shutdownBoxClicked();
    void shutdownTimeTyped();
    void shutdownTimeLeft();
    void countyTest();

private:
    MainWindow& m_window;
    const AppConfig& m_config;
    SystemServices& m_system;
    ScheduleState& m_state;
    Dialogs& m_dialogs;
    const WeatherProbe& m_weather;
    std::filesystem::path m_executable;
    BellLog& m_log;
};

} // namespace ringvale
