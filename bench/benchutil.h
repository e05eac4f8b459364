#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace ringvale::bench {

using BenchClock = std::chrono::steady_clock;

inline double millisecondsSince(BenchClock::time_point start,
                                BenchClock::time_point end = BenchClock::now()) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

inline void report(const char* measure, double value, const char* unit, const char* target,
                   std::size_t runs) {
    std::printf("%-58s %10.3f %-4s (target %s; median of %zu)\n", measure, value, unit, target, runs);
}

} // namespace ringvale::bench
