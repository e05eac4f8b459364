#pragma once

#include <chrono>
#include <thread>

namespace ringvale::testing {

// Waits until `condition` holds, looking every two milliseconds, at most `limit`; true when it held.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace ringvale::testing
