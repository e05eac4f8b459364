#include "editing/timetablecommands.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/raingate.h"
#include "core/rulesound.h"
#include "core/timetable.h"
#include "core/timetableloader.h"
#include "editing/editormessages.h"
#include "editing/rulerecord.h"
#include "editing/timetablecsv.h"

namespace ringvale {

TimetableCommands::TimetableCommands(ScheduleContext& context, EditorState& editor, const AppConfig& config,
                                     Dialogs& dialogs, RuleEditorHost& host, std::string programDir)
    : m_context(context), m_editor(editor), m_config(config), m_dialogs(dialogs), m_host(host),
      m_programDir(std::move(programDir)) {}

void TimetableCommands::switchTimetable(int index) {
    switchToTimetable(m_context, m_config, m_programDir, index);
    m_host.timetableSwitched();
}

void TimetableCommands::addRule(const std::function<void()>& showSchedule) {
    if (showSchedule)
        showSchedule();
    m_editor.mode = EditorState::Mode::Add;
    m_host.openRuleEditor();
}

int TimetableCommands::ruleRow() const {
    const int row = m_context.table.currentRow();
    return row > 0 && row < m_context.table.rowCount() - 1 ? row : 0;
}

void TimetableCommands::modifyRule() {
    if (ruleRow() == 0)
        return;
    m_editor.mode = EditorState::Mode::Modify;
    m_host.openRuleEditor();
}

void TimetableCommands::deleteRule() {
    deleteRuleRow(m_context, m_dialogs, ruleRow());
}

bool deleteRuleRow(ScheduleContext& context, Dialogs& dialogs, int row) {
    if (row <= 0 || static_cast<std::size_t>(row) >= context.state.rules.size())
        return false;
    const auto path = toFileName(context.state.timetablePath);
    FileRead file = readTimetableFile(context.state.timetablePath).file;
    if (file.status == FileRead::Status::Unreadable) {
        dialogs.showError(messages::unreadableTimetable());
        return false;
    }
    std::string text = std::move(file.bytes);
    const std::string record = rebuiltRecord(context.state.rules[static_cast<std::size_t>(row)]);
    const int at = textFind(text, record);
    bool deleted = false;
    if (at <= 0) {
        // Changed on disk since it was loaded: nothing to remove, so the file stays as it is.
        context.log.record(systemEntry("the rule in row " + std::to_string(row) + " is no longer in " +
                                       utf8FromGbk(context.state.timetablePath) + "; nothing was deleted"));
    } else {
        text.erase(static_cast<std::size_t>(at - 1), record.size());
        if (!writeFileAtomic(path, text)) {
            messages::timetableWriteFailed(context, dialogs);
        } else {
            deleted = true;
            if (textFind(text, record) <= 0) {
                // The last copy of the rule went: its rain flag goes with it.
                std::set<std::string> gates = readRainGates(context.state.timetablePath);
                if (gates.erase(record) > 0 && !writeRainGates(context.state.timetablePath, gates))
                    context.log.record(systemEntry("the rain flags beside " +
                                                   utf8FromGbk(context.state.timetablePath) +
                                                   " could not be written"));
                if (!forgetRuleSound(context.state.timetablePath, record))
                    context.log.record(systemEntry("the outputs and gains beside " +
                                                   utf8FromGbk(context.state.timetablePath) +
                                                   " could not be written"));
            }
        }
    }
    loadTimetable(context);
    return deleted;
}

void TimetableCommands::clearTimetable() {
    static const std::string kQuestion = gbkFromUtf8("真的要清空这套作息时间表吗？");
    static const std::string kCaption = gbkFromUtf8("提示...");
    if (!m_dialogs.askYesNo(kQuestion, kCaption))
        return;
    const auto path = toFileName(m_context.state.timetablePath);
    if (readWholeFile(path).status == FileRead::Status::Unreadable) {
        m_dialogs.showError(messages::unreadableTimetable());
        return;
    }
    m_context.table.resetRuleGrid();
    if (!writeFileAtomic(path, ""))
        messages::timetableWriteFailed(m_context, m_dialogs);
    else if (!writeRainGates(m_context.state.timetablePath, {}) ||
             !writeRuleSounds(m_context.state.timetablePath, {}))
        m_context.log.record(systemEntry("the rain flags or the outputs and gains beside " +
                                         utf8FromGbk(m_context.state.timetablePath) +
                                         " could not be removed"));
    m_context.state.running = false;
    m_context.status.setRunningShown(false);
    loadTimetable(m_context);
}

namespace {
RINGVALE_GBK_TEXT(csvFilter, "CSV 表格 (*.csv)|*.csv")
} // namespace

void TimetableCommands::exportCsv() {
    const std::string& path = m_context.state.timetablePath;
    const std::string name = timetableNameOfPath(path);
    const auto file = m_dialogs.chooseFileToSave(csvFilter(), name + ".csv");
    if (!file)
        return;
    if (const std::string why = exportTimetableCsv(path, toFileName(*file).string()); !why.empty()) {
        m_dialogs.showError(gbkFromUtf8("无法导出：") + gbkFromUtf8(why));
        return;
    }
    m_dialogs.showMessage(gbkFromUtf8("已导出到 ") + *file, gbkFromUtf8("提示..."), false);
}

void TimetableCommands::importCsv() {
    const auto file = m_dialogs.chooseFileToOpen(csvFilter());
    if (!file)
        return;
    const TimetableFromCsv taken = readTimetableCsv(toFileName(*file).string());
    if (!taken.error.empty()) {
        m_dialogs.showError(gbkFromUtf8("无法导入，没有修改作息表。" + taken.errorChinese));
        return;
    }
    const std::string& path = m_context.state.timetablePath;
    if (!m_dialogs.askYesNo(gbkFromUtf8("用表格中的 " + std::to_string(taken.rules) + " 条规则替换“") +
                                timetableNameOfPath(path) + gbkFromUtf8("”的全部规则吗？"),
                            gbkFromUtf8("提示...")))
        return;
    if (const std::string why = importTimetableCsv(path, toFileName(*file).string()); !why.empty()) {
        m_dialogs.showError(gbkFromUtf8("无法导入：") + gbkFromUtf8(why));
        return;
    }
    loadTimetable(m_context);
}

} // namespace ringvale
