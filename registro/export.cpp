// SPDX-License-Identifier: GPL-3.0-or-later
#include "register.h"
#include "schema.h"
#include "server.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <vector>

namespace registro {

namespace {
// A field as a spreadsheet reads it back: quoted when it holds the separator,
// a quote or a line break; a leading = + - @ would make it a formula.
QString field(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.front()))
        text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}

// The races of the registers written: numbered by their start, as the teacher
// counts them; each taken from the first register that holds it; and each
// child's name as the window shows it, the first one read.
struct Races {
    QHash<QString, int> number;         // by file-unique race id
    QHash<QString, qsizetype> home;     // the register each race is written from
    QHash<QString, QString> child;      // childKey by race: folded once a race, not once a row
    QHash<QString, QString> classNames; // by childKey
};

Races readRaces(const std::vector<Register> &regs, QString *why)
{
    Races races;
    QList<std::pair<QString, QString>> starts; // (started, key)
    for (qsizetype r = 0; r < qsizetype(regs.size()) && why->isEmpty(); ++r) {
        const QString prefix = schema::raceKeyPrefix(regs[r].version(), regs[r].path());
        QSqlQuery q(regs[r].database());
        q.setForwardOnly(true);
        if (!q.exec(schema::racesQuery(regs[r].version()) + QStringLiteral(" ORDER BY started")))
            *why =
                QStringLiteral("registro %1: %2").arg(regs[r].path(), q.lastError().databaseText());
        while (q.next()) {
            const QString key = prefix + q.value(0).toString();
            if (races.home.contains(key))
                continue;
            races.home.insert(key, r);
            starts.append({q.value(1).toString(), key});
            const QString name = q.value(2).toString();
            races.child.insert(key, childKey(name));
            if (!races.classNames.contains(childKey(name)))
                races.classNames.insert(childKey(name), name.trimmed());
        }
    }
    std::sort(starts.begin(), starts.end());
    for (const auto &[started, key] : starts)
        races.number.insert(key, int(races.number.size()) + 1);
    return races;
}

QString answersSql(int version, const ExportFilter &filter)
{
    QString sql = QStringLiteral("SELECT a.at, r.name, a.race, a.number, a.typed, a.right, a.ms, "
                                 "r.ending FROM (%1) a JOIN (%2) r ON r.id = a.race")
                      .arg(schema::answersQuery(version), schema::racesQuery(version));
    // Stamps are local times as sortable text: a day is a range of them.
    QStringList where;
    if (filter.from.isValid())
        where << QStringLiteral("a.at >= '%1'").arg(filter.from.toString(Qt::ISODate));
    if (filter.to.isValid())
        where << QStringLiteral("a.at < '%1'").arg(filter.to.addDays(1).toString(Qt::ISODate));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    return sql + QStringLiteral(" ORDER BY a.at, a.race, a.seq");
}

// One answer's line. The stamp is cut, not parsed: a million rows are a
// million dates, and it is written in one known format.
QByteArray row(const QSqlQuery &q, const QString &name, int race, const QString &className = {})
{
    const QString at = q.value(0).toString(); // yyyy-MM-ddTHH:mm:ss.zzz
    const QString ending = q.value(7).toString();
    const QStringView stamp(at);
    QString line;
    line.reserve(96);
    line.append(stamp.mid(8, 2)).append(u'/').append(stamp.mid(5, 2)).append(u'/');
    line.append(stamp.left(4)).append(u';').append(stamp.mid(11, 8)).append(u';');
    line += field(name) + u';' + QString::number(race) + u';' + q.value(3).toString() + u';' +
            field(q.value(4).toString()) + u';' +
            (q.value(5).toInt() ? QStringLiteral("sì") : QStringLiteral("no")) + u';' +
            q.value(6).toString() + u';' +
            (ending.isEmpty() ? QStringLiteral("interrotta") : ending);
    if (!className.isNull())
        line += u';' + field(className);
    line += QStringLiteral("\r\n");
    return line.toUtf8();
}
} // namespace

QString exportCsv(const QStringList &paths, const QString &csvPath, const ExportFilter &filter)
{
    const auto failed = [&csvPath](const QString &why) {
        return QStringLiteral("%1: %2").arg(csvPath, why);
    };
    const QFileInfo target(csvPath);
    // Replacing a folder, a FIFO or a device with a file would be a surprise.
    if (target.exists() && !target.isFile())
        return failed(QStringLiteral("non è un file normale"));
    std::vector<Register> regs;
    for (const QString &path : paths) {
        regs.push_back(Register::open(path, Access::ReadOnly));
        if (!regs.back().isOpen())
            return failed(QStringLiteral("registro %1: %2").arg(path, regs.back().error().text));
    }
    QString why;
    const Races races = readRaces(regs, &why);
    if (!why.isEmpty())
        return failed(why);
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    file.write("\xEF\xBB\xBF"
               "data;ora;nome;gara;numero;risposta;esatta;millisecondi;esito\r\n");
    const QString wanted = childKey(filter.name);
    for (qsizetype r = 0; r < qsizetype(regs.size()); ++r) {
        QSqlQuery q(regs[r].database());
        q.setForwardOnly(true);
        if (!q.exec(answersSql(regs[r].version(), filter)))
            return failed(QStringLiteral("registro %1: %2")
                              .arg(regs[r].path(), q.lastError().databaseText()));
        const QString prefix = schema::raceKeyPrefix(regs[r].version(), regs[r].path());
        // Rows come in time order, mostly several of one race in a row: what is
        // decided for a race is kept until the next one.
        QString race, name;
        bool written = false;
        int number = 0;
        while (q.next()) {
            if (const QString id = q.value(2).toString(); id != race) {
                race = id;
                const QString key = prefix + id;
                const QString child = races.child.value(key);
                written = races.home.value(key, -1) == r && (wanted.isEmpty() || child == wanted);
                name = filter.classNames ? races.classNames.value(child) : q.value(1).toString();
                number = races.number.value(key);
            }
            if (written)
                file.write(row(q, name, number));
        }
        if (q.lastError().isValid())
            return failed(QStringLiteral("registro %1: %2")
                              .arg(regs[r].path(), q.lastError().databaseText()));
    }
    if (!file.commit())
        return failed(file.errorString());
    return {};
}

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
                file.write(
                    row(q, q.value(1).toString(), q.value(8).toInt(), q.value(9).toString()));
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
