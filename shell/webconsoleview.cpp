#include "shell/webconsoleview.h"

#include "core/codepage.h"
#include "web/consoleserver.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ringvale {

WebConsoleView::WebConsoleView(std::filesystem::path programDir, Dialogs& dialogs, Restart restart,
                               Describe describe, QWidget* parent)
    : QWidget(parent, Qt::Window), m_programDir(std::move(programDir)), m_dialogs(dialogs),
      m_restart(std::move(restart)), m_describe(std::move(describe)) {
    setObjectName(QStringLiteral("webConsoleView"));
    setWindowTitle(QString::fromUtf8("网页控制台"));
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("webAddress"));
    m_address->setPlaceholderText(QString::fromUtf8("8080 或 192.168.1.10:8080（留空则关闭）"));
    m_cert = new QLineEdit(this);
    m_cert->setObjectName(QStringLiteral("webCert"));
    m_cert->setPlaceholderText(QString::fromUtf8("证书文件（PEM），用于 HTTPS"));
    m_key = new QLineEdit(this);
    m_key->setObjectName(QStringLiteral("webKey"));
    m_key->setPlaceholderText(QString::fromUtf8("密钥文件（PEM）"));
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("webState"));
    m_state->setWordWrap(true);
    auto* help = new QLabel(
        QString::fromUtf8("用户用命令添加：echo 密码 | ringvale --web-user 用户名 admin|operator|viewer"),
        this);
    help->setWordWrap(true);
    auto* saveButton = new QPushButton(QString::fromUtf8("保存并应用"), this);
    saveButton->setObjectName(QStringLiteral("webSave"));
    connect(saveButton, &QPushButton::clicked, this, &WebConsoleView::save);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("地址和端口"), m_address);
    form->addRow(QString::fromUtf8("证书"), m_cert);
    form->addRow(QString::fromUtf8("密钥"), m_key);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_state);
    layout->addWidget(help);
    layout->addWidget(saveButton, 0, Qt::AlignRight);
    resize(480, 220);
}

void WebConsoleView::reload() {
    const ConsoleSettings settings = readConsoleSettings(m_programDir);
    m_address->setText(QString::fromStdString(settings.address));
    m_cert->setText(QString::fromStdString(settings.certFile));
    m_key->setText(QString::fromStdString(settings.keyFile));
    m_state->setText(m_describe());
}

bool WebConsoleView::save() {
    ConsoleSettings settings{m_address->text().trimmed().toStdString(),
                             m_cert->text().trimmed().toStdString(), m_key->text().trimmed().toStdString()};
    if (!settings.address.empty() && !parseWebAddress(settings.address).error.empty()) {
        m_dialogs.showError(gbkFromUtf8("地址应写作 端口 或 地址:端口，例如 8080 或 192.168.1.10:8080。"));
        return false;
    }
    if (settings.certFile.empty() != settings.keyFile.empty()) {
        m_dialogs.showError(gbkFromUtf8("HTTPS 需要证书和密钥两个文件。"));
        return false;
    }
    if (!writeConsoleSettings(m_programDir, settings)) {
        m_dialogs.showError(gbkFromUtf8("网页控制台的设置无法保存。"));
        return false;
    }
    std::vector<std::string> notices;
    const std::string why = m_restart(settings, &notices);
    m_state->setText(m_describe());
    if (!why.empty()) {
        m_dialogs.showError(gbkFromUtf8("网页控制台没有启动：" + why));
        return false;
    }
    for (const std::string& notice : notices)
        if (notice.find("in clear") != std::string::npos)
            m_dialogs.showMessage(
                gbkFromUtf8(
                    "网页控制台使用明文 HTTP：密码会以明文在网络上传输。请设置证书和密钥以启用 HTTPS。"),
                gbkFromUtf8("提示..."), false);
    return true;
}

} // namespace ringvale
