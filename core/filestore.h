#pragma once

// Whole-file reads that tell a missing file from an unreadable one, and atomic whole-file
// writes: the new content goes to a temporary file in the same directory, is flushed to disk
// and then renamed over the old file, so a crash or a power cut leaves the old or the new file,
// never a torn one.

#include <filesystem>
#include <string>

namespace ringvale {

struct FileRead {
    enum class Status { Ok, Missing, Unreadable };
    Status status = Status::Missing;
    std::string bytes;

    bool ok() const { return status == Status::Ok; }
};

FileRead readWholeFile(const std::filesystem::path& path);

bool fileExists(const std::filesystem::path& path);

// Returns false (and leaves any old file untouched) when the new content could not be written.
bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes);

} // namespace ringvale
