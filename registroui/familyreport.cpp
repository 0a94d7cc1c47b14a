// SPDX-License-Identifier: GPL-3.0-or-later
// One child's page for her family: what a parent can read in a minute.
#include "register.h"
#include "report.h"
#include "reportparts.h"
#include "summaries.h"

#include <QLocale>

#include <algorithm>
#include <numeric>

namespace registroui {

QString reportDay(const QString &stamp)
{
    return registro::fromTimestamp(stamp).toString(QStringLiteral("dd/MM/yyyy"));
}

QString racesSpan(const QList<registro::Child> &children)
{
    QString first, last;
    for (const registro::Child &c : children)
        for (const registro::RaceRow &race : c.races) {
            if (first.isEmpty() || race.started < first)
                first = race.started;
            last = std::max(last, race.started);
        }
    return first.isEmpty()
               ? QStringLiteral("Nessuna gara registrata.")
               : QStringLiteral("Gare dal %1 al %2.").arg(reportDay(first), reportDay(last));
}

QString reportTitle(const QString &className, const QString &childName)
{
    const QString klass =
        className.isEmpty() ? QString() : QStringLiteral("Classe %1").arg(className);
    if (childName.isNull())
        return QStringLiteral("<h1>Registro di dieci%1</h1>")
            .arg(klass.isEmpty() ? QString() : QStringLiteral(" – ") + klass.toHtmlEscaped());
    return QStringLiteral("<h1>%1</h1><p>%2</p>")
        .arg(childName.toHtmlEscaped(),
             (klass.isEmpty() ? QString() : klass + QStringLiteral(", ")).toHtmlEscaped() +
                 QStringLiteral("gli amici del dieci"));
}

namespace {
double meanOf(const QList<int> &scores, qsizetype from, qsizetype count)
{
    return std::accumulate(scores.begin() + from, scores.begin() + from + count, 0.0) / count;
}

// How her right answers moved, over the races everyone plays.
QString movement(const registro::Child &c)
{
    QList<int> full;
    for (const registro::RaceRow &race : c.races)
        if (fullRace(race))
            full << race.right;
    const QLocale it;
    if (full.isEmpty())
        return QStringLiteral("Non ha ancora fatto una gara di cinque minuti fino alla fine.");
    if (full.size() == 1)
        return QStringLiteral("Nella sua gara di cinque minuti ha dato %1 risposte esatte.")
            .arg(full.front());
    const qsizetype n = std::min<qsizetype>(3, full.size() / 2);
    const double before = meanOf(full, 0, n), after = meanOf(full, full.size() - n, n);
    const QString was = it.toString(before, 'f', 0), is = it.toString(after, 'f', 0);
    if (was == is)
        return QStringLiteral("Nelle gare di cinque minuti dà circa %1 risposte esatte, come "
                              "all'inizio.")
            .arg(is);
    return QStringLiteral("Nelle gare di cinque minuti le sue risposte esatte sono passate da "
                          "circa %1 (le prime gare) a circa %2 (le ultime).")
        .arg(was, is);
}

// Which facts she knows by heart, and which to practise at home.
QString facts(const registro::Child &c)
{
    QStringList byState[4]; // by FactState
    for (int n = 1; n <= 9; ++n)
        byState[int(stateOf(registro::knowledgeOf(c.answers, n)))]
            << QStringLiteral("%1 + %2").arg(n).arg(10 - n);
    const QStringList &known = byState[int(FactState::ByHeart)];
    const QStringList &nearly = byState[int(FactState::Nearly)];
    const QStringList &practise = byState[int(FactState::Practise)];
    const QStringList &never = byState[int(FactState::Never)];
    if (known.size() == 9)
        return QStringLiteral("Sa a memoria tutti e nove gli amici del dieci.");
    QStringList lines;
    const auto say = [&lines](const QString &what, const QStringList &which) {
        if (!which.isEmpty())
            lines << what.arg(which.join(QStringLiteral(", ")));
    };
    say(QStringLiteral("Sa a memoria: %1."), known);
    say(QStringLiteral("Quasi: %1."), nearly);
    say(QStringLiteral("Da esercitare, anche a casa: %1."), practise);
    say(QStringLiteral("Non ancora chiesti: %1."), never);
    return lines.join(QStringLiteral("<br>"));
}

QString factsGrid(const registro::Child &c)
{
    QString html =
        QStringLiteral("<table width='100%' border='1' cellspacing='0' cellpadding='3'>");
    for (int n = 1; n <= 9; ++n) {
        const registro::Knowledge k = registro::knowledgeOf(c.answers, n);
        // Two lines a fact: the grid leaves room for a term of races.
        const QStringList lines = factText(n, k).split(u'\n');
        if ((n - 1) % 3 == 0)
            html += QStringLiteral("<tr>");
        html += QStringLiteral("<td width='33%' bgcolor='%1' align='center'><font color='%2'><b>%3"
                               "</b> %4<br>%5</font></td>")
                    .arg(factColour(k), factTextColour(k), lines.value(0).toHtmlEscaped(),
                         lines.value(1).toHtmlEscaped(),
                         lines.mid(2).join(QStringLiteral(", ")).toHtmlEscaped());
        if (n % 3 == 0)
            html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

// Some of her races, newest first, as one narrow table.
QString racesTable(const QList<registro::RaceRow> &races)
{
    QString html = QStringLiteral("<table class='gare' width='100%' border='1' cellspacing='0' "
                                  "cellpadding='1'><thead><tr><th>Gara</th><th>Esatte</th>"
                                  "<th>Errate</th><th align='left'>Com'è finita</th></tr></thead>");
    for (const registro::RaceRow &race : races)
        html += QStringLiteral("<tr><td nowrap>%1</td><td align='right'>%2</td><td "
                               "align='right'>%3</td><td nowrap>%4</td></tr>")
                    .arg(registro::fromTimestamp(race.started).toString("dd/MM HH:mm"))
                    .arg(race.right)
                    .arg(race.wrong)
                    .arg(race.ending.toHtmlEscaped() +
                         (race.adaptation.isEmpty() ? QString() : QStringLiteral(" *")));
    return html + QStringLiteral("</table>");
}

// What "*" stands for: each way her teacher set her races.
QString customNote(const registro::Child &c)
{
    QStringList ways;
    for (const registro::RaceRow &race : c.races)
        if (!race.adaptation.isEmpty() && !ways.contains(race.adaptation))
            ways << race.adaptation;
    if (ways.isEmpty())
        return {};
    return QStringLiteral("<p class='nota'>* Gara su misura (%1): l'insegnante l'ha adattata, "
                          "più corta, senza tempo o con più domande sui fatti da esercitare; non "
                          "conta per il record.</p>")
        .arg(ways.join(QStringLiteral("; ")).toHtmlEscaped());
}

// The aids of her learning plan, which the family agreed to: how she plays.
QString aidsNote(const registro::Child &c)
{
    QStringList how;
    if (c.settings.voice)
        how << QStringLiteral("legge ad alta voce numeri, risposte e tempo (sintesi vocale)");
    if (c.settings.contrast)
        how << QStringLiteral("mostra colori ad alto contrasto");
    if (how.isEmpty())
        return {};
    return QStringLiteral("<p class='nota'>Nelle sue gare dieci %1, come chiede il suo piano "
                          "didattico personalizzato.</p>")
        .arg(how.join(QStringLiteral(" e ")));
}

// Her races newest first, in two columns side by side: a term fits the page.
QString racesColumns(const registro::Child &c)
{
    QList<registro::RaceRow> newest(c.races.crbegin(), c.races.crend());
    const qsizetype half = (newest.size() + 1) / 2;
    if (newest.size() < 8)
        return racesTable(newest);
    return QStringLiteral("<table width='100%' cellspacing='0' cellpadding='0'><tr><td "
                          "width='50%' valign='top'>%1</td><td width='50%' valign='top'>%2</td>"
                          "</tr></table>")
        .arg(racesTable(newest.mid(0, half)), racesTable(newest.mid(half)));
}
} // namespace

QString childReportHtml(const registro::Child &c, const QString &className)
{
    const QString name = registro::shownName(c.name);
    qsizetype full = std::count_if(c.races.cbegin(), c.races.cend(), fullRace);
    return reportTitle(className, name) +
           QStringLiteral("<p>%1 %2 ha giocato %3 gare, %4 di cinque minuti fino alla fine. %5"
                          "</p><p>%6</p><p><img src='grafico' width='600' height='200'></p>"
                          "<h3>I nove amici del dieci</h3>%7<h3>Le sue gare, dalla più recente"
                          "</h3>%8%9%10")
               .arg(racesSpan({c}), name.toHtmlEscaped())
               .arg(c.races.size())
               .arg(full)
               .arg(movement(c), facts(c), factsGrid(c), racesColumns(c), customNote(c),
                    aidsNote(c));
}

} // namespace registroui
