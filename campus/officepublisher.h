#pragma once

#include "campus/campustopics.h"
#include "campus/mqttlink.h"
#include "core/clock.h"

#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace ringvale {

// The office's side: keeps the broker's retained copy of everything a building needs to ring
// alone (the timetable files, their weather-gated rules, the calendar, the selected timetable
// and every music file they or the song station name) equal to the program directory. A thread
// of its own looks for changes a few times a second, so a saved timetable is on its way at once
// and the clock tick never waits for a large music file.
class OfficePublisher {
public:
    static constexpr std::chrono::milliseconds kScanPeriod{200};
    static constexpr std::chrono::seconds kClockPeriod{10};

    OfficePublisher(MqttLink& link, CampusTopics topics, std::filesystem::path programDir,
                    const Clock& clock);
    ~OfficePublisher();
    OfficePublisher(const OfficePublisher&) = delete;
    OfficePublisher& operator=(const OfficePublisher&) = delete;

    void start();
    void stop();
    // The link is up again (the broker may have lost what it kept): everything is sent again.
    void connected();

    // One look at the program directory: publishes what changed since it was last published and
    // returns how many messages went out. Files that cannot be read are left as last sent.
    int publishChanges();

private:
    struct MusicStamp {
        std::filesystem::file_time_type modified;
        std::uintmax_t size = 0;
        std::string hash;
    };
    void run();
    // Publishes the payload unless the topic already carries it; true when it went out. A
    // publication that fails leaves `complete` false.
    bool publishIfChanged(const std::string& topic, const std::string& payload, bool& complete);
    // Reads everything and publishes what changed; `complete` false when something could not be
    // read or sent (then the next look reads again).
    int publishContent(bool& complete);
    // The identity, size and time of every file a look reads, to skip a look when none changed.
    std::string directoryStamp() const;

    MqttLink& m_link;
    CampusTopics m_topics;
    std::filesystem::path m_programDir;
    const Clock& m_clock;
    std::map<std::string, std::string> m_published;  // topic -> hash of its payload
    std::map<std::string, MusicStamp> m_musicHashes; // office path -> its content's hash
    std::string m_sentStamp;                         // of the files when all of them were last read and sent
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    bool m_republish = false;
    std::thread m_thread;
};

} // namespace ringvale
