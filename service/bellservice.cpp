#include "service/bellservice.h"

#include "core/codepage.h"
#include "core/duebells.h"

namespace ringvale {

BellService::BellService(Services services, const std::filesystem::path& programDir,
                         std::optional<CampusSetup> campus) {
    ServiceLoop& loop = services.loop;
    BellEngine::Services engine{services.player,
                                services.clock,
                                [&loop](std::function<void()> task) { loop.post(std::move(task)); },
                                m_power,
                                std::move(services.http),
                                std::move(services.weatherHost),
                                std::move(services.journal),
                                std::move(campus),
                                std::move(services.campusLink),
                                std::move(services.clockSynchronised),
                                std::move(services.fetchFeed),
                                std::move(services.face)};
    m_engine = std::make_unique<BellEngine>(
        std::move(engine), BellEngine::Views{m_views, m_views, m_views, m_views}, programDir);
}

void BellService::start() {
    m_engine->start("start without a window");
}

void BellService::tick(WallTime due) {
    m_engine->tick(due);
}

void BellService::playbackReport(const PlaybackReport& report) {
    m_engine->playbackReport(report);
}

std::string BellService::statusLine() const {
    static const std::string kNext = gbkFromUtf8("下一条：");
    static const std::string kNoBells = gbkFromUtf8("今天不打铃：");
    const ScheduleState& state = m_engine->state();
    const std::string& next = m_views.nextRuleText();
    std::string line = timetableNameOfPath(state.timetablePath) + (state.running ? ", running" : ", stopped");
    if (!state.running)
        return line;
    if (next.starts_with(kNoBells))
        return line + ", no bells today: " + utf8FromGbk(next.substr(kNoBells.size()));
    if (next.starts_with(kNext))
        return line + (next.size() == kNext.size() ? ", no more bells today"
                                                   : ", next bell " + utf8FromGbk(next.substr(kNext.size())));
    return line;
}

} // namespace ringvale
