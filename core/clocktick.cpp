#include "core/clocktick.h"

#include "core/codepage.h"
#include "core/gbktext.h"
#include "core/nextrule.h"

#include <cstdio>

namespace ringvale {

std::string elapsedText(std::int32_t tickCount) {
    static const std::string kDay = gbkFromUtf8("天");
    static const std::string kHour = gbkFromUtf8("时");
    static const std::string kMinute = gbkFromUtf8("分");
    static const std::string kSecond = gbkFromUtf8("秒");
    const std::int64_t seconds = (static_cast<std::int64_t>(tickCount) + 1) / 2;
    const auto two = [](std::int64_t v) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%02d", static_cast<int>(v));
        return std::string(buffer);
    };
    return std::to_string(seconds / 86400) + kDay + two(seconds % 86400 / 3600) + kHour +
           two(seconds % 3600 / 60) + kMinute + two(seconds % 60) + kSecond;
}

ClockTick::ClockTick(ScheduleContext& context, TickView& view, const Clock& clock, PowerSwitch& power)
    : m_context(context), m_view(view), m_clock(clock), m_power(power) {}

void ClockTick::onClockTick(WallTime due) {
    ScheduleState& state = m_context.state;
    // Wraps after 34 years instead of overflowing.
    state.tickCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(state.tickCount) + 1u);
    m_view.setElapsedText(elapsedText(state.tickCount));
    if (!state.running)
        return;

    WallTime instant = m_clock.now();
    if (due > instant && due - instant <= kTrailTolerance)
        instant = due;
    const LocalTime now = localTimeAt(instant);
    const std::int64_t minute = localMinuteNumber(now);
    m_ledger.forgetFarFrom(minute);
    m_ledger.markRung(state.rules, minute);

    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d:%02d:", now.hour, now.minute);
    fireDueRule(prefix, now, minute);

    if (!state.shutdownTime.empty() && textFind(state.shutdownTime, prefix) > 0 && m_view.isShutdownTicked())
        m_power.requestPowerOff();

    if (now.second >= kPrepareFromSecond && m_preparedMinute != minute + 1) {
        const LocalTime next = localTimeAt(instant + std::chrono::seconds(60 - now.second));
        char nextPrefix[16];
        std::snprintf(nextPrefix, sizeof nextPrefix, "%02d:%02d:", next.hour, next.minute);
        if (anyRuleDue(nextPrefix, next.weekday)) {
            m_preparedMinute = minute + 1;
            m_context.playback.prepare();
        }
    }

    if (!state.nextRuleValid) {
        state.nextRuleValid = true;
        refreshNextRule(state.rules, m_context.status, now.weekday, now.hour, now.minute, now.second);
    }
}

namespace {

// The first slot of `rule` due on weekday w in the minute of prefix p, or null.
const std::string* dueSlot(const PlayRule& rule, int weekday, const std::string& prefix) {
    const std::size_t day = static_cast<std::size_t>(weekday - 1);
    if (day >= rule.days.size() || rule.days[day] == 0)
        return nullptr;
    for (const std::string& slot : rule.times)
        if (!slot.empty() && textFind(slot, prefix) > 0)
            return &slot;
    return nullptr;
}

} // namespace

bool ClockTick::anyRuleDue(const std::string& prefix, int weekday) const {
    for (const PlayRule& rule : m_context.state.rules)
        if (dueSlot(rule, weekday, prefix))
            return true;
    return false;
}

bool ClockTick::fireDueRule(const std::string& prefix, const LocalTime& now, std::int64_t minute) {
    static const std::string kPlaying = gbkFromUtf8("正在播放:");
    ScheduleState& state = m_context.state;
    for (std::size_t k = 0; k < state.rules.size(); ++k) {
        PlayRule& rule = state.rules[k];
        if (rule.fired == 1)
            continue;
        if (const std::string* due = dueSlot(rule, now.weekday, prefix)) {
            const std::string& slot = *due;
            m_ledger.record(rule, minute);
            rule.fired = 1;
            state.lastFiredMinute = now.minute;
            m_context.playback.stopAll();
            m_context.playback.playFile(rule.playCount, rule.musicPath);
            m_context.status.setStatusText(kPlaying + slot + "  " + displayName(rule.musicPath));
            m_context.table.moveCursor(static_cast<int>(k), 0);
            state.nextRuleValid = false;
            return true;
        }
    }
    return false;
}

} // namespace ringvale
