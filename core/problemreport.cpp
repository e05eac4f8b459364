#include "core/problemreport.h"

#include <cstdio>

namespace ringvale {

void reportProblem(std::string_view what) {
    std::fprintf(stderr, "ringvale: %.*s\n", static_cast<int>(what.size()), what.data());
}

} // namespace ringvale
