#include "core/lockdown.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/profilefile.h"

#include <cstdio>

namespace ringvale {

namespace {
RINGVALE_GBK_TEXT(section, "停铃")
RINGVALE_GBK_TEXT(onKey, "开启")
RINGVALE_GBK_TEXT(setByKey, "设置")
} // namespace

RINGVALE_GBK_TEXT(lockdownLabel, "全校停铃中：定时铃声都不响")

std::filesystem::path lockdownPath(const std::filesystem::path& programDir) {
    return programDir / std::filesystem::u8path(kLockdownFileName);
}

Lockdown readLockdown(const std::filesystem::path& programDir) {
    const FileRead file = readWholeFile(lockdownPath(programDir), 64 * 1024);
    if (!file.ok())
        return {};
    return {readProfileValue(file.bytes, section(), onKey()) == "1",
            utf8FromGbk(readProfileValue(file.bytes, section(), setByKey()))};
}

bool writeLockdown(const std::filesystem::path& programDir, const Lockdown& lockdown) {
    std::string text = withProfileValue({}, section(), onKey(), lockdown.on ? "1" : "0");
    text = withProfileValue(text, section(), setByKey(), gbkFromUtf8(lockdown.setBy));
    return writeFileAtomic(lockdownPath(programDir), text);
}

void followLockdownFile(ScheduleContext& context, const std::filesystem::path& programDir, FileStamp& stamp) {
    const FileStamp now = fileStampOf(lockdownPath(programDir));
    if (now == stamp)
        return;
    stamp = now;
    const Lockdown saved = readLockdown(programDir);
    ScheduleState& state = context.state;
    if (saved.on == state.lockdown && (!saved.on || saved.setBy == state.lockdownSetBy))
        return;
    state.lockdown = saved.on;
    state.lockdownSetBy = saved.on ? saved.setBy : std::string();
    state.nextRuleValid = false;
    if (saved.on)
        context.playback.cancelPrepared(); // a bell about to ring stays silent too
    context.log.record(systemEntry(saved.on ? "lockdown holds, set by " + saved.setBy
                                            : std::string("lockdown lifted: the bells ring again")));
}

bool setLockdown(ScheduleContext& context, const std::filesystem::path& programDir, bool on,
                 const std::string& by, const Clock& clock) {
    const std::string stamp = localTimeText(localTimeAt(clock.now()));
    ScheduleState& state = context.state;
    state.lockdown = on;
    state.lockdownSetBy = on ? by + " " + stamp : std::string();
    state.nextRuleValid = false;
    if (on)
        context.playback.cancelPrepared(); // a bell about to ring stays silent too
    context.log.record(systemEntry(
        by + ": " +
        (on ? "lockdown set: every scheduled bell is silenced" : "lockdown lifted: the bells ring again")));
    if (writeLockdown(programDir, {on, state.lockdownSetBy}))
        return true;
    context.log.record(systemEntry("the lockdown could not be kept in " + lockdownPath(programDir).string() +
                                   ": a restart would forget it"));
    return false;
}

} // namespace ringvale
