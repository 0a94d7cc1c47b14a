// SPDX-License-Identifier: GPL-3.0-or-later
#include "summaries.h"

#include <QHash>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace registroui {

namespace {
constexpr int Shown = 5;
constexpr int Compared = 3;
// Race to race a child's score moves by a few answers by chance alone.
constexpr double Meaningful = 3.0;

double mean(const QList<int> &values, qsizetype from)
{
    double sum = 0;
    for (qsizetype i = from; i < from + Compared; ++i)
        sum += values[i];
    return sum / Compared;
}
} // namespace

bool fullRace(const registro::RaceRow &race)
{
    return race.ending == QLatin1String("fine") && race.adaptation.isEmpty();
}

QString trend(const QList<registro::RaceRow> &races)
{
    QStringList last;
    for (qsizetype i = std::max<qsizetype>(0, races.size() - Shown); i < races.size(); ++i)
        last << QString::number(races[i].right) + (fullRace(races[i]) ? "" : "*");
    QList<int> full;
    for (const registro::RaceRow &race : races)
        if (fullRace(race))
            full << race.right;
    if (full.size() < 2 * Compared)
        return last.join(u' ');
    const double change =
        mean(full, full.size() - Compared) - mean(full, full.size() - 2 * Compared);
    return last.join(u' ') + (change >= Meaningful    ? QStringLiteral(", in crescita")
                              : change <= -Meaningful ? QStringLiteral(", in calo")
                                                      : QStringLiteral(", stabile"));
}

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
