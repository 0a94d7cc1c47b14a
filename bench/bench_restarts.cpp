// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a hundred new races in a row through the menu and reports the
// program's resident memory along the way: it must stay flat.
#include "fakeservices.h"
#include "program.h"
#include "tavola.h"
#include "tavolawindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <malloc.h>

namespace {
long residentKiB()
{
    // Hand freed memory back first, so what remains is what is really held.
    malloc_trim(0);
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    FakeServices fake;
    fake.data = tmp.path();
    drill::Program program(fake);
    program.start();
    long first = 0;
    const int races = argc > 1 ? std::atoi(argv[1]) : 100;
    for (int race = 1; race <= races; ++race) {
        fake.replies << platform::Reply::Yes;
        fake.inputAnswers << QStringLiteral("5") << QStringLiteral("Anna");
        program.current()->window().nextAction()->trigger();
        QTest::qWait(5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (race == 10)
            first = residentKiB();
        if (race % (races / 5) == 0)
            std::printf("after %3d races: %ld KiB resident\n", race, residentKiB());
    }
    std::printf("growth from race 10 to race %d: %ld KiB\n", races, residentKiB() - first);
    return 0;
}
