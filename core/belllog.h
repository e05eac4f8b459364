#pragma once

// The bell log: what rang, what did not, and why. The scheduler and the commands say what
// happened through BellLog; the program writes it to a file per day, the journal and the window.

#include "core/clock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ringvale {

enum class BellEvent {
    Rang,    // a rule fired and its first samples reached the sound device
    Failed,  // a rule or a play command fired but nothing sounded
    Skipped, // a rule was due but did not ring (the system was stopped)
    Missed,  // a rule was due in a minute in which no running tick came
    Played,  // play now or a song-station slot
    Stopped, // a stop command
    System,  // start, exit, settings, power-off, weather, failed writes
    Heard,   // a bell that rang was heard by the listening input (one not heard is failed: not heard)
};

// How a bell that rang but was not heard is logged: failed, with this detail first.
inline constexpr std::string_view kNotHeard = "not heard";

// "rang", "failed", … as the log files and the journal name them; nullopt for an unknown name.
std::string_view bellEventName(BellEvent event);
std::optional<BellEvent> bellEventNamed(std::string_view name);

// One line of the log. Every text is UTF-8.
struct BellEntry {
    LocalTime at; // stamped by the log when it records the entry
    BellEvent event = BellEvent::System;
    std::string due;       // HH:MM:SS of the slot, or empty
    std::string timetable; // the timetable's name, or empty
    int row = 0;           // the rule's row in the table, 0: none
    std::string file;      // the music file as stored, or empty
    std::string detail;
};

// Identifies one playback request to the player's later report about it.
using PlayId = std::uint64_t;

class BellLog {
public:
    virtual ~BellLog() = default;
    // Records the entry now.
    virtual void record(BellEntry entry) = 0;
    // Playback `id` was requested for `entry` (a rang or a played entry): when the player reports
    // its first samples or its failure, the log records the outcome. `due` is the start of the
    // due minute for a bell, or when a played entry's command was sent, so the onset can be told.
    virtual void expectOutcome(PlayId id, BellEntry entry, std::optional<WallTime> due) = 0;
    // A bell (or a skip of one) is about to happen: kept before the bell is handed to the output,
    // so a program ended in between does not ring it again when it starts. `entry` names the due
    // slot and the music file.
    virtual void noteRinging(const BellEntry& entry) { (void)entry; }
};

// What a caller with nothing to log to passes.
class NoBellLog final : public BellLog {
public:
    void record(BellEntry) override {}
    void expectOutcome(PlayId, BellEntry, std::optional<WallTime>) override {}
};

// A system event with its detail.
inline BellEntry systemEntry(std::string detail) {
    BellEntry entry;
    entry.event = BellEvent::System;
    entry.detail = std::move(detail);
    return entry;
}

} // namespace ringvale
