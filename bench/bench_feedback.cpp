// SPDX-License-Identifier: GPL-3.0-or-later
// Enter to feedback on the real window, with the class register off and on,
// side by side: from the key to the message, sound and counters, on the
// drill's thread. Run it on a slow disk to see that the child never waits:
//   QT_QPA_PLATFORM=offscreen LD_PRELOAD=bench/libslowfsync.so bench_feedback [answers]
#include "race.h"
#include "register.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The times of each Enter that judges an answer, in one race.
std::vector<double> race(bool withRegister, int answers)
{
    Race race;
    if (withRegister)
        registro::Register::create(registro::registerPath(race.fake.data + u'/'));
    std::vector<double> times;
    if (!race.start())
        return times;
    for (int i = 0; i < answers; ++i) {
        QTest::keyClicks(race.answerBox(), QString::number(i % 9 + 1));
        QElapsedTimer t;
        t.start();
        QTest::keyClick(race.answerBox(), Qt::Key_Return);
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        race.next();
    }
    QElapsedTimer end;
    end.start();
    race.window().cmdExit()->click();
    std::printf("  end of the race (%s): %.0f ms\n", withRegister ? "register on" : "register off",
                double(end.nsecsElapsed()) / 1e6);
    return times;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int answers = argc > 1 ? std::atoi(argv[1]) : 40;
    std::vector<double> off, on;
    for (int round = 0; round < 3; ++round) {
        const std::vector<double> a = race(false, answers), b = race(true, answers);
        off.insert(off.end(), a.begin(), a.end());
        on.insert(on.end(), b.begin(), b.end());
    }
    std::printf("Enter to feedback, %zu answers each: register off %.3f ms median (worst %.3f), "
                "on %.3f ms median (worst %.3f)\n",
                off.size(), median(off), *std::max_element(off.begin(), off.end()), median(on),
                *std::max_element(on.begin(), on.end()));
    return 0;
}
