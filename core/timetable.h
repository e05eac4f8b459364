#pragma once

// The seventeen timetables, their files and the record format of a timetable file.
//
// A file is a run of records "*{path;count;d0;…;d6;t1;…;t21;}" + CR LF in GBK, Sunday first.
// Split at "*", every piece becomes one list element (the text before the first record is
// element 0); a piece that splits into more than 21 fields at ";" is a record and gets a table row.

#include "core/playrule.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

inline constexpr int kTimetableCount = 17;
inline constexpr int kGridColumns = 31;

// The name of timetable index 0-16 in GBK ("春季作息表" … "第17套作息表"); empty outside that range.
std::string timetableName(int index);

// programDir + "/" + name + ".INI", all GBK.
std::string timetablePath(std::string_view programDirGbk, int index);

// The header texts of the rule table's 31 columns, and their widths in pixels.
const std::array<std::string, kGridColumns>& gridHeaderTexts();
const std::array<int, kGridColumns>& gridColumnWidths();

using GridRow = std::array<std::string, kGridColumns>;

struct ParsedTimetable {
    std::vector<PlayRule> rules;
    // For each table row after the header, in order, the index of the list element it shows.
    std::vector<std::size_t> shownElements;
};

// The record text of a loaded rule without its line end, as the delete command looks for it and
// as the rain-gated rules are known by.
std::string rebuiltRecord(const PlayRule& rule);

// Turns the whole text of a timetable file into the rule list and the rows it shows.
ParsedTimetable parseTimetable(std::string_view text);

// The cells of table row `row` showing `rule`.
GridRow gridRowFor(int row, const PlayRule& rule);

} // namespace ringvale
