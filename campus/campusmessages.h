#pragma once

// The payloads of the campus topics. Each starts with a tag line naming its kind, so a payload
// that is damaged, cut short or meant for another topic is told and ignored, never written.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// The SHA-256 of the bytes, 64 lowercase hexadecimal digits.
std::string sha256Hex(std::string_view bytes);

// A file of the office's program directory; none: the office has no such file.
using FileContent = std::optional<std::string>;
std::string encodeFile(const FileContent& content);
// nullopt (and `why`) when the payload is not a whole file message: the size or hash disagree.
std::optional<FileContent> decodeFile(std::string_view payload, std::string& why);

std::string encodeSelected(int index);
std::optional<int> decodeSelected(std::string_view payload, std::string& why);

// The name a music file is kept under: its content's hash and its path's extension.
std::string musicFileName(std::string_view contentHash, std::string_view officePath);
bool isMusicFileName(std::string_view name);

// Which of the office's paths (GBK, as its records name them) is which music file.
struct MusicIndexEntry {
    std::string fileName; // HASH.EXT
    std::string officePath;
    bool operator==(const MusicIndexEntry&) const = default;
};
using MusicIndex = std::vector<MusicIndexEntry>;
std::string encodeMusicIndex(const MusicIndex& index);
std::optional<MusicIndex> decodeMusicIndex(std::string_view payload, std::string& why);

// What the office's operator did, for every building to do at once.
struct CampusCommand {
    enum class Kind { Play, Stop, Alarm };
    Kind kind = Kind::Play;
    std::int32_t count = 1;  // Play: as a rule's count; Alarm repeats until stopped
    std::string path;        // GBK, the office's path
    std::int64_t sentMs = 0; // the office's clock, ms since 1970
    // Optional: names this command in the buildings' answers (lowercase hexadecimal, at most 32
    // digits), and the music file (HASH.EXT) that plays `path` when a building's index lacks it.
    std::string id{};
    std::string musicName{};
    bool operator==(const CampusCommand&) const = default;
};
std::string encodeCommand(const CampusCommand& command);
std::optional<CampusCommand> decodeCommand(std::string_view payload, std::string& why);

std::string encodeClock(std::int64_t sentMs);
std::optional<std::int64_t> decodeClock(std::string_view payload, std::string& why);

// A building's state, as the office lists it. Texts are UTF-8.
struct BuildingStatus {
    bool online = false;
    std::string version;
    std::optional<std::int64_t> offsetMs; // its clock minus the office's, as last measured
    std::string lastBell;                 // "HH:MM:SS timetable row N file"
    std::string lastResult;               // "rang onset 4 ms", "failed: not found", …
    std::int64_t atMs = 0;                // when it said so, by its own clock
    // Its answer to the last command that carried an id: "played MS" (the first sample, ms after
    // the command was sent), "stopped", or "failed WHY".
    std::string commandId{};
    std::string commandResult{};
    bool operator==(const BuildingStatus&) const = default;
};
// A building says how it is every half minute while it follows the office; silent this long, it
// counts as offline whatever its last word was.
inline constexpr std::int64_t kSilentBuildingMs = 95'000;

// Whether the office counts a building as online at `officeNowMs`: it says so, and said it no
// longer than `silence` ago (or ahead) by the office's clock. A stamp no clock could show is silence.
bool isOnlineAt(const BuildingStatus& status, std::int64_t officeNowMs, std::int64_t silenceMs);

std::string encodeStatus(const BuildingStatus& status);
std::optional<BuildingStatus> decodeStatus(std::string_view payload, std::string& why);

} // namespace ringvale
