#pragma once

#include "Appointment.h"

#include <QPointer>

#include <deque>

namespace moravel::monitor {

class frmAutostart;
class frmZeittermin;

// The reminders that fell due and have not been seen: the popup shows one, the others wait
// behind it and come one after the other, each as the user dismisses the one before.
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

private:
    // The popup is dismissed: the next reminder, or the monitor goes back to the background.
    void dismissed();
    // The popup's close box: the next reminder on a new popup, or the main window.
    void closed();
    void show(const Appointment& row, bool withSound);

    frmAutostart& m_main;
    QPointer<frmZeittermin> m_popup;
    std::deque<Appointment> m_waiting;
};

} // namespace moravel::monitor
