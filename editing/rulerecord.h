#pragma once

// Building and placing timetable records.

#include "core/playrule.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// The rule editor's fields as they stand (GBK).
struct RuleFields {
    std::string musicPath;
    std::string countText = "1";
    std::array<bool, kDayCount> days = {false, true, true, true, true, true, false};
    std::array<std::string, kSlotCount> times;
    bool rainGated = false; // 此条开启天气: kept beside the timetable, not in the record
    RuleSound sound;        // its outputs and gain: kept beside the timetable too

    bool operator==(const RuleFields&) const = default;
};

// "*{" + path + ";" + count + ";" + the seven day flags + the 21 slots, each ";"-ended, + "}" CR LF.
// Nothing is checked or escaped: the fields go in exactly as they stand.
std::string ruleRecord(const RuleFields& fields);

// Replaces record `index` (the index-th piece after the text before the first "*") by `record`
// and appends one CR LF at the end. Nothing when the text has no such record.
std::optional<std::string> spliceRecord(std::string_view text, std::size_t index, std::string_view record);

// The pieces of a timetable text split at "*", as the loader sees them.
std::vector<std::string> recordPieces(std::string_view text);

// The fields of element `row` of the rule list, for modifying it.
RuleFields fieldsOf(const PlayRule& rule);

} // namespace ringvale
