// SPDX-License-Identifier: GPL-3.0-or-later
#include "preciseticker.h"

#include <algorithm>

namespace platform {

TickSchedule scheduleAfter(qint64 fired, qint64 intervalMs, qint64 elapsedMs)
{
    const qint64 count = std::max(fired, elapsedMs / intervalMs);
    return {count, std::max<qint64>((count + 1) * intervalMs - elapsedMs, 0)};
}

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
        m_timer.start(int(m_interval));
    } else {
        m_timer.stop();
    }
}

void PreciseTicker::fire()
{
    const TickSchedule next = scheduleAfter(m_count + 1, m_interval, m_clock.elapsed());
    m_count = next.count;
    // Armed before the handler runs, so ticks keep coming while it shows a
    // modal box.
    m_timer.start(int(next.delayMs));
    m_onTick();
}

} // namespace platform
