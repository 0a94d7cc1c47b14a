// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classdata.h"
#include "register.h"

#include <QString>
#include <QStringList>

// The school's register on its PostgreSQL server: every computer of the lab
// adds races to it, the teachers read it.
namespace registro::server {

// Changes only when an older dieci could no longer work with the tables:
// what older versions simply do not use (a child's race settings) keeps it.
inline constexpr int ServerVersion = 2;
// How many lab computers may be connected at once, all with the children's
// role: the rest of the server's connections stay for the teachers.
inline constexpr int ChildrenConnections = 50;

// A libpq connection string, "key=value ..." or a postgresql:// URI, in parts.
struct ConnInfo {
    QString host;
    int port = -1;
    QString dbname;
    QString user;
    QString password;
    QStringList options; // every other key=value, as libpq reads it
    QString error;       // why the string cannot be read; empty when it can
};
ConnInfo parseConnInfo(const QString &text);
// Back into "key=value ..." form, quoting values that need it.
QString connInfoText(const ConnInfo &info);

// Connections go through Pq (pq.h): Pq::open() checks that the database
// holds tables this version can use. A server that does not answer is given
// up within seconds rather than at the TCP timeout, and no statement runs
// for long.
class Pq;

// Makes or brings up to date the tables, functions and two roles in the
// database that ownerConninfo reaches as its owner, and declares classes (a
// race of an undeclared class waits on its computer). Safe to run again: the
// roles keep their passwords, of which the server keeps no copy, unless
// newPasswords asks for new ones. On success the two settings blocks to print
// (the lab's and the teacher's), which hold passwords only when they were
// made now, and every class declared; else error says why.
// Where the lab's computers reach the server, as the printed blocks say.
struct LabAddress {
    QString host; // empty: the owner's, unless that is this machine only
    int port = -1;
    // TLS that checks the server against its certificate, a copy of which
    // every lab computer keeps in CertificatePath.
    bool verifyTls = true;
};
inline constexpr char CertificatePath[] = "/etc/xdg/dieci/server.crt";
// info with TLS that checks the server against CertificatePath, or with no
// word on TLS (libpq's default), any sslmode or sslrootcert it had replaced.
ConnInfo withTls(ConnInfo info, bool verify);
// Whether info checks the server's certificate and name.
bool verifiesTls(const ConnInfo &info);

// The connection string a lab computer uses for role: never a socket path
// or this machine's own name unless address names it; empty with why set
// when the owner's string says nothing a lab computer could use.
QString labConnInfo(const QString &ownerConninfo, const LabAddress &address, const QString &role,
                    const QString &password, QString *why);

struct Prepared {
    QString labBlock;
    QString teacherBlock;
    bool passwordsKept = false;
    QStringList classes;
    QString error;
};
Prepared prepare(const QString &ownerConninfo, const LabAddress &address,
                 const QStringList &classes = {}, bool newPasswords = false);

// What the teacher's window shows, computed by the server. Each takes an
// open connection and leaves why empty on success.
struct ClassRow {
    QString name;
    int children = 0;
    int races = 0;
    QString lastStarted;
};
QList<ClassRow> classes(Pq &db, QString *why);
// One class's children, sorted by name, with every race counted and, of
// their answers, the last 20 to each fact: what knowledgeOf() needs.
QList<Child> loadClass(Pq &db, const QString &className, QString *why);
// Deletes one child of a class, for good: a computer that sends her races
// later adds nothing. The number of races deleted, or -1.
int deleteChild(Pq &db, const QString &className, const QString &name, QString *why);

// Keeps the race a teacher set for one child of a class, for her next races
// on any computer of the lab. Empty on success, else why.
QString setRace(Pq &db, const QString &className, const QString &name, const Adaptation &race);
// Puts the races and settings of the child from stands for in a class under
// to (a new name, or another child's: a merge), shown as to from now on; a
// race typed as from lands under her. The number of races moved, or -1.
int renameChild(Pq &db, const QString &className, const QString &from, const QString &to,
                QString *why);
// Whether the class is one the school declared; why is set when the server
// cannot say.
bool classDeclared(Pq &db, const QString &className, QString *why);

// What the drill asks about the child about to race, as the children's role:
// the race her teacher set, if one was set for her in this class. found is
// false when none was (or the server predates them); why says what failed.
struct ChildRace {
    bool found = false;
    Adaptation race;
    QString why;
};
ChildRace raceOf(const QString &conninfo, const QString &className, const QString &name);

// The answers on the server as a CSV file, like exportCsv with one more
// column, classe, before the last; className empty means every class. Empty
// on success, else one line naming the CSV file; rows counts the answers.
QString exportCsv(const QString &conninfo, const QString &csvPath, const ExportFilter &filter,
                  const QString &className, qint64 *rows = nullptr);

} // namespace registro::server
