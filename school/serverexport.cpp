// SPDX-License-Identifier: GPL-3.0-or-later
// The answers on the school's server as the teacher's CSV file.
#include "csvrow.h"
#include "server.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QVariant>

namespace registro {

namespace server {

namespace {
QString exportSql(const QSqlDatabase &db, const ExportFilter &filter, const QString &className)
{
    const auto lit = [&db](const QVariant &value) {
        QSqlField field(QStringLiteral("v"), value.metaType());
        field.setValue(value);
        return db.driver()->formatValue(field);
    };
    QStringList where;
    if (!className.isEmpty())
        where << QStringLiteral("class = ") + lit(className);
    QStringList outer;
    if (!filter.name.trimmed().isEmpty())
        outer << QStringLiteral("n.child = ") + lit(childKey(filter.name));
    if (filter.from.isValid())
        outer << QStringLiteral("a.at >= ") + lit(filter.from.toString(Qt::ISODate));
    if (filter.to.isValid())
        outer << QStringLiteral("a.at < ") + lit(filter.to.addDays(1).toString(Qt::ISODate));
    const auto clause = [](const QStringList &conditions) {
        return conditions.isEmpty()
                   ? QString()
                   : QStringLiteral(" WHERE ") + conditions.join(QLatin1String(" AND "));
    };
    // Races are numbered by their start, within what is exported.
    return QStringLiteral(
               "DECLARE export NO SCROLL CURSOR FOR WITH n AS (SELECT id, class, child, name, "
               "ending, first_value(name) OVER (PARTITION BY class, child ORDER BY started, id) "
               "AS class_name, row_number() OVER (ORDER BY started, id) AS number FROM "
               "dieci.races%1) SELECT to_char(a.at, 'YYYY-MM-DD\"T\"HH24:MI:SS.MS'), %2, a.race, "
               "a.number, a.typed, a.correct::integer, a.ms, n.ending, n.number, n.class FROM "
               "dieci.answers a JOIN n ON n.id = a.race%3 ORDER BY a.at, a.race, a.seq")
        .arg(clause(where),
             filter.classNames ? QStringLiteral("n.class_name") : QStringLiteral("n.name"),
             clause(outer));
}
} // namespace

QString exportCsv(const QString &conninfo, const QString &csvPath, const ExportFilter &filter,
                  const QString &className)
{
    const auto failed = [&csvPath](const QString &why) {
        return QStringLiteral("%1: %2").arg(csvPath, why);
    };
    const QFileInfo target(csvPath);
    if (target.exists() && !target.isFile())
        return failed(QStringLiteral("non è un file normale"));
    const QString name = QStringLiteral("dieci-esporta");
    QString why = connect(conninfo, name);
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        QSaveFile file(csvPath);
        const auto run = [&](const QString &sql) {
            if (why.isEmpty() && !q.exec(sql))
                why = QStringLiteral("server: %1").arg(errorLine(q.lastError()));
            return why.isEmpty();
        };
        if (!why.isEmpty())
            why = QStringLiteral("server: %1").arg(why);
        else if (!file.open(QIODevice::WriteOnly))
            why = file.errorString();
        else
            file.write("\xEF\xBB\xBF"
                       "data;ora;nome;gara;numero;risposta;esatta;millisecondi;esito;classe\r\n");
        // A cursor hands the rows over a few thousand at a time: memory stays
        // flat however large the school.
        run(QStringLiteral("BEGIN READ ONLY"));
        run(exportSql(db, filter, className));
        for (bool more = true; more && run(QStringLiteral("FETCH 5000 FROM export"));) {
            more = false;
            while (q.next()) {
                more = true;
                file.write(csv::answerRow(q, q.value(1).toString(), q.value(8).toInt(),
                                          q.value(9).toString()));
            }
        }
        run(QStringLiteral("COMMIT"));
        if (why.isEmpty() && !file.commit())
            why = file.errorString();
    }
    QSqlDatabase::removeDatabase(name);
    return why.isEmpty() ? QString() : failed(why);
}

} // namespace server

} // namespace registro
