#include "core/rulesound.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/raingate.h"
#include "core/timetable.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace ringvale {

namespace {
constexpr char kField = '\t';
constexpr char kOutputSeparator = '|';

std::string gainText(double gainDb) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", gainDb);
    return text;
}
} // namespace

std::filesystem::path ruleSoundPath(std::string_view timetablePath) {
    static const std::string kSuffix = gbkFromUtf8(kRuleSoundSuffix);
    return toFileName(std::string(timetablePath) + kSuffix);
}

std::string joinOutputs(const std::vector<std::string>& outputs) {
    std::string joined;
    for (const std::string& output : outputs)
        joined += (joined.empty() ? "" : std::string(1, kOutputSeparator)) + output;
    return joined;
}

std::vector<std::string> splitOutputs(std::string_view joined) {
    std::vector<std::string> outputs;
    while (!joined.empty()) {
        const std::size_t end = joined.find(kOutputSeparator);
        const std::string_view name = joined.substr(0, end);
        if (!name.empty())
            outputs.emplace_back(name);
        if (end == std::string_view::npos)
            break;
        joined.remove_prefix(end + 1);
    }
    return outputs;
}

bool isOutputName(std::string_view name) {
    if (name.empty() || name.size() > 256)
        return false;
    for (const char c : name)
        if (c == kOutputSeparator || c == kField || c == '\r' || c == '\n' || c == '\0')
            return false;
    return true;
}

bool isRuleGain(double gainDb) {
    return std::isfinite(gainDb) && std::fabs(gainDb) <= kLargestRuleGainDb;
}

std::map<std::string, RuleSound> readRuleSounds(std::string_view timetablePath) {
    std::map<std::string, RuleSound> sounds;
    const std::string text = readWholeFile(ruleSoundPath(timetablePath)).bytes;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t first = line.find(kField);
        const std::size_t second = first == std::string_view::npos ? first : line.find(kField, first + 1);
        if (second == std::string_view::npos)
            continue;
        RuleSound sound;
        sound.outputs = splitOutputs(line.substr(first + 1, second - first - 1));
        const std::string_view gain = line.substr(second + 1);
        const auto read = std::from_chars(gain.data(), gain.data() + gain.size(), sound.gainDb);
        if (read.ec != std::errc() || !isRuleGain(sound.gainDb))
            sound.gainDb = 0;
        sounds[std::string(line.substr(0, first))] = std::move(sound);
    }
    return sounds;
}

bool writeRuleSounds(std::string_view timetablePath, const std::map<std::string, RuleSound>& sounds) {
    const std::filesystem::path path = ruleSoundPath(timetablePath);
    std::string text;
    for (const auto& [record, sound] : sounds)
        if (!sound.isDefault())
            text += record + kField + joinOutputs(sound.outputs) + kField + gainText(sound.gainDb) + "\r\n";
    if (text.empty()) {
        std::error_code error;
        std::filesystem::remove(path, error);
        return !error;
    }
    return writeFileAtomic(path, text);
}

void applyRuleSounds(std::vector<PlayRule>& rules, const std::map<std::string, RuleSound>& sounds) {
    for (PlayRule& rule : rules) {
        const auto found = sounds.empty() ? sounds.end() : sounds.find(rebuiltRecord(rule));
        rule.sound = found == sounds.end() ? RuleSound{} : found->second;
    }
}

bool updateRuleSound(std::string_view timetablePath, const std::string& replacedRecord,
                     const std::string& record, const RuleSound& sound) {
    std::map<std::string, RuleSound> sounds = readRuleSounds(timetablePath);
    const std::size_t before = sounds.size();
    bool changed = !replacedRecord.empty() && sounds.erase(rainGateKey(replacedRecord)) > 0;
    if (!sound.isDefault()) {
        RuleSound& kept = sounds[rainGateKey(record)];
        changed = changed || kept != sound || sounds.size() != before;
        kept = sound;
    }
    return !changed || writeRuleSounds(timetablePath, sounds);
}

bool forgetRuleSound(std::string_view timetablePath, const std::string& record) {
    std::map<std::string, RuleSound> sounds = readRuleSounds(timetablePath);
    return sounds.erase(rainGateKey(record)) == 0 || writeRuleSounds(timetablePath, sounds);
}

} // namespace ringvale
