#include "core/musicfilecheck.h"

#include "core/codepage.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ringvale {

std::optional<std::string> musicFileProblem(std::string_view path) {
    if (path.empty())
        return std::nullopt;
    const int fd = ::open(toFileName(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return "not found";
        return std::string("cannot be opened: ") + std::strerror(errno);
    }
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular)
        return "not a regular file";
    return std::nullopt;
}

} // namespace ringvale
