#include "editing/rulerecord.h"

#include "core/gbktext.h"

#include <vector>

namespace ringvale {

std::string ruleRecord(const RuleFields& fields) {
    std::string record = "*{" + fields.musicPath + ";" + fields.countText + ";";
    for (const bool day : fields.days)
        record += day ? "1;" : "0;";
    for (const std::string& time : fields.times)
        record += time + ";";
    return record + "}\r\n";
}

std::vector<std::string> recordPieces(std::string_view text) {
    return textSplit(text, "*");
}

std::optional<std::string> spliceRecord(std::string_view text, std::size_t index, std::string_view record) {
    const std::vector<std::string> pieces = recordPieces(text);
    if (index < 1 || index >= pieces.size())
        return std::nullopt;
    std::string out = pieces[0];
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        if (i == index)
            out += record;
        else
            out += "*" + pieces[i];
    }
    return out + "\r\n";
}

RuleFields fieldsOf(const PlayRule& rule) {
    RuleFields fields;
    fields.musicPath = rule.musicPath;
    fields.countText = std::to_string(rule.playCount);
    for (std::size_t d = 0; d < kDayCount; ++d)
        fields.days[d] = rule.days[d] == 1;
    fields.times = rule.times;
    fields.rainGated = rule.rainGated;
    fields.sound = rule.sound;
    return fields;
}

} // namespace ringvale
