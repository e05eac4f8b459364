#pragma once

// Whole-file reads that tell a missing file from an unreadable one, and atomic whole-file
// writes: the new content goes to a temporary file in the same directory, is flushed to disk
// and then renamed over the old file, so a crash or a power cut leaves the old or the new file,
// never a torn one.

#include <cstdint>
#include <filesystem>
#include <string>

namespace ringvale {

struct FileRead {
    enum class Status { Ok, Missing, Unreadable };
    Status status = Status::Missing;
    std::string bytes;

    bool ok() const { return status == Status::Ok; }
};

// Larger than any timetable, settings file or icon the program writes (a 1,000-rule timetable
// is about 300 KB); a bigger file is garbage and reads as unreadable rather than freezing the
// window.
inline constexpr std::size_t kLargestReadableFile = 4 * 1024 * 1024;

// Only a regular file is read (a FIFO, a device or a folder reads as unreadable, and opening
// never blocks), and only up to maxBytes.
FileRead readWholeFile(const std::filesystem::path& path, std::size_t maxBytes = kLargestReadableFile);

bool fileExists(const std::filesystem::path& path);

// What tells one version of a file from another without reading it: the inode (a rename over
// it gives a new one), the size and the modification time. A missing file has a stamp too.
struct FileStamp {
    bool exists = false;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp fileStampOf(const std::filesystem::path& path);

// Returns false (and leaves any old file untouched) when the new content could not be written.
// `mode` is the new file's permissions (a file holding a secret is made 0600 from the start).
[[nodiscard]] bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes,
                                   unsigned mode = 0644);

} // namespace ringvale
