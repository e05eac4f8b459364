// The console's request bodies on any bytes from the network: the login, a rule, a command.
// No crash, and a rule the API takes holds only what the editor could have written.

#include "web/consoleapi.h"
#include "web/webusers.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace ringvale;

class TakingEngine final : public ConsoleEngine {
public:
    nlohmann::json state() override { return nlohmann::json::object(); }
    nlohmann::json timetables() override { return nlohmann::json::object(); }
    ConsoleAnswer timetable(int) override { return ConsoleAnswer::ok(); }
    ConsoleAnswer editRule(int index, std::optional<int>, const std::optional<RuleFields>& fields,
                           const std::string&) override {
        if (index < 0 || index > 99 ||
            (fields && (fields->musicPath.empty() || fields->times[0].find(';') != std::string::npos)))
            std::abort();
        return ConsoleAnswer::ok();
    }
    ConsoleAnswer log(const LogDay&) override { return ConsoleAnswer::ok(); }
    nlohmann::json calendar() override { return nlohmann::json::object(); }
    ConsoleAnswer editCalendar(const std::string& section, const std::string& key, const std::string&,
                               const std::string&) override {
        if (section.empty() || key.empty())
            std::abort();
        return ConsoleAnswer::ok();
    }
    nlohmann::json campus() override { return nlohmann::json::object(); }
    ConsoleAnswer run(bool, const std::string&) override { return ConsoleAnswer::ok(); }
    ConsoleAnswer play(const std::string& file, const std::string&) override {
        if (file.empty())
            std::abort();
        return ConsoleAnswer::ok();
    }
    ConsoleAnswer stop(const std::string&) override { return ConsoleAnswer::ok(); }
    ConsoleAnswer alarm(const std::string&, const std::string&) override { return ConsoleAnswer::ok(); }
    ConsoleAnswer lockdown(bool, const std::string&) override { return ConsoleAnswer::ok(); }
};

struct Console {
    Console() {
        std::filesystem::create_directories(home);
        if (!setWebUser(home, "admin", WebRole::Admin, "fuzzing password").empty())
            std::abort();
        const WebResponse login = api.handle(
            {"POST", "/api/login", {}, R"({"user":"admin","password":"fuzzing password"})", {}, {}, "a"});
        const nlohmann::json body = nlohmann::json::parse(login.body);
        csrf = body["csrf"].get<std::string>();
        for (const auto& [name, value] : login.headers)
            if (name == "Set-Cookie")
                cookie = value.substr(0, value.find(';'));
    }
    ~Console() {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
    std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("fuzz-console-" + std::to_string(getpid()));
    TakingEngine engine;
    std::chrono::steady_clock::time_point now{};
    // Each request a minute after the last, so failed logins never hold the fuzzer back.
    ConsoleApi api{home, engine, [](std::function<void()> task) { task(); }, false,
                   [this] { return now += std::chrono::minutes(1); }};
    std::string cookie, csrf;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Console console;
    const std::string body(reinterpret_cast<const char*>(data), size);
    for (const auto& [method, path] :
         {std::pair{"POST", "/api/timetables/3/rules"}, std::pair{"PUT", "/api/timetables/3/rules/2"},
          std::pair{"POST", "/api/play"}, std::pair{"POST", "/api/lockdown"}}) {
        const WebResponse response =
            console.api.handle({method, path, {}, body, console.cookie, console.csrf, "b"});
        if (response.status != 200 && response.status != 400)
            std::abort();
    }
    // The login parses the body before any password is checked.
    if (body.find("password") == std::string::npos)
        console.api.handle({"POST", "/api/login", {}, body, {}, {}, "c"});
    return 0;
}
