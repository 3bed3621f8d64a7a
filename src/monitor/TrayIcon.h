#pragma once

#include <QIcon>
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
    virtual void install(const QIcon& icon, const QString& toolTip) = 0;
    virtual void remove() = 0;
    virtual bool installed() const = 0;

Q_SIGNALS:
    void activated(QSystemTrayIcon::ActivationReason reason);
};

// The desktop's own notification area.
class SystemTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    SystemTrayIcon();

    bool available() const override;
    void install(const QIcon& icon, const QString& toolTip) override;
    void remove() override;
    bool installed() const override;

private:
    QSystemTrayIcon m_icon;
};

} // namespace moravel::monitor
