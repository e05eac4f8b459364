#pragma once

// A reader and writer of profile files: "[section]" lines and "key=value" lines, GBK bytes with
// CRLF line ends. Section and key names compare ASCII-case-insensitively. Lines the format does
// not know (comments, blank lines, stray text) are kept as they are when the file is rewritten.

#include <filesystem>
#include <string>
#include <string_view>

namespace ringvale {

inline constexpr std::size_t kProfileValueLimit = 10239;

// The value of key in section (at most 10,239 bytes), or the empty text when the file, the
// section or the key is missing, or the file cannot be read.
std::string readProfileValue(std::string_view fileText, std::string_view section, std::string_view key);

// The whole new file text with key set to value in section, created as needed.
std::string withProfileValue(std::string_view fileText, std::string_view section, std::string_view key,
                             std::string_view value);

class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path) : m_path(std::move(path)) {}

    std::string read(std::string_view section, std::string_view key) const;
    // Writes atomically; false (and the old file whole) when the file could not be read or written.
    [[nodiscard]] bool write(std::string_view section, std::string_view key, std::string_view value) const;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace ringvale
