#include "campus/musiclibrary.h"

#include "core/codepage.h"
#include "core/filestore.h"

namespace ringvale {

namespace {
constexpr const char* kFolderName = "校园音乐";
constexpr const char* kIndexName = "索引.txt";
} // namespace

MusicLibrary::MusicLibrary(std::filesystem::path programDir)
    : m_folder(std::move(programDir) / std::filesystem::u8path(kFolderName)) {}

bool MusicLibrary::load() {
    const FileRead file = readWholeFile(m_folder / std::filesystem::u8path(kIndexName));
    std::string why;
    const auto index = file.ok() ? decodeMusicIndex(file.bytes, why) : std::nullopt;
    if (!index)
        return false;
    const std::lock_guard lock(m_mutex);
    m_byOfficePath.clear();
    for (const MusicIndexEntry& entry : *index)
        m_byOfficePath[entry.officePath] = entry.fileName;
    return true;
}

std::string MusicLibrary::resolve(const std::string& officePath) const {
    const std::lock_guard lock(m_mutex);
    const auto found = m_byOfficePath.find(officePath);
    if (found == m_byOfficePath.end())
        return officePath;
    const auto local = m_folder / found->second;
    return fileExists(local) ? fromFileName(local) : officePath;
}

std::optional<std::string> MusicLibrary::fileNamed(const std::string& fileName) const {
    if (!isMusicFileName(fileName) || !has(fileName))
        return std::nullopt;
    return fromFileName(m_folder / fileName);
}

bool MusicLibrary::has(const std::string& fileName) const {
    return fileExists(m_folder / fileName);
}

bool MusicLibrary::store(const std::string& fileName, std::string_view bytes) {
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    return writeFileAtomic(m_folder / fileName, bytes);
}

bool MusicLibrary::setIndex(const MusicIndex& index) {
    {
        const std::lock_guard lock(m_mutex);
        m_byOfficePath.clear();
        for (const MusicIndexEntry& entry : index)
            m_byOfficePath[entry.officePath] = entry.fileName;
    }
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    return writeFileAtomic(m_folder / std::filesystem::u8path(kIndexName), encodeMusicIndex(index));
}

} // namespace ringvale
