#pragma once

// Times of day as text: "HH:MM:SS" with leading zeros, or empty when no time is set.

#include <cstdint>
#include <string>
#include <string_view>

namespace ringvale {

// Turns what an operator typed (full-width digits and marks, any of " .,-+*/\" as separators,
// hours and minutes with or without seconds) into HH:MM:SS, or the empty text when it is not a
// time of day. Parts are checked against their upper bounds only.
std::string normalizeTimeText(std::string_view typed);

// seconds(a) - seconds(b) for two h:m:s texts (parts need not be padded); -1 when either does
// not split into exactly three parts.
std::int32_t secondsBetween(std::string_view a, std::string_view b);

} // namespace ringvale
