#include "shell/ruletableview.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

namespace ringvale {

void RuleGridView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void RuleGridView::contextMenuEvent(QContextMenuEvent* event) {
    emit menuRequested(event->globalPos());
    event->accept();
}

} // namespace ringvale
