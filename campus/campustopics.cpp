#include "campus/campustopics.h"

#include "core/filestore.h"
#include "core/timetable.h"

#include <charconv>
#include <cstdio>

namespace ringvale {

namespace {
constexpr std::string_view kTimetable = "timetable/";
constexpr std::string_view kRainSuffix = "/rain";
constexpr std::string_view kMusic = "music/";
constexpr std::string_view kStatus = "status/";

std::optional<int> timetableIndex(std::string_view digits) {
    int index = -1;
    if (digits.size() != 2)
        return std::nullopt;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + 2, index);
    if (error != std::errc() || end != digits.data() + 2 || index < 0 || index >= kTimetableCount)
        return std::nullopt;
    return index;
}
} // namespace

CampusTopics::CampusTopics(std::string campus) : m_root("ringvale/" + std::move(campus) + "/") {}

std::string CampusTopics::timetable(int index) const {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02d", index);
    return m_root + std::string(kTimetable) + digits;
}

std::string CampusTopics::rainFlags(int index) const {
    return timetable(index) + std::string(kRainSuffix);
}

std::string CampusTopics::lockdown() const {
    return m_root + "lockdown";
}

std::string CampusTopics::calendar() const {
    return m_root + "calendar";
}
std::string CampusTopics::selected() const {
    return m_root + "selected";
}
std::string CampusTopics::music(std::string_view fileName) const {
    return m_root + std::string(kMusic) + std::string(fileName);
}
std::string CampusTopics::musicIndex() const {
    return m_root + "music-index";
}
std::string CampusTopics::command() const {
    return m_root + "command";
}
std::string CampusTopics::clock() const {
    return m_root + "clock";
}
std::string CampusTopics::status(std::string_view user) const {
    return m_root + std::string(kStatus) + std::string(user);
}
std::string CampusTopics::everything() const {
    return m_root + "#";
}
std::string CampusTopics::allStatus() const {
    return m_root + std::string(kStatus) + "+";
}

std::size_t CampusTopics::largestPayload(Kind kind) {
    // A file message adds a tag line, its size and its hash to the file's bytes.
    constexpr std::size_t kFileHeader = 256;
    constexpr std::size_t kShort = 8 * 1024;
    switch (kind) {
    case Kind::Timetable:
    case Kind::RainFlags:
    case Kind::Calendar:
    case Kind::Lockdown:
    case Kind::MusicIndex:
        return kLargestReadableFile + kFileHeader;
    case Kind::Music:
        return kLargestMusicFile + kFileHeader;
    case Kind::Selected:
    case Kind::Clock:
        return 256;
    case Kind::Command:
    case Kind::Status:
    case Kind::Unknown:
        return kShort;
    }
    return kShort;
}

std::optional<std::string> CampusTopics::oversize(Kind kind, std::string_view topic, std::size_t bytes) {
    const std::size_t limit = largestPayload(kind);
    if (bytes <= limit)
        return std::nullopt;
    return "a message on " + std::string(topic) + " of " + std::to_string(bytes) +
           " bytes was dropped unread (" + std::to_string(limit) + " at most for its kind)";
}

CampusTopics::Parsed CampusTopics::parse(std::string_view topic) const {
    Parsed parsed;
    if (!topic.starts_with(m_root))
        return parsed;
    topic.remove_prefix(m_root.size());
    if (topic.starts_with(kTimetable)) {
        topic.remove_prefix(kTimetable.size());
        const bool rain = topic.ends_with(kRainSuffix);
        if (rain)
            topic.remove_suffix(kRainSuffix.size());
        if (const auto index = timetableIndex(topic)) {
            parsed.kind = rain ? Kind::RainFlags : Kind::Timetable;
            parsed.index = *index;
        }
    } else if (topic.starts_with(kMusic)) {
        parsed.kind = Kind::Music;
        parsed.name = std::string(topic.substr(kMusic.size()));
    } else if (topic.starts_with(kStatus)) {
        parsed.kind = Kind::Status;
        parsed.name = std::string(topic.substr(kStatus.size()));
    } else if (topic == "calendar") {
        parsed.kind = Kind::Calendar;
    } else if (topic == "lockdown") {
        parsed.kind = Kind::Lockdown;
    } else if (topic == "selected") {
        parsed.kind = Kind::Selected;
    } else if (topic == "music-index") {
        parsed.kind = Kind::MusicIndex;
    } else if (topic == "command") {
        parsed.kind = Kind::Command;
    } else if (topic == "clock") {
        parsed.kind = Kind::Clock;
    }
    return parsed;
}

} // namespace ringvale
