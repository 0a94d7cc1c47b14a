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

// One answer's line. The stamp is cut, not parsed: a million rows are a
// million dates, and it is written in one known format.
QByteArray answerRow(const QSqlQuery &q, const QString &name, int race, const QString &className)
{
    const QString at = q.value(0).toString(); // yyyy-MM-ddTHH:mm:ss.zzz
    const QString ending = q.value(7).toString();
    const QStringView stamp(at);
    QString line;
    line.reserve(96);
    line.append(stamp.mid(8, 2)).append(u'/').append(stamp.mid(5, 2)).append(u'/');
    line.append(stamp.left(4)).append(u';').append(stamp.mid(11, 8)).append(u';');
    line += field(name) + u';' + QString::number(race) + u';' + field(q.value(3).toString()) +
            u';' + field(q.value(4).toString()) + u';' +
            (q.value(5).toInt() ? QStringLiteral("sì") : QStringLiteral("no")) + u';' +
            field(q.value(6).toString()) + u';' +
            (ending.isEmpty() ? QStringLiteral("interrotta") : field(ending));
    if (!className.isNull())
        line += u';' + field(className);
    line += QStringLiteral("\r\n");
    return line.toUtf8();
}

} // namespace registro::csv
