#include "shell/appcontroller.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/problemreport.h"
#include "core/schoolcalendar.h"
#include "core/startup.h"
#include "core/timetableloader.h"
#include "media/playcommands.h"
#include "shell/gbkqt.h"
#include "shell/keepingclock.h"
#include "shell/mainwindow.h"
#include "shell/trayicon.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>

namespace ringvale {

AppController::AppController(MainWindow& window, Services services, const std::filesystem::path& programDir)
    : m_window(window), m_dialogs(services.dialogs), m_clock(services.clock), m_programPath(programDir),
      m_playbackReports(services.playbackReports), m_programDir(fromFileName(programDir)),
      m_logFiles(programDir), m_log(m_logFiles, services.clock, services.journal), m_config(programDir),
      m_system(services.commands, services.env), m_context{m_state, window, window, services.playback, m_log},
      m_powerOff([this] {
          const bool accepted = m_system.shutdownComputer(1, true);
          // Logged on the user-interface thread; this runs on the request's own.
          QMetaObject::invokeMethod(
              this,
              [this, accepted] {
                  m_log.record(systemEntry(accepted ? "power-off requested and accepted"
                                                    : "power-off requested and refused; asked again in 5 s"));
              },
              Qt::QueuedConnection);
          return accepted;
      }),
      m_tick(m_context, window, services.clock, m_powerOff), m_editing(m_context, m_editor, services.dialogs),
      m_editorHost(window, m_editing, m_editor, services.dialogs),
      m_commands(m_context, m_editor, m_config, services.dialogs, m_editorHost, m_programDir),
      m_toolbar(m_context, m_editor, m_editorHost, services.dialogs, window,
                [this](std::string county) { runKeepingClock([&] { return m_weather.fetch(county); }); }),
      m_weatherDisplay(std::make_shared<WindowWeatherDisplay>(
          window, [this](const std::string& summary) { m_log.record(systemEntry(summary)); },
          [this](RainForecast result, const std::string& dayText) { forecastRead(result, dayText); })),
      m_weather(services.http, programDir, services.weatherHost, m_weatherDisplay),
      m_songs(m_config, services.playback, window, window, services.dialogs, m_log),
      m_settings(
          window, m_config, m_system, m_state, services.dialogs,
          [this](std::string& county) {
              return runKeepingClock([&] { return m_weather.fetch(county); }) != RainForecast::Unknown;
          },
          services.executable, m_log) {
    m_calendarPath = programDir / std::filesystem::u8path(kCalendarFileName);
    m_tick.setWeatherCheck([this] { m_weather.fetchInBackground(); });
    m_config.setProblemReporter([this](const std::string& problem) {
        reportProblem(problem);
        m_log.record(systemEntry(problem));
    });
    m_playbackReports.setHandler([this](const PlaybackReport& report) { m_log.onPlaybackReport(report); });
    m_log.setWatcher([this](const BellEntry& entry) { entryRecorded(entry); });
    connect(&m_window, &MainWindow::logRequested, this, &AppController::showLog);
    connect(&m_window, &MainWindow::calendarRequested, this, &AppController::showCalendar);
    connect(&m_window, &MainWindow::clockTicked, this, [this](qint64 dueMs) {
        m_tick.onClockTick(WallTime(std::chrono::milliseconds(dueMs)));
        followCalendar();
    });
    connect(&m_window, &MainWindow::trayEvent, this, &AppController::onTrayEvent);
    connect(&m_window, &MainWindow::toolbarButtonClicked, this, &AppController::onToolbarClick);
    connect(&m_window, &MainWindow::timetableChosen, this,
            [this](int index) { m_commands.switchTimetable(index); });
    connect(&m_window, &MainWindow::addRuleRequested, this,
            [this] { m_commands.addRule([this] { m_window.showScheduleView(); }); });
    connect(&m_window, &MainWindow::modifyRuleRequested, this, [this] { m_commands.modifyRule(); });
    connect(&m_window, &MainWindow::deleteRuleRequested, this, [this] { m_commands.deleteRule(); });
    connect(&m_window, &MainWindow::clearTimetableRequested, this, [this] { m_commands.clearTimetable(); });
    connect(&m_window, &MainWindow::playNowRequested, this, [this] { playNow(m_context); });
    connect(&m_window, &MainWindow::stopPlayingRequested, this, [this] { stopPlaying(m_context); });
    connect(&m_window, &MainWindow::exitRequested, &m_window, &MainWindow::requestProgramEnd);
    connect(&m_window, &MainWindow::songSlotPressed, this, [this](int slot, bool left) {
        if (left)
            m_songs.onLeftPress(slot);
        else
            m_songs.onRightPress(slot);
    });
    connect(&m_window, &MainWindow::autoStartClicked, this, [this] { m_settings.autoStartClicked(); });
    connect(&m_window, &MainWindow::toTrayClicked, this, [this] { m_settings.toTrayClicked(); });
    connect(&m_window, &MainWindow::shutdownBoxClicked, this, [this] { m_settings.shutdownBoxClicked(); });
    connect(&m_window, &MainWindow::shutdownTimeTyped, this, [this] { m_settings.shutdownTimeTyped(); });
    connect(&m_window, &MainWindow::shutdownTimeLeft, this, [this] { m_settings.shutdownTimeLeft(); });
    connect(&m_window, &MainWindow::countyTestClicked, this, [this] { m_settings.countyTest(); });
}

AppController::~AppController() {
    m_playbackReports.setHandler(nullptr);
    m_log.setWatcher(nullptr);
    m_log.record(systemEntry("exit"));
    m_weatherDisplay->detach(); // a weather check still running never reaches the window
    // Nor does the program end under it (a closed port answers at once; a silent server is
    // given a moment, then left).
    m_weather.waitForBackground(std::chrono::seconds(2));
}

void AppController::start() {
    StartupSteps steps;
    steps.restoreSongSlots = [this] { m_songs.restoreSlots(); };
    steps.startWeatherCheck = [this] { m_weather.fetchInBackground(); };
    // Read before the start-up logs anything of its own.
    const std::int64_t firstUnwatchedMinute = firstMinuteNotWatched();
    startUp(m_context, m_window, m_config, m_programDir, steps);
    applyCalendar();
    const LogDay today = logDayOf(localTimeAt(m_clock.now()));
    if (const int removed = m_logFiles.removeOld(today); removed > 0)
        m_log.record(systemEntry("removed " + std::to_string(removed) + " log files older than " +
                                 std::to_string(BellDayFiles::kKeptDays) + " days"));
    logMissedBellsAtStart(firstUnwatchedMinute);
    m_log.record(systemEntry("start, timetable " + timetableNameOfPath(m_state.timetablePath) +
                             (m_state.running ? ", running" : ", stopped")));
}

void AppController::forecastRead(RainForecast result, const std::string& dayText) {
    using Forecast = ScheduleState::Forecast;
    m_state.forecast = result == RainForecast::Rain  ? Forecast::Rain
                       : result == RainForecast::Dry ? Forecast::Dry
                                                     : Forecast::Unknown;
    m_state.forecastDay = localMinuteNumber(localTimeAt(m_clock.now())) / 1440;
    m_state.forecastText = utf8FromGbk(dayText);
}

void AppController::followCalendar() {
    std::error_code error;
    const auto stamp = std::filesystem::last_write_time(m_calendarPath, error);
    const std::optional<std::filesystem::file_time_type> now =
        error ? std::nullopt : std::optional<std::filesystem::file_time_type>(stamp);
    if (logDayOf(localTimeAt(m_clock.now())) != m_calendarDay || now != m_calendarStamp)
        applyCalendar();
}

void AppController::applyCalendar() {
    std::error_code error;
    const auto stamp = std::filesystem::last_write_time(m_calendarPath, error);
    m_calendarStamp = error ? std::nullopt : std::optional<std::filesystem::file_time_type>(stamp);
    m_calendarDay = logDayOf(localTimeAt(m_clock.now()));
    const SchoolCalendar calendar = parseSchoolCalendar(readWholeFile(m_calendarPath).bytes);
    for (const std::string& line : calendar.notUnderstood)
        m_log.record(systemEntry(std::string(kCalendarFileName) +
                                 ": a line not understood, kept: " + utf8FromGbk(line)));
    const DayPlan plan = planFor(calendar, m_calendarDay);
    if (plan.reason != m_state.noBellReason) {
        m_state.noBellReason = plan.reason;
        m_state.nextRuleValid = false;
        m_log.record(systemEntry(plan.reason.empty() ? std::string("bells ring today")
                                                     : "no bells today: " + utf8FromGbk(plan.reason)));
    }
    const int selected = textToInt(m_config.read(settings::systemSection(), settings::timetableKey()));
    if (plan.kind == DayPlan::Kind::Timetable && plan.timetable != selected) {
        m_window.selectTimetable(plan.timetable);
        m_commands.switchTimetable(plan.timetable); // logs the switch
    }
}

namespace {

// Shows a window of its own in front of the others.
void bringForward(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

void AppController::showCalendar() {
    if (!m_calendarView)
        m_calendarView = std::make_unique<CalendarView>(m_programPath, m_dialogs);
    m_calendarView->reload(logDayOf(localTimeAt(m_clock.now())));
    bringForward(*m_calendarView);
}

void AppController::showLog() {
    if (!m_logView)
        m_logView = std::make_unique<LogView>(m_logFiles, m_dialogs);
    m_logView->showDay(logDayOf(localTimeAt(m_clock.now())));
    bringForward(*m_logView);
}

void AppController::entryRecorded(const BellEntry& entry) {
    if (m_logView)
        m_logView->entryRecorded(entry);
    if (entry.event == BellEvent::Failed || entry.event == BellEvent::Missed) {
        const QString what = LogView::eventText(entry.event);
        const QString when =
            entry.due.empty() ? QString() : QString::fromStdString(entry.due) + QLatin1Char(' ');
        m_window.trayIcon().notify(QString::fromUtf8("铃声") + what,
                                   when + QString::fromStdString(entry.file) + QStringLiteral("\n") +
                                       QString::fromStdString(entry.detail));
    }
}

std::int64_t AppController::firstMinuteNotWatched() const {
    // After the last thing logged today, or from midnight.
    LocalTime midnight = localTimeAt(m_clock.now());
    midnight.hour = midnight.minute = 0;
    std::int64_t first = localMinuteNumber(midnight);
    const std::vector<BellEntry> today = m_logFiles.readDay(logDayOf(midnight));
    if (!today.empty())
        first = std::max(first, localMinuteNumber(today.back().at) + 1);
    return first;
}

void AppController::logMissedBellsAtStart(std::int64_t firstMinute) {
    if (!m_state.running || !m_state.noBellReason.empty())
        return;
    for (BellEntry& entry : bellsDueBefore(m_state.rules, m_state.timetablePath, firstMinute, m_clock.now(),
                                           BellEvent::Missed, "the program was not running"))
        m_log.record(std::move(entry));
}

void AppController::onToolbarClick(int index) {
    m_toolbar.click(static_cast<ToolbarButton>(index));
}

void AppController::onTrayEvent(TrayEvent event) {
    if (event == TrayEvent::DoubleClick) {
        // Double-click: back to a normal, visible window (also out of maximised).
        m_window.setWindowState(Qt::WindowNoState);
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    } else if (event == TrayEvent::Menu) {
        m_window.showPopupMenu(MainWindow::MenuPlacement::Tray, QCursor::pos());
    }
}

} // namespace ringvale
