// SPDX-License-Identifier: GPL-3.0-or-later
// What the class register costs the drill: the start of a race without a
// register (as for every school that never turns it on) and with one, and
// each answer's write, committed as it is judged.
//   bench_register [answers]
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

double startMs(const QString &path)
{
    QElapsedTimer t;
    t.start();
    const registro::RaceRecorder race(path, QDateTime::currentDateTime(), QStringLiteral("Anna"));
    return double(t.nsecsElapsed()) / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int answers = argc > 1 ? std::atoi(argv[1]) : 1000;
    QTemporaryDir dir;
    const QString path = registro::registerPath(dir.path() + u'/');
    std::vector<double> off, on, writes;
    for (int i = 0; i < 50; ++i)
        off.push_back(startMs(path));
    QString error;
    if (!registro::createRegister(path, &error))
        return std::fprintf(stderr, "%s\n", qPrintable(error)), 1;
    for (int i = 0; i < 50; ++i)
        on.push_back(startMs(path));
    registro::RaceRecorder race(path, QDateTime::currentDateTime(), QStringLiteral("Anna"));
    for (int i = 0; i < answers; ++i) {
        QElapsedTimer t;
        t.start();
        race.answer(QDateTime::currentDateTime(), i % 9 + 1, QStringLiteral("7"), i % 3 != 0, 2400);
        writes.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("start of a race: without a register %.3f ms median, with one %.3f ms median "
                "(95th percentile %.3f ms)\n",
                percentile(off, 0.5), percentile(on, 0.5), percentile(on, 0.95));
    std::printf("%d answers: %.3f ms median, 95th percentile %.3f ms, worst %.3f ms\n", answers,
                percentile(writes, 0.5), percentile(writes, 0.95), percentile(writes, 1.0));
    return race.recording() ? 0 : 1;
}
