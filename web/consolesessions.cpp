#include "web/consolesessions.h"

#include <sodium.h>

#include <algorithm>
#include <array>

namespace ringvale {

std::string randomToken() {
    static const bool ready = sodium_init() >= 0;
    (void)ready;
    std::array<unsigned char, 32> bytes{};
    randombytes_buf(bytes.data(), bytes.size());
    std::array<char, 65> hex{};
    sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
    return hex.data();
}

std::pair<std::string, ConsoleSessions::Session> ConsoleSessions::open(const std::string& user) {
    std::string token = randomToken();
    Session session{user, randomToken()};
    std::lock_guard lock(m_mutex);
    const auto now = m_clock();
    std::erase_if(m_sessions, [now](const auto& held) { return now - held.second.lastUsed > kIdleLimit; });
    m_sessions[token] = {session, now};
    return {std::move(token), std::move(session)};
}

std::optional<ConsoleSessions::Session> ConsoleSessions::find(const std::string& token) {
    if (token.empty())
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    const auto found = m_sessions.find(token);
    if (found == m_sessions.end())
        return std::nullopt;
    const auto now = m_clock();
    if (now - found->second.lastUsed > kIdleLimit) {
        m_sessions.erase(found);
        return std::nullopt;
    }
    found->second.lastUsed = now;
    return found->second.session;
}

void ConsoleSessions::close(const std::string& token) {
    std::lock_guard lock(m_mutex);
    m_sessions.erase(token);
}

void ConsoleSessions::closeUser(const std::string& user) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_sessions, [&user](const auto& held) { return held.second.session.user == user; });
}

bool ConsoleSessions::banned(const std::string& address) {
    std::lock_guard lock(m_mutex);
    const auto found = m_failures.find(address);
    if (found == m_failures.end())
        return false;
    const auto now = m_clock();
    std::erase_if(found->second, [now](auto at) { return now - at >= kFailureWindow; });
    const std::size_t recent = found->second.size();
    if (recent == 0)
        m_failures.erase(found);
    return recent >= static_cast<std::size_t>(kFailuresAllowed);
}

void ConsoleSessions::failed(const std::string& address) {
    std::lock_guard lock(m_mutex);
    m_failures[address].push_back(m_clock());
}

} // namespace ringvale
