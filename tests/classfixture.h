// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A class written through the drill's own recorder, for the teacher's
// window's tests.
#include "recorder.h"
#include "register.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <tuple>

inline const QDateTime Day(QDate(2026, 12, 7), QTime(8, 30));

// A register with races of these children, a day apart: each race five
// answers of 7 + 3, the first `right` of them right, ended as given.
inline QString registerWith(const QString &dir,
                            const QList<std::tuple<QString, int, registro::Ending>> &races)
{
    const QString path = registro::registerPath(dir + u'/');
    registro::Register::create(path);
    int i = 0;
    for (const auto &[name, right, how] : races) {
        registro::RaceRecorder race(path, Day.addDays(i++), name);
        for (int a = 0; a < 5; ++a)
            race.answer(Day.addDays(i), 7, "3", a < right, 1200);
        race.end(how, false);
    }
    return path;
}
