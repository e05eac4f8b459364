#pragma once

#include <QTableView>

namespace ringvale {

// The rule table's view. A right press opens the popup menu without moving the cursor, so the
// chosen command acts on the row that was current before.
class RuleGridView final : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

signals:
    void menuRequested(const QPoint& globalPos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

} // namespace ringvale
