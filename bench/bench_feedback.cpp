// SPDX-License-Identifier: GPL-3.0-or-later
// Enter to feedback on the real window, with the class register off, on,
// and on with the race read aloud by the real speech engine, side by side:
// from the key to the message, sound and counters, on the drill's thread;
// and each digit's key to its echo in the answer box. Run it on a slow disk
// to see that the child never waits:
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

enum class Mode { Plain, Register, Voice };
const char *const Names[] = {"register off", "register on", "read aloud"};

struct Times {
    std::vector<double> enter, digit;
};

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// The times of each digit and each Enter that judges an answer, in one race.
Times race(Mode mode, int answers, platform::Speaker &speaker)
{
    Race race;
    const QString path = registro::registerPath(race.fake.data + u'/');
    if (mode != Mode::Plain)
        registro::Register::create(path);
    if (mode == Mode::Voice) {
        registro::Register::open(path, registro::Access::ReadWrite)
            .setAdaptation(QStringLiteral("Anna"), {5, false, true, false});
        race.fake.speaker = &speaker;
    }
    Times times;
    if (!race.start())
        return times;
    for (int i = 0; i < answers; ++i) {
        QElapsedTimer t;
        t.start();
        QTest::keyClick(race.answerBox(), char('0' + i % 9 + 1));
        times.digit.push_back(msSince(t));
        t.start();
        QTest::keyClick(race.answerBox(), Qt::Key_Return);
        times.enter.push_back(msSince(t));
        race.next();
    }
    QElapsedTimer end;
    end.start();
    race.window().cmdExit()->click();
    std::printf("  end of the race (%s): %.0f ms, %lld texts read aloud\n", Names[int(mode)],
                msSince(end), qlonglong(race.fake.speaker ? race.fake.spoken.size() : 0));
    return times;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int answers = argc > 1 ? std::atoi(argv[1]) : 40;
    platform::Speaker speaker;
    Times all[3];
    for (int round = 0; round < 3; ++round)
        for (const Mode mode : {Mode::Plain, Mode::Register, Mode::Voice}) {
            const Times t = race(mode, answers, speaker);
            Times &into = all[int(mode)];
            into.enter.insert(into.enter.end(), t.enter.begin(), t.enter.end());
            into.digit.insert(into.digit.end(), t.digit.begin(), t.digit.end());
        }
    for (const Mode mode : {Mode::Plain, Mode::Register, Mode::Voice}) {
        const Times &t = all[int(mode)];
        std::printf("%-12s %zu answers: Enter to feedback %.3f ms median (worst %.3f); digit "
                    "to echo %.3f ms median (worst %.3f)\n",
                    Names[int(mode)], t.enter.size(), median(t.enter),
                    *std::max_element(t.enter.begin(), t.enter.end()), median(t.digit),
                    *std::max_element(t.digit.begin(), t.digit.end()));
    }
    return 0;
}
