#include "core/timetext.h"

#include "core/gbktext.h"

#include <array>

namespace ringvale {

namespace {

// Full-width forms to their single-byte shapes; every other character stays as it is.
std::string toHalfWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = charLengthAt(text, i);
        if (len == 2) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                out.push_back(static_cast<char>(trail - 0x80));
            } else if (lead == 0xA1 && trail == 0xA1) {
                out.push_back(' ');
            } else if (lead == 0xA1 && trail == 0xAB) {
                out.push_back('~');
            } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
                out.push_back('*');
            } else {
                out.append(text.substr(i, 2));
            }
        } else {
            out.push_back(text[i]);
        }
        i += len;
    }
    return out;
}

std::string padded(const std::string& part) {
    return part.size() == 1 ? "0" + part : part;
}

} // namespace

std::string normalizeTimeText(std::string_view typed) {
    std::string text = toHalfWidth(typed);
    static constexpr std::array<std::string_view, 8> kSeparators = {" ", ".", ",", "-", "+", "*", "/", "\\"};
    for (const std::string_view separator : kSeparators)
        text = textReplaceAll(text, separator, ":");
    const std::vector<std::string> parts = textSplit(text, ":");
    std::string result;
    if (parts.size() >= 3) {
        result = padded(parts[0]) + ":" + padded(parts[1]) + ":" + padded(parts[2]);
        if (textToInt(parts[0]) > 23 || textToInt(parts[1]) > 59 || textToInt(parts[2]) > 59)
            return {};
    } else if (parts.size() == 2) {
        result = padded(parts[0]) + ":" + padded(parts[1]) + ":00";
        if (textToInt(parts[0]) > 23 || textToInt(parts[1]) > 59)
            return {};
    } else {
        return {};
    }
    // A time text is eight printable single-byte characters, two for each part: a part that
    // kept half of a double-byte character, a control character, or parts of other lengths that
    // happen to add up to eight bytes make no time.
    if (result.size() != 8 || result[2] != ':' || result[5] != ':')
        return {};
    for (const char c : result) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            return {};
    }
    return result;
}

std::int32_t secondsBetween(std::string_view a, std::string_view b) {
    const std::vector<std::string> pa = textSplit(a, ":");
    const std::vector<std::string> pb = textSplit(b, ":");
    if (pa.size() != 3 || pb.size() != 3)
        return -1;
    const auto seconds = [](const std::vector<std::string>& p) {
        return static_cast<std::int64_t>(textToInt(p[0])) * 3600 +
               static_cast<std::int64_t>(textToInt(p[1])) * 60 + textToInt(p[2]);
    };
    return static_cast<std::int32_t>(seconds(pa) - seconds(pb));
}

} // namespace ringvale
