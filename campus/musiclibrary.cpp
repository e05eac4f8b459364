#include "campus/musiclibrary.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/programdir.h"

#include <set>

namespace ringvale {

namespace {
constexpr const char* kIndexName = "索引.txt";
} // namespace

MusicLibrary::MusicLibrary(std::filesystem::path programDir)
    : m_programDir(programDir),
      m_folder(std::move(programDir) / std::filesystem::u8path(kCampusMusicFolderName)) {}

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
    if (leadsOutside(m_folder, m_programDir))
        return false;
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
    if (leadsOutside(m_folder, m_programDir))
        return false;
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    return writeFileAtomic(m_folder / std::filesystem::u8path(kIndexName), encodeMusicIndex(index));
}

int MusicLibrary::prune(std::chrono::hours unusedFor) {
    if (leadsOutside(m_folder, m_programDir))
        return 0;
    std::set<std::string> named;
    {
        const std::lock_guard lock(m_mutex);
        for (const auto& [officePath, fileName] : m_byOfficePath)
            named.insert(fileName);
    }
    const auto oldest = std::filesystem::file_time_type::clock::now() - unusedFor;
    int removed = 0;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(m_folder, error)) {
        const std::string name = item.path().filename().string();
        std::error_code itemError;
        if (!isMusicFileName(name) || named.count(name) || !item.is_regular_file(itemError) ||
            item.last_write_time(itemError) > oldest || itemError)
            continue;
        if (std::filesystem::remove(item.path(), itemError))
            ++removed;
    }
    return removed;
}

} // namespace ringvale
