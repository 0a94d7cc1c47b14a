// SPDX-License-Identifier: GPL-3.0-or-later
// What the class register costs the drill's own thread: the start of a race
// without a register (as for every school that never turns it on) and with
// one, and each answer handed over; then how long the writer takes to put
// them all in the file.
//   bench_register [answers]
#include "recorder.h"
#include "register.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::size_t(p * double(v.size() - 1))];
}

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// The start of a race as the drill's thread sees it; the race is then
// finished outside the measure.
double startMs(const QString &path)
{
    QElapsedTimer t;
    t.start();
    registro::RaceRecorder race(path, QDateTime::currentDateTime(), QStringLiteral("Anna"));
    const double spent = ms(t);
    race.finish();
    return spent;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int answers = argc > 1 ? std::atoi(argv[1]) : 1000;
    QTemporaryDir dir;
    const QString path = registro::registerPath(dir.path() + u'/');
    std::vector<double> off, on, hand;
    for (int i = 0; i < 50; ++i)
        off.push_back(startMs(path));
    if (const registro::Register reg = registro::Register::create(path); !reg.isOpen())
        return std::fprintf(stderr, "%s\n", qPrintable(reg.problem())), 1;
    for (int i = 0; i < 50; ++i)
        on.push_back(startMs(path));
    QElapsedTimer all;
    all.start();
    {
        registro::RaceRecorder race(path, QDateTime::currentDateTime(), QStringLiteral("Anna"));
        for (int i = 0; i < answers; ++i) {
            QElapsedTimer t;
            t.start();
            race.answer(QDateTime::currentDateTime(), i % 9 + 1, QStringLiteral("7"), i % 3 != 0,
                        2400);
            hand.push_back(ms(t));
        }
        race.end(registro::Ending::Exit, false);
    }
    const double written = ms(all);
    std::printf("start of a race on the drill's thread: without a register %.3f ms median, with "
                "one %.3f ms median (95th percentile %.3f ms)\n",
                percentile(off, 0.5), percentile(on, 0.5), percentile(on, 0.95));
    std::printf("%d answers handed to the writer: %.4f ms median, worst %.3f ms; all in the file "
                "after %.0f ms (%.2f ms an answer)\n",
                answers, percentile(hand, 0.5), percentile(hand, 1.0), written, written / answers);
    return 0;
}
