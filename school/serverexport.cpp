// SPDX-License-Identifier: GPL-3.0-or-later
// The answers on the school's server as the teacher's CSV file.
#include "csvrow.h"
#include "pq.h"
#include "server.h"

#include <QFileInfo>
#include <QSaveFile>

namespace registro {

namespace server {

namespace {
// The export's cursor, each value out of line: className and the filter's
// name and days as parameters, numbered as they are given.
QString exportSql(const ExportFilter &filter, const QString &className, QList<QByteArray> *params)
{
    const auto param = [params](const QString &value) {
        *params << value.toUtf8();
        return QStringLiteral("$%1").arg(params->size());
    };
    QStringList where;
    if (!className.isEmpty())
        where << QStringLiteral("class = ") + param(className);
    QStringList outer;
    if (!filter.name.trimmed().isEmpty())
        outer << QStringLiteral("n.child = ") + param(childKey(filter.name));
    if (filter.from.isValid())
        outer << QStringLiteral("a.at >= %1::timestamp")
                     .arg(param(filter.from.toString(Qt::ISODate)));
    if (filter.to.isValid())
        outer << QStringLiteral("a.at < %1::timestamp")
                     .arg(param(filter.to.addDays(1).toString(Qt::ISODate)));
    const auto clause = [](const QStringList &conditions) {
        return conditions.isEmpty()
                   ? QString()
                   : QStringLiteral(" WHERE ") + conditions.join(QLatin1String(" AND "));
    };
    // Races are numbered by their start, within what is exported.
    return QStringLiteral(
               // Each child under the name her teacher gave, else the spelling she
               // typed most often, of those the latest: the window's own rule.
               "DECLARE export NO SCROLL CURSOR FOR WITH spelled AS (SELECT DISTINCT ON (class, "
               "child) class, child, btrim(name) AS shown FROM dieci.races GROUP BY class, child, "
               "btrim(name) ORDER BY class, child, count(*) DESC, max(started) DESC), n AS "
               "(SELECT id, class, child, name, ending, adaptation, coalesce(m.shown, s.shown) AS "
               "class_name, "
               "row_number() OVER (ORDER BY started, id) AS number FROM dieci.races JOIN spelled s "
               "USING (class, child) LEFT JOIN dieci.names m USING (class, child)%1) SELECT "
               "to_char(a.at, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), %2, "
               "a.race, a.number, a.typed, a.correct::integer, a.ms, n.ending, n.number, n.class, "
               "n.adaptation FROM dieci.answers a JOIN n ON n.id = a.race%3 ORDER BY a.at, "
               "a.race, a.seq")
        .arg(clause(where),
             filter.classNames ? QStringLiteral("n.class_name") : QStringLiteral("n.name"),
             clause(outer));
}
} // namespace

QString exportCsv(const QString &conninfo, const QString &csvPath, const ExportFilter &filter,
                  const QString &className, qint64 *rows)
{
    const auto failed = [&csvPath](const QString &why) {
        return QStringLiteral("%1: %2").arg(csvPath, why);
    };
    const QFileInfo target(csvPath);
    if (target.exists() && !target.isFile())
        return failed(QStringLiteral("non è un file normale"));
    const std::unique_ptr<Pq> db = Pq::open(conninfo);
    if (!db->ok())
        return failed(QStringLiteral("server: %1").arg(db->error()));
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    file.write(csv::header(true));
    Pq::Steps s{*db, {}, {}};
    QList<QByteArray> params;
    s.run(QStringLiteral("BEGIN READ ONLY"));
    s.run(exportSql(filter, className, &params), params);
    // A cursor hands the rows over a few thousand at a time: memory stays
    // flat however large the school.
    qint64 written = 0;
    for (bool more = true; more && s.why.isEmpty();) {
        const Pq::Rows batch = s.run(QStringLiteral("FETCH 5000 FROM export"));
        more = !batch.rows.isEmpty();
        for (const QStringList &row : batch.rows)
            file.write(csv::answerRow(row, row.value(1), row.value(8).toInt(), row.value(10),
                                      row.value(9)));
        written += batch.rows.size();
    }
    QString why = s.end() ? QString() : QStringLiteral("server: %1").arg(s.why);
    if (why.isEmpty() && !file.commit())
        why = file.errorString();
    if (rows)
        *rows = written;
    return why.isEmpty() ? QString() : failed(why);
}

} // namespace server

} // namespace registro
