#include "campus/campusmessages.h"

#include "core/timetable.h"

#include <openssl/evp.h>

#include <charconv>

namespace ringvale {

namespace {

constexpr std::string_view kFileTag = "ringvale-file ";
constexpr std::string_view kAbsent = "absent";
constexpr std::string_view kSelectedTag = "ringvale-selected ";
constexpr std::string_view kIndexTag = "ringvale-music-index\n";
constexpr std::string_view kCommandTag = "ringvale-command ";
constexpr std::string_view kClockTag = "ringvale-clock ";
constexpr std::string_view kStatusTag = "ringvale-status\n";
constexpr std::size_t kHashDigits = 64;

// Splits off the first line (without its "\n"); nullopt when there is no line end.
std::optional<std::string_view> firstLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return line;
}

template <typename Number> std::optional<Number> wholeNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool isLowerHex(std::string_view text) {
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

// Splits "a b c" at single spaces.
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    while (true) {
        const std::size_t space = line.find(' ');
        out.push_back(line.substr(0, space));
        if (space == std::string_view::npos)
            return out;
        line.remove_prefix(space + 1);
    }
}

template <typename T> std::optional<T> refuse(std::string& why, std::string text) {
    why = std::move(text);
    return std::nullopt;
}

constexpr std::string_view commandWord(CampusCommand::Kind kind) {
    switch (kind) {
    case CampusCommand::Kind::Play:
        return "play";
    case CampusCommand::Kind::Stop:
        return "stop";
    case CampusCommand::Kind::Alarm:
        return "alarm";
    }
    return "play";
}

} // namespace

std::string sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

std::string encodeFile(const FileContent& content) {
    if (!content)
        return std::string(kFileTag) + std::string(kAbsent) + "\n";
    return std::string(kFileTag) + std::to_string(content->size()) + " " + sha256Hex(*content) + "\n" +
           *content;
}

std::optional<FileContent> decodeFile(std::string_view payload, std::string& why) {
    if (!payload.starts_with(kFileTag))
        return refuse<FileContent>(why, "not a file message");
    payload.remove_prefix(kFileTag.size());
    const auto line = firstLine(payload);
    if (!line)
        return refuse<FileContent>(why, "a file message without its header line");
    if (*line == kAbsent)
        return payload.empty() ? std::optional<FileContent>(FileContent{})
                               : refuse<FileContent>(why, "an absent file with content");
    const auto parts = words(*line);
    const auto size = parts.size() == 2 ? wholeNumber<std::size_t>(parts[0]) : std::nullopt;
    if (!size || parts[1].size() != kHashDigits || !isLowerHex(parts[1]))
        return refuse<FileContent>(why, "a file message's header is not SIZE HASH");
    if (payload.size() != *size)
        return refuse<FileContent>(why, "a file message cut short or too long (" +
                                            std::to_string(payload.size()) + " bytes of " +
                                            std::to_string(*size) + ")");
    if (sha256Hex(payload) != parts[1])
        return refuse<FileContent>(why, "a file message whose content does not match its hash");
    return FileContent(std::string(payload));
}

std::string encodeSelected(int index) {
    return std::string(kSelectedTag) + std::to_string(index) + "\n";
}

std::optional<int> decodeSelected(std::string_view payload, std::string& why) {
    if (!payload.starts_with(kSelectedTag) || !payload.ends_with('\n'))
        return refuse<int>(why, "not a selected-timetable message");
    payload.remove_prefix(kSelectedTag.size());
    payload.remove_suffix(1);
    const auto index = wholeNumber<int>(payload);
    if (!index || *index < 0 || *index >= kTimetableCount)
        return refuse<int>(why, "a selected timetable that does not exist");
    return index;
}

std::string musicFileName(std::string_view contentHash, std::string_view officePath) {
    std::string extension;
    const std::size_t dot = officePath.rfind('.');
    const std::size_t separator = officePath.find_last_of("/\\");
    if (dot != std::string_view::npos && (separator == std::string_view::npos || dot > separator)) {
        for (const char c : officePath.substr(dot + 1)) {
            if (c >= 'A' && c <= 'Z')
                extension += static_cast<char>(c - 'A' + 'a');
            else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
                extension += c;
            else
                return std::string(contentHash) + ".bin";
        }
    }
    if (extension.empty() || extension.size() > 8)
        extension = "bin";
    return std::string(contentHash) + "." + extension;
}

bool isMusicFileName(std::string_view name) {
    const std::size_t dot = name.find('.');
    if (dot != kHashDigits || !isLowerHex(name.substr(0, dot)))
        return false;
    const std::string_view extension = name.substr(dot + 1);
    if (extension.empty() || extension.size() > 8)
        return false;
    for (const char c : extension) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

std::string encodeMusicIndex(const MusicIndex& index) {
    std::string out(kIndexTag);
    for (const MusicIndexEntry& entry : index)
        out += entry.fileName + "\t" + entry.officePath + "\n";
    return out;
}

std::optional<MusicIndex> decodeMusicIndex(std::string_view payload, std::string& why) {
    if (!payload.starts_with(kIndexTag))
        return refuse<MusicIndex>(why, "not a music index");
    payload.remove_prefix(kIndexTag.size());
    MusicIndex index;
    while (!payload.empty()) {
        const auto line = firstLine(payload);
        const std::size_t tab = line ? line->find('\t') : std::string_view::npos;
        if (tab == std::string_view::npos || !isMusicFileName(line->substr(0, tab)) ||
            tab + 1 == line->size())
            return refuse<MusicIndex>(why, "a music index line that is not HASH.EXT<TAB>PATH");
        index.push_back({std::string(line->substr(0, tab)), std::string(line->substr(tab + 1))});
    }
    return index;
}

std::string encodeCommand(const CampusCommand& command) {
    std::string header = std::string(kCommandTag) + std::string(commandWord(command.kind)) + " " +
                         std::to_string(command.count) + " " + std::to_string(command.sentMs);
    if (!command.id.empty())
        header += " " + command.id + " " + (command.musicName.empty() ? "-" : command.musicName);
    return header + "\n" + command.path;
}

std::optional<CampusCommand> decodeCommand(std::string_view payload, std::string& why) {
    if (!payload.starts_with(kCommandTag))
        return refuse<CampusCommand>(why, "not a command");
    payload.remove_prefix(kCommandTag.size());
    const auto line = firstLine(payload);
    const auto parts = line ? words(*line) : std::vector<std::string_view>{};
    if (parts.size() != 3 && parts.size() != 5)
        return refuse<CampusCommand>(why, "a command's header is not KIND COUNT TIME [ID MUSIC]");
    CampusCommand command;
    if (parts.size() == 5) {
        if (parts[3].empty() || parts[3].size() > 32 || !isLowerHex(parts[3]))
            return refuse<CampusCommand>(why, "a command's id is not hexadecimal");
        if (parts[4] != "-" && !isMusicFileName(parts[4]))
            return refuse<CampusCommand>(why, "a command's music is not HASH.EXT");
        command.id = std::string(parts[3]);
        if (parts[4] != "-")
            command.musicName = std::string(parts[4]);
    }
    if (parts[0] == "play")
        command.kind = CampusCommand::Kind::Play;
    else if (parts[0] == "stop")
        command.kind = CampusCommand::Kind::Stop;
    else if (parts[0] == "alarm")
        command.kind = CampusCommand::Kind::Alarm;
    else
        return refuse<CampusCommand>(why, "an unknown command");
    const auto count = wholeNumber<std::int32_t>(parts[1]);
    const auto sent = wholeNumber<std::int64_t>(parts[2]);
    if (!count || !sent)
        return refuse<CampusCommand>(why, "a command's count or time is not a number");
    if (payload.find_first_of(std::string_view("\n\0", 2)) != std::string_view::npos)
        return refuse<CampusCommand>(why, "a command's path holds a line end");
    command.count = *count;
    command.sentMs = *sent;
    command.path = std::string(payload);
    return command;
}

std::string encodeClock(std::int64_t sentMs) {
    return std::string(kClockTag) + std::to_string(sentMs) + "\n";
}

std::optional<std::int64_t> decodeClock(std::string_view payload, std::string& why) {
    if (!payload.starts_with(kClockTag) || !payload.ends_with('\n'))
        return refuse<std::int64_t>(why, "not a clock message");
    payload.remove_prefix(kClockTag.size());
    payload.remove_suffix(1);
    const auto sent = wholeNumber<std::int64_t>(payload);
    if (!sent)
        return refuse<std::int64_t>(why, "a clock message whose time is not a number");
    return sent;
}

bool isOnlineAt(const BuildingStatus& status, std::int64_t officeNowMs, std::int64_t silenceMs) {
    std::int64_t said = 0, silent = 0;
    if (!status.online || __builtin_sub_overflow(status.atMs, status.offsetMs.value_or(0), &said) ||
        __builtin_sub_overflow(officeNowMs, said, &silent))
        return false;
    return silent <= silenceMs && silent >= -silenceMs;
}

std::string encodeStatus(const BuildingStatus& status) {
    std::string out(kStatusTag);
    const auto line = [&out](std::string_view key, std::string_view value) {
        std::string clean(value);
        for (char& c : clean) {
            if (c == '\n' || c == '\r')
                c = ' ';
        }
        out += std::string(key) + "=" + clean + "\n";
    };
    line("state", status.online ? "online" : "offline");
    line("version", status.version);
    if (status.offsetMs)
        line("offset-ms", std::to_string(*status.offsetMs));
    line("last-bell", status.lastBell);
    line("last-result", status.lastResult);
    line("at-ms", std::to_string(status.atMs));
    if (!status.commandId.empty()) {
        line("command-id", status.commandId);
        line("command-result", status.commandResult);
    }
    return out;
}

std::optional<BuildingStatus> decodeStatus(std::string_view payload, std::string& why) {
    if (!payload.starts_with(kStatusTag))
        return refuse<BuildingStatus>(why, "not a status message");
    payload.remove_prefix(kStatusTag.size());
    BuildingStatus status;
    bool stateSeen = false;
    while (!payload.empty()) {
        const auto line = firstLine(payload);
        const std::size_t equals = line ? line->find('=') : std::string_view::npos;
        if (equals == std::string_view::npos)
            return refuse<BuildingStatus>(why, "a status line that is not KEY=VALUE");
        const std::string_view key = line->substr(0, equals);
        const std::string_view value = line->substr(equals + 1);
        if (key == "state") {
            if (value != "online" && value != "offline")
                return refuse<BuildingStatus>(why, "a state that is neither online nor offline");
            status.online = value == "online";
            stateSeen = true;
        } else if (key == "version") {
            status.version = std::string(value);
        } else if (key == "offset-ms") {
            status.offsetMs = wholeNumber<std::int64_t>(value);
        } else if (key == "last-bell") {
            status.lastBell = std::string(value);
        } else if (key == "last-result") {
            status.lastResult = std::string(value);
        } else if (key == "at-ms") {
            status.atMs = wholeNumber<std::int64_t>(value).value_or(0);
        } else if (key == "command-id") {
            status.commandId = std::string(value);
        } else if (key == "command-result") {
            status.commandResult = std::string(value);
        }
    }
    if (!stateSeen)
        return refuse<BuildingStatus>(why, "a status without its state");
    return status;
}

} // namespace ringvale
