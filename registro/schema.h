// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QString>

// The register's file format, inside the registro library.
namespace registro::schema {

// A new connection's name, unique in the process (connections belong to the
// thread that makes them, and the drill writes from a thread of its own).
QString newConnectionName();

// Checks a register without writing a byte to it, its -wal or its -shm.
// When it can be used, connection names a read-only connection to it; else
// why says why not, with damaged set unless the file is simply not there or
// not a regular file.
struct Check {
    QString why;
    bool damaged = false;
    int version = 0;
    QString connection;
};
Check check(const QString &path);

// The tables of the current version, in a new empty database.
bool createTables(QSqlDatabase &db, QString *why);

// Rewrites a version 1 register in the current format, in one transaction.
bool upgradeFromV1(QSqlDatabase &db, QString *why);

// Adds what version 3 knows: each race's class and what the school's server
// has confirmed. In one transaction.
bool upgradeFromV2(QSqlDatabase &db, QString *why);

// The statements that read a register of a given version as the current one:
// races (id, started, name, ending, record_beaten, adaptation) and answers (race, seq, at,
// number, typed, right, ms). A version 1 race's id is a number, unique only
// within its own file.
QString racesQuery(int version);
// What makes a race's id unique across files, put before it: a version 1 race
// is only a number in its own file, so its file names it; a UUID needs nothing.
QString raceKeyPrefix(int version, const QString &path);
QString answersQuery(int version);

} // namespace registro::schema
