#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ringvale {

// The console's logged-in sessions and the addresses that failed to log in. Thread-safe: every
// connection thread of the server uses it.
class ConsoleSessions {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::hours kIdleLimit{12};
    static constexpr int kFailuresAllowed = 5; // a minute, from one address
    static constexpr std::chrono::seconds kFailureWindow{60};

    explicit ConsoleSessions(Clock clock = std::chrono::steady_clock::now) : m_clock(std::move(clock)) {}

    struct Session {
        std::string user;
        std::string csrf;
    };
    // A new session for the user: its token (the cookie's value) and CSRF token.
    std::pair<std::string, Session> open(const std::string& user);
    // The session of a token, when it is one and has not been idle too long.
    std::optional<Session> find(const std::string& token);
    void close(const std::string& token);
    // Every session of the user ends (removed, or its password changed).
    void closeUser(const std::string& user);

    // Whether the address is held back (kFailuresAllowed failures within kFailureWindow).
    bool banned(const std::string& address);
    void failed(const std::string& address);

private:
    struct Held {
        Session session;
        std::chrono::steady_clock::time_point lastUsed;
    };
    Clock m_clock;
    std::mutex m_mutex;
    std::map<std::string, Held> m_sessions;
    std::map<std::string, std::vector<std::chrono::steady_clock::time_point>> m_failures;
};

// 32 random bytes as hex (libsodium's generator).
std::string randomToken();

} // namespace ringvale
