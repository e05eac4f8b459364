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
#include "core/programdir.h"
#include "core/schedulecontext.h"
#include "media/feedfetch.h"
#include "media/weatherprobe.h"
#include "service/engineface.h"
#include "service/headlessviews.h"
#include "service/serviceloop.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace ringvale {

// The engine without a window: the program directory, the clock, the calendar, the weather-gated
// rules, the log and, when set up, this copy's part in a campus. Everything runs on the loop's
// thread.
class BellService {
public:
    struct Services {
        Playback& player;
        const Clock& clock;
        ServiceLoop& loop;
        WeatherProbe::HttpFactory http;
        std::string weatherHost;
        BellRecorder::Journal journal;
        // The campus link, when this copy is part of one (made from the setup by the caller).
        std::unique_ptr<MqttLink> campusLink;
        ClockSyncWatch::Query clockSynchronised = systemClockSynchronised;
        HolidayFeedFollower::Fetch fetchFeed = fetchHolidayFeed;
        // Another face on this engine (the web console), when one is wanted.
        EngineFaceFactory face = {};
    };

    BellService(Services services, const std::filesystem::path& programDir,
                std::optional<CampusSetup> campus);
    ~BellService();
    BellService(const BellService&) = delete;
    BellService& operator=(const BellService&) = delete;

    void start();
    void tick(WallTime due);
    void playbackReport(const PlaybackReport& report);
    // What the service is doing, for systemd's status line (UTF-8, English words for scripts).
    std::string statusLine() const;

private:
    class ForecastTaker;
    class NoPowerSwitch final : public PowerSwitch {
    public:
        void requestPowerOff() override {}
    };
    Playback& bellPlayback();

    const Clock& m_clock;
    ServiceLoop& m_loop;
    std::filesystem::path m_programPath;
    std::string m_programDir; // GBK
    BellDayFiles m_logFiles;
    BellRecorder m_log;
    AppConfig m_config;
    std::unique_ptr<CampusNode> m_campus;
    ScheduleState m_state;
    HeadlessViews m_views;
    ScheduleContext m_context;
    ScheduleContext m_commandContext; // the console's plays and stops (an office sends them on)
    NoPowerSwitch m_power;
    ClockTick m_tick;
    CalendarFollower m_calendar;
    DiskChangeFollower m_disk;
    std::shared_ptr<ForecastTaker> m_forecast;
    WeatherProbe m_weather;
    ClockSyncWatch m_clockSync;
    HolidayFeedFollower m_feeds;
    std::unique_ptr<EngineFace> m_face; // first to go: no request reaches a half-gone engine
};

} // namespace ringvale
