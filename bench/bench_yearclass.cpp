// SPDX-License-Identifier: GPL-3.0-or-later
// A year of one lab account shared by ten classes: by default a register of
// 1,000,000 answers by 250 children. How long the teacher waits for the
// class and for a child's page, what the class costs in memory, and how long
// the drill reads a child's practice plan (while her greeting is up).
//   QT_QPA_PLATFORM=offscreen bench_yearclass [answers] [children]
#include "classdata.h"
#include "measure.h"
#include "register.h"
#include "registerwindow.h"
#include "syntheticclass.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int answers = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const int children = argc > 2 ? std::atoi(argv[2]) : 250;
    QTemporaryDir dir;
    const QString path = registro::registerPath(dir.path() + u'/');
    QString error;
    if (!makeSyntheticClass(path, answers, &error, children))
        return std::fprintf(stderr, "%s\n", qPrintable(error)), 1;
    // Her teacher set practice for her: the plan reads her recent answers.
    if (registro::Register::open(path, registro::Access::ReadWrite)
            .setAdaptation(QStringLiteral("Bambino 7"), {5, true})
            .size())
        return std::fprintf(stderr, "no setting\n"), 1;
    std::printf("%d answers, %d children\n", answers, children);
    const long before = peakKb();
    QElapsedTimer t;
    t.start();
    auto window = std::make_unique<registroui::RegisterWindow>(path);
    window->show();
    QApplication::processEvents();
    std::printf("the window shows the class and the first child: %.0f ms, peak memory +%ld MB\n",
                msSince(t), (peakKb() - before) / 1024);
    t.restart();
    window->choose(QStringLiteral("Bambino %1").arg(children / 2));
    QApplication::processEvents();
    std::printf("another child's page: %.1f ms\n", msSince(t));
    // The drill, a process of its own, with the window's connections closed.
    window.reset();
    {
        QElapsedTimer plan;
        plan.start();
        const registro::RaceSettings settings =
            registro::raceSettingsOf({path}, QStringLiteral("Bambino 7"));
        std::printf("a child's practice plan, first open included: %.1f ms (%lld answers)\n",
                    msSince(plan), static_cast<long long>(settings.recent.size()));
    }
    t.restart();
    const registro::Register reg = registro::Register::open(path, registro::Access::ReadOnly);
    std::printf("a first open, checked whole: %.1f ms\n", msSince(t));
    t.restart();
    {
        const registro::Register again = registro::Register::open(path, registro::Access::ReadOnly);
        std::printf("a second open while the first is held: %.1f ms\n", msSince(t));
    }
    t.restart();
    QStringList problems;
    const QList<registro::Child> year = registro::loadClass({path}, &problems);
    std::printf("the class read from an open register: %.0f ms (%lld children)\n", msSince(t),
                static_cast<long long>(year.size()));
    return 0;
}
