#include "ClockJumpWatch.h"

#include "MonitorLog.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/timerfd.h>
#include <unistd.h>

namespace moravel::monitor {

namespace {
// A moment that never comes: the timer is there only to be cancelled when the clock is set.
constexpr time_t kNever = 8'000'000'000;
} // namespace

ClockJumpWatch::ClockJumpWatch(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("clockJumpWatch"));
    m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0 || !arm()) {
        qCWarning(lcMonitor, "Cannot watch the clock for jumps (%s); they are noticed within a minute",
                  std::strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ClockJumpWatch::readable);
}

ClockJumpWatch::~ClockJumpWatch() {
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ClockJumpWatch::arm() {
    itimerspec never{};
    never.it_value.tv_sec = kNever;
    return ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &never, nullptr) == 0;
}

void ClockJumpWatch::readable() {
    // A cancelled timer reads ECANCELED once and must be set again to tell the next jump.
    std::uint64_t expirations = 0;
    const bool cancelled = ::read(m_fd, &expirations, sizeof expirations) < 0 && errno == ECANCELED;
    if (!arm()) {
        qCWarning(lcMonitor, "Cannot watch the clock for jumps any longer (%s)", std::strerror(errno));
        m_notifier->setEnabled(false);
    }
    if (cancelled)
        Q_EMIT jumped();
}

} // namespace moravel::monitor
