#include "shell/qtdialogs.h"

#include "core/codepage.h"
#include "shell/gbkqt.h"

#include <QFileDialog>
#include <QMessageBox>

namespace ringvale {

namespace {

int runBox(QMessageBox::Icon icon, std::string_view caption, std::string_view text,
           QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, qtFromGbk(caption), qtFromGbk(text), buttons);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec();
}

} // namespace

void QtDialogs::showError(std::string_view text) {
    static const std::string kCaption = gbkFromUtf8("提示...");
    runBox(QMessageBox::Critical, kCaption, text, QMessageBox::Ok);
}

bool QtDialogs::askYesNo(std::string_view text, std::string_view caption) {
    return runBox(QMessageBox::Information, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void QtDialogs::showMessage(std::string_view text, std::string_view caption, bool iconless) {
    runBox(iconless ? QMessageBox::NoIcon : QMessageBox::Information, caption, text, QMessageBox::Ok);
}

QString qtFileFilter(std::string_view filter) {
    const QString text = qtFromGbk(filter);
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    const QString description = bar < 0 ? text : text.left(bar);
    QStringList patterns;
    for (const QString& pattern :
         (bar < 0 ? QString() : text.mid(bar + 1)).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        patterns << pattern.toUpper();
        if (pattern.toLower() != pattern.toUpper())
            patterns << pattern.toLower();
    }
    return QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
}

std::optional<std::string> QtDialogs::chooseFileToOpen(std::string_view filter) {
    const QString file = QFileDialog::getOpenFileName(nullptr, QString(), QString(), qtFileFilter(filter));
    if (file.isEmpty())
        return std::nullopt;
    return fromFileName(file.toStdString());
}

std::optional<std::string> QtDialogs::chooseFileToSave(std::string_view filter, std::string_view suggested) {
    const QString file = QFileDialog::getSaveFileName(nullptr, QString(), qtFromGbk(std::string(suggested)),
                                                      qtFileFilter(filter));
    if (file.isEmpty())
        return std::nullopt;
    return fromFileName(file.toStdString());
}

} // namespace ringvale
