// Thirty simulated days of half-second ticks over a school timetable, with the real player on
// a recording sink: every due bell rings exactly once and in full, memory stays flat and no
// thread is left behind.

#include "core/clocktick.h"
#include "fakes.h"
#include "fixtures.h"
#include "media/audioplayer.h"
#include "recordingsink.h"
#include "records.h"
#include "threads.h"

#include <fstream>
#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

// Counts plays handed to the real player and waits until each has played out.
class CountingPlayback : public Playback {
public:
    explicit CountingPlayback(AudioPlayer& player) : m_player(player) {}
    PlayId playFile(std::int32_t count, const std::string& path) override {
        ++plays;
        lastCount = count;
        return m_player.playFile(count, path);
    }
    void stopAll() override { m_player.stopAll(); }
    void prepare() override { m_player.prepare(); }
    int plays = 0;
    std::int32_t lastCount = 0;

private:
    AudioPlayer& m_player;
};

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

PlayRule rule(std::int32_t count, const std::string& days, std::vector<std::string> times) {
    return playRule(fixture("square_a.wav"), count, days, times);
}

TEST(Soak, ThirtyDaysOfTicksRingEveryBellOnceInFull) {
    ScheduleState state;
    state.running = true;
    state.rules.emplace_back();
    const std::string weekdays = "0111110";
    state.rules.push_back(
        rule(1, weekdays, {"07:55:00", "08:45:00", "09:45:00", "10:45:00", "14:00:00", "15:00:00"}));
    state.rules.push_back(
        rule(1, weekdays, {"08:40:00", "09:40:00", "10:40:00", "11:40:00", "14:40:00", "15:40:00"}));
    state.rules.push_back(rule(3, weekdays, {"09:50:00"}));
    state.rules.push_back(rule(1, weekdays, {"10:20:00", "15:20:00"}));
    state.rules.push_back(rule(2, weekdays, {"11:40:00"}));
    state.rules.push_back(rule(1, "0100000", {"07:30:00"}));
    state.rules.push_back(rule(2, "0111100", {"16:30:00", "18:30:00", "19:30:00"}));
    state.rules.push_back(rule(1, "1000001", {"09:00:00", "20:00:00"}));

    FakeRuleTable table;
    FakeStatusBoard status;
    RecordingSink sink;
    const int threadsBefore = threadCount();
    std::size_t expectedFrames = 0;
    std::map<std::tuple<int, int, int>, int> rung; // (day, hour, minute) -> bells rung in that minute
    long memoryAfterDayOne = 0;
    {
        AudioPlayer player(sink);
        CountingPlayback playback(player);
        NoBellLog log;
        ScheduleContext context{state, table, status, playback, log};
        FakeClock clock;
        FakeTickView view;
        FakePower power;
        ClockTick tick(context, view, clock, power);

        for (int day = 0; day < 30; ++day) {
            const int weekday = 1 + (day + 1) % 7; // day 0 is a Monday
            for (int h = 0; h < 24; ++h)
                for (int m = 0; m < 60; ++m)
                    for (int half = 0; half < 120; ++half) {
                        clock.set(weekday, h, m, half / 2);
                        const int before = playback.plays;
                        tick.onClockTick();
                        if (playback.plays != before) {
                            ++rung[{day, h, m}];
                            expectedFrames += static_cast<std::size_t>(playback.lastCount) * kFramesA;
                            // Real time passes between bells: let this one play out.
                            while (player.isSounding())
                                std::this_thread::yield();
                        }
                    }
            if (day == 0)
                memoryAfterDayOne = residentKilobytes();
        }
    }

    // The bells due: each rule once in each minute it names, on its days.
    std::map<std::tuple<int, int, int>, int> due;
    for (int day = 0; day < 30; ++day) {
        const std::size_t w = static_cast<std::size_t>((day + 1) % 7);
        for (std::size_t k = 1; k < state.rules.size(); ++k) {
            const PlayRule& r = state.rules[k];
            if (!r.days[w])
                continue;
            std::set<std::pair<int, int>> minutes;
            for (const auto& slot : r.times)
                if (!slot.empty())
                    minutes.insert({std::stoi(slot.substr(0, 2)), std::stoi(slot.substr(3, 2))});
            for (const auto& [h, m] : minutes)
                ++due[{day, h, m}];
        }
    }
    int dueCount = 0, rungCount = 0;
    for (const auto& [when, n] : due)
        dueCount += n;
    for (const auto& [when, n] : rung)
        rungCount += n;
    const long memoryAtEnd = residentKilobytes();
    std::printf(
        "soak: 30 days, %d bells due, %d rung, %d minutes with a difference; resident memory %ld kB after "
        "day 1, %ld kB at the end\n",
        dueCount, rungCount, due == rung ? 0 : 1, memoryAfterDayOne, memoryAtEnd);
    EXPECT_EQ(rung, due);
    EXPECT_EQ(sink.totalFrames(), expectedFrames); // every bell played in full
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // Under the sanitizers their own bookkeeping grows; LeakSanitizer checks for leaks there.
    EXPECT_LT(memoryAtEnd - memoryAfterDayOne, 4096);
#endif
    EXPECT_EQ(threadCount(), threadsBefore);
}

} // namespace
