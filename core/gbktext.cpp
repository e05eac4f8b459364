#include "core/gbktext.h"

#include <algorithm>
#include <limits>

namespace ringvale {

namespace {

bool matchesAt(std::string_view text, std::size_t i, std::string_view what) {
    return text.size() - i >= what.size() && text.compare(i, what.size(), what) == 0;
}

} // namespace

int textFind(std::string_view text, std::string_view what) {
    if (what.empty())
        return -1;
    for (std::size_t i = 0; i < text.size(); i += charLengthAt(text, i)) {
        if (matchesAt(text, i, what))
            return static_cast<int>(i) + 1;
    }
    return -1;
}

std::string textMiddle(std::string_view text, int start, int length) {
    if (start < 1 || length <= 0 || static_cast<std::size_t>(start) > text.size())
        return {};
    const std::size_t from = static_cast<std::size_t>(start) - 1;
    const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - from);
    // Walk characters from the start position so that the end never splits one.
    std::size_t end = from;
    while (end < text.size()) {
        const std::size_t len = charLengthAt(text, end);
        if (end + len > from + wanted)
            break;
        end += len;
    }
    return std::string(text.substr(from, end - from));
}

std::vector<std::string> textSplit(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pieceStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (matchesAt(text, i, separator)) {
            pieces.emplace_back(text.substr(pieceStart, i - pieceStart));
            i += separator.size();
            pieceStart = i;
        } else {
            i += charLengthAt(text, i);
        }
    }
    if (pieceStart < text.size())
        pieces.emplace_back(text.substr(pieceStart));
    return pieces;
}

std::string textReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty())
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (matchesAt(text, i, from)) {
            out.append(to);
            i += from.size();
        } else {
            const std::size_t len = charLengthAt(text, i);
            out.append(text.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::string textTrim(std::string_view text) {
    static constexpr std::string_view kFullWidthSpace = "\xA1\xA1";
    std::size_t begin = 0;
    while (begin < text.size()) {
        if (text[begin] == ' ')
            ++begin;
        else if (matchesAt(text, begin, kFullWidthSpace))
            begin += 2;
        else
            break;
    }
    // The end is trimmed on character boundaries so that the trail byte of a character
    // ending in A1 is never taken for half a full-width space.
    std::size_t end = begin;
    std::size_t keep = begin;
    while (end < text.size()) {
        const std::size_t len = charLengthAt(text, end);
        const bool blank = text[end] == ' ' || (len == 2 && matchesAt(text, end, kFullWidthSpace));
        end += len;
        if (!blank)
            keep = end;
    }
    return std::string(text.substr(begin, keep - begin));
}

std::int32_t textToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = std::min(kLimit, value * 10 + (text[i] - '0'));
        ++i;
    }
    if (negative)
        value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::string displayName(std::string_view path) {
    std::size_t cut = 0;
    for (std::size_t i = 0; i < path.size(); i += charLengthAt(path, i)) {
        if (path[i] == '\\' || path[i] == '/')
            cut = i + 1;
    }
    return std::string(path.substr(cut));
}

} // namespace ringvale
