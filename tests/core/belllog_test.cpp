#include "core/belldayfiles.h"
#include "core/bellrecorder.h"
#include "core/clocktick.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "fakes.h"
#include "records.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

constexpr int kMonday = 2;
const std::string kWeekdays = "0111110";

BellEntry entryAt(int day, BellEvent event, std::string detail) {
    BellEntry entry;
    entry.at = LocalTime{2, 8, 0, 5, 2026, 3, day, 7};
    entry.event = event;
    entry.detail = std::move(detail);
    return entry;
}

TEST(BellDayFiles, LinesRoundTripWithTabsLineEndsAndBackslashes) {
    TempDir dir;
    const BellDayFiles files(dir.path());
    BellEntry odd = entryAt(2, BellEvent::Failed, "cannot be decoded:\ttab\nline\\end");
    odd.due = "08:00:00";
    odd.timetable = "春季作息表";
    odd.row = 3;
    odd.file = "D:\\铃声\\上课.mp3";
    ASSERT_TRUE(files.append(odd));
    ASSERT_TRUE(files.append(entryAt(2, BellEvent::Rang, "onset 9 ms, device pulseaudio")));
    const std::string text = readWholeFile(files.folder() / "2026-03-02.tsv").bytes;
    EXPECT_TRUE(
        text.starts_with("at\tevent\tdue\ttimetable\trow\tfile\tdetail\n2026-03-02 08:00:05.007\tfailed\t"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    const auto read = files.readDay({2026, 3, 2});
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].detail, odd.detail);
    EXPECT_EQ(read[0].file, odd.file);
    EXPECT_EQ(read[0].row, 3);
    EXPECT_EQ(read[1].event, BellEvent::Rang);
    EXPECT_TRUE(logCsv(read).starts_with(
        "at,event,due,timetable,row,file,detail\r\n2026-03-02 08:00:05.007,failed,"
        "08:00:00,春季作息表,3,D:\\铃声\\上课.mp3,\"cannot be decoded:\ttab\nline\\end\"\r\n"));
}

TEST(BellDayFiles, KeepsFourHundredDaysAndIgnoresStrangers) {
    TempDir dir;
    const BellDayFiles files(dir.path());
    std::filesystem::create_directories(files.folder());
    for (const char* name :
         {"2025-01-28.tsv", "2025-01-29.tsv", "2026-03-04.tsv", "notes.txt", "2026-02-30.tsv"})
        std::ofstream(files.folder() / name) << "x";
    EXPECT_EQ(files.removeOld({2026, 3, 5}), 1); // 2025-01-28 is 401 days before, 01-29 400
    EXPECT_EQ(files.days(), (std::vector<LogDay>{{2025, 1, 29}, {2026, 3, 4}}));
    EXPECT_TRUE(std::filesystem::exists(files.folder() / "notes.txt"));
}

TEST(BellRecorder, TurnsReportsIntoRangAndFailedOnce) {
    TempDir dir;
    const BellDayFiles files(dir.path());
    FakeClock clock;
    std::vector<BellEntry> journal, watched;
    BellRecorder recorder(files, clock, [&](const BellEntry& e) { journal.push_back(e); });
    recorder.setWatcher([&](const BellEntry& e) { watched.push_back(e); });
    const WallTime due = localInstant(kMonday, 8, 0, 0);
    BellEntry bell;
    bell.event = BellEvent::Rang;
    recorder.expectOutcome(1, bell, due);
    recorder.expectOutcome(2, bell, due);
    BellEntry played;
    played.event = BellEvent::Played;
    recorder.expectOutcome(3, played, std::nullopt);
    recorder.onPlaybackReport(
        {1, PlaybackReport::Kind::Sounding, due + std::chrono::milliseconds(12), "pulseaudio"});
    recorder.onPlaybackReport({1, PlaybackReport::Kind::Failed, due, "late twin"}); // already settled
    recorder.onPlaybackReport({2, PlaybackReport::Kind::Failed, due, "not found"});
    recorder.onPlaybackReport(
        {3, PlaybackReport::Kind::Sounding, due, "pulseaudio"}); // its played entry says all
    recorder.onPlaybackReport({9, PlaybackReport::Kind::Failed, due, "never asked"});
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].detail, "onset 12 ms, device pulseaudio");
    EXPECT_EQ(journal[1].event, BellEvent::Failed);
    EXPECT_EQ(journal[1].detail, "not found");
    EXPECT_EQ(watched.size(), 2u);
    EXPECT_EQ(files.readDay(logDayOf(localTimeAt(due))).size(), 2u);
}

class TickLogTest : public ::testing::Test, protected FakeSchedule {
protected:
    void SetUp() override {
        state.timetablePath = gbkFromUtf8("/srv/春季作息表.INI");
        state.rules = {PlayRule{}, playRule("a.mp3", 1, kWeekdays, {"08:00:00"}),
                       playRule("b.mp3", 1, kWeekdays, {"08:02:30", "09:00:00"})};
        state.running = true;
    }
    void tickAt(int hour, int minute, int second) {
        clock.set(kMonday, hour, minute, second);
        ticker.onClockTick();
    }
    std::vector<std::string> logged() const {
        std::vector<std::string> out;
        for (const BellEntry& e : log.entries)
            out.push_back(std::string(bellEventName(e.event)) + " " + e.due + " " + std::to_string(e.row) +
                          " " + e.file + " " + e.timetable);
        return out;
    }
    FakeClock clock;
    FakeTickView view;
    FakePower power;
    ClockTick ticker{context, view, clock, power};
};

TEST_F(TickLogTest, AFiredBellAwaitsItsOutcomeFromTheStartOfItsMinute) {
    tickAt(8, 0, 1);
    ASSERT_EQ(log.expected.size(), 1u);
    EXPECT_EQ(log.expected[0].id, 1u);
    EXPECT_EQ(log.expected[0].due, localInstant(kMonday, 8, 0, 0));
    EXPECT_EQ(log.expected[0].entry.due, "08:00:00");
    EXPECT_EQ(log.expected[0].entry.row, 1);
    EXPECT_EQ(log.expected[0].entry.timetable, "春季作息表");
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(TickLogTest, StoppedMinutesAreSkippedAndMinutesWithoutATickMissed) {
    state.running = false;
    tickAt(7, 59, 59);
    tickAt(8, 0, 0); // stopped through 08:00
    tickAt(8, 0, 59);
    state.running = true;
    tickAt(8, 1, 0); // running again: 08:00's bell was skipped
    tickAt(9, 0, 0); // no tick from 08:01:01 to 08:59:59: 08:02's bell was missed; 09:00 rings
    EXPECT_EQ(logged(), (std::vector<std::string>{"skipped 08:00:00 1 a.mp3 春季作息表",
                                                  "missed 08:02:30 2 b.mp3 春季作息表"}));
    EXPECT_EQ(playback.plays.size(), 1u);
    tickAt(8, 30, 0); // the clock set back: nothing more is said
    tickAt(9, 0, 1);
    EXPECT_EQ(log.entries.size(), 2u);
}

TEST_F(TickLogTest, ABellThatRangIsNeverAlsoMissed) {
    tickAt(8, 0, 0);
    tickAt(8, 5, 0); // a gap after the bell rang in its minute
    tickAt(8, 3, 0); // set back into the gap, and forward again
    tickAt(8, 6, 0);
    EXPECT_EQ(logged(), std::vector<std::string>{"missed 08:02:30 2 b.mp3 春季作息表"});
}

} // namespace
