#pragma once

namespace ringvale {

// The program's version, from the build.
inline constexpr const char* kVersion = RINGVALE_VERSION;

} // namespace ringvale
