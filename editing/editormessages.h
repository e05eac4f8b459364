#pragma once

#include "core/dialogs.h"
#include "core/schedulecontext.h"

#include <string>

namespace ringvale::messages {

// GBK texts of the editing refusals.
const std::string& noMusicChosen(); // 没有选择要播放的音乐
const std::string& noTimeEntered(); // 你最少需要填写一个时间
const std::string& unreadableTimetable();
const std::string& timetableNotWritten();
const std::string& modifiedRuleGone();

// The timetable file could not be written: the operator is told, and the log keeps it.
void timetableWriteFailed(ScheduleContext& context, Dialogs& dialogs);

} // namespace ringvale::messages
