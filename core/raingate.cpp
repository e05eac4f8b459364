#include "core/raingate.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/timetable.h"

namespace ringvale {

std::filesystem::path rainGatePath(std::string_view timetablePath) {
    static const std::string kSuffix = gbkFromUtf8(kRainGateSuffix);
    return toFileName(std::string(timetablePath) + kSuffix);
}

std::set<std::string> readRainGates(std::string_view timetablePath) {
    std::set<std::string> records;
    const std::string text = readWholeFile(rainGatePath(timetablePath)).bytes;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            records.insert(std::move(line));
        start = end + 1;
    }
    return records;
}

bool writeRainGates(std::string_view timetablePath, const std::set<std::string>& records) {
    const std::filesystem::path path = rainGatePath(timetablePath);
    if (records.empty()) {
        std::error_code error;
        std::filesystem::remove(path, error);
        return !error;
    }
    std::string text;
    for (const std::string& record : records)
        text += record + "\r\n";
    return writeFileAtomic(path, text);
}

std::string rainGateKey(std::string_view recordText) {
    const ParsedTimetable parsed = parseTimetable(recordText);
    return parsed.shownElements.empty() ? std::string()
                                        : rebuiltRecord(parsed.rules[parsed.shownElements.front()]);
}

void markRainGated(std::vector<PlayRule>& rules, const std::set<std::string>& records) {
    for (PlayRule& rule : rules)
        rule.rainGated = !records.empty() && records.count(rebuiltRecord(rule)) > 0;
}

} // namespace ringvale
