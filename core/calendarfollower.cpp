#include "core/calendarfollower.h"

#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/gbktext.h"

namespace ringvale {

CalendarFollower::CalendarFollower(const std::filesystem::path& programDir, ScheduleState& state,
                                   const AppConfig& config, BellLog& log, const Clock& clock,
                                   SwitchTimetable switchTimetable)
    : m_programDir(programDir), m_path(calendarFilePath(programDir)), m_state(state), m_config(config),
      m_log(log), m_clock(clock), m_switch(std::move(switchTimetable)) {}

std::optional<std::filesystem::file_time_type> CalendarFollower::fileStamp() const {
    std::error_code error;
    const auto stamp = std::filesystem::last_write_time(m_path, error);
    return error ? std::nullopt : std::optional<std::filesystem::file_time_type>(stamp);
}

void CalendarFollower::follow(WallTime due) {
    const WallTime now = tickInstant(m_clock, due);
    if (logDayOf(localTimeAt(now)) != m_day || fileStamp() != m_stamp)
        apply(now);
}

void CalendarFollower::apply(WallTime now) {
    m_stamp = fileStamp();
    m_day = logDayOf(localTimeAt(now));
    const CalendarFile file = readCalendarFile(m_programDir);
    if (file.problem != m_problem) {
        m_problem = file.problem;
        if (!m_problem.empty())
            m_log.record(systemEntry(m_problem));
    }
    const SchoolCalendar& calendar = file.calendar;
    for (const std::string& line : calendar.notUnderstood)
        m_log.record(systemEntry(std::string(kCalendarFileName) +
                                 ": a line not understood, kept: " + utf8FromGbk(line)));
    const DayPlan plan = planFor(calendar, m_day);
    const std::string noBellReason = plan.kind == DayPlan::Kind::NoBells ? plan.reason : std::string();
    if (noBellReason != m_state.noBellReason) {
        m_state.noBellReason = noBellReason;
        m_state.nextRuleValid = false;
        m_log.record(systemEntry(noBellReason.empty() ? std::string("bells ring today")
                                                      : "no bells today: " + utf8FromGbk(noBellReason)));
    }
    if (plan.ringsAs != m_state.ringsAsWeekday || plan.reason != m_state.makeupReason) {
        const bool makeup = plan.ringsAs != 0;
        m_state.ringsAsWeekday = plan.ringsAs;
        m_state.makeupReason = makeup ? plan.reason : std::string();
        m_state.nextRuleValid = false;
        static const char* const kEnglish[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};
        if (makeup)
            m_log.record(systemEntry("a makeup school day: today rings as " +
                                     std::string(kEnglish[(plan.ringsAs - 1) % 7]) + " (" +
                                     utf8FromGbk(plan.reason) + ")"));
    }
    const int selected = textToInt(m_config.read(settings::systemSection(), settings::timetableKey()));
    if (plan.kind == DayPlan::Kind::Timetable && plan.timetable != selected && m_switch)
        m_switch(plan.timetable);
}

} // namespace ringvale
