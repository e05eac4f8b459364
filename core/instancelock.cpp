#include "core/instancelock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ringvale {

namespace {
constexpr const char* kLockFileName = ".ringvale.lock";
} // namespace

InstanceLock::InstanceLock(const std::filesystem::path& programDirectory) {
    const auto path = programDirectory / kLockFileName;
    // The lock file, made when missing; one that cannot be written is locked read-only; with
    // neither, the directory itself.
    if (tryLock(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)))
        return;
    if (tryLock(::open(path.c_str(), O_RDONLY | O_CLOEXEC)))
        return;
    tryLock(::open(programDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool InstanceLock::tryLock(int fd) {
    if (fd < 0)
        return false;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        if (held)
            m_state = State::HeldElsewhere;
        return held;
    }
    m_fd = fd;
    m_state = State::Acquired;
    return true;
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing releases the lock
}

void removeStaleTemporaries(const std::filesystem::path& directory) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(directory, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(ec) && name.find(".tmp-") != std::string::npos)
            std::filesystem::remove(entry.path(), ec);
    }
}

bool isWritableDirectory(const std::filesystem::path& directory) {
    return ::access(directory.c_str(), W_OK | X_OK) == 0;
}

} // namespace ringvale
