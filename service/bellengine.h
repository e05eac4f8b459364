#pragma once

#include "campus/campusnode.h"
#include "campus/campussetup.h"
#include "core/appconfig.h"
#include "core/belldayfiles.h"
#include "core/bellrecorder.h"
#include "core/calendarfollower.h"
#include "core/clocksync.h"
#include "core/clocktick.h"
#include "core/diskchangefollower.h"
#include "core/holidayfeedfollower.h"
#include "core/schedulecontext.h"
#include "core/startup.h"
#include "media/belllistener.h"
#include "media/feedfetch.h"
#include "media/weatherprobe.h"
#include "service/engineface.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ringvale {

// The bell engine, whichever face drives it: the schedule state, the clock's tick, the calendar,
// the log, the weather, this copy's part in a campus and another face (the web console). A window
// or the service gives it its views and a way onto its thread; everything runs on that thread.
class BellEngine {
public:
    struct Views {
        RuleTable& table;
        StatusBoard& status;
        TickView& tick;
        StartupView& startup;
    };
    // What a face does besides the engine's own work (each may be empty).
    struct Hooks {
        // Another timetable is chosen by the calendar, a change on disk or the office (none: the
        // engine switches to it alone).
        std::function<void(int index)> switchTimetable;
        std::function<void()> timetableReread; // the timetable in use was read again from disk
        std::function<void()> buildingsChanged;
        std::function<void(const BellEntry& entry)> entryRecorded;       // after the campus and the face
        std::function<void(const std::string& problem)> settingsProblem; // besides the log
        // What the other face said at its start (UTF-8), besides the log.
        std::function<void(const std::string& said)> faceSaid;
    };
    struct Services {
        Playback& player;
        const Clock& clock;
        EngineParts::Post post; // runs a task on the engine's thread, later
        PowerSwitch& power;
        WeatherProbe::HttpFactory http;
        std::string weatherHost;
        BellRecorder::Journal journal;
        std::optional<CampusSetup> campus;
        std::unique_ptr<MqttLink> campusLink; // with `campus`: this copy's link to it
        ClockSyncWatch::Query clockSynchronised = systemClockSynchronised;
        HolidayFeedFollower::Fetch fetchFeed = fetchHolidayFeed;
        EngineFaceFactory face = {};
        // Where the weather picture and the county's name are shown (none: nowhere).
        std::shared_ptr<WeatherDisplay> weatherShown = {};
    };

    BellEngine(Services services, Views views, const std::filesystem::path& programDir, Hooks hooks = {});
    ~BellEngine();
    BellEngine(const BellEngine&) = delete;
    BellEngine& operator=(const BellEngine&) = delete;

    // Reads what rang earlier today, restores the settings, loads the timetable and starts the
    // clock, the calendar, the lockdown kept over a restart, the other face and the campus link.
    // `startWords` begin the log's start entry ("start", "start without a window").
    void start(const std::string& startWords, const StartupSteps& steps = {});
    // One half-second tick: the calendar's day, a change on disk and lockdown, then the bells.
    void tick(WallTime due);
    void playbackReport(const PlaybackReport& report);
    // Chooses timetable `index` as the calendar, a change on disk or the office would.
    void chooseTimetable(int index);

    ScheduleContext& bells() { return m_context; }
    ScheduleContext& commands() { return m_commandContext; }
    ScheduleState& state() { return m_state; }
    const ScheduleState& state() const { return m_state; }
    AppConfig& config() { return m_config; }
    const AppConfig& config() const { return m_config; }
    BellRecorder& log() { return m_log; }
    const BellDayFiles& logFiles() const { return m_logFiles; }
    CampusNode* campus() const { return m_campus.get(); }
    EngineFace* face() const { return m_face.get(); }
    WeatherProbe& weather() { return m_weather; }
    ClockTick& clockTick() { return m_tick; }
    const std::filesystem::path& programPath() const { return m_programPath; }
    const std::string& programDir() const { return m_programDir; } // GBK

private:
    class ForecastTaker;
    // Listens for a bell that rang and logs whether it was heard.
    void listenFor(const BellEntry& rang, WallTime onset);
    std::unique_ptr<CampusNode> joinCampus(Services& services);

    const Clock& m_clock;
    EngineParts::Post m_post;
    Hooks m_hooks;
    StartupView& m_startupView;
    std::filesystem::path m_programPath;
    std::string m_programDir; // GBK
    BellDayFiles m_logFiles;
    BellRecorder m_log;
    AppConfig m_config;
    ScheduleState m_state;
    std::unique_ptr<CampusNode> m_campus; // none: not in a campus
    ScheduleContext m_context;            // the clock's bells and the timetable shown
    ScheduleContext m_commandContext;     // play now and stop (an office sends them on)
    ClockTick m_tick;
    CalendarFollower m_calendar;
    DiskChangeFollower m_disk;
    std::shared_ptr<ForecastTaker> m_forecast;
    WeatherProbe m_weather;
    ClockSyncWatch m_clockSync;
    HolidayFeedFollower m_feeds;
    std::unique_ptr<BellListener> m_listener;                     // none: no input is listened to
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true); // what a late listening result checks
    std::unique_ptr<EngineFace> m_face; // first to go: no request reaches a half-gone engine
};

} // namespace ringvale
