#include "shell/ruletablemodel.h"

#include "shell/gbkqt.h"

#include <QColor>

namespace ringvale {

namespace {
constexpr int kMusicColumn = 1;
} // namespace

RuleTableModel::RuleTableModel(QObject* parent) : QAbstractTableModel(parent), m_rows(1) {
    for (std::size_t c = 0; c < m_headers.size(); ++c)
        m_headers[c] = qtFromGbk(gridHeaderTexts()[c]);
}

int RuleTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RuleTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridColumns;
}

QVariant RuleTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return m_rows[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == 1 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    if (index.column() == kMusicColumn && (role == Qt::ForegroundRole || role == Qt::ToolTipRole)) {
        const auto problem = m_musicProblems.find(index.row());
        if (problem == m_musicProblems.end())
            return {};
        if (role == Qt::ForegroundRole)
            return QColor(204, 0, 0);
        return QString::fromUtf8("音乐文件无法播放：") + problem->second;
    }
    return {};
}

void RuleTableModel::markMusicProblem(int row, const QString& reason) {
    if (row < 0 || row >= rowCount())
        return;
    m_musicProblems[row] = reason;
    emit dataChanged(index(row, kMusicColumn), index(row, kMusicColumn));
}

QVariant RuleTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kGridColumns)
        return {};
    if (role == Qt::DisplayRole)
        return m_headers[static_cast<std::size_t>(section)];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

void RuleTableModel::reset() {
    beginResetModel();
    m_rows.assign(1, Row{});
    m_musicProblems.clear();
    endResetModel();
}

void RuleTableModel::appendRows(const std::vector<GridRow>& rows) {
    if (rows.empty())
        return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    // The empty bottom row takes the first rule; a fresh empty row follows the last one.
    m_rows.pop_back();
    for (const GridRow& cells : rows) {
        Row row;
        for (std::size_t c = 0; c < cells.size(); ++c)
            row[c] = qtFromGbk(cells[c]);
        m_rows.push_back(std::move(row));
    }
    m_rows.emplace_back();
    endInsertRows();
    emit dataChanged(index(first - 1, 0), index(first - 1, kGridColumns - 1));
}

} // namespace ringvale
