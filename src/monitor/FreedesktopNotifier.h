#pragma once

#include "DesktopNotifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QImage>
#include <QSet>

namespace moravel::monitor {

// Desktop notifications through the notification service of a bus, the session bus in the
// program (org.freedesktop.Notifications). Every call is asynchronous, so that a slow or hanging service
// never holds the monitor; without a session bus or a service, notifications are left out and
// logged, and nothing else changes.
class FreedesktopNotifier : public DesktopNotifier {
    Q_OBJECT
public:
    // `icon`: the program's icon, sent with every notification as its picture.
    FreedesktopNotifier(QImage icon, const QDBusConnection& bus);

    quint64 show(const QString& summary, const QString& body, const std::vector<Action>& actions,
                 bool sounds) override;
    void close(quint64 key) override;

private Q_SLOTS:
    void serviceActionInvoked(uint id, const QString& action);
    void serviceNotificationClosed(uint id, uint reason);

private:
    void notify(quint64 key, const QString& summary, const QString& body, const QStringList& actions,
                bool sounds, bool markup);
    void closeOnService(uint id);
    void unavailable(const QString& why);

    QImage m_icon;
    QDBusConnection m_bus;
    quint64 m_lastKey = 0;
    QHash<uint, quint64> m_keys;    // the service's id -> the key, while shown
    QSet<quint64> m_pending;        // sent, the service's id not known yet
    QSet<quint64> m_closeWhenShown; // closed while pending
    bool m_toldUnavailable = false;
};

} // namespace moravel::monitor
