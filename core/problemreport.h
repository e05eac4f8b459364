#pragma once

#include <string_view>

namespace ringvale {

// Says that something went wrong that the operator is not shown (a setting that could not be
// saved, a file that could not be written): one line on standard error, so it is never lost.
void reportProblem(std::string_view what);

} // namespace ringvale
