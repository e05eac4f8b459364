#pragma once

// What the web console asks of the engine. Every call runs on the engine's own thread (the
// console's server hands it over and waits), so a command from the console is the same
// procedure, on the same state, as the same command from the window or the service.

#include "core/belldayfiles.h"
#include "editing/rulerecord.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace ringvale {

// An answer: an HTTP status and its JSON body ({"error": WHY} when the status is not 2xx).
struct ConsoleAnswer {
    int status = 200;
    nlohmann::json body = nlohmann::json::object();

    static ConsoleAnswer ok(nlohmann::json body = {{"ok", true}}) { return {200, std::move(body)}; }
    static ConsoleAnswer error(int status, const std::string& why) { return {status, {{"error", why}}}; }
};

class ConsoleEngine {
public:
    virtual ~ConsoleEngine() = default;

    // running, timetable, playing, next, today, lockdown, campus (see the API document).
    virtual nlohmann::json state() = 0;
    virtual nlohmann::json timetables() = 0;
    virtual ConsoleAnswer timetable(int index) = 0;
    // Adds (no row), modifies (row and fields) or deletes (row, no fields) a rule of timetable
    // `index` through the rule editor's own procedures.
    virtual ConsoleAnswer editRule(int index, std::optional<int> row, const std::optional<RuleFields>& fields,
                                   const std::string& user) = 0;
    virtual ConsoleAnswer log(const LogDay& day) = 0;
    virtual nlohmann::json calendar() = 0;
    // Sets (or, with an empty value, removes) an entry of the school calendar; `section` is
    // timetables, noBells or makeupDays.
    virtual ConsoleAnswer editCalendar(const std::string& section, const std::string& key,
                                       const std::string& value, const std::string& user) = 0;
    virtual nlohmann::json campus() = 0;

    virtual ConsoleAnswer run(bool on, const std::string& user) = 0;
    virtual ConsoleAnswer play(const std::string& file, const std::string& user) = 0;
    virtual ConsoleAnswer stop(const std::string& user) = 0;
    virtual ConsoleAnswer alarm(const std::string& file, const std::string& user) = 0;
    virtual ConsoleAnswer lockdown(bool on, const std::string& user) = 0;
};

} // namespace ringvale
