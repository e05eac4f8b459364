#pragma once

#include <string_view>

namespace ringvale {

// The console's pages, built into the program from web/pages/ (nothing is read from disk).
struct ConsolePage {
    const char* contentType;
    std::string_view body;
};

// The page at a path ("/" is index.html); nullptr for any other path.
const ConsolePage* consolePage(std::string_view path);

} // namespace ringvale
