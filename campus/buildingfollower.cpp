#include "campus/buildingfollower.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/lockdown.h"
#include "core/raingate.h"
#include "core/schoolcalendar.h"
#include "core/timetable.h"

namespace ringvale {

BuildingFollower::BuildingFollower(CampusTopics topics, std::filesystem::path programDir, MusicLibrary& music,
                                   Events events)
    : m_topics(std::move(topics)), m_programDir(std::move(programDir)),
      m_programDirGbk(fromFileName(m_programDir)), m_music(music), m_events(std::move(events)) {}

void BuildingFollower::refuse(const std::string& topic, const std::string& why) {
    if (m_events.note)
        m_events.note("a message on " + topic + " that does not parse was ignored: " + why);
}

bool BuildingFollower::storeFile(const std::filesystem::path& path, const FileContent& content,
                                 const std::string& what) {
    const FileRead current = readWholeFile(path);
    if (!content) {
        if (current.status == FileRead::Status::Missing)
            return false;
        std::error_code error;
        std::filesystem::remove(path, error);
        if (m_events.note)
            m_events.note(error ? "from the office: " + what + " could not be removed: " + error.message()
                                : "from the office: " + what + " removed");
        return !error;
    }
    if (current.ok() && current.bytes == *content)
        return false;
    const bool written = writeFileAtomic(path, *content);
    if (m_events.note)
        m_events.note(written ? "from the office: " + what + " stored"
                              : "from the office: " + what + " could not be written");
    return written;
}

void BuildingFollower::onMessage(const MqttLink::Message& message) {
    using Kind = CampusTopics::Kind;
    const CampusTopics::Parsed topic = m_topics.parse(message.topic);
    if (const auto oversize = CampusTopics::oversize(topic.kind, message.topic, message.payload.size())) {
        if (m_events.note)
            m_events.note(*oversize);
        return;
    }
    std::string why;
    switch (topic.kind) {
    case Kind::Timetable:
    case Kind::RainFlags: {
        const auto content = decodeFile(message.payload, why);
        if (!content)
            return refuse(message.topic, why);
        const std::string path = timetablePath(m_programDirGbk, topic.index);
        const std::string name = utf8FromGbk(timetableName(topic.index));
        const bool changed = topic.kind == Kind::Timetable
                                 ? storeFile(toFileName(path), *content, name)
                                 : storeFile(rainGatePath(path), *content, name + "'s weather-gated rules");
        if (changed && m_events.timetableStored)
            m_events.timetableStored(topic.index);
        return;
    }
    case Kind::Calendar: {
        const auto content = decodeFile(message.payload, why);
        if (!content)
            return refuse(message.topic, why);
        // The engine sees the file change and applies it.
        storeFile(m_programDir / std::filesystem::u8path(kCalendarFileName), *content, kCalendarFileName);
        return;
    }
    case Kind::Lockdown: {
        const auto content = decodeFile(message.payload, why);
        if (!content)
            return refuse(message.topic, why);
        // The engine sees the file change and follows it.
        storeFile(lockdownPath(m_programDir), *content, kLockdownFileName);
        return;
    }
    case Kind::Selected: {
        const auto index = decodeSelected(message.payload, why);
        if (!index)
            return refuse(message.topic, why);
        if (*index != m_selected && m_events.timetableSelected)
            m_events.timetableSelected(*index);
        m_selected = *index;
        return;
    }
    case Kind::Music: {
        if (!isMusicFileName(topic.name))
            return refuse(message.topic, "not a music file's name");
        if (m_music.has(topic.name))
            return;
        const auto content = decodeFile(message.payload, why);
        if (!content || !*content)
            return refuse(message.topic, content ? "no content" : why);
        if (sha256Hex(**content) != topic.name.substr(0, topic.name.find('.')))
            return refuse(message.topic, "the content is not the one its name promises");
        if (!m_music.store(topic.name, **content) && m_events.note)
            m_events.note("from the office: music file " + topic.name + " could not be written");
        return;
    }
    case Kind::MusicIndex: {
        const auto index = decodeMusicIndex(message.payload, why);
        if (!index)
            return refuse(message.topic, why);
        if (!m_music.setIndex(*index) && m_events.note)
            m_events.note("from the office: the music index could not be written");
        if (const int pruned = m_music.prune(); pruned > 0 && m_events.note)
            m_events.note("removed " + std::to_string(pruned) +
                          " music files that no timetable or song-station slot has named for a day");
        return;
    }
    case Kind::Command: {
        if (message.retained)
            return refuse(message.topic,
                          "a retained command is never obeyed (it would play again at each start)");
        const auto command = decodeCommand(message.payload, why);
        if (!command)
            return refuse(message.topic, why);
        // Not a clock reading: a command held up on its way would hide its own lateness.
        if (m_events.command)
            m_events.command(*command);
        return;
    }
    case Kind::Clock: {
        const auto sent = decodeClock(message.payload, why);
        if (!sent)
            return refuse(message.topic, why);
        if (m_events.officeTime)
            m_events.officeTime(*sent);
        return;
    }
    case Kind::Status:
    case Kind::Unknown:
        return;
    }
}

} // namespace ringvale
