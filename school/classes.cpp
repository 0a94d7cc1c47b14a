// SPDX-License-Identifier: GPL-3.0-or-later
// What the teacher's window reads from the school's server, and deleting.
#include "server.h"
#include "serverdetail.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace registro::server {

namespace {
using detail::RecentAnswers;

QString errorOf(const QSqlQuery &query)
{
    return detail::serverError(query.lastError().databaseText(),
                               query.lastError().nativeErrorCode());
}
} // namespace

QList<ClassRow> classes(const QSqlDatabase &db, QString *why)
{
    QList<ClassRow> rows;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT class, count(DISTINCT child), count(*), "
                               "to_char(max(started), 'YYYY-MM-DD\"T\"HH24:MI:SS.MS') "
                               "FROM dieci.races GROUP BY class ORDER BY class"))) {
        *why = errorOf(q);
        return rows;
    }
    while (q.next())
        rows.append(
            {q.value(0).toString(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toString()});
    return rows;
}

QList<Child> loadClass(const QSqlDatabase &db, const QString &className, QString *why)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT r.id, to_char(r.started, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), r.child, r.name, "
        "r.ending, r.record_beaten, r.adaptation, c.right, c.wrong FROM dieci.races r, LATERAL "
        "(SELECT count(*) FILTER (WHERE a.correct) AS right, count(*) FILTER (WHERE NOT "
        "a.correct) AS wrong FROM dieci.answers a WHERE a.race = r.id) c WHERE r.class = ? "
        "ORDER BY r.started, r.id"));
    q.addBindValue(className);
    std::map<QString, Child> children;
    if (!q.exec()) {
        *why = errorOf(q);
        return {};
    }
    while (q.next()) {
        Child &child = children[q.value(2).toString()];
        if (child.name.isEmpty())
            child.name = q.value(3).toString().trimmed();
        const QString ending = q.value(4).toString();
        child.races.append({q.value(0).toString(), q.value(1).toString(),
                            ending.isEmpty() ? QLatin1String(Interrupted) : ending,
                            q.value(7).toInt(), q.value(8).toInt(), q.value(5).toBool(),
                            q.value(6).toString()});
    }
    // Of her answers, what the window judges her facts by: the last 20 to
    // each, found by the server going back through her races (a few each,
    // however long the year). The rest never leave it.
    q.prepare(
        QStringLiteral(
            "SELECT ch.child, to_char(x.at, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), x.number, x.correct, "
            "x.ms FROM (SELECT DISTINCT child FROM dieci.races WHERE class = ?) ch CROSS JOIN "
            "generate_series(1, 9) n CROSS JOIN LATERAL (SELECT a.at, a.seq, a.number, a.correct, "
            "a.ms, r.started FROM dieci.races r JOIN dieci.answers a ON a.race = r.id WHERE "
            "r.class "
            "= ? AND r.child = ch.child AND a.number = n ORDER BY r.started DESC, a.seq DESC LIMIT "
            "%1) x ORDER BY ch.child, x.started, x.seq")
            .arg(RecentAnswers));
    q.addBindValue(className);
    q.addBindValue(className);
    if (!q.exec()) {
        *why = errorOf(q);
        return {};
    }
    while (q.next())
        children[q.value(0).toString()].answers.append({q.value(1).toString(), q.value(2).toInt(),
                                                        q.value(3).toBool(),
                                                        q.value(4).toLongLong()});
    // A server made before settings were kept has none to give.
    if (const QString unread = detail::readSettings(db, className, children); !unread.isEmpty())
        *why = unread;
    QList<Child> list;
    for (auto &[key, child] : children)
        list.append(std::move(child));
    std::sort(list.begin(), list.end(),
              [](const Child &a, const Child &b) { return italianOrder(a.name, b.name); });
    return list;
}

int deleteChild(const QSqlDatabase &db, const QString &className, const QString &name, QString *why)
{
    QSqlDatabase conn = db;
    QSqlQuery q(conn);
    const auto bind = [&](const QString &sql) {
        q.prepare(sql);
        q.addBindValue(className);
        q.addBindValue(childKey(name));
        return q.exec();
    };
    if (conn.transaction() &&
        bind(QStringLiteral("INSERT INTO dieci.deleted_races SELECT id FROM dieci.races WHERE "
                            "class = ? AND child = ? ON CONFLICT DO NOTHING")) &&
        // Her races from before the delete stay out, whichever computer
        // sends one later; those she plays from now on start her again.
        bind(QStringLiteral("INSERT INTO dieci.deleted_children VALUES (?, ?, localtimestamp) "
                            "ON CONFLICT (class, child) DO UPDATE SET deleted = "
                            "EXCLUDED.deleted")) &&
        bind(QStringLiteral("DELETE FROM dieci.races WHERE class = ? AND child = ?"))) {
        const int deleted = q.numRowsAffected();
        if (conn.commit())
            return deleted;
    }
    *why = errorOf(q);
    if (why->isEmpty())
        *why = detail::serverError(conn.lastError().databaseText(),
                                   conn.lastError().nativeErrorCode());
    conn.rollback();
    return -1;
}

} // namespace registro::server
