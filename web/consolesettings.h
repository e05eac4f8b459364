#pragma once

// Where the console listens, kept in 网页控制台.INI in the program directory (GBK, CRLF):
//   [网页控制台]
//   地址=0.0.0.0:8080      ([ADDRESS:]PORT; empty: the console is off)
//   证书=/etc/ringvale/cert.pem
//   密钥=/etc/ringvale/key.pem

#include <filesystem>
#include <string>

namespace ringvale {

inline constexpr const char* kConsoleSettingsFileName = "网页控制台.INI";

struct ConsoleSettings {
    std::string address;  // empty: off
    std::string certFile; // both set: HTTPS
    std::string keyFile;
    bool operator==(const ConsoleSettings&) const = default;
};

ConsoleSettings readConsoleSettings(const std::filesystem::path& programDir);
[[nodiscard]] bool writeConsoleSettings(const std::filesystem::path& programDir,
                                        const ConsoleSettings& settings);

} // namespace ringvale
