#pragma once

#include <QDateTime>

namespace moravel {

// The one source of "now" for both programs. Tests install a clock of their own
// so that nothing has to wait for real time to pass.
class Clock {
public:
    virtual ~Clock() = default;

    // Local date and time of the installed clock (the system clock by default).
    static QDateTime currentDateTime();
    static QDate currentDate() { return currentDateTime().date(); }

    // Installs a clock; nullptr restores the system clock. The caller keeps ownership.
    static void setInstance(Clock* clock);

protected:
    virtual QDateTime now() const = 0;
};

// A clock that stands still until it is set or advanced.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start) : m_now(std::move(start)) {}

    void set(const QDateTime& dateTime) { m_now = dateTime; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }

protected:
    QDateTime now() const override { return m_now; }

private:
    QDateTime m_now;
};

} // namespace moravel
