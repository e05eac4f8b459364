#pragma once

#include "media/loudness.h"

#include <filesystem>
#include <string>

namespace ringvale {

// How bells sound beyond their rules, kept in 声音设置.INI beside the timetables (UTF-8, CRLF:
// "[sound]", "loudness=-18", "listen=NAME"): the loudness every file is brought to, and the
// sound server input that confirms each bell (none: bells are not listened for).
struct SoundSettings {
    double targetLufs = kDefaultTargetLufs;
    std::string listen;

    bool operator==(const SoundSettings&) const = default;
};

inline constexpr double kQuietestTargetLufs = -30.0;
inline constexpr double kLoudestTargetLufs = -10.0;

std::filesystem::path soundSettingsPath(const std::filesystem::path& programDir);
// What the file says; a missing file, or a value out of range, reads as the default.
SoundSettings readSoundSettings(const std::filesystem::path& programDir);
// False when it could not be written.
[[nodiscard]] bool writeSoundSettings(const std::filesystem::path& programDir, const SoundSettings& settings);

} // namespace ringvale
