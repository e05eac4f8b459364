#pragma once

// Which rules of a timetable ring only on a dry day. The timetable file keeps its exact format;
// the flags live beside it in "<timetable file>.雨天" (GBK, CRLF), one rule per line as its record
// text without the line end, so a flag follows its rule through a modify and goes with it.

#include "core/playrule.h"

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// What the flags' file name adds to its timetable's (UTF-8).
inline constexpr const char* kRainGateSuffix = ".雨天";

std::filesystem::path rainGatePath(std::string_view timetablePath);

// The record texts of the gated rules (empty when there is no file).
std::set<std::string> readRainGates(std::string_view timetablePath);
// Writes the set (an empty set removes the file); false when it could not be written.
[[nodiscard]] bool writeRainGates(std::string_view timetablePath, const std::set<std::string>& records);

// How the set knows the rule of a record text ("*{…}", with or without its line end); empty when
// the text holds no record.
std::string rainGateKey(std::string_view recordText);

// Sets each rule's rainGated from the set.
void markRainGated(std::vector<PlayRule>& rules, const std::set<std::string>& records);

} // namespace ringvale
