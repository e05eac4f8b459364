#pragma once

#include "campus/campusmessages.h"
#include "campus/campustopics.h"
#include "campus/mqttlink.h"
#include "core/clock.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ringvale {

// Sends one command to every building as the office would (a script's --play, --alarm or
// --stop), with the music itself when the buildings lack it, and gathers each online building's
// answer from its status. Construct it before the link starts: it sets the link's handlers.
class CommandSender {
public:
    // How long a building is given to answer, and to the broker to hand back what it retains.
    static constexpr std::chrono::seconds kAnswerWait{10};
    static constexpr std::chrono::seconds kSettleWait{5};

    CommandSender(MqttLink& link, CampusTopics topics, const Clock& clock);

    // Waits for the connection; the reason when it did not come.
    std::optional<std::string> awaitConnection(std::chrono::milliseconds timeout);

    struct Outcome {
        // One line per building online when the command went: BUILDING<TAB>played<TAB>MS,
        // BUILDING<TAB>stopped, BUILDING<TAB>failed<TAB>WHY or BUILDING<TAB>no answer.
        std::vector<std::string> lines;
        bool everyBuildingObeyed = false; // and at least one was online
        std::string error;                // nothing could be sent (UTF-8)
    };
    // `music`: the bytes of command.path, for a play or an alarm.
    Outcome send(CampusCommand command, const std::optional<std::string>& music,
                 std::chrono::milliseconds answerWait = kAnswerWait);

private:
    void message(const MqttLink::Message& message);
    std::int64_t nowMs() const;

    MqttLink& m_link;
    CampusTopics m_topics;
    const Clock& m_clock;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<bool> m_connected;
    std::string m_why;
    std::map<std::string, BuildingStatus> m_buildings;
    MusicIndex m_index;
    std::optional<std::int64_t> m_clockSeen; // the last clock reading that came back
};

} // namespace ringvale
