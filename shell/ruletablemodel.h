#pragma once

#include "core/timetable.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <map>
#include <vector>

namespace ringvale {

// The rows of the rule table below its header: one per shown rule, then one empty row.
class RuleTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RuleTableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void reset();
    void appendRows(const std::vector<GridRow>& rows);
    // The music cell of model row `row` turns red with `reason` as its tooltip.
    void markMusicProblem(int row, const QString& reason);

private:
    using Row = std::array<QString, kGridColumns>;
    std::vector<Row> m_rows;
    std::map<int, QString> m_musicProblems; // model row -> reason
    std::array<QString, kGridColumns> m_headers;
};

} // namespace ringvale
