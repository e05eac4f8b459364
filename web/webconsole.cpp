#include "web/webconsole.h"

#include "core/filestore.h"

namespace ringvale {

namespace {

bool loopbackOnly(const std::string& host) {
    return host == "127.0.0.1" || host == "::1" || host == "localhost" || host.starts_with("127.");
}

} // namespace

WebConsole::WebConsole(EngineParts parts)
    : m_programDir(parts.programDir), m_post(parts.post), m_engine(std::move(parts)) {}

WebConsole::~WebConsole() {
    stop();
}

std::vector<std::string> WebConsole::startFace() {
    std::vector<std::string> said;
    if (const std::string why = start(readConsoleSettings(m_programDir), &said); !why.empty())
        said.push_back("no web console: " + why);
    return said;
}

std::unique_ptr<EngineFace> makeWebConsole(const EngineParts& parts) {
    return std::make_unique<WebConsole>(parts);
}

std::string WebConsole::start(const ConsoleSettings& settings, std::vector<std::string>* notices) {
    stop();
    if (settings.address.empty())
        return {};
    const WebAddress address = parseWebAddress(settings.address);
    if (!address.error.empty())
        return address.error;
    std::string cert, key;
    const bool tls = !settings.certFile.empty() || !settings.keyFile.empty();
    if (tls) {
        const FileRead certRead = readWholeFile(settings.certFile, 1024 * 1024);
        const FileRead keyRead = readWholeFile(settings.keyFile, 1024 * 1024);
        if (!certRead.ok() || !keyRead.ok())
            return "the console's certificate and key must both be readable PEM files (" + settings.certFile +
                   ", " + settings.keyFile + ")";
        cert = certRead.bytes;
        key = keyRead.bytes;
    }
    m_api = std::make_unique<ConsoleApi>(m_programDir, m_engine, m_post, tls);
    m_engine.setEvents(&m_api->events());
    m_server = std::make_unique<ConsoleServer>(*m_api);
    if (std::string why = m_server->start(address, cert, key); !why.empty()) {
        stop();
        return why;
    }
    if (notices) {
        const std::string where = (address.host.empty() ? std::string("every address") : address.host) +
                                  " port " + std::to_string(m_server->port());
        notices->push_back("web console on " + where + (tls ? " (HTTPS)" : " (HTTP)"));
        if (!tls && !loopbackOnly(address.host))
            notices->push_back(
                "the web console is plain HTTP beyond this machine: passwords cross the network in "
                "clear; give --web-cert and --web-key for HTTPS");
    }
    return {};
}

void WebConsole::stop() {
    if (m_server)
        m_server->stop();
    m_engine.setEvents(nullptr);
    m_server.reset();
    m_api.reset();
}

std::string saveWebOptions(const std::filesystem::path& programDir, const std::optional<std::string>& web,
                           const std::optional<std::string>& cert, const std::optional<std::string>& key) {
    if (!web && !cert && !key)
        return {};
    ConsoleSettings settings = readConsoleSettings(programDir);
    if (web) {
        if (*web != "off" && !parseWebAddress(*web).error.empty())
            return parseWebAddress(*web).error;
        settings.address = *web == "off" ? std::string() : *web;
    }
    if (cert)
        settings.certFile = std::filesystem::absolute(*cert).string();
    if (key)
        settings.keyFile = std::filesystem::absolute(*key).string();
    if (!writeConsoleSettings(programDir, settings))
        return "the console's settings could not be written";
    return {};
}

} // namespace ringvale
