#include "core/belldayfiles.h"
#include "core/bellrecorder.h"
#include "core/clocktick.h"
#include "core/startbells.h"
#include "fakes.h"
#include "records.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

constexpr int kMonday = 2;
const std::string kWeekdays = "0111110";

// One run of the program on a program directory: the real log and ledger files, a fake output.
struct ProgramRun {
    ProgramRun(const BellDayFiles& files, FakeClock& clock, std::vector<PlayRule> rules)
        : recorder(files, clock), context{state, table, status, playback, recorder},
          tick(context, view, clock, power) {
        state.rules = std::move(rules);
        state.running = true;
        tick.remember(readTodaySoFar(files, clock).rung);
    }
    ScheduleState state;
    FakeRuleTable table;
    FakeStatusBoard status;
    FakePlayback playback;
    BellRecorder recorder;
    ScheduleContext context;
    FakeTickView view;
    FakePower power;
    ClockTick tick;
};

BellEntry bellLine(BellEvent event, int day, const char* due, const char* file) {
    BellEntry entry;
    entry.at = localTimeAt(localInstant(day, 8, 0, 0, 9));
    entry.event = event;
    entry.due = due;
    entry.row = 1;
    entry.file = file;
    return entry;
}

TEST(Restart, ABellThatRangBeforeARestartInsideItsMinuteDoesNotRingAgain) {
    const PlayRule a = playRule("a.mp3", 1, kWeekdays, {"08:00:00"});
    struct Case {
        const char* name;
        // What the earlier run left in the directory, given its first tick at 08:00:00.
        std::function<void(ProgramRun&, const BellDayFiles&)> before;
        bool ringsAgain;
    };
    const std::vector<Case> cases = {
        {"rang and logged",
         [](ProgramRun& run, const BellDayFiles&) {
             run.recorder.onPlaybackReport(
                 {1, PlaybackReport::Kind::Sounding, localInstant(kMonday, 8, 0, 0, 8), "pulseaudio"});
         },
         false},
        {"ended before the output reported (killed)", [](ProgramRun&, const BellDayFiles&) {}, false},
        {"failed",
         [](ProgramRun& run, const BellDayFiles&) {
             run.recorder.onPlaybackReport(
                 {1, PlaybackReport::Kind::Failed, localInstant(kMonday, 8, 0, 0, 8), "no sound device"});
         },
         false},
        {"an earlier installation's log alone",
         [](ProgramRun&, const BellDayFiles& files) {
             std::filesystem::remove(files.ledgerFileOf({2026, 1, 5}));
             files.append(bellLine(BellEvent::Rang, kMonday, "08:00:00", "a.mp3"));
         },
         false},
        {"another file rang in that minute",
         [](ProgramRun&, const BellDayFiles& files) {
             std::filesystem::remove(files.ledgerFileOf({2026, 1, 5}));
             files.append(bellLine(BellEvent::Rang, kMonday, "08:00:00", "z.mp3"));
         },
         true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const BellDayFiles files(dir.path());
        FakeClock clock;
        {
            ProgramRun first(files, clock, {PlayRule{}, a});
            clock.set(kMonday, 8, 0, 0);
            first.tick.onClockTick();
            ASSERT_EQ(first.playback.plays.size(), 1u) << c.name;
            c.before(first, files);
        }
        clock.set(kMonday, 8, 0, 5);
        ProgramRun second(files, clock, {PlayRule{}, a});
        second.tick.onClockTick();
        clock.set(kMonday, 8, 0, 5, 500);
        second.tick.onClockTick();
        EXPECT_EQ(second.playback.plays.size(), c.ringsAgain ? 1u : 0u) << c.name;
    }
}

TEST(Restart, TwoRulesOfOneFileRingOnceEachAcrossARestartAndYesterdayCountsForNothing) {
    TempDir dir;
    const BellDayFiles files(dir.path());
    files.append(bellLine(BellEvent::Rang, kMonday - 1, "08:00:00", "a.mp3")); // Sunday's
    FakeClock clock;
    const PlayRule a = playRule("a.mp3", 1, kWeekdays, {"08:00:00"});
    {
        ProgramRun first(files, clock, {PlayRule{}, a, a});
        clock.set(kMonday, 8, 0, 0);
        first.tick.onClockTick();
        EXPECT_EQ(first.playback.plays.size(), 1u);
    }
    clock.set(kMonday, 8, 0, 1);
    ProgramRun second(files, clock, {PlayRule{}, a, a});
    for (int half = 0; half < 4; ++half) {
        clock.set(kMonday, 8, 0, 1 + half / 2, half % 2 * 500);
        second.tick.onClockTick();
    }
    EXPECT_EQ(second.playback.plays.size(), 1u);
}

TEST(Restart, ADayLogLargerThanMemoryWouldHoldIsStillRead) {
    TempDir dir;
    const BellDayFiles files(dir.path());
    FakeClock clock;
    clock.set(kMonday, 8, 0, 30);
    {
        BellEntry noise = bellLine(BellEvent::System, kMonday, "", "");
        noise.at = localTimeAt(localInstant(kMonday, 7, 0, 0));
        noise.detail = std::string(200, 'x');
        std::string block;
        for (int i = 0; i < 4096; ++i)
            block += logLine(noise);
        std::filesystem::create_directories(files.folder());
        std::ofstream out(files.fileOf({2026, 1, 5}), std::ios::binary);
        out << logHeaderLine();
        while (out.tellp() < (70 << 20))
            out << block;
    }
    files.append(bellLine(BellEvent::Rang, kMonday, "08:00:00", "a.mp3"));
    EXPECT_EQ(
        readTodaySoFar(files, clock).rung,
        (std::vector<RungBell>{{localMinuteNumber(localTimeAt(localInstant(kMonday, 8, 0, 0))), "a.mp3"}}));
    EXPECT_EQ(readTodaySoFar(files, clock).firstUnwatchedMinute,
              localMinuteNumber(localTimeAt(localInstant(kMonday, 8, 1, 0))));
}

} // namespace
