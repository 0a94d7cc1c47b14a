// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the program's one-second timer for a whole race (301 ticks) at real
// speed and reports how far the last tick lands from 301 s after the start.
// With a stall, the event loop is blocked that long at the fifth tick, as a
// suspend or a busy machine would; the ticks after it must not come in a burst.
//   bench_clock [interval-ms] [ticks] [stall-ms]
#include "preciseticker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int interval = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int ticks = argc > 2 ? std::atoi(argv[2]) : 301;
    const int stall = argc > 3 ? std::atoi(argv[3]) : 0;
    QElapsedTimer clock;
    int count = 0;
    qint64 worstLate = 0, previous = 0, closest = interval;
    platform::PreciseTicker ticker(interval, [&] {
        ++count;
        const qint64 now = clock.elapsed();
        if (count > 1)
            closest = std::min(closest, now - previous);
        previous = now;
        if (!stall)
            worstLate = std::max(worstLate, now - qint64(count) * interval);
        if (count == 5 && stall)
            QThread::msleep(stall);
        if (count == ticks) {
            std::printf("%d ticks of %d ms: last tick at %lld ms (%+lld from %d intervals), "
                        "worst tick %lld ms late, closest two ticks %lld ms apart\n",
                        ticks, interval, static_cast<long long>(now),
                        static_cast<long long>(now - qint64(ticks) * interval), ticks,
                        static_cast<long long>(worstLate), static_cast<long long>(closest));
            QCoreApplication::quit();
        }
    });
    clock.start();
    ticker.setEnabled(true);
    return QCoreApplication::exec();
}
