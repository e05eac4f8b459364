#pragma once

#include "service/commandline.h"

#include <optional>

namespace ringvale {

// The commands that work on the program directory's files and need no window: --rings-on,
// --import-holidays, --subscribe-holidays, --unsubscribe-holidays, --export-timetable and
// --import-timetable. The exit status, or nullopt when the line asks for none of them.
std::optional<int> runFileCommand(const CommandLine& line);

} // namespace ringvale
