// SPDX-License-Identifier: GPL-3.0-or-later
#include "summaries.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace registroui {

QString trend(const QList<registro::RaceRow> &races)
{
    QStringList last;
    for (qsizetype i = std::max<qsizetype>(0, races.size() - 5); i < races.size(); ++i)
        last << QString::number(races[i].right);
    if (races.size() < 2)
        return last.join(u' ');
    const int change = races.back().right - races[std::max<qsizetype>(0, races.size() - 5)].right;
    return last.join(u' ') + (change > 0   ? QStringLiteral(", in crescita")
                              : change < 0 ? QStringLiteral(", in calo")
                                           : QStringLiteral(", stabile"));
}

QString factText(int n, const registro::Knowledge &k)
{
    QString text = QStringLiteral("%1 + %2").arg(n).arg(10 - n);
    if (k.answers == 0)
        return text + QStringLiteral("\nnessuna risposta");
    text += QStringLiteral("\n%1 esatte su %2\nmediana %3 s")
                .arg(k.right)
                .arg(k.answers)
                .arg(QLocale(QLocale::Italian).toString(k.medianMs / 1000.0, 'f', 1));
    return k.byHeart ? text + QStringLiteral("\nsa a memoria") : text;
}

QString factColour(const registro::Knowledge &k)
{
    if (k.answers == 0)
        return QStringLiteral("#dddddd");
    if (k.byHeart)
        return QStringLiteral("#7ccf7c");
    return k.right * 2 >= k.answers ? QStringLiteral("#f3d96b") : QStringLiteral("#f08c8c");
}

} // namespace registroui
