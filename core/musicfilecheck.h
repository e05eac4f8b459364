#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ringvale {

// Why the music file at `path` (GBK, as a rule stores it) cannot be played, checked before its
// bell is due: "not found", "not a regular file" or "cannot be opened: …"; nullopt when it can be
// opened, or when no path is given. Whether it decodes is found out when it plays.
std::optional<std::string> musicFileProblem(std::string_view path);

} // namespace ringvale
