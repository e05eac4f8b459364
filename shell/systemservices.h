#pragma once

#include "core/programdir.h"
#include "shell/commandrunner.h"

#include <filesystem>
#include <string_view>

namespace ringvale {

// Start with the system, and shutting the computer down. Names and commands are GBK texts.
class SystemServices {
public:
    SystemServices(CommandRunner& runner, EnvLookup env);

    // Writes the autostart entry <name>.desktop whose Exec is the quoted command (the path of an
    // executable; a command line with arguments is never registered). Modes 0 and 1 both mean
    // the desktop's autostart folder here. False when no file is at that path or the entry could
    // not be written.
    bool registerAutoStart(std::string_view name, std::string_view command, int mode = 0);
    // Deletes the entry; true when there was one to delete.
    bool cancelAutoStart(std::string_view name);
    // 1 power off, 2 reboot, 3 end the session, 4 suspend, 5 hibernate; force ignores inhibitors.
    // True when the request was accepted; modes outside 1-5 run nothing and give false.
    bool shutdownComputer(int mode, bool force = false);

    std::filesystem::path autostartEntry(std::string_view name) const;

private:
    CommandRunner& m_runner;
    EnvLookup m_env;
};

} // namespace ringvale
