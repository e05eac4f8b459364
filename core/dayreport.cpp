#include "core/dayreport.h"

#include "core/appconfig.h"
#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/raingate.h"
#include "core/schoolcalendar.h"
#include "core/timetable.h"
#include "core/timetableloader.h"

#include <algorithm>
#include <chrono>

namespace ringvale {

std::string ringsOnReport(const std::filesystem::path& programDir, const LogDay& day) {
    return ringsOnReport(programDir, readCalendarFile(programDir).calendar, day);
}

std::string ringsOnReport(const std::filesystem::path& programDir, const SchoolCalendar& calendar,
                          const LogDay& day) {
    const DayPlan plan = planFor(calendar, day);
    if (plan.kind == DayPlan::Kind::NoBells)
        return "no-bells\t" + utf8FromGbk(plan.reason) + "\n";
    int index = plan.timetable;
    if (plan.kind == DayPlan::Kind::Selected) {
        index = textToInt(AppConfig(programDir).read(settings::systemSection(), settings::timetableKey()));
        if (index < 0 || index >= kTimetableCount)
            index = 0; // as the start-up reads it
    }
    std::string report =
        "timetable\t" + utf8FromGbk(timetableName(index)) +
        (plan.ringsAs != 0 ? "\tas\t" + utf8FromGbk(weekdayText(plan.ringsAs)) : std::string()) + "\n";
    const std::string path = timetablePath(fromFileName(programDir), index);
    ParsedTimetable timetable = parseTimetable(readTimetableFile(path).file.bytes);
    markRainGated(timetable.rules, readRainGates(path));

    using namespace std::chrono;
    const weekday wd{sys_days{year_month_day{year(day.year), month(static_cast<unsigned>(day.month)),
                                             std::chrono::day(static_cast<unsigned>(day.day))}}};
    // 0 = Sunday, as the rules store their days; a makeup day rings another weekday's bells.
    const std::size_t dayIndex =
        plan.ringsAs != 0 ? static_cast<std::size_t>(plan.ringsAs - 1) : wd.c_encoding();
    std::vector<std::pair<std::string, std::string>> bells; // time, rest of the line
    for (const std::size_t element : timetable.shownElements) {
        const PlayRule& rule = timetable.rules[element];
        if (rule.days[dayIndex] == 0)
            continue;
        for (const std::string& slot : rule.times)
            if (!textTrim(slot).empty())
                bells.emplace_back(utf8FromGbk(textTrim(slot)), utf8FromGbk(displayName(rule.musicPath)) +
                                                                    "\t" + std::to_string(rule.playCount) +
                                                                    (rule.rainGated ? "\train-gated" : ""));
    }
    std::stable_sort(bells.begin(), bells.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [time, rest] : bells)
        report += time + "\t" + rest + "\n";
    return report;
}

} // namespace ringvale
