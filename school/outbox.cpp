// SPDX-License-Identifier: GPL-3.0-or-later
#include "outbox.h"

#include "schema.h"
#include "server.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <chrono>
#include <cstdio>
#include <thread>

namespace registro {

namespace {
constexpr int RacesAtOnce = 200;
constexpr int AnswersAtOnce = 2000;
// The drill's writer holds the register for a moment at a time.
constexpr int BusyTries = 200;
constexpr auto BusyPause = std::chrono::milliseconds(50);

QJsonValue textOrNull(const QVariant &value)
{
    return value.isNull() ? QJsonValue() : QJsonValue(value.toString());
}

// What the server says of the rows themselves (bad data, a broken rule, its
// own refusal): the same rows would be refused again, unlike a lost
// connection or a server that is shutting down.
bool refusal(const QString &state)
{
    return state.startsWith(QLatin1String("22")) || state.startsWith(QLatin1String("23")) ||
           state == QLatin1String("P0001");
}
} // namespace

QStringList Outbox::raceIds() const
{
    QStringList ids;
    QSet<QString> seen;
    for (const auto &[race, sent] : raceMarks)
        if (!seen.contains(race)) {
            seen.insert(race);
            ids << race;
        }
    for (const auto &[race, seq] : answerKeys)
        if (!seen.contains(race)) {
            seen.insert(race);
            ids << race;
        }
    return ids;
}

Outbox Outbox::only(const QString &race) const
{
    Outbox one;
    for (qsizetype i = 0; i < raceMarks.size(); ++i)
        if (raceMarks[i].first == race) {
            one.races.append(races[i]);
            one.raceMarks.append(raceMarks[i]);
        }
    for (qsizetype i = 0; i < answerKeys.size(); ++i)
        if (answerKeys[i].first == race) {
            one.answers.append(answers[i]);
            one.answerKeys.append(answerKeys[i]);
        }
    return one;
}

namespace sending {

namespace {
// The races the server lacks, or lacks the ending of.
QString collectRaces(QSqlQuery &q, const QString &computer, Outbox &box)
{
    if (!q.exec(QStringLiteral("SELECT id, started, name, ending, record_beaten, adaptation, "
                               "class, secret FROM races WHERE sent < 2 AND class IS NOT NULL AND "
                               "(sent = 0 OR ending IS NOT NULL) LIMIT %1")
                    .arg(RacesAtOnce)))
        return q.lastError().databaseText();
    while (q.next()) {
        const QString name = q.value(2).toString();
        box.races.append(QJsonObject{{"id", q.value(0).toString()},
                                     {"started", q.value(1).toString()},
                                     {"name", name},
                                     {"child", childKey(name)},
                                     {"ending", textOrNull(q.value(3))},
                                     {"beaten", q.value(4).toBool()},
                                     {"adaptation", textOrNull(q.value(5))},
                                     {"class", q.value(6).toString()},
                                     {"computer", computer},
                                     {"secret", textOrNull(q.value(7))}});
        box.raceMarks.append({q.value(0).toString(), q.value(3).isNull() ? 1 : 2});
    }
    return {};
}

// The answers the server lacks, of races it has. One judged before any
// question was asked has no number the server takes: it stays here.
QString collectAnswers(QSqlQuery &q, Outbox &box)
{
    if (!q.exec(QStringLiteral("SELECT a.race, a.seq, a.at, a.number, a.typed, a.right, a.ms, "
                               "r.secret FROM answers a JOIN races r ON r.id = a.race WHERE "
                               "a.sent = 0 AND r.sent IN (1, 2) AND a.number BETWEEN 1 AND 9 "
                               "ORDER BY a.race, a.seq LIMIT %1")
                    .arg(AnswersAtOnce)))
        return q.lastError().databaseText();
    while (q.next()) {
        box.answers.append(QJsonObject{{"race", q.value(0).toString()},
                                       {"seq", q.value(1).toInt()},
                                       {"at", q.value(2).toString()},
                                       {"number", q.value(3).toInt()},
                                       {"typed", q.value(4).toString()},
                                       {"correct", q.value(5).toBool()},
                                       {"ms", q.value(6).toLongLong()},
                                       {"secret", textOrNull(q.value(7))}});
        box.answerKeys.append({q.value(0).toString(), q.value(1).toInt()});
    }
    return {};
}
} // namespace

Outbox collect(const Register &local, const QString &computer, QString *why)
{
    Outbox box;
    QSqlQuery q(local.database());
    q.setForwardOnly(true);
    *why = collectRaces(q, computer, box);
    // Answers go once their race is on the server: it refuses an answer
    // without one, as it does those of a race a teacher deleted.
    if (why->isEmpty() && box.races.isEmpty())
        *why = collectAnswers(q, box);
    return box;
}

Delivery deliver(server::Pq &server, const Outbox &outbox)
{
    server::Pq::Steps s{server, {}, {}};
    const auto call = [&s](const QString &sql, const QJsonArray &rows) {
        if (!rows.isEmpty())
            s.run(sql, {QJsonDocument(rows).toJson(QJsonDocument::Compact)});
    };
    s.run(QStringLiteral("BEGIN"));
    call(QStringLiteral("SELECT dieci.add_races($1::json)"), outbox.races);
    call(QStringLiteral("SELECT dieci.add_answers($1::json)"), outbox.answers);
    if (s.end())
        return {};
    return {s.why, refusal(s.state)};
}

QString mark(const Register &local, const Outbox &outbox)
{
    QSqlDatabase db = local.database();
    QSqlQuery q(db);
    for (int attempt = 0; attempt < BusyTries; ++attempt) {
        if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            if (!errorOf(q.lastError()).busy())
                return q.lastError().databaseText();
            std::this_thread::sleep_for(BusyPause);
            continue;
        }
        bool ok = true;
        for (const auto &[race, sent] : outbox.raceMarks) {
            ok = ok &&
                 q.prepare(QStringLiteral("UPDATE races SET sent = max(sent, ?) WHERE id = ?"));
            q.addBindValue(sent);
            q.addBindValue(race);
            ok = ok && q.exec();
        }
        for (const auto &[race, seq] : outbox.answerKeys) {
            ok =
                ok &&
                q.prepare(QStringLiteral("UPDATE answers SET sent = 1 WHERE race = ? AND seq = ?"));
            q.addBindValue(race);
            q.addBindValue(seq);
            ok = ok && q.exec();
        }
        if (ok && q.exec(QStringLiteral("COMMIT")))
            return {};
        const bool again = errorOf(q.lastError()).busy();
        const QString why = q.lastError().databaseText();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (!again)
            return why;
        std::this_thread::sleep_for(BusyPause);
    }
    return QStringLiteral("registro occupato da un altro programma");
}

QString setAside(const Register &local, const QString &race, const QString &why)
{
    QSqlDatabase db = local.database();
    QSqlQuery q(db);
    bool ok = db.transaction();
    for (const char *sql : {"UPDATE races SET sent = ? WHERE id = ?",
                            "UPDATE answers SET sent = ? WHERE race = ? AND sent = 0"}) {
        ok = ok && q.prepare(QLatin1String(sql));
        q.addBindValue(schema::sent::SetAside);
        q.addBindValue(race);
        ok = ok && q.exec();
    }
    if (!ok || !db.commit()) {
        const QString failed =
            q.lastError().isValid() ? q.lastError().databaseText() : db.lastError().databaseText();
        db.rollback();
        return failed;
    }
    std::fprintf(stderr,
                 "dieci: server della scuola: la gara %s è stata rifiutata (%s); resta solo nel "
                 "registro %s\n",
                 qPrintable(race), qPrintable(why), qPrintable(local.path()));
    return {};
}

} // namespace sending

} // namespace registro
