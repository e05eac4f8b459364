#include "core/timetableloader.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/filestore.h"
#include "core/musicfilecheck.h"
#include "core/raingate.h"
#include "core/rulesound.h"

namespace ringvale {

namespace {

void showRunning(ScheduleContext& context, bool running) {
    context.state.running = running;
    context.status.setRunningShown(running);
    context.status.setStatusText(runningStateText(running));
}

// Marks, and logs once per load, each shown rule whose music file cannot be played.
void markMusicProblems(ScheduleContext& context, const std::vector<std::size_t>& shownElements,
                       int firstRow) {
    const ScheduleState& state = context.state;
    int row = firstRow;
    for (const std::size_t element : shownElements) {
        if (const auto problem = musicFileProblem(context.playback.locate(state.rules[element].musicPath))) {
            context.table.markMusicProblem(row, *problem);
            BellEntry entry = bellEntryFor(BellEvent::System, state.rules, element, {}, state.timetablePath,
                                           "music file " + *problem);
            entry.row = row;
            context.log.record(std::move(entry));
        }
        ++row;
    }
}

} // namespace

TimetableFileRead readTimetableFile(std::string_view timetablePath) {
    TimetableFileRead read{readWholeFile(toFileName(timetablePath))};
    if (read.file.ok())
        read.file.bytes = gbkFileText(std::move(read.file.bytes), &read.utf8);
    return read;
}

const std::string& runningStateText(bool running) {
    static const std::string kRunning = gbkFromUtf8("系统正在运行中");
    static const std::string kStopped = gbkFromUtf8("系统已停止运行");
    return running ? kRunning : kStopped;
}

void loadTimetable(ScheduleContext& context) {
    ScheduleState& state = context.state;
    // What plays (a bell, a play now, an alarm, a song) plays on: only a stop, a new play or a
    // new bell ends it.
    context.table.resetRuleGrid();
    state.rules.clear();
    context.playback.cancelPrepared(); // the next tick prepares whatever the new rules ring

    // Stamped before the read: a change in between is seen at the next look.
    state.timetableStamp = fileStampOf(toFileName(state.timetablePath));
    state.rainGateStamp = fileStampOf(rainGatePath(state.timetablePath));
    const TimetableFileRead read = readTimetableFile(state.timetablePath);
    const FileRead& file = read.file;
    state.timetableUnreadable = file.status == FileRead::Status::Unreadable;
    if (file.status == FileRead::Status::Missing)
        return;

    ParsedTimetable parsed;
    const std::string name = timetableNameOfPath(state.timetablePath);
    if (file.status == FileRead::Status::Unreadable) {
        context.log.record(systemEntry("timetable " + name + " cannot be read (larger than " +
                                       std::to_string(kLargestReadableFile >> 20) +
                                       " MiB, not a regular file, or no permission): shown empty, and "
                                       "nothing writes over it"));
    } else if (file.ok()) {
        if (read.utf8) // saved by an editor that does not know GBK: read all the same, and said
            context.log.record(systemEntry("timetable " + name +
                                           " is saved as UTF-8, not GBK: read as UTF-8; the next save "
                                           "from the editor writes it as GBK"));
        parsed = parseTimetable(file.bytes);
    }
    state.rules = std::move(parsed.rules);
    markRainGated(state.rules, readRainGates(state.timetablePath));
    applyRuleSounds(state.rules, readRuleSounds(state.timetablePath));
    std::vector<GridRow> rows;
    rows.reserve(parsed.shownElements.size());
    const int firstRow = context.table.rowCount() - 1;
    int row = firstRow;
    for (const std::size_t element : parsed.shownElements)
        rows.push_back(gridRowFor(row++, state.rules[element]));
    context.table.appendRuleRows(std::move(rows));
    markMusicProblems(context, parsed.shownElements, firstRow);

    context.status.setStatusText({});
    context.status.setNextRuleText({});
    state.nextRuleValid = false;
    showRunning(context, !state.rules.empty());
}

void switchToTimetable(ScheduleContext& context, const AppConfig& config, std::string_view programDir,
                       int index) {
    context.state.timetablePath = timetablePath(programDir, index);
    config.writeOrReport(settings::systemSection(), settings::timetableKey(), std::to_string(index));
    loadTimetable(context);
    context.log.record(
        systemEntry("timetable switched to " + timetableNameOfPath(context.state.timetablePath)));
}

} // namespace ringvale
