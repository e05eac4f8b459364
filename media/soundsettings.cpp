#include "media/soundsettings.h"

#include "core/filestore.h"

#include <charconv>
#include <cstdio>
#include <sstream>

namespace ringvale {

namespace {
constexpr const char* kSoundSettingsFileName = "声音设置.INI";
constexpr std::string_view kLoudnessKey = "loudness=";
constexpr std::string_view kListenKey = "listen=";
} // namespace

std::filesystem::path soundSettingsPath(const std::filesystem::path& programDir) {
    return programDir / std::filesystem::u8path(kSoundSettingsFileName);
}

SoundSettings readSoundSettings(const std::filesystem::path& programDir) {
    SoundSettings settings;
    const FileRead file = readWholeFile(soundSettingsPath(programDir), 64 * 1024);
    std::istringstream lines(file.bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with(kListenKey)) {
            settings.listen = line.substr(kListenKey.size());
        } else if (line.starts_with(kLoudnessKey)) {
            double target = 0;
            const char* begin = line.data() + kLoudnessKey.size();
            const auto read = std::from_chars(begin, line.data() + line.size(), target);
            if (read.ec == std::errc() && target >= kQuietestTargetLufs && target <= kLoudestTargetLufs)
                settings.targetLufs = target;
        }
    }
    return settings;
}

bool writeSoundSettings(const std::filesystem::path& programDir, const SoundSettings& settings) {
    char loudness[32];
    std::snprintf(loudness, sizeof loudness, "%g", settings.targetLufs);
    std::string text = "[sound]\r\n" + std::string(kLoudnessKey) + loudness + "\r\n";
    if (!settings.listen.empty())
        text += std::string(kListenKey) + settings.listen + "\r\n";
    return writeFileAtomic(soundSettingsPath(programDir), text);
}

} // namespace ringvale
