#include "shell/appcontroller.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/lockdown.h"
#include "core/problemreport.h"
#include "core/schoolcalendar.h"
#include "core/startbells.h"
#include "core/startup.h"
#include "core/timetable.h"
#include "core/timetableloader.h"
#include "core/version.h"
#include "media/playcommands.h"
#include "shell/gbkqt.h"
#include "shell/keepingclock.h"
#include "shell/mainwindow.h"
#include "shell/trayicon.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <cstring>

namespace ringvale {

AppController::AppController(MainWindow& window, Services services, const std::filesystem::path& programDir,
                             std::optional<CampusSetup> campus, std::unique_ptr<MqttLink> campusLink)
    : m_window(window), m_dialogs(services.dialogs), m_clock(services.clock), m_programPath(programDir),
      m_playbackReports(services.playbackReports), m_system(services.commands, services.env),
      m_powerOff([this] {
          const bool accepted = m_system.shutdownComputer(1, true);
          // Logged on the user-interface thread; this runs on the request's own.
          QMetaObject::invokeMethod(
              this,
              [this, accepted] {
                  m_engine->log().record(
                      systemEntry(accepted ? "power-off requested and accepted"
                                           : "power-off requested and refused; asked again in 5 s"));
              },
              Qt::QueuedConnection);
          return accepted;
      }),
      m_weatherDisplay(std::make_shared<WindowWeatherDisplay>(window, nullptr, nullptr)),
      m_engine(makeEngine(services, programDir, std::move(campus), std::move(campusLink))),
      m_context(m_engine->bells()), m_commandContext(m_engine->commands()),
      m_editing(m_context, m_editor, services.dialogs),
      m_editorHost(window, m_editing, m_editor, services.dialogs),
      m_commands(m_context, m_editor, m_engine->config(), services.dialogs, m_editorHost,
                 m_engine->programDir()),
      m_toolbar(
          m_commandContext, m_editor, m_editorHost, services.dialogs, window,
          [this](std::string county) { runKeepingClock([&] { return m_engine->weather().fetch(county); }); }),
      m_songs(m_engine->config(), m_commandContext.playback, window, window, services.dialogs,
              m_engine->log()),
      m_settings(
          window, m_engine->config(), m_system, m_engine->state(), services.dialogs,
          [this](std::string& county) {
              return runKeepingClock([&] { return m_engine->weather().fetch(county); }) !=
                     RainForecast::Unknown;
          },
          services.executable, m_engine->log()),
      m_fetchFeed(services.fetchFeed) {
    m_playbackReports.setHandler([this](const PlaybackReport& report) { m_engine->playbackReport(report); });
    connect(&m_window, &MainWindow::lockdownRequested, this, &AppController::toggleLockdown);
    connect(&m_window, &MainWindow::webConsoleRequested, this, &AppController::showWebConsole);
    connect(&m_window, &MainWindow::soundSettingsRequested, this, &AppController::showSoundSettings);
    connect(&m_window, &MainWindow::logRequested, this, &AppController::showLog);
    connect(&m_window, &MainWindow::calendarRequested, this, &AppController::showCalendar);
    connect(&m_window, &MainWindow::clockTicked, this,
            [this](qint64 dueMs) { m_engine->tick(WallTime{std::chrono::milliseconds(dueMs)}); });
    connect(&m_window, &MainWindow::trayEvent, this, &AppController::onTrayEvent);
    connect(&m_window, &MainWindow::toolbarButtonClicked, this, &AppController::onToolbarClick);
    connect(&m_window, &MainWindow::timetableChosen, this,
            [this](int index) { m_commands.switchTimetable(index); });
    connect(&m_window, &MainWindow::addRuleRequested, this,
            [this] { m_commands.addRule([this] { m_window.showScheduleView(); }); });
    connect(&m_window, &MainWindow::modifyRuleRequested, this, [this] { m_commands.modifyRule(); });
    connect(&m_window, &MainWindow::deleteRuleRequested, this, [this] { m_commands.deleteRule(); });
    connect(&m_window, &MainWindow::clearTimetableRequested, this, [this] { m_commands.clearTimetable(); });
    connect(&m_window, &MainWindow::exportCsvRequested, this, [this] { m_commands.exportCsv(); });
    connect(&m_window, &MainWindow::importCsvRequested, this, [this] { m_commands.importCsv(); });
    connect(&m_window, &MainWindow::campusRequested, this, &AppController::showCampus);
    connect(&m_window, &MainWindow::playNowRequested, this, [this] { playNow(m_commandContext); });
    connect(&m_window, &MainWindow::stopPlayingRequested, this, [this] { stopPlaying(m_commandContext); });
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

std::unique_ptr<BellEngine> AppController::makeEngine(const Services& services,
                                                      const std::filesystem::path& programDir,
                                                      std::optional<CampusSetup> campus,
                                                      std::unique_ptr<MqttLink> campusLink) {
    BellEngine::Services engine{services.playback,
                                services.clock,
                                [this](std::function<void()> task) {
                                    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
                                },
                                m_powerOff,
                                services.http,
                                services.weatherHost,
                                services.journal,
                                std::move(campus),
                                std::move(campusLink),
                                services.clockSynchronised,
                                services.fetchFeed,
                                [this](const EngineParts& parts) {
                                    auto console = std::make_unique<WebConsole>(parts);
                                    m_web = console.get();
                                    return console;
                                },
                                m_weatherDisplay};
    BellEngine::Hooks hooks;
    hooks.switchTimetable = [this](int index) {
        m_window.selectTimetable(index);
        m_commands.switchTimetable(index); // logs the switch
    };
    hooks.timetableReread = [this] { m_editorHost.timetableSwitched(); }; // an open editor shows the file now
    hooks.buildingsChanged = [this] {
        if (m_campusView)
            m_campusView->showBuildings(m_engine->campus()->buildings());
    };
    hooks.entryRecorded = [this](const BellEntry& entry) { entryRecorded(entry); };
    hooks.settingsProblem = [](const std::string& problem) { reportProblem(problem); };
    hooks.faceSaid = [this](const std::string& said) { faceSaid(said); };
    return std::make_unique<BellEngine>(std::move(engine),
                                        BellEngine::Views{m_window, m_window, m_window, m_window}, programDir,
                                        std::move(hooks));
}

AppController::~AppController() {
    m_web->stop(); // no console request reaches a half-gone window
    m_playbackReports.setHandler(nullptr);
    m_weatherDisplay->detach(); // a weather check still running never reaches the window
}

void AppController::start() {
    StartupSteps steps;
    steps.restoreSongSlots = [this] { m_songs.restoreSlots(); };
    m_engine->start("start", steps);
}

void AppController::faceSaid(const std::string& said) {
    if (said.starts_with("no web console: "))
        m_window.trayIcon().notify(QString::fromUtf8("网页控制台没有启动"),
                                   QString::fromStdString(said.substr(std::strlen("no web console: "))));
    if (said.find("in clear") != std::string::npos)
        m_window.trayIcon().notify(QString::fromUtf8("网页控制台"),
                                   QString::fromUtf8("网页控制台使用明文 HTTP：密码会以明文在网络上传输。"
                                                     "请用 --web-cert 和 --web-key 启用 HTTPS。"));
}

void AppController::toggleLockdown() {
    const bool on = !m_engine->state().lockdown;
    const std::string question =
        gbkFromUtf8(on ? "全校停铃：所有定时铃声都不响，直到解除为止。立即播放和警报照常。确定吗？"
                       : "解除全校停铃，定时铃声恢复？");
    if (!m_dialogs.askYesNo(question, gbkFromUtf8("提示...")))
        return;
    setLockdown(m_context, m_programPath, on, "window", m_clock);
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
    if (!m_calendarView) {
        m_calendarView = std::make_unique<CalendarView>(m_programPath, m_dialogs);
        m_calendarView->setFeedFetch(m_fetchFeed);
    }
    m_calendarView->reload(logDayOf(localTimeAt(m_clock.now())));
    bringForward(*m_calendarView);
}

void AppController::showWebConsole() {
    if (!m_webConsoleView)
        m_webConsoleView = std::make_unique<WebConsoleView>(
            m_programPath, m_dialogs,
            [this](const ConsoleSettings& settings, std::vector<std::string>* notices) {
                const std::string why = m_web->start(settings, notices);
                m_engine->log().record(
                    systemEntry(why.empty() ? (m_web->running() ? "web console started from the settings"
                                                                : "web console turned off in the settings")
                                            : "no web console: " + why));
                return why;
            },
            [this] {
                return m_web->running() ? QString::fromUtf8("正在端口 %1 上运行。").arg(m_web->port())
                                        : QString::fromUtf8("网页控制台没有运行。");
            });
    m_webConsoleView->reload();
    bringForward(*m_webConsoleView);
}

void AppController::showSoundSettings() {
    if (!m_soundSettingsView)
        m_soundSettingsView = std::make_unique<SoundSettingsView>(m_programPath, m_dialogs);
    m_soundSettingsView->reload();
    bringForward(*m_soundSettingsView);
}

void AppController::showCampus() {
    CampusNode* campus = m_engine->campus();
    if (!m_campusView) {
        m_campusView = std::make_unique<CampusView>(
            m_programPath, campus ? std::optional<CampusRole>(campus->role()) : std::nullopt, m_dialogs);
        if (campus && campus->role() == CampusRole::Office)
            m_campusView->setAlarmActions([campus](const std::string& path) { campus->soundAlarm(path); },
                                          [this] { stopPlaying(m_commandContext); });
    }
    if (campus)
        m_campusView->showBuildings(campus->buildings());
    bringForward(*m_campusView);
}

void AppController::showLog() {
    if (!m_logView)
        m_logView = std::make_unique<LogView>(m_engine->logFiles(), m_dialogs);
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
                                       LogView::detailText(entry.detail));
    }
    // A bell that rang unheard is said where the operator looks first, until the next one plays.
    if (entry.event == BellEvent::Failed && entry.detail.starts_with(kNotHeard))
        m_window.setStatusText(gbkFromUtf8("没有听到铃声：" + entry.due + " " + entry.file));
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
