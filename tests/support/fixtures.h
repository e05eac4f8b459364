#pragma once

#include "core/codepage.h"

#include <string>

namespace ringvale::testing {

// The GBK path of a fixture in tests/data (file names on disk are UTF-8).
inline std::string fixture(const char* utf8Name) {
    return gbkFromUtf8(std::string(RINGVALE_TEST_DATA) + "/" + utf8Name);
}

// Frames of the square-wave fixtures (44.1 kHz stereo, magnitudes 1000, 2000 and 3000).
inline constexpr std::size_t kFramesA = 4410;
inline constexpr std::size_t kFramesB = 6615;
inline constexpr std::size_t kFramesLong = 88200;

} // namespace ringvale::testing
