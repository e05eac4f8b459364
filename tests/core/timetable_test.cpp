#include "core/codepage.h"
#include "core/timetable.h"
#include "records.h"

#include <gtest/gtest.h>

using namespace ringvale;
using ringvale::testing::record;

TEST(TimetableNames, SeventeenItemsInOrder) {
    EXPECT_EQ(timetableName(0), gbkFromUtf8("春季作息表"));
    EXPECT_EQ(timetableName(3), gbkFromUtf8("冬季作息表"));
    EXPECT_EQ(timetableName(4), gbkFromUtf8("第5套作息表"));
    EXPECT_EQ(timetableName(9), gbkFromUtf8("第10套作息表"));
    EXPECT_EQ(timetableName(16), gbkFromUtf8("第17套作息表"));
    EXPECT_EQ(timetableName(17), "");
    EXPECT_EQ(timetableName(-1), "");
    EXPECT_EQ(timetablePath("/srv", 9), gbkFromUtf8("/srv/第10套作息表.INI"));
}

TEST(TimetableGrid, HeadersAndWidths) {
    const auto& h = gridHeaderTexts();
    EXPECT_EQ(h[0], gbkFromUtf8("序号"));
    EXPECT_EQ(h[1], gbkFromUtf8("音乐"));
    EXPECT_EQ(h[2], gbkFromUtf8("播放次数"));
    EXPECT_EQ(h[3], gbkFromUtf8("日"));
    EXPECT_EQ(h[9], gbkFromUtf8("六"));
    EXPECT_EQ(h[10], gbkFromUtf8("时间1"));
    EXPECT_EQ(h[30], gbkFromUtf8("时间21"));
    const auto& w = gridColumnWidths();
    EXPECT_EQ(w[0], 40);
    EXPECT_EQ(w[1], 300);
    EXPECT_EQ(w[2], 80);
    EXPECT_EQ(w[5], 20);
    EXPECT_EQ(w[30], 80);
}

TEST(TimetableParse, RecordFieldsLandInTheRule) {
    std::vector<std::string> times(21);
    times[0] = "08:00:00";
    times[1] = "09:00:00";
    times[20] = "17:45:00";
    const auto parsed = parseTimetable(record("D:\\bell.mp3", "2", "0111110", times));
    ASSERT_EQ(parsed.rules.size(), 2u);
    EXPECT_EQ(parsed.rules[0], PlayRule{});
    const PlayRule& r = parsed.rules[1];
    EXPECT_EQ(r.musicPath, "D:\\bell.mp3");
    EXPECT_EQ(r.playCount, 2);
    EXPECT_EQ(r.days, (std::array<std::int32_t, 7>{0, 1, 1, 1, 1, 1, 0}));
    EXPECT_EQ(r.times[0], "08:00:00");
    EXPECT_EQ(r.times[1], "09:00:00");
    EXPECT_EQ(r.times[2], "");
    EXPECT_EQ(r.times[20], "17:45:00");
    EXPECT_EQ(r.fired, 0);
    EXPECT_EQ(parsed.shownElements, std::vector<std::size_t>{1});
}

struct OddRecordCase {
    const char* name;
    std::string text;
    std::string path;
    std::int32_t count;
    std::array<std::int32_t, 7> days;
    std::string slot1;
};

class OddRecordTest : public ::testing::TestWithParam<OddRecordCase> {};

TEST_P(OddRecordTest, IsReadByTheFileRules) {
    const auto& c = GetParam();
    const auto parsed = parseTimetable(c.text);
    ASSERT_EQ(parsed.rules.size(), 2u);
    ASSERT_EQ(parsed.shownElements.size(), 1u) << c.name;
    const PlayRule& r = parsed.rules[1];
    EXPECT_EQ(r.musicPath, c.path) << c.name;
    EXPECT_EQ(r.playCount, c.count) << c.name;
    EXPECT_EQ(r.days, c.days) << c.name;
    EXPECT_EQ(r.times[0], c.slot1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Files, OddRecordTest,
                         ::testing::Values(OddRecordCase{"plain",
                                                         record("a.mp3", "1", "0100000", {"08:00:00"}),
                                                         "a.mp3",
                                                         1,
                                                         {0, 1, 0, 0, 0, 0, 0},
                                                         "08:00:00"},
                                           // ";" in the path shifts every later field by one.
                                           OddRecordCase{"semicolon in path",
                                                         record("a;b.mp3", "1", "0100000", {"08:00:00"}),
                                                         "a",
                                                         0,
                                                         {1, 0, 1, 0, 0, 0, 0},
                                                         ""},
                                           // "}" in the path cuts it short by the length after the "}".
                                           OddRecordCase{"brace in path",
                                                         record("ab}cd.mp3", "1", "0100000", {"08:00:00"}),
                                                         "ab}cd.",
                                                         1,
                                                         {0, 1, 0, 0, 0, 0, 0},
                                                         "08:00:00"},
                                           OddRecordCase{"day 01 and blank 1",
                                                         "*{a.mp3;1;0;01; 1;0;0;0;0;" + std::string(21, ';') +
                                                             "}\r\n",
                                                         "a.mp3",
                                                         1,
                                                         {0, 0, 0, 0, 0, 0, 0},
                                                         ""},
                                           OddRecordCase{"7-byte time",
                                                         record("a.mp3", "1", "0100000", {"8:00:00"}),
                                                         "a.mp3",
                                                         1,
                                                         {0, 1, 0, 0, 0, 0, 0},
                                                         ""},
                                           OddRecordCase{"letters as count",
                                                         record("a.mp3", "abc", "0100000", {"08:00:00"}),
                                                         "a.mp3",
                                                         0,
                                                         {0, 1, 0, 0, 0, 0, 0},
                                                         "08:00:00"},
                                           OddRecordCase{"count with sign and blanks",
                                                         record("a.mp3", " -2x", "1111111", {}),
                                                         "a.mp3",
                                                         -2,
                                                         {1, 1, 1, 1, 1, 1, 1},
                                                         ""}));

TEST(TimetableParse, PiecesAndElements) {
    EXPECT_TRUE(parseTimetable("").rules.empty());
    // Only "*": one empty element, no row.
    const auto star = parseTimetable("*");
    EXPECT_EQ(star.rules.size(), 1u);
    EXPECT_TRUE(star.shownElements.empty());
    // Two records: three elements, rows for elements 1 and 2.
    const std::string two =
        record("a.mp3", "1", "0111110", {"08:00:00"}) + record("b.mp3", "2", "1000001", {});
    const auto parsed = parseTimetable(two);
    EXPECT_EQ(parsed.rules.size(), 3u);
    EXPECT_EQ(parsed.shownElements, (std::vector<std::size_t>{1, 2}));
    // An invalid piece in between takes an element but no row.
    const auto gap = parseTimetable(record("a.mp3", "1", "0111110", {}) + "*broken;1;2\r\n" +
                                    record("b.mp3", "1", "0", {}));
    EXPECT_EQ(gap.rules.size(), 4u);
    EXPECT_EQ(gap.shownElements, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(gap.rules[2], PlayRule{});
    // Empty lines left by deletions and extra CR LF at the end change nothing.
    const auto lines = parseTimetable("\r\n" + two + "\r\n\r\n");
    EXPECT_EQ(lines.rules.size(), 3u);
    EXPECT_EQ(lines.rules[2].musicPath, "b.mp3");
}

TEST(TimetableParse, ShortRecordFieldsCountAsEmptySlots) {
    // 22 fields: just a record, with no slot fields beyond the first.
    const auto parsed = parseTimetable("*{a.mp3;1;1;1;1;1;1;1;1;08:00:00;x;y;z;w;v;u;t;s;r;q;p;o");
    ASSERT_EQ(parsed.shownElements.size(), 1u);
    EXPECT_EQ(parsed.rules[1].times[0], "08:00:00");
    EXPECT_EQ(parsed.rules[1].times[13], "");
    // 21 fields: not a record.
    EXPECT_TRUE(
        parseTimetable("*{a.mp3;1;1;1;1;1;1;1;1;08:00:00;x;y;z;w;v;u;t;s;r;q;p").shownElements.empty());
}

TEST(TimetableGrid, RowCellsShowTheRule) {
    PlayRule rule;
    rule.musicPath = gbkFromUtf8("D:\\音乐\\上课.mp3");
    rule.playCount = 3;
    rule.days = {1, 0, 0, 0, 0, 0, 1};
    rule.times[0] = "07:55:00";
    rule.times[20] = "18:00:00";
    const GridRow row = gridRowFor(4, rule);
    EXPECT_EQ(row[0], "4");
    EXPECT_EQ(row[1], gbkFromUtf8("上课.mp3"));
    EXPECT_EQ(row[2], "3");
    EXPECT_EQ(row[3], gbkFromUtf8("√"));
    EXPECT_EQ(row[4], "");
    EXPECT_EQ(row[9], gbkFromUtf8("√"));
    EXPECT_EQ(row[10], "07:55:00");
    EXPECT_EQ(row[11], "");
    EXPECT_EQ(row[30], "18:00:00");
}
