#include "core/clocktick.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/lockdown.h"
#include "core/timetable.h"
#include "core/timetableloader.h"
#include "editing/ruleeditor.h"
#include "editing/timetablecommands.h"
#include "fakes.h"
#include "support.h"
#include "tempdir.h"
#include "web/consoleapi.h"
#include "web/engineconsole.h"
#include "web/webusers.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;
using nlohmann::json;

namespace {

constexpr const char* kPassword = "correct horse battery";

// The console over a fake window and sound output, with a viewer, an operator and an admin.
// Engine calls run at once on the calling thread, which plays the engine's.
class Console {
public:
    Console() {
        for (const auto& [name, role] :
             {std::pair{"viewer", WebRole::Viewer}, std::pair{"op", WebRole::Operator},
              std::pair{"admin", WebRole::Admin}})
            EXPECT_EQ(setWebUser(home.path(), name, role, kPassword), "");
        schedule.state.timetablePath = timetablePath(fromFileName(home.path()), 0);
        loadTimetable(schedule.context);
    }

    WebResponse request(const std::string& method, const std::string& path, const std::string& body = {},
                        const std::string& user = {}, bool withCsrf = true,
                        const std::string& address = "10.0.0.7") {
        WebRequest request{method, path, {}, body, {}, {}, address};
        if (const auto query = path.find('?'); query != std::string::npos) {
            request.path = path.substr(0, query);
            request.query = path.substr(query + 1);
        }
        if (!user.empty()) {
            const auto& [cookie, csrf] = login(user);
            request.cookie = "theme=dark; " + cookie;
            request.csrf = withCsrf ? csrf : std::string();
        }
        return api.handle(request);
    }
    json answer(const std::string& method, const std::string& path, const std::string& body,
                const std::string& user) {
        const WebResponse response = request(method, path, body, user);
        EXPECT_EQ(response.status, 200) << method << " " << path << ": " << response.body;
        return json::parse(response.body);
    }

    TempDir home;
    FakeSchedule schedule;
    FakeClock clock;
    std::chrono::steady_clock::time_point steady{};
    EngineConsole engine{{schedule.context, schedule.context, clock, home.path(), nullptr, {}}};
    ConsoleApi api{home.path(), engine, [](std::function<void()> task) { task(); }, false,
                   [this] { return steady; }};

private:
    std::pair<std::string, std::string> login(const std::string& user) {
        if (const auto found = m_sessions.find(user); found != m_sessions.end())
            return found->second;
        const WebResponse response = api.handle({"POST",
                                                 "/api/login",
                                                 {},
                                                 json{{"user", user}, {"password", kPassword}}.dump(),
                                                 {},
                                                 {},
                                                 "127.0.0.1"});
        EXPECT_EQ(response.status, 200) << response.body;
        std::string cookie;
        for (const auto& [name, value] : response.headers)
            if (name == "Set-Cookie")
                cookie = value.substr(0, value.find(';'));
        return m_sessions[user] = {cookie, json::parse(response.body)["csrf"].get<std::string>()};
    }
    std::map<std::string, std::pair<std::string, std::string>> m_sessions;
};

TEST(ConsoleApi, SessionsRolesAndCsrfGuardEveryRequest) {
    Console console;
    struct Case {
        const char* method;
        const char* path;
        const char* body;
        const char* user; // empty: no session
        bool csrf;
        int status;
    };
    const Case cases[] = {
        {"GET", "/api/state", "", "", true, 401},
        {"GET", "/api/openapi.json", "", "", true, 401},
        {"GET", "/api/state", "", "viewer", true, 200},
        {"GET", "/api/log?date=2026-01-05", "", "viewer", true, 200},
        {"GET", "/api/log?date=yesterday", "", "viewer", true, 400},
        {"POST", "/api/stop", "", "viewer", true, 403},
        {"POST", "/api/stop", "", "op", false, 403},
        {"POST", "/api/stop", "", "op", true, 200},
        {"POST", "/api/lockdown", "{\"on\": tru", "op", true, 400},
        {"POST", "/api/lockdown", "{\"on\": 1}", "op", true, 400},
        {"POST", "/api/timetables/0/rules", R"({"file":"a.mp3","times":["8:00"]})", "op", true, 403},
        {"POST", "/api/timetables/17/rules", R"({"file":"a.mp3","times":["8:00"]})", "admin", true, 404},
        {"POST", "/api/timetables/0/rules", R"({"file":"a.mp3","times":["lunch"]})", "admin", true, 400},
        {"DELETE", "/api/timetables/0/rules/9", "", "admin", true, 404},
        {"POST", "/api/calendar", R"({"section":"noBells","key":"2026-10-01~2026-10-07","value":"国庆节"})",
         "op", true, 403},
        {"POST", "/api/calendar", R"({"section":"noBells","key":"2026-13-01","value":"x"})", "admin", true,
         400},
        {"POST", "/api/calendar", R"({"section":"timetables","key":"05-01","value":"第99套作息表"})", "admin",
         true, 400},
        {"POST", "/api/calendar", R"({"section":"noBells","key":"2026-10-01~2026-10-07","value":"国庆节"})",
         "admin", true, 200},
        {"GET", "/api/nothing", "", "admin", true, 404},
        {"GET", "/secret.txt", "", "", true, 404},
    };
    for (const Case& c : cases) {
        const WebResponse response = console.request(c.method, c.path, c.body, c.user, c.csrf);
        EXPECT_EQ(response.status, c.status)
            << c.method << " " << c.path << " as " << c.user << ": " << response.body;
    }
    EXPECT_EQ(readWholeFile(console.home.path() / std::filesystem::u8path("校历.INI")).bytes,
              gbkFromUtf8("[不打铃]\r\n2026-10-01~2026-10-07=国庆节\r\n"));
    const WebResponse page = console.request("GET", "/");
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("name=\"password\""), std::string::npos);
    EXPECT_NE(std::find(page.headers.begin(), page.headers.end(),
                        std::pair<std::string, std::string>{"Content-Security-Policy",
                                                            "default-src 'self'; frame-ancestors 'none'"}),
              page.headers.end());
    EXPECT_EQ(
        console.request("POST", "/api/stop", std::string(ConsoleApi::kLargestBody + 1, ' '), "op").status,
        413);
    // Each act is logged with the user's name; no session token or password reaches the log.
    std::vector<std::string> details;
    for (const BellEntry& entry : console.schedule.log.entries)
        details.push_back(entry.detail);
    EXPECT_NE(std::find(details.begin(), details.end(), "web op: stop"), details.end());
    EXPECT_NE(std::find(details.begin(), details.end(),
                        "web admin: calendar [不打铃] 2026-10-01~2026-10-07=国庆节"),
              details.end());
}

TEST(ConsoleApi, FiveFailedLoginsAMinuteHoldTheAddressBack) {
    Console console;
    const auto login = [&](const char* password, const char* address) {
        return console.api
            .handle({"POST",
                     "/api/login",
                     {},
                     json{{"user", "op"}, {"password", password}}.dump(),
                     {},
                     {},
                     address})
            .status;
    };
    for (int attempt = 0; attempt < ConsoleSessions::kFailuresAllowed; ++attempt)
        EXPECT_EQ(login("wrong password!", "10.0.0.9"), 401);
    EXPECT_EQ(login(kPassword, "10.0.0.9"), 429) << "even the right password waits";
    EXPECT_EQ(login(kPassword, "10.0.0.10"), 200) << "another address is not held back";
    console.steady += ConsoleSessions::kFailureWindow;
    EXPECT_EQ(login(kPassword, "10.0.0.9"), 200);
}

// The console's edits leave the timetable file exactly as the window's editor leaves it.
TEST(ConsoleApi, RuleEditsWriteWhatTheEditorWrites) {
    Console console;
    FakeSchedule window;
    TempDir windowHome;
    window.state.timetablePath = timetablePath(fromFileName(windowHome.path()), 0);
    FakeDialogs dialogs;
    EditorState editorState;
    RuleEditor editor(window.context, editorState, dialogs);
    FakeEditorView view;
    const auto edit = [&](EditorState::Mode mode, int row, RuleFields fields) {
        editorState.mode = mode;
        editor.init(view, row);
        view.current = fields;
        ASSERT_TRUE(editor.save(view));
    };
    RuleFields first;
    first.musicPath = gbkFromUtf8("/srv/铃声/上课.mp3");
    first.times[0] = "08:00:00";
    first.times[1] = "08:45:00";
    first.sound.outputs = {"hall"};
    RuleFields second = first;
    second.musicPath = "b.wav";
    second.countText = "3";
    second.days = {true, false, false, false, false, false, true};
    second.times = {};
    second.times[0] = "17:30:00";
    second.rainGated = true;
    second.sound = {{"playground", "hall"}, -3.5};

    edit(EditorState::Mode::Add, 0, first);
    edit(EditorState::Mode::Add, 0, second);
    second.times[1] = "18:00:00";
    edit(EditorState::Mode::Modify, 2, second);
    window.table.cursorRow = 1;
    ASSERT_TRUE(deleteRuleRow(window.context, dialogs, 1));

    console.answer("POST", "/api/timetables/0/rules",
                   R"({"file":"/srv/铃声/上课.mp3","times":["8.00","8:45"],"outputs":["hall"]})", "admin");
    console.answer("POST", "/api/timetables/0/rules",
                   R"({"file":"b.wav","count":3,"days":[true,false,false,false,false,false,true],)"
                   R"("times":["17:30"],"rainGated":true,"outputs":["playground","hall"],"gainDb":-3.5})",
                   "admin");
    console.answer(
        "PUT", "/api/timetables/0/rules/2",
        R"({"file":"b.wav","count":3,"days":[true,false,false,false,false,false,true],)"
        R"("times":["17:30","18：00"],"rainGated":true,"outputs":["playground","hall"],"gainDb":-3.5})",
        "admin");
    const json left = console.answer("DELETE", "/api/timetables/0/rules/1", "", "admin");
    for (const char* file : {"春季作息表.INI", "春季作息表.INI.雨天", "春季作息表.INI.声音"})
        EXPECT_EQ(readWholeFile(console.home.path() / std::filesystem::u8path(file)).bytes,
                  readWholeFile(windowHome.path() / std::filesystem::u8path(file)).bytes)
            << file;
    ASSERT_EQ(left["rules"].size(), 1u);
    EXPECT_EQ(left["rules"][0]["times"][1], "18:00:00");
    // The sound of the deleted rule went with it; the modified one's followed its new record.
    const std::string kept = ruleRecord(second);
    EXPECT_EQ(readWholeFile(console.home.path() / std::filesystem::u8path("春季作息表.INI.声音")).bytes,
              kept.substr(0, kept.size() - 2) + "\tplayground|hall\t-3.5\r\n");
    EXPECT_EQ(left["rules"][0]["outputs"], json::array({"playground", "hall"}));
    EXPECT_EQ(left["rules"][0]["gainDb"], -3.5);
    EXPECT_EQ(console.schedule.state.rules.size(), 2u) << "the timetable shown was reloaded";
}

// Lockdown silences a due bell, says why, and holds after a restart until it is lifted.
TEST(ConsoleApi, LockdownSilencesDueBellsAndSurvivesARestart) {
    Console console;
    ASSERT_TRUE(writeFileAtomic(console.home.path() / std::filesystem::u8path("春季作息表.INI"),
                                "*{bell.wav;1;1;1;1;1;1;1;1;08:00:00;09:00:00;;;;;;;;;;;;;;;;;;;;}\r\n"));
    loadTimetable(console.schedule.context);
    console.schedule.state.running = true;
    console.answer("POST", "/api/lockdown", R"({"on": true})", "op");
    EXPECT_TRUE(readLockdown(console.home.path()).on);

    FakeTickView view;
    FakePower power;
    const auto ringsAt = [&](FakeSchedule& schedule, int hour) {
        ClockTick tick(schedule.context, view, console.clock, power);
        schedule.playback.plays.clear();
        console.clock.set(2, hour, 0, 0, 100);
        tick.onClockTick();
        return !schedule.playback.plays.empty();
    };
    EXPECT_FALSE(ringsAt(console.schedule, 8));
    EXPECT_EQ(console.schedule.log.entries.back().event, BellEvent::Skipped);
    EXPECT_TRUE(
        console.schedule.log.entries.back().detail.starts_with("lockdown, set by web op 2026-01-05 07:30:00"))
        << console.schedule.log.entries.back().detail;
    EXPECT_TRUE(console.answer("GET", "/api/state", "", "viewer")["lockdown"]["on"].get<bool>());

    // A restart reads it back; lifting it lets the next bell ring.
    // (A building of a campus follows the office's file the same way.)
    FakeSchedule restarted;
    restarted.state = console.schedule.state;
    restarted.state.lockdown = false;
    followLockdownFile(restarted.context, console.home.path(), restarted.state.lockdownStamp);
    EXPECT_TRUE(restarted.state.lockdown);
    EXPECT_FALSE(ringsAt(restarted, 8));
    console.answer("POST", "/api/lockdown", R"({"on": false})", "op");
    EXPECT_FALSE(readLockdown(console.home.path()).on);
    EXPECT_TRUE(ringsAt(console.schedule, 9));
}

} // namespace
