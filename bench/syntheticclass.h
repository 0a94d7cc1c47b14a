// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "register.h"

#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

// A register holding a class of children (25 unless told) and this many
// answers, 50 a race, six seconds apart from a Monday in September; false with
// the reason on failure.
inline bool makeSyntheticClass(const QString &path, int answers, QString *why, int children = 25)
{
    registro::Register reg = registro::Register::create(path);
    if (!reg.isOpen()) {
        *why = reg.problem();
        return false;
    }
    QSqlDatabase db = reg.database();
    db.transaction();
    QSqlQuery race(db), answer(db);
    race.prepare(
        "INSERT INTO races (id, started, name, child, ending) VALUES (?, ?, ?, ?, 'fine')");
    answer.prepare("INSERT INTO answers (race, seq, at, number, typed, right, ms) "
                   "VALUES (?, ?, ?, ?, '5', ?, ?)");
    const QDateTime start(QDate(2026, 9, 14), QTime(8, 30));
    QString id;
    for (int i = 0; i < answers; ++i) {
        const QString at = registro::timestamp(start.addSecs(i * 6));
        if (i % 50 == 0) {
            id = QUuid::createUuid().toString(QUuid::WithoutBraces);
            const QString name = QStringLiteral("Bambino %1").arg(i / 50 % children);
            for (const QVariant &v :
                 {QVariant(id), QVariant(at), QVariant(name), QVariant(registro::childKey(name))})
                race.addBindValue(v);
            race.exec();
        }
        for (const QVariant &v :
             {QVariant(id), QVariant(i % 50 + 1), QVariant(at), QVariant(i % 9 + 1),
              QVariant(i % 5 != 0), QVariant(1000 + i % 4000)})
            answer.addBindValue(v);
        if (!answer.exec()) {
            *why = QStringLiteral("insert failed");
            return false;
        }
    }
    return db.commit();
}
