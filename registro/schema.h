// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "error.h"
#include "fileclaim.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// The register's file format, inside the registro library.
namespace registro::schema {

// A new connection's name, unique in the process (connections belong to the
// thread that makes them, and the drill writes from a thread of its own).
QString newConnectionName();

// Checks a register without writing a byte to it, its -wal or its -shm.
// When it can be used, claim holds the file for the process, and connection
// names a read-only connection to it (unless keep is false and none was
// needed); else why says why not.
struct Check {
    Error why;
    int version = 0;
    QString connection;
    FileClaim claim;
};
Check check(const QString &path, bool keep = true);

// For a reading that must not keep a child waiting. When no connection of the
// process holds the file, read gets one opened as check() first looks, to a
// file looked at for what it is but not read whole, closed as soon as read
// returns and before any other thread of the process opens the file: read
// must open no register itself. Otherwise read gets what check() gives.
void glance(const QString &path, const std::function<void(Check &)> &read);

// The statements that make the tables of the current version.
QStringList tables();
// The triggers that keep each race's counts (races.answered, right_answers).
QStringList countTriggers();
// The answers' table of the current version, under a name.
QString answersTable(const QString &name);
// The index the sender finds unsent answers by, made when it first runs.
Error ensureSendingIndex(QSqlDatabase &db);

// What the school's server knows of a race (races.sent, answers.sent).
namespace sent {
inline constexpr int No = 0;
inline constexpr int Race = 1;     // the race, not yet its ending
inline constexpr int Whole = 2;    // the race with its ending
inline constexpr int Never = 3;    // played without a class: stays here
inline constexpr int SetAside = 4; // refused by the server: one line said, never again
} // namespace sent

// Gives every race without its folded name (childKey) one: written by a
// version that did not keep it, or by hand.
Error fillChildKeys(QSqlDatabase &db);

// One step of the file format: the statements that take a register of
// version from to version to.
struct Step {
    int from;
    int to;
    QStringList statements;
};
const QList<Step> &steps();

// Brings the register on db (a writable connection to path, last seen at
// version seen) up to the current version. Each step runs under BEGIN
// IMMEDIATE with the version read again inside, so a second program finds
// the work done. A copy of the file as it was waits beside it, under a name of
// this process's, until the new one has committed.
Error upgrade(QSqlDatabase &db, const QString &path, int seen);
// Removes copies that upgrades killed after their commit left beside path.
void removeLeftoverCopies(const QString &path);

// The statements that read a register of a given version as the current one:
// races (id, started, name, ending, record_beaten, adaptation) and answers (race, seq, at,
// number, typed, right, ms). A version 1 race's id is a number, unique only
// within its own file.
QString racesQuery(int version);
// The tables of names the teacher mended (format 6).
QStringList mendedNames();
// A child's aids in the adaptations table of a version, as two columns
// (voice, contrast): none set before format 7.
inline QString aidsColumns(int version)
{
    return version >= 7 ? QStringLiteral("voice, contrast") : QStringLiteral("0, 0");
}
// What makes a race's id unique across files, put before it: a version 1 race
// is only a number in its own file, so its file names it; a UUID needs nothing.
QString raceKeyPrefix(int version, const QString &path);
QString answersQuery(int version);

} // namespace registro::schema
