// SPDX-License-Identifier: GPL-3.0-or-later
// Helper of the register tests: records a race of N answers, says "N" once
// they are all in the register, then waits to be killed mid-race.
//   racewriter REGISTER N [NAME]
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
    if (argc != 3 && argc != 4)
        return 2;
    const QString name = argc == 4 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("Carla");
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int n = std::atoi(argv[2]);
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 0));
    registro::RaceRecorder race(path, start, name);
    for (int i = 0; i < n; ++i)
        race.answer(start.addSecs(i + 1), i % 9 + 1, QStringLiteral("5"), i % 2 == 0, 1000);
    // The report says what the register holds, not what was queued.
    const QString mine = QStringLiteral("SELECT count(*) FROM answers a JOIN races r ON r.id = "
                                        "a.race WHERE r.name = '%1'")
                             .arg(name);
    for (int tries = 0; ask(path, mine).toInt() < n; ++tries) {
        if (tries == 1000)
            return 1;
        QThread::msleep(10);
    }
    std::printf("%d\n", n);
    std::fflush(stdout);
    for (;;)
        QThread::sleep(60);
}
