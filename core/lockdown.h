#pragma once

// Lockdown: every scheduled bell is silenced (and logged skipped) until it is lifted; play now
// and the alarm still sound. Kept in 停铃.INI in the program directory (GBK, CRLF) so it survives
// a restart:
//   [停铃]
//   开启=1
//   设置=web admin 2026-12-10 08:00:00

#include "core/clock.h"
#include "core/filestore.h"
#include "core/schedulecontext.h"

#include <filesystem>
#include <string>

namespace ringvale {

inline constexpr const char* kLockdownFileName = "停铃.INI";

struct Lockdown {
    bool on = false;
    std::string setBy; // UTF-8: who set it and when ("window 2026-12-10 08:00:00")
    bool operator==(const Lockdown&) const = default;
};

// The next-bell label while lockdown holds (GBK): "全校停铃中：定时铃声都不响".
const std::string& lockdownLabel();

std::filesystem::path lockdownPath(const std::filesystem::path& programDir);
Lockdown readLockdown(const std::filesystem::path& programDir);
[[nodiscard]] bool writeLockdown(const std::filesystem::path& programDir, const Lockdown& lockdown);

// Sets or lifts lockdown for the engine: the state follows at once (the next due bell is
// skipped), the file keeps it, the log says it (`by`: "window", "web NAME", "office"). False when
// the file could not be written, which the log says too.
bool setLockdown(ScheduleContext& context, const std::filesystem::path& programDir, bool on,
                 const std::string& by, const Clock& clock);

// Follows 停铃.INI changed on disk (by the office of a campus, or by hand): when its stamp
// differs from `stamp`, the state takes what it says, and the log says so. Called on each tick.
void followLockdownFile(ScheduleContext& context, const std::filesystem::path& programDir, FileStamp& stamp);

} // namespace ringvale
