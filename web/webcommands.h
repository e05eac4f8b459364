#pragma once

#include "service/commandline.h"

#include <optional>

namespace ringvale {

// --web-user NAME ROLE|remove (the password as one line on standard input), and --web,
// --web-cert, --web-key kept in the console's settings. The exit status of --web-user, or nullopt
// when the line does not ask for it.
std::optional<int> runWebUserCommand(const CommandLine& line);

} // namespace ringvale
