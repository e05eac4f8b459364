#include "core/codepage.h"
#include "core/timetable.h"
#include "editing/rulerecord.h"

#include <gtest/gtest.h>

using namespace ringvale;

TEST(RuleRecord, OnlyTheFirstTimeGivesTwentyOneSemicolonsAfterIt) {
    RuleFields fields;
    fields.musicPath = "D:\\bell.mp3";
    fields.times[0] = "08:00:00";
    EXPECT_EQ(ruleRecord(fields),
              "*{D:\\bell.mp3;1;0;1;1;1;1;1;0;08:00:00;" + std::string(20, ';') + "}\r\n");
}

TEST(RuleRecord, FieldsGoInUncheckedAndRoundTripThroughTheLoader) {
    RuleFields fields;
    fields.musicPath = gbkFromUtf8("/音乐/上课铃声.mp3");
    fields.countText = "3";
    fields.days = {true, false, false, false, false, false, true};
    fields.times[0] = "07:00:00";
    fields.times[20] = "21:00:00";
    const auto parsed = parseTimetable(ruleRecord(fields));
    ASSERT_EQ(parsed.rules.size(), 2u);
    EXPECT_EQ(fieldsOf(parsed.rules[1]), fields);
    // The rebuilt text is the record without its line end, as the delete command searches it.
    EXPECT_EQ(rebuiltRecord(parsed.rules[1]) + "\r\n", ruleRecord(fields));

    RuleFields odd;
    odd.countText = "01";
    odd.times[0] = "x";
    EXPECT_EQ(ruleRecord(odd).substr(0, 8), "*{;01;0;");
}

TEST(RuleRecord, SpliceReplacesOneRecordAndAddsALineEnd) {
    const std::string a = "*{a;1;0;0;0;0;0;0;0;" + std::string(21, ';') + "}\r\n";
    const std::string b = "*{b;1;0;0;0;0;0;0;0;" + std::string(21, ';') + "}\r\n";
    const std::string c = "*{c;1;0;0;0;0;0;0;0;" + std::string(21, ';') + "}\r\n";
    const std::string x = "*{x;1;0;0;0;0;0;0;0;" + std::string(21, ';') + "}\r\n";
    EXPECT_EQ(spliceRecord(a + b + c, 2, x), a + x + c + "\r\n");
    EXPECT_EQ(spliceRecord(*spliceRecord(a + b + c, 2, x), 2, x), a + x + c + "\r\n\r\n");
    // The text before the first record is kept, an empty line left by a deletion included.
    EXPECT_EQ(spliceRecord("\r\n" + b + c, 1, x), "\r\n" + x + c + "\r\n");
    EXPECT_EQ(spliceRecord(a, 2, x), std::nullopt);
    EXPECT_EQ(spliceRecord(a, 0, x), std::nullopt);
}
