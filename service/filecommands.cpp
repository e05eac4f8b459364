#include "service/filecommands.h"

#include "core/calendarfile.h"
#include "core/clock.h"
#include "core/codepage.h"
#include "core/dayreport.h"
#include "core/holidayfeeds.h"
#include "core/holidayimport.h"
#include "core/programdir.h"
#include "core/rulesound.h"
#include "core/timetable.h"
#include "editing/timetablecsv.h"
#include "media/feedfetch.h"
#include "media/soundoutputs.h"
#include "media/soundsettings.h"

#include <charconv>
#include <cstdio>

namespace ringvale {

namespace {

constexpr int kPreviewDays = 8 * 7;

LogDay today() {
    return logDayOf(localTimeAt(std::chrono::system_clock::now()));
}

std::string nowText() {
    return localTimeText(localTimeAt(std::chrono::system_clock::now()));
}

// DATE<TAB>BEFORE<TAB>AFTER for each day of the next eight weeks that rings differently.
void printChanges(const HolidayImport& imported) {
    for (const PlanChange& change : planChanges(imported.before, imported.after, today(), kPreviewDays))
        std::printf("%s\t%s\t%s\n", logDayText(change.day).c_str(), change.before.c_str(),
                    change.after.c_str());
}

void printImported(const HolidayImport& imported) {
    std::printf("imported %zu\n", imported.entries.size() + imported.makeupDays.size());
    if (!imported.makeupDays.empty())
        std::printf("makeup school days %zu\n", imported.makeupDays.size());
    if (const std::string leftOut = imported.leftOut(); !leftOut.empty())
        std::fprintf(stderr, "ringvale: left out: %s\n", leftOut.c_str());
}

int ringsOn(const std::filesystem::path& programDir, const std::string& text) {
    const auto date = parseCalendarKey(text);
    if (!date || date->yearly || !(date->from == date->to)) {
        std::fprintf(stderr, "ringvale: %s is not a date YYYY-MM-DD\n", text.c_str());
        return 2;
    }
    if (const std::string problem = readCalendarFile(programDir).problem; !problem.empty())
        std::fprintf(stderr, "ringvale: %s\n", problem.c_str());
    std::fputs(ringsOnReport(programDir, date->from).c_str(), stdout);
    return 0;
}

int importFile(const std::filesystem::path& programDir, const std::string& file, bool dryRun) {
    const HolidayImport imported = importHolidays(programDir, file, dryRun);
    if (!imported.error.empty()) {
        std::fprintf(stderr, "ringvale: %s: %s\n", file.c_str(), imported.error.c_str());
        return 1;
    }
    if (dryRun)
        printChanges(imported);
    else
        printImported(imported);
    return 0;
}

int subscribe(const std::filesystem::path& programDir, const std::string& typed, bool dryRun) {
    const FeedAddress address = feedAddress(typed);
    if (!address.error.empty()) {
        std::fprintf(stderr, "ringvale: %s\n", address.error.c_str());
        return 2;
    }
    const std::string label = feedLabel(address.url);
    const FeedFetch fetched = fetchHolidayFeed(address.url);
    if (!fetched.ok) {
        std::fprintf(stderr, "ringvale: %s: %s; not subscribed\n", label.c_str(), fetched.error.c_str());
        return 1;
    }
    const HolidayImport applied =
        applyFeed(programDir, address.url, fetched.body, nowText(), FeedSubscription::Add, dryRun);
    if (!applied.error.empty()) {
        std::fprintf(stderr, "ringvale: %s: %s; not subscribed\n", label.c_str(), applied.error.c_str());
        return 1;
    }
    if (dryRun) {
        printChanges(applied);
        return 0;
    }
    printImported(applied);
    std::printf("subscribed %s\n", label.c_str());
    return 0;
}

int unsubscribe(const std::filesystem::path& programDir, const std::string& typed) {
    const FeedAddress address = feedAddress(typed);
    const std::string url = address.error.empty() ? address.url : typed;
    if (const std::string why = unsubscribeFeed(programDir, url); !why.empty()) {
        std::fprintf(stderr, "ringvale: %s\n", why.c_str());
        return 1;
    }
    std::printf("unsubscribed %s\n", feedLabel(url).c_str());
    return 0;
}

int timetableCsv(const std::filesystem::path& programDir, const CommandLine& line) {
    const std::string path = timetablePath(fromFileName(programDir), line.csvTimetable);
    if (line.timetableCsv == CommandLine::TimetableCsv::Export) {
        if (const std::string why = exportTimetableCsv(path, line.csvFile); !why.empty()) {
            std::fprintf(stderr, "ringvale: %s\n", why.c_str());
            return 1;
        }
        return 0;
    }
    int rules = 0;
    if (const std::string why = importTimetableCsv(path, line.csvFile, &rules); !why.empty()) {
        std::fprintf(stderr, "ringvale: %s; nothing written\n", why.c_str());
        return 1;
    }
    std::printf("imported %d rules into %s\n", rules, utf8FromGbk(timetableName(line.csvTimetable)).c_str());
    return 0;
}

int listen(const std::filesystem::path& programDir, const std::string& source) {
    if (source == "list") {
        for (const SoundDevice& input : listSoundInputs())
            std::printf("%s\t%s\n", input.name.c_str(), input.description.c_str());
        return 0;
    }
    SoundSettings settings = readSoundSettings(programDir);
    settings.listen = source == "off" ? std::string() : source;
    if (!settings.listen.empty() && !isOutputName(settings.listen)) {
        std::fprintf(stderr, "ringvale: --listen: \"%s\" is not an input's name\n", source.c_str());
        return 2;
    }
    if (!writeSoundSettings(programDir, settings)) {
        std::fprintf(stderr, "ringvale: %s could not be written\n", soundSettingsPath(programDir).c_str());
        return 1;
    }
    if (settings.listen.empty())
        std::printf("bells are no longer listened for\n");
    else
        std::printf("listening for every bell on %s from the next start\n", settings.listen.c_str());
    return 0;
}

int loudnessTarget(const std::filesystem::path& programDir, const std::string& typed) {
    double target = 0;
    const auto read = std::from_chars(typed.data(), typed.data() + typed.size(), target);
    if (read.ec != std::errc() || read.ptr != typed.data() + typed.size() || target < kQuietestTargetLufs ||
        target > kLoudestTargetLufs) {
        std::fprintf(stderr, "ringvale: --loudness-target: a loudness from -30 to -10 (LUFS), not \"%s\"\n",
                     typed.c_str());
        return 2;
    }
    SoundSettings settings = readSoundSettings(programDir);
    settings.targetLufs = target;
    if (!writeSoundSettings(programDir, settings)) {
        std::fprintf(stderr, "ringvale: %s could not be written\n", soundSettingsPath(programDir).c_str());
        return 1;
    }
    std::printf("bells and songs play at %g LUFS from the next start\n", target);
    return 0;
}

} // namespace

std::optional<int> runFileCommand(const CommandLine& line) {
    if (!line.ringsOn && !line.importHolidays && !line.subscribe && !line.unsubscribe && !line.listen &&
        !line.loudnessTarget && line.timetableCsv == CommandLine::TimetableCsv::None)
        return std::nullopt;
    const auto programDir = resolveProgramDirectory(processEnv, executableDirectory());
    if (line.ringsOn)
        return ringsOn(programDir, *line.ringsOn);
    ensureProgramDirectory(programDir);
    if (line.importHolidays)
        return importFile(programDir, *line.importHolidays, line.dryRun);
    if (line.subscribe)
        return subscribe(programDir, *line.subscribe, line.dryRun);
    if (line.unsubscribe)
        return unsubscribe(programDir, *line.unsubscribe);
    if (line.listen)
        return listen(programDir, *line.listen);
    if (line.loudnessTarget)
        return loudnessTarget(programDir, *line.loudnessTarget);
    return timetableCsv(programDir, line);
}

} // namespace ringvale
