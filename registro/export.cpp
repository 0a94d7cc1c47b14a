// SPDX-License-Identifier: GPL-3.0-or-later
#include "classdata.h"
#include "csvrow.h"
#include "register.h"
#include "schema.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <vector>

namespace registro {

namespace {
// The races of the registers written: numbered by their start, as the teacher
// counts them; each taken from the first register that holds it; and each
// child's name as the window shows it (the teacher's, else mostUsedSpelling).
struct Races {
    QHash<QString, int> number;         // by file-unique race id
    QHash<QString, qsizetype> home;     // the register each race is written from
    QHash<QString, QString> child;      // childKey by race: folded once a race, not once a row
    QHash<QString, QString> classNames; // by childKey
};

// The child each race of a register stands for, as the register keeps it
// once the teacher mended a name; empty for an older register.
QHash<QString, QString> storedChildren(const Register &reg)
{
    QHash<QString, QString> children;
    if (reg.version() < 6)
        return children;
    QSqlQuery q(reg.database());
    q.setForwardOnly(true);
    q.exec(QStringLiteral("SELECT id, child FROM races WHERE child IS NOT NULL"));
    while (q.next())
        children.insert(q.value(0).toString(), q.value(1).toString());
    return children;
}

Races readRaces(const std::vector<Register> &regs, QString *why)
{
    Races races;
    QHash<QString, QString> mended;
    QList<std::pair<QString, QString>> starts;                // (started, key)
    QHash<QString, QList<std::pair<QString, QString>>> typed; // (name, started) by childKey
    for (qsizetype r = 0; r < qsizetype(regs.size()) && why->isEmpty(); ++r) {
        const QString prefix = schema::raceKeyPrefix(regs[r].version(), regs[r].path());
        const QHash<QString, QString> stored = storedChildren(regs[r]);
        mended.insert(mendedNames(regs[r]));
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
            const QString child = stored.value(q.value(0).toString(), childKey(name));
            races.child.insert(key, child);
            typed[child].append({name, q.value(1).toString()});
        }
    }
    for (auto it = typed.cbegin(); it != typed.cend(); ++it)
        races.classNames.insert(it.key(), mended.value(it.key(), mostUsedSpelling(it.value())));
    std::sort(starts.begin(), starts.end());
    for (const auto &[started, key] : starts)
        races.number.insert(key, int(races.number.size()) + 1);
    return races;
}

QString answersSql(int version, const ExportFilter &filter)
{
    QString sql = QStringLiteral("SELECT a.at, r.name, a.race, a.number, a.typed, a.right, a.ms, "
                                 "r.ending, r.adaptation FROM (%1) a JOIN (%2) r ON r.id = a.race")
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

// Writes the rows of register r that are its own (a race in two registers
// is written once) and that the filter wants; empty, else why.
QString writeRegister(QSaveFile &file, const Register &reg, qsizetype r, const Races &races,
                      const ExportFilter &filter, qint64 *rows)
{
    const QString wanted = reg.childOf(filter.name);
    QSqlQuery q(reg.database());
    q.setForwardOnly(true);
    if (!q.exec(answersSql(reg.version(), filter)))
        return QStringLiteral("registro %1: %2").arg(reg.path(), q.lastError().databaseText());
    const QString prefix = schema::raceKeyPrefix(reg.version(), reg.path());
    // Rows come in time order, mostly several of one race in a row: what is
    // decided for a race is kept until the next one.
    QString race, name, custom;
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
            custom = q.value(8).toString();
        }
        if (written) {
            file.write(csv::answerRow(q, name, number, custom));
            ++*rows;
        }
    }
    return q.lastError().isValid()
               ? QStringLiteral("registro %1: %2").arg(reg.path(), q.lastError().databaseText())
               : QString();
}
} // namespace

QString exportCsv(const QStringList &paths, const QString &csvPath, const ExportFilter &filter,
                  qint64 *written)
{
    qint64 none = 0;
    qint64 *rows = written ? written : &none;
    *rows = 0;
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
    file.write(csv::header(false));
    for (qsizetype r = 0; r < qsizetype(regs.size()) && why.isEmpty(); ++r)
        why = writeRegister(file, regs[r], r, races, filter, rows);
    if (!why.isEmpty())
        return failed(why);
    if (!file.commit())
        return failed(file.errorString());
    return {};
}

} // namespace registro
