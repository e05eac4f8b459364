#pragma once

#include <filesystem>

namespace ringvale {

// Holds an exclusive lock on a file in the program directory for as long as it lives, so a
// second copy of the program started on the same timetables (by hand beside the autostart
// one, say) can tell and step aside instead of ringing every bell twice.
class InstanceLock {
public:
    explicit InstanceLock(const std::filesystem::path& programDirectory);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another running copy holds the lock.
    bool acquired() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Removes temporary files that an interrupted atomic write left in the directory.
void removeStaleTemporaries(const std::filesystem::path& directory);

} // namespace ringvale
