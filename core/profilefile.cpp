#include "core/profilefile.h"

#include "core/filestore.h"
#include "core/gbktext.h"

#include <vector>

namespace ringvale {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || (static_cast<unsigned char>(c) < 0x20);
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Leading blanks and control characters of a name are ignored.
std::string_view cleanName(std::string_view name) {
    while (!name.empty() && isBlank(name.front()))
        name.remove_prefix(1);
    return name;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

struct Line {
    std::string_view text;   // without its line end
    std::string_view ending; // "\r\n", "\n" or empty for a last line without one
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back({text.substr(start), {}});
            break;
        }
        std::size_t end = lf;
        if (end > start && text[end - 1] == '\r')
            --end;
        lines.push_back({text.substr(start, end - start), text.substr(end, lf + 1 - end)});
        start = lf + 1;
    }
    return lines;
}

// The section name of a "[name]" line, if it is one.
bool sectionOf(std::string_view line, std::string_view& name) {
    const std::string_view t = trimBlanks(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    const std::size_t close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trimBlanks(t.substr(1, close - 1));
    return true;
}

// The key and value of a "key=value" line, if it is one.
bool entryOf(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trimBlanks(line.substr(0, eq));
    value = trimBlanks(line.substr(eq + 1));
    return !key.empty();
}

// A value is one line: anything from a line break on would become lines of its own.
std::string_view singleLine(std::string_view value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

} // namespace

std::string readProfileValue(std::string_view fileText, std::string_view section, std::string_view key) {
    section = cleanName(section);
    key = cleanName(key);
    if (section.empty() || key.empty())
        return {};
    bool inSection = false;
    for (const Line& line : splitLines(fileText)) {
        std::string_view name, k, v;
        if (sectionOf(line.text, name)) {
            inSection = sameName(name, section);
        } else if (inSection && entryOf(line.text, k, v) && sameName(k, key)) {
            return textMiddle(v, 1, static_cast<int>(kProfileValueLimit));
        }
    }
    return {};
}

std::string withProfileValue(std::string_view fileText, std::string_view section, std::string_view key,
                             std::string_view value) {
    section = cleanName(section);
    key = cleanName(key);
    value = singleLine(value);
    const std::vector<Line> lines = splitLines(fileText);

    // The first section of that name, the key's line in it, and its last non-blank line.
    std::size_t header = lines.size(), keyLine = lines.size(), lastFilled = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, k, v;
        if (sectionOf(lines[i].text, name)) {
            if (header != lines.size())
                break;
            if (sameName(name, section))
                header = lastFilled = i;
        } else if (header != lines.size()) {
            if (entryOf(lines[i].text, k, v) && sameName(k, key)) {
                keyLine = i;
                break;
            }
            if (!trimBlanks(lines[i].text).empty())
                lastFilled = i;
        }
    }

    std::string out;
    out.reserve(fileText.size() + section.size() + key.size() + value.size() + 8);
    const auto appendEntry = [&](std::string_view keyText) {
        out.append(keyText).append("=").append(value).append("\r\n");
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == keyLine) {
            std::string_view k, v;
            entryOf(lines[i].text, k, v);
            appendEntry(k); // the key keeps the spelling the file has
            continue;
        }
        out.append(lines[i].text);
        // A line that gets a line after it needs its own line end.
        const bool followed = i + 1 < lines.size() || (i == lastFilled && keyLine == lines.size());
        out.append(lines[i].ending.empty() && followed ? std::string_view("\r\n") : lines[i].ending);
        if (i == lastFilled && keyLine == lines.size())
            appendEntry(key);
    }
    if (header == lines.size()) {
        if (!out.empty() && out.back() != '\n')
            out.append("\r\n");
        out.append("[").append(section).append("]\r\n");
        appendEntry(key);
    }
    return out;
}

std::string ProfileFile::read(std::string_view section, std::string_view key) const {
    const FileRead file = readWholeFile(m_path);
    return file.ok() ? readProfileValue(file.bytes, section, key) : std::string();
}

bool ProfileFile::write(std::string_view section, std::string_view key, std::string_view value) const {
    if (cleanName(section).empty() || cleanName(key).empty())
        return false;
    const FileRead file = readWholeFile(m_path);
    if (file.status == FileRead::Status::Unreadable)
        return false; // never replace a file we could not read with one that holds less
    return writeFileAtomic(m_path, withProfileValue(file.bytes, section, key, value));
}

} // namespace ringvale
