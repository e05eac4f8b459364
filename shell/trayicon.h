#pragma once

#include "shell/trayevent.h"

#include <QIcon>
#include <QObject>

#include <optional>
#include <string>

class QSystemTrayIcon;

namespace ringvale {

// The notification-area icon of the main window. Without a notification area on the desktop
// the icon is simply not shown.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // A picture adds the icon or replaces its picture and tooltip; no picture removes it. The
    // tooltip (GBK) is cut to its first 62 bytes, never inside a double-byte character.
    void setTrayIcon(const std::optional<QIcon>& picture, const std::optional<std::string>& tooltip);

    bool isInstalled() const { return m_icon != nullptr; }
    QString toolTip() const;
    // The platform's notification from the icon (nothing without an icon or notifications).
    void notify(const QString& title, const QString& text);
    // The last notification asked for, shown or not (for tests).
    QString lastNotification() const { return m_lastNotification; }

signals:
    void trayEvent(ringvale::TrayEvent event);

private:
    QSystemTrayIcon* m_icon = nullptr;
    QString m_lastNotification;
};

// The tray's event for an activation reason; None for reasons that raise nothing.
TrayEvent trayEventKind(int activationReason);

} // namespace ringvale
