#include "instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ringvale {

InstanceLock::InstanceLock(const std::filesystem::path& programDirectory) {
    const auto path = programDirectory / ".ringvale.lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
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

} // namespace ringvale
