// Bells at real minute boundaries through the path the operator hears. The real clock driver and
// tick ring a rule due every other minute through the player into the sound server; in the
// minutes between, a cron-style bell starts `mpg123` at HH:MM:00 into a second sink (taking
// turns, so neither bell slows the other on a two-core machine). Both sinks'
// monitors are recorded with `parec`. Printed over every boundary: min / median / max of
// HH:MM:00.000 -> the firing tick and -> the first loud
// sample recorded, and the baseline's heard onset. Run it through bench/boundary-pulse.sh, which
// starts a private PulseAudio server with two null sinks.
//
// Usage: bench_boundary BOUNDARIES RINGVALE_SINK BASELINE_SINK

#include "benchfakes.h"
#include "benchutil.h"
#include "core/clocktick.h"
#include "core/codepage.h"
#include "media/audioplayer.h"
#include "media/pulseaudiosink.h"
#include "monitorrecorder.h"
#include "shell/clockdriver.h"
#include "web/consoleserver.h"
#include "web/engineconsole.h"
#include "web/webusers.h"

#include <curl/curl.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ringvale;
using namespace ringvale::bench;
using namespace std::chrono;

namespace {

// Notes when the tick asked for the bell.
class StampedPlayback final : public Playback {
public:
    explicit StampedPlayback(AudioPlayer& player) : m_player(player) {}
    PlayId playFile(std::int32_t count, const std::string& path) override {
        fired = system_clock::now();
        return m_player.playFile(count, path);
    }
    void stopAll() override { m_player.stopAll(); }
    void prepare() override { m_player.prepare(); }
    PlayId playBell(std::int32_t count, const std::string& path, const RuleSound& sound) override {
        fired = system_clock::now();
        return m_player.playBell(count, path, sound);
    }
    void prepareBell(std::int32_t count, const std::string& path, const RuleSound& sound,
                     WallTime due) override {
        m_player.prepareBell(count, path, sound, due);
    }
    void cancelPrepared() override { m_player.cancelPrepared(); }
    std::optional<WallTime> fired;

private:
    AudioPlayer& m_player;
};

double msAfter(WallTime minute, WallTime t) {
    return duration<double, std::milli>(t - minute).count();
}

WallTime minuteStart(WallTime t) {
    return time_point_cast<minutes>(t);
}

void printRow(const char* measure, std::vector<double> values, const char* target) {
    if (values.empty()) {
        std::printf("%-52s   no values\n", measure);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%-52s %8.1f %8.1f %8.1f ms  (n = %zu; target %s)\n", measure, values.front(), median(values),
                values.back(), values.size(), target);
}

} // namespace

// Console clients while the bells ring: each holds /api/events open and asks for /api/state
// every second, timing the answers.
class ConsoleLoad {
public:
    ConsoleLoad(int clients, ScheduleContext& context, const Clock& clock, QCoreApplication& app)
        : m_home(std::filesystem::temp_directory_path() / ("bench-console-" + std::to_string(::getpid()))),
          m_engine({context, context, clock, m_home, nullptr, {}}),
          m_api(
              m_home, m_engine,
              [&app](std::function<void()> task) {
                  QMetaObject::invokeMethod(&app, std::move(task), Qt::QueuedConnection);
              },
              false),
          m_server(m_api) {
        std::filesystem::create_directories(m_home);
        if (!setWebUser(m_home, "bench", WebRole::Viewer, "benchmark password").empty() ||
            !m_server.start({"127.0.0.1", 0, {}}).empty()) {
            std::fprintf(stderr, "bench_boundary: the console could not start\n");
            std::exit(1);
        }
        m_engine.setEvents(&m_api.events());
        m_base = "http://127.0.0.1:" + std::to_string(m_server.port());
        // One session for every client: 200 Argon2 logins would measure the hash, not the console.
        std::thread login([this] {
            std::string headers, body;
            CURL* curl = curl_easy_init();
            curl_easy_setopt(curl, CURLOPT_URL, (m_base + "/api/login").c_str());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, R"({"user":"bench","password":"benchmark password"})");
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &keep);
            curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headers);
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &keep);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
            curl_easy_perform(curl);
            curl_easy_cleanup(curl);
            const std::size_t at = headers.find("ringvale_session=");
            m_cookie = "Cookie: " + headers.substr(at, headers.find(';', at) - at);
        });
        while (m_cookie.empty())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        login.join();
        for (int i = 0; i < clients; ++i) {
            m_threads.emplace_back([this] { stream(); });
            m_threads.emplace_back([this, i] { poll(i); });
        }
    }
    ~ConsoleLoad() {
        m_stop = true;
        m_server.stop();
        for (std::thread& thread : m_threads)
            thread.join();
        std::error_code ignored;
        std::filesystem::remove_all(m_home, ignored);
    }
    std::vector<double> latencies() {
        std::lock_guard lock(m_mutex);
        return m_latencies;
    }
    int failures() const { return m_failures; }

private:
    static std::size_t keep(char* data, std::size_t size, std::size_t count, void* target) {
        static_cast<std::string*>(target)->append(data, size * count);
        return size * count;
    }
    static std::size_t drop(char*, std::size_t size, std::size_t count, void*) { return size * count; }
    void stream() {
        CURL* curl = curl_easy_init();
        curl_slist* headers = curl_slist_append(nullptr, m_cookie.c_str());
        curl_easy_setopt(curl, CURLOPT_URL, (m_base + "/api/events").c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &drop);
        curl_easy_perform(curl); // until the server stops
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
    }
    void poll(int client) {
        CURL* curl = curl_easy_init();
        curl_slist* headers = curl_slist_append(nullptr, m_cookie.c_str());
        curl_easy_setopt(curl, CURLOPT_URL, (m_base + "/api/state").c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &drop);
        // Spread over the second, as real clients would be.
        std::this_thread::sleep_for(std::chrono::milliseconds(client * 5 % 1000));
        while (!m_stop) {
            const auto start = std::chrono::steady_clock::now();
            long status = 0;
            if (curl_easy_perform(curl) == CURLE_OK)
                curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (status == 200) {
                std::lock_guard lock(m_mutex);
                m_latencies.push_back(ms);
            } else if (!m_stop) {
                ++m_failures;
            }
            std::this_thread::sleep_until(start + std::chrono::seconds(1));
        }
        curl_slist_free_all(headers);
        curl_easy_cleanup(curl);
    }

    std::filesystem::path m_home;
    EngineConsole m_engine;
    ConsoleApi m_api;
    ConsoleServer m_server;
    std::string m_base, m_cookie;
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_failures = 0;
    std::mutex m_mutex;
    std::vector<double> m_latencies;
};

int main(int argc, char* argv[]) {
    const int boundaries = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, kSlotCount) : 10;
    const std::string ringvaleSink = argc > 2 ? argv[2] : "ringvale";
    const std::string baselineSink = argc > 3 ? argv[3] : "baseline";
    const int clients = argc > 4 ? std::max(0, std::atoi(argv[4])) : 0;
    const std::string tone = std::string(RINGVALE_TEST_DATA) + "/tone.mp3";
    ::setenv("PULSE_SINK", ringvaleSink.c_str(), 1);

    QCoreApplication app(argc, argv);
    MonitorRecorder ringvaleHeard(ringvaleSink);
    MonitorRecorder baselineHeard(baselineSink);

    PulseAudioSink device(ringvaleSink);
    const auto openStart = steady_clock::now();
    if (!device.begin()) {
        std::fprintf(stderr, "bench_boundary: no sound server (is PULSE_SERVER set?): %s\n",
                     device.lastError().c_str());
        return 1;
    }
    const double openMs = duration<double, std::milli>(steady_clock::now() - openStart).count();
    device.close(); // as in the program: opened ahead of each bell, closed when idle
    AudioPlayer player(device);
    StampedPlayback playback(player);

    ScheduleState state;
    state.running = true;
    state.rules.resize(2);
    PlayRule& bell = state.rules[1];
    bell.musicPath = gbkFromUtf8(tone);
    bell.playCount = 1;
    bell.days = {1, 1, 1, 1, 1, 1, 1};
    const WallTime firstMinute = minuteStart(system_clock::now()) + minutes(1);
    const auto ringvaleMinute = [&](int i) { return firstMinute + minutes(2 * i); };
    const auto baselineMinute = [&](int i) { return firstMinute + minutes(2 * i + 1); };
    for (int i = 0; i < std::min(boundaries, kSlotCount); ++i) {
        const std::time_t at = system_clock::to_time_t(ringvaleMinute(i));
        std::tm tm{};
        localtime_r(&at, &tm);
        char slot[16];
        std::snprintf(slot, sizeof slot, "%02d:%02d:00", tm.tm_hour, tm.tm_min);
        bell.times[static_cast<std::size_t>(i)] = slot;
    }

    // The cron-style bell: wakes at HH:MM:00.000 and starts mpg123.
    std::thread cron([&] {
        for (int i = 0; i < boundaries; ++i) {
            std::this_thread::sleep_until(baselineMinute(i));
            const pid_t pid = spawn({"mpg123", "-q", "-o", "pulse", "-a", baselineSink, tone});
            if (pid > 0)
                ::waitpid(pid, nullptr, 0);
        }
    });

    NullTable table;
    NullStatus status;
    NullPower power;
    SystemClock clock;
    NoBellLog log;
    ScheduleContext context{state, table, status, playback, log};
    ClockTick tick(context, status, clock, power);
    std::vector<WallTime> firedAt;
    std::unique_ptr<ConsoleLoad> load;
    if (clients > 0) {
        load = std::make_unique<ConsoleLoad>(clients, context, clock, app);
        std::printf("%d console clients: each holds /api/events open and asks /api/state every second\n",
                    clients);
    }
    QTimer timer;
    ClockDriver driver(timer, [&](WallTime due) {
        playback.fired.reset();
        tick.onClockTick(due);
        if (!playback.fired)
            return;
        firedAt.push_back(*playback.fired);
        std::printf("bell %zu of %d at %s\n", firedAt.size(), boundaries,
                    bell.times[firedAt.size() - 1].c_str());
        std::fflush(stdout);
        if (static_cast<int>(firedAt.size()) == boundaries)
            QTimer::singleShot(seconds(63), &app, &QCoreApplication::quit); // the last baseline bell
    });
    std::printf("opening the sound device: %.1f ms (done ahead of each bell, from HH:MM:58)\n", openMs);
    std::printf("waiting for %d minute boundaries each (about %d minutes) ...\n", boundaries,
                2 * boundaries + 1);
    std::fflush(stdout);
    driver.start(500);
    QTimer::singleShot(minutes(2 * boundaries + 3), &app, &QCoreApplication::quit);
    QCoreApplication::exec();
    cron.join();

    std::vector<double> toTick, toHeard, baseline;
    for (std::size_t i = 0; i < firedAt.size(); ++i) {
        const WallTime minute = minuteStart(firedAt[i]);
        toTick.push_back(msAfter(minute, firedAt[i]));
        if (auto heard = ringvaleHeard.firstLoudAfter(minute - seconds(1), minute + seconds(2)))
            toHeard.push_back(msAfter(minute, *heard));
    }
    for (int i = 0; i < boundaries; ++i) {
        const WallTime minute = baselineMinute(i);
        if (auto heard = baselineHeard.firstLoudAfter(minute - seconds(1), minute + seconds(2)))
            baseline.push_back(msAfter(minute, *heard));
    }
    std::printf("\n%-52s %8s %8s %8s\n", "from HH:MM:00.000", "min", "median", "max");
    printRow("Ringvale: the tick that fires the rule", toTick, "< 10 ms");
    printRow("Ringvale: first loud sample heard (signed)", toHeard, "median within 5, worst within 10 ms");
    printRow("cron + mpg123: first loud sample heard", baseline, "for comparison");
    if (load) {
        std::vector<double> latencies = load->latencies();
        std::sort(latencies.begin(), latencies.end());
        const auto at = [&latencies](double share) {
            return latencies.empty()
                       ? 0.0
                       : latencies[std::min(
                             latencies.size() - 1,
                             static_cast<std::size_t>(share * static_cast<double>(latencies.size())))];
        };
        std::printf("%-52s %8.1f %8.1f %8.1f ms (p50, p99, max over %zu answers; %d failed)\n",
                    "/api/state under the load", at(0.5), at(0.99),
                    latencies.empty() ? 0.0 : latencies.back(), latencies.size(), load->failures());
    }
    return 0;
}
