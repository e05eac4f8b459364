#include "core/clocktick.h"

#include "core/lockdown.h"

#include "core/codepage.h"
#include "core/duebells.h"
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

    const WallTime instant = tickInstant(m_clock, due);
    LocalTime now = localTimeAt(instant);
    const std::int64_t minute = localMinuteNumber(now);
    // A makeup school day rings another weekday's bells.
    if (state.ringsAsWeekday != 0)
        now.weekday = state.ringsAsWeekday;
    closePassedMinutes(minute);
    m_lastMinute = minute;
    m_lastRunning = state.running;
    if (!state.running) {
        m_context.playback.cancelPrepared();
        return;
    }

    m_ledger.forgetFarFrom(minute);
    m_ledger.markRung(state.rules, minute, now.weekday);

    const std::string prefix = minutePrefix(now.hour, now.minute);
    fireDueRule(prefix, now, minute, instant);
    checkWeatherAhead(now, minute);

    if (!state.shutdownTime.empty() && textFind(state.shutdownTime, prefix) > 0 && m_view.isShutdownTicked())
        m_power.requestPowerOff();

    if (now.second >= kPrepareFromSecond)
        prepareNextMinute(now, instant);
    else
        m_context.playback.cancelPrepared(); // a bell prepared for this minute that did not ring

    if (!state.nextRuleValid) {
        static const std::string kNoBellsToday = gbkFromUtf8("今天不打铃：");
        state.nextRuleValid = true;
        if (state.lockdown)
            m_context.status.setNextRuleText(lockdownLabel());
        else if (state.noBellReason.empty())
            refreshNextRule(state.rules, m_context.status, now.weekday, now.hour, now.minute, now.second);
        else
            m_context.status.setNextRuleText(kNoBellsToday + state.noBellReason);
    }
}

void ClockTick::remember(const std::vector<RungBell>& rung) {
    for (const RungBell& bell : rung)
        m_ledger.record(bell.musicPath, bell.minute);
}

void ClockTick::closePassedMinutes(std::int64_t minute) {
    if (!m_lastMinute || minute <= *m_lastMinute || !m_context.state.noBellReason.empty())
        return; // the first tick, the same minute, a clock set back, or a day without bells
    const ScheduleState& state = m_context.state;
    // The last minute with a tick: due rules that did not ring were skipped, if the system was
    // stopped. The minutes without any tick (at most a day of them): their due rules were missed.
    const std::int64_t first = std::max(*m_lastMinute, minute - kMinutesPerDay);
    for (std::int64_t passed = first; passed < minute; ++passed) {
        const bool ticked = passed == *m_lastMinute;
        if (ticked && m_lastRunning) {
            continue; // a running minute rings every due rule by its end
        }
        LocalTime time = localTimeOfMinute(passed);
        if (state.ringsAsWeekday != 0 && passed / kMinutesPerDay == minute / kMinutesPerDay)
            time.weekday = state.ringsAsWeekday; // today's minutes of a makeup day
        const bool shown = ticked || localMinuteExists(passed);
        std::vector<PlayRule> rules = state.rules;
        m_ledger.markRung(rules, passed, time.weekday);
        for (const DueBell& bell : dueBellsAt(rules, time)) {
            if (rules[bell.element].fired == 1)
                continue;
            m_context.log.record(bellEntryFor(ticked ? BellEvent::Skipped : BellEvent::Missed, rules,
                                              bell.element, bell.slot, state.timetablePath,
                                              ticked  ? std::string(kSystemStopped)
                                              : shown ? std::string(kNoTickCame)
                                                      : std::string(kSkippedByClock)));
        }
    }
}

void ClockTick::prepareNextMinute(const LocalTime& now, WallTime instant) {
    const ScheduleState& state = m_context.state;
    if (!state.noBellReason.empty() || state.lockdown) {
        m_context.playback.cancelPrepared();
        return;
    }
    const WallTime due = minuteStart(instant) + std::chrono::minutes(1);
    LocalTime next = localTimeAt(due);
    if (state.ringsAsWeekday != 0 && next.day == now.day)
        next.weekday = state.ringsAsWeekday;
    const std::vector<DueBell> bells = dueBellsAt(state.rules, next);
    if (bells.empty()) {
        m_context.playback.cancelPrepared();
        return;
    }
    // The bell that will ring is placed on the beat; one the rain may hold back only gets the
    // output ready.
    const PlayRule& rule = state.rules[bells.front().element];
    if (rule.rainGated || rule.playCount == 0) {
        m_context.playback.cancelPrepared();
        m_context.playback.prepare();
        return;
    }
    m_context.playback.prepareBell(rule.playCount, rule.musicPath, rule.sound, due);
}

void ClockTick::checkWeatherAhead(const LocalTime& now, std::int64_t minute) {
    if (!m_checkWeather || !m_context.state.noBellReason.empty() ||
        (m_weatherCheckMinute && minute - *m_weatherCheckMinute < kWeatherAheadMinutes))
        return;
    const int nowMinute = now.hour * 60 + now.minute;
    const std::size_t day = static_cast<std::size_t>(now.weekday - 1);
    for (const PlayRule& rule : m_context.state.rules) {
        if (!rule.rainGated || day >= rule.days.size() || rule.days[day] == 0)
            continue;
        for (const std::string& slot : rule.times) {
            const std::string time = textTrim(slot);
            if (time.size() < 5)
                continue;
            const int ahead = textToInt(time.substr(0, 2)) * 60 + textToInt(time.substr(3, 2)) - nowMinute;
            if (ahead >= 1 && ahead <= kWeatherAheadMinutes) {
                m_weatherCheckMinute = minute;
                m_checkWeather(); // returns at once: the check runs in the background
                return;
            }
        }
    }
}

bool ClockTick::skippedForRain(std::size_t element, const std::string& slot, const LocalTime& now) {
    const ScheduleState& state = m_context.state;
    const bool today = state.forecastDay == localMinuteNumber(now) / kMinutesPerDay;
    if (today && state.forecast == ScheduleState::Forecast::Rain) {
        m_context.log.record(bellEntryFor(BellEvent::Skipped, state.rules, element, slot, state.timetablePath,
                                          "rain forecast: " + state.forecastText));
        return true;
    }
    if (!today || state.forecast == ScheduleState::Forecast::Unknown)
        m_context.log.record(bellEntryFor(BellEvent::System, state.rules, element, slot, state.timetablePath,
                                          "rain-gated bell rings: the weather was unknown"));
    return false;
}

bool ClockTick::fireDueRule(const std::string& prefix, const LocalTime& now, std::int64_t minute,
                            WallTime instant) {
    static const std::string kPlaying = gbkFromUtf8("正在播放:");
    ScheduleState& state = m_context.state;
    for (std::size_t k = 0; k < state.rules.size(); ++k) {
        PlayRule& rule = state.rules[k];
        if (rule.fired == 1)
            continue;
        if (const std::string* due = dueSlot(rule, now.weekday, prefix)) {
            const std::string& slot = *due;
            m_ledger.record(rule.musicPath, minute);
            rule.fired = 1;
            if (!state.noBellReason.empty()) {
                m_context.log.record(bellEntryFor(BellEvent::Skipped, state.rules, k, slot,
                                                  state.timetablePath,
                                                  "no bells today: " + utf8FromGbk(state.noBellReason)));
                continue; // every due rule of the minute is said once; none rings
            }
            if (state.lockdown) {
                m_context.log.record(bellEntryFor(BellEvent::Skipped, state.rules, k, slot,
                                                  state.timetablePath,
                                                  "lockdown, set by " + state.lockdownSetBy));
                continue;
            }
            if (rule.rainGated && skippedForRain(k, slot, now))
                continue;
            state.lastFiredMinute = now.minute;
            // Kept before the bell reaches the output: a program ended from here on does not
            // ring it again when it starts inside this minute.
            m_context.log.noteRinging(
                bellEntryFor(BellEvent::Rang, state.rules, k, slot, state.timetablePath));
            // The new bell ends what plays (and takes over the bell prepared for it).
            const PlayId id = m_context.playback.playBell(rule.playCount, rule.musicPath, rule.sound);
            m_context.log.expectOutcome(
                id, bellEntryFor(BellEvent::Rang, state.rules, k, slot, state.timetablePath),
                minuteStart(instant));
            m_context.status.setStatusText(kPlaying + slot + "  " + displayName(rule.musicPath));
            m_context.table.moveCursor(static_cast<int>(k), 0);
            state.nextRuleValid = false;
            return true;
        }
    }
    return false;
}

} // namespace ringvale
