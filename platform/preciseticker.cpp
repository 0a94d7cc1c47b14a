#include "preciseticker.h"

#include <algorithm>

namespace platform {

PreciseTicker::PreciseTicker(int intervalMs, std::function<void()> onTick)
    : m_onTick(std::move(onTick)), m_interval(intervalMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PreciseTicker::fire);
}

void PreciseTicker::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (on) {
        m_count = 0;
        m_clock.start();
        scheduleNext();
    } else {
        m_timer.stop();
    }
}

void PreciseTicker::fire()
{
    ++m_count;
    // Armed before the handler runs, so ticks keep coming while it shows a
    // modal box.
    scheduleNext();
    m_onTick();
}

void PreciseTicker::scheduleNext()
{
    const qint64 due = (m_count + 1) * m_interval - m_clock.elapsed();
    m_timer.start(int(std::max<qint64>(due, 0)));
}

} // namespace platform
