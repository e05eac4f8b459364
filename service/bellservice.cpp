#include "service/bellservice.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/lockdown.h"
#include "core/startbells.h"
#include "core/startup.h"
#include "core/timetable.h"
#include "core/timetableloader.h"
#include "core/version.h"

namespace ringvale {

// Hands the weather check's results from its thread to the loop's.
class BellService::ForecastTaker final : public WeatherDisplay {
public:
    ForecastTaker(BellService& service) : m_service(service) {}
    void setWeatherPicture(const std::string&) override {}
    void setCountyCaption(const std::string&) override {}
    void weatherChecked(const std::string& summary) override {
        m_service.m_loop.post([this, summary] { m_service.m_log.record(systemEntry(summary)); });
    }
    void forecastRead(RainForecast result, const std::string& dayText) override {
        m_service.m_loop.post([this, result, dayText] {
            takeForecast(m_service.m_state, result, dayText, m_service.m_clock.now());
        });
    }

private:
    BellService& m_service;
};

BellService::BellService(Services services, const std::filesystem::path& programDir,
                         std::optional<CampusSetup> campus)
    : m_clock(services.clock), m_loop(services.loop), m_programPath(programDir),
      m_programDir(fromFileName(programDir)), m_logFiles(programDir),
      m_log(m_logFiles, services.clock, services.journal), m_config(programDir),
      m_campus(campus && services.campusLink
                   ? std::make_unique<CampusNode>(
                         *campus, programDir, std::move(services.campusLink), services.player, m_log,
                         services.clock, [this](CampusNode::Task task) { m_loop.post(std::move(task)); },
                         CampusNode::Engine{[this](int index) {
                                                if (timetablePath(m_programDir, index) ==
                                                    m_state.timetablePath)
                                                    loadTimetable(m_context);
                                            },
                                            [this](int index) {
                                                switchToTimetable(m_context, m_config, m_programDir, index);
                                            },
                                            {}},
                         kVersion)
                   : nullptr),
      m_context{m_state, m_views, m_views, m_campus ? m_campus->bellPlayback() : services.player, m_log},
      m_commandContext{m_state, m_views, m_views, m_campus ? m_campus->commandPlayback() : services.player,
                       m_log},
      m_tick(m_context, m_views, services.clock, m_power),
      m_calendar(programDir, m_state, m_config, m_log, services.clock,
                 [this](int index) { switchToTimetable(m_context, m_config, m_programDir, index); }),
      m_disk(
          m_state, m_config, m_log, [this] { loadTimetable(m_context); },
          [this](int index) { switchToTimetable(m_context, m_config, m_programDir, index); }),
      m_forecast(std::make_shared<ForecastTaker>(*this)),
      m_weather(services.http, programDir, services.weatherHost, m_forecast),
      m_clockSync(m_log, std::move(services.clockSynchronised)),
      m_feeds(
          programDir, std::move(services.fetchFeed),
          [this](std::function<void()> task) { m_loop.post(std::move(task)); }, m_log, services.clock) {
    m_tick.setWeatherCheck([this] { m_weather.fetchInBackground(); });
    m_config.setProblemReporter([this](const std::string& problem) { m_log.record(systemEntry(problem)); });
    if (services.face)
        m_face =
            services.face(EngineParts{m_context, m_commandContext, m_clock, m_programPath, m_campus.get(),
                                      [this](std::function<void()> task) { m_loop.post(std::move(task)); }});
    m_log.setWatcher([this](const BellEntry& entry) {
        if (m_campus)
            m_campus->entryRecorded(entry);
        if (m_face)
            m_face->entryRecorded(entry);
    });
}

BellService::~BellService() {
    if (m_face)
        m_face->stop();
    if (m_campus)
        m_campus->stop();
    m_log.setWatcher(nullptr);
    m_context.playback.stopAll();
    m_log.record(systemEntry("exit"));
    m_weather.waitForBackground(std::chrono::seconds(2));
}

void BellService::start() {
    const TodaySoFar today = readTodaySoFar(m_logFiles, m_clock);
    m_tick.remember(today.rung);
    const std::int64_t firstUnwatchedMinute = today.firstUnwatchedMinute;
    StartupSteps steps;
    steps.startWeatherCheck = [this] { m_weather.fetchInBackground(); };
    startUp(m_context, m_views, m_config, m_programDir, steps);
    m_calendar.apply();
    m_disk.settle();
    removeOldLogFiles(m_logFiles, m_log, m_clock);
    logMissedBellsAtStart(m_state, m_log, m_clock, firstUnwatchedMinute);
    m_log.record(systemEntry("start without a window, timetable " +
                             timetableNameOfPath(m_state.timetablePath) +
                             (m_state.running ? ", running" : ", stopped")));
    followLockdownFile(m_context, m_programPath, m_state.lockdownStamp); // a lockdown kept over the restart
    if (m_face)
        for (const std::string& said : m_face->startFace())
            m_log.record(systemEntry(said));
    if (m_campus)
        m_campus->start();
}

void BellService::tick(WallTime due) {
    // First: a new day's plan, and a file changed on disk, hold from the tick that follows.
    m_calendar.follow(due);
    m_disk.follow();
    followLockdownFile(m_context, m_programPath, m_state.lockdownStamp);
    m_tick.onClockTick(due);
    m_clockSync.check();
    m_feeds.follow();
}

std::string BellService::statusLine() const {
    static const std::string kNext = gbkFromUtf8("下一条：");
    static const std::string kNoBells = gbkFromUtf8("今天不打铃：");
    const std::string& next = m_views.nextRuleText();
    std::string line =
        timetableNameOfPath(m_state.timetablePath) + (m_state.running ? ", running" : ", stopped");
    if (!m_state.running)
        return line;
    if (next.starts_with(kNoBells))
        return line + ", no bells today: " + utf8FromGbk(next.substr(kNoBells.size()));
    if (next.starts_with(kNext))
        return line + (next.size() == kNext.size() ? ", no more bells today"
                                                   : ", next bell " + utf8FromGbk(next.substr(kNext.size())));
    return line;
}

void BellService::playbackReport(const PlaybackReport& report) {
    m_log.onPlaybackReport(report);
    if (m_campus)
        m_campus->playbackReport(report);
}

} // namespace ringvale
