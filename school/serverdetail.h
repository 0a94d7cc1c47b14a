// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the school server's files share, inside the school library.
#include "classmodel.h"

#include <QString>
#include <QStringList>

#include <map>

namespace registro::server {
class Pq;
}

namespace registro::server::detail {

// How many answers to each fact judge whether a child knows it (knowledgeOf).
inline constexpr int RecentAnswers = 20;
// SQLSTATEs: the schema or the table is not there.
inline const QStringList Missing = {"3F000", "42P01"};

// The statements that make or bring up to date the school's tables and the
// functions the children's role adds through.
const QStringList &schemaStatements();

// The options every connection takes unless the connection string sets
// them: timeouts that let go of a server that does not answer, and no JIT.
QStringList withDefaults(QStringList options);

// Why the database's tables cannot be used, from the version dieci.info
// holds (missing: no such table or row); empty when they can.
QString tablesProblem(bool missing, const QString &version);
inline const QString NewerTables = QStringLiteral("tabelle di una versione più recente di dieci");

// A server's message on one line.
QString oneLine(const QString &text);
// A server's or libpq's error on one line, as an Italian sentence with the
// original after it; state is its SQLSTATE when there is one.
QString serverError(const QString &message, const QString &state = {});

// Gives each child of children (by childKey) the race set for her in the
// class. Empty on success, else why.
QString readSettings(Pq &db, const QString &className, std::map<QString, Child> &children);
// Gives each child of children the name a teacher gave her in the class.
QString readNames(Pq &db, const QString &className, std::map<QString, Child> &children);

} // namespace registro::server::detail
