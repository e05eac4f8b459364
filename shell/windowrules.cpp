// The main window's rules: the layout rule on resize, the fixed design size, and what
// minimising, closing and Escape do.

#include "shell/mainwindow.h"

#include "shell/ruletableview.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>

namespace ringvale {

void MainWindow::applyLayoutRule(QSize outer) {
    const double w = outer.width();
    const double h = outer.height();
    const auto cut = [](double v) { return static_cast<int>(v); };
    // A minimised window passes tiny sizes here; negative extents are clamped, and the
    // restored size lays everything out again.
    m_grid->setGeometry(0, 56, std::max(0, cut(w - 5)), std::max(0, cut(h - 125)));
    m_helpBox->setGeometry(250, 56, 850, 470);
    const int c = cut((w - 180) / 2);
    m_statusLabel->setGeometry(0, cut(h - 70), std::max(0, c), m_statusLabel->height());
    m_nextRuleLabel->setGeometry(c - 1, cut(h - 70), std::max(0, c + 4), m_nextRuleLabel->height());
    m_elapsedLabel->move(cut(w - 178), cut(h - 70));
}

QSize MainWindow::frameExtent() const {
    return frameGeometry().size() - geometry().size();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The rule works on the outer size, frame included.
    applyLayoutRule(size() + frameExtent());
    // The frame has no sizing border: outside maximise and minimise the window keeps its size.
    const auto keepDesignSize = [this] {
        const QSize client = QSize(kDesignWidth, kDesignHeight) - frameExtent();
        if (windowState() == Qt::WindowNoState && size() != client)
            resize(client);
    };
    if (windowState() == Qt::WindowNoState && size() + frameExtent() != QSize(kDesignWidth, kDesignHeight))
        QTimer::singleShot(0, this, keepDesignSize);
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Minimise rule: with the to-tray option the minimised window hides in the notification area.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_toTrayBox->isChecked())
        QTimer::singleShot(0, this, &QWidget::hide);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Close rule: with the to-tray option the window only hides; otherwise the program ends.
    if (m_toTrayBox->isChecked()) {
        hide();
        event->ignore();
        return;
    }
    event->accept();
    emit programEndRequested();
}

bool MainWindow::answerEndOfSession() {
    // The close rule again: with the to-tray option the window hides and the session is asked to
    // go on without ending this program, so the bells keep ringing.
    if (m_toTrayBox->isChecked()) {
        hide();
        return false;
    }
    return true;
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Escape makes the same close request as the close button. Keys reach the window only when
    // no control took them, so Escape in the rule editor closes the editor alone.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace ringvale
