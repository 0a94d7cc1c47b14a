// SPDX-License-Identifier: GPL-3.0-or-later
// What the teacher's window reads from the school's server, and deleting.
#include "pq.h"
#include "server.h"
#include "serverdetail.h"

#include <algorithm>
#include <map>

namespace registro::server {

namespace {
using detail::RecentAnswers;

// The class's races, each counted by the server from its answers.
const char *const RacesOfClass =
    "SELECT r.id, to_char(r.started, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), r.child, r.name, "
    "r.ending, r.record_beaten::integer, r.adaptation, c.right, c.wrong FROM dieci.races r, "
    "LATERAL (SELECT count(*) FILTER (WHERE a.correct) AS right, count(*) FILTER (WHERE NOT "
    "a.correct) AS wrong FROM dieci.answers a WHERE a.race = r.id) c WHERE r.class = $1 "
    "ORDER BY r.started, r.id";

// Of her answers, what the window judges her facts by: the last 20 to each,
// found by the server going back through her races (a few each, however long
// the year). The rest never leave it.
QByteArray recentAnswersSql()
{
    return QStringLiteral(
               "SELECT ch.child, to_char(x.at, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), x.number, "
               "x.correct::integer, x.ms FROM (SELECT DISTINCT child FROM dieci.races WHERE "
               "class = $1) ch CROSS JOIN generate_series(1, 9) n CROSS JOIN LATERAL (SELECT "
               "a.at, a.seq, a.number, a.correct, a.ms, r.started FROM dieci.races r JOIN "
               "dieci.answers a ON a.race = r.id WHERE r.class = $1 AND r.child = ch.child AND "
               "a.number = n ORDER BY r.started DESC, a.seq DESC LIMIT %1) x ORDER BY ch.child, "
               "x.started, x.seq")
        .arg(RecentAnswers)
        .toUtf8();
}
} // namespace

QList<ClassRow> classes(Pq &db, QString *why)
{
    const Pq::Rows got =
        db.query("SELECT class, count(DISTINCT child), count(*), to_char(max(started), "
                 "'YYYY-MM-DD\"T\"HH24:MI:SS.MS') FROM dieci.races GROUP BY class ORDER BY class");
    QList<ClassRow> rows;
    *why = got.why;
    for (const QStringList &r : got.rows)
        rows.append({r[0], r[1].toInt(), r[2].toInt(), r[3]});
    return rows;
}

QList<Child> loadClass(Pq &db, const QString &className, QString *why)
{
    const QList<QByteArray> klass = {className.toUtf8()};
    const Pq::Rows races = db.query(RacesOfClass, klass);
    const Pq::Rows answers =
        races.why.isEmpty() ? db.query(recentAnswersSql().constData(), klass) : Pq::Rows{};
    if (!races.why.isEmpty() || !answers.why.isEmpty()) {
        *why = races.why.isEmpty() ? answers.why : races.why;
        return {};
    }
    std::map<QString, Child> children;
    for (const QStringList &r : races.rows) {
        Child &child = children[r[2]];
        child.races.append({r[0], r[1], r[4].isEmpty() ? QLatin1String(Interrupted) : r[4],
                            r[7].toInt(), r[8].toInt(), r[5] == QLatin1String("1"), r[6], r[3]});
    }
    for (auto &[key, child] : children)
        child.name = mostUsedSpelling(child.races);
    // The names the teacher gave come first.
    if (const QString unread = detail::readNames(db, className, children); !unread.isEmpty())
        *why = unread;
    for (const QStringList &a : answers.rows)
        children[a[0]].answers.append(
            {a[1], a[2].toInt(), a[3] == QLatin1String("1"), a[4].toLongLong()});
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

int deleteChild(Pq &db, const QString &className, const QString &name, QString *why)
{
    const QList<QByteArray> who = {className.toUtf8(), childKey(name).toUtf8()};
    Pq::Steps s{db, {}, {}};
    s.run(QStringLiteral("BEGIN"));
    s.run(QStringLiteral("INSERT INTO dieci.deleted_races SELECT id FROM dieci.races WHERE "
                         "class = $1 AND child = $2 ON CONFLICT DO NOTHING"),
          who);
    // Her races from before the delete stay out, whichever computer sends
    // one later; those she plays from now on start her again.
    s.run(QStringLiteral("INSERT INTO dieci.deleted_children VALUES ($1, $2, localtimestamp) ON "
                         "CONFLICT (class, child) DO UPDATE SET deleted = EXCLUDED.deleted"),
          who);
    const Pq::Rows deleted =
        s.run(QStringLiteral("WITH d AS (DELETE FROM dieci.races WHERE class = $1 AND child = $2 "
                             "RETURNING 1) SELECT count(*) FROM d"),
              who);
    if (s.end())
        return deleted.rows.value(0).value(0).toInt();
    *why = s.why;
    return -1;
}

} // namespace registro::server
