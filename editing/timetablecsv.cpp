#include "editing/timetablecsv.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/timetable.h"
#include "core/timetableloader.h"
#include "core/timetext.h"
#include "editing/rulerecord.h"

#include <charconv>
#include <vector>

namespace ringvale {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kCsvLimit = 4 * 1024 * 1024; // far beyond any timetable's rules
constexpr int kFixedColumns = 2 + kDayCount;       // music, count, Sunday … Saturday
constexpr int kColumns = kFixedColumns + kSlotCount;

using Row = std::vector<std::string>;

std::vector<std::string> headerCells() {
    std::vector<std::string> cells = {"音乐", "播放次数", "日", "一", "二", "三", "四", "五", "六"};
    for (int slot = 1; slot <= kSlotCount; ++slot)
        cells.push_back("时间" + std::to_string(slot));
    return cells;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos &&
        (text.empty() || (text.front() != ' ' && text.back() != ' ')))
        return text;
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

std::string csvRow(const std::vector<std::string>& cells) {
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i)
        out += (i > 0 ? "," : "") + csvField(cells[i]);
    return out + "\r\n";
}

// RFC 4180 as spreadsheet programs write it: quoted fields may hold commas, quotes ("") and
// line ends; a row ends at CRLF, LF or CR outside quotes. Rows carry their first line's number.
struct CsvRows {
    std::vector<std::pair<int, Row>> rows;
    int unclosedQuoteLine = 0;
};

CsvRows parseCsv(std::string_view text) {
    CsvRows out;
    Row row;
    std::string field;
    bool quoted = false;
    bool fieldStarted = false;
    int line = 1;
    int rowLine = 1;
    int quoteLine = 0;
    const auto endField = [&] {
        row.push_back(std::move(field));
        field.clear();
        fieldStarted = false;
    };
    const auto endRow = [&] {
        endField();
        out.rows.emplace_back(rowLine, std::move(row));
        row.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                line += c == '\n' ? 1 : 0;
                field += c;
            }
        } else if (c == '"' && !fieldStarted && field.empty()) {
            quoted = true;
            fieldStarted = true;
            quoteLine = line;
        } else if (c == ',') {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            endRow();
            rowLine = ++line;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted)
        out.unclosedQuoteLine = quoteLine;
    else if (!row.empty() || !field.empty() || fieldStarted)
        endRow();
    return out;
}

bool blankRow(const Row& row) {
    for (const std::string& cell : row)
        if (!textTrim(cell).empty())
            return false;
    return true;
}

} // namespace

std::string timetableCsv(std::string_view timetableText) {
    std::string out(kByteOrderMark);
    out += csvRow(headerCells());
    const ParsedTimetable parsed = parseTimetable(timetableText);
    for (const std::size_t element : parsed.shownElements) {
        const RuleFields fields = fieldsOf(parsed.rules[element]);
        std::vector<std::string> cells = {utf8FromGbk(fields.musicPath), fields.countText};
        for (const bool day : fields.days)
            cells.emplace_back(day ? "1" : "0");
        for (const std::string& time : fields.times)
            cells.push_back(utf8FromGbk(time));
        out += csvRow(cells);
    }
    return out;
}

TimetableFromCsv timetableFromCsv(std::string_view csv) {
    TimetableFromCsv out;
    const auto refuse = [&out](int line, const std::string& why, const std::string& chinese) {
        out.error = "row " + std::to_string(line) + ": " + why;
        out.errorChinese = "第 " + std::to_string(line) + " 行：" + chinese;
        out.records.clear();
        out.rules = 0;
        return out;
    };
    if (csv.size() > kCsvLimit)
        return refuse(1, "the file is larger than any timetable (" + std::to_string(csv.size()) + " bytes)",
                      "文件太大，不是作息表");
    if (csv.starts_with(kByteOrderMark))
        csv.remove_prefix(kByteOrderMark.size());
    // Excel on a Chinese system saves CSV as GBK; anything else saves UTF-8.
    const bool utf8 = looksLikeUtf8(csv);
    const auto gbk = [utf8](const std::string& cell) { return utf8 ? gbkFromUtf8(cell) : cell; };
    const CsvRows parsed = parseCsv(csv);
    if (parsed.unclosedQuoteLine > 0)
        return refuse(parsed.unclosedQuoteLine, "a quoted field is never closed", "引号没有结束");
    const std::vector<std::string> header = headerCells();
    bool headerSeen = false;
    for (const auto& numbered : parsed.rows) {
        const int line = numbered.first;
        const Row& row = numbered.second;
        if (blankRow(row))
            continue;
        if (!headerSeen) {
            for (std::size_t i = 0; i < header.size(); ++i)
                if (i >= row.size() || textTrim(utf8 ? row[i] : utf8FromGbk(row[i])) != header[i])
                    return refuse(line, "the header must be 音乐,播放次数,日,一 … 六,时间1 … 时间21",
                                  "表头应为 音乐,播放次数,日,一 … 六,时间1 … 时间21");
            headerSeen = true;
            continue;
        }
        if (row.size() > static_cast<std::size_t>(kColumns) &&
            !blankRow(Row(row.begin() + kColumns, row.end())))
            return refuse(line, "more than " + std::to_string(kColumns) + " columns",
                          "多于 " + std::to_string(kColumns) + " 列");
        const auto cell = [&row](int column) {
            return column < static_cast<int>(row.size()) ? textTrim(row[static_cast<std::size_t>(column)])
                                                         : std::string();
        };
        RuleFields fields;
        fields.musicPath = gbk(cell(0));
        if (fields.musicPath.empty())
            return refuse(line, "no music file", "没有音乐文件");
        if (fields.musicPath.find_first_of(";*{}\r\n") != std::string::npos)
            return refuse(line, "the music file name holds one of ; * { } or a line end",
                          "音乐文件名不能含有 ; * { } 或换行");
        int count = 0;
        const std::string countText = cell(1);
        const auto [end, error] =
            std::from_chars(countText.data(), countText.data() + countText.size(), count);
        if (error != std::errc() || end != countText.data() + countText.size() || count < 1 || count > 100)
            return refuse(line, "the play count must be a number from 1 to 100, not \"" + countText + "\"",
                          "播放次数应为 1 到 100，而不是“" + countText + "”");
        fields.countText = std::to_string(count);
        for (int day = 0; day < kDayCount; ++day) {
            const std::string flag = cell(2 + day);
            if (flag != "1" && flag != "0" && !flag.empty())
                return refuse(line,
                              "the day " + header[static_cast<std::size_t>(2 + day)] +
                                  " must be 1 or 0, not \"" + flag + "\"",
                              "“" + header[static_cast<std::size_t>(2 + day)] + "”一栏应为 1 或 0，而不是“" +
                                  flag + "”");
            fields.days[static_cast<std::size_t>(day)] = flag == "1";
        }
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const std::string typed = gbk(cell(kFixedColumns + slot));
            std::string& time = fields.times[static_cast<std::size_t>(slot)];
            time = typed.empty() ? std::string() : normalizeTimeText(typed);
            if (!typed.empty() && time.empty()) {
                const std::string& column = header[static_cast<std::size_t>(kFixedColumns + slot)];
                const std::string shown = utf8 ? cell(kFixedColumns + slot) : utf8FromGbk(typed);
                return refuse(line, column + " \"" + shown + "\" is not a time of day",
                              column + "“" + shown + "”不是时刻");
            }
        }
        if (fields.times[0].empty())
            return refuse(line, "no time in 时间1", "时间1 没有填写");
        out.records += ruleRecord(fields);
        ++out.rules;
    }
    if (!headerSeen)
        return refuse(1, "no header row: the file is empty", "文件是空的，没有表头");
    return out;
}

std::string exportTimetableCsv(std::string_view timetablePath, const std::string& csvFile) {
    const TimetableFileRead read = readTimetableFile(timetablePath);
    if (read.file.status == FileRead::Status::Unreadable)
        return "cannot read " + utf8FromGbk(timetablePath);
    if (!writeFileAtomic(csvFile, timetableCsv(read.file.bytes)))
        return "cannot write " + csvFile;
    return {};
}

TimetableFromCsv readTimetableCsv(const std::string& csvFile) {
    const FileRead csv = readWholeFile(csvFile);
    if (!csv.ok()) {
        TimetableFromCsv out;
        out.error = "cannot read " + csvFile;
        out.errorChinese = "无法读取 " + csvFile;
        return out;
    }
    return timetableFromCsv(csv.bytes);
}

std::string importTimetableCsv(std::string_view timetablePath, const std::string& csvFile, int* rules) {
    const TimetableFromCsv taken = readTimetableCsv(csvFile);
    if (!taken.error.empty())
        return csvFile + ": " + taken.error;
    const TimetableFileRead current = readTimetableFile(timetablePath);
    if (current.file.status == FileRead::Status::Unreadable)
        return "cannot read " + utf8FromGbk(timetablePath) + ": nothing written";
    const std::string before =
        recordPieces(current.file.bytes).empty() ? std::string() : recordPieces(current.file.bytes).front();
    if (!writeFileAtomic(toFileName(timetablePath), before + taken.records))
        return "cannot write " + utf8FromGbk(timetablePath);
    if (rules)
        *rules = taken.rules;
    return {};
}

} // namespace ringvale
