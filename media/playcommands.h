#pragma once

#include "core/schedulecontext.h"

namespace ringvale {

// "立即播放": plays the rule shown on the table's cursor row now. The row r leads to element r of
// the rule list (the header row to element 0, the text before the first record), so a row
// without a rule only silences.
void playNow(ScheduleContext& context);

// "停止播放": stops playback and says so in the status label.
void stopPlaying(ScheduleContext& context);

} // namespace ringvale
