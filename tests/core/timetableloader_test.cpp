#include "core/codepage.h"
#include "core/filestore.h"
#include "core/timetableloader.h"
#include "fakes.h"
#include "records.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class LoaderTest : public ::testing::Test, protected FakeSchedule {
protected:
    void SetUp() override { state.timetablePath = fromFileName(dir.path() / "春季作息表.INI"); }

    void writeTimetable(const std::string& bytes) {
        ASSERT_TRUE(writeFileAtomic(toFileName(state.timetablePath), bytes));
    }
    void load() { loadTimetable(context); }

    TempDir dir;
};

const std::string kRunning = gbkFromUtf8("系统正在运行中");
const std::string kStopped = gbkFromUtf8("系统已停止运行");

TEST_F(LoaderTest, TwoRecordsGiveThreeElementsAndFourRows) {
    writeTimetable(record("D:\\bell.mp3", "1", "0111110", {"08:00:00", "09:00:00"}) +
                   record(gbkFromUtf8("D:\\音乐\\做操.mp3"), "2", "0111110", {"10:00:00"}));
    state.nextRuleValid = true;
    load();
    EXPECT_EQ(playback.stops, 0); // what plays plays on
    EXPECT_EQ(state.rules.size(), 3u);
    EXPECT_EQ(table.rowCount(), 4);
    EXPECT_EQ(table.rows[0][0], "1");
    EXPECT_EQ(table.rows[0][1], "bell.mp3");
    EXPECT_EQ(table.rows[1][0], "2");
    EXPECT_EQ(table.rows[1][1], gbkFromUtf8("做操.mp3"));
    EXPECT_EQ(table.rows[1][2], "2");
    EXPECT_TRUE(state.running);
    EXPECT_TRUE(status.runningShown);
    EXPECT_EQ(status.status, kRunning);
    EXPECT_EQ(status.nextRule, "");
    EXPECT_FALSE(state.nextRuleValid);
}

TEST_F(LoaderTest, OnlyAStarRunsWithAnEmptyTable) {
    writeTimetable("*");
    load();
    EXPECT_EQ(state.rules.size(), 1u);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(state.running);
    EXPECT_EQ(status.status, kRunning);
}

TEST_F(LoaderTest, EmptyFileStops) {
    state.running = true;
    status.runningShown = true;
    writeTimetable("");
    load();
    EXPECT_TRUE(state.rules.empty());
    EXPECT_FALSE(state.running);
    EXPECT_FALSE(status.runningShown);
    EXPECT_EQ(status.status, kStopped);
}

TEST_F(LoaderTest, MissingFileKeepsTheRunningStateAndLabels) {
    writeTimetable(record("a.mp3", "1", "1111111", {"08:00:00"}));
    load();
    ASSERT_TRUE(state.running);
    status.nextRule = "next";
    state.timetablePath = fromFileName(dir.path() / "第5套作息表.INI");
    load();
    EXPECT_TRUE(state.rules.empty());
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(state.running);
    EXPECT_TRUE(status.runningShown);
    EXPECT_EQ(status.status, kRunning);
    EXPECT_EQ(status.nextRule, "next");
    EXPECT_EQ(playback.stops, 0);
    EXPECT_FALSE(state.timetableUnreadable);
}

TEST_F(LoaderTest, UnreadableFileShowsAnEmptyStoppedTableAndIsRemembered) {
    writeTimetable(record("a.mp3", "1", "1111111", {"08:00:00"}));
    load();
    ASSERT_TRUE(state.running);
    // A directory in place of the file: it exists, but cannot be read.
    std::filesystem::remove(toFileName(state.timetablePath));
    std::filesystem::create_directory(toFileName(state.timetablePath));
    load();
    EXPECT_TRUE(state.timetableUnreadable);
    EXPECT_TRUE(state.rules.empty());
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_FALSE(state.running);
    EXPECT_EQ(status.status, kStopped);
    // Readable again: the mark goes.
    std::filesystem::remove(toFileName(state.timetablePath));
    writeTimetable("*");
    load();
    EXPECT_FALSE(state.timetableUnreadable);
}

TEST_F(LoaderTest, InvalidPieceShiftsRowsAgainstElements) {
    writeTimetable(record("a.mp3", "1", "1111111", {}) + "*junk\r\n" + record("b.mp3", "1", "1111111", {}));
    load();
    ASSERT_EQ(state.rules.size(), 4u);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[1][0], "2");
    EXPECT_EQ(table.rows[1][1], "b.mp3");
    EXPECT_EQ(state.rules[3].musicPath, "b.mp3");
}

TEST_F(LoaderTest, FiredFlagsStartClearAfterEveryLoad) {
    writeTimetable(record("a.mp3", "1", "1111111", {"08:00:00"}));
    load();
    state.rules[1].fired = 1;
    state.lastFiredMinute = 7;
    load();
    EXPECT_EQ(state.rules[1].fired, 0);
    EXPECT_EQ(state.lastFiredMinute, 7);
}

TEST_F(LoaderTest, ThousandRecordsLoadInOrder) {
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += record("D:\\bells\\b" + std::to_string(i) + ".mp3", "1", "0111110",
                       std::vector<std::string>(21, "08:00:00"));
    writeTimetable(text);
    load();
    EXPECT_EQ(state.rules.size(), 1001u);
    EXPECT_EQ(table.rowCount(), 1002);
    EXPECT_EQ(table.rows[999][0], "1000");
    EXPECT_EQ(table.rows[999][1], "b999.mp3");
    EXPECT_EQ(table.rows[999][30], "08:00:00");
}

TEST_F(LoaderTest, TimetableInAFolderWithAChineseName) {
    const auto folder = dir.path() / "铃声 作息";
    std::filesystem::create_directories(folder);
    state.timetablePath = fromFileName(folder / "冬季作息表.INI");
    writeTimetable(record("x.mp3", "1", "1111111", {}));
    load();
    EXPECT_EQ(state.rules.size(), 2u);
}

} // namespace
