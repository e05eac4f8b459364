#include "editing/ruleeditor.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/raingate.h"
#include "core/rulesound.h"
#include "core/timetableloader.h"
#include "editing/editormessages.h"

namespace ringvale {

namespace {

// The file's text, with a missing file as the empty text; nothing when it exists but cannot be read.
std::optional<std::string> readTimetableText(const std::string& path) {
    FileRead file = readTimetableFile(path).file;
    if (file.status == FileRead::Status::Unreadable)
        return std::nullopt;
    return std::move(file.bytes);
}

} // namespace

RuleEditor::RuleEditor(ScheduleContext& context, EditorState& editor, Dialogs& dialogs)
    : m_context(context), m_editor(editor), m_dialogs(dialogs) {}

void RuleEditor::init(RuleEditorView& view, int currentRow) {
    m_editor.timetablePath = m_context.state.timetablePath;
    m_editor.text = readTimetableText(m_editor.timetablePath).value_or(std::string());
    m_editor.shownRecord.clear();
    if (m_editor.mode != EditorState::Mode::Modify)
        return;
    const auto& rules = m_context.state.rules;
    if (currentRow < 1 || static_cast<std::size_t>(currentRow) >= rules.size()) {
        m_editor.mode = EditorState::Mode::Add;
        return;
    }
    m_editor.row = currentRow;
    view.setFields(fieldsOf(rules[static_cast<std::size_t>(currentRow)]));
    const auto pieces = recordPieces(m_editor.text);
    if (static_cast<std::size_t>(currentRow) < pieces.size())
        m_editor.shownRecord = pieces[static_cast<std::size_t>(currentRow)];
}

bool RuleEditor::save(RuleEditorView& view) {
    const RuleFields fields = view.fields();
    if (fields.musicPath.empty()) {
        m_dialogs.showError(messages::noMusicChosen());
        return false;
    }
    if (textTrim(fields.times[0]).empty()) {
        m_dialogs.showError(messages::noTimeEntered());
        view.focusFirstTime();
        return false;
    }
    const std::string record = ruleRecord(fields);

    // Work on the file as it is now, not as it was when the editor opened.
    const std::optional<std::string> current = readTimetableText(m_editor.timetablePath);
    if (!current) {
        m_dialogs.showError(messages::unreadableTimetable());
        return false;
    }
    std::string text;
    if (m_editor.mode == EditorState::Mode::Modify) {
        // The record shown: at its row if it is still there, else wherever it moved to.
        const auto pieces = recordPieces(*current);
        std::size_t index = 0;
        const auto row = static_cast<std::size_t>(m_editor.row);
        if (!m_editor.shownRecord.empty() && row < pieces.size() && pieces[row] == m_editor.shownRecord) {
            index = row;
        } else {
            for (std::size_t i = 1; i < pieces.size() && index == 0; ++i) {
                if (!m_editor.shownRecord.empty() && pieces[i] == m_editor.shownRecord)
                    index = i;
            }
        }
        const auto spliced = index > 0 ? spliceRecord(*current, index, record) : std::nullopt;
        if (!spliced) {
            m_dialogs.showError(messages::modifiedRuleGone());
            return false;
        }
        text = *spliced;
    } else {
        text = *current + record;
    }

    if (!writeFileAtomic(toFileName(m_editor.timetablePath), text)) {
        messages::timetableWriteFailed(m_context, m_dialogs);
        return false;
    }
    const std::string replaced =
        m_editor.mode == EditorState::Mode::Modify ? "*" + m_editor.shownRecord : std::string();
    updateRainGate(replaced, record, fields.rainGated);
    if (!updateRuleSound(m_editor.timetablePath, replaced, record, fields.sound))
        m_context.log.record(systemEntry("the outputs and gains beside " +
                                         utf8FromGbk(m_editor.timetablePath) + " could not be written"));
    m_editor.text = std::move(text);
    m_editor.mode = EditorState::Mode::Add;
    m_editor.shownRecord.clear();
    view.clearPathAndTimes();
    loadTimetable(m_context);
    return true;
}

void RuleEditor::updateRainGate(const std::string& replacedRecord, const std::string& record, bool gated) {
    std::set<std::string> gates = readRainGates(m_editor.timetablePath);
    bool changed = !replacedRecord.empty() && gates.erase(rainGateKey(replacedRecord)) > 0;
    if (gated)
        changed = gates.insert(rainGateKey(record)).second || changed;
    if (changed && !writeRainGates(m_editor.timetablePath, gates))
        m_context.log.record(systemEntry("the rain flags beside " + utf8FromGbk(m_editor.timetablePath) +
                                         " could not be written"));
}

void RuleEditor::followTimetable(RuleEditorView& view) {
    m_editor.timetablePath = m_context.state.timetablePath;
    m_editor.text = readTimetableText(m_editor.timetablePath).value_or(std::string());
    if (m_editor.mode == EditorState::Mode::Modify) {
        m_editor.mode = EditorState::Mode::Add;
        m_editor.shownRecord.clear();
        view.clearPathAndTimes();
    }
}

} // namespace ringvale
