#pragma once

#include "campus/campusmessages.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace ringvale {

// A building's copy of the office's music: the files in 校园音乐/ under their content's name, and
// the index saying which of the office's paths each one is (校园音乐/索引.txt). The timetables keep
// the office's paths; a bell finds its file here. Safe to use from any thread.
class MusicLibrary {
public:
    explicit MusicLibrary(std::filesystem::path programDir);

    // Reads the index a previous run stored; false when there was none or it did not parse.
    bool load();
    // The local file (GBK path) the office's path names, or the path itself when the office sent
    // no such file (a building may keep its own files at the same paths).
    std::string resolve(const std::string& officePath) const;

    bool has(const std::string& fileName) const;
    // The local file (GBK path) of a stored HASH.EXT, or none.
    std::optional<std::string> fileNamed(const std::string& fileName) const;
    // Stores one file atomically; false when it could not be written.
    [[nodiscard]] bool store(const std::string& fileName, std::string_view bytes);
    // Takes and stores the index; false when it could not be written (it is still used).
    [[nodiscard]] bool setIndex(const MusicIndex& index);

    // Removes the music files that the index has not named for `unusedFor` (by their time of
    // storing); the number removed. A file a play command brought lasts that long too.
    int prune(std::chrono::hours unusedFor = std::chrono::hours(24));

    const std::filesystem::path& folder() const { return m_folder; }

private:
    std::filesystem::path m_programDir;
    std::filesystem::path m_folder;
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_byOfficePath; // office path -> HASH.EXT
};

} // namespace ringvale
