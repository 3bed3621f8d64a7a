#include "BeepPattern.h"

#include "Platform.h"

#include <array>

namespace moravel::monitor {

namespace {
// The wait after each beep but the last, in milliseconds.
constexpr std::array<int, 3> kWaitsMs = {300, 600, 300};
} // namespace

BeepPattern::BeepPattern(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &BeepPattern::step);
}

void BeepPattern::start() {
    m_given = 0;
    step();
}

void BeepPattern::step() {
    ui::Platform::instance().beep();
    if (m_given < int(kWaitsMs.size()))
        m_timer.start(kWaitsMs[static_cast<size_t>(m_given)]);
    else
        m_timer.stop();
    ++m_given;
}

} // namespace moravel::monitor
