#include "core/codepage.h"
#include "core/timetable.h"
#include "fakes.h"
#include "tempdir.h"
#include "waitfor.h"
#include "web/consoleserver.h"
#include "web/engineconsole.h"
#include "web/webusers.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

struct Reply {
    long status = 0;
    std::string headers, body;
};

std::size_t keep(char* data, std::size_t size, std::size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

Reply send(const std::string& url, const std::string& method, const std::string& body,
           const std::vector<std::string>& headers) {
    Reply reply;
    CURL* curl = curl_easy_init();
    curl_slist* list = nullptr;
    for (const std::string& header : headers)
        list = curl_slist_append(list, header.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    if (!body.empty())
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &keep);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply.headers);
    curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_slist_free_all(list);
    curl_easy_cleanup(curl);
    return reply;
}

// Over real HTTP on 127.0.0.1: the login's cookie, a command, the change on the live events, and
// a stop that ends an open stream.
TEST(ConsoleServer, LogsInCommandsAndStreamsEvents) {
    TempDir home;
    ASSERT_EQ(setWebUser(home.path(), "op", WebRole::Operator, "correct horse battery"), "");
    FakeSchedule schedule;
    schedule.state.timetablePath = timetablePath(fromFileName(home.path()), 0);
    FakeClock clock;
    EngineConsole engine({schedule.context, schedule.context, clock, home.path(), nullptr, {}});
    std::mutex engineThread; // the test's engine: one task at a time
    ConsoleApi api(
        home.path(), engine,
        [&](std::function<void()> task) {
            std::lock_guard lock(engineThread);
            task();
        },
        false);
    engine.setEvents(&api.events());
    ConsoleServer server(api);
    ASSERT_EQ(server.start({"127.0.0.1", 0, {}}), "");
    const std::string base = "http://127.0.0.1:" + std::to_string(server.port());

    const Reply login =
        send(base + "/api/login", "POST", R"({"user":"op","password":"correct horse battery"})", {});
    ASSERT_EQ(login.status, 200) << login.body;
    EXPECT_NE(login.headers.find("; HttpOnly; SameSite=Strict"), std::string::npos) << login.headers;
    const std::size_t at = login.headers.find("ringvale_session=");
    const std::string cookie = login.headers.substr(at, login.headers.find(';', at) - at);
    const std::string csrf = login.body.substr(login.body.find("\"csrf\":\"") + 8, 64);

    std::string streamed;
    std::mutex streamedMutex;
    std::thread listener([&] {
        CURL* curl = curl_easy_init();
        curl_slist* list = curl_slist_append(nullptr, ("Cookie: " + cookie).c_str());
        curl_easy_setopt(curl, CURLOPT_URL, (base + "/api/events").c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
        using Write = std::size_t (*)(char*, std::size_t, std::size_t, void*);
        const Write write = [](char* data, std::size_t size, std::size_t count, void* target) {
            auto* sink = static_cast<std::pair<std::string*, std::mutex*>*>(target);
            std::lock_guard lock(*sink->second);
            sink->first->append(data, size * count);
            return size * count;
        };
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write);
        std::pair<std::string*, std::mutex*> sink{&streamed, &streamedMutex};
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
        curl_easy_perform(curl); // until the server stops
        curl_slist_free_all(list);
        curl_easy_cleanup(curl);
    });
    ASSERT_TRUE(waitFor([&] { return api.events().streams() == 1; }));
    EXPECT_EQ(send(base + "/api/stop", "POST", "", {"Cookie: " + cookie}).status, 403) << "no CSRF header";
    EXPECT_EQ(send(base + "/api/stop", "POST", "", {"Cookie: " + cookie, "X-CSRF-Token: " + csrf}).status,
              200);
    EXPECT_TRUE(waitFor([&] {
        std::lock_guard lock(streamedMutex);
        return streamed.find("event: state\ndata: {}\n\n") != std::string::npos;
    })) << streamed;

    server.stop(); // ends the open stream: the listener returns
    listener.join();
    EXPECT_EQ(api.events().streams(), 0u);
}

} // namespace
