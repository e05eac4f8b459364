#pragma once

#include "campus/campussetup.h"
#include "core/clock.h"
#include "core/clocksync.h"
#include "core/dialogs.h"
#include "core/playback.h"
#include "core/poweroffrequests.h"
#include "editing/editorstate.h"
#include "editing/ruleeditor.h"
#include "editing/settingscommands.h"
#include "editing/timetablecommands.h"
#include "editing/toolbarcommands.h"
#include "media/feedfetch.h"
#include "media/songstation.h"
#include "media/weatherprobe.h"
#include "service/bellengine.h"
#include "shell/calendarview.h"
#include "shell/campusview.h"
#include "shell/commandrunner.h"
#include "shell/logview.h"
#include "shell/playbackreportrelay.h"
#include "shell/ruleeditorhost.h"
#include "shell/soundsettingsview.h"
#include "shell/systemservices.h"
#include "shell/trayevent.h"
#include "shell/webconsoleview.h"
#include "shell/windowweatherdisplay.h"
#include "web/webconsole.h"

#include <QObject>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace ringvale {

class MainWindow;

// The program's composition: owns the schedule state and the services, and wires the main
// window's events to the scheduler's procedures and commands.
class AppController final : public QObject {
    Q_OBJECT
public:
    struct Services {
        Playback& playback;
        const Clock& clock;
        CommandRunner& commands;
        Dialogs& dialogs;
        EnvLookup env;
        WeatherProbe::HttpFactory http;
        std::string weatherHost;          // host[:port] of the weather service
        std::filesystem::path executable; // registered to start with the system
        PlaybackReportRelay& playbackReports;
        BellRecorder::Journal journal; // where log entries go besides the day's file (none: nowhere)
        ClockSyncWatch::Query clockSynchronised;                 // whether the system clock is kept right
        HolidayFeedFollower::Fetch fetchFeed = fetchHolidayFeed; // a holiday feed's calendar
    };

    // With a campus setup and its link, this copy is an office or a building of that campus.
    AppController(MainWindow& window, Services services, const std::filesystem::path& programDir,
                  std::optional<CampusSetup> campus = {}, std::unique_ptr<MqttLink> campusLink = {});
    ~AppController() override;

    // The start-up: restores the settings, loads the saved timetable, starts the clock.
    void start();

    // A click on toolbar button `index` (its place in the design; see ToolbarButton).
    void onToolbarClick(int index);
    void onTrayEvent(TrayEvent event);

    ScheduleState& state() { return m_engine->state(); }
    const BellDayFiles& logFiles() const { return m_engine->logFiles(); }
    BellRecorder& log() { return m_engine->log(); }
    LogView* logView() const { return m_logView.get(); }
    CalendarView* calendarView() const { return m_calendarView.get(); }
    CampusView* campusView() const { return m_campusView.get(); }
    WebConsoleView* webConsoleView() const { return m_webConsoleView.get(); }
    SoundSettingsView* soundSettingsView() const { return m_soundSettingsView.get(); }
    CampusNode* campus() const { return m_engine->campus(); }
    WebConsole& webConsole() { return *m_web; }
    BellEngine& engine() { return *m_engine; }
    // 全校停铃 from the window: asks, then sets or lifts it.
    void toggleLockdown();
    const AppConfig& config() const { return m_engine->config(); }
    EditorState& editorState() { return m_editor; }
    RuleEditorHostWindow& editorHost() { return m_editorHost; }

private:
    void showLog();
    void showCalendar();
    void showCampus();
    void showWebConsole();
    void showSoundSettings();
    std::unique_ptr<BellEngine> makeEngine(const Services& services, const std::filesystem::path& programDir,
                                           std::optional<CampusSetup> campus,
                                           std::unique_ptr<MqttLink> campusLink);
    // What the other face said at its start: a console that did not start, or one that sends
    // passwords in clear, is told from the tray as well as in the log.
    void faceSaid(const std::string& said);
    // Every logged entry: into the log window when open, and a failed or missed bell into a
    // notification from the tray icon.
    void entryRecorded(const BellEntry& entry);

    MainWindow& m_window;
    Dialogs& m_dialogs;
    const Clock& m_clock;
    std::filesystem::path m_programPath;
    PlaybackReportRelay& m_playbackReports;
    SystemServices m_system;
    PowerOffRequests m_powerOff;
    std::shared_ptr<WindowWeatherDisplay> m_weatherDisplay;
    WebConsole* m_web = nullptr; // the engine's other face, owned by the engine
    std::unique_ptr<BellEngine> m_engine;
    ScheduleContext& m_context;        // the clock's bells
    ScheduleContext& m_commandContext; // the operator's plays and stops (an office sends them on)
    EditorState m_editor;
    RuleEditor m_editing;
    RuleEditorHostWindow m_editorHost;
    TimetableCommands m_commands;
    ToolbarCommands m_toolbar;
    SongStation m_songs;
    SettingsCommands m_settings;
    HolidayFeedFollower::Fetch m_fetchFeed;
    std::unique_ptr<LogView> m_logView;                     // made at its first showing
    std::unique_ptr<CalendarView> m_calendarView;           // likewise
    std::unique_ptr<CampusView> m_campusView;               // likewise
    std::unique_ptr<WebConsoleView> m_webConsoleView;       // likewise
    std::unique_ptr<SoundSettingsView> m_soundSettingsView; // likewise
};

} // namespace ringvale
