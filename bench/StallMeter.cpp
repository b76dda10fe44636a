#include "StallMeter.h"

#include <algorithm>

namespace {

constexpr int kIntervalMs = 5;

} // namespace

StallMeter::StallMeter() {
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    });
}

void StallMeter::start() {
    m_clock.start();
    m_last = 0;
    m_longest = 0;
    m_timer.start();
}

double StallMeter::stopMs() {
    m_timer.stop();
    return std::max(0.0, static_cast<double>(std::max(m_longest, m_clock.nsecsElapsed() - m_last)) / 1e6 - kIntervalMs);
}
