// SPDX-License-Identifier: GPL-3.0-or-later
#include "report.h"

#include "register.h"
#include "reportparts.h"
#include "summaries.h"

#include <QPrinter>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace registroui {

namespace {
// A fact's state as a sign, readable without its colour and narrow enough
// for nine of them beside a name on a portrait page.
QString stateSign(const registro::Knowledge &k)
{
    static const QString signs[] = {QStringLiteral("✔"), QStringLiteral("≈"), QStringLiteral("!"),
                                    QStringLiteral("·")};
    return signs[int(stateOf(k))];
}

QString classRow(const registro::Child &c)
{
    int best = 0;
    for (const registro::RaceRow &race : c.races)
        best = std::max(best, race.right);
    // "58 60 61 63 64, in crescita": the scores, then where they go.
    const QString recent = trend(c.races);
    QString row = QStringLiteral("<tr><td>%1</td><td align='right'>%2</td><td align='right'>%3"
                                 "</td><td>%4</td><td>%5</td>")
                      .arg(registro::shownName(c.name).toHtmlEscaped())
                      .arg(c.races.size())
                      .arg(best)
                      .arg(recent.section(QStringLiteral(", "), 0, 0).toHtmlEscaped(),
                           recent.section(QStringLiteral(", "), 1).toHtmlEscaped());
    for (int n = 1; n <= 9; ++n) {
        const registro::Knowledge k = registro::knowledgeOf(c.answers, n);
        row += QStringLiteral("<td bgcolor='%1' align='center'><font color='%2'>%3</font></td>")
                   .arg(factColour(k), factTextColour(k), stateSign(k));
    }
    return row + QStringLiteral("</tr>");
}
} // namespace

QString classReportHtml(const QList<registro::Child> &children, const QString &className)
{
    QString html =
        reportTitle(className, QString()) +
        QStringLiteral("<p>%1</p><table class='classe' width='100%' border='1' cellspacing='0' "
                       "cellpadding='2'><thead><tr><th align='left'>Nome</th>"
                       "<th>Gare</th><th>Migliore</th><th align='left'>Ultime gare"
                       "</th><th align='left'>Andamento</th>")
            .arg(racesSpan(children));
    for (int n = 1; n <= 9; ++n)
        html += QStringLiteral("<th>%1+%2</th>").arg(n).arg(10 - n);
    html += QStringLiteral("</tr></thead>");
    for (const registro::Child &c : children)
        html += classRow(c);
    return html + QStringLiteral(
                      "</table><p class='nota'>Ultime gare: risposte esatte delle ultime cinque "
                      "gare; * una gara non finita con il tempo o su misura, che non conta per "
                      "l'andamento (almeno sei gare di cinque minuti). Nei nove amici del dieci: ✔ "
                      "sa a memoria (almeno 5 risposte, "
                      "9 su 10 esatte, in meno di 3 secondi), ≈ quasi (esatta almeno una volta su "
                      "due), ! da esercitare, · mai chiesto. Contano le ultime 20 risposte a "
                      "ciascuno.</p>");
}

void printReport(QPrinter &printer, const QList<registro::Child> &children,
                 const registro::Child *child, const QString &className, const QImage &chart)
{
    QTextDocument report;
    report.setDefaultStyleSheet(
        QStringLiteral("body { font-size: 9pt; } th { background: #eeeeee; } "
                       "td, th { white-space: nowrap; } table.classe { font-size: 8pt; } p.nota { "
                       "font-size: 8pt; } "
                       "table.gare td { font-size: 8pt; } h1 { font-size: 16pt; }"));
    report.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("grafico")), chart);
    report.setHtml(child ? childReportHtml(*child, className)
                         : classReportHtml(children, className));
    printer.setDocName(child ? QStringLiteral("dieci - %1").arg(registro::shownName(child->name))
                             : QStringLiteral("Registro di dieci"));
    printer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    report.print(&printer);
}

} // namespace registroui
