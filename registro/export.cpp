// SPDX-License-Identifier: GPL-3.0-or-later
#include "register.h"
#include "schema.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

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

// Races are numbered by their start in this register, as the teacher counts them.
QHash<QString, int> raceNumbers(const Register &reg, QString *why)
{
    QHash<QString, int> numbers;
    QSqlQuery q(reg.database());
    q.setForwardOnly(true);
    if (!q.exec(schema::racesQuery(reg.version()) + QStringLiteral(" ORDER BY started, id")))
        *why = q.lastError().databaseText();
    while (q.next())
        numbers.insert(q.value(0).toString(), int(numbers.size()) + 1);
    return numbers;
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
QByteArray row(const QSqlQuery &q, int race)
{
    const QString at = q.value(0).toString(); // yyyy-MM-ddTHH:mm:ss.zzz
    const QString ending = q.value(7).toString();
    const QStringView stamp(at);
    QString line;
    line.reserve(96);
    line.append(stamp.mid(8, 2)).append(u'/').append(stamp.mid(5, 2)).append(u'/');
    line.append(stamp.left(4)).append(u';').append(stamp.mid(11, 8)).append(u';');
    line += field(q.value(1).toString()) + u';' + QString::number(race) + u';' +
            q.value(3).toString() + u';' + field(q.value(4).toString()) + u';' +
            (q.value(5).toInt() ? QStringLiteral("sì") : QStringLiteral("no")) + u';' +
            q.value(6).toString() + u';' +
            (ending.isEmpty() ? QStringLiteral("interrotta") : ending) + QStringLiteral("\r\n");
    return line.toUtf8();
}
} // namespace

QString exportCsv(const QString &path, const QString &csvPath, const ExportFilter &filter)
{
    const auto failed = [&csvPath](const QString &why) {
        return QStringLiteral("%1: %2").arg(csvPath, why);
    };
    const QFileInfo target(csvPath);
    // Replacing a folder, a FIFO or a device with a file would be a surprise.
    if (target.exists() && !target.isFile())
        return failed(QStringLiteral("non è un file normale"));
    const Register reg = Register::open(path, Access::ReadOnly);
    if (!reg.isOpen())
        return failed(QStringLiteral("registro %1: %2").arg(path, reg.error()));
    QString why;
    const QHash<QString, int> numbers = raceNumbers(reg, &why);
    if (!why.isEmpty())
        return failed(QStringLiteral("registro %1: %2").arg(path, why));
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    file.write("\xEF\xBB\xBF"
               "data;ora;nome;gara;numero;risposta;esatta;millisecondi;esito\r\n");
    QSqlQuery q(reg.database());
    q.setForwardOnly(true);
    if (!q.exec(answersSql(reg.version(), filter)))
        return failed(QStringLiteral("registro %1: %2").arg(path, q.lastError().databaseText()));
    const QString name = childKey(filter.name);
    QHash<QString, bool> wanted; // by race: names are folded once a race, not once a row
    while (q.next()) {
        const QString race = q.value(2).toString();
        auto match = wanted.constFind(race);
        if (match == wanted.cend())
            match = wanted.insert(race, name.isEmpty() || childKey(q.value(1).toString()) == name);
        if (*match)
            file.write(row(q, numbers.value(race)));
    }
    if (q.lastError().isValid())
        return failed(QStringLiteral("registro %1: %2").arg(path, q.lastError().databaseText()));
    if (!file.commit())
        return failed(file.errorString());
    return {};
}

} // namespace registro
