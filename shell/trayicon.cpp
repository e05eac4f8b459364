#include "shell/trayicon.h"

#include "core/gbktext.h"
#include "shell/gbkqt.h"

#include <QSystemTrayIcon>

namespace ringvale {

TrayEvent trayEventKind(int activationReason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(activationReason)) {
    case QSystemTrayIcon::Trigger:
        return TrayEvent::Click;
    case QSystemTrayIcon::DoubleClick:
        return TrayEvent::DoubleClick;
    case QSystemTrayIcon::Context:
        return TrayEvent::Menu;
    default:
        return TrayEvent::None;
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
            if (const TrayEvent event = trayEventKind(reason); event != TrayEvent::None)
                emit trayEvent(event);
        });
    }
    m_icon->setIcon(*picture);
    m_icon->setToolTip(tooltip ? qtFromGbk(textMiddle(*tooltip, 1, 62)) : QString());
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_icon->show();
}

void TrayIcon::notify(const QString& title, const QString& text) {
    m_lastNotification = title + QStringLiteral(": ") + text;
    if (m_icon && QSystemTrayIcon::supportsMessages())
        m_icon->showMessage(title, text, QSystemTrayIcon::Warning);
}

QString TrayIcon::toolTip() const {
    return m_icon ? m_icon->toolTip() : QString();
}

} // namespace ringvale
