// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"

#include <QImage>

class QPrinter;

namespace registroui {

// The printed report: a page for the class (each child's races, best score,
// recent races and the nine facts in words) and, for a chosen child, a page
// with her chart, her races and her grid. It names the days its races cover,
// and nothing about the computer it was made on.
// Its text as HTML, the chart left as the resource "grafico"; every field
// that came from a register or the server is escaped.
QString reportHtml(const QList<registro::Child> &children, const registro::Child *chosen);
void printReport(QPrinter &printer, const QList<registro::Child> &children,
                 const registro::Child *chosen, const QImage &chart);

} // namespace registroui
