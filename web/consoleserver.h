#pragma once

#include "web/consoleapi.h"

#include <memory>
#include <string>

struct MHD_Daemon;

namespace ringvale {

// Where the console listens: "[ADDRESS:]PORT" ("8080" is every address; "127.0.0.1:8080" one).
struct WebAddress {
    std::string host; // empty: every address
    int port = 0;
    std::string error; // UTF-8; empty when it parsed
};
WebAddress parseWebAddress(const std::string& text);

// The console's HTTP(S) server (libmicrohttpd): each connection on a thread of its own, so a slow
// or streaming client never holds another, and none of them the engine, which only ever runs
// the short tasks the API hands it.
class ConsoleServer {
public:
    static constexpr unsigned kConnectionLimit = 512;

    explicit ConsoleServer(ConsoleApi& api);
    ~ConsoleServer();
    ConsoleServer(const ConsoleServer&) = delete;
    ConsoleServer& operator=(const ConsoleServer&) = delete;

    // Starts listening; with a certificate and key (PEM texts) over HTTPS. Empty, or why not.
    std::string start(const WebAddress& address, const std::string& certPem = {},
                      const std::string& keyPem = {});
    // Ends every stream and connection; the API's engine calls give up at once.
    void stop();
    int port() const { return m_port; }
    bool running() const { return m_daemon != nullptr; }

    struct Connection;

private:
    ConsoleApi& m_api;
    MHD_Daemon* m_daemon = nullptr;
    int m_port = 0;
};

} // namespace ringvale
