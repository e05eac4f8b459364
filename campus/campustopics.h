#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ringvale {

// Larger music files are not sent (a bell is seconds, a broadcast minutes).
inline constexpr std::size_t kLargestMusicFile = 64 * 1024 * 1024;

// Every topic of one campus, all under ringvale/CAMPUS/. The office writes all of them but the
// status topics; a building writes only its own status topic.
class CampusTopics {
public:
    enum class Kind {
        Timetable,  // timetable/NN: the bytes of timetable file NN (00 … 16)
        RainFlags,  // timetable/NN/rain: its weather-gated rules
        Calendar,   // calendar: the school calendar
        Lockdown,   // lockdown: whether every scheduled bell is silenced, campus-wide
        Selected,   // selected: the timetable the office has chosen
        Music,      // music/HASH.EXT: one music file, by its content's SHA-256
        MusicIndex, // music-index: which of the office's paths is which music file
        Command,    // command: play, stop, alarm (not retained)
        Clock,      // clock: the office's time (not retained)
        Status,     // status/USER: a building's state
        Unknown,
    };
    struct Parsed {
        Kind kind = Kind::Unknown;
        int index = -1;   // Timetable, RainFlags
        std::string name; // Music: HASH.EXT; Status: USER
    };

    explicit CampusTopics(std::string campus);

    std::string timetable(int index) const;
    std::string rainFlags(int index) const;
    std::string calendar() const;
    std::string lockdown() const;
    std::string selected() const;
    std::string music(std::string_view fileName) const;
    std::string musicIndex() const;
    std::string command() const;
    std::string clock() const;
    std::string status(std::string_view user) const;
    // Subscriptions: everything a building follows, and every building's status.
    std::string everything() const;
    std::string allStatus() const;

    Parsed parse(std::string_view topic) const;

    // The largest payload a topic of `kind` may carry; a larger one is dropped unread. Files
    // carry up to what the office reads of them, music up to its largest file, status, commands
    // and clock readings a few kilobytes.
    static std::size_t largestPayload(Kind kind);
    // What is logged of a message dropped for its size; none when its size is within the limit.
    static std::optional<std::string> oversize(Kind kind, std::string_view topic, std::size_t bytes);

private:
    std::string m_root; // "ringvale/CAMPUS/"
};

} // namespace ringvale
