#include "editing/editormessages.h"

#include "core/codepage.h"

namespace ringvale::messages {

RINGVALE_GBK_TEXT(noMusicChosen, "没有选择要播放的音乐")
RINGVALE_GBK_TEXT(noTimeEntered, "你最少需要填写一个时间")
RINGVALE_GBK_TEXT(unreadableTimetable, "作息表文件无法读取，为保护其中的规则，本次没有写入。")
RINGVALE_GBK_TEXT(timetableNotWritten, "作息表文件写入失败（磁盘已满或没有权限），原文件保持不变。")
RINGVALE_GBK_TEXT(modifiedRuleGone, "要修改的规则已被删除或清空，没有保存。")

void timetableWriteFailed(ScheduleContext& context, Dialogs& dialogs) {
    dialogs.showError(timetableNotWritten());
    context.log.record(
        systemEntry("the timetable " + utf8FromGbk(context.state.timetablePath) + " could not be written"));
}

} // namespace ringvale::messages
