#include "core/filestore.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace ringvale {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string temporaryName(const std::filesystem::path& target) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    return target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(rng() % 1000000);
}

} // namespace

FileRead readWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
    FileRead result;
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.status =
            errno == ENOENT || errno == ENOTDIR ? FileRead::Status::Missing : FileRead::Status::Unreadable;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uintmax_t>(st.st_size) > maxBytes ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        result.status = FileRead::Status::Unreadable;
        return result;
    }
    if (st.st_size > 0)
        result.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            result.bytes.clear();
            result.status = FileRead::Status::Unreadable;
            return result;
        }
        if (n == 0)
            break;
        result.bytes.append(buffer, static_cast<std::size_t>(n));
        if (result.bytes.size() > maxBytes) { // grew while being read
            ::close(fd);
            result.bytes.clear();
            result.status = FileRead::Status::Unreadable;
            return result;
        }
    }
    ::close(fd);
    result.status = FileRead::Status::Ok;
    return result;
}

bool fileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes, unsigned mode) {
    const std::filesystem::path dir =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const std::filesystem::path temp = dir / temporaryName(path);
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode & 0600));
    if (fd < 0)
        return false;
    // Created readable by its owner alone, then given its mode whatever the umask.
    const bool written =
        ::fchmod(fd, static_cast<mode_t>(mode)) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

} // namespace ringvale

namespace ringvale {

FileStamp fileStampOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true, static_cast<std::uint64_t>(st.st_ino), static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

} // namespace ringvale
