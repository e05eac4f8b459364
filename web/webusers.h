#pragma once

// The console's users: 网页用户.INI in the program directory (mode 0600), one line per user under
// [用户], "NAME=ROLE ARGON2ID-HASH". Passwords are kept only as Argon2id hashes (libsodium's
// crypto_pwhash_str); there is no default user.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

inline constexpr const char* kWebUsersFileName = "网页用户.INI";
inline constexpr std::size_t kShortestWebPassword = 10;

// viewer reads everything; operator also runs, stops, plays, sounds the alarm and locks down;
// admin also changes timetables, the calendar, the settings and the campus.
enum class WebRole { Viewer = 0, Operator = 1, Admin = 2 };

std::optional<WebRole> parseWebRole(std::string_view text);
const char* webRoleName(WebRole role);

struct WebUser {
    std::string name; // UTF-8
    WebRole role = WebRole::Viewer;
    std::string hash;
};

std::filesystem::path webUsersPath(const std::filesystem::path& programDir);
std::vector<WebUser> readWebUsers(const std::filesystem::path& programDir);

// A user name is 1 to 32 characters: letters, digits, "." "_" "-" and any character beyond ASCII.
bool isWebUserName(std::string_view name);

// Adds the user, or changes its role and password. Empty, or why not (UTF-8).
std::string setWebUser(const std::filesystem::path& programDir, const std::string& name, WebRole role,
                       const std::string& password);
// Empty, or why not.
std::string removeWebUser(const std::filesystem::path& programDir, const std::string& name);

// The user's role when the password is theirs. Takes the time Argon2id takes (a fraction of a
// second): never call it on the engine's thread.
std::optional<WebRole> checkWebPassword(const std::vector<WebUser>& users, const std::string& name,
                                        const std::string& password);

} // namespace ringvale
