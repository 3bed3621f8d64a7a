#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

namespace moravel::monitor {

// The icon in the notification area, behind an interface so that tests can stand in for the
// desktop: click it, or pretend there is no notification area at all.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    // Whether the desktop offers a notification area just now; it may appear late after logon.
    virtual bool available() const = 0;
    // `menu`: what a right click on the icon opens.
    virtual void install(const QIcon& icon, const QString& toolTip, QMenu* menu) = 0;
    virtual void remove() = 0;
    virtual bool installed() const = 0;

Q_SIGNALS:
    // Context: the user asks for the menu, and it is not open yet.
    void activated(QSystemTrayIcon::ActivationReason reason);
};

// The desktop's own notification area: an XEmbed tray, or a panel that shows StatusNotifierItems
// over D-Bus (Qt chooses when the monitor starts). The latter reads the menu over D-Bus and opens
// it itself; an XEmbed tray has Qt open it at the click.
class SystemTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    SystemTrayIcon();

    bool available() const override;
    void install(const QIcon& icon, const QString& toolTip, QMenu* menu) override;
    void remove() override;
    bool installed() const override;

private:
    QSystemTrayIcon m_icon;
};

} // namespace moravel::monitor
