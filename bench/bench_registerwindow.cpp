// SPDX-License-Identifier: GPL-3.0-or-later
// How long the teacher waits for a large register to open: a class of 25
// children, 100,000 answers in all, from the file to the window with the class
// and the first child shown.
//   QT_QPA_PLATFORM=offscreen bench_registerwindow [answers]
#include "register.h"
#include "registerwindow.h"
#include "schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int answers = argc > 1 ? std::atoi(argv[1]) : 100'000;
    QTemporaryDir dir;
    const QString path = registro::registerPath(dir.path() + u'/');
    QString error;
    if (!registro::createRegister(path, &error))
        return std::fprintf(stderr, "%s\n", qPrintable(error)), 1;
    const QString c = registro::openConnection(path, registro::OpenMode::ReadWrite, &error);
    {
        QSqlDatabase db = QSqlDatabase::database(c, false);
        db.transaction();
        QSqlQuery race(db), answer(db);
        race.prepare("INSERT INTO races (started, name, ended, right, wrong, total) "
                     "VALUES (?, ?, 'tempo scaduto', 40, 10, 50)");
        answer.prepare("INSERT INTO answers (race, at, number, typed, right, ms) "
                       "VALUES (?, ?, ?, '5', ?, ?)");
        const QDateTime start(QDate(2026, 9, 14), QTime(8, 30));
        for (int i = 0; i < answers; ++i) {
            if (i % 50 == 0) {
                race.addBindValue(registro::timestamp(start.addSecs(i * 6)));
                race.addBindValue(QStringLiteral("Bambino %1").arg(i / 50 % 25));
                race.exec();
            }
            for (const QVariant &v :
                 {race.lastInsertId(), QVariant(registro::timestamp(start.addSecs(i * 6))),
                  QVariant(i % 9 + 1), QVariant(i % 5 != 0), QVariant(1000 + i % 4000)})
                answer.addBindValue(v);
            answer.exec();
        }
        db.commit();
    }
    registro::closeConnection(c);
    QElapsedTimer t;
    t.start();
    registroui::RegisterWindow window(path);
    window.show();
    QApplication::processEvents();
    std::printf("%d answers: the window shows the class and the first child in %lld ms\n", answers,
                static_cast<long long>(t.elapsed()));
    return 0;
}
