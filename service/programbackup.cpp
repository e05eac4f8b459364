#include "service/programbackup.h"

#include "campus/campussetup.h"
#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/programdir.h"
#include "core/raingate.h"
#include "core/rulesound.h"
#include "core/timetable.h"
#include "media/soundsettings.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <optional>

namespace ringvale {

namespace {

constexpr const char* kKeptFolder = "备份";

using ReadArchive = std::unique_ptr<archive, decltype(&archive_read_free)>;
using WriteArchive = std::unique_ptr<archive, decltype(&archive_write_free)>;

// libarchive's reason, which it may not have.
std::string errorOf(archive* handle) {
    const char* text = archive_error_string(handle);
    return text ? text : "no reason given";
}

bool isSecret(const std::string& name) {
    return name == kCampusFileName;
}

// name -> bytes of the files that exist, in backup order.
using Files = std::vector<std::pair<std::string, std::string>>;

std::optional<Files> readProgramFiles(const std::filesystem::path& programDir, bool withSecrets,
                                      std::string& error) {
    Files files;
    for (const std::string& name : backupFileNames()) {
        FileRead read = readWholeFile(programDir / std::filesystem::u8path(name));
        if (read.status == FileRead::Status::Missing)
            continue;
        if (!read.ok()) {
            error = (programDir / std::filesystem::u8path(name)).string() + " cannot be read";
            return std::nullopt;
        }
        files.emplace_back(name, isSecret(name) && !withSecrets ? campusSetupWithoutPassword(read.bytes)
                                                                : std::move(read.bytes));
    }
    return files;
}

std::string writeArchive(const std::filesystem::path& path, const Files& files, bool secret) {
    // Into a temporary beside it, renamed when whole: a failed backup never leaves half an archive.
    const std::filesystem::path temporary = path.string() + ".tmp-backup";
    const WriteArchive out(archive_write_new(), archive_write_free);
    archive_write_add_filter_gzip(out.get());
    // GNU tar's format keeps the names as their bytes (UTF-8, the filesystem's), whatever the
    // process's locale, and every tar reads it.
    archive_write_set_format_gnutar(out.get());
    if (archive_write_open_filename(out.get(), temporary.c_str()) != ARCHIVE_OK)
        return path.string() + " cannot be written: " + errorOf(out.get());
    const std::time_t now = std::time(nullptr);
    for (const auto& [name, bytes] : files) {
        const std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                                  archive_entry_free);
        archive_entry_copy_pathname(entry.get(), name.c_str());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), isSecret(name) ? 0600 : 0644);
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(bytes.size()));
        archive_entry_set_mtime(entry.get(), now, 0);
        if (archive_write_header(out.get(), entry.get()) != ARCHIVE_OK ||
            archive_write_data(out.get(), bytes.data(), bytes.size()) !=
                static_cast<la_ssize_t>(bytes.size())) {
            const std::string why = errorOf(out.get());
            std::remove(temporary.c_str());
            return path.string() + " cannot be written: " + why;
        }
    }
    if (archive_write_close(out.get()) != ARCHIVE_OK) {
        std::remove(temporary.c_str());
        return path.string() + " cannot be written: " + errorOf(out.get());
    }
    std::error_code error;
    if (secret)
        std::filesystem::permissions(
            temporary, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, error);
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return path.string() + " cannot be written: " + error.message();
    }
    return {};
}

// True when the file is a gzip stream that is whole to its end (its content's length and
// checksum agree with its trailer): the tar reader stops at the archive's end marker, and
// libarchive does not check the trailer.
bool wholeGzip(const std::filesystem::path& path, std::string& why) {
    constexpr std::size_t kLargestArchive = 256u << 20;
    const FileRead file = readWholeFile(path, kLargestArchive);
    if (!file.ok()) {
        why = path.string() + " cannot be read: nothing was restored";
        return false;
    }
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        why = "gzip cannot be read on this computer";
        return false;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.bytes.data()));
    stream.avail_in = static_cast<uInt>(file.bytes.size());
    std::vector<unsigned char> out(64 * 1024);
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        status = inflate(&stream, Z_NO_FLUSH);
    }
    const bool whole = status == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!whole)
        why = path.string() + (status == Z_STREAM_END || status == Z_DATA_ERROR || status == Z_BUF_ERROR
                                   ? " is damaged or not a .tar.gz backup: nothing was restored"
                                   : " cannot be read: nothing was restored");
    return whole;
}

// Every file of the archive, checked; nullopt (and why) when anything in it is wrong.
std::optional<std::map<std::string, std::string>> readArchive(const std::filesystem::path& path,
                                                              std::string& why) {
    if (!wholeGzip(path, why))
        return std::nullopt;
    const std::vector<std::string> known = backupFileNames();
    const ReadArchive in(archive_read_new(), archive_read_free);
    archive_read_support_filter_gzip(in.get());
    archive_read_support_format_tar(in.get());
    if (archive_read_open_filename(in.get(), path.c_str(), 64 * 1024) != ARCHIVE_OK) {
        why = path.string() + " cannot be read as a .tar.gz: " + errorOf(in.get());
        return std::nullopt;
    }
    std::map<std::string, std::string> files;
    archive_entry* entry = nullptr;
    int status = ARCHIVE_OK;
    while ((status = archive_read_next_header(in.get(), &entry)) == ARCHIVE_OK) {
        const char* pathname = archive_entry_pathname(entry);
        const std::string name = pathname ? pathname : "";
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            why =
                "the archive holds " + name + ", which no backup of this program holds: nothing was restored";
            return std::nullopt;
        }
        if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_size(entry) < 0 ||
            static_cast<std::uint64_t>(archive_entry_size(entry)) > kLargestReadableFile) {
            why = name + " in the archive is not a file the program can read: nothing was restored";
            return std::nullopt;
        }
        std::string bytes(static_cast<std::size_t>(archive_entry_size(entry)), '\0');
        if (archive_read_data(in.get(), bytes.data(), bytes.size()) !=
            static_cast<la_ssize_t>(bytes.size())) {
            why = name + " in the archive is damaged: nothing was restored";
            return std::nullopt;
        }
        files[name] = std::move(bytes);
    }
    if (status != ARCHIVE_EOF) {
        why = path.string() + " is damaged (" + errorOf(in.get()) + "): nothing was restored";
        return std::nullopt;
    }
    if (files.empty()) {
        why = path.string() + " holds no file of a backup: nothing was restored";
        return std::nullopt;
    }
    return files;
}

std::string stampText(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

} // namespace

std::vector<std::string> backupFileNames() {
    std::vector<std::string> names;
    for (int index = 0; index < kTimetableCount; ++index) {
        const std::string file = utf8FromGbk(timetableName(index)) + ".INI";
        names.push_back(file);
        names.push_back(file + kRainGateSuffix);
        names.push_back(file + kRuleSoundSuffix);
    }
    names.push_back(kCalendarFileName);
    names.push_back(kSettingsFileName);
    names.push_back(kCampusFileName);
    names.push_back(soundSettingsPath({}).filename().string());
    return names;
}

BackupResult writeBackup(const std::filesystem::path& programDir, const std::filesystem::path& archivePath) {
    BackupResult result;
    const auto files = readProgramFiles(programDir, false, result.error);
    if (!files)
        return result;
    if (files->empty()) {
        result.error = programDir.string() + " holds nothing to back up";
        return result;
    }
    result.error = writeArchive(archivePath, *files, false);
    if (result.error.empty())
        for (const auto& file : *files)
            result.files.push_back(file.first);
    return result;
}

BackupResult restoreBackup(const std::filesystem::path& programDir, const std::filesystem::path& archivePath,
                           const Clock& clock) {
    BackupResult result;
    auto restored = readArchive(archivePath, result.error);
    if (!restored)
        return result;
    // What is there now, kept whole (with the campus password) before anything changes.
    const auto current = readProgramFiles(programDir, true, result.error);
    if (!current)
        return result;
    const std::filesystem::path kept = programDir / std::filesystem::u8path(kKeptFolder);
    if (leadsOutside(kept, programDir)) {
        result.error = kept.string() + " leads out of the program directory: nothing was restored";
        return result;
    }
    std::error_code error;
    std::filesystem::create_directories(kept, error);
    result.keptCopy = kept / ("before-restore-" + stampText(localTimeAt(clock.now())) + ".tar.gz");
    if (!current->empty()) {
        if (const std::string why = writeArchive(result.keptCopy, *current, true); !why.empty()) {
            result.error = why + ": nothing was restored";
            return result;
        }
    }
    std::map<std::string, std::string> now(current->begin(), current->end());
    // A restored timetable brings its companions as they were: one the backup lacks goes.
    for (const auto& [name, bytes] : *restored) {
        if (!name.ends_with(".INI") || name == kCalendarFileName || name == kSettingsFileName ||
            name == kCampusFileName)
            continue;
        for (const char* suffix : {kRainGateSuffix, kRuleSoundSuffix})
            if (!restored->count(name + suffix) && now.count(name + suffix)) {
                std::filesystem::remove(programDir / std::filesystem::u8path(name + suffix), error);
                result.files.push_back(name + suffix + " (removed)");
            }
    }
    for (auto& [name, bytes] : *restored) {
        if (isSecret(name) && now.count(name))
            bytes = campusSetupWithPasswordOf(bytes, now[name]);
        if (!writeFileAtomic(programDir / std::filesystem::u8path(name), bytes,
                             isSecret(name) ? 0600 : 0644)) {
            result.error = (programDir / std::filesystem::u8path(name)).string() +
                           " could not be written; what was there before is in " + result.keptCopy.string();
            return result;
        }
        result.files.push_back(name);
    }
    return result;
}

} // namespace ringvale
