#pragma once

#include "Appointment.h"

#include <QPointer>

#include <deque>
#include <optional>

namespace moravel::monitor {

class DesktopNotifier;
class frmAutostart;
class frmZeittermin;

// The reminders that fell due and have not been seen: the popup shows one, the others wait
// behind it and come one after the other, each as the user dismisses the one before. Each is also
// a desktop notification from the moment it falls due, when the user wants them; choosing OK or
// "Später erinnern" in either place ends the reminder in both.
class ReminderQueue {
public:
    explicit ReminderQueue(frmAutostart& main);
    // The popup ends with the program.
    ~ReminderQueue();
    ReminderQueue(const ReminderQueue&) = delete;
    ReminderQueue& operator=(const ReminderQueue&) = delete;

    // A reminder fell due: shown at once, or after those before it.
    void add(const Appointment& row);
    // The popup while it exists (the first reminder creates it, its close box destroys it).
    frmZeittermin* popup() const;
    qsizetype waiting() const { return qsizetype(m_waiting.size()); }

    // Installs the desktop's notifications (the caller keeps ownership); nullptr: none.
    void setNotifier(DesktopNotifier* notifier);
    // The minutes of "Später erinnern" last chosen in the popup.
    int snoozeMinutes() const { return m_snoozeMinutes; }

private:
    struct Reminder {
        Appointment row;
        std::optional<quint64> notification;
    };

    // The popup is dismissed: the next reminder, or the monitor goes back to the background.
    void dismissed();
    // The popup's close box: the next reminder on a new popup, or the main window.
    void closed();
    // "Später erinnern" in the popup.
    void snoozed(int minutes);
    // An action chosen in a notification.
    void notificationAction(quint64 key, const QString& action);
    void show(const Reminder& reminder, bool withSound);
    // The next waiting reminder on the popup; false when none waits.
    bool showNext(bool withSound);
    void closeNotification(const Reminder& reminder);

    frmAutostart& m_main;
    QPointer<frmZeittermin> m_popup;
    std::optional<Reminder> m_shown; // on the popup while it is visible
    std::deque<Reminder> m_waiting;
    QPointer<DesktopNotifier> m_notifier;
    int m_snoozeMinutes;
};

} // namespace moravel::monitor
