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

} // namespace ringvale
