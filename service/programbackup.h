#pragma once

#include "core/clock.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ringvale {

// A backup of what the operator made: the seventeen timetables and the files beside them (rain
// flags, sound settings), the school calendar, the settings and the campus link (without its
// password), as a .tar.gz (libarchive). The names inside are the files' own names.
struct BackupResult {
    std::vector<std::string> files; // UTF-8 names, in archive order
    std::string error;              // UTF-8; empty on success
    std::filesystem::path keptCopy; // a restore: where the files it replaced were kept
};

// The names a backup may hold (UTF-8).
std::vector<std::string> backupFileNames();

BackupResult writeBackup(const std::filesystem::path& programDir, const std::filesystem::path& archive);

// Reads the whole archive and checks every file before anything changes (a known name, a regular
// file, no larger than the program reads, the archive whole to its end); then keeps a copy of
// what it replaces in 备份/ (with the campus password, readable by its owner alone) and writes
// each file atomically. The campus link keeps the password it has now when it names the same
// user, broker and campus. A damaged or foreign archive changes nothing.
BackupResult restoreBackup(const std::filesystem::path& programDir, const std::filesystem::path& archive,
                           const Clock& clock);

} // namespace ringvale
