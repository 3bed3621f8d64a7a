#pragma once

#include <QObject>
#include <QString>

#include <vector>

namespace moravel::monitor {

// The desktop's notifications, behind an interface so that tests can stand in for the service.
// A notification is known to the monitor by a key of its own, given at once, even while the
// service has not answered yet or when there is no service at all.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    struct Action {
        QString key;
        QString label;
    };

    // Shows a notification that stays until it is closed or acted on; never fails. With `sounds`
    // the service plays the sound theme's bell with it, otherwise it is asked to stay silent.
    virtual quint64 show(const QString& summary, const QString& body, const std::vector<Action>& actions,
                         bool sounds) = 0;
    // Closes a notification that is still shown; a notification gone already is fine.
    virtual void close(quint64 key) = 0;

Q_SIGNALS:
    // The user chose an action in the notification, which is closed with it.
    void actionInvoked(quint64 key, const QString& action);
};

// The tray menu's switch "Erinnerungen auch als Desktop-Benachrichtigung" (on by default).
bool desktopNotificationsWanted();
// False when the settings file could not be written.
bool setDesktopNotificationsWanted(bool wanted);

} // namespace moravel::monitor
