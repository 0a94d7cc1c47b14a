// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvrow.h"

#include <QSqlQuery>
#include <QVariant>

namespace registro::csv {

// A field as a spreadsheet reads it back: quoted when it holds the separator,
// a quote or a line break; a leading = + - @ (or a tab or a carriage return
// before one) would make it a formula. Every field a register or the
// school's server could hold goes through here: a child can write either.
QString field(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r'))
        text = u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return text;
}

namespace {
// One answer's line. The stamp is cut, not parsed: a million rows are a
// million dates, and it is written in one known format.
template <typename Value>
QByteArray line(Value value, const QString &name, int race, const QString &custom,
                const QString &className)
{
    const QString at = value(0); // yyyy-MM-ddTHH:mm:ss.zzz
    const QString ending = value(7);
    const QStringView stamp(at);
    QString line;
    line.reserve(96);
    line.append(stamp.mid(8, 2)).append(u'/').append(stamp.mid(5, 2)).append(u'/');
    line.append(stamp.left(4)).append(u';').append(stamp.mid(11, 8)).append(u';');
    line += field(name) + u';' + QString::number(race) + u';' + field(value(3)) + u';' +
            field(value(4)) + u';' +
            (value(5).toInt() ? QStringLiteral("sì") : QStringLiteral("no")) + u';' +
            field(value(6)) + u';' +
            (ending.isEmpty() ? QStringLiteral("interrotta") : field(ending));
    if (!className.isNull())
        line += u';' + field(className);
    line += u';' + field(custom) + QStringLiteral("\r\n");
    return line.toUtf8();
}
} // namespace

QByteArray answerRow(const QSqlQuery &q, const QString &name, int race, const QString &custom,
                     const QString &className)
{
    return line([&q](int i) { return q.value(i).toString(); }, name, race, custom, className);
}

QByteArray answerRow(const QStringList &row, const QString &name, int race, const QString &custom,
                     const QString &className)
{
    return line([&row](int i) { return row.value(i); }, name, race, custom, className);
}

QByteArray header(bool withClass)
{
    return withClass ? QByteArray("\xEF\xBB\xBF"
                                  "data;ora;nome;gara;numero;risposta;esatta;millisecondi;esito;"
                                  "classe;su misura\r\n")
                     : QByteArray("\xEF\xBB\xBF"
                                  "data;ora;nome;gara;numero;risposta;esatta;millisecondi;esito;"
                                  "su misura\r\n");
}

} // namespace registro::csv
