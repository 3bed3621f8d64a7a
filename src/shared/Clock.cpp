#include "Clock.h"

namespace moravel {

namespace {
Clock* g_clock = nullptr;
}

QDateTime Clock::currentDateTime() {
    return g_clock ? g_clock->now() : QDateTime::currentDateTime();
}

void Clock::setInstance(Clock* clock) {
    g_clock = clock;
}

} // namespace moravel
