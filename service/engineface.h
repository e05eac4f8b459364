#pragma once

#include "campus/campusnode.h"
#include "core/belllog.h"
#include "core/clock.h"
#include "core/schedulecontext.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ringvale {

// What another face of the engine (the web console) works on: the engine's state and
// procedures' collaborators, and a way onto the engine's own thread.
struct EngineParts {
    using Post = std::function<void(std::function<void()>)>;

    ScheduleContext& bells;    // the clock's bells and the timetable shown
    ScheduleContext& commands; // play now and stop (an office sends them on)
    const Clock& clock;
    std::filesystem::path programDir;
    CampusNode* campus = nullptr;
    Post post; // runs a task on the engine's thread
};

// Another face of the engine, made by a layer above this one: started after the engine, told of
// every log entry, stopped before the engine goes.
class EngineFace {
public:
    virtual ~EngineFace() = default;
    // Starts it as its own settings say; what it has to say (UTF-8) goes to the log.
    virtual std::vector<std::string> startFace() = 0;
    virtual void entryRecorded(const BellEntry& entry) = 0;
    virtual void stop() = 0;
};
using EngineFaceFactory = std::function<std::unique_ptr<EngineFace>(const EngineParts& parts)>;

} // namespace ringvale
