#include "web/consoleapi.h"

#include "core/codepage.h"
#include "core/rulesound.h"
#include "core/schoolcalendar.h"
#include "core/timetable.h"
#include "core/timetext.h"
#include "media/soundoutputs.h"
#include "web/consolepages.h"
#include "web/openapi.h"

#include <sodium.h>

#include <charconv>
#include <condition_variable>
#include <mutex>
#include <regex>

namespace ringvale {

namespace {

using nlohmann::json;

std::string cookieValue(const std::string& header, const std::string& name) {
    std::size_t at = 0;
    while (at < header.size()) {
        const std::size_t end = std::min(header.find(';', at), header.size());
        std::string pair = header.substr(at, end - at);
        const std::size_t first = pair.find_first_not_of(' ');
        pair = first == std::string::npos ? std::string() : pair.substr(first);
        if (pair.starts_with(name + "="))
            return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return {};
}

std::string queryValue(const std::string& query, const std::string& name) {
    for (std::size_t at = 0; at <= query.size();) {
        const std::size_t end = std::min(query.find('&', at), query.size());
        const std::string pair = query.substr(at, end - at);
        if (pair.starts_with(name + "="))
            return pair.substr(name.size() + 1);
        at = end + 1;
    }
    return {};
}

bool sameSecret(const std::string& a, const std::string& b) {
    return a.size() == b.size() && !a.empty() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::optional<int> number(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The rule fields of a JSON body as the editor's fields: times normalised as typed into it.
std::optional<RuleFields> ruleFieldsOf(const json& body, std::string& why) {
    if (!body.is_object()) {
        why = "the body must be a JSON object";
        return std::nullopt;
    }
    RuleFields fields;
    if (!body.contains("file") || !body["file"].is_string()) {
        why = "file: a music file path is required";
        return std::nullopt;
    }
    fields.musicPath = gbkFromUtf8(body["file"].get<std::string>());
    if (body.contains("count")) {
        if (!body["count"].is_number_integer() || body["count"].get<long long>() < 1 ||
            body["count"].get<long long>() > 100) {
            why = "count: a number from 1 to 100";
            return std::nullopt;
        }
        fields.countText = std::to_string(body["count"].get<long long>());
    }
    if (body.contains("days")) {
        const json& days = body["days"];
        if (!days.is_array() || days.size() != kDayCount) {
            why = "days: 7 booleans, Sunday first";
            return std::nullopt;
        }
        for (std::size_t d = 0; d < kDayCount; ++d) {
            if (!days[d].is_boolean()) {
                why = "days: 7 booleans, Sunday first";
                return std::nullopt;
            }
            fields.days[d] = days[d].get<bool>();
        }
    }
    if (!body.contains("times") || !body["times"].is_array() || body["times"].size() > kSlotCount) {
        why = "times: up to 21 times of day";
        return std::nullopt;
    }
    for (std::size_t k = 0; k < body["times"].size(); ++k) {
        const json& time = body["times"][k];
        if (!time.is_string()) {
            why = "times: each a text such as \"08:00\"";
            return std::nullopt;
        }
        const std::string typed = time.get<std::string>();
        fields.times[k] = typed.empty() ? std::string() : normalizeTimeText(gbkFromUtf8(typed));
        if (!typed.empty() && fields.times[k].empty()) {
            why = "times: \"" + typed + "\" is not a time of day";
            return std::nullopt;
        }
    }
    if (body.contains("rainGated")) {
        if (!body["rainGated"].is_boolean()) {
            why = "rainGated: a boolean";
            return std::nullopt;
        }
        fields.rainGated = body["rainGated"].get<bool>();
    }
    if (body.contains("outputs")) {
        if (!body["outputs"].is_array()) {
            why = "outputs: a list of output names";
            return std::nullopt;
        }
        for (const json& output : body["outputs"]) {
            if (!output.is_string() || !isOutputName(output.get<std::string>())) {
                why = "outputs: each an output's name, without | or a TAB";
                return std::nullopt;
            }
            fields.sound.outputs.push_back(output.get<std::string>());
        }
    }
    if (body.contains("gainDb")) {
        if (!body["gainDb"].is_number() || !isRuleGain(body["gainDb"].get<double>())) {
            why = "gainDb: a number of dB from -20 to 20";
            return std::nullopt;
        }
        fields.sound.gainDb = body["gainDb"].get<double>();
    }
    return fields;
}

void secure(WebResponse& response) {
    response.headers.emplace_back("Content-Security-Policy", "default-src 'self'; frame-ancestors 'none'");
    response.headers.emplace_back("X-Frame-Options", "DENY");
    response.headers.emplace_back("X-Content-Type-Options", "nosniff");
    response.headers.emplace_back("Referrer-Policy", "no-referrer");
    if (response.contentType.starts_with("application/json") || response.eventStream)
        response.headers.emplace_back("Cache-Control", "no-store");
}

} // namespace

WebResponse jsonResponse(int status, const json& body) {
    WebResponse response;
    response.status = status;
    response.body = body.dump(-1, ' ', false, json::error_handler_t::replace);
    return response;
}

ConsoleApi::ConsoleApi(std::filesystem::path programDir, ConsoleEngine& engine, Post post, bool https,
                       ConsoleSessions::Clock clock)
    : m_programDir(std::move(programDir)), m_engine(engine), m_post(std::move(post)), m_https(https),
      m_sessions(std::move(clock)) {}

bool ConsoleApi::runOnEngine(const std::function<void()>& task) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable ended;
        bool started = false, done = false, abandoned = false;
    };
    if (m_stopping)
        return false;
    auto shared = std::make_shared<Shared>();
    // `task` may refer to the waiting caller's locals: it runs only while the caller waits.
    m_post([shared, &task] {
        {
            std::lock_guard lock(shared->mutex);
            if (shared->abandoned)
                return;
            shared->started = true;
        }
        task();
        std::lock_guard lock(shared->mutex);
        shared->done = true;
        shared->ended.notify_all();
    });
    std::unique_lock lock(shared->mutex);
    const auto deadline = std::chrono::steady_clock::now() + kEngineWait;
    while (!shared->done) {
        if (!shared->started && (m_stopping || std::chrono::steady_clock::now() >= deadline)) {
            shared->abandoned = true;
            return false;
        }
        shared->ended.wait_for(lock, std::chrono::milliseconds(50));
    }
    return true;
}

WebResponse ConsoleApi::onEngine(const std::function<ConsoleAnswer()>& call) {
    ConsoleAnswer answer = ConsoleAnswer::error(503, "the engine is busy or stopping; try again");
    if (!runOnEngine([&answer, &call] { answer = call(); }))
        return jsonResponse(503, {{"error", "the engine is busy or stopping; try again"}});
    return jsonResponse(answer.status, answer.body);
}

WebResponse ConsoleApi::handle(const WebRequest& request) {
    WebResponse response;
    if (!request.path.starts_with("/api/")) {
        const ConsolePage* page = request.method == "GET" ? consolePage(request.path) : nullptr;
        if (page) {
            response.contentType = page->contentType;
            response.body = page->body;
        } else {
            response = jsonResponse(404, {{"error", "not found"}});
        }
    } else if (request.body.size() > kLargestBody) {
        response = jsonResponse(413, {{"error", "the request body is larger than 64 KiB"}});
    } else if (request.path == "/api/login") {
        response = request.method == "POST" ? login(request) : jsonResponse(405, {{"error", "use POST"}});
    } else {
        const std::string token = cookieValue(request.cookie, kSessionCookie);
        const auto session = m_sessions.find(token);
        // The role is read afresh: a user removed or changed on the command line holds no more.
        std::optional<WebRole> role;
        if (session)
            for (const WebUser& user : readWebUsers(m_programDir))
                if (user.name == session->user)
                    role = user.role;
        if (!session || !role) {
            response = jsonResponse(401, {{"error", "log in first"}});
        } else if (request.method != "GET" && !sameSecret(request.csrf, session->csrf)) {
            response = jsonResponse(403, {{"error", "the X-CSRF-Token header is missing or wrong"}});
        } else if (request.path == "/api/logout") {
            m_sessions.close(token);
            response = jsonResponse(200, {{"ok", true}});
            response.headers.emplace_back("Set-Cookie",
                                          std::string(kSessionCookie) +
                                              "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict" +
                                              (m_https ? "; Secure" : ""));
        } else {
            response = api(request, session->user, *role);
        }
    }
    secure(response);
    return response;
}

WebResponse ConsoleApi::login(const WebRequest& request) {
    if (m_sessions.banned(request.address))
        return jsonResponse(429, {{"error", "too many failed logins from this address; wait a minute"}});
    json body;
    try {
        body = json::parse(request.body);
    } catch (const json::exception& error) {
        return jsonResponse(400, {{"error", std::string("malformed JSON: ") + error.what()}});
    }
    if (!body.is_object() || !body.contains("user") || !body["user"].is_string() ||
        !body.contains("password") || !body["password"].is_string())
        return jsonResponse(400, {{"error", "user and password are required"}});
    const std::string user = body["user"].get<std::string>();
    const auto role = checkWebPassword(readWebUsers(m_programDir), user, body["password"].get<std::string>());
    if (!role) {
        m_sessions.failed(request.address);
        return jsonResponse(401, {{"error", "wrong user name or password"}});
    }
    const auto [token, session] = m_sessions.open(user);
    WebResponse response =
        jsonResponse(200, {{"csrf", session.csrf}, {"role", webRoleName(*role)}, {"user", user}});
    response.headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=" + token +
                                                    "; Path=/; HttpOnly; SameSite=Strict" +
                                                    (m_https ? "; Secure" : ""));
    return response;
}

WebResponse ConsoleApi::api(const WebRequest& request, const std::string& user, WebRole role) {
    const std::string& method = request.method;
    const std::string& path = request.path;
    const auto needs = [role](WebRole least) { return static_cast<int>(role) >= static_cast<int>(least); };
    const auto forbidden = [] { return jsonResponse(403, {{"error", "your role does not allow this"}}); };
    static const std::regex kTimetable(R"(/api/timetables/(\d{1,2}))");
    static const std::regex kRules(R"(/api/timetables/(\d{1,2})/rules)");
    static const std::regex kRule(R"(/api/timetables/(\d{1,2})/rules/(\d{1,4}))");
    std::smatch match;

    if (method == "GET") {
        if (path == "/api/state") {
            json state;
            if (!runOnEngine([&] { state = m_engine.state(); }))
                return jsonResponse(503, {{"error", "the engine is busy or stopping; try again"}});
            state["user"] = user;
            state["role"] = webRoleName(role);
            return jsonResponse(200, state);
        }
        if (path == "/api/events") {
            WebResponse response;
            response.contentType = "text/event-stream";
            response.eventStream = true;
            return response;
        }
        if (path == "/api/openapi.json")
            return jsonResponse(200, json::parse(openApiDocument()));
        if (path == "/api/timetables")
            return onEngine([this] { return ConsoleAnswer::ok(m_engine.timetables()); });
        if (std::regex_match(path, match, kTimetable)) {
            const int index = *number(match[1]);
            return onEngine([this, index] { return m_engine.timetable(index); });
        }
        if (path == "/api/log") {
            const auto day = parseCalendarKey(queryValue(request.query, "date"));
            if (!day || day->yearly || !(day->from == day->to))
                return jsonResponse(400, {{"error", "date: YYYY-MM-DD"}});
            return onEngine([this, day = day->from] { return m_engine.log(day); });
        }
        if (path == "/api/calendar")
            return onEngine([this] { return ConsoleAnswer::ok(m_engine.calendar()); });
        if (path == "/api/campus")
            return onEngine([this] { return ConsoleAnswer::ok(m_engine.campus()); });
        if (path == "/api/outputs") {
            json outputs = json::array();
            for (const SoundDevice& output : listSoundOutputs())
                outputs.push_back({{"name", output.name}, {"description", output.description}});
            return jsonResponse(200, outputs);
        }
        return jsonResponse(404, {{"error", "not found"}});
    }

    json body = json::object();
    if (!request.body.empty()) {
        try {
            body = json::parse(request.body);
        } catch (const json::exception& error) {
            return jsonResponse(400, {{"error", std::string("malformed JSON: ") + error.what()}});
        }
    }
    const auto flag = [&body](bool& on) {
        if (!body.is_object() || !body.contains("on") || !body["on"].is_boolean())
            return false;
        on = body["on"].get<bool>();
        return true;
    };
    const auto file = [&body](std::string& path) {
        if (!body.is_object() || !body.contains("file") || !body["file"].is_string() ||
            body["file"].get<std::string>().empty())
            return false;
        path = body["file"].get<std::string>();
        return true;
    };

    if (method == "POST" && (path == "/api/run" || path == "/api/play" || path == "/api/stop" ||
                             path == "/api/alarm" || path == "/api/lockdown")) {
        if (!needs(WebRole::Operator))
            return forbidden();
        bool on = false;
        std::string music;
        if (path == "/api/run" || path == "/api/lockdown") {
            if (!flag(on))
                return jsonResponse(400, {{"error", "on: a boolean"}});
            const bool lockdown = path == "/api/lockdown";
            return onEngine([this, on, lockdown, &user] {
                return lockdown ? m_engine.lockdown(on, user) : m_engine.run(on, user);
            });
        }
        if (path == "/api/stop")
            return onEngine([this, &user] { return m_engine.stop(user); });
        if (!file(music))
            return jsonResponse(400, {{"error", "file: a music file path is required"}});
        const bool alarm = path == "/api/alarm";
        return onEngine([this, alarm, &music, &user] {
            return alarm ? m_engine.alarm(music, user) : m_engine.play(music, user);
        });
    }

    if (method == "POST" && path == "/api/calendar") {
        if (!needs(WebRole::Admin))
            return forbidden();
        const auto text = [&body](const char* name) {
            return body.is_object() && body.contains(name) && body[name].is_string()
                       ? body[name].get<std::string>()
                       : std::string();
        };
        if (text("section").empty() || text("key").empty())
            return jsonResponse(400,
                                {{"error", "section and key are required; value empty removes the entry"}});
        return onEngine(
            [&] { return m_engine.editCalendar(text("section"), text("key"), text("value"), user); });
    }

    const bool add = method == "POST" && std::regex_match(path, match, kRules);
    const bool change = (method == "PUT" || method == "DELETE") && std::regex_match(path, match, kRule);
    if (add || change) {
        if (!needs(WebRole::Admin))
            return forbidden();
        const int index = *number(match[1]);
        const std::optional<int> row = change ? number(match[2]) : std::nullopt;
        std::optional<RuleFields> fields;
        if (method != "DELETE") {
            std::string why;
            fields = ruleFieldsOf(body, why);
            if (!fields)
                return jsonResponse(400, {{"error", why}});
        }
        return onEngine([&] { return m_engine.editRule(index, row, fields, user); });
    }
    return jsonResponse(404, {{"error", "not found"}});
}

} // namespace ringvale
