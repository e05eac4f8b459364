#pragma once

#include "core/belllog.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// A calendar day of the log.
struct LogDay {
    int year = 1970;
    int month = 1;
    int day = 1;
    bool operator==(const LogDay&) const = default;
    auto operator<=>(const LogDay&) const = default;
};

LogDay logDayOf(const LocalTime& time);
// "YYYY-MM-DD".
std::string logDayText(const LogDay& day);
// The day a "YYYY-MM-DD" text names, or nullopt when it names none.
std::optional<LogDay> parseLogDay(std::string_view text);
// Days since 1970-01-01.
int logDayNumber(const LogDay& day);

// The log line format: tab-separated columns at, event, due, timetable, row, file, detail;
// a tab, a line end or a backslash inside a text is written as \t, \n, \r or \\.
std::string_view logHeaderLine(); // with its line end
std::string logLine(const BellEntry& entry);
std::optional<BellEntry> parseLogLine(std::string_view line);
// A day's entries as CSV (RFC 4180, UTF-8, a header row), for the export.
std::string logCsv(const std::vector<BellEntry>& entries);

// The log's files, one per day: 日志/YYYY-MM-DD.tsv in the program directory.
class BellDayFiles {
public:
    static constexpr int kKeptDays = 400;

    explicit BellDayFiles(std::filesystem::path programDir);

    std::filesystem::path folder() const;
    std::filesystem::path fileOf(const LogDay& day) const;
    // The day's ledger: a line for each bell about to be handed to the output, written before
    // it is, so a program ended in between does not ring it again when it starts.
    std::filesystem::path ledgerFileOf(const LogDay& day) const;
    // Appends the entry to its day's file with one write (the header first in a new file);
    // false with the reason when it could not.
    bool append(const BellEntry& entry, std::string* reason = nullptr) const;
    // Likewise to the day's ledger.
    bool appendToLedger(const BellEntry& entry, std::string* reason = nullptr) const;
    // The day's entries in file order; lines that do not parse are left out. The file is read as
    // a stream, however large it is.
    std::vector<BellEntry> readDay(const LogDay& day) const;
    // Hands each entry of the day's file (or its ledger) to `visit`, in file order, without
    // holding the file in memory; false when the file exists but could not be read.
    using Visitor = std::function<void(BellEntry&&)>;
    bool visitDay(const LogDay& day, const Visitor& visit) const;
    bool visitLedger(const LogDay& day, const Visitor& visit) const;
    // The days that have a file, oldest first.
    std::vector<LogDay> days() const;
    // Removes the files (and ledgers) of days more than kKeptDays before `today`; the number
    // of days removed.
    int removeOld(const LogDay& today) const;

private:
    // False (and why) when the log folder leads out of the program directory.
    bool usable(std::string* reason = nullptr) const;

    std::filesystem::path m_programDir;
    std::filesystem::path m_folder;
};

} // namespace ringvale
