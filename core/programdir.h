#pragma once

// The program directory holds the settings file, the timetable files and the icon cache tp/.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace ringvale {

using EnvLookup = std::function<std::optional<std::string>(const char* name)>;

// The process environment, for production use.
std::optional<std::string> processEnv(const char* name);

// The running executable, and its directory (empty when they cannot be found).
std::filesystem::path executablePath();
std::filesystem::path executableDirectory();

// RINGVALE_HOME when set; else the executable's directory when it already holds the settings
// file (a portable copy beside its files); else $XDG_DATA_HOME/ringvale, by default
// ~/.local/share/ringvale, so a build folder that is thrown away never takes timetables with it.
std::filesystem::path resolveProgramDirectory(const EnvLookup& env,
                                              const std::filesystem::path& executableDir);

// Creates the directory and its tp/ folder when missing. False when that failed.
bool ensureProgramDirectory(const std::filesystem::path& dir);

// The settings file's name inside the program directory (UTF-8 on disk).
inline constexpr const char* kSettingsFileName = "系统配置.INI";
// The folders the program writes inside the program directory besides itself: the weather
// icon cache, the bell log, a building's copy of the office's music.
inline constexpr const char* kIconFolderName = "tp";
inline constexpr const char* kLogFolderName = "日志";
inline constexpr const char* kCampusMusicFolderName = "校园音乐";

// True when `folder` (inside the program directory by its name) leads elsewhere through a
// symbolic link: nothing is written, read as the program's own or removed there.
bool leadsOutside(const std::filesystem::path& folder, const std::filesystem::path& programDir);

// Removes the temporary files an interrupted atomic write left in the program directory and in
// every folder of it the program writes (none that leads outside). Call with the lock held.
void removeStaleTemporariesEverywhere(const std::filesystem::path& programDir);

} // namespace ringvale
