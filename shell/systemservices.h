#pragma once

#include "core/programdir.h"
#include "editing/settingscommands.h"
#include "shell/commandrunner.h"

#include <filesystem>
#include <string_view>

namespace ringvale {

// Start with the system, and shutting the computer down. Names are GBK texts.
class SystemServices final : public AutoStartRegistry {
public:
    SystemServices(CommandRunner& runner, EnvLookup env);

    // Writes the autostart entry <name>.desktop whose Exec is the executable's path as one quoted
    // argument, escaped by the rules of the desktop entry format (backslashes, quotes, newlines
    // and tabs included). Modes 0 and 1 both mean the desktop's autostart folder here.
    [[nodiscard]] AutoStartResult
    registerAutoStart(std::string_view name, const std::filesystem::path& executable, int mode = 0) override;
    // Deletes the entry; true when there was one to delete.
    bool cancelAutoStart(std::string_view name) override;
    // 1 power off, 2 reboot, 3 end the session, 4 suspend, 5 hibernate; force ignores inhibitors.
    // True when the request was accepted; modes outside 1-5 run nothing and give false.
    bool shutdownComputer(int mode, bool force = false);

    std::filesystem::path autostartEntry(std::string_view name) const;

private:
    CommandRunner& m_runner;
    EnvLookup m_env;
};

} // namespace ringvale
