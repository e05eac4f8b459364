#include "web/webcommands.h"

#include "core/programdir.h"
#include "web/webusers.h"

#include <cstdio>
#include <iostream>

namespace ringvale {

namespace {

int webUser(const std::filesystem::path& programDir, const std::string& name, const std::string& role) {
    if (role == "remove") {
        if (const std::string why = removeWebUser(programDir, name); !why.empty()) {
            std::fprintf(stderr, "ringvale: %s\n", why.c_str());
            return 1;
        }
        std::printf("removed %s\n", name.c_str());
        return 0;
    }
    const auto parsed = parseWebRole(role);
    if (!parsed) {
        std::fprintf(stderr, "ringvale: --web-user NAME viewer|operator|admin|remove, not \"%s\"\n",
                     role.c_str());
        return 2;
    }
    std::string password;
    if (!std::getline(std::cin, password)) {
        std::fprintf(stderr, "ringvale: --web-user: give the password as one line on standard input\n");
        return 2;
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (const std::string why = setWebUser(programDir, name, *parsed, password); !why.empty()) {
        std::fprintf(stderr, "ringvale: %s\n", why.c_str());
        return 1;
    }
    std::printf("%s is %s\n", name.c_str(), webRoleName(*parsed));
    return 0;
}

} // namespace

std::optional<int> runWebUserCommand(const CommandLine& line) {
    if (!line.webUser)
        return std::nullopt;
    const auto programDir = resolveProgramDirectory(processEnv, executableDirectory());
    ensureProgramDirectory(programDir);
    return webUser(programDir, *line.webUser, line.webUserRole);
}

} // namespace ringvale
