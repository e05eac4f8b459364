#include "core/codepage.h"
#include "core/filestore.h"
#include "editing/rulerecord.h"
#include "editing/timetablecsv.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

std::string record(const std::string& path, const std::string& count, std::array<bool, 7> days,
                   std::vector<std::string> times) {
    RuleFields fields;
    fields.musicPath = gbkFromUtf8(path);
    fields.countText = count;
    fields.days = days;
    for (std::size_t i = 0; i < times.size(); ++i)
        fields.times[i] = times[i];
    return ruleRecord(fields);
}

const std::string kHeader =
    "音乐,播放次数,日,一,二,三,四,五,六,时间1,时间2,时间3,时间4,时间5,时间6,时间7,时间8,"
    "时间9,时间10,时间11,时间12,时间13,时间14,时间15,时间16,时间17,时间18,时间19,"
    "时间20,时间21\r\n";

TEST(TimetableCsv, ExportThenImportGivesTheSameFile) {
    TempDir home;
    const std::string text =
        record("/srv/铃声/上课, \"新\".mp3", "1", {false, true, true, true, true, true, false},
               {"08:00:00", "08:45:00", "09:00:00"}) +
        record("/srv/铃声/放学.wav", "3", {true, false, false, false, false, false, true},
               {"17:30:00", "", "", "", "", "", "", "", "", "",        "",
                "",         "", "", "", "", "", "", "", "", "23:59:59"});
    const std::string source = fromFileName(home.path() / "a.INI");
    const std::string target = fromFileName(home.path() / "b.INI");
    ASSERT_TRUE(writeFileAtomic(home.path() / "a.INI", text));
    const std::string csv = (home.path() / "a.csv").string();
    ASSERT_EQ(exportTimetableCsv(source, csv), "");
    const std::string bytes = readWholeFile(csv).bytes;
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF" + kHeader)) << bytes;
    EXPECT_NE(bytes.find("\"/srv/铃声/上课, \"\"新\"\".mp3\",1,0,1,1,1,1,1,0,08:00:00,08:45:00,09:00:00,"),
              std::string::npos);
    int rules = 0;
    ASSERT_EQ(importTimetableCsv(target, csv, &rules), "");
    EXPECT_EQ(rules, 2);
    EXPECT_EQ(readWholeFile(home.path() / "b.INI").bytes, text);
}

TEST(TimetableCsv, SpreadsheetFilesImportAndBadRowsAreRefusedByNumber) {
    struct Case {
        const char* name;
        std::string csv;
        std::string records; // expected; empty: refused
        const char* error;   // a part of it
    };
    const std::string weekdays = record(
        "C:\\铃声\\a,b.mp3", "2", {false, true, true, true, true, true, false}, {"08:00:00", "12:05:00"});
    const Case cases[] = {
        {"as LibreOffice saves it",
         "\xEF\xBB\xBF" + kHeader + "\"C:\\铃声\\a,b.mp3\",2,0,1,1,1,1,1,0,8:00,12:05:00\r\n", weekdays, ""},
        {"as Excel saves it on a Chinese system (GBK, LF, blank rows)",
         gbkFromUtf8(kHeader.substr(0, kHeader.size() - 2) +
                     "\n\n\"C:\\铃声\\a,b.mp3\",2,,1,1,1,1,1,,08:00:00,12.05\n,,,\n"),
         weekdays, ""},
        {"a quote inside a quoted field", kHeader + "\"say \"\"hi\"\".wav\",1,1,1,1,1,1,1,1,07:00\r\n",
         record("say \"hi\".wav", "1", {true, true, true, true, true, true, true}, {"07:00:00"}), ""},
        {"no music", kHeader + "x.wav,1,0,1,1,1,1,1,0,08:00\r\n,1,0,1,1,1,1,1,0,08:00\r\n", "",
         "row 3: no music file"},
        {"a count of 0", kHeader + "x.wav,0,0,1,1,1,1,1,0,08:00\r\n", "", "row 2: the play count"},
        {"a day that is no flag", kHeader + "x.wav,1,0,yes,1,1,1,1,0,08:00\r\n", "", "row 2: the day 一"},
        {"a time that is none", kHeader + "x.wav,1,0,1,1,1,1,1,0,08:00,lunch\r\n", "", "row 2: 时间2"},
        {"no first time", kHeader + "x.wav,1,0,1,1,1,1,1,0,,09:00\r\n", "", "row 2: no time in 时间1"},
        {"a record mark in the name", kHeader + "x*y.wav,1,0,1,1,1,1,1,0,08:00\r\n", "", "row 2: the music"},
        {"another header", "file,count\r\nx.wav,1\r\n", "", "row 1: the header"},
        {"an unclosed quote", kHeader + "\"x.wav,1,0,1,1,1,1,1,0,08:00\r\n", "", "row 2: a quoted field"},
    };
    for (const Case& c : cases) {
        const TimetableFromCsv taken = timetableFromCsv(c.csv);
        EXPECT_EQ(taken.records, c.records) << c.name;
        EXPECT_NE(taken.error.find(c.error), std::string::npos) << c.name << ": " << taken.error;
        EXPECT_EQ(taken.error.empty(), !c.records.empty()) << c.name;
    }
    // A refused file writes nothing.
    TempDir home;
    ASSERT_TRUE(writeFileAtomic(home.path() / "t.INI", weekdays));
    ASSERT_TRUE(writeFileAtomic(home.path() / "bad.csv", cases[3].csv));
    EXPECT_NE(importTimetableCsv(fromFileName(home.path() / "t.INI"), (home.path() / "bad.csv").string()),
              "");
    EXPECT_EQ(readWholeFile(home.path() / "t.INI").bytes, weekdays);
}

} // namespace
