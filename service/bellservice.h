#pragma once

#include "campus/campussetup.h"
#include "core/clocktick.h"
#include "service/bellengine.h"
#include "service/headlessviews.h"
#include "service/serviceloop.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace ringvale {

// The engine without a window: its views keep only what the status line needs, the machine is
// never powered off, and everything runs on the loop's thread.
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

    void start();
    void tick(WallTime due);
    void playbackReport(const PlaybackReport& report);
    // What the service is doing, for systemd's status line (UTF-8, English words for scripts).
    std::string statusLine() const;
    BellEngine& engine() { return *m_engine; }

private:
    class NoPowerSwitch final : public PowerSwitch {
    public:
        void requestPowerOff() override {}
    };

    HeadlessViews m_views;
    NoPowerSwitch m_power;
    std::unique_ptr<BellEngine> m_engine;
};

} // namespace ringvale
