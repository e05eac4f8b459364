// Over three real minute boundaries: from HH:MM:00.000 to the tick that fires the due rule, and
// to the first samples handed to the sound device (SDL's dummy driver: nothing is heard).

#include "audioplayer.h"
#include "benchfakes.h"
#include "benchutil.h"
#include "clockdriver.h"
#include "clocktick.h"
#include "codepage.h"
#include "sdlaudiosink.h"

#include <QCoreApplication>
#include <QTimer>

#include <ctime>
#include <mutex>
#include <optional>

using namespace ringvale;
using namespace ringvale::bench;
using SystemTime = std::chrono::system_clock::time_point;

namespace {

// Notes the wall-clock time of the first samples after each play request.
class FirstSampleSink final : public AudioSink {
public:
    explicit FirstSampleSink(AudioSink& inner) : m_inner(inner) {}
    AudioFormat format() const override { return m_inner.format(); }
    bool begin() override { return m_inner.begin(); }
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) override {
        const bool ok = m_inner.write(samples, frames, cancelled);
        std::lock_guard lock(m_mutex);
        if (!m_first)
            m_first = std::chrono::system_clock::now();
        return ok;
    }
    void discard() override { m_inner.discard(); }
    void reset() {
        std::lock_guard lock(m_mutex);
        m_first.reset();
    }
    std::optional<SystemTime> first() {
        std::lock_guard lock(m_mutex);
        return m_first;
    }

private:
    AudioSink& m_inner;
    std::mutex m_mutex;
    std::optional<SystemTime> m_first;
};

// Notes when the tick asked for the bell.
class StampedPlayback final : public Playback {
public:
    explicit StampedPlayback(AudioPlayer& player) : m_player(player) {}
    void playFile(std::int32_t count, const std::string& path) override {
        fired = std::chrono::system_clock::now();
        m_player.playFile(count, path);
    }
    void stopAll() override { m_player.stopAll(); }
    std::optional<SystemTime> fired;

private:
    AudioPlayer& m_player;
};

double msAfterMinute(SystemTime t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    return static_cast<double>(ms % 60000);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    SdlAudioSink device;
    FirstSampleSink sink(device);
    AudioPlayer player(sink);
    StampedPlayback playback(player);

    ScheduleState state;
    state.running = true;
    state.rules.resize(2);
    PlayRule& bell = state.rules[1];
    bell.musicPath = gbkFromUtf8(std::string(RINGVALE_TEST_DATA) + "/tone.mp3");
    bell.playCount = 1;
    bell.days = {1, 1, 1, 1, 1, 1, 1};
    const std::time_t now = std::time(nullptr);
    for (int i = 1; i <= 3; ++i) {
        const std::time_t at = now + 60 * i;
        std::tm tm{};
        localtime_r(&at, &tm);
        char slot[16];
        std::snprintf(slot, sizeof slot, "%02d:%02d:00", tm.tm_hour, tm.tm_min);
        bell.times[static_cast<std::size_t>(i - 1)] = slot;
    }

    NullTable table;
    NullStatus status;
    NullPower power;
    SystemClock clock;
    ScheduleContext context{state, table, status, playback};
    ClockTick tick(context, status, clock, power);
    std::vector<double> toTick, toSound;
    QTimer timer;
    ClockDriver driver(timer, [&](WallTime due) {
        sink.reset();
        playback.fired.reset();
        tick.onClockTick(due);
        if (playback.fired) {
            toTick.push_back(msAfterMinute(*playback.fired));
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
            while (!sink.first() && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            if (sink.first())
                toSound.push_back(msAfterMinute(*sink.first()));
            std::printf("bell at %s: tick %.1f ms, first sample %.1f ms after the minute\n",
                        bell.times[toTick.size() - 1].c_str(), toTick.back(),
                        toSound.empty() ? -1.0 : toSound.back());
            if (toTick.size() == 3)
                QCoreApplication::quit();
        }
    });
    std::printf("waiting for three minute boundaries (about three minutes) ...\n");
    driver.start(500);
    QTimer::singleShot(std::chrono::minutes(4), &app, &QCoreApplication::quit);
    QCoreApplication::exec();
    report("HH:MM:00.000 -> the tick that fires the rule", median(toTick), "ms", "< 10 ms", toTick.size());
    report("HH:MM:00.000 -> first sample handed to the device", median(toSound), "ms", "< 50 ms",
           toSound.size());
    return 0;
}
