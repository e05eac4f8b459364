#include "campus/officepublisher.h"

#include "campus/campusmessages.h"
#include "core/appconfig.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/lockdown.h"
#include "core/profilefile.h"
#include "core/programdir.h"
#include "core/raingate.h"
#include "core/schoolcalendar.h"
#include "core/timetable.h"

#include <set>

#include <sys/stat.h>

namespace ringvale {

namespace {

constexpr int kSongSlots = 20;

std::int64_t millisecondsOf(WallTime time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

// A file's content for a building: its bytes, absent, or nullopt when it exists but cannot be read
// (then nothing is sent, so no building deletes a file the office still has).
std::optional<FileContent> contentOf(const std::filesystem::path& path) {
    FileRead file = readWholeFile(path);
    if (file.status == FileRead::Status::Missing)
        return FileContent{};
    if (!file.ok())
        return std::nullopt;
    return FileContent(std::move(file.bytes));
}

} // namespace

OfficePublisher::OfficePublisher(MqttLink& link, CampusTopics topics, std::filesystem::path programDir,
                                 const Clock& clock)
    : m_link(link), m_topics(std::move(topics)), m_programDir(std::move(programDir)), m_clock(clock) {}

OfficePublisher::~OfficePublisher() {
    stop();
}

void OfficePublisher::start() {
    m_thread = std::thread([this] { run(); });
}

void OfficePublisher::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void OfficePublisher::connected() {
    {
        const std::lock_guard lock(m_mutex);
        m_republish = true;
    }
    m_wake.notify_all();
}

void OfficePublisher::run() {
    auto nextClock = std::chrono::steady_clock::now();
    while (true) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, kScanPeriod, [this] { return m_stopping || m_republish; });
            if (m_stopping)
                return;
            if (m_republish) {
                m_published.clear();
                m_sentStamp.clear();
            }
            m_republish = false;
        }
        publishChanges();
        if (std::chrono::steady_clock::now() >= nextClock &&
            m_link.publish(m_topics.clock(), encodeClock(millisecondsOf(m_clock.now())), false))
            nextClock = std::chrono::steady_clock::now() + kClockPeriod;
    }
}

bool OfficePublisher::publishIfChanged(const std::string& topic, const std::string& payload, bool& complete) {
    std::string digest = sha256Hex(payload);
    const auto found = m_published.find(topic);
    if (found != m_published.end() && found->second == digest)
        return false;
    if (!m_link.publish(topic, payload, true)) {
        complete = false;
        return false;
    }
    m_published[topic] = std::move(digest);
    return true;
}

std::string OfficePublisher::directoryStamp() const {
    const std::string programDir = fromFileName(m_programDir);
    std::vector<std::filesystem::path> paths{m_programDir / std::filesystem::u8path(kSettingsFileName),
                                             m_programDir / std::filesystem::u8path(kCalendarFileName),
                                             lockdownPath(m_programDir)};
    for (int index = 0; index < kTimetableCount; ++index) {
        paths.push_back(toFileName(timetablePath(programDir, index)));
        paths.push_back(rainGatePath(timetablePath(programDir, index)));
    }
    for (const auto& [path, stamp] : m_musicHashes)
        paths.push_back(toFileName(path));
    std::string out;
    for (const auto& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            out += "-\n";
            continue;
        }
        out += std::to_string(info.st_ino) + ' ' + std::to_string(info.st_size) + ' ' +
               std::to_string(info.st_mtim.tv_sec) + '.' + std::to_string(info.st_mtim.tv_nsec) + '\n';
    }
    return out;
}

int OfficePublisher::publishChanges() {
    // Nothing is read again while no file it reads has changed since all of it went out.
    const std::string stamp = directoryStamp();
    if (stamp == m_sentStamp)
        return 0;
    bool complete = true;
    const int sent = publishContent(complete);
    m_sentStamp = complete ? stamp : std::string();
    return sent;
}

int OfficePublisher::publishContent(bool& complete) {
    int sent = 0;
    const std::string programDir = fromFileName(m_programDir);
    const FileRead settingsFile = readWholeFile(m_programDir / std::filesystem::u8path(kSettingsFileName));

    // The music first, then the index that names it, then the timetables that play it: a building
    // never holds a rule whose music is still on its way.
    std::set<std::string> musicPaths;
    std::array<std::optional<FileContent>, kTimetableCount> timetables;
    for (int index = 0; index < kTimetableCount; ++index) {
        timetables[index] = contentOf(toFileName(timetablePath(programDir, index)));
        complete = complete && timetables[index].has_value();
        if (timetables[index] && *timetables[index]) {
            for (const PlayRule& rule : parseTimetable(**timetables[index]).rules) {
                if (!rule.musicPath.empty())
                    musicPaths.insert(rule.musicPath);
            }
        }
    }
    for (int slot = 1; slot <= kSongSlots && settingsFile.ok(); ++slot) {
        std::string path =
            readProfileValue(settingsFile.bytes, settings::songSection(), std::to_string(slot));
        if (!path.empty())
            musicPaths.insert(std::move(path));
    }
    MusicIndex index;
    for (const std::string& path : musicPaths) {
        const auto file = toFileName(path);
        std::error_code error;
        const auto modified = std::filesystem::last_write_time(file, error);
        const auto size = error ? 0 : std::filesystem::file_size(file, error);
        if (error || size > kLargestMusicFile)
            continue;
        MusicStamp& stamp = m_musicHashes[path];
        std::optional<std::string> bytes;
        if (stamp.hash.empty() || stamp.modified != modified || stamp.size != size) {
            FileRead read = readWholeFile(file, kLargestMusicFile);
            if (!read.ok()) {
                complete = false;
                continue;
            }
            stamp = {modified, size, sha256Hex(read.bytes)};
            bytes = std::move(read.bytes);
        }
        const std::string name = musicFileName(stamp.hash, path);
        const std::string topic = m_topics.music(name);
        if (!m_published.contains(topic)) {
            if (!bytes) {
                FileRead read = readWholeFile(file, kLargestMusicFile);
                if (!read.ok() || sha256Hex(read.bytes) != stamp.hash) {
                    complete = false; // changed under us: the next look sends it
                    continue;
                }
                bytes = std::move(read.bytes);
            }
            if (!m_link.publish(topic, encodeFile(FileContent(*bytes)), true)) {
                complete = false;
                continue;
            }
            m_published[topic] = stamp.hash;
            ++sent;
        }
        index.push_back({name, path});
    }
    sent += publishIfChanged(m_topics.musicIndex(), encodeMusicIndex(index), complete);

    for (int i = 0; i < kTimetableCount; ++i) {
        if (timetables[i])
            sent += publishIfChanged(m_topics.timetable(i), encodeFile(*timetables[i]), complete);
        if (const auto flags = contentOf(rainGatePath(timetablePath(programDir, i))))
            sent += publishIfChanged(m_topics.rainFlags(i), encodeFile(*flags), complete);
        else
            complete = false;
    }
    if (const auto calendar = contentOf(m_programDir / std::filesystem::u8path(kCalendarFileName)))
        sent += publishIfChanged(m_topics.calendar(), encodeFile(*calendar), complete);
    else
        complete = false;
    // Lockdown set in the office holds in every building, kept there over a restart too.
    if (const auto lockdown = contentOf(lockdownPath(m_programDir)))
        sent += publishIfChanged(m_topics.lockdown(), encodeFile(*lockdown), complete);
    else
        complete = false;
    if (settingsFile.ok() || settingsFile.status == FileRead::Status::Missing) {
        int selected = textToInt(
            readProfileValue(settingsFile.bytes, settings::systemSection(), settings::timetableKey()));
        if (selected < 0 || selected >= kTimetableCount)
            selected = 0;
        sent += publishIfChanged(m_topics.selected(), encodeSelected(selected), complete);
    } else {
        complete = false;
    }
    return sent;
}

} // namespace ringvale
