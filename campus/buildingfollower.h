#pragma once

#include "campus/campusmessages.h"
#include "campus/campustopics.h"
#include "campus/mqttlink.h"
#include "campus/musiclibrary.h"

#include <filesystem>
#include <functional>
#include <string>

namespace ringvale {

// A building's side: stores what the office publishes in this program directory, each file
// atomically and only when it differs from the one there (the timetable files byte for byte the
// office's), and hands the commands on. A payload that does not parse is reported and dropped.
// Runs on the link's thread; the events are for the host to move to its own.
class BuildingFollower {
public:
    struct Events {
        std::function<void(int index)> timetableStored; // a timetable or its weather-gated rules
        std::function<void(int index)> timetableSelected;
        std::function<void(const CampusCommand&)> command;
        std::function<void(std::int64_t officeMs)> officeTime; // the office's clock, as it sent it
        std::function<void(const std::string&)> note;          // what was stored or refused, UTF-8
    };

    BuildingFollower(CampusTopics topics, std::filesystem::path programDir, MusicLibrary& music,
                     Events events);

    void onMessage(const MqttLink::Message& message);

private:
    // Writes the content (absent: removes the file) when it differs; true when the file changed.
    bool storeFile(const std::filesystem::path& path, const FileContent& content, const std::string& what);
    void refuse(const std::string& topic, const std::string& why);

    CampusTopics m_topics;
    std::filesystem::path m_programDir;
    std::string m_programDirGbk;
    MusicLibrary& m_music;
    Events m_events;
    int m_selected = -1; // as last received
};

} // namespace ringvale
