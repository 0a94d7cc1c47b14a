// SPDX-License-Identifier: GPL-3.0-or-later
// Helper of the register tests: records a race of N answers, says "N" once
// they are all in the register, then waits to be killed mid-race.
//   racewriter REGISTER N
#include "recorder.h"
#include "registertest.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int n = std::atoi(argv[2]);
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 0));
    registro::RaceRecorder race(path, start, QStringLiteral("Carla"));
    for (int i = 0; i < n; ++i)
        race.answer(start.addSecs(i + 1), i % 9 + 1, QStringLiteral("5"), i % 2 == 0, 1000);
    // The report says what the register holds, not what was queued.
    for (int tries = 0; ask(path, QStringLiteral("SELECT count(*) FROM answers")).toInt() < n;
         ++tries) {
        if (tries == 1000)
            return 1;
        QThread::msleep(10);
    }
    std::printf("%d\n", n);
    std::fflush(stdout);
    for (;;)
        QThread::sleep(60);
}
