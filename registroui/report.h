// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classmodel.h"

#include <QImage>

class QPrinter;

namespace registroui {

// The two printed reports. Each names the class (when known) and the days
// its races cover, and nothing about the computer it was made on; every
// field that came from a register or the server is escaped.

// The class at a glance, for the classroom wall: a row a child, her races,
// her best, her last five, and the nine facts as coloured cells with a word
// in each; the header repeats on every page and no row is split.
QString classReportHtml(const QList<registro::Child> &children, const QString &className);

// One child's page for her family, and no other child's name: a few plain
// sentences, her chart (the resource "grafico"), the nine facts, and her
// races newest first, those her teacher set marked.
QString childReportHtml(const registro::Child &child, const QString &className);

// Prints one of them: the child's when child is given, else the class's.
void printReport(QPrinter &printer, const QList<registro::Child> &children,
                 const registro::Child *child, const QString &className, const QImage &chart);

} // namespace registroui
