#pragma once

#include "web/consoleapi.h"
#include "web/consoleserver.h"
#include "web/consolesettings.h"
#include "web/engineconsole.h"

#include <memory>
#include <optional>
#include <string>

namespace ringvale {

// The web console of one engine: its commands, the API and the server, started from the
// settings (or the command line's --web). The window and the service each own one.
class WebConsole final : public EngineFace {
public:
    explicit WebConsole(EngineParts parts);
    ~WebConsole() override;

    // Starts it as 网页控制台.INI says; the lines for the log.
    std::vector<std::string> startFace() override;
    // Starts the server as the settings say (nothing when the address is empty). Empty, or why
    // not (UTF-8). What it says once (where it listens, and that passwords cross the network in
    // clear on plain HTTP beyond this machine) goes to `notices`.
    std::string start(const ConsoleSettings& settings, std::vector<std::string>* notices = nullptr);
    void stop() override;
    int port() const { return m_server ? m_server->port() : 0; }
    bool running() const { return m_server && m_server->running(); }

    void entryRecorded(const BellEntry& entry) override { m_engine.entryRecorded(entry); }
    EngineConsole& engine() { return m_engine; }

private:
    std::filesystem::path m_programDir;
    ConsoleApi::Post m_post;
    EngineConsole m_engine;
    std::unique_ptr<ConsoleApi> m_api;
    std::unique_ptr<ConsoleServer> m_server;
};

// --web, --web-cert and --web-key kept in the console's settings (--web off: the console is off).
// Empty, or why not (UTF-8).
std::string saveWebOptions(const std::filesystem::path& programDir, const std::optional<std::string>& web,
                           const std::optional<std::string>& cert, const std::optional<std::string>& key);

// The web console as a face of the service's engine.
std::unique_ptr<EngineFace> makeWebConsole(const EngineParts& parts);

} // namespace ringvale
