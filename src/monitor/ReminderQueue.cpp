#include "ReminderQueue.h"

#include "DesktopNotifier.h"
#include "DueDetection.h"
#include "frmAutostart.h"
#include "frmZeittermin.h"

#include <algorithm>

namespace moravel::monitor {

namespace {
const QString kOk = QStringLiteral("ok");
const QString kLater = QStringLiteral("spaeter");
} // namespace

ReminderQueue::ReminderQueue(frmAutostart& main)
    : m_main(main), m_snoozeMinutes(frmZeittermin::kAbstandVorgabe) {}

ReminderQueue::~ReminderQueue() {
    // A notification left behind would offer actions nobody answers.
    if (m_shown)
        closeNotification(*m_shown);
    for (const Reminder& reminder : m_waiting)
        closeNotification(reminder);
    delete m_popup;
}

frmZeittermin* ReminderQueue::popup() const {
    return m_popup;
}

void ReminderQueue::setNotifier(DesktopNotifier* notifier) {
    if (m_notifier)
        QObject::disconnect(m_notifier, nullptr, &m_main, nullptr);
    m_notifier = notifier;
    if (m_notifier)
        QObject::connect(m_notifier, &DesktopNotifier::actionInvoked, &m_main,
                         [this](quint64 key, const QString& action) { notificationAction(key, action); });
}

void ReminderQueue::add(const Appointment& row) {
    const bool waits = m_popup && m_popup->isVisible();
    // A new popup sounds, and so does a waiting reminder when its turn comes; a popup dismissed
    // before comes back silently, and then the notification sounds in its place, once.
    const bool popupSounds = waits || !m_popup;
    Reminder reminder{row, std::nullopt};
    if (m_notifier && desktopNotificationsWanted())
        reminder.notification =
            m_notifier->show(QStringLiteral("Fälliger Termin!"), notificationText(row),
                             {{kOk, QStringLiteral("OK")}, {kLater, QStringLiteral("Später erinnern")}},
                             !popupSounds && !m_main.ausGewuenscht());
    if (waits) {
        m_waiting.push_back(reminder);
        return;
    }
    show(reminder, !m_popup);
}

void ReminderQueue::show(const Reminder& reminder, bool withSound) {
    if (!m_popup) {
        m_popup = new frmZeittermin(m_main);
        m_popup->setAbstand(m_snoozeMinutes);
        QObject::connect(m_popup, &frmZeittermin::beendet, m_popup, [this] { dismissed(); });
        QObject::connect(m_popup, &frmZeittermin::geschlossen, m_popup, [this] { closed(); });
        QObject::connect(m_popup, &frmZeittermin::spaeterErinnern, m_popup,
                         [this](int minutes) { snoozed(minutes); });
        QObject::connect(m_popup, &frmZeittermin::abstandGewaehlt, m_popup,
                         [this](int minutes) { m_snoozeMinutes = minutes; });
    }
    m_shown = reminder;
    m_popup->zeigeTermin(reminder.row, withSound);
}

bool ReminderQueue::showNext(bool withSound) {
    if (m_waiting.empty())
        return false;
    const Reminder next = m_waiting.front();
    m_waiting.pop_front();
    show(next, withSound);
    return true;
}

void ReminderQueue::closeNotification(const Reminder& reminder) {
    if (m_notifier && reminder.notification)
        m_notifier->close(*reminder.notification);
}

void ReminderQueue::dismissed() {
    if (m_shown)
        closeNotification(*m_shown);
    m_shown.reset();
    // Each reminder of a queue is a popup of its own, with its own sound.
    if (showNext(true))
        return;
    m_main.goToBackground();
    m_popup->hide();
}

void ReminderQueue::closed() {
    // The closed popup deletes itself.
    m_popup = nullptr;
    if (m_shown)
        closeNotification(*m_shown);
    m_shown.reset();
    if (showNext(true))
        return;
    m_main.showMainWindow();
}

void ReminderQueue::snoozed(int minutes) {
    m_snoozeMinutes = minutes;
    if (m_shown)
        m_main.snooze(m_shown->row, minutes);
    dismissed();
}

void ReminderQueue::notificationAction(quint64 key, const QString& action) {
    if (action != kOk && action != kLater)
        return;
    if (m_shown && m_shown->notification == key) {
        // The service has closed it with the action.
        m_shown->notification.reset();
        if (action == kOk)
            dismissed();
        else
            snoozed(m_snoozeMinutes);
        return;
    }
    const auto waiting = std::find_if(m_waiting.begin(), m_waiting.end(), [key](const Reminder& reminder) {
        return reminder.notification == key;
    });
    if (waiting == m_waiting.end())
        return;
    const Appointment row = waiting->row;
    m_waiting.erase(waiting);
    if (action == kLater)
        m_main.snooze(row, m_snoozeMinutes);
}

} // namespace moravel::monitor
