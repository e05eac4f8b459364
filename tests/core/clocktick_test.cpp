#include "core/clocktick.h"
#include "core/codepage.h"
#include "fakes.h"
#include "records.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <tuple>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class ClockTickTest : public ::testing::Test, protected FakeSchedule {
protected:
    void SetUp() override {
        state.rules.emplace_back(); // the text before the first record
        state.running = true;
    }
    void at(int weekday, int hour, int minute, int second, int millisecond = 0) {
        clock.set(weekday, hour, minute, second, millisecond);
    }
    void tick() { ticker.onClockTick(); }

    FakeClock clock;
    FakeTickView view;
    FakePower power;
    ClockTick ticker{context, view, clock, power};
};

constexpr int kSunday = 1, kMonday = 2, kSaturday = 7;
const std::string kWeekdays = "0111110";

TEST(ElapsedText, CountsHalfSecondTicks) {
    struct Case {
        std::int32_t ticks;
        const char* text;
    };
    for (const Case& c : {Case{0, "0天00时00分00秒"}, Case{1, "0天00时00分01秒"}, Case{2, "0天00时00分01秒"},
                          Case{3, "0天00时00分02秒"}, Case{7262, "0天01时00分31秒"},
                          Case{172800, "1天00时00分00秒"}, Case{2147483647, "12427天13时37分04秒"}})
        EXPECT_EQ(elapsedText(c.ticks), gbkFromUtf8(c.text)) << c.ticks;
}

TEST_F(ClockTickTest, SlotFiresInTheFirstTickOfItsMinuteWhateverItsSeconds) {
    state.rules.push_back(playRule("D:\\bells\\bell.mp3", 2, kWeekdays, {"08:00:45"}));
    at(kMonday, 7, 59, 59);
    tick();
    EXPECT_TRUE(playback.plays.empty());
    at(kMonday, 8, 0, 0);
    tick();
    ASSERT_EQ(playback.plays, (std::vector<FakePlayback::Call>{{2, "D:\\bells\\bell.mp3"}}));
    EXPECT_EQ(status.status, gbkFromUtf8("正在播放:08:00:45  bell.mp3"));
    EXPECT_EQ(table.cursorRow, 1);
    EXPECT_EQ(table.cursorColumn, 0);
    EXPECT_EQ(state.lastFiredMinute, 0);
    // The refresh after the firing still sees 08:00:45 ahead.
    EXPECT_EQ(status.nextRule, gbkFromUtf8("下一条：08:00:45  bell.mp3"));
    for (int s = 0; s < 60; ++s) {
        at(kMonday, 8, 0, s);
        tick();
    }
    EXPECT_EQ(playback.plays.size(), 1u);
}

TEST_F(ClockTickTest, TwoSlotsInOneMinuteFireOnceAndTheLastSlotCounts) {
    std::vector<std::string> times(21);
    times[0] = "08:00:00";
    times[1] = "08:00:30";
    times[20] = "09:15:00";
    state.rules.push_back(playRule("a.mp3", 1, kWeekdays, times));
    for (int h : {8, 9})
        for (int m = 0; m < 60; ++m)
            for (int s = 0; s < 60; ++s) {
                at(kMonday, h, m, s);
                tick();
                tick();
            }
    EXPECT_EQ(playback.plays.size(), 2u);
}

TEST_F(ClockTickTest, EqualTimesFireInListOrderHalfASecondApart) {
    state.rules.push_back(playRule("first.mp3", 1, kWeekdays, {"10:00:00"}));
    state.rules.push_back(playRule("second.mp3", 1, kWeekdays, {"10:00:00"}));
    at(kMonday, 10, 0, 0);
    tick();
    ASSERT_EQ(playback.plays.size(), 1u);
    EXPECT_EQ(playback.plays[0].path, "first.mp3");
    tick();
    ASSERT_EQ(playback.plays.size(), 2u);
    EXPECT_EQ(playback.plays[1].path, "second.mp3");
    EXPECT_EQ(table.cursorRow, 2);
}

// Each case runs a script of steps on Monday and lists the files rung, in order.
struct Step {
    enum Kind { Tick, Stop, Start, Reload } kind = Tick;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int dueMs = -1;              // the boundary the timer aimed at, ms after hour:minute:00 (-1: none)
    std::vector<PlayRule> rules; // Reload: the list after the reload (element 0 added)
};
struct ExactlyOnceCase {
    const char* name;
    std::vector<PlayRule> rules;
    std::vector<Step> steps;
    std::vector<std::string> rung;
};

Step tickAt(int h, int m, int s, int ms = 0) {
    return {Step::Tick, h, m, s, ms, -1, {}};
}
Step aimedAt(int h, int m, int s, int ms, int dueMs) {
    return {Step::Tick, h, m, s, ms, dueMs, {}};
}
Step reload(std::vector<PlayRule> rules) {
    return {Step::Reload, 0, 0, 0, 0, -1, std::move(rules)};
}
const Step kStop{Step::Stop, 0, 0, 0, 0, -1, {}}, kStart{Step::Start, 0, 0, 0, 0, -1, {}};

TEST_F(ClockTickTest, EveryDueMinuteRingsExactlyOnce) {
    const PlayRule a = playRule("a.mp3", 1, kWeekdays, {"08:00:00"});
    const PlayRule b = playRule("b.mp3", 1, kWeekdays, {"08:00:00", "08:01:00"});
    const PlayRule c = playRule("c.mp3", 1, kWeekdays, {"08:01:00"});
    const PlayRule hourly = playRule("h.mp3", 1, kWeekdays, {"08:05:00", "09:05:00"});
    PlayRule aTwice = a;
    aTwice.playCount = 2;
    PlayRule aElsewhen = playRule("a.mp3", 1, "1111111", {"07:00:00", "08:00:30"});
    PlayRule aRefiled = a;
    aRefiled.musicPath = "a2.mp3";
    const std::vector<ExactlyOnceCase> cases = {
        {"consecutive minutes ring each, whatever fires first",
         {c, b},
         {tickAt(8, 0, 0), tickAt(8, 0, 0, 500), tickAt(8, 1, 0), tickAt(8, 1, 0, 500), tickAt(8, 1, 1)},
         {"b.mp3", "c.mp3", "b.mp3"}},
        {"a reload inside the minute does not ring again",
         {a},
         {tickAt(8, 0, 0), reload({a}), tickAt(8, 0, 10), reload({}), tickAt(8, 0, 20), reload({a}),
          tickAt(8, 0, 30)},
         {"a.mp3"}},
        {"a rule whose count, days or other times changed does not ring again",
         {a},
         {tickAt(8, 0, 0), reload({aTwice}), tickAt(8, 0, 10), reload({aElsewhen}), tickAt(8, 0, 20)},
         {"a.mp3"}},
        {"a new rule, or one whose file changed, rings after a reload",
         {a},
         {tickAt(8, 0, 0), reload({aTwice, b}), tickAt(8, 0, 20), reload({aRefiled, b}), tickAt(8, 0, 21),
          tickAt(8, 0, 22)},
         {"a.mp3", "b.mp3", "a2.mp3"}},
        {"a rule of the same music due another minute never takes the place of one that rang",
         {playRule("a.mp3", 1, kWeekdays, {"08:05:00"}), a},
         {tickAt(8, 0, 0), tickAt(8, 0, 0, 500), tickAt(8, 0, 1), tickAt(8, 5, 0), tickAt(8, 5, 0, 500)},
         {"a.mp3", "a.mp3"}},
        {"identical rules ring once each, and once only after a reload",
         {a, a},
         {tickAt(8, 0, 0), tickAt(8, 0, 0, 500), reload({a, a}), tickAt(8, 0, 1), tickAt(8, 0, 1, 500)},
         {"a.mp3", "a.mp3"}},
        {"stopped and started inside the minute",
         {a},
         {tickAt(8, 0, 0), kStop, tickAt(8, 0, 5), kStart, tickAt(8, 0, 6)},
         {"a.mp3"}},
        {"stopped after 08:05 and started inside 09:05",
         {hourly},
         {tickAt(8, 5, 0), tickAt(8, 5, 30), kStop, tickAt(8, 30, 0), kStart, tickAt(9, 5, 10)},
         {"h.mp3", "h.mp3"}},
        {"a clock set back 30 s after the bell",
         {a},
         {tickAt(8, 0, 0), tickAt(8, 0, 1), tickAt(7, 59, 31), tickAt(7, 59, 59, 500), tickAt(8, 0, 0),
          tickAt(8, 0, 30)},
         {"a.mp3"}},
        {"a clock set forward over a due minute does not ring it late",
         {a},
         {tickAt(7, 59, 59), tickAt(8, 1, 0), tickAt(8, 1, 0, 500)},
         {}},
        {"a clock that trails the timer's by a few ms reads the new minute",
         {a},
         {aimedAt(7, 59, 59, 997, 0)},
         {"a.mp3"}},
        {"a reading far before the aimed boundary is not moved to it", {a}, {aimedAt(7, 59, 59, 900, 0)}, {}},
    };
    for (const ExactlyOnceCase& c : cases) {
        FakeSchedule fake;
        fake.state.running = true;
        fake.state.rules.emplace_back();
        fake.state.rules.insert(fake.state.rules.end(), c.rules.begin(), c.rules.end());
        FakeClock clock;
        ClockTick ticker(fake.context, view, clock, power);
        for (const Step& step : c.steps) {
            switch (step.kind) {
            case Step::Tick:
                clock.set(kMonday, step.hour, step.minute, step.second, step.millisecond);
                ticker.onClockTick(step.dueMs < 0 ? WallTime{}
                                                  : localInstant(kMonday, step.hour, step.minute + 1, 0) +
                                                        std::chrono::milliseconds(step.dueMs));
                break;
            case Step::Stop:
                fake.state.running = false;
                break;
            case Step::Start:
                fake.state.running = true;
                break;
            case Step::Reload:
                fake.state.rules.assign(1, PlayRule{});
                fake.state.rules.insert(fake.state.rules.end(), step.rules.begin(), step.rules.end());
                break;
            }
        }
        std::vector<std::string> rung;
        for (const auto& play : fake.playback.plays)
            rung.push_back(play.path);
        EXPECT_EQ(rung, c.rung) << c.name;
    }
}

TEST_F(ClockTickTest, TheNextBellIsPreparedInTheLastTwoSecondsAndDroppedWhenItWillNotRing) {
    state.rules.push_back(playRule("a.mp3", 1, kWeekdays, {"08:00:00", "00:00:00"}));
    state.rules.push_back(playRule("rain.mp3", 1, kWeekdays, {"09:00:00"}));
    state.rules.back().rainGated = true;
    struct Case {
        int weekday, hour, minute, second;
        bool lockdown;
        const char* prepared; // none: nothing prepared after this tick
        int prepares;         // the output only made ready, so far
    };
    for (const Case& c :
         {Case{kMonday, 7, 59, 57, false, nullptr, 0}, Case{kMonday, 7, 59, 58, false, "a.mp3", 0},
          Case{kMonday, 7, 59, 59, true, nullptr, 0}, Case{kMonday, 7, 59, 59, false, "a.mp3", 0},
          Case{kMonday, 8, 0, 0, false, nullptr, 0}, Case{kMonday, 8, 59, 58, false, nullptr, 1},
          Case{kSaturday, 23, 59, 58, false, nullptr, 1}, Case{kSunday, 23, 59, 58, false, "a.mp3", 1}}) {
        state.lockdown = c.lockdown;
        at(c.weekday, c.hour, c.minute, c.second);
        tick();
        const std::string when =
            std::to_string(c.hour) + ":" + std::to_string(c.minute) + ":" + std::to_string(c.second);
        EXPECT_EQ(playback.prepares, c.prepares) << when;
        ASSERT_EQ(playback.prepared.has_value(), c.prepared != nullptr) << when;
        if (c.prepared) {
            EXPECT_EQ(playback.prepared->bell, (FakePlayback::Call{1, c.prepared})) << when;
            EXPECT_EQ(playback.prepared->due,
                      localInstant(c.weekday, c.hour, c.minute, 0) + std::chrono::minutes(1))
                << when;
        }
    }
}

TEST_F(ClockTickTest, NoFiringOnADayWhoseFlagIsOff) {
    state.rules.push_back(playRule("a.mp3", 1, kWeekdays, {"08:00:00"}));
    for (int day : {kSunday, kSaturday}) {
        at(day, 8, 0, 0);
        tick();
    }
    EXPECT_TRUE(playback.plays.empty());
}

TEST_F(ClockTickTest, WhileStoppedOnlyTheElapsedTimeMoves) {
    state.rules.push_back(playRule("a.mp3", 1, kWeekdays, {"08:00:00"}));
    state.running = false;
    view.shutdownTicked = true;
    state.shutdownTime = "08:00:00";
    at(kMonday, 8, 0, 0);
    tick();
    tick();
    EXPECT_EQ(view.elapsed, gbkFromUtf8("0天00时00分01秒"));
    EXPECT_TRUE(playback.plays.empty());
    EXPECT_EQ(power.requests, 0);
    EXPECT_EQ(status.status, "untouched");
    EXPECT_EQ(status.nextRule, "untouched");
    EXPECT_EQ(state.tickCount, 2);
}

TEST_F(ClockTickTest, ShutdownIsAskedEveryRunningTickOfItsMinuteWhileTicked) {
    state.shutdownTime = "17:30:00";
    view.shutdownTicked = true;
    for (int s = 0; s < 60; ++s) {
        at(kMonday, 17, 30, s);
        tick();
        tick();
    }
    EXPECT_EQ(power.requests, 120);
    at(kMonday, 17, 31, 0);
    tick();
    EXPECT_EQ(power.requests, 120);
    view.shutdownTicked = false;
    at(kMonday, 17, 30, 0);
    tick();
    EXPECT_EQ(power.requests, 120);
}

TEST_F(ClockTickTest, NextRuleIsRefreshedOnlyWhenStale) {
    state.rules.push_back(playRule("a.mp3", 1, kWeekdays, {"12:00:00"}));
    at(kMonday, 7, 30, 0);
    tick();
    EXPECT_TRUE(state.nextRuleValid);
    EXPECT_EQ(status.nextRule, gbkFromUtf8("下一条：12:00:00  a.mp3"));
    status.nextRule = "kept";
    tick();
    EXPECT_EQ(status.nextRule, "kept");
}

// A school week, ticked every half second from Monday 06:00 to Sunday 24:00.
TEST_F(ClockTickTest, SchoolWeekRingsEveryDueSlotExactlyOnce) {
    state.rules.push_back(playRule("bell_in.mp3", 1, kWeekdays,
                                   {"07:55:00", "08:45:00", "09:45:00", "10:45:00", "14:00:00", "15:00:00"}));
    state.rules.push_back(playRule("bell_out.mp3", 1, kWeekdays,
                                   {"08:40:00", "09:40:00", "10:40:00", "11:40:00", "14:40:00", "15:40:00"}));
    state.rules.push_back(playRule("anthem.mp3", 1, "0100000", {"07:30:00"}));
    state.rules.push_back(playRule("exercise.mp3", 3, kWeekdays, {"09:50:00"}));
    state.rules.push_back(playRule("eyes.mp3", 1, kWeekdays, {"10:20:00", "15:20:00"}));
    state.rules.push_back(playRule("lunch.mp3", 1, kWeekdays, {"11:40:00"})); // same minute as bell_out
    state.rules.push_back(playRule("nap.mp3", 1, kWeekdays, {"12:30:00", "13:40:30"}));
    state.rules.push_back(playRule("home.mp3", 2, "0111100", {"16:30:00"}));
    state.rules.push_back(playRule("friday.mp3", 2, "0000010", {"16:00:00"}));
    state.rules.push_back(playRule("news.mp3", 1, kWeekdays, {"12:10:00", "17:10:00"}));
    state.rules.push_back(playRule("study.mp3", 1, "0111100", {"18:30:00", "19:30:00", "20:30:00"}));
    state.rules.push_back(playRule("weekend.mp3", 1, "1000001", {"09:00:00", "20:00:00"}));
    state.shutdownTime = "22:00:00";
    view.shutdownTicked = true;

    // Expected: each (day, minute) with its due rules in list order, a tick apart from 00.0.
    using Key =
        std::tuple<int, int, int, int>; // weekday order, hour, minute, half-second index in the minute
    std::map<Key, std::string> expected;
    const int dayOrder[] = {kMonday, 3, 4, 5, 6, kSaturday, kSunday};
    for (int d = 0; d < 7; ++d) {
        std::map<std::pair<int, int>, int> dueInMinute;
        for (std::size_t k = 1; k < state.rules.size(); ++k) {
            const PlayRule& r = state.rules[k];
            if (!r.days[static_cast<std::size_t>(dayOrder[d] - 1)])
                continue;
            std::set<std::pair<int, int>> minutes;
            for (const auto& slot : r.times)
                if (!slot.empty())
                    minutes.insert({std::stoi(slot.substr(0, 2)), std::stoi(slot.substr(3, 2))});
            for (const auto& hm : minutes)
                expected[{d, hm.first, hm.second, dueInMinute[hm]++}] = r.musicPath;
        }
    }

    std::map<Key, std::string> fired;
    int powerDuringWeek = 0;
    for (int d = 0; d < 7; ++d) {
        for (int h = d == 0 ? 6 : 0; h < 24; ++h)
            for (int m = 0; m < 60; ++m)
                for (int half = 0; half < 120; ++half) {
                    at(dayOrder[d], h, m, half / 2);
                    const std::size_t before = playback.plays.size();
                    const int requests = power.requests;
                    tick();
                    if (playback.plays.size() > before) {
                        ASSERT_EQ(playback.plays.size(), before + 1) << "two firings in one tick";
                        EXPECT_TRUE(fired.emplace(Key{d, h, m, half}, playback.plays.back().path).second);
                    }
                    if (power.requests > requests) {
                        EXPECT_EQ(h, 22);
                        EXPECT_EQ(m, 0);
                        ++powerDuringWeek;
                    }
                }
    }
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(powerDuringWeek, 7 * 120);
    EXPECT_GT(expected.size(), 100u);
}

} // namespace

namespace {

// Runs the process in another time zone for the life of the object.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TimeZone() {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

WallTime utc(int month, int day, int hour, int minute, int second, int millisecond = 0) {
    using namespace std::chrono;
    return sys_days{year{2026} / month / day} + hours(hour) + minutes(minute) + seconds(second) +
           milliseconds(millisecond);
}

TEST(ClockTickDaylightSaving, SkippedMinutesAreMissedOnceAndARepeatedHourRingsOnce) {
    const TimeZone berlin("Europe/Berlin");
    struct Case {
        const char* name;
        WallTime from, to; // ticked every half second
        std::vector<std::string> plays;
        std::vector<std::string> logged; // event, due and detail
    };
    const std::string everyDay = "1111111";
    const std::string skipped =
        "missed 02:30:00 the clock skipped its minute (summer time began); it cannot ring";
    const Case cases[] = {
        // 29 March: 02:00 CET is 03:00 CEST (01:00 UTC).
        {"spring forward", utc(3, 29, 0, 58, 0), utc(3, 29, 1, 1, 0), {"a.mp3", "c.mp3"}, {skipped}},
        // 25 October: 03:00 CEST is 02:00 CET again (01:00 UTC); 02:30 comes twice.
        {"fall back", utc(10, 25, 0, 29, 0), utc(10, 25, 1, 31, 0), {"b.mp3"}, {}},
    };
    for (const Case& c : cases) {
        FakeSchedule fake;
        fake.state.running = true;
        fake.state.rules = {PlayRule{}, playRule("a.mp3", 1, everyDay, {"01:59:00"}),
                            playRule("b.mp3", 1, everyDay, {"02:30:00"}),
                            playRule("c.mp3", 1, everyDay, {"03:00:00"})};
        FakeClock clock;
        FakeTickView view;
        FakePower power;
        ClockTick ticker(fake.context, view, clock, power);
        for (WallTime t = c.from; t < c.to; t += std::chrono::milliseconds(500)) {
            clock.time = t;
            ticker.onClockTick();
        }
        std::vector<std::string> plays, logged;
        for (const auto& play : fake.playback.plays)
            plays.push_back(play.path);
        for (const BellEntry& entry : fake.log.entries)
            logged.push_back(std::string(bellEventName(entry.event)) + " " + entry.due + " " + entry.detail);
        EXPECT_EQ(plays, c.plays) << c.name;
        EXPECT_EQ(logged, c.logged) << c.name;
    }
}

} // namespace
