#include "core/programdir.h"

#include "core/instancelock.h"

#include <algorithm>
#include <cstdlib>

namespace ringvale {

std::optional<std::string> processEnv(const char* name) {
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

std::filesystem::path executablePath() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

std::filesystem::path executableDirectory() {
    return executablePath().parent_path();
}

std::filesystem::path resolveProgramDirectory(const EnvLookup& env,
                                              const std::filesystem::path& executableDir) {
    if (auto home = env("RINGVALE_HOME"); home && !home->empty())
        return std::filesystem::path(*home);
    std::error_code ec;
    if (!executableDir.empty() && std::filesystem::is_regular_file(executableDir / kSettingsFileName, ec))
        return executableDir;
    if (auto data = env("XDG_DATA_HOME");
        data && !data->empty() && std::filesystem::path(*data).is_absolute())
        return std::filesystem::path(*data) / "ringvale";
    const auto userHome = env("HOME");
    return std::filesystem::path(userHome && !userHome->empty() ? *userHome : std::string("/tmp")) /
           ".local" / "share" / "ringvale";
}

bool ensureProgramDirectory(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir / kIconFolderName, ec);
    return std::filesystem::is_directory(dir / kIconFolderName, ec);
}

bool leadsOutside(const std::filesystem::path& folder, const std::filesystem::path& programDir) {
    std::error_code error;
    const auto home = std::filesystem::weakly_canonical(programDir, error);
    if (error)
        return true;
    const auto target = std::filesystem::weakly_canonical(folder, error);
    if (error)
        return true;
    const auto [homeEnd, targetAt] = std::mismatch(home.begin(), home.end(), target.begin(), target.end());
    return homeEnd != home.end();
}

void removeStaleTemporariesEverywhere(const std::filesystem::path& programDir) {
    removeStaleTemporaries(programDir);
    for (const char* name : {kIconFolderName, kLogFolderName, kCampusMusicFolderName}) {
        const auto folder = programDir / std::filesystem::u8path(name);
        if (!leadsOutside(folder, programDir))
            removeStaleTemporaries(folder);
    }
}

} // namespace ringvale
