#pragma once

#include <filesystem>

namespace ringvale {

// Holds an exclusive lock on a file in the program directory for as long as it lives, so a
// second copy of the program started on the same timetables (by hand beside the autostart
// one, say) can tell and step aside instead of ringing every bell twice. Only a lock that
// another process holds means another copy: a directory that cannot be written is locked
// through the lock file it already has, or through the directory itself.
class InstanceLock {
public:
    enum class State {
        Acquired,      // this copy holds the program directory
        HeldElsewhere, // another running copy holds it
        Unavailable,   // no lock could be taken at all (this copy runs without one)
    };

    explicit InstanceLock(const std::filesystem::path& programDirectory);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return m_state; }
    bool acquired() const { return m_state == State::Acquired; }
    bool heldElsewhere() const { return m_state == State::HeldElsewhere; }

private:
    // Locks fd, or closes it; true when the attempt settled the state.
    bool tryLock(int fd);

    int m_fd = -1;
    State m_state = State::Unavailable;
};

// Removes temporary files that an interrupted atomic write left in the directory.
void removeStaleTemporaries(const std::filesystem::path& directory);

// True when new files can be made in the directory (a read-only disk or a folder the user may
// not write is not).
bool isWritableDirectory(const std::filesystem::path& directory);

} // namespace ringvale
