// SPDX-License-Identifier: GPL-3.0-or-later
// A second copy of the program's record handling, for tests of two copies at
// once. Every step a save reaches is reported on standard output.
//   recordsaver loop DIR                    saves N+1, N+2, ... until killed,
//                                           reporting "saved N" after each
//   recordsaver save DIR POINTS NAME STEP   one save, paused at STEP until a
//                                           line arrives on standard input
//   recordsaver open DIR                    what start-up reads, as
//                                           "read POINTS|NAME" (line ends escaped)
#include "numbers.h"
#include "recordfiles.h"
#include "recordstore.h"
#include "runtimeerror.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace {
const char *g_pauseAt = "";

void report(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

void onStep(const char *step)
{
    report(QString::fromLatin1(step));
    if (std::strcmp(step, g_pauseAt) == 0) {
        std::string line;
        std::getline(std::cin, line);
    }
}

QString escaped(QString text)
{
    return text.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n"));
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return 2;
    const QString &mode = args[0];
    const QString dir = args[1];
    records::observeSteps(onStep);
    try {
        if (mode == QLatin1String("loop")) {
            int n = int(platform::leadingNumber(records::openRecord(dir).points));
            for (;;) {
                ++n;
                records::saveIfHigher(dir, n, QString::number(n),
                                      QStringLiteral("Giocatore %1").arg(n), 0);
                report(QStringLiteral("saved %1").arg(n));
            }
        }
        if (mode == QLatin1String("save") && args.size() == 5) {
            const QByteArray step = args[4].toLatin1();
            g_pauseAt = step.constData();
            const bool saved = records::saveIfHigher(dir, args[2].toDouble(), args[2], args[3], 0);
            report(saved ? QStringLiteral("saved") : QStringLiteral("not saved"));
            return 0;
        }
        if (mode == QLatin1String("open")) {
            const records::StoredRecord stored = records::openRecord(dir);
            report(QStringLiteral("read ") + escaped(stored.points) + u'|' + escaped(stored.name));
            return 0;
        }
    } catch (const platform::RunTimeError &error) {
        std::fputs(qPrintable(error.report() + u'\n'), stderr);
        return 1;
    }
    return 2;
}
