#include "service/bellengine.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/lockdown.h"
#include "core/startbells.h"
#include "core/timetable.h"
#include "core/timetableloader.h"
#include "core/version.h"
#include "media/soundsettings.h"

#include <cstdio>
#include <mutex>

namespace ringvale {

// Hands the weather check's results from its thread to the engine's, and the picture on to where
// it is shown. Once the engine is going, nothing more reaches it.
class BellEngine::ForecastTaker final : public WeatherDisplay,
                                        public std::enable_shared_from_this<ForecastTaker> {
public:
    ForecastTaker(BellEngine& engine, std::shared_ptr<WeatherDisplay> shown)
        : m_engine(&engine), m_shown(std::move(shown)) {}

    void setWeatherPicture(const std::string& jpegBytes) override {
        if (m_shown)
            m_shown->setWeatherPicture(jpegBytes);
    }
    void setCountyCaption(const std::string& county) override {
        if (m_shown)
            m_shown->setCountyCaption(county);
    }
    void weatherChecked(const std::string& summary) override {
        onEngine([summary](BellEngine& engine) { engine.m_log.record(systemEntry(summary)); });
    }
    void forecastRead(RainForecast result, const std::string& dayText) override {
        onEngine([result, dayText](BellEngine& engine) {
            takeForecast(engine.m_state, result, dayText, engine.m_clock.now());
        });
    }
    void detach() {
        std::lock_guard lock(m_mutex);
        m_engine = nullptr;
    }

private:
    template <typename Work> void onEngine(Work work) {
        std::lock_guard lock(m_mutex);
        if (!m_engine)
            return;
        m_engine->m_post([self = shared_from_this(), work] {
            std::lock_guard lock(self->m_mutex);
            if (self->m_engine)
                work(*self->m_engine);
        });
    }

    std::mutex m_mutex;
    BellEngine* m_engine;
    std::shared_ptr<WeatherDisplay> m_shown;
};

BellEngine::BellEngine(Services services, Views views, const std::filesystem::path& programDir, Hooks hooks)
    : m_clock(services.clock), m_post(services.post), m_hooks(std::move(hooks)), m_startupView(views.startup),
      m_programPath(programDir), m_programDir(fromFileName(programDir)), m_logFiles(programDir),
      m_log(m_logFiles, services.clock, services.journal), m_config(programDir),
      m_campus(joinCampus(services)), m_context{m_state, views.table, views.status,
                                                m_campus ? m_campus->bellPlayback() : services.player, m_log},
      m_commandContext{m_state, views.table, views.status,
                       m_campus ? m_campus->commandPlayback() : services.player, m_log},
      m_tick(m_context, views.tick, services.clock, services.power),
      m_calendar(programDir, m_state, m_config, m_log, services.clock,
                 [this](int index) { chooseTimetable(index); }),
      m_disk(
          m_state, m_config, m_log,
          [this] {
              loadTimetable(m_context);
              if (m_hooks.timetableReread)
                  m_hooks.timetableReread();
          },
          [this](int index) { chooseTimetable(index); }),
      m_forecast(std::make_shared<ForecastTaker>(*this, std::move(services.weatherShown))),
      m_weather(services.http, programDir, services.weatherHost, m_forecast),
      m_clockSync(m_log, std::move(services.clockSynchronised)),
      m_feeds(programDir, std::move(services.fetchFeed), m_post, m_log, services.clock) {
    m_tick.setWeatherCheck([this] { m_weather.fetchInBackground(); });
    m_config.setProblemReporter([this](const std::string& problem) {
        if (m_hooks.settingsProblem)
            m_hooks.settingsProblem(problem);
        m_log.record(systemEntry(problem));
    });
    if (services.face)
        m_face = services.face(
            EngineParts{m_context, m_commandContext, m_clock, m_programPath, m_campus.get(), m_post});
    if (const std::string source = readSoundSettings(programDir).listen; !source.empty()) {
        m_listener = std::make_unique<BellListener>(source);
        m_log.setListen([this](const BellEntry& rang, WallTime onset) { listenFor(rang, onset); });
    }
    m_log.setWatcher([this](const BellEntry& entry) {
        if (m_campus)
            m_campus->entryRecorded(entry);
        if (m_face)
            m_face->entryRecorded(entry);
        if (m_hooks.entryRecorded)
            m_hooks.entryRecorded(entry);
    });
}

BellEngine::~BellEngine() {
    *m_alive = false;
    m_log.setListen(nullptr);
    m_listener.reset();
    if (m_face)
        m_face->stop();
    if (m_campus)
        m_campus->stop();
    m_log.setWatcher(nullptr);
    m_forecast->detach();
    m_context.playback.stopAll();
    m_log.record(systemEntry("exit"));
    // A closed port answers at once; a silent weather server is given a moment, then left.
    m_weather.waitForBackground(std::chrono::seconds(2));
}

std::unique_ptr<CampusNode> BellEngine::joinCampus(Services& services) {
    if (!services.campus || !services.campusLink)
        return nullptr;
    CampusNode::Engine engine;
    engine.timetableStored = [this](int index) {
        if (timetablePath(m_programDir, index) != m_state.timetablePath)
            return;
        loadTimetable(m_context);
        if (m_hooks.timetableReread)
            m_hooks.timetableReread(); // an open editor shows the office's rules
    };
    engine.timetableSelected = [this](int index) { chooseTimetable(index); };
    engine.buildingsChanged = [this] {
        if (m_hooks.buildingsChanged)
            m_hooks.buildingsChanged();
    };
    return std::make_unique<CampusNode>(*services.campus, m_programPath, std::move(services.campusLink),
                                        services.player, m_log, m_clock, m_post, std::move(engine), kVersion);
}

void BellEngine::start(const std::string& startWords, const StartupSteps& given) {
    // Read before the start-up logs anything of its own.
    const TodaySoFar today = readTodaySoFar(m_logFiles, m_clock);
    m_tick.remember(today.rung);
    StartupSteps steps = given;
    steps.startWeatherCheck = [this] { m_weather.fetchInBackground(); };
    startUp(m_context, m_startupView, m_config, m_programDir, steps);
    m_calendar.apply();
    m_disk.settle();
    removeOldLogFiles(m_logFiles, m_log, m_clock);
    logMissedBellsAtStart(m_state, m_log, m_clock, today.firstUnwatchedMinute);
    m_log.record(systemEntry(startWords + ", timetable " + timetableNameOfPath(m_state.timetablePath) +
                             (m_state.running ? ", running" : ", stopped")));
    followLockdownFile(m_context, m_programPath, m_state.lockdownStamp); // a lockdown kept over the restart
    if (m_listener && m_listener->start()) {
        m_log.record(systemEntry("listening for every bell on " + m_listener->source()));
    } else if (m_listener) {
        m_log.record(systemEntry("cannot listen on " + m_listener->source() + ": " + m_listener->lastError() +
                                 "; bells are not confirmed"));
        m_log.setListen(nullptr);
    }
    if (m_face)
        for (const std::string& said : m_face->startFace()) {
            m_log.record(systemEntry(said));
            if (m_hooks.faceSaid)
                m_hooks.faceSaid(said);
        }
    if (m_campus)
        m_campus->start();
}

void BellEngine::tick(WallTime due) {
    // First: a new day's plan, and a file changed on disk, hold from the tick that follows.
    m_calendar.follow(due);
    m_disk.follow();
    followLockdownFile(m_context, m_programPath, m_state.lockdownStamp);
    m_tick.onClockTick(due);
    m_clockSync.check();
    m_feeds.follow();
}

void BellEngine::playbackReport(const PlaybackReport& report) {
    m_log.onPlaybackReport(report);
    if (m_campus)
        m_campus->playbackReport(report);
}

void BellEngine::listenFor(const BellEntry& rang, WallTime onset) {
    m_listener->listenFor(onset, [this, rang, alive = m_alive](const BellListener::Result& result) {
        m_post([this, rang, alive, result] {
            if (!*alive)
                return;
            BellEntry entry = rang;
            entry.at = localTimeAt(m_clock.now());
            char levels[128];
            if (result.heard) {
                entry.event = BellEvent::Heard;
                std::snprintf(levels, sizeof levels, "heard at %.0f dBFS, the room at %.0f dBFS",
                              result.levelDb, result.roomDb);
            } else if (!result.listened) {
                entry.event = BellEvent::Failed;
                std::snprintf(levels, sizeof levels, ": the input %s was not there to listen with",
                              m_listener->source().c_str());
            } else {
                entry.event = BellEvent::Failed;
                std::snprintf(levels, sizeof levels,
                              ": nothing rose above the room (%.0f dBFS) within %d s of the onset",
                              result.roomDb, static_cast<int>(BellListener::kHearingWindow.count()));
            }
            entry.detail = result.heard ? std::string(levels) : std::string(kNotHeard) + levels;
            m_log.record(std::move(entry));
        });
    });
}

void BellEngine::chooseTimetable(int index) {
    if (m_hooks.switchTimetable)
        m_hooks.switchTimetable(index);
    else
        switchToTimetable(m_context, m_config, m_programDir, index);
}

} // namespace ringvale
