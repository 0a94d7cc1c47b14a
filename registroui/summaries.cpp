// SPDX-License-Identifier: GPL-3.0-or-later
#include "summaries.h"

#include "register.h"

#include <QHash>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace registroui {

FactState stateOf(const registro::Knowledge &k)
{
    if (k.answers == 0)
        return FactState::Never;
    if (k.byHeart)
        return FactState::ByHeart;
    return k.right * 2 >= k.answers ? FactState::Nearly : FactState::Practise;
}

QString factState(const registro::Knowledge &k)
{
    static const QString words[] = {QStringLiteral("sa a memoria"), QStringLiteral("quasi"),
                                    QStringLiteral("da esercitare"), QStringLiteral("mai chiesto")};
    return words[int(stateOf(k))];
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

std::pair<QDateTime, QDateTime> chartRange(const QList<registro::RaceRow> &races)
{
    QDateTime first, last;
    for (const registro::RaceRow &race : races) {
        const QDateTime when = registro::fromTimestamp(race.started);
        if (!when.isValid())
            continue;
        if (!first.isValid() || when < first)
            first = when;
        if (!last.isValid() || when > last)
            last = when;
    }
    if (!first.isValid())
        first = last = QDateTime::currentDateTime();
    const qint64 span = first.msecsTo(last);
    constexpr qint64 Day = 24 * 3600 * 1000;
    if (span < Day)
        return {first.addDays(-1), last.addDays(1)};
    return {first.addMSecs(-span / 20), last.addMSecs(span / 20)};
}

} // namespace registroui
