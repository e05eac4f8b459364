// Cost of one clock tick over 1,000 rules of 21 slots each, none of them due (the whole scan).

#include "benchfakes.h"
#include "benchutil.h"
#include "core/clocktick.h"

#include <cstdio>

using namespace ringvale;
using namespace ringvale::bench;

namespace {

class FixedClock final : public Clock {
public:
    WallTime now() const override { return std::chrono::system_clock::from_time_t(1767657570); }
};

} // namespace

int main() {
    ScheduleState state;
    state.running = true;
    state.nextRuleValid = true;
    state.rules.resize(1001);
    for (std::size_t k = 1; k < state.rules.size(); ++k) {
        PlayRule& rule = state.rules[k];
        rule.musicPath = "/srv/bells/bell" + std::to_string(k) + ".mp3";
        rule.days = {1, 1, 1, 1, 1, 1, 1};
        for (int s = 0; s < 21; ++s) {
            char slot[16];
            std::snprintf(slot, sizeof slot, "%02d:%02d:00", 6 + s / 2,
                          (s % 2) * 30 + static_cast<int>(k % 29));
            rule.times[static_cast<std::size_t>(s)] = slot;
        }
    }
    NullTable table;
    NullStatus status;
    NullPlayback playback;
    NullPower power;
    FixedClock clock;
    NoBellLog log;
    ScheduleContext context{state, table, status, playback, log};
    ClockTick tick(context, status, clock, power);

    std::vector<double> costs;
    for (int run = 0; run < 200; ++run) {
        const auto start = BenchClock::now();
        tick.onClockTick();
        costs.push_back(millisecondsSince(start));
    }
    report("one tick over 1,000 rules x 21 slots (nothing due)", median(costs), "ms", "< 1 ms", costs.size());
    return 0;
}
