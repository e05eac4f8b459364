#pragma once

// A timetable as a spreadsheet: CSV that Excel and LibreOffice open as it is (UTF-8 with a byte
// order mark, CRLF, fields quoted where they must be), one row per rule under the header
// 音乐,播放次数,日,一,二,三,四,五,六,时间1,…,时间21. Day cells are 1 or 0.

#include <string>
#include <string_view>

namespace ringvale {

// The CSV of the rules in a timetable text (GBK).
std::string timetableCsv(std::string_view timetableText);

struct TimetableFromCsv {
    std::string records; // GBK: one record per rule, as the rule editor writes it
    int rules = 0;
    std::string error;        // UTF-8, naming the row; empty when every row was taken
    std::string errorChinese; // the same as the window says it (UTF-8)
};

// The rules of a CSV as the rule editor would save them: music and the first time required,
// a count of 1 to 100, day cells 1, 0 or empty, times normalised as typed into the editor. The
// CSV may be UTF-8 (with or without a byte order mark) or GBK, with CRLF or LF, and quoted as
// spreadsheet programs quote. Any bad row refuses the whole CSV.
TimetableFromCsv timetableFromCsv(std::string_view csv);

// The timetable file `timetablePath` (GBK) written as CSV to `csvFile`; empty, or why not (UTF-8).
std::string exportTimetableCsv(std::string_view timetablePath, const std::string& csvFile);
// The CSV file's rules written as timetable `timetablePath` (GBK), replacing its rules (any text
// before the first rule stays); empty, or why nothing was written (UTF-8). `rules` gets the count.
std::string importTimetableCsv(std::string_view timetablePath, const std::string& csvFile,
                               int* rules = nullptr);
// The CSV file read and checked, nothing written (its error also when it cannot be read).
TimetableFromCsv readTimetableCsv(const std::string& csvFile);

} // namespace ringvale
