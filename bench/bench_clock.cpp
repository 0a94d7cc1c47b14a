// Runs the program's one-second timer for a whole race (301 ticks) at real
// speed and reports how far the last tick lands from 301 s after the start.
//   bench_clock [interval-ms] [ticks]
#include "preciseticker.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int interval = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int ticks = argc > 2 ? std::atoi(argv[2]) : 301;
    QElapsedTimer clock;
    int count = 0;
    qint64 worstLate = 0;
    platform::PreciseTicker ticker(interval, [&] {
        ++count;
        worstLate = std::max(worstLate, clock.elapsed() - qint64(count) * interval);
        if (count == ticks) {
            const qint64 drift = clock.elapsed() - qint64(ticks) * interval;
            std::printf("%d ticks of %d ms: last tick %+lld ms from schedule, worst tick %lld ms "
                        "late\n",
                        ticks, interval, static_cast<long long>(drift),
                        static_cast<long long>(worstLate));
            QCoreApplication::quit();
        }
    });
    clock.start();
    ticker.setEnabled(true);
    return QCoreApplication::exec();
}
