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
// column.
QByteArray answerRow(const QSqlQuery &q, const QString &name, int race,
                     const QString &className = {});
QByteArray answerRow(const QStringList &row, const QString &name, int race,
                     const QString &className = {});

} // namespace registro::csv
