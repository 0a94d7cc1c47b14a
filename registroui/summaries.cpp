// SPDX-License-Identifier: GPL-3.0-or-later
#include "summaries.h"

#include <QHash>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace registroui {

QString factState(const registro::Knowledge &k)
{
    if (k.answers == 0)
        return QStringLiteral("mai chiesto");
    if (k.byHeart)
        return QStringLiteral("sa a memoria");
    return k.right * 2 >= k.answers ? QStringLiteral("quasi") : QStringLiteral("da esercitare");
}

QString factText(int n, const registro::Knowledge &k)
{
    const QString text = QStringLiteral("%1 + %2\n%3").arg(n).arg(10 - n).arg(factState(k));
    if (k.answers == 0)
        return text;
    return text + QStringLiteral("\n%1 esatte su %2\nmediana %3 s")
                      .arg(k.right)
                      .arg(k.answers)
                      .arg(QLocale(QLocale::Italian).toString(k.medianMs / 1000.0, 'f', 1));
}

QString factColour(const registro::Knowledge &k)
{
    static const QHash<QString, QString> colours = {{QStringLiteral("mai chiesto"), "#dddddd"},
                                                    {QStringLiteral("sa a memoria"), "#0072b2"},
                                                    {QStringLiteral("quasi"), "#56b4e9"},
                                                    {QStringLiteral("da esercitare"), "#e69f00"}};
    return colours.value(factState(k));
}

QString factTextColour(const registro::Knowledge &k)
{
    return k.byHeart ? QStringLiteral("white") : QStringLiteral("black");
}

} // namespace registroui
