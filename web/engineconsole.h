#pragma once

#include "campus/campusnode.h"
#include "core/belldayfiles.h"
#include "core/clock.h"
#include "core/schedulecontext.h"
#include "service/engineface.h"
#include "web/consoleengine.h"
#include "web/consoleevents.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace ringvale {

// The console's commands on the engine: the same procedures the window's menu, toolbar and
// editor run, on the same state, logged with the user's name ("web NAME: …"). The window and
// the service each make one over their engine; every call runs on the engine's thread.
class EngineConsole final : public ConsoleEngine {
public:
    explicit EngineConsole(EngineParts parts);

    // Every log entry: into the live events, with a change of state.
    void entryRecorded(const BellEntry& entry);
    void setEvents(ConsoleEvents* events) { m_events = events; }

    nlohmann::json state() override;
    nlohmann::json timetables() override;
    ConsoleAnswer timetable(int index) override;
    ConsoleAnswer editRule(int index, std::optional<int> row, const std::optional<RuleFields>& fields,
                           const std::string& user) override;
    ConsoleAnswer log(const LogDay& day) override;
    nlohmann::json calendar() override;
    ConsoleAnswer editCalendar(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& user) override;
    nlohmann::json campus() override;
    ConsoleAnswer run(bool on, const std::string& user) override;
    ConsoleAnswer play(const std::string& file, const std::string& user) override;
    ConsoleAnswer stop(const std::string& user) override;
    ConsoleAnswer alarm(const std::string& file, const std::string& user) override;
    ConsoleAnswer lockdown(bool on, const std::string& user) override;

private:
    int currentIndex() const;
    void stateChanged();

    EngineParts m_parts;
    BellDayFiles m_logFiles;
    std::string m_programDirGbk;
    ConsoleEvents* m_events = nullptr;
    std::optional<BellEntry> m_playing; // the last bell or play, until a stop
};

} // namespace ringvale
