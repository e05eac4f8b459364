#pragma once

#include "core/schedulecontext.h"

namespace ringvale {

// "立即播放": plays the rule shown on the table's cursor row now. The row r leads to element r of
// the rule list (the header row to element 0, the text before the first record), so a row
// without a rule only silences.
void playNow(ScheduleContext& context);

// "停止播放": stops playback and says so in the status label; `detail` is what the log says.
void stopPlaying(ScheduleContext& context, const std::string& detail = "stop from the menu");

// Plays a file (its path GBK) `count` times now (< 0: until stopped), logged as played with
// `detail`, its outcome reported when the player knows it.
void playFileNow(ScheduleContext& context, const std::string& path, std::int32_t count,
                 const std::string& detail);

} // namespace ringvale
