#include "core/belldayfiles.h"

#include "core/programdir.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ringvale {

namespace {

constexpr std::string_view kExtension = ".tsv";
constexpr std::string_view kLedgerExtension = ".rung";
constexpr std::size_t kColumns = 7;

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

std::string twoDigits(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

std::optional<int> number(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<LogDay> parseLogDay(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto y = number(text.substr(0, 4)), m = number(text.substr(5, 2)), d = number(text.substr(8, 2));
    if (!y || !m || !d)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(*y),
                                           std::chrono::month(static_cast<unsigned>(*m)),
                                           std::chrono::day(static_cast<unsigned>(*d))};
    if (!date.ok())
        return std::nullopt;
    return LogDay{*y, *m, *d};
}

int logDayNumber(const LogDay& day) {
    using namespace std::chrono;
    const sys_days days = year_month_day{year(day.year), month(static_cast<unsigned>(day.month)),
                                         std::chrono::day(static_cast<unsigned>(day.day))};
    return static_cast<int>(days.time_since_epoch().count());
}

namespace {

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

LogDay logDayOf(const LocalTime& time) {
    return {time.year, time.month, time.day};
}

std::string logDayText(const LogDay& day) {
    return std::to_string(day.year) + "-" + twoDigits(day.month) + "-" + twoDigits(day.day);
}

std::string_view logHeaderLine() {
    return "at\tevent\tdue\ttimetable\trow\tfile\tdetail\n";
}

std::string logLine(const BellEntry& entry) {
    char millis[8];
    std::snprintf(millis, sizeof millis, "%03d", entry.at.millisecond);
    const LocalTime& t = entry.at;
    std::string line = logDayText(logDayOf(t)) + " " + twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" +
                       twoDigits(t.second) + "." + millis;
    line += "\t" + std::string(bellEventName(entry.event));
    line += "\t" + escaped(entry.due);
    line += "\t" + escaped(entry.timetable);
    line += "\t" + (entry.row > 0 ? std::to_string(entry.row) : std::string());
    line += "\t" + escaped(entry.file);
    line += "\t" + escaped(entry.detail);
    return line + "\n";
}

std::optional<BellEntry> parseLogLine(std::string_view line) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    std::vector<std::string_view> columns;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        columns.push_back(
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            break;
        start = tab + 1;
    }
    if (columns.size() != kColumns || columns[0].size() != 23)
        return std::nullopt;
    const std::string_view at = columns[0];
    const auto day = parseLogDay(at.substr(0, 10));
    const auto hour = number(at.substr(11, 2)), minute = number(at.substr(14, 2)),
               second = number(at.substr(17, 2)), millisecond = number(at.substr(20, 3));
    const auto event = bellEventNamed(columns[1]);
    if (!day || !hour || !minute || !second || !millisecond || !event || at[10] != ' ')
        return std::nullopt;
    BellEntry entry;
    entry.at.year = day->year;
    entry.at.month = day->month;
    entry.at.day = day->day;
    entry.at.hour = *hour;
    entry.at.minute = *minute;
    entry.at.second = *second;
    entry.at.millisecond = *millisecond;
    entry.event = *event;
    entry.due = unescaped(columns[2]);
    entry.timetable = unescaped(columns[3]);
    entry.row = number(columns[4]).value_or(0);
    entry.file = unescaped(columns[5]);
    entry.detail = unescaped(columns[6]);
    return entry;
}

std::string logCsv(const std::vector<BellEntry>& entries) {
    std::string out = "at,event,due,timetable,row,file,detail\r\n";
    for (const BellEntry& entry : entries) {
        const std::string line = logLine(entry);
        const std::string at = line.substr(0, line.find('\t'));
        out += at + "," + std::string(bellEventName(entry.event)) + "," + csvField(entry.due) + "," +
               csvField(entry.timetable) + "," + (entry.row > 0 ? std::to_string(entry.row) : std::string()) +
               "," + csvField(entry.file) + "," + csvField(entry.detail) + "\r\n";
    }
    return out;
}

BellDayFiles::BellDayFiles(std::filesystem::path programDir)
    : m_programDir(programDir), m_folder(std::move(programDir) / std::filesystem::u8path(kLogFolderName)) {}

bool BellDayFiles::usable(std::string* reason) const {
    if (!leadsOutside(m_folder, m_programDir))
        return true;
    if (reason)
        *reason = m_folder.string() +
                  " leads out of the program directory (a symbolic link): nothing is written "
                  "or removed there";
    return false;
}

std::filesystem::path BellDayFiles::folder() const {
    return m_folder;
}

std::filesystem::path BellDayFiles::fileOf(const LogDay& day) const {
    return m_folder / (logDayText(day) + std::string(kExtension));
}

std::filesystem::path BellDayFiles::ledgerFileOf(const LogDay& day) const {
    return m_folder / (logDayText(day) + std::string(kLedgerExtension));
}

namespace {

bool appendLine(const std::filesystem::path& folder, const std::filesystem::path& path,
                const BellEntry& entry, std::string* reason) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        if (reason)
            *reason = path.string() + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && st.st_size == 0)
        ok = writeAll(fd, logHeaderLine());
    // One write for the whole line: a crash loses at most the line being written.
    ok = ok && writeAll(fd, logLine(entry));
    if (!ok && reason)
        *reason = path.string() + ": " + std::strerror(errno);
    ::close(fd);
    return ok;
}

bool visitFile(const std::filesystem::path& path, const BellDayFiles::Visitor& visit) {
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return !error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line))
        if (auto entry = parseLogLine(line))
            visit(std::move(*entry));
    return !in.bad();
}

} // namespace

bool BellDayFiles::append(const BellEntry& entry, std::string* reason) const {
    if (!usable(reason))
        return false;
    return appendLine(m_folder, fileOf(logDayOf(entry.at)), entry, reason);
}

bool BellDayFiles::appendToLedger(const BellEntry& entry, std::string* reason) const {
    if (!usable(reason))
        return false;
    return appendLine(m_folder, ledgerFileOf(logDayOf(entry.at)), entry, reason);
}

bool BellDayFiles::visitDay(const LogDay& day, const Visitor& visit) const {
    return visitFile(fileOf(day), visit);
}

bool BellDayFiles::visitLedger(const LogDay& day, const Visitor& visit) const {
    return visitFile(ledgerFileOf(day), visit);
}

std::vector<BellEntry> BellDayFiles::readDay(const LogDay& day) const {
    std::vector<BellEntry> entries;
    visitDay(day, [&entries](BellEntry&& entry) { entries.push_back(std::move(entry)); });
    return entries;
}

std::vector<LogDay> BellDayFiles::days() const {
    std::vector<LogDay> found;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(m_folder, error)) {
        const std::string name = item.path().filename().string();
        if (name.size() == 10 + kExtension.size() && name.ends_with(kExtension))
            if (const auto day = parseLogDay(std::string_view(name).substr(0, 10)))
                found.push_back(*day);
    }
    std::sort(found.begin(), found.end());
    return found;
}

int BellDayFiles::removeOld(const LogDay& today) const {
    int removed = 0;
    if (!usable())
        return 0;
    const int oldestKept = logDayNumber(today) - kKeptDays;
    for (const LogDay& day : days()) {
        std::error_code error;
        if (logDayNumber(day) < oldestKept && std::filesystem::remove(fileOf(day), error)) {
            std::filesystem::remove(ledgerFileOf(day), error);
            ++removed;
        }
    }
    return removed;
}

} // namespace ringvale
