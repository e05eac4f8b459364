#pragma once

#include <string>
#include <vector>

namespace ringvale {

// Runs an operating-system command and waits for it.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // The command's exit status, or -1 when it could not be started.
    virtual int run(const std::vector<std::string>& argv) = 0;
};

// Starts the program found on PATH with posix_spawnp.
class ProcessRunner final : public CommandRunner {
public:
    int run(const std::vector<std::string>& argv) override;
};

} // namespace ringvale
