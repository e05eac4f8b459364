#pragma once

#include "campus/buildingfollower.h"
#include "campus/campussetup.h"
#include "campus/campustopics.h"
#include "campus/mqttlink.h"
#include "campus/musiclibrary.h"
#include "campus/officepublisher.h"
#include "core/belllog.h"
#include "core/clock.h"
#include "core/playback.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace ringvale {

// This copy's part in a campus, whichever its role. The office publishes its program directory
// and sends the operator's plays and stops on; a building stores what the office publishes,
// finds the office's music in its own copy, obeys the commands and says how it is. Everything
// the node does to the engine (logging, playing, reloading) runs through `post` on the engine's
// own thread.
class CampusNode {
public:
    using Task = std::function<void()>;
    using Post = std::function<void(Task)>;
    struct Engine {
        std::function<void(int index)> timetableStored;   // reload it if it is the one shown
        std::function<void(int index)> timetableSelected; // switch to it
        std::function<void()> buildingsChanged;           // the office's list of buildings
    };
    // A command sent this long before it arrived (by the office's clock) is not played.
    static constexpr std::chrono::seconds kStaleCommand{10};
    // Nor one stamped this far ahead of the office's clock as this building measured it.
    static constexpr std::chrono::seconds kEarlyCommand{5};
    // The office shows a building offline when it has said nothing for this long (it says how it
    // is every kStatusPeriod while it follows the office), whatever its last word was.
    static constexpr std::chrono::milliseconds kSilentBuilding{kSilentBuildingMs};
    static constexpr std::chrono::seconds kStatusPeriod{30};
    // How long a building waits for the broker to take its goodbye when it stops.
    static constexpr std::chrono::seconds kGoodbyeWait{1};

    CampusNode(const CampusSetup& setup, const std::filesystem::path& programDir,
               std::unique_ptr<MqttLink> link, Playback& player, BellLog& log, const Clock& clock, Post post,
               Engine engine, std::string version);
    ~CampusNode();
    CampusNode(const CampusNode&) = delete;
    CampusNode& operator=(const CampusNode&) = delete;

    CampusRole role() const { return m_role; }
    // What the clock's bells play through: a building finds the office's music in its copy.
    Playback& bellPlayback();
    // What the operator's play now, stop and song station play through: the office sends them on.
    Playback& commandPlayback();

    void start();
    void stop();

    // A building: every log entry, so its status tells its last bell.
    void entryRecorded(const BellEntry& entry);
    // The office: a file repeated until stopped, here and in every building.
    void soundAlarm(const std::string& path);
    // A building: the player's report, so a command's sender hears whether it played.
    void playbackReport(const PlaybackReport& report);

    struct Building {
        std::string user;
        BuildingStatus status;
    };
    std::vector<Building> buildings() const;

private:
    class BellPlayback;
    class CommandPlayback;

    void linkState(bool connected, const std::string& why);
    void message(const MqttLink::Message& message);
    void obey(const CampusCommand& command); // on the engine's thread
    void officeTime(std::int64_t officeMs);
    void publishStatus();
    // A building: what the broker holds as its status; put right when someone else wrote it.
    void ownStatusSeen(const std::string& payload);
    void note(std::string text); // logged on the engine's thread
    void answer(const std::string& commandId, std::string result);
    std::int64_t nowMs() const;

    CampusRole m_role;
    CampusTopics m_topics;
    std::string m_user;
    std::unique_ptr<MqttLink> m_link;
    Playback& m_player;
    BellLog& m_log;
    const Clock& m_clock;
    Post m_post;
    Engine m_engine;
    MusicLibrary m_music;
    std::unique_ptr<OfficePublisher> m_publisher; // the office
    std::unique_ptr<BuildingFollower> m_follower; // a building
    std::unique_ptr<BellPlayback> m_bellPlayback;
    std::unique_ptr<CommandPlayback> m_commandPlayback;

    mutable std::mutex m_mutex;
    BuildingStatus m_status;                           // a building's own
    std::map<std::string, BuildingStatus> m_buildings; // the office's list
    std::chrono::steady_clock::time_point m_statusSent;
    std::string m_statusPayload; // the last status this building published
    bool m_stopped = false;
    std::map<PlayId, std::pair<std::string, std::int64_t>> m_answers; // play -> command id, sent (here)
};

} // namespace ringvale
