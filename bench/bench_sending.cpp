// SPDX-License-Identifier: GPL-3.0-or-later
// What the sender's bookkeeping costs on a year of a lab account: a register
// of many answers, all of them either sent already or played without a class
// (never to be sent). A round with nothing to send must find that out
// without walking the answers; the file's size shows what the answers'
// sending index weighs, which only registers with a server carry.
//   bench_sending [answers]
#include "outbox.h"
#include "register.h"
#include "schema.h"
#include "syntheticclass.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {
// The mean of a round that finds nothing to send, in milliseconds.
double emptyRoundMs(const QString &path)
{
    const registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
    QSqlDatabase db = reg.database();
    if (registro::schema::ensureSendingIndex(db))
        return -1;
    constexpr int Rounds = 20;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < Rounds; ++i) {
        QString why;
        if (!registro::sending::collect(reg, QStringLiteral("pc-01"), &why).empty() ||
            !why.isEmpty())
            return -1;
    }
    return double(t.nsecsElapsed()) / 1e6 / Rounds;
}

bool mark(const QString &path, const char *races, const char *answers)
{
    const registro::Register reg = registro::Register::open(path, registro::Access::ReadWrite);
    QSqlQuery q(reg.database());
    return q.exec(QLatin1String(races)) && q.exec(QLatin1String(answers));
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int answers = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("registro.sqlite"));
    QString why;
    if (!makeSyntheticClass(path, answers, &why))
        return std::fprintf(stderr, "%s\n", qPrintable(why)), 1;
    const double plain = double(QFileInfo(path).size()) / 1e6;
    std::printf("%d answers, no server: %.1f MB\n", answers, plain);
    // Played without a class, as a lab without a server records them.
    if (!mark(path, "UPDATE races SET sent = 3", "UPDATE answers SET sent = 3"))
        return 1;
    std::printf("races without a class: an empty round %.2f ms\n", emptyRoundMs(path));
    // All of it with a class, and all of it already on the server.
    if (!mark(path, "UPDATE races SET class = '3A', sent = 2", "UPDATE answers SET sent = 1"))
        return 1;
    std::printf("all sent: an empty round %.2f ms; file %.1f MB with the sending index\n",
                emptyRoundMs(path), double(QFileInfo(path).size()) / 1e6);
    return 0;
}
