#include "web/engineconsole.h"

#include "core/appconfig.h"
#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/dialogs.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/holidayfeeds.h"
#include "core/lockdown.h"
#include "core/nextrule.h"
#include "core/raingate.h"
#include "core/rulesound.h"
#include "core/timetable.h"
#include "core/timetableloader.h"
#include "editing/editorstate.h"
#include "editing/ruleeditor.h"
#include "editing/ruleeditorview.h"
#include "editing/timetablecommands.h"
#include "media/playcommands.h"
#include "service/headlessviews.h"

#include <map>

namespace ringvale {

namespace {

using nlohmann::json;

constexpr std::size_t kLogEntriesShown = 5000; // the newest of a day, for a page

std::string who(const std::string& user) {
    return "web " + user;
}

std::string timeText(const LocalTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return text;
}

json entryJson(const BellEntry& entry) {
    return {{"time", timeText(entry.at)}, {"event", std::string(bellEventName(entry.event))},
            {"due", entry.due},           {"timetable", entry.timetable},
            {"row", entry.row},           {"file", entry.file},
            {"detail", entry.detail}};
}

// What the editor's dialogs would have said, kept for the answer instead (GBK).
class KeptDialogs final : public Dialogs {
public:
    void showError(std::string_view text) override { said = text; }
    bool askYesNo(std::string_view, std::string_view) override { return true; }
    void showMessage(std::string_view text, std::string_view, bool) override { said = text; }
    std::optional<std::string> chooseFileToOpen(std::string_view) override { return std::nullopt; }
    std::optional<std::string> chooseFileToSave(std::string_view, std::string_view) override {
        return std::nullopt;
    }
    std::string said;
};

// The rule editor's window for a console edit: it holds the fields the request gave.
class GivenFields final : public RuleEditorView {
public:
    explicit GivenFields(RuleFields fields) : m_fields(std::move(fields)) {}
    RuleFields fields() const override { return m_fields; }
    void setFields(const RuleFields&) override {} // the request's fields stand
    void clearPathAndTimes() override {}
    void focusFirstTime() override {}

private:
    RuleFields m_fields;
};

json ruleJson(const PlayRule& rule, std::size_t row) {
    json days = json::array();
    for (const std::int32_t day : rule.days)
        days.push_back(day == 1);
    json times = json::array();
    for (const std::string& time : rule.times)
        times.push_back(utf8FromGbk(time));
    return {{"row", row},
            {"file", utf8FromGbk(rule.musicPath)},
            {"count", rule.playCount},
            {"days", days},
            {"times", times},
            {"rainGated", rule.rainGated},
            {"outputs", rule.sound.outputs},
            {"gainDb", rule.sound.gainDb}};
}

} // namespace

EngineConsole::EngineConsole(EngineParts parts)
    : m_parts(std::move(parts)), m_logFiles(m_parts.programDir),
      m_programDirGbk(fromFileName(m_parts.programDir)) {}

int EngineConsole::currentIndex() const {
    for (int index = 0; index < kTimetableCount; ++index)
        if (timetablePath(m_programDirGbk, index) == m_parts.bells.state.timetablePath)
            return index;
    return 0;
}

void EngineConsole::stateChanged() {
    if (m_events)
        m_events->publish("state", "{}");
}

void EngineConsole::entryRecorded(const BellEntry& entry) {
    if (entry.event == BellEvent::Rang || entry.event == BellEvent::Played)
        m_playing = entry;
    else if (entry.event == BellEvent::Stopped)
        m_playing.reset();
    if (m_events)
        m_events->publish("entry", entryJson(entry).dump(-1, ' ', false, json::error_handler_t::replace));
}

json EngineConsole::state() {
    const ScheduleState& state = m_parts.bells.state;
    const LocalTime now = localTimeAt(m_parts.clock.now());
    const int weekday = state.ringsAsWeekday != 0 ? state.ringsAsWeekday : now.weekday;
    json next = nullptr;
    if (state.running && !state.lockdown && state.noBellReason.empty())
        if (const auto bell = nextBell(state.rules, weekday, now.hour, now.minute, now.second))
            next = {{"time", bell->time}, {"file", utf8FromGbk(displayName(bell->musicPath))}};

    // Today's bells in time order, each with what the log says became of it.
    std::map<std::pair<std::string, std::string>, std::string> outcome; // (due, file) -> event
    const LogDay today = logDayOf(now);
    m_logFiles.visitDay(today, [&outcome](BellEntry&& entry) {
        if (!entry.due.empty() && entry.event != BellEvent::System)
            outcome[{entry.due, entry.file}] = std::string(bellEventName(entry.event));
    });
    std::vector<std::pair<std::string, json>> bells;
    const auto day = static_cast<std::size_t>(weekday - 1);
    for (const PlayRule& rule : state.rules) {
        if (rule.musicPath.empty() || day >= rule.days.size() || rule.days[day] != 1)
            continue;
        for (const std::string& slot : rule.times) {
            if (slot.empty())
                continue;
            json bell = {{"time", slot}, {"file", utf8FromGbk(displayName(rule.musicPath))}};
            if (const auto found = outcome.find({slot, utf8FromGbk(rule.musicPath)}); found != outcome.end())
                bell["event"] = found->second;
            bells.emplace_back(slot, std::move(bell));
        }
    }
    std::stable_sort(bells.begin(), bells.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    json bellList = json::array();
    for (auto& bell : bells)
        bellList.push_back(std::move(bell.second));

    json playing = nullptr;
    if (m_playing)
        playing = {{"file", m_playing->file}, {"since", timeText(m_playing->at)}, {"due", m_playing->due}};
    const int index = currentIndex();
    json campus = "none";
    if (m_parts.campus)
        campus = m_parts.campus->role() == CampusRole::Office ? "office" : "building";
    return {{"running", state.running},
            {"timetable", {{"index", index}, {"name", utf8FromGbk(timetableName(index))}}},
            {"playing", playing},
            {"next", next},
            {"today",
             {{"date", logDayText(today)},
              {"noBells", state.noBellReason.empty() ? json(nullptr) : json(utf8FromGbk(state.noBellReason))},
              {"ringsAs", state.ringsAsWeekday == 0 ? json(nullptr)
                                                    : json(utf8FromGbk(weekdayText(state.ringsAsWeekday)))}}},
            {"bells", bellList},
            {"lockdown", {{"on", state.lockdown}, {"setBy", state.lockdownSetBy}}},
            {"campus", campus}};
}

json EngineConsole::timetables() {
    json list = json::array();
    for (int index = 0; index < kTimetableCount; ++index) {
        const ParsedTimetable parsed =
            parseTimetable(readTimetableFile(timetablePath(m_programDirGbk, index)).file.bytes);
        list.push_back({{"index", index},
                        {"name", utf8FromGbk(timetableName(index))},
                        {"rules", parsed.shownElements.size()}});
    }
    return {{"current", currentIndex()}, {"timetables", list}};
}

ConsoleAnswer EngineConsole::timetable(int index) {
    if (index < 0 || index >= kTimetableCount)
        return ConsoleAnswer::error(404, "a timetable is numbered 0 to 16");
    const std::string path = timetablePath(m_programDirGbk, index);
    const TimetableFileRead read = readTimetableFile(path);
    if (read.file.status == FileRead::Status::Unreadable)
        return ConsoleAnswer::error(500, "the timetable file cannot be read");
    ParsedTimetable parsed = parseTimetable(read.file.bytes);
    markRainGated(parsed.rules, readRainGates(path));
    applyRuleSounds(parsed.rules, readRuleSounds(path));
    json rules = json::array();
    for (const std::size_t element : parsed.shownElements)
        rules.push_back(ruleJson(parsed.rules[element], element));
    return ConsoleAnswer::ok(
        {{"index", index}, {"name", utf8FromGbk(timetableName(index))}, {"rules", rules}});
}

ConsoleAnswer EngineConsole::editRule(int index, std::optional<int> row,
                                      const std::optional<RuleFields>& fields, const std::string& user) {
    if (index < 0 || index >= kTimetableCount)
        return ConsoleAnswer::error(404, "a timetable is numbered 0 to 16");
    // The timetable shown is edited in place, so the window and the clock follow at once; any
    // other through a state of its own, as the editor would after switching to it.
    const bool shown = index == currentIndex();
    ScheduleState otherState;
    HeadlessViews otherViews;
    NoBellLog quiet;
    ScheduleContext other{otherState, otherViews, otherViews, m_parts.bells.playback, quiet};
    ScheduleContext& context = shown ? m_parts.bells : other;
    if (!shown) {
        otherState.timetablePath = timetablePath(m_programDirGbk, index);
        loadTimetable(other);
    }
    if (context.state.timetableUnreadable)
        return ConsoleAnswer::error(500, "the timetable file cannot be read; nothing was written");
    const auto ruleRow = row.value_or(0);
    if (row && (ruleRow < 1 || static_cast<std::size_t>(ruleRow) >= context.state.rules.size() ||
                context.state.rules[static_cast<std::size_t>(ruleRow)].musicPath.empty()))
        return ConsoleAnswer::error(404, "no rule " + std::to_string(ruleRow) + " in this timetable");

    KeptDialogs dialogs;
    bool done = false;
    std::string what;
    if (!fields) {
        done = deleteRuleRow(context, dialogs, ruleRow);
        what = "rule " + std::to_string(ruleRow) + " deleted";
    } else {
        EditorState editor;
        editor.mode = row ? EditorState::Mode::Modify : EditorState::Mode::Add;
        RuleEditor editing(context, editor, dialogs);
        GivenFields view(*fields);
        editing.init(view, ruleRow);
        done = editing.save(view);
        what = row ? "rule " + std::to_string(ruleRow) + " modified" : "rule added";
    }
    if (!done)
        return ConsoleAnswer::error(dialogs.said.empty() ? 409 : 400,
                                    dialogs.said.empty() ? "the rule changed meanwhile; nothing was written"
                                                         : utf8FromGbk(dialogs.said));
    m_parts.bells.log.record(
        systemEntry(who(user) + ": " + what + " in " + utf8FromGbk(timetableName(index))));
    stateChanged();
    return timetable(index);
}

ConsoleAnswer EngineConsole::log(const LogDay& day) {
    std::vector<json> entries;
    m_logFiles.visitDay(day, [&entries](BellEntry&& entry) {
        entries.push_back(entryJson(entry));
        if (entries.size() > 2 * kLogEntriesShown)
            entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(kLogEntriesShown));
    });
    if (entries.size() > kLogEntriesShown)
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(kLogEntriesShown));
    return ConsoleAnswer::ok({{"date", logDayText(day)}, {"entries", entries}});
}

json EngineConsole::calendar() {
    const CalendarFile file = readCalendarFile(m_parts.programDir);
    const auto entries = [](const std::vector<CalendarEntry>& list) {
        json out = json::array();
        for (const CalendarEntry& entry : list)
            out.push_back({{"key", calendarKeyText(entry.range)}, {"value", utf8FromGbk(entry.value)}});
        return out;
    };
    json feeds = json::array();
    for (const HolidayFeed& feed : readFeeds(m_parts.programDir))
        feeds.push_back(
            {{"address", feedLabel(feed.url)}, {"fetched", feed.fetched}, {"problem", feed.problem}});
    return {{"timetables", entries(file.calendar.timetables)},
            {"noBells", entries(file.calendar.noBells)},
            {"makeupDays", entries(file.calendar.makeupDays)},
            {"feeds", feeds},
            {"problem", file.problem}};
}

ConsoleAnswer EngineConsole::editCalendar(const std::string& section, const std::string& key,
                                          const std::string& value, const std::string& user) {
    const std::optional<CalendarSection> which =
        section == "timetables"   ? std::optional(CalendarSection::Timetables)
        : section == "noBells"    ? std::optional(CalendarSection::NoBells)
        : section == "makeupDays" ? std::optional(CalendarSection::Makeup)
                                  : std::nullopt;
    if (!which)
        return ConsoleAnswer::error(400, "section: timetables, noBells or makeupDays");
    const CalendarEdit edit = ringvale::editCalendar(m_parts.programDir, *which, key, gbkFromUtf8(value));
    if (!edit.refused.empty())
        return ConsoleAnswer::error(400, edit.refused);
    if (!writeFileAtomic(calendarFilePath(m_parts.programDir), edit.text))
        return ConsoleAnswer::error(500, "校历文件无法写入。");
    // The calendar follower applies it before the next tick rings.
    m_parts.bells.log.record(systemEntry(who(user) + ": calendar [" +
                                         utf8FromGbk(calendarSectionName(*which)) + "] " + edit.key +
                                         (value.empty() ? " removed" : "=" + value)));
    stateChanged();
    return ConsoleAnswer::ok(calendar());
}

json EngineConsole::campus() {
    json buildings = json::array();
    if (!m_parts.campus)
        return {{"role", "none"}, {"connected", false}, {"buildings", buildings}};
    const std::int64_t nowMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_parts.clock.now().time_since_epoch()).count();
    for (const CampusNode::Building& building : m_parts.campus->buildings())
        buildings.push_back(
            {{"name", building.user},
             {"online", isOnlineAt(building.status, nowMs, kSilentBuildingMs)},
             {"clockOffsetMs", building.status.offsetMs ? json(*building.status.offsetMs) : json()},
             {"lastBell", building.status.lastBell},
             {"lastResult", building.status.lastResult}});
    return {{"role", m_parts.campus->role() == CampusRole::Office ? "office" : "building"},
            {"connected", true},
            {"buildings", buildings}};
}

ConsoleAnswer EngineConsole::run(bool on, const std::string& user) {
    ScheduleContext& context = m_parts.bells;
    if (on && context.state.rules.size() <= 1)
        return ConsoleAnswer::error(409, "the timetable has no rules to run");
    context.state.running = on;
    context.status.setRunningShown(on);
    context.status.setStatusText(runningStateText(on));
    context.state.nextRuleValid = false;
    context.log.record(systemEntry(who(user) + ": " + (on ? "system running" : "system stopped")));
    stateChanged();
    return ConsoleAnswer::ok();
}

ConsoleAnswer EngineConsole::play(const std::string& file, const std::string& user) {
    if (!fileExists(file))
        return ConsoleAnswer::error(404, "no such music file: " + file);
    playFileNow(m_parts.commands, gbkFromUtf8(file), 1, who(user) + ": play now");
    stateChanged();
    return ConsoleAnswer::ok();
}

ConsoleAnswer EngineConsole::stop(const std::string& user) {
    stopPlaying(m_parts.commands, who(user) + ": stop");
    stateChanged();
    return ConsoleAnswer::ok();
}

ConsoleAnswer EngineConsole::alarm(const std::string& file, const std::string& user) {
    if (!fileExists(file))
        return ConsoleAnswer::error(404, "no such music file: " + file);
    if (m_parts.campus && m_parts.campus->role() == CampusRole::Office) {
        m_parts.bells.log.record(systemEntry(who(user) + ": alarm in every building: " + file));
        m_parts.campus->soundAlarm(gbkFromUtf8(file));
    } else {
        playFileNow(m_parts.commands, gbkFromUtf8(file), -1, who(user) + ": alarm");
    }
    stateChanged();
    return ConsoleAnswer::ok();
}

ConsoleAnswer EngineConsole::lockdown(bool on, const std::string& user) {
    const bool kept = setLockdown(m_parts.bells, m_parts.programDir, on, who(user), m_parts.clock);
    stateChanged();
    if (!kept)
        return ConsoleAnswer::error(500, "set, but it could not be kept on disk: a restart would forget it");
    return ConsoleAnswer::ok();
}

} // namespace ringvale
