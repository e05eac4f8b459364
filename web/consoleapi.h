#pragma once

#include "web/consoleengine.h"
#include "web/consoleevents.h"
#include "web/consolesessions.h"
#include "web/webusers.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ringvale {

struct WebRequest {
    std::string method; // GET, POST, PUT, DELETE
    std::string path;   // without the query
    std::string query;  // after "?", undecoded
    std::string body;
    std::string cookie;  // the Cookie header
    std::string csrf;    // the X-CSRF-Token header
    std::string address; // the client's IP address
};

struct WebResponse {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    bool eventStream = false; // /api/events: the server streams ConsoleEvents after the headers
};

// The console's HTTP API and pages, apart from the network: sessions, roles, CSRF, the ban of
// failed logins, request bodies, and the routes to the engine. Called on the server's connection
// threads; every engine call is handed to the engine's thread through `post` and waited for.
class ConsoleApi {
public:
    // Runs a task on the engine's thread, later, in order.
    using Post = std::function<void(std::function<void()> task)>;
    static constexpr std::chrono::seconds kEngineWait{10};
    static constexpr std::size_t kLargestBody = 64 * 1024;
    static constexpr const char* kSessionCookie = "ringvale_session";

    ConsoleApi(std::filesystem::path programDir, ConsoleEngine& engine, Post post, bool https,
               ConsoleSessions::Clock clock = std::chrono::steady_clock::now);

    WebResponse handle(const WebRequest& request);
    ConsoleEvents& events() { return m_events; }
    // The server is stopping: no engine call is waited for any more.
    void stopping() { m_stopping = true; }
    // Runs `task` on the engine's thread and waits for it; false when the engine did not take it
    // within kEngineWait or the server is stopping (the task then never runs).
    bool runOnEngine(const std::function<void()>& task);

private:
    WebResponse login(const WebRequest& request);
    WebResponse api(const WebRequest& request, const std::string& user, WebRole role);
    // Runs `call` on the engine's thread for its answer.
    WebResponse onEngine(const std::function<ConsoleAnswer()>& call);

    std::filesystem::path m_programDir;
    ConsoleEngine& m_engine;
    Post m_post;
    bool m_https;
    std::atomic<bool> m_stopping = false;
    ConsoleSessions m_sessions;
    ConsoleEvents m_events;
};

// The JSON of a response body.
WebResponse jsonResponse(int status, const nlohmann::json& body);

} // namespace ringvale
