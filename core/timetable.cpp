#include "core/timetable.h"

#include "core/codepage.h"
#include "core/gbktext.h"

namespace ringvale {

std::string rebuiltRecord(const PlayRule& rule) {
    std::string record = "*{" + rule.musicPath + ";" + std::to_string(rule.playCount);
    for (const std::int32_t day : rule.days)
        record += day == 1 ? ";1" : ";0";
    for (const std::string& time : rule.times)
        record += ";" + time;
    return record + ";}";
}

std::string timetableName(int index) {
    static const std::array<std::string, 4> kSeasons = {gbkFromUtf8("春季作息表"), gbkFromUtf8("夏季作息表"),
                                                        gbkFromUtf8("秋季作息表"), gbkFromUtf8("冬季作息表")};
    static const std::string kNumberedPrefix = gbkFromUtf8("第");
    static const std::string kNumberedSuffix = gbkFromUtf8("套作息表");
    if (index < 0 || index >= kTimetableCount)
        return {};
    if (index < 4)
        return kSeasons[static_cast<std::size_t>(index)];
    return kNumberedPrefix + std::to_string(index + 1) + kNumberedSuffix;
}

std::string timetablePath(std::string_view programDirGbk, int index) {
    return std::string(programDirGbk) + "/" + timetableName(index) + ".INI";
}

const std::array<std::string, kGridColumns>& gridHeaderTexts() {
    static const std::array<std::string, kGridColumns> kHeaders = [] {
        std::array<std::string, kGridColumns> h;
        h[0] = gbkFromUtf8("序号");
        h[1] = gbkFromUtf8("音乐");
        h[2] = gbkFromUtf8("播放次数");
        const char* days[] = {"日", "一", "二", "三", "四", "五", "六"};
        for (int k = 0; k < kDayCount; ++k)
            h[static_cast<std::size_t>(3 + k)] = gbkFromUtf8(days[k]);
        for (int k = 0; k < kSlotCount; ++k)
            h[static_cast<std::size_t>(10 + k)] = gbkFromUtf8("时间") + std::to_string(k + 1);
        return h;
    }();
    return kHeaders;
}

const std::array<int, kGridColumns>& gridColumnWidths() {
    static const std::array<int, kGridColumns> kWidths = [] {
        std::array<int, kGridColumns> w{};
        w[0] = 40;
        w[1] = 300;
        w[2] = 80;
        for (int k = 3; k <= 9; ++k)
            w[static_cast<std::size_t>(k)] = 20;
        for (int k = 10; k < kGridColumns; ++k)
            w[static_cast<std::size_t>(k)] = 80;
        return w;
    }();
    return kWidths;
}

namespace {

// Fills `rule` from the fields of one record; the fields are those of a piece split at ";".
void fillRule(PlayRule& rule, const std::vector<std::string>& fields) {
    const std::string& head = fields[0];
    // The path is the text after the first "{"; a "}" inside it cuts it short by the same rule
    // the file has always been read with.
    rule.musicPath =
        textMiddle(head, textFind(head, "{") + 1, static_cast<int>(head.size()) - textFind(head, "}"));
    rule.playCount = textToInt(fields[1]);
    for (std::size_t k = 0; k < kDayCount; ++k)
        rule.days[k] = fields[2 + k] == "1" ? 1 : 0;
    for (std::size_t k = 0; k < kSlotCount; ++k) {
        const std::size_t field = 9 + k;
        if (field < fields.size() && fields[field].size() == 8)
            rule.times[k] = fields[field];
    }
}

} // namespace

ParsedTimetable parseTimetable(std::string_view text) {
    ParsedTimetable parsed;
    const std::vector<std::string> pieces = textSplit(text, "*");
    parsed.rules.resize(pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::vector<std::string> fields = textSplit(pieces[i], ";");
        if (fields.size() <= 21)
            continue;
        fillRule(parsed.rules[i], fields);
        parsed.shownElements.push_back(i);
    }
    return parsed;
}

GridRow gridRowFor(int row, const PlayRule& rule) {
    static const std::string kTick = gbkFromUtf8("√");
    GridRow cells;
    cells[0] = std::to_string(row);
    cells[1] = displayName(rule.musicPath);
    cells[2] = std::to_string(rule.playCount);
    for (std::size_t k = 0; k < kDayCount; ++k) {
        if (rule.days[k] == 1)
            cells[3 + k] = kTick;
    }
    for (std::size_t k = 0; k < kSlotCount; ++k)
        cells[10 + k] = rule.times[k];
    return cells;
}

} // namespace ringvale
