#pragma once

#include "playback.h"
#include "schedulecontext.h"
#include "schedulestate.h"

#include <QObject>

#include <string>

namespace ringvale {

class MainWindow;

// Wires the main window's commands to the scheduler's procedures and owns the schedule state.
class AppController final : public QObject {
    Q_OBJECT
public:
    // programDir is the GBK text of the program directory.
    AppController(MainWindow& window, Playback& playback, std::string programDir);

    // Selects the timetable shown in the selector and loads it.
    void start();

    ScheduleState& state() { return m_state; }
    ScheduleContext& context() { return m_context; }

private:
    MainWindow& m_window;
    std::string m_programDir;
    ScheduleState m_state;
    ScheduleContext m_context;
};

} // namespace ringvale
