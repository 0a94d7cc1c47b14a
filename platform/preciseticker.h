// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <QElapsedTimer>
#include <QTimer>

namespace platform {

struct TickSchedule {
    qint64 count;   // ticks counted so far, the dropped ones included
    qint64 delayMs; // until the next tick is due
};

// After the tick numbered fired went off at elapsedMs (counted from the start):
// ticks whose time has already passed are dropped, as a classic timer drops
// them, so a stall costs the clock one tick, never a burst of them.
TickSchedule scheduleAfter(qint64 fired, qint64 intervalMs, qint64 elapsedMs);

// Ticks on a fixed schedule counted from the moment it was enabled, so late
// ticks do not push the later ones back: the total never drifts.
class PreciseTicker final : public QObject, public Ticker {
    Q_OBJECT
public:
    PreciseTicker(int intervalMs, std::function<void()> onTick);

    void setEnabled(bool on) override;
    bool isEnabled() const override { return m_enabled; }

private:
    void fire();

    QTimer m_timer;
    QElapsedTimer m_clock;
    std::function<void()> m_onTick;
    qint64 m_interval;
    qint64 m_count = 0;
    bool m_enabled = false;
};

} // namespace platform
