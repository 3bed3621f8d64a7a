#pragma once

#include <QObject>

class QSocketNotifier;

namespace moravel::monitor {

// Tells when the wall clock was set (by the user or a time service) or the machine woke from
// suspend: a sleeping monitor's timers run on a clock that knows neither. Costs no wakeup while
// nothing happens.
class ClockJumpWatch : public QObject {
    Q_OBJECT
public:
    explicit ClockJumpWatch(QObject* parent = nullptr);
    ~ClockJumpWatch() override;
    ClockJumpWatch(const ClockJumpWatch&) = delete;
    ClockJumpWatch& operator=(const ClockJumpWatch&) = delete;

Q_SIGNALS:
    void jumped();

private:
    bool arm();
    void readable();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace moravel::monitor
