#pragma once

#include "appconfig.h"
#include "clock.h"
#include "clocktick.h"
#include "commandrunner.h"
#include "playback.h"
#include "programdir.h"
#include "schedulecontext.h"
#include "schedulestate.h"
#include "systemservices.h"

#include <QObject>

#include <filesystem>
#include <string>

namespace ringvale {

class MainWindow;

// The program's composition: owns the schedule state and the services, and wires the main
// window's events to the scheduler's procedures.
class AppController final : public QObject, private PowerSwitch {
    Q_OBJECT
public:
    struct Services {
        Playback& playback;
        const Clock& clock;
        CommandRunner& commands;
        EnvLookup env;
    };

    AppController(MainWindow& window, Services services, const std::filesystem::path& programDir);

    // The start-up: restores the settings, loads the saved timetable, starts the clock.
    void start();

    ScheduleState& state() { return m_state; }
    ScheduleContext& context() { return m_context; }
    const AppConfig& config() const { return m_config; }
    SystemServices& systemServices() { return m_system; }

private:
    bool powerOffForced() override;
    void onTrayEvent(int kind);

    MainWindow& m_window;
    std::string m_programDir; // GBK
    AppConfig m_config;
    SystemServices m_system;
    ScheduleState m_state;
    ScheduleContext m_context;
    ClockTick m_tick;
};

} // namespace ringvale
