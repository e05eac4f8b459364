#include "editormessages.h"

#include "codepage.h"

namespace ringvale::messages {

#define RINGVALE_MESSAGE(function, utf8)                                                                               \
    const std::string& function() {                                                                                    \
        static const std::string text = gbkFromUtf8(utf8);                                                             \
        return text;                                                                                                   \
    }

RINGVALE_MESSAGE(noMusicChosen, "没有选择要播放的音乐")
RINGVALE_MESSAGE(noTimeEntered, "你最少需要填写一个时间")
RINGVALE_MESSAGE(unreadableTimetable, "作息表文件无法读取，为保护其中的规则，本次没有写入。")
RINGVALE_MESSAGE(timetableNotWritten, "作息表文件写入失败（磁盘已满或没有权限），原文件保持不变。")
RINGVALE_MESSAGE(modifiedRuleGone, "要修改的规则已被删除或清空，没有保存。")

#undef RINGVALE_MESSAGE

} // namespace ringvale::messages
