#pragma once

// Where each rule of a timetable rings and how loud: the outputs (sound server sinks) it rings
// on and the gain it adds, in dB, to the loudness every bell is brought to. The timetable file
// keeps its exact format; this lives beside it in "<timetable file>.声音" (GBK, CRLF), one rule per
// line: its record text without the line end, a TAB, the output names joined by '|', a TAB and
// the gain, so it follows its rule through a modify and goes with it.

#include "core/playrule.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// What the file name adds to its timetable's (UTF-8).
inline constexpr const char* kRuleSoundSuffix = ".声音";
// The most a rule may raise or lower its bell.
inline constexpr double kLargestRuleGainDb = 20.0;

std::filesystem::path ruleSoundPath(std::string_view timetablePath);

// Each rule's sound by its record text ("*{…}"); empty when there is no file. Lines that do not
// read are left out.
std::map<std::string, RuleSound> readRuleSounds(std::string_view timetablePath);
// Writes them (none left: the file goes); false when it could not be written.
[[nodiscard]] bool writeRuleSounds(std::string_view timetablePath,
                                   const std::map<std::string, RuleSound>& sounds);

// Sets each rule's sound from the file's.
void applyRuleSounds(std::vector<PlayRule>& rules, const std::map<std::string, RuleSound>& sounds);

// The rule whose record was `replacedRecord` (empty: a new rule) now has record `record` and
// `sound`; false when the file could not be written.
[[nodiscard]] bool updateRuleSound(std::string_view timetablePath, const std::string& replacedRecord,
                                   const std::string& record, const RuleSound& sound);
// The last copy of a rule went: its sound goes with it.
[[nodiscard]] bool forgetRuleSound(std::string_view timetablePath, const std::string& record);

// "a|b" and back: names hold neither '|' nor a TAB nor a line end.
std::string joinOutputs(const std::vector<std::string>& outputs);
std::vector<std::string> splitOutputs(std::string_view joined);
// An output name a sound server could have, and a gain within the limits.
bool isOutputName(std::string_view name);
bool isRuleGain(double gainDb);

} // namespace ringvale
