// SPDX-License-Identifier: GPL-3.0-or-later
#include "register.h"
#include "schema.h"

#include <QSaveFile>
#include <QSqlDatabase>
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
} // namespace

bool exportCsv(const QString &path, const QString &csvPath, QString *error)
{
    const QString name = openConnection(path, OpenMode::ReadOnly, error);
    if (name.isEmpty())
        return false;
    QByteArray csv("\xEF\xBB\xBF"
                   "data;ora;nome;gara;numero;risposta;esatta;millisecondi\r\n");
    bool ok = false;
    {
        QSqlQuery rows(QSqlDatabase::database(name, false));
        ok =
            rows.exec(QStringLiteral("SELECT a.at, r.name, r.id, a.number, a.typed, a.right, a.ms "
                                     "FROM answers a JOIN races r ON r.id = a.race ORDER BY a.id"));
        while (ok && rows.next()) {
            const QDateTime at = fromTimestamp(rows.value(0).toString());
            const QStringList fields = {at.toString(QStringLiteral("dd/MM/yyyy")),
                                        at.toString(QStringLiteral("HH:mm:ss")),
                                        field(rows.value(1).toString()),
                                        rows.value(2).toString(),
                                        rows.value(3).toString(),
                                        field(rows.value(4).toString()),
                                        rows.value(5).toInt() ? QStringLiteral("sì")
                                                              : QStringLiteral("no"),
                                        rows.value(6).toString()};
            csv += fields.join(u';').toUtf8() + "\r\n";
        }
        if (!ok)
            *error = rows.lastError().text();
    }
    closeConnection(name);
    if (!ok)
        return false;
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv) != csv.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace registro
