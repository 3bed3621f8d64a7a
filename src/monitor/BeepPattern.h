#pragma once

#include <QObject>
#include <QTimer>

namespace moravel::monitor {

// The reminder sound: beep, 300 ms, beep, 600 ms, twice. A timer carries the waits, so the
// windows keep being painted and the monitor keeps ticking while it plays.
class BeepPattern : public QObject {
    Q_OBJECT
public:
    explicit BeepPattern(QObject* parent = nullptr);

    // Gives the first beep at once; the timer gives the other three.
    void start();
    bool isPlaying() const { return m_timer.isActive(); }
    const QTimer& timer() const { return m_timer; }

public Q_SLOTS:
    // The timer's handler: the next beep, then the wait after it.
    void step();

private:
    QTimer m_timer;
    int m_given = 0;
};

} // namespace moravel::monitor
