#pragma once

#include "services.h"

#include <QElapsedTimer>
#include <QTimer>

namespace platform {

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
    void scheduleNext();

    QTimer m_timer;
    QElapsedTimer m_clock;
    std::function<void()> m_onTick;
    qint64 m_interval;
    qint64 m_count = 0;
    bool m_enabled = false;
};

} // namespace platform
