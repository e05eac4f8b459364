#include "shell/trayicon.h"

#include "core/gbktext.h"
#include "shell/gbkqt.h"

#include <QSystemTrayIcon>

namespace ringvale {

int trayEventKind(int activationReason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(activationReason)) {
    case QSystemTrayIcon::Trigger:
        return 1;
    case QSystemTrayIcon::DoubleClick:
        return 2;
    case QSystemTrayIcon::Context:
        return 3;
    default:
        return 0;
    }
}

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {}

TrayIcon::~TrayIcon() {
    setTrayIcon(std::nullopt, std::nullopt);
}

void TrayIcon::setTrayIcon(const std::optional<QIcon>& picture, const std::optional<std::string>& tooltip) {
    if (!picture) {
        delete m_icon;
        m_icon = nullptr;
        return;
    }
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (const int kind = trayEventKind(reason))
                emit trayEvent(kind);
        });
    }
    m_icon->setIcon(*picture);
    m_icon->setToolTip(tooltip ? qtFromGbk(textMiddle(*tooltip, 1, 62)) : QString());
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon->show();
}

QString TrayIcon::toolTip() const {
    return m_icon ? m_icon->toolTip() : QString();
}

} // namespace ringvale
