#pragma once

#include "core/filestore.h"
#include "core/playrule.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ringvale {

// The program-wide state of the scheduler, owned by the user-interface thread.
struct ScheduleState {
    std::string timetablePath; // GBK; "/" joins the program directory and the file name
    std::vector<PlayRule> rules;
    bool running = false;
    bool nextRuleValid = false;
    std::int32_t tickCount = 0;
    std::int32_t lastFiredMinute = 0;
    std::string shutdownTime;
    // Set on a day the school calendar rings nothing: the reason (GBK). Due bells are skipped.
    std::string noBellReason;
    // On a makeup school day the calendar names: the weekday whose bells ring today (1 = Sunday …
    // 7), and why (GBK). 0: the day's own.
    int ringsAsWeekday = 0;
    std::string makeupReason;
    // Lockdown: every due bell is skipped until it is lifted; who set it and when (UTF-8).
    bool lockdown = false;
    std::string lockdownSetBy;
    FileStamp lockdownStamp; // of 停铃.INI when last followed
    // Today's forecast as the last weather check read it, for the rain-gated rules.
    enum class Forecast { Unknown, Dry, Rain };
    Forecast forecast = Forecast::Unknown;
    std::int64_t forecastDay = -1; // local days since 1970 of that check; -1: none yet
    std::string forecastText;      // today's daytime text, UTF-8
    // The last load found the timetable file but could not read it. Commands that rewrite the
    // file refuse while this is set, so an unreadable file is never overwritten with less.
    bool timetableUnreadable = false;
    // The timetable file and its rain flags as the last load read them, so a change on disk by
    // another program (or a hand) is noticed and loaded.
    FileStamp timetableStamp;
    FileStamp rainGateStamp;
};

} // namespace ringvale
