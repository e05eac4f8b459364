#include "media/playcommands.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/gbktext.h"

namespace ringvale {

void playNow(ScheduleContext& context) {
    static const std::string kPlaying = gbkFromUtf8("正在播放:");
    const int row = context.table.currentRow();
    context.playback.stopAll();
    if (row < 0 || static_cast<std::size_t>(row) >= context.state.rules.size())
        return;
    const PlayRule& rule = context.state.rules[static_cast<std::size_t>(row)];
    const PlayId id = context.playback.playFile(rule.playCount, rule.musicPath);
    BellEntry entry = bellEntryFor(BellEvent::Played, context.state.rules, static_cast<std::size_t>(row), {},
                                   context.state.timetablePath, "play now");
    context.log.record(entry);
    context.log.expectOutcome(id, std::move(entry), std::nullopt);
    context.status.setStatusText(kPlaying + displayName(rule.musicPath));
}

void stopPlaying(ScheduleContext& context, const std::string& detail) {
    static const std::string kStopped = gbkFromUtf8("正在播放:播放停止");
    context.playback.stopAll();
    context.status.setStatusText(kStopped);
    BellEntry entry;
    entry.event = BellEvent::Stopped;
    entry.detail = detail;
    context.log.record(std::move(entry));
}

void playFileNow(ScheduleContext& context, const std::string& path, std::int32_t count,
                 const std::string& detail) {
    static const std::string kPlaying = gbkFromUtf8("正在播放:");
    context.playback.stopAll();
    const PlayId id = context.playback.playFile(count, path);
    BellEntry entry;
    entry.event = BellEvent::Played;
    entry.file = utf8FromGbk(path);
    entry.detail = detail;
    context.log.record(entry);
    context.log.expectOutcome(id, std::move(entry), std::nullopt);
    context.status.setStatusText(kPlaying + displayName(path));
}

} // namespace ringvale
