#include "ReminderQueue.h"

#include "frmAutostart.h"
#include "frmZeittermin.h"

namespace moravel::monitor {

ReminderQueue::ReminderQueue(frmAutostart& main) : m_main(main) {}

ReminderQueue::~ReminderQueue() {
    delete m_popup;
}

frmZeittermin* ReminderQueue::popup() const {
    return m_popup;
}

void ReminderQueue::add(const Appointment& row) {
    if (m_popup && m_popup->isVisible()) {
        m_waiting.push_back(row);
        return;
    }
    // A new popup sounds; one dismissed before comes back silently.
    show(row, !m_popup);
}

void ReminderQueue::show(const Appointment& row, bool withSound) {
    if (!m_popup) {
        m_popup = new frmZeittermin(m_main);
        QObject::connect(m_popup, &frmZeittermin::beendet, m_popup, [this] { dismissed(); });
        QObject::connect(m_popup, &frmZeittermin::geschlossen, m_popup, [this] { closed(); });
    }
    m_popup->zeigeTermin(row, withSound);
}

void ReminderQueue::dismissed() {
    if (!m_waiting.empty()) {
        const Appointment next = m_waiting.front();
        m_waiting.pop_front();
        // Each reminder of a queue is a popup of its own, with its own sound.
        show(next, true);
        return;
    }
    m_main.goToBackground();
    m_popup->hide();
}

void ReminderQueue::closed() {
    // The closed popup deletes itself.
    m_popup = nullptr;
    if (!m_waiting.empty()) {
        const Appointment next = m_waiting.front();
        m_waiting.pop_front();
        show(next, true);
        return;
    }
    m_main.showMainWindow();
}

} // namespace moravel::monitor
