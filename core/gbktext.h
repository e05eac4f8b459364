#pragma once

// Text helpers over GBK byte strings.
//
// Every text the engine keeps is the raw GBK bytes of the files it reads. These helpers count
// positions from 1 and lengths in bytes, as the timetable and settings code expects, and they
// step over double-byte characters whole: a byte 0x81-0xFE leads a two-byte character, so a
// trail byte such as 0x5C ('\') is never mistaken for a separator. Four-byte GB18030 sequences
// are two such pairs and stay whole too.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

inline bool isLeadByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

// Length in bytes of the character starting at index i (1 or 2; 1 for a lead byte at the end).
inline std::size_t charLengthAt(std::string_view text, std::size_t i) {
    return (isLeadByte(text[i]) && i + 1 < text.size()) ? 2 : 1;
}

// Position (1-based) of the first occurrence of what, starting on a character boundary; -1 if none.
int textFind(std::string_view text, std::string_view what);

// Up to length bytes from position start (1-based); empty when start is outside the text or
// length <= 0. A double-byte character cut by the end is left out.
std::string textMiddle(std::string_view text, int start, int length);

// Pieces between separators: an empty text gives no pieces, a leading separator an empty first
// piece, adjacent separators an empty piece between them, a trailing separator no empty last piece.
std::vector<std::string> textSplit(std::string_view text, std::string_view separator);

// Every occurrence of from (on character boundaries, left to right) replaced by to.
std::string textReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// ASCII spaces and the full-width space (A1 A1) removed at both ends.
std::string textTrim(std::string_view text);

// Leading blanks, an optional sign, then decimal digits up to the first other character; no
// digits gives 0. Values beyond the 32-bit range are clamped to it.
std::int32_t textToInt(std::string_view text);

// The part of a path after its last "\" or "/", or the whole path when it holds neither.
std::string displayName(std::string_view path);

} // namespace ringvale
