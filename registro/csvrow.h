// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QSqlQuery;

// The CSV file the teacher opens in a spreadsheet, one answer a line: the
// same columns from the local registers and from the school's server.
namespace registro::csv {

// A field as a spreadsheet reads it back, never as a formula.
QString field(QString text);
// One answer's line from a row of (at, name, race, number, typed, right,
// ms, ending), as a query or as text; className, when not null, is a tenth
// column; the last says how her teacher set the race ("4 minuti,
// allenamento"), empty for the race everyone plays.
QByteArray answerRow(const QSqlQuery &q, const QString &name, int race, const QString &custom,
                     const QString &className = {});
QByteArray answerRow(const QStringList &row, const QString &name, int race, const QString &custom,
                     const QString &className = {});
// The header line, with the class column or without.
QByteArray header(bool withClass);

} // namespace registro::csv
