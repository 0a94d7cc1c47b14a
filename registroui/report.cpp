// SPDX-License-Identifier: GPL-3.0-or-later
#include "report.h"

#include "register.h"
#include "summaries.h"

#include <QPrinter>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace registroui {

namespace {
QString day(const QString &stamp)
{
    return registro::fromTimestamp(stamp).toString(QStringLiteral("dd/MM/yyyy"));
}

// The days the races cover, as the report's only note of time and place.
QString span(const QList<registro::Child> &children)
{
    QString first, last;
    for (const registro::Child &c : children)
        for (const registro::RaceRow &race : c.races) {
            if (first.isEmpty() || race.started < first)
                first = race.started;
            last = std::max(last, race.started);
        }
    return first.isEmpty() ? QStringLiteral("Nessuna gara registrata.")
                           : QStringLiteral("Gare dal %1 al %2.").arg(day(first), day(last));
}

// The facts of one state, as "1 + 9, 3 + 7".
QString factsIn(const registro::Child &c, const QString &state)
{
    QStringList facts;
    for (int n = 1; n <= 9; ++n)
        if (factState(registro::knowledgeOf(c.answers, n)) == state)
            facts << QStringLiteral("%1&nbsp;+&nbsp;%2").arg(n).arg(10 - n);
    return facts.join(QStringLiteral(", "));
}

QString classPage(const QList<registro::Child> &children)
{
    QString html =
        QStringLiteral(
            "<h1>Registro di dieci</h1><p>%1</p><table border='1' cellspacing='0' cellpadding='3'>"
            "<tr><th>Nome</th><th>Gare</th><th>Migliore</th><th>Ultime gare</th>"
            "<th>Sa a memoria</th><th>Quasi</th><th>Da esercitare</th></tr>")
            .arg(span(children));
    for (const registro::Child &c : children) {
        int best = 0;
        for (const registro::RaceRow &race : c.races)
            best = std::max(best, race.right);
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td>"
                               "<td>%6</td><td>%7</td></tr>")
                    .arg(registro::shownName(c.name).toHtmlEscaped())
                    .arg(c.races.size())
                    .arg(best)
                    .arg(trend(c.races).toHtmlEscaped(), factsIn(c, QStringLiteral("sa a memoria")),
                         factsIn(c, QStringLiteral("quasi")),
                         factsIn(c, QStringLiteral("da esercitare")));
    }
    return html + QStringLiteral("</table><p>Ultime gare: risposte esatte delle ultime cinque "
                                 "gare; * una gara non finita con il tempo, che non conta per "
                                 "l'andamento.</p>");
}

QString childPage(const registro::Child &c)
{
    QString html = QStringLiteral("<h2 style='page-break-before: always'>%1</h2><p>%2</p>"
                                  "<img src='grafico' width='600'><h3>I nove amici del dieci</h3>"
                                  "<table border='1' cellspacing='0' cellpadding='6'>")
                       .arg(registro::shownName(c.name).toHtmlEscaped(), span({c}));
    for (int n = 1; n <= 9; ++n) {
        const registro::Knowledge k = registro::knowledgeOf(c.answers, n);
        if ((n - 1) % 3 == 0)
            html += QStringLiteral("<tr>");
        html += QStringLiteral("<td bgcolor='%1' align='center'><font color='%2'>%3</font></td>")
                    .arg(factColour(k), factTextColour(k),
                         factText(n, k).toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")));
        if (n % 3 == 0)
            html += QStringLiteral("</tr>");
    }
    html += QStringLiteral("</table><h3>Le gare</h3><table border='1' cellspacing='0' "
                           "cellpadding='3'><tr><th>Gara</th><th>Esatte</th><th>Errate</th>"
                           "<th>Com'è finita</th></tr>");
    for (const registro::RaceRow &race : c.races)
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                    .arg(registro::fromTimestamp(race.started).toString("dd/MM/yyyy HH:mm"))
                    .arg(race.right)
                    .arg(race.wrong)
                    .arg(race.ending.toHtmlEscaped());
    return html + QStringLiteral("</table>");
}
} // namespace

QString reportHtml(const QList<registro::Child> &children, const registro::Child *chosen)
{
    return classPage(children) + (chosen ? childPage(*chosen) : QString());
}

void printReport(QPrinter &printer, const QList<registro::Child> &children,
                 const registro::Child *chosen, const QImage &chart)
{
    QTextDocument report;
    report.setDefaultStyleSheet(QStringLiteral("th { background: #eeeeee; }"));
    report.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("grafico")), chart);
    report.setHtml(reportHtml(children, chosen));
    printer.setDocName(QStringLiteral("Registro di dieci"));
    report.print(&printer);
}

} // namespace registroui
