#pragma once

#include "core/belllog.h"
#include "core/playback.h"
#include "core/schedulestate.h"
#include "core/scheduleview.h"

namespace ringvale {

// The state and the collaborators that the scheduler's procedures act on.
struct ScheduleContext {
    ScheduleState& state;
    RuleTable& table;
    StatusBoard& status;
    Playback& playback;
    BellLog& log;
};

} // namespace ringvale
