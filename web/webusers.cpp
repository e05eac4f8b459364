#include "web/webusers.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/profilefile.h"

#include <sodium.h>

#include <algorithm>

namespace ringvale {

namespace {

RINGVALE_GBK_TEXT(usersSection, "[用户]")

constexpr std::size_t kLongestName = 32;

bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::string fileText(const std::vector<WebUser>& users) {
    std::string out = usersSection() + "\r\n";
    for (const WebUser& user : users)
        out += gbkFromUtf8(user.name) + "=" + webRoleName(user.role) + " " + user.hash + "\r\n";
    return out;
}

} // namespace

std::optional<WebRole> parseWebRole(std::string_view text) {
    if (text == "viewer")
        return WebRole::Viewer;
    if (text == "operator")
        return WebRole::Operator;
    if (text == "admin")
        return WebRole::Admin;
    return std::nullopt;
}

const char* webRoleName(WebRole role) {
    switch (role) {
    case WebRole::Viewer:
        return "viewer";
    case WebRole::Operator:
        return "operator";
    case WebRole::Admin:
        return "admin";
    }
    return "viewer";
}

std::filesystem::path webUsersPath(const std::filesystem::path& programDir) {
    return programDir / std::filesystem::u8path(kWebUsersFileName);
}

std::vector<WebUser> readWebUsers(const std::filesystem::path& programDir) {
    std::vector<WebUser> users;
    const FileRead file = readWholeFile(webUsersPath(programDir), 1024 * 1024);
    if (!file.ok())
        return users;
    for (std::string line : textSplit(file.bytes, "\n")) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t equals = line.find('=');
        const std::size_t space = line.find(' ', equals == std::string::npos ? 0 : equals);
        if (equals == std::string::npos || space == std::string::npos)
            continue;
        const auto role = parseWebRole(std::string_view(line).substr(equals + 1, space - equals - 1));
        const std::string name = utf8FromGbk(line.substr(0, equals));
        if (role && isWebUserName(name))
            users.push_back({name, *role, line.substr(space + 1)});
    }
    return users;
}

bool isWebUserName(std::string_view name) {
    if (name.empty() || name.size() > kLongestName * 4)
        return false;
    std::size_t characters = 0;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            ++characters;
        if (byte < 0x80 && !std::isalnum(byte) && c != '.' && c != '_' && c != '-')
            return false;
    }
    return characters <= kLongestName;
}

std::string setWebUser(const std::filesystem::path& programDir, const std::string& name, WebRole role,
                       const std::string& password) {
    if (!isWebUserName(name))
        return "a user name is 1 to 32 letters, digits, '.', '_' or '-'";
    if (password.size() < kShortestWebPassword)
        return "the password must be at least " + std::to_string(kShortestWebPassword) + " characters";
    if (!sodiumReady())
        return "the password library could not start";
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return "not enough memory to hash the password";
    std::vector<WebUser> users = readWebUsers(programDir);
    const auto found =
        std::find_if(users.begin(), users.end(), [&name](const WebUser& u) { return u.name == name; });
    if (found == users.end())
        users.push_back({name, role, hash});
    else
        *found = {name, role, hash};
    if (!writeFileAtomic(webUsersPath(programDir), fileText(users), 0600))
        return "cannot write " + webUsersPath(programDir).string();
    return {};
}

std::string removeWebUser(const std::filesystem::path& programDir, const std::string& name) {
    std::vector<WebUser> users = readWebUsers(programDir);
    if (std::erase_if(users, [&name](const WebUser& u) { return u.name == name; }) == 0)
        return "no user " + name;
    if (!writeFileAtomic(webUsersPath(programDir), fileText(users), 0600))
        return "cannot write " + webUsersPath(programDir).string();
    return {};
}

std::optional<WebRole> checkWebPassword(const std::vector<WebUser>& users, const std::string& name,
                                        const std::string& password) {
    if (!sodiumReady())
        return std::nullopt;
    const auto found =
        std::find_if(users.begin(), users.end(), [&name](const WebUser& u) { return u.name == name; });
    if (found == users.end()) {
        // As long as a real check, so a name's existence does not show in the time taken.
        static const std::string dummy = [] {
            char hash[crypto_pwhash_STRBYTES] = {};
            if (crypto_pwhash_str(hash, "x", 1, crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                  crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
                return std::string();
            return std::string(hash);
        }();
        if (!dummy.empty() && crypto_pwhash_str_verify(dummy.c_str(), password.data(), password.size()) == 0)
            return std::nullopt; // never a user's password
        return std::nullopt;
    }
    if (crypto_pwhash_str_verify(found->hash.c_str(), password.data(), password.size()) != 0)
        return std::nullopt;
    return found->role;
}

} // namespace ringvale
